#include "slideshow/FormSlideShowU.h"

#include "app/portable/MainWindowRules.h"
#include "framework/Paths.h"
#include "framework/win32/Text.h"
#include "slideshow/portable/Placement.h"
#include "slideshow/portable/SlideShowTexts.h"

namespace tovane {

std::unique_ptr<TFormSlideShow> FormSlideShow;

TFormSlideShow::TFormSlideShow() : TFormSlideShow(MakeMainWindowSlideShowSource()) {
}

TFormSlideShow::TFormSlideShow(std::unique_ptr<TSlideShowSource> source)
    : FSource(std::move(source)) {
    LoadForm();
    DoCreate();
}

TFormSlideShow::~TFormSlideShow() {
    DestroyForm();
}

void TFormSlideShow::FormCreate(TObject&) {
    // Every key is the bare key: with Shift, Ctrl or Alt held none of them runs.
    actClose.SetShortCut(MakeShortCut(vk::Escape));
    actClose1.SetShortCut(MakeShortCut(vk::Return));
    actNextGraphic.SetShortCut(MakeShortCut(vk::Right));
    actPreviousGraphic.SetShortCut(MakeShortCut(vk::Left));
    actNext10Graphic.SetShortCut(MakeShortCut(vk::Down));
    actPrevious10Graphic.SetShortCut(MakeShortCut(vk::Up));
    actHomeGraphic.SetShortCut(MakeShortCut(vk::Home));
    actEndGraphic.SetShortCut(MakeShortCut(vk::End));
    actPlayStop.SetShortCut(MakeShortCut(vk::Space));
    actShowLabel.SetShortCut(MakeShortCut(vk::Tab));
    actNextDir.SetShortCut(MakeShortCut(vk::Next));
    actPreviousDir.SetShortCut(MakeShortCut(vk::Prior));
    actBairituUp.SetShortCut(MakeShortCut('2'));
    actBairituUp1.SetShortCut(MakeShortCut(vk::Numpad0 + 2));
    actBairituDown.SetShortCut(MakeShortCut('1'));
    actBairituDown1.SetShortCut(MakeShortCut(vk::Numpad0 + 1));
    actBairituReset.SetShortCut(MakeShortCut('0'));
    actBairituReset1.SetShortCut(MakeShortCut(vk::Numpad0));
}

void TFormSlideShow::FormShow(TObject&) {
    const SlideShowSettings settings = FSource->Settings();

    SetBounds(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    for (TLabel* label : {&LabelPath, &LabelFile, &LabelIndex, &LabelSSState, &LabelInterval,
                          &LabelLastAction, &LabelAllDir})
        label->SetFontColor(settings.FGColor);
    FShowLabel = true;
    ShowLabels(settings.bAllDir);
    SetColor(settings.BGColor);
    FileListBox1.SetMask(FileMask(FSource->ImageExtensions()));
    Timer1.SetInterval(TimerIntervalMs(settings.Interval, settings.bSecond));
    SetPlaying(settings.SuguStart);
    LabelInterval.SetCaption(IntervalText(settings.Interval, settings.bSecond));
    LabelLastAction.SetCaption(LastActionLabelText(settings.LastAction, LastActionNames));
    FBairitu = 1.0;
    ShowGraphic(0);
}

void TFormSlideShow::FormClose(TObject&, TCloseAction&) {
    // FPlaying stays as it is: the next show sets it anew.
    if (Timer1.Enabled())
        Timer1.SetEnabled(false);
}

void TFormSlideShow::ShowLabels(bool allDir) {
    for (TLabel* label :
         {&LabelPath, &LabelFile, &LabelIndex, &LabelSSState, &LabelInterval, &LabelLastAction})
        label->SetVisible(FShowLabel);
    LabelAllDir.SetVisible(FShowLabel && allDir);
}

void TFormSlideShow::ShowSSState() {
    LabelSSState.SetCaption(PlayStateText(FPlaying));
}

void TFormSlideShow::SetPlaying(bool Value) {
    FPlaying = Value;
    Timer1.SetEnabled(Value);
    ShowSSState();
}

bool TFormSlideShow::SelectDir(int Index) {
    return tovane::SelectDir(*this, Index);
}

void TFormSlideShow::ShowGraphic(int Index) {
    Image1.SetVisible(false);
    if (Timer1.Enabled())
        Timer1.SetEnabled(false);

    FileListBox1.SetItemIndex(Index);
    const std::wstring path = FileListBox1.FileName();
    Image1.Picture().LoadFromFile(path);
    const int w = Image1.Picture().Width();
    const int h = Image1.Picture().Height();

    const ImagePlacement placement = PlaceImage(w, h, FBairitu, Width(), Height());
    Image1.SetBounds(placement.Left, placement.Top, placement.Width, placement.Height);

    const int folderCount = FSource->FolderCount();
    const int imageCount = FileListBox1.Count();
    const int digits = LabelNumberDigits(folderCount, imageCount);
    LabelPath.SetCaption(NumberedLine(digits, FSource->CurrentFolder() + 1, folderCount,
                                      WideToUtf8(FileListBox1.Directory())));
    LabelFile.SetCaption(
        NumberedLine(digits, Index + 1, imageCount, WideToUtf8(FileListBox1.Item(Index))));
    LabelIndex.SetCaption(IndexLabelText(FBairitu, placement, w, h));

    Image1.SetVisible(true);
    if (FPlaying)
        Timer1.SetEnabled(true); // every image gets a full interval from now
}

void TFormSlideShow::SetBairitu(double Value) {
    if (const auto factor = BairituChange(FBairitu, Value)) {
        FBairitu = *factor;
        ShowGraphic(FileListBox1.ItemIndex());
    }
}

void TFormSlideShow::FormMouseDown(TObject&, TMouseButton Button, TShiftState, int, int) {
    if (Button == TMouseButton::Left)
        actNextGraphic.Execute();
    else if (Button == TMouseButton::Right)
        actPreviousGraphic.Execute();
}

void TFormSlideShow::Timer1Timer(TObject&) {
    TimerTick(*this);
}

void TFormSlideShow::actCloseExecute(TObject&) {
    Close();
}

void TFormSlideShow::actNextGraphic1Execute(TObject&) {
    Navigate(*this, NextGraphicTarget);
}

void TFormSlideShow::actPreviousGraphicExecute(TObject&) {
    Navigate(*this, PreviousGraphicTarget);
}

void TFormSlideShow::actNext10GraphicExecute(TObject&) {
    Navigate(*this, Next10GraphicTarget);
}

void TFormSlideShow::actPrevious10GraphicExecute(TObject&) {
    Navigate(*this, Previous10GraphicTarget);
}

void TFormSlideShow::actHomeGraphicExecute(TObject&) {
    Navigate(*this, HomeGraphicTarget);
}

void TFormSlideShow::actEndGraphicExecute(TObject&) {
    Navigate(*this, EndGraphicTarget);
}

void TFormSlideShow::actPlayStopExecute(TObject&) {
    SetPlaying(!FPlaying);
}

void TFormSlideShow::actShowLabelExecute(TObject&) {
    FShowLabel = !FShowLabel;
    ShowLabels(AllDir());
}

void TFormSlideShow::actNextDirExecute(TObject&) {
    StepFolder(*this, 1);
}

void TFormSlideShow::actPreviousDirExecute(TObject&) {
    StepFolder(*this, -1);
}

void TFormSlideShow::actBairituUpExecute(TObject&) {
    SetBairitu(FBairitu + kBairituStep);
}

void TFormSlideShow::actBairituDownExecute(TObject&) {
    SetBairitu(FBairitu - kBairituStep);
}

void TFormSlideShow::actBairituResetExecute(TObject&) {
    SetBairitu(1.0);
}

int TFormSlideShow::ImageCount() const {
    return FileListBox1.Count();
}

int TFormSlideShow::ImageIndex() const {
    return FileListBox1.ItemIndex();
}

int TFormSlideShow::FolderCount() const {
    return FSource->FolderCount();
}

int TFormSlideShow::CurrentFolder() const {
    return FSource->CurrentFolder();
}

void TFormSlideShow::MakeFolderCurrent(int index) {
    FSource->SetCurrentFolder(index);
    try {
        FileListBox1.SetDirectory(FSource->Folder(index));
    } catch (...) {
        // A folder that vanished or cannot be read: its list is empty, so no image of the
        // folder before is taken for one of this folder, and the timer stops until the next
        // image is shown, as after a failed load (no stream of error reports).
        FileListBox1.Clear();
        if (Timer1.Enabled())
            Timer1.SetEnabled(false);
        throw;
    }
}

void TFormSlideShow::CloseSlideShow() {
    Close();
}

bool TFormSlideShow::AllDir() const {
    return FSource->Settings().bAllDir;
}

int TFormSlideShow::LastAction() const {
    return FSource->Settings().LastAction;
}

} // namespace tovane
