// The slideshow window's description: its controls, their layout and fonts, the action table
// and the bindings of its events. Keys are given to the actions in FormCreate, not here.
#include "slideshow/FormSlideShowU.h"
#include "slideshow/portable/SlideShowTexts.h"

namespace tovane {

namespace {

// The design size; at each show the window takes the screen's size.
constexpr int kDesignWidth = 640;
constexpr int kDesignHeight = 480;
// The right-hand labels keep their left edge this far from the window's right edge.
constexpr int kRightColumn = 131;
// How long a picture may take before the loading text shows.
constexpr std::uint32_t kLoadingDelayMs = 150;
// How long the main window's folder cursor rests on a place before its first picture is decoded
// ahead: a cursor passing over places on its way decodes nothing.
constexpr std::uint32_t kCursorRestMs = 300;

const TFont kFixedFont{.Name = "ＭＳ ゴシック", .Height = 12, .FixedPitch = true};
const TFont kProportionalFont{.Name = "ＭＳ Ｐゴシック", .Height = 12};

// Labels show paths and file names: an "&" in them is text, not an accelerator.
const TLabelOptions kLabelOptions{.AutoSize = true, .ShowAccelChar = false};

} // namespace

std::span<const TActionRow<TFormSlideShow>> TFormSlideShow::ActionTable() {
    using F = TFormSlideShow;
    // Action, caption, shortcut, handler, and the key FormCreate gives it: every key is the bare
    // key, so with Shift, Ctrl or Alt held none of them runs.
    static constexpr TActionRow<F> rows[] = {
        {&F::actClose, "", scNone, &F::actCloseExecute, MakeShortCut(vk::Escape)},
        {&F::actClose1, "", scNone, &F::actCloseExecute, MakeShortCut(vk::Return)},
        {&F::actNextGraphic, "", scNone, &F::actNextGraphic1Execute, MakeShortCut(vk::Right)},
        {&F::actPreviousGraphic, "", scNone, &F::actPreviousGraphicExecute, MakeShortCut(vk::Left)},
        {&F::actNext10Graphic, "", scNone, &F::actNext10GraphicExecute, MakeShortCut(vk::Down)},
        {&F::actPrevious10Graphic, "", scNone, &F::actPrevious10GraphicExecute,
         MakeShortCut(vk::Up)},
        {&F::actHomeGraphic, "", scNone, &F::actHomeGraphicExecute, MakeShortCut(vk::Home)},
        {&F::actEndGraphic, "", scNone, &F::actEndGraphicExecute, MakeShortCut(vk::End)},
        {&F::actPlayStop, "", scNone, &F::actPlayStopExecute, MakeShortCut(vk::Space)},
        {&F::actShowLabel, "", scNone, &F::actShowLabelExecute, MakeShortCut(vk::Tab)},
        {&F::actNextDir, "", scNone, &F::actNextDirExecute, MakeShortCut(vk::Next)},
        {&F::actPreviousDir, "", scNone, &F::actPreviousDirExecute, MakeShortCut(vk::Prior)},
        {&F::actBairituUp, "", scNone, &F::actBairituUpExecute, MakeShortCut('2')},
        {&F::actBairituUp1, "", scNone, &F::actBairituUpExecute, MakeShortCut(vk::Numpad0 + 2)},
        {&F::actBairituDown, "", scNone, &F::actBairituDownExecute, MakeShortCut('1')},
        {&F::actBairituDown1, "", scNone, &F::actBairituDownExecute, MakeShortCut(vk::Numpad0 + 1)},
        {&F::actBairituReset, "", scNone, &F::actBairituResetExecute, MakeShortCut('0')},
        {&F::actBairituReset1, "", scNone, &F::actBairituResetExecute, MakeShortCut(vk::Numpad0)},
    };
    return rows;
}

void TFormSlideShow::LoadForm() {
    CreateForm({.Caption = "Tovane",
                .Width = kDesignWidth,
                .Height = kDesignHeight,
                .BorderStyle = TBorderStyle::None,
                .Font = kProportionalFont,
                .Color = RGB(0, 0, 0)});

    Image1.Create(*this, {.Left = 0, .Top = 0, .Width = 100, .Height = 100}, {.Stretch = true});

    LabelPath.Create(*this, {.Left = 8, .Top = 0, .Font = kFixedFont}, kLabelOptions);
    LabelFile.Create(*this, {.Left = 8, .Top = 16, .Font = kFixedFont}, kLabelOptions);
    LabelIndex.Create(*this, {.Left = 8, .Top = 32, .Font = kFixedFont}, kLabelOptions);
    const int right = kDesignWidth - kRightColumn;
    const TAnchors topRight = akTop | akRight;
    LabelSSState.Create(*this,
                        {.Left = right, .Top = 0, .Anchors = topRight, .Font = kProportionalFont},
                        kLabelOptions);
    LabelInterval.Create(*this,
                         {.Left = right, .Top = 24, .Anchors = topRight, .Font = kProportionalFont},
                         kLabelOptions);
    LabelLastAction.Create(
        *this, {.Left = right, .Top = 40, .Anchors = topRight, .Font = kProportionalFont},
        kLabelOptions);
    LabelAllDir.Create(*this,
                       {.Left = right,
                        .Top = 56,
                        .Anchors = topRight,
                        .Caption = kAllDirCaption,
                        .Font = kProportionalFont},
                       kLabelOptions);

    LabelLoading.Create(*this, {.Left = 8, .Top = 48, .Visible = false, .Font = kProportionalFont},
                        kLabelOptions);

    // The picture lies under the labels.
    SetWindowPos(Image1.Handle(), HWND_BOTTOM, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    CreateActions(*this, ActionTable());

    Timer1.Create(*this, 1000, false);
    TimerLoading.Create(*this, kLoadingDelayMs, false);
    TimerCursorRest.Create(*this, kCursorRestMs, false);

    OnCreate = [this](TObject& s) { FormCreate(s); };
    OnShow = [this](TObject& s) { FormShow(s); };
    OnClose = [this](TObject& s, TCloseAction& a) { FormClose(s, a); };
    OnMouseDown = [this](TObject& s, TMouseButton b, TShiftState sh, int x, int y) {
        FormMouseDown(s, b, sh, x, y);
    };
    Image1.OnMouseDown = OnMouseDown;
    OnMessage = [this](UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
        if (msg != WM_MOUSEWHEEL)
            return false;
        const WORD keys = GET_KEYSTATE_WPARAM(wParam);
        FormMouseWheel(GET_WHEEL_DELTA_WPARAM(wParam), (keys & MK_CONTROL) != 0,
                       (keys & MK_SHIFT) != 0);
        result = 0;
        return true;
    };
    Timer1.OnTimer = [this](TObject& s) { Timer1Timer(s); };
    TimerLoading.OnTimer = [this](TObject& s) { TimerLoadingTimer(s); };
    TimerCursorRest.OnTimer = [this](TObject& s) { TimerCursorRestTimer(s); };
}

} // namespace tovane
