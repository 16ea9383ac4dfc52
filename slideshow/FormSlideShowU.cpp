#include "slideshow/FormSlideShowU.h"

#include "framework/Paths.h"
#include "framework/win32/Application.h"
#include "framework/win32/Text.h"
#include "imaging/ArchiveReader.h"
#include "imaging/SPIBmp.h"
#include "slideshow/PictureListing.h"
#include "slideshow/ResumeFile.h"
#include "settings/portable/ImageExtensions.h"
#include "slideshow/portable/Placement.h"
#include "slideshow/portable/SlideShowTexts.h"

#include <random>

namespace tovane {

std::unique_ptr<TFormSlideShow> FormSlideShow;

namespace {

// Picture image of another place, found when it is decoded ahead (the place is listed on the
// decoding thread, as its image list would list it).
TReadAheadItem PictureOfPlace(const std::wstring& place, const std::string& mask,
                              const TListingOrder& order, int image, TArchiveReader* archives) {
    TReadAheadItem item;
    item.Key = place + L'\n' + AnsiToWide(mask) + L'\n' +
               std::to_wstring(static_cast<int>(order.Order)) + L'\n' +
               std::to_wstring(order.Seed) + L'\n' + std::to_wstring(image);
    item.Locate = [place, mask, order, image, archives]() -> std::optional<TPictureLocation> {
        const TPictureList list = ListPictures(place, mask, order, archives);
        if (image < 0 || image >= list.Count())
            return std::nullopt;
        return list.Location(image);
    };
    return item;
}

// The index a show of list starts at: the picture its place was left at (resume), else the
// first. A shuffled show has no place to go on from: every picture comes once, from the first.
int StartIndexOf(const TPictureList& list, TPictureOrder order, const TResumePoints& resume) {
    if (order == TPictureOrder::Shuffle || list.Count() == 0)
        return 0;
    const TResumePoint* point = resume.Find(WideToUtf8(list.Directory()));
    if (point == nullptr)
        return 0;
    auto less = [order](const std::wstring& a, const std::wstring& b) {
        return order == TPictureOrder::Plain ? NameSortKey(a) < NameSortKey(b)
                                             : NaturalCompare(a, b, NameSortKey) < 0;
    };
    return ResumeIndex(list.Items(), Utf8ToWide(point->Name), Utf8ToWide(point->Next), less);
}

} // namespace

TFormSlideShow::TFormSlideShow(std::unique_ptr<TSlideShowSource> source)
    : FSource(std::move(source)), FShuffleSeed(std::random_device{}()) {
    // Made with the form rather than at the first show, which should take no longer than it
    // must.
    MakePipeline();
}

void TFormSlideShow::MakePipeline() {
    if (FPipeline)
        return;
    FPipeline = std::make_unique<TPicturePipeline>(0, FSource->Archives());
    FPipeline->OnPicture = [this](std::uint64_t, TPictureAnswer& answer) {
        PictureArrived(answer);
    };
}

void TFormSlideShow::FormCreate(TObject&) {
    AssignCreateShortCuts(*this, ActionTable());
}

void TFormSlideShow::FormShow(TObject&) {
    const SlideShowSettings settings = FSource->Settings();

    TimerCursorRest.SetEnabled(false);
    CoverMainWindowMonitor();
    for (TLabel* label : {&LabelPath, &LabelFile, &LabelIndex, &LabelSSState, &LabelInterval,
                          &LabelLastAction, &LabelAllDir})
        label->SetFontColor(settings.FGColor);
    FShowLabel = true;
    ShowLabels(settings.bAllDir);
    SetColor(settings.BGColor);
    FMask = FileMask(FSource->ImageExtensions());
    if (ShuffleAcrossPlaces()) {
        FPlaceFolders.clear();
        FileListBox1 = ListPicturesAcrossPlaces(Folders(), FMask, FShuffleSeed, &FPlaceFolders,
                                                FSource->Archives());
    } else {
        RelistPictures(FileListBox1, FMask, ListingOrder(), FSource->Archives());
    }
    FRounds.Begin(FileListBox1.Locations());
    Timer1.SetInterval(TimerIntervalMs(settings.Interval, settings.bSecond));
    SetPlaying(settings.SuguStart);
    LabelInterval.SetCaption(IntervalText(settings.Interval, settings.bSecond));
    LabelLastAction.SetCaption(LastActionLabelText(settings.LastAction, LastActionNames));
    FBairitu = 1.0;
    FDirection = TravelDirection::Forward;
    FWheel.Reset();
    FReadAhead = settings.ReadAhead;
    if (!FReadAhead) {
        FPipeline.reset(); // nothing cached
    } else {
        MakePipeline();
        // Nothing of the last slideshow shows while the first picture loads.
        Image1.SetVisible(false);
        Image1.Picture().SetGraphic(nullptr);
        for (TLabel* label : {&LabelPath, &LabelFile, &LabelIndex})
            label->SetCaption("");
        LabelLoading.SetFontColor(settings.FGColor);
    }
    ShowGraphic(StartIndex(settings));
}

int TFormSlideShow::StartIndex(const SlideShowSettings& settings) {
    FResumeChanged = false;
    const std::wstring path = settings.Resume ? FSource->ResumeFilePath() : std::wstring();
    FResume = path.empty() ? TResumePoints() : ReadResumeFile(path);
    return StartIndexOf(FileListBox1, PictureOrderOf(settings.Order), FResume);
}

void TFormSlideShow::CoverMainWindowMonitor() {
    CoverMonitorOf(Application().MainForm() != nullptr ? Application().MainForm()->Handle()
                                                       : nullptr);
}

void TFormSlideShow::FolderCursorMoved() {
    TimerCursorRest.SetEnabled(false);
    if (Visible())
        return;
    if (FPipeline)
        FPipeline->DropReadAhead();
    TimerCursorRest.SetEnabled(true);
}

void TFormSlideShow::TimerCursorRestTimer(TObject&) {
    TimerCursorRest.SetEnabled(false);
    const int folder = FSource->CurrentFolder();
    if (Visible() || folder < 0 || folder >= FSource->FolderCount())
        return;
    PrepareStartPicture(FSource->Folder(folder));
}

void TFormSlideShow::PrepareStartPicture(const std::wstring& place) {
    const SlideShowSettings settings = FSource->Settings();
    if (!settings.ReadAhead)
        return;
    MakePipeline();
    // As the show will list the place and choose its picture (the seed of the next show's
    // shuffle is drawn already); the place may be slow to list, so that happens on the
    // decoding thread.
    const std::string mask = FileMask(FSource->ImageExtensions());
    const TListingOrder order = ListingOrder();
    const std::wstring resumeFile = settings.Resume ? FSource->ResumeFilePath() : std::wstring();
    const std::vector<std::wstring> places =
        ShuffleAcrossPlaces() ? Folders() : std::vector<std::wstring>();
    TReadAheadItem item;
    item.Key = L"start\n" + place + L'\n' + AnsiToWide(mask) + L'\n' +
               std::to_wstring(static_cast<int>(order.Order)) + L'\n' +
               std::to_wstring(order.Seed) + L'\n' + std::to_wstring(places.size());
    TArchiveReader* archives = FSource->Archives();
    item.Locate = [place, places, mask, order, resumeFile,
                   archives]() -> std::optional<TPictureLocation> {
        const TPictureList list =
            places.empty() ? ListPictures(place, mask, order, archives)
                           : ListPicturesAcrossPlaces(places, mask, order.Seed, nullptr, archives);
        const TResumePoints resume =
            resumeFile.empty() ? TResumePoints() : ReadResumeFile(resumeFile);
        const int start = StartIndexOf(list, order.Order, resume);
        if (start >= list.Count())
            return std::nullopt;
        return list.Location(start);
    };
    // The show covers the main window's monitor and starts at magnification 1.
    CoverMainWindowMonitor();
    FPipeline->ReadAheadAfterRunning(std::move(item), ShowSizeAt(1.0));
}

void TFormSlideShow::ForgetPictures() {
    if (FPipeline)
        FPipeline->DropCache();
}

void TFormSlideShow::RememberShown() {
    const int index = FileListBox1.ItemIndex();
    if (index < 0 || !FSource->Settings().Resume)
        return;
    const TPictureLocation shown = FileListBox1.Location(index);
    // The picture after it in its own place (a shuffle across places may go on in another).
    const int next = index + 1;
    const bool nextHere =
        next < FileListBox1.Count() && FileListBox1.Location(next).Place == shown.Place;
    FResume.Remember({WideToUtf8(shown.Place), WideToUtf8(shown.Name),
                      nextHere ? WideToUtf8(FileListBox1.Item(next)) : std::string()});
    FResumeChanged = true;
}

void TFormSlideShow::FormClose(TObject&, TCloseAction&) {
    // FPlaying stays as it is: the next show sets it anew.
    if (Timer1.Enabled())
        Timer1.SetEnabled(false);
    if (FPipeline)
        FPipeline->CancelAll(); // nothing arrives after the close
    // The next show's shuffle, known before it starts so that its first picture can be made
    // ready while the folder list's cursor rests on its place.
    FShuffleSeed = std::random_device{}();
    StopLoadingText();
    // Where the show was left is kept for the next; a file that cannot be written now costs
    // that only, so the close goes on without a report.
    if (FResumeChanged) {
        if (const std::wstring path = FSource->ResumeFilePath(); !path.empty())
            WriteResumeFile(path, FResume);
        FResumeChanged = false;
    }
}

void TFormSlideShow::ShowLabels(bool allDir) {
    for (TLabel* label :
         {&LabelPath, &LabelFile, &LabelIndex, &LabelSSState, &LabelInterval, &LabelLastAction})
        label->SetVisible(FShowLabel);
    LabelAllDir.SetVisible(FShowLabel && allDir);
}

void TFormSlideShow::SetPlace(const std::wstring& place) {
    FileListBox1 = ListPictures(place, FMask, ListingOrder(), FSource->Archives());
}

TListingOrder TFormSlideShow::ListingOrder() const {
    return {PictureOrderOf(FSource->Settings().Order), FShuffleSeed};
}

void TFormSlideShow::ShowSSState() {
    LabelSSState.SetCaption(PlayStateText(FPlaying));
}

void TFormSlideShow::SetPlaying(bool Value) {
    FPlaying = Value;
    // While a picture is on its way the timer waits for it: its interval counts from the
    // moment the picture appears.
    Timer1.SetEnabled(Value && !Loading());
    ShowSSState();
}

bool TFormSlideShow::SelectDir(int Index) {
    return tovane::SelectDir(*this, Index);
}

void TFormSlideShow::ShowGraphic(int Index) {
    if (FReadAhead && FPipeline)
        RequestGraphic(Index);
    else
        ShowGraphicNow(Index);
}

void TFormSlideShow::ShowGraphicNow(int Index) {
    Image1.SetVisible(false);
    if (Timer1.Enabled())
        Timer1.SetEnabled(false);

    FileListBox1.SetItemIndex(Index);
    LoadPictureAt(Image1.Picture(), FileListBox1.Selected(), FSource->Archives());
    PlaceAndLabel(Index, Image1.Picture().Width(), Image1.Picture().Height());
    Image1.SetVisible(true);
    RememberShown();
    if (const auto* bitmap = dynamic_cast<const TSPIBitmap*>(Image1.Picture().Graphic()))
        ReportLoadFaults(bitmap->LoadFaults());
    if (FPlaying)
        Timer1.SetEnabled(true); // every image gets a full interval from now
}

void TFormSlideShow::RequestGraphic(int Index) {
    if (Timer1.Enabled())
        Timer1.SetEnabled(false);
    FileListBox1.SetItemIndex(Index);
    const TPictureLocation location = FileListBox1.Selected();
    if (location.Empty()) {
        // Nothing selected (an empty folder): fails as the synchronous load does.
        FPipeline->CancelAll();
        StopLoadingText();
        ShowGraphicNow(Index);
        return;
    }
    TPicturePipeline::TShowResult result = FPipeline->Show(location, ShowSize());
    if (result.Picture) {
        StopLoadingText();
        Present(Index, std::move(*result.Picture));
        return;
    }
    if (!LabelLoading.Visible()) {
        TimerLoading.SetEnabled(false);
        TimerLoading.SetEnabled(true);
    }
}

void TFormSlideShow::PictureArrived(TPictureAnswer& answer) {
    StopLoadingText();
    if (answer.Error) {
        // As a failed synchronous load leaves it: no picture, the labels as they were, the
        // timer stopped until the next picture is shown.
        Image1.SetVisible(false);
        ReadAheadFromHere();
        std::rethrow_exception(answer.Error);
    }
    Present(FileListBox1.ItemIndex(), std::move(*answer.Picture));
}

void TFormSlideShow::Present(int Index, TShownPicture picture) {
    Image1.Picture().SetGraphic(std::move(picture.Graphic));
    PlaceAndLabel(Index, picture.Width, picture.Height);
    Image1.SetVisible(true);
    RememberShown();
    ReportLoadFaults(picture.Faults);
    if (FPlaying)
        Timer1.SetEnabled(true); // every image gets a full interval from now
    ReadAheadFromHere();
}

void TFormSlideShow::PlaceAndLabel(int Index, int w, int h) {
    const ImagePlacement placement = PlaceImage(w, h, FBairitu, Width(), Height());
    Image1.SetBounds(placement.Left, placement.Top, placement.Width, placement.Height);

    if (ShuffleAcrossPlaces()) {
        // The folder list's cursor follows the picture shown, whose folder the labels show.
        const auto folder = FPlaceFolders.find(FileListBox1.Location(Index).Place);
        if (folder != FPlaceFolders.end() && folder->second < FSource->FolderCount())
            FSource->SetCurrentFolder(folder->second);
    }
    const int folderCount = FSource->FolderCount();
    const int imageCount = FileListBox1.Count();
    const int digits = LabelNumberDigits(folderCount, imageCount);
    LabelPath.SetCaption(NumberedLine(digits, FSource->CurrentFolder() + 1, folderCount,
                                      WideToUtf8(FileListBox1.Directory())));
    LabelFile.SetCaption(
        NumberedLine(digits, Index + 1, imageCount, WideToUtf8(FileListBox1.Item(Index))));
    LabelIndex.SetCaption(IndexLabelText(FBairitu, placement, w, h));
}

TShowSize TFormSlideShow::ShowSize() const {
    return ShowSizeAt(FBairitu);
}

TShowSize TFormSlideShow::ShowSizeAt(double bairitu) const {
    const int windowWidth = Width();
    const int windowHeight = Height();
    return [=](int w, int h) {
        const ImagePlacement p = PlaceImage(w, h, bairitu, windowWidth, windowHeight);
        return TPictureSize{p.Width, p.Height};
    };
}

void TFormSlideShow::ReadAheadFromHere() {
    const SlideShowPosition position{.Folder = FSource->CurrentFolder(),
                                     .FolderCount = FSource->FolderCount(),
                                     .Image = FileListBox1.ItemIndex(),
                                     .ImageCount = FileListBox1.Count(),
                                     .AllDir = AllDir(),
                                     .LastAction = LastAction()};
    std::vector<TReadAheadItem> items;
    for (const PictureSlot& slot : ReadAheadSlots(position, FDirection))
        items.push_back(slot.Folder == position.Folder
                            ? TReadAheadItem::At(FileListBox1.Location(slot.Image))
                            : PictureOfPlace(FSource->Folder(slot.Folder), FMask, ListingOrder(),
                                             slot.Image, FSource->Archives()));
    FPipeline->ReadAhead(std::move(items), ShowSize());
}

void TFormSlideShow::StopLoadingText() {
    TimerLoading.SetEnabled(false);
    LabelLoading.SetVisible(false);
}

void TFormSlideShow::TimerLoadingTimer(TObject&) {
    TimerLoading.SetEnabled(false);
    if (!Loading())
        return;
    LabelLoading.SetCaption(kLoadingText);
    LabelLoading.SetBounds((Width() - LabelLoading.Width()) / 2,
                           (Height() - LabelLoading.Height()) / 2, LabelLoading.Width(),
                           LabelLoading.Height());
    LabelLoading.SetVisible(true);
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

void TFormSlideShow::FormMouseWheel(int delta, bool ctrl, bool shift) {
    const int notches = FWheel.Add(delta, ctrl);
    if (notches == 0)
        return;
    TAction* action = nullptr;
    switch (WheelAction(notches, ctrl, shift)) {
    case TWheelAction::NextGraphic:
        action = &actNextGraphic;
        break;
    case TWheelAction::PreviousGraphic:
        action = &actPreviousGraphic;
        break;
    case TWheelAction::BairituUp:
        action = &actBairituUp;
        break;
    case TWheelAction::BairituDown:
        action = &actBairituDown;
        break;
    case TWheelAction::None:
        return;
    }
    for (int i = 0; i < (notches < 0 ? -notches : notches); ++i)
        action->Execute();
}

void TFormSlideShow::Timer1Timer(TObject&) {
    FDirection = TravelDirection::Forward;
    TimerTick(*this);
}

void TFormSlideShow::actCloseExecute(TObject&) {
    Close();
}

void TFormSlideShow::actNextGraphic1Execute(TObject&) {
    FDirection = TravelDirection::Forward;
    // A shuffle that repeats goes on into its next round as the timer does; otherwise the
    // last picture is where Right stops.
    const int n = FileListBox1.Count();
    if (PictureOrderOf(FSource->Settings().Order) == TPictureOrder::Shuffle &&
        LastAction() == laRepeat && n > 0 && FileListBox1.ItemIndex() == n - 1) {
        TimerTick(*this);
        return;
    }
    Navigate(*this, NextGraphicTarget);
}

void TFormSlideShow::NewRound() {
    if (PictureOrderOf(FSource->Settings().Order) != TPictureOrder::Shuffle)
        return;
    std::mt19937_64 random(std::random_device{}());
    ShowRound(FRounds.Forward(random));
}

void TFormSlideShow::ShowRound(const std::vector<TPictureLocation>& round) {
    if (ShuffleAcrossPlaces()) {
        FileListBox1.Assign(round);
        return;
    }
    std::vector<std::wstring> names;
    for (const TPictureLocation& picture : round)
        names.push_back(picture.Name);
    FileListBox1.Assign(FileListBox1.Directory(), std::move(names));
}

bool TFormSlideShow::ShuffleAcrossPlaces() const {
    const SlideShowSettings settings = FSource->Settings();
    return settings.bAllDir && PictureOrderOf(settings.Order) == TPictureOrder::Shuffle;
}

std::vector<std::wstring> TFormSlideShow::Folders() const {
    std::vector<std::wstring> folders;
    for (int i = 0; i < FSource->FolderCount(); ++i)
        folders.push_back(FSource->Folder(i));
    return folders;
}

void TFormSlideShow::actPreviousGraphicExecute(TObject&) {
    FDirection = TravelDirection::Backward;
    // At the start of a round of a repeating shuffle, back into the end of the round before.
    if (PictureOrderOf(FSource->Settings().Order) == TPictureOrder::Shuffle &&
        FileListBox1.ItemIndex() == 0 && FRounds.Back()) {
        ShowRound(FRounds.Shown());
        ShowGraphic(FileListBox1.Count() - 1);
        return;
    }
    Navigate(*this, PreviousGraphicTarget);
}

void TFormSlideShow::actNext10GraphicExecute(TObject&) {
    FDirection = TravelDirection::Forward;
    Navigate(*this, Next10GraphicTarget);
}

void TFormSlideShow::actPrevious10GraphicExecute(TObject&) {
    FDirection = TravelDirection::Backward;
    Navigate(*this, Previous10GraphicTarget);
}

void TFormSlideShow::actHomeGraphicExecute(TObject&) {
    FDirection = TravelDirection::Backward;
    Navigate(*this, HomeGraphicTarget);
}

void TFormSlideShow::actEndGraphicExecute(TObject&) {
    FDirection = TravelDirection::Forward;
    Navigate(*this, EndGraphicTarget);
}

void TFormSlideShow::actPlayStopExecute(TObject&) {
    SetPlaying(!FPlaying);
}

void TFormSlideShow::actShowLabelExecute(TObject&) {
    FShowLabel = !FShowLabel;
    ShowLabels(FSource->Settings().bAllDir);
}

void TFormSlideShow::actNextDirExecute(TObject&) {
    // A shuffle across places has no folder order to step through.
    if (ShuffleAcrossPlaces())
        return;
    FDirection = TravelDirection::Forward;
    StepFolder(*this, 1);
}

void TFormSlideShow::actPreviousDirExecute(TObject&) {
    if (ShuffleAcrossPlaces())
        return;
    FDirection = TravelDirection::Backward;
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

void TFormSlideShow::ReportLoadFaults(const std::vector<std::string>& faults) {
    // A module that faulted on the picture is reported even when another one decoded it.
    if (faults.empty())
        return;
    std::string report;
    for (const std::string& fault : faults)
        report += (report.empty() ? "" : "\n") + fault;
    Application().ShowErrorReport(report);
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
    // A picture still on its way belongs to the folder left behind.
    if (FPipeline)
        FPipeline->Forget();
    StopLoadingText();
    FSource->SetCurrentFolder(index);
    try {
        SetPlace(FSource->Folder(index));
        FRounds.Begin(FileListBox1.Locations());
    } catch (...) {
        FRounds.Begin({});
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
    // A shuffle across places runs through one list: its end is the end of every folder.
    return FSource->Settings().bAllDir && !ShuffleAcrossPlaces();
}

int TFormSlideShow::LastAction() const {
    return FSource->Settings().LastAction;
}

} // namespace tovane
