// The slideshow window: a borderless window over the whole screen that shows the images of the
// main window's folders one at a time, moved on by its timer, keys and mouse buttons, with a
// magnification and status labels. Created once, hidden, right after the main window; shown
// modally for each slideshow after the main window has opened a place with SetPlace.
// The rules of movement and placement are portable (slideshow/portable/); this unit applies
// them to the controls. UI thread only.
#pragma once

#include "framework/win32/Actions.h"
#include "framework/win32/ExtCtrls.h"
#include "framework/win32/Forms.h"
#include "framework/win32/StdCtrls.h"
#include "imaging/PicturePipeline.h"
#include "slideshow/PictureListing.h"
#include "slideshow/SlideShowSource.h"
#include "slideshow/portable/Navigation.h"
#include "slideshow/portable/PictureList.h"
#include "slideshow/portable/ReadAhead.h"
#include "slideshow/portable/ResumePoints.h"
#include "slideshow/portable/ShuffleRounds.h"
#include "slideshow/portable/Wheel.h"

#include <map>
#include <memory>
#include <span>
#include <vector>

namespace tovane {

class TFormSlideShow : public TForm, private SlideShowHost {
public:
    // Made as TBuiltForm<TFormSlideShow>. Reads the folder list, the settings and the extensions
    // from source (the main window in the program).
    explicit TFormSlideShow(std::unique_ptr<TSlideShowSource> source);

    TImage Image1;
    TLabel LabelPath;
    TLabel LabelFile;
    TLabel LabelIndex;
    TLabel LabelSSState;
    TLabel LabelInterval;
    TLabel LabelLastAction;
    TLabel LabelAllDir;
    TPictureList FileListBox1; // the image list of the current place
    TLabel LabelLoading;       // "読み込み中…" while a picture takes long to arrive

    TAction actClose;
    TAction actClose1;
    TAction actNextGraphic;
    TAction actPreviousGraphic;
    TAction actNext10Graphic;
    TAction actPrevious10Graphic;
    TAction actHomeGraphic;
    TAction actEndGraphic;
    TAction actPlayStop;
    TAction actShowLabel;
    TAction actNextDir;
    TAction actPreviousDir;
    // "Bairitu": the magnification; Up, Down and Reset step it (the "1" actions on the keypad).
    TAction actBairituUp;
    TAction actBairituUp1;
    TAction actBairituDown;
    TAction actBairituDown1;
    TAction actBairituReset;
    TAction actBairituReset1;

    TTimer Timer1;
    TTimer TimerLoading; // one-shot: shows LabelLoading when a picture is slow to arrive
    // One-shot: the main window's folder cursor has rested on a place (see FolderCursorMoved).
    TTimer TimerCursorRest;

    // Lists the place's pictures as the image list (the mask of the last show, or of the next
    // one), in the order the settings ask for; raises an Exception, with the list unchanged, when
    // the place cannot be opened.
    void SetPlace(const std::wstring& place);
    // The main window's folder list cursor moved (called by the main window between shows).
    // What was to be made ready for the place before and has not started is dropped; once the
    // cursor has rested on its place for a moment, that place is listed and the picture its show
    // would start at (the first in the order, or where it was left) decoded ahead, both on the
    // decoding thread, at the size the show gives it: Enter then shows it at once. Nothing is
    // done ahead without read-ahead.
    void FolderCursorMoved();
    // Pictures decoded before are not to be shown again (the colour target changed): the
    // pipeline's cache is emptied. Between shows.
    void ForgetPictures();
    // Sets LabelSSState from FPlaying.
    void ShowSSState();
    // Plays (the timer runs) or stops.
    void SetPlaying(bool Value) override;
    // Makes folder Index of the main window's list current and lists its images; false, with
    // nothing changed, when there is no such folder. Shows no image.
    bool SelectDir(int Index);
    // Selects image Index of the image list and shows it in Image1, placed, with the per-image
    // labels written. With read-ahead (the default) the picture comes from the picture pipeline:
    // the one on screen stays until it arrives (at once when it was decoded ahead), the timer
    // waits for it, and a failed load is reported when it is known, leaving Image1 hidden and
    // the timer stopped. Without read-ahead it is loaded here and a failure raises at once.
    void ShowGraphic(int Index) override;
    // Shows the standard error report for modules that faulted while the picture loaded.
    void ReportLoadFaults(const std::vector<std::string>& faults);
    // A new magnification ("bairitu") factor (0.5 to 5.0); a change reloads the current image.
    void SetBairitu(double Value);

