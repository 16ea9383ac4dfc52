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
    // Shared icons belong to the system's cache: nothing to destroy.
    auto icon = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON, 32, 32, LR_SHARED));
    if (icon == nullptr)
        icon = LoadIconW(nullptr, MAKEINTRESOURCEW(32512)); // IDI_APPLICATION
    SendMessageW(FHandle, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    SetWindowPos(FHandle, nullptr, props.Left, props.Top, props.Width, props.Height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

TFormAboutBox::TFormAboutBox(TForm* owner) : TForm(owner) {
    LoadForm();
    DoCreate();
}

TFormAboutBox::~TFormAboutBox() {
    DestroyForm();
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
        for (const AboutRow& row : AboutRowsFor(spi.FileName(), spi.PluginInfo(), spi.Extensions(),
                                                spi.FormatNames(), SystemLeadByte))
            ListView1.AddRow({AnsiToUtf8(row.FileName), AnsiToUtf8(row.Extensions),
                              AnsiToUtf8(row.FormatName), AnsiToUtf8(row.Info)});
    }
}

void TFormAboutBox::Label3Click(TObject&) {
    ShellExecuteA(nullptr, "open", AuthorAddress().c_str(), nullptr, nullptr, SW_SHOW);
}

} // namespace tovane
