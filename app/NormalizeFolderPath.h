// Spelling of a folder given on the command line: made absolute against the current folder,
// then each component as the file system stores it (long name, stored case).
#pragma once

#include <string>

namespace tovane {

// See NormalizeFolderPathWith (app/portable/FolderSpelling.h) for the walk.
std::wstring NormalizeFolderPath(const std::wstring& arg);

} // namespace tovane
