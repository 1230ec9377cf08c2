// SPDX-License-Identifier: MIT
#include "app/command_line.h"

#include "app/about.h"

#include <getopt.h>

#include <cstdio>
#include <cstring>

namespace {
// Option codes above any character, so that short letters keep their own.
constexpr int firstOwnCode = 0x100;
enum CommonCode { helpCode = 0x80, versionCode, gentleCode };

const OptionDefinition commonDefinitions[] = {{"help", 'h', false}, {"version", 0, false}, {"gentle", 0, false}};
const int commonCodes[] = {helpCode, versionCode, gentleCode};

// How the user wrote an option, for messages: "--size" or "-o".
std::string optionName(const OptionDefinition& definition) {
    return definition.longName ? std::string("--") + definition.longName : std::string("-") + definition.shortName;
}
}  // namespace

const char* commonOptionsHelp() {
    return "  --gentle            play without flashing: the flower's flash, the tunnel's\n"
           "                      checkerboard and the scroller's background calmed\n"
           "  --version           the version and licence of the program\n"
           "  -h, --help          this text\n";
}

bool parseCommandLine(int argc, char** argv, const std::vector<OptionDefinition>& own, CommonOptions& common,
                      const OptionTaker& take, std::string& error) {
    // Every option with its code: the common ones first, then the program's.
    std::vector<OptionDefinition> definitions(std::begin(commonDefinitions), std::end(commonDefinitions));
    std::vector<int> codes(std::begin(commonCodes), std::end(commonCodes));
    for (size_t i = 0; i < own.size(); ++i) {
        definitions.push_back(own[i]);
        codes.push_back(own[i].shortName ? own[i].shortName : firstOwnCode + int(i));
    }

    std::vector<option> longOptions;
    std::string shortOptions = ":";  // a missing value is reported as ':'
    for (size_t i = 0; i < definitions.size(); ++i) {
        const OptionDefinition& definition = definitions[i];
        const int code = definition.shortName ? definition.shortName : codes[i];
        if (definition.longName)
            longOptions.push_back(
                {definition.longName, definition.takesValue ? required_argument : no_argument, nullptr, code});
        if (definition.shortName) {
            shortOptions += definition.shortName;
            if (definition.takesValue) shortOptions += ':';
        }
    }
    longOptions.push_back({nullptr, 0, nullptr, 0});

    auto definitionOfCode = [&](int code) -> const OptionDefinition* {
        for (size_t i = 0; i < definitions.size(); ++i)
            if ((definitions[i].shortName ? definitions[i].shortName : codes[i]) == code) return &definitions[i];
        return nullptr;
    };

    // getopt_long keeps its place in globals: start afresh (0 also resets
    // GNU's own state) and say nothing on stderr; the caller words the
    // messages.
    optind = 0;
    opterr = 0;
    for (;;) {
        const int code = getopt_long(argc, argv, shortOptions.c_str(), longOptions.data(), nullptr);
        if (code == -1) break;
        if (code == ':' || code == '?') {
            const OptionDefinition* definition = optopt ? definitionOfCode(optopt) : nullptr;
            const char* written = argv[optind - 1];
            if (code == ':' && definition)
                error = optionName(*definition) + " needs a value";
            else if (definition && !definition->takesValue && std::strncmp(written, "--", 2) == 0)
                error = optionName(*definition) + " takes no value";
            else if (optopt && !definition)
                error = std::string("unknown option -") + char(optopt);
            else
                error = std::string("unknown or ambiguous option ") + written;
            return false;
        }
        switch (code) {
            case helpCode:
            case 'h': common.help = true; continue;
            case versionCode: common.version = true; continue;
            case gentleCode: common.gentle = true; continue;
            default: break;
        }
        for (size_t i = 0; i < own.size(); ++i) {
            if ((own[i].shortName ? own[i].shortName : firstOwnCode + int(i)) != code) continue;
            if (!take(i, own[i].takesValue ? optarg : nullptr, error)) return false;
            break;
        }
    }
    if (optind < argc) {
        error = std::string("unexpected argument ") + argv[optind];
        return false;
    }
    return true;
}

int answerCommonOptions(const char* program, const char* version, bool parsed, const std::string& error,
                        const CommonOptions& options, const char* usage) {
    if (!parsed) {
        std::fprintf(stderr, "%s: %s\n\n%s", program, error.c_str(), usage);
        return 2;
    }
    if (options.version) {
        std::printf("%s %s\n%s", program, version, licenceNotice);
        return 0;
    }
    if (options.help) {
        std::fputs(usage, stdout);
        return 0;
    }
    return -1;
}
