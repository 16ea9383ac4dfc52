#include "shell_Support.h"

#include "framework/win32/Text.h"

#include <shlobj.h>

#include <cstring>

namespace shelltest {

std::string TScratchDir::MakeFile(const std::string& relative, DWORD attributes) const {
    const std::string p = Write(relative, "x");
    if (attributes != 0)
        SetFileAttributesA(p.c_str(), attributes);
    return p;
}

std::string TScratchDir::MakeBitmap(const std::string& relative) const {
    // File header, info header, two rows of two pixels padded to 8 bytes.
    unsigned char bmp[54 + 16] = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  40,
                                  0,   0,   0,  2, 0, 0, 0, 2, 0, 0, 0,  1, 0, 24, 0};
    for (int i = 54; i < 70; ++i)
        bmp[i] = static_cast<unsigned char>(i * 7);
    return Write(relative, {reinterpret_cast<const char*>(bmp), sizeof bmp});
}

HDROP MakeDrop(const std::vector<std::wstring>& paths) {
    std::size_t size = sizeof(DROPFILES) + sizeof(wchar_t);
    for (const std::wstring& p : paths)
        size += (p.size() + 1) * sizeof(wchar_t);
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    auto* df = static_cast<DROPFILES*>(GlobalLock(mem));
    df->pFiles = sizeof(DROPFILES);
    df->fWide = TRUE;
    auto* out = reinterpret_cast<wchar_t*>(reinterpret_cast<char*>(df) + sizeof(DROPFILES));
    for (const std::wstring& p : paths) {
        std::memcpy(out, p.c_str(), (p.size() + 1) * sizeof(wchar_t));
        out += p.size() + 1;
    }
    GlobalUnlock(mem);
    return static_cast<HDROP>(mem);
}

HDROP MakeDrop(const std::vector<std::string>& paths) {
    std::vector<std::wstring> wide;
    for (const std::string& p : paths)
        wide.push_back(tovane::AnsiToWide(p));
    return MakeDrop(wide);
}

void SetCtrlHeld(bool held) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = held ? 0x80 : 0;
    keys[VK_LCONTROL] = held ? 0x80 : 0;
    SetKeyboardState(keys);
}

} // namespace shelltest
