#include "app/portable/SearchState.h"

#include <iterator>

namespace tovane {

const char* const SearchStateNames[5] = {"", "検索中...", "検索中断", "検索完了", "検索失敗"};

const char* SearchStateName(SearchState state) {
    const auto index = static_cast<std::size_t>(state);
    return index < std::size(SearchStateNames) ? SearchStateNames[index] : "";
}

RegisterStep RegisterStepFor(SearchState state) {
    switch (state) {
    case SearchState::Searching:
        return RegisterStep::JoinRunningSearch;
    case SearchState::Suspended:
        return RegisterStep::DiscardSuspendedThenStart;
    default:
        return RegisterStep::Start;
    }
}

SearchState SuspendToggled(SearchState state) {
    switch (state) {
    case SearchState::Searching:
        return SearchState::Suspended;
    case SearchState::Suspended:
        return SearchState::Searching;
    default:
        return state;
    }
}

} // namespace tovane
