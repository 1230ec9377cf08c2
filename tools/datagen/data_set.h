// SPDX-License-Identifier: MIT
// Writes the whole data set into one folder.
#pragma once

#include <string>
#include <vector>

// The files the demo opens, under the names it opens them by.
const std::vector<std::string>& dataSetFileNames();

// Writes every file into `folder` (created if missing). False, with a
// message on stderr naming what failed, if any file could not be made or
// written; the folder may then hold only some of the files.
bool writeDataSet(const std::string& folder);
