// SPDX-License-Identifier: MIT
// What --version prints below the program's name and version: the terms
// under which the programs and the data set they generate may be used.
#pragma once

inline constexpr const char* licenceNotice =
    "Copyright (c) 2026 The Glimmervandra authors.\n"
    "Licence: MIT (SPDX: MIT) for the programs and the data set they generate.\n"
    "You may use, copy, modify and distribute them; see the file LICENSE, or\n"
    "/usr/share/doc/glimmervandra/copyright where the package is installed.\n";
