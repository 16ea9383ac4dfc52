// The slideshow window: a borderless window over the whole screen that shows the images of the
// main window's folders one at a time, moved on by its timer, keys and mouse buttons, with a
// magnification and status labels. Created once, hidden, right after the main window; shown
// modally for each slideshow after the main window has pointed FileListBox1 at a folder.
// The rules of movement and placement are portable (slideshow/portable/); this unit applies
// them to the controls. UI thread only.
#pragma once

#include "framework/win32/Actions.h"
#include "framework/win32/ExtCtrls.h"
#include "framework/win32/FileCtrls.h"
#include "framework/win32/Forms.h"
#include "framework/win32/StdCtrls.h"
#include "slideshow/SlideShowSource.h"
#include "slideshow/portable/Navigation.h"

#include <memory>

namespace tovane {

class TFormSlideShow : public TForm, private SlideShowHost {
public:
    // Reads the folder list, the settings and the extensions from the main window.
    TFormSlideShow();
    // Reads them from the given source instead (tests).
    explicit TFormSlideShow(std::unique_ptr<TSlideShowSource> source);
    ~TFormSlideShow() override;

    TImage Image1;
    TLabel LabelPath;
    TLabel LabelFile;
    TLabel LabelIndex;
    TLabel LabelSSState;
    TLabel LabelInterval;
    TLabel LabelLastAction;
    TLabel LabelAllDir;
    TFileListBox FileListBox1; // never visible: the image list of the current folder

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
    TAction actBairituUp;
    TAction actBairituUp1;
    TAction actBairituDown;
    TAction actBairituDown1;
    TAction actBairituReset;
    TAction actBairituReset1;

    TTimer Timer1;

    // Sets LabelSSState from FPlaying.
    void ShowSSState();
    // Plays (the timer runs) or stops.
    void SetPlaying(bool Value) override;
    // Makes folder Index of the main window's list current and lists its images; false, with
    // nothing changed, when there is no such folder. Shows no image.
    bool SelectDir(int Index);
    // Loads image Index of FileListBox1 into Image1, places it and writes the per-image labels.
    // A failed load raises its error with Image1 hidden and the timer stopped.
    void ShowGraphic(int Index) override;
    // Shows the standard error report for modules that faulted while the picture loaded.
    void ReportLoadFaults();
    // A new magnification factor (0.5 to 5.0); a change reloads the current image.
    void SetBairitu(double Value);

    bool Playing() const noexcept { return FPlaying; }
    bool LabelsShown() const noexcept { return FShowLabel; }
    double Bairitu() const noexcept { return FBairitu; }

    // Event handlers, bound in the form description.
    void FormCreate(TObject& Sender);
    void FormShow(TObject& Sender);
    void FormClose(TObject& Sender, TCloseAction& Action);
    void FormMouseDown(TObject& Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
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
    void LoadForm(); // the form description: FormSlideShowU.form.cpp
    void ShowLabels(bool allDir);

    // SlideShowHost: the image list, the folder list, the settings, closing.
    int ImageCount() const override;
    int ImageIndex() const override;
    int FolderCount() const override;
    int CurrentFolder() const override;
    void MakeFolderCurrent(int index) override;
    void CloseSlideShow() override;
    bool AllDir() const override;
    int LastAction() const override;

    std::unique_ptr<TSlideShowSource> FSource;
    bool FPlaying = false;
    bool FShowLabel = true;
    double FBairitu = 1.0;
};

// The slideshow window of the run, created after FormMain and destroyed before it.
extern std::unique_ptr<TFormSlideShow> FormSlideShow;

} // namespace tovane
