// The slideshow window's description: its controls, their layout and fonts, and the bindings
// of its events. Keys are given to the actions in FormCreate, not here.
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

const TFont kFixedFont{.Name = "ＭＳ ゴシック", .Height = 12, .FixedPitch = true};
const TFont kProportionalFont{.Name = "ＭＳ Ｐゴシック", .Height = 12};

// Labels show paths and file names: an "&" in them is text, not an accelerator.
const TLabelOptions kLabelOptions{.AutoSize = true, .ShowAccelChar = false};

} // namespace

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

    FileListBox1.Create(*this, {.Width = 100, .Height = 100, .Visible = false});
    LabelLoading.Create(*this, {.Left = 8, .Top = 48, .Visible = false, .Font = kProportionalFont},
                        kLabelOptions);

    // The picture lies under the labels.
    SetWindowPos(Image1.Handle(), HWND_BOTTOM, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    for (TAction* action :
         {&actClose, &actClose1, &actNextGraphic, &actPreviousGraphic, &actNext10Graphic,
          &actPrevious10Graphic, &actHomeGraphic, &actEndGraphic, &actPlayStop, &actShowLabel,
          &actNextDir, &actPreviousDir, &actBairituUp, &actBairituUp1, &actBairituDown,
          &actBairituDown1, &actBairituReset, &actBairituReset1})
        action->Create(*this, {});

    Timer1.Create(*this, 1000, false);
    TimerLoading.Create(*this, kLoadingDelayMs, false);

    OnCreate = [this](TObject& s) { FormCreate(s); };
    OnShow = [this](TObject& s) { FormShow(s); };
    OnClose = [this](TObject& s, TCloseAction& a) { FormClose(s, a); };
    OnMouseDown = [this](TObject& s, TMouseButton b, TShiftState sh, int x, int y) {
        FormMouseDown(s, b, sh, x, y);
    };
    Image1.OnMouseDown = OnMouseDown;
    Timer1.OnTimer = [this](TObject& s) { Timer1Timer(s); };
    TimerLoading.OnTimer = [this](TObject& s) { TimerLoadingTimer(s); };

    actClose.OnExecute = [this](TObject& s) { actCloseExecute(s); };
    actClose1.OnExecute = [this](TObject& s) { actCloseExecute(s); };
    actNextGraphic.OnExecute = [this](TObject& s) { actNextGraphic1Execute(s); };
    actPreviousGraphic.OnExecute = [this](TObject& s) { actPreviousGraphicExecute(s); };
    actNext10Graphic.OnExecute = [this](TObject& s) { actNext10GraphicExecute(s); };
    actPrevious10Graphic.OnExecute = [this](TObject& s) { actPrevious10GraphicExecute(s); };
    actHomeGraphic.OnExecute = [this](TObject& s) { actHomeGraphicExecute(s); };
    actEndGraphic.OnExecute = [this](TObject& s) { actEndGraphicExecute(s); };
    actPlayStop.OnExecute = [this](TObject& s) { actPlayStopExecute(s); };
    actShowLabel.OnExecute = [this](TObject& s) { actShowLabelExecute(s); };
    actNextDir.OnExecute = [this](TObject& s) { actNextDirExecute(s); };
    actPreviousDir.OnExecute = [this](TObject& s) { actPreviousDirExecute(s); };
    actBairituUp.OnExecute = [this](TObject& s) { actBairituUpExecute(s); };
    actBairituUp1.OnExecute = [this](TObject& s) { actBairituUpExecute(s); };
    actBairituDown.OnExecute = [this](TObject& s) { actBairituDownExecute(s); };
    actBairituDown1.OnExecute = [this](TObject& s) { actBairituDownExecute(s); };
    actBairituReset.OnExecute = [this](TObject& s) { actBairituResetExecute(s); };
    actBairituReset1.OnExecute = [this](TObject& s) { actBairituResetExecute(s); };
}

} // namespace tovane
