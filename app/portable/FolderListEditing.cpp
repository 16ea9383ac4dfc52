#include "app/portable/FolderListEditing.h"

#include <algorithm>
#include <utility>

namespace tovane {

namespace {

bool AnySelected(const FolderListModel& list) {
    return std::find(list.Selected.begin(), list.Selected.end(), true) != list.Selected.end();
}

// Swaps two neighbouring items with their selection states and the focus mark.
void SwapItems(FolderListModel& list, int a, int b) {
    std::swap(list.Items[a], list.Items[b]);
    const bool selectedA = list.Selected[a];
    list.Selected[a] = list.Selected[b];
    list.Selected[b] = selectedA;
    if (list.ItemIndex == a)
        list.ItemIndex = b;
    else if (list.ItemIndex == b)
        list.ItemIndex = a;
}

} // namespace

bool DeleteSelectedFolders(FolderListModel& list) {
    if (!AnySelected(list))
        return false;
    int lowestDeleted = -1;
    for (int i = static_cast<int>(list.Items.size()) - 1; i >= 0; --i) {
        if (!list.Selected[i])
            continue;
        list.Items.erase(list.Items.begin() + i);
        list.Selected.erase(list.Selected.begin() + i);
        lowestDeleted = i;
    }
    const int count = static_cast<int>(list.Items.size());
    if (lowestDeleted < count) {
        list.ItemIndex = lowestDeleted;
        list.Selected[lowestDeleted] = true;
    } else {
        list.ItemIndex = count - 1;
        if (count > 0)
            list.Selected[count - 1] = true;
    }
    return true;
}

bool MoveSelectedFoldersUp(FolderListModel& list) {
    if (!AnySelected(list) || list.Selected.front())
        return false;
    for (int i = 1; i < static_cast<int>(list.Items.size()); ++i) {
        if (list.Selected[i])
            SwapItems(list, i, i - 1);
    }
    return true;
}

bool MoveSelectedFoldersDown(FolderListModel& list) {
    if (!AnySelected(list) || list.Selected.back())
        return false;
    for (int i = static_cast<int>(list.Items.size()) - 2; i >= 0; --i) {
        if (list.Selected[i])
            SwapItems(list, i, i + 1);
    }
    return true;
}

} // namespace tovane
