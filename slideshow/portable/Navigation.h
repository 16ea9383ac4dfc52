// The slideshow's rules of movement: which image a key shows, what the timer does at the end
// of a folder and of the list, how folders are stepped through, and when the magnification
// changes. The window implements SlideShowHost over its image list, the main window's folder
// list, its picture and its timer; everything here runs on the UI thread.
#pragma once

#include <optional>

namespace tovane {

// Image to show for a navigation key, with i the current index and n the image count; empty
// when the key does nothing (no reload, no timer restart).
std::optional<int> NextGraphicTarget(int i, int n);
std::optional<int> PreviousGraphicTarget(int i, int n);
std::optional<int> Next10GraphicTarget(int i, int n);
std::optional<int> Previous10GraphicTarget(int i, int n);
std::optional<int> HomeGraphicTarget(int i, int n);
std::optional<int> EndGraphicTarget(int i, int n);

// What the slideshow needs of its window. Reads are taken afresh at each use: the folder
// search may add folders while a slideshow runs.
class SlideShowHost {
public:
    virtual ~SlideShowHost() = default;
    virtual int ImageCount() const = 0;
    virtual int ImageIndex() const = 0; // -1 when nothing is selected
    virtual int FolderCount() const = 0;
    virtual int CurrentFolder() const = 0; // the folder list's current item
    // Makes folder index current and points the image list at its path; no image selected.
    virtual void MakeFolderCurrent(int index) = 0;
    virtual void ShowGraphic(int index) = 0;
    virtual void SetPlaying(bool value) = 0;
    virtual void CloseSlideShow() = 0;
    virtual bool AllDir() const = 0;
    // The end-of-list setting: 0 close, 1 first image and stop, 2 stay and stop, 3 repeat;
    // any other value makes the end of the list do nothing.
    virtual int LastAction() const = 0;
    // The repeat action starts the list again: a shuffled show draws its next order here, before
    // the first folder is made current and its first image shown.
    virtual void NewRound() {}
};

// Makes folder index current unless it already is; false (nothing changed) when index is not
// a folder of the list. Shows no image.
bool SelectDir(SlideShowHost& host, int index);

// Steps to the next (delta 1) or previous (delta -1) folder and shows its first image; at the
// last or first folder nothing happens.
void StepFolder(SlideShowHost& host, int delta);

// Runs a navigation key's rule: shows target(i, n) when there is one.
void Navigate(SlideShowHost& host, std::optional<int> (*target)(int i, int n));

// One tick of the slideshow timer: the next image, else the next folder in all-folders mode,
// else the end-of-list action.
void TimerTick(SlideShowHost& host);

// Magnification factors ("bairitu") run from 0.5 to 5.0 in steps of 0.5.
constexpr double kBairituStep = 0.5;
constexpr double kMinBairitu = 0.5;
constexpr double kMaxBairitu = 5.0;

// The factor to apply when asked for value while current holds; empty when nothing changes
// (outside 0.5 to 5.0, or equal to the current factor).
std::optional<double> BairituChange(double current, double value);

} // namespace tovane
