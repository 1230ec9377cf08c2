// SPDX-License-Identifier: MIT
// The one command-line parser of the demo and the capture tool (GNU
// getopt_long underneath): long options with "--name value" or
// "--name=value", short ones with "-x value", and the options every program
// of the project takes. A program lists its own options; the parser hands
// each one found to the program, which checks the value.
#pragma once

#include <functional>
#include <string>
#include <vector>

// One option of a program's own.
struct OptionDefinition {
    const char* longName;  // without the dashes
    char shortName;        // 0: none
    bool takesValue;
};

// What every program takes.
struct CommonOptions {
    bool help = false;     // -h, --help
    bool version = false;  // --version
    // --gentle: play without flashing: the flower's flash, the tunnel's
    // checkerboard and the scroller's background calmed.
    bool gentle = false;
};

// The help lines of the common options, for a program's usage text.
const char* commonOptionsHelp();

// Takes one of the program's own options (its index in the list given to
// parseCommandLine, and its value or null); false refuses it, with a message
// in `error`.
using OptionTaker = std::function<bool(size_t option, const char* value, std::string& error)>;

// Parses argv (which getopt_long may reorder). False with a message in
// `error` for an unknown or ambiguous option, a missing or unwanted value,
// a word that is no option, or a value the program refused.
bool parseCommandLine(int argc, char** argv, const std::vector<OptionDefinition>& own, CommonOptions& common,
                      const OptionTaker& take, std::string& error);

// What every program does with its command line before its own work: a bad
// line gives the reason and the usage on stderr (exit code 2); --version
// prints the program's name, version and licence notice, --help the usage (exit
// code 0). -1 when the program goes on.
int answerCommonOptions(const char* program, const char* version, bool parsed, const std::string& error,
                        const CommonOptions& options, const char* usage);
