// The settings record and the rules of the settings file, apart from the file itself: keys,
// defaults, value conversion, and the order in which a pass reads and writes. The file is
// reached through ProfileStore, so the same rules serve the program's INI file and tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tovane {

// What the slideshow does after the last image. The settings byte may hold any value read
// from the file; only these four have a behaviour.
enum LastActionKind : std::uint8_t { laReturnToMain, laFirstAndWait, laStayAtLast, laRepeat };

// Display texts (UTF-8) of the four actions, indexed by value.
extern const char* const LastActionNames[4];
// The display text of any byte value; values past the table give an empty text.
const char* LastActionName(std::uint8_t value);

struct SlideShowSettings {
    std::int32_t Interval;     // display time per image, in the unit bSecond gives
    bool bSecond;              // true: Interval counts seconds; false: milliseconds
    std::uint32_t FGColor;     // label colour, 0x00BBGGRR
    std::uint32_t BGColor;     // background colour, 0x00BBGGRR
    bool SuguStart;            // "start at once": play as soon as the slideshow opens
    LastActionKind LastAction; // low eight bits of the stored value
    bool bAllDir;              // run through every folder of the list
    bool bFindSubDir;          // the folder search descends into sub-folders
    // Not one of the options: decode pictures on the decoding thread, cache them and decode
    // ahead (true), or load each synchronously when it is shown (false). Read, never written.
    bool ReadAhead = true;
    // "[Color] Manage": the bundled plug-ins convert pictures with colour profiles to the
    // display's colours (true), or hand out the pixels as stored. Read and written by its own
    // pass (ReadColorManagement, WriteColorManagement), not with the slideshow keys.
    bool ColorManage = true;
    // The order of a place's pictures: 0 names as text, 1 natural (img2 before img10), 2 date
    // taken, 3 shuffle; any other stored value lists as 0 does and is written back as it is.
    std::uint8_t Order = 0;
    // A slideshow opened on a place starts at the picture it was left at last time.
    bool Resume = true;
};

// The values used for missing or unreadable keys.
SlideShowSettings DefaultSlideShowSettings();

// Outer position and size of the main window, in pixels.
struct WindowGeometry {
    int Left;
    int Top;
    int Width;
    int Height;
};

// Brings a window read from the file onto the screen. workAreas are the monitors' work areas
// (the screen less the task bar), in screen coordinates; defaultSize gives the width and height
// that replace a zero or negative size. A window of which at least 100 x 50 pixels of its
// caption area (its top 50 pixels; all of a smaller window) lie on one work area stays where it
// is; any other (an unplugged monitor, an old file) is moved, keeping its size, onto the work
// area nearest to it, as far as it fits there, so that its caption is seen.
WindowGeometry PlaceOnWorkAreas(WindowGeometry window, const std::vector<WindowGeometry>& workAreas,
                                const WindowGeometry& defaultSize);

// The restore position of a minimised or maximised window is kept in work-area coordinates
// (0, 0 is the top left of the work area, which a task bar at the top or left moves): the same
// rectangle in screen coordinates, given the monitor's rectangle and its work area.
WindowGeometry WorkAreaToScreen(const WindowGeometry& normal, const WindowGeometry& monitor,
                                const WindowGeometry& workArea);

// Section and key names of the file.
inline constexpr const char* WindowSection = "Window";
inline constexpr const char* SlideShowSection = "SlideShow";
inline constexpr const char* ColorSection = "Color";

// One settings file as strings. ReadString answers an empty text for a missing key;
// WriteString answers false when the platform refuses the write.
class ProfileStore {
public:
    virtual std::string ReadString(const char* section, const char* key) = 0;
    virtual bool WriteString(const char* section, const char* key, const std::string& value) = 0;

protected:
    ~ProfileStore() = default;
};

// A stored integer ("0x1E" and "$1E" are hexadecimal); def for missing or non-integer text.
int ReadProfileInt(ProfileStore& store, const char* section, const char* key, int def);
// A stored boolean: any non-zero integer is true; def for missing or non-integer text.
bool ReadProfileBool(ProfileStore& store, const char* section, const char* key, bool def);

// Centres a window of the given size on the screen; halves truncate toward zero.
int CentredPosition(int screenExtent, int windowExtent);

// Reads "Top", "Left", "Width", "Height" in that order. current is the window as it stands
// before reading (its design size at the screen's DPI): missing Left and Top centre that size
// on the screen, and a missing Width or Height keeps it.
WindowGeometry ReadWindowGeometry(ProfileStore& store, const WindowGeometry& current,
                                  int screenWidth, int screenHeight);
// Reads the eight slideshow keys in record order, each with its default, then "ReadAhead",
// "Order" and "Resume".
SlideShowSettings ReadSlideShowSettings(ProfileStore& store);

// Each write pass stops at the first key that cannot be written and answers false; the keys
// after it are not written.
bool WriteWindowGeometry(ProfileStore& store, const WindowGeometry& geometry);
bool WriteSlideShowSettings(ProfileStore& store, const SlideShowSettings& settings);
// "[Color] Manage", 1 when missing or not a number.
bool ReadColorManagement(ProfileStore& store);
bool WriteColorManagement(ProfileStore& store, bool manage);

} // namespace tovane