    bool Playing() const noexcept { return FPlaying; }
    // True while a picture asked for has not arrived.
    bool Loading() const noexcept { return FPipeline && FPipeline->Waiting(); }
    // The pipeline of the read-ahead mode (null without it, and before the first show).
    const TPicturePipeline* Pipeline() const noexcept { return FPipeline.get(); }
    bool LabelsShown() const noexcept { return FShowLabel; }
    // The image list's file mask (ANSI), made from the image extensions at each show.
    const std::string& Mask() const noexcept { return FMask; }
    double Bairitu() const noexcept { return FBairitu; }

    // Event handlers, bound in the form description.
    void FormCreate(TObject& Sender);
    void FormShow(TObject& Sender);
    void FormClose(TObject& Sender, TCloseAction& Action);
    void FormMouseDown(TObject& Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    // A report of the mouse wheel (delta in WHEEL_DELTA units, up positive): down shows the next
    // picture, up the previous, Ctrl steps the magnification; one step per whole notch.
    void FormMouseWheel(int delta, bool ctrl, bool shift);
    void Timer1Timer(TObject& Sender);
    void actCloseExecute(TObject& Sender);
    void actNextGraphic1Execute(TObject& Sender);
    void actPreviousGraphicExecute(TObject& Sender);
    void actNext10GraphicExecute(TObject& Sender);
    void actPrevious10GraphicExecute(TObject& Sender);
    void actHomeGraphicExecute(TObject& Sender);
    void actEndGraphicExecute(TObject& Sender);
    void actPlayStopExecute(TObject& Sender);
    void actShowLabelExecute(TObject& Sender);
    void actNextDirExecute(TObject& Sender);
    void actPreviousDirExecute(TObject& Sender);
    void actBairituUpExecute(TObject& Sender);
    void actBairituDownExecute(TObject& Sender);
    void actBairituResetExecute(TObject& Sender);

private:
    // The form description and the action table: FormSlideShowU.form.cpp.
    void LoadForm() override;
    static std::span<const TActionRow<TFormSlideShow>> ActionTable();
    void ShowLabels(bool allDir);
    void ShowGraphicNow(int Index);
    void RequestGraphic(int Index);
    void PictureArrived(TPictureAnswer& answer);
    // Places a picture of w x h and writes the per-image labels for image Index.
    void PlaceAndLabel(int Index, int w, int h);
    void Present(int Index, TShownPicture picture);
    void MakePipeline();
    void ReadAheadFromHere();
    TShowSize ShowSize() const;
    TShowSize ShowSizeAt(double bairitu) const;
    // Covers the monitor that holds the main window, as every show does.
    void CoverMainWindowMonitor();
    // The order of the settings; a shuffle keeps one seed for the show.
    TListingOrder ListingOrder() const;
    // The picture the show starts at: where the place was left (Resume), else the first.
    int StartIndex(const SlideShowSettings& settings);
    // With all-folders mode on, a shuffle runs through every picture of every listed place.
    bool ShuffleAcrossPlaces() const;
    std::vector<std::wstring> Folders() const;
    // Makes round the image list (a round of the shuffle: of the place, or across places).
    void ShowRound(const std::vector<TPictureLocation>& round);
    // Keeps the picture on screen as its place's resume point.
    void RememberShown();
    void StopLoadingText();
    void TimerLoadingTimer(TObject& Sender);
    void TimerCursorRestTimer(TObject& Sender);
    // Decodes ahead the picture a show of place would start at (see FolderCursorMoved).
    void PrepareStartPicture(const std::wstring& place);

    // SlideShowHost: the image list, the folder list, the settings, closing.
    int ImageCount() const override;
    int ImageIndex() const override;
    int FolderCount() const override;
    int CurrentFolder() const override;
    void MakeFolderCurrent(int index) override;
    void CloseSlideShow() override;
    bool AllDir() const override;
    int LastAction() const override;
    void NewRound() override;

    std::unique_ptr<TSlideShowSource> FSource;
    std::string FMask = "*.*"; // the image list's file mask (ANSI)
    bool FPlaying = false;
    bool FShowLabel = true;
    double FBairitu = 1.0; // the magnification
    bool FReadAhead = true;
    // The shuffle of the next show (drawn at the close of each), and of this one while it runs.
    std::uint64_t FShuffleSeed = 0;
    TravelDirection FDirection = TravelDirection::Forward;
    TWheelNotches FWheel;
    // The shuffle's visited rounds (Left goes back across a round's start).
    TShuffleRounds FRounds;
    // In a shuffle across places: each listed place's item in the folder list.
    std::map<std::wstring, int> FPlaceFolders;
    // Where places were left: read at the show, written at its close when it showed any.
    TResumePoints FResume;
    bool FResumeChanged = false;
    // The last member: it dies first, after the window and before the controls it reports to.
    std::unique_ptr<TPicturePipeline> FPipeline;
};

// The slideshow window of the run, created after FormMain and destroyed before it.
extern std::unique_ptr<TFormSlideShow> FormSlideShow;

} // namespace tovane
