// SPDX-License-Identifier: MIT
// Every loader opens its data file through resolveDataPath. The program names
// its files with two spellings of the folder ("data/..." and "Data/..."), and
// they ship in one folder, "Data". A path resolves to the exact path if it
// exists, else to a path whose components match case-insensitively, one by
// one. Relative paths are looked up in the working directory first, then
// beside the executable, then in the share folder of the install tree it sits
// in, then in the installed data directory it was built for.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// The path to open: an existing file if one matches, otherwise the path as
// given (so that opening it fails as it would have).
std::string resolveDataPath(const std::string& path);

// For messages: "found at <path>", or "not found in <the folders searched>".
std::string describeDataSearch(const std::string& path);
// The line a loader's message adds on stderr: the name, then where it was
// found or the folders searched.
std::string dataFileDetail(const std::string& path);

// The resolved path opened for binary reading; null for anything but a
// regular file (a folder, a named pipe or a device of that name included),
// decided without an open that could block.
std::FILE* openDataFile(const std::string& path);

// The folders a relative path is looked up in, in order ("" is the working
// directory). Tests may replace them.
std::vector<std::string> dataSearchRoots();
void setDataSearchRoots(std::vector<std::string> roots);
void resetDataSearchRoots();  // back to the default folders
