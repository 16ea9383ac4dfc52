#include "app/portable/MainWindowRules.h"

#include "framework/Paths.h"

#include <algorithm>
#include <utility>

namespace tovane {

// --- Image extensions -------------------------------------------------------------------------

bool ContainsExtension(const std::vector<std::string>& extensions, std::string_view ext,
                       LeadByteRule lead) {
    return std::any_of(extensions.begin(), extensions.end(),
                       [&](const std::string& e) { return SameTextAscii(e, ext, lead); });
}

std::vector<std::string>
BuildImageExtensions(const std::vector<std::vector<std::string>>& pluginEntries,
                     LeadByteRule lead) {
    std::vector<std::string> result{"bmp"};
    auto add = [&](std::string ext) {
        if (!ContainsExtension(result, ext, lead))
            result.push_back(std::move(ext));
    };
    for (const auto& entries : pluginEntries) {
        for (const auto& entry : entries) {
            // "*.JPG;*.JPEG": lower-cased, the leading "*." dropped, then split at each ";"
            // together with the "*." that follows it.
            std::string text = AsciiLower(entry, lead);
            text.erase(0, std::min<std::size_t>(2, text.size()));
            for (std::size_t semicolon; (semicolon = text.find(';')) != std::string::npos;) {
                add(text.substr(0, semicolon));
                text.erase(0, std::min(semicolon + 3, text.size()));
            }
            add(std::move(text));
        }
    }
    return result;
}

std::string FileExtensionOf(std::string_view fileName, LeadByteRule lead) {
    std::string ext = ExtractFileExt(fileName, lead);
    if (!ext.empty())
        ext.erase(0, 1);
    return ext;
}

bool ContainsExtension(const std::vector<std::wstring>& extensions, std::wstring_view ext) {
    const auto lower = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c; };
    return std::any_of(extensions.begin(), extensions.end(), [&](const std::wstring& e) {
        return e.size() == ext.size() &&
               std::equal(e.begin(), e.end(), ext.begin(),
                          [&](wchar_t x, wchar_t y) { return lower(x) == lower(y); });
    });
}

std::wstring FileExtensionOf(std::wstring_view fileName) {
    const std::size_t dot = fileName.find_last_of(L".\\:");
    if (dot == std::wstring_view::npos || fileName[dot] != L'.')
        return std::wstring();
    return std::wstring(fileName.substr(dot + 1));
}

std::string FileMask(const std::vector<std::string>& extensions) {
    std::string mask;
    for (const auto& ext : extensions) {
        mask += "*.";
        mask += ext;
        mask += ';';
    }
    return mask;
}

std::string StatusBarMask(const std::vector<std::string>& extensions) {
    return " " + FileMask(extensions);
}

// --- Folder list editing ----------------------------------------------------------------------

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

// --- Search state -----------------------------------------------------------------------------

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

// --- Folder spelling --------------------------------------------------------------------------

namespace {

// Index of the first "\" at or after from that is not the trail byte of a double-byte
// character; the size of s when there is none. from must start a character.
std::size_t NextSeparator(std::string_view s, std::size_t from, LeadByteRule lead) {
    for (std::size_t i = from; i < s.size(); ++i) {
        if (lead(static_cast<unsigned char>(s[i]))) {
            ++i;
            continue;
        }
        if (s[i] == '\\')
            return i;
    }
    return s.size();
}

} // namespace

std::string NormalizeFolderPathWith(std::string_view absolutePath, const DiskNameLookup& lookup,
                                    LeadByteRule lead) {
    const std::string_view s = absolutePath;
    if (s.size() < 2 || s[1] != ':')
        return std::string(s);
    std::string result(s.substr(0, 2));
    // Components start after the root's "\" ("C:\" is three bytes).
    for (std::size_t from = 3; from < s.size();) {
        const std::size_t end = NextSeparator(s, from, lead);
        const std::optional<std::string> name = lookup(std::string(s.substr(0, end)));
        result += '\\';
        if (!name) {
            result += s.substr(from);
            break;
        }
        result += *name;
        from = end + 1;
    }
    // "C:" alone means the current folder of drive C, not its root.
    if (result.size() == 2)
        result += '\\';
    return result;
}

} // namespace tovane
