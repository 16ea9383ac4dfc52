// The folder list's editing commands (delete, move up, move down) over a plain model of a
// list box with multiple selection. Folder names are UTF-16.
#pragma once

#include <string>
#include <vector>

namespace tovane {

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

} // namespace tovane
