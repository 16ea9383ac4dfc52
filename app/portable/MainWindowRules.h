// The main window's rules that need no window: the image extension list and its masks, the
// folder list's editing commands over a plain model, the search state, and the walk that spells
// a command-line folder as it stands on disk. Extensions and the spelling walk work on byte
// strings; the code page's lead-byte rule is a parameter (SystemLeadByte on Windows,
// IsCp932LeadByte in tests). Folder names in the list model are UTF-16.
#pragma once

#include "framework/Strings.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tovane {

// --- Image extensions -------------------------------------------------------------------------

// Builds ImageExtensions: "bmp" first, then every extension named by the plug-ins' filter
// entries ("*.jpg;*.jpeg"), lower case, in order of first appearance, without duplicates
// (compared ignoring case). pluginEntries holds, per plug-in in collection order, its
// Extensions list.
std::vector<std::string>
BuildImageExtensions(const std::vector<std::vector<std::string>>& pluginEntries, LeadByteRule lead);

// True when the list holds ext, compared ignoring case.
bool ContainsExtension(const std::vector<std::string>& extensions, std::string_view ext,
                       LeadByteRule lead);

// The extension of a file name without its dot: the text after the last "."; empty without one.
std::string FileExtensionOf(std::string_view fileName, LeadByteRule lead);

// The same two for UTF-16 names (the list converted once): only ASCII letters ignore case.
bool ContainsExtension(const std::vector<std::wstring>& extensions, std::wstring_view ext);
std::wstring FileExtensionOf(std::wstring_view fileName);

// "*.bmp;*.jpg;" : "*.", the extension and ";" for each extension.
std::string FileMask(const std::vector<std::string>& extensions);
// The status bar's text: a space, then FileMask.
std::string StatusBarMask(const std::vector<std::string>& extensions);

// --- Folder list editing ----------------------------------------------------------------------

// A list box with multiple selection as plain data. ItemIndex is the current item (the focus
// mark), independent of the selection; -1 when there is none.
struct FolderListModel {
    std::vector<std::wstring> Items;
    std::vector<bool> Selected; // same length as Items
    int ItemIndex = -1;
};

// The three commands below return false when they changed nothing. Items that move carry their
// selection and the focus mark with them.

// Deletes every selected item; the lowest deleted index then becomes the current, selected
// item, or, past the end, the new last item (selected when the list is not empty).
bool DeleteSelectedFolders(FolderListModel& list);
// Moves every selected item up by one; nothing moves when the first item is selected.
bool MoveSelectedFoldersUp(FolderListModel& list);
// Moves every selected item down by one; nothing moves when the last item is selected.
bool MoveSelectedFoldersDown(FolderListModel& list);

// --- Search state -----------------------------------------------------------------------------

// Failed: the search ended on an error (shown to the user), or a new search could not start.
enum class SearchState : std::uint8_t { None, Searching, Suspended, Done, Failed };

// Status panel 1 texts (UTF-8), indexed by SearchState.
extern const char* const SearchStateNames[5];
const char* SearchStateName(SearchState state);

// What registering an existing folder does in each state.
enum class RegisterStep {
    JoinRunningSearch,         // Searching: the folder joins the running search's queue
    DiscardSuspendedThenStart, // Suspended: the old search is dropped, a new one starts
    Start,                     // None, Done, Failed: a new search starts
};
RegisterStep RegisterStepFor(SearchState state);

// The suspend command: Searching and Suspended swap, None and Done stay.
SearchState SuspendToggled(SearchState state);

// --- Folder spelling --------------------------------------------------------------------------

// Answers the on-disk name (long name, stored case) of the last component of an absolute path
// prefix, or nothing when no such entry exists.
using DiskNameLookup = std::function<std::optional<std::string>(const std::string& prefix)>;

// Spells an absolute path as it stands on disk, component by component from the drive root;
// from the first component that is not found the rest is kept unchanged. A path without a
// drive letter (UNC, empty) is returned as it is. A trailing "\" is dropped, except that of a
// drive root: "C:\" stays "C:\" (a bare "C:" would name the drive's current folder).
std::string NormalizeFolderPathWith(std::string_view absolutePath, const DiskNameLookup& lookup,
                                    LeadByteRule lead);

} // namespace tovane
