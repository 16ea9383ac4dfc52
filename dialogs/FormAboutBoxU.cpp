#include "dialogs/FormAboutBoxU.h"

#include "dialogs/portable/DialogRules.h"
#include "framework/Paths.h"
#include "framework/win32/ModuleFile.h"
#include "framework/win32/Text.h"
#include "plugins/SPIs.h"

#include <shellapi.h>

namespace tovane {

void TProgramIcon::Create(TControl& parent, const TControlProps& props) {
    CreateControl(&parent, props, L"STATIC", SS_ICON | SS_CENTERIMAGE, 0);
    LoadProgramIcon();
    // Setting an icon sizes the control to it: the description's bounds win.
    SetWindowPos(FHandle, nullptr, Scale(props.Left), Scale(props.Top), Scale(props.Width),
                 Scale(props.Height), SWP_NOZORDER | SWP_NOACTIVATE);
}

void TProgramIcon::LoadProgramIcon() {
    // The icon is drawn at 32 x 32 design pixels: loaded at that size, not stretched.
    const int size = Scale(32);
    UniqueIcon icon(static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, 0)));
    // The system's icon is shared and stays; ours is destroyed after the control has let go.
    HICON shown = icon ? icon.Get() : LoadIconW(nullptr, MAKEINTRESOURCEW(32512));
    SendMessageW(FHandle, STM_SETICON, reinterpret_cast<WPARAM>(shown), 0);
    FIcon = std::move(icon);
}

void TProgramIcon::DpiChanged(int, int) {
    LoadProgramIcon();
}

TFormAboutBox::TFormAboutBox(TForm* owner) : TForm(owner) {
}

std::string TFormAboutBox::AuthorAddress() {
    const std::string exe = ModuleFileName();
    return exe.empty() ? std::string() : ExtractFileDir(exe, SystemLeadByte);
}

void TFormAboutBox::FormCreate(TObject&) {
    const TSPIs* spis = TSPIs::Instance();
    if (spis == nullptr)
        return;
    for (int i = 0; i < spis->Count(); ++i) {
        const TSPI& spi = spis->Items(i);
        // A module of another bitness than the program's (a 32-bit one in its host) says so.
        const char* mark = spi.Bits() == 32 && sizeof(void*) == 8 ? " (32bit)" : "";
        for (const AboutRow& row : AboutRowsFor(spi.FileName(), spi.PluginInfo(), spi.Extensions(),
                                                spi.FormatNames(), SystemLeadByte))
            ListView1.AddRow({AnsiToUtf8(row.FileName) + (row.FileName.empty() ? "" : mark),
                              AnsiToUtf8(row.Extensions), AnsiToUtf8(row.FormatName),
                              AnsiToUtf8(row.Info)});
    }
}

void TFormAboutBox::Label3Click(TObject&) {
    ShellExecuteA(nullptr, "open", AuthorAddress().c_str(), nullptr, nullptr, SW_SHOW);
}

} // namespace tovane
