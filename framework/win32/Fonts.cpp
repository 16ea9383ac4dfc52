#include "framework/win32/Fonts.h"
#include "framework/win32/Handles.h"

#include "framework/DpiScale.h"
#include "framework/win32/Text.h"

#include <cwchar>
#include <span>

namespace tovane {

namespace {

struct Search {
    bool Found = false;
    bool WantFixed = false;
    std::wstring Any; // first installed Japanese face of the wanted pitch
};

int CALLBACK FoundFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM param) {
    reinterpret_cast<Search*>(param)->Found = true;
    return 0;
}

int CALLBACK JapaneseFace(const LOGFONTW* lf, const TEXTMETRICW*, DWORD, LPARAM param) {
    auto* s = reinterpret_cast<Search*>(param);
    if (lf->lfFaceName[0] == L'@') // vertical writing variants
        return 1;
    const bool fixed = (lf->lfPitchAndFamily & 0x3) == FIXED_PITCH;
    if (fixed == s->WantFixed) {
        s->Any = lf->lfFaceName;
        return 0;
    }
    return 1;
}

// Faces that stand in for the Windows Japanese faces, best first.
constexpr const wchar_t* FixedFallbacks[] = {
    L"ＭＳ ゴシック",         L"MS Gothic",   L"IPAGothic", L"IPAゴシック",
    L"Noto Sans Mono CJK JP", L"TakaoGothic", L"VL Gothic"};
constexpr const wchar_t* ProportionalFallbacks[] = {
    L"ＭＳ Ｐゴシック",  L"MS PGothic",   L"IPAPGothic", L"IPA Pゴシック",
    L"Noto Sans CJK JP", L"TakaoPGothic", L"VL PGothic", L"IPAGothic"};

} // namespace

bool FontFaceInstalled(const std::wstring& face) {
    if (face.empty() || face.size() >= LF_FACESIZE)
        return false;
    LOGFONTW lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(lf.lfFaceName, face.c_str(), LF_FACESIZE - 1);
    Search s;
    const TWindowDC screen(nullptr);
    EnumFontFamiliesExW(screen.Get(), &lf, FoundFace, reinterpret_cast<LPARAM>(&s), 0);
    return s.Found;
}

std::wstring ResolveFontFace(const TFont& font) {
    const std::wstring wanted = Utf8ToWide(font.Name);
    if (FontFaceInstalled(wanted))
        return wanted;
    const std::span<const wchar_t* const> fallbacks =
        font.FixedPitch ? std::span<const wchar_t* const>(FixedFallbacks)
                        : std::span<const wchar_t* const>(ProportionalFallbacks);
    for (const wchar_t* face : fallbacks)
        if (FontFaceInstalled(face))
            return face;
    LOGFONTW lf{};
    lf.lfCharSet = SHIFTJIS_CHARSET;
    Search s;
    s.WantFixed = font.FixedPitch;
    const TWindowDC screen(nullptr);
    EnumFontFamiliesExW(screen.Get(), &lf, JapaneseFace, reinterpret_cast<LPARAM>(&s), 0);
    return s.Any.empty() ? wanted : s.Any;
}

UniqueFont CreateFontFor(const TFont& font, int dpi) {
    const std::wstring face = ResolveFontFace(font);
    // A negative height asks for the character height (the em), as form descriptions mean it.
    return UniqueFont(CreateFontW(
        -ScaleDpi(font.Height, dpi), 0, 0, 0, font.Bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
        font.Charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
        (font.FixedPitch ? FIXED_PITCH : DEFAULT_PITCH) | FF_DONTCARE, face.c_str()));
}

} // namespace tovane
