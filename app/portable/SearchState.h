// The folder search's states as the main window shows them, and the state rules of
// registering a folder and of the suspend command.
#pragma once

#include <cstdint>

namespace tovane {

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

} // namespace tovane
