// SPDX-License-Identifier: MIT
// Writes the application icon into a hicolor tree at build time:
//   icongen OUTDIR NAME  ->  OUTDIR/hicolor/<n>x<n>/apps/NAME.png, one per size,
//                            and OUTDIR/hicolor/scalable/apps/NAME.svg
#include <sys/stat.h>
#include <cstdio>
#include <fstream>
#include <string>

#include "icon_art.h"

namespace {
bool makeFolders(const std::string& path) {
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        if (mkdir(prefix.c_str(), 0755) != 0) {
            struct stat info;
            if (stat(prefix.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
        }
        if (slash == std::string::npos) return true;
    }
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: icongen OUTDIR NAME\n");
        return 2;
    }
    const std::string root = std::string(argv[1]) + "/hicolor/", name = argv[2];
    std::string error;
    LetterShape letter;
    if (!loadTitleLetter(letter, error)) {
        std::fprintf(stderr, "icongen: %s\n", error.c_str());
        return 1;
    }
    for (int size : iconSizes()) {
        const std::string folder = root + std::to_string(size) + "x" + std::to_string(size) + "/apps";
        if (!makeFolders(folder)) {
            std::fprintf(stderr, "icongen: cannot create %s\n", folder.c_str());
            return 1;
        }
        if (!writeIconPng(folder + "/" + name + ".png", paintIcon(letter, size), error)) {
            std::fprintf(stderr, "icongen: %s\n", error.c_str());
            return 1;
        }
    }
    const std::string folder = root + "scalable/apps", svgPath = folder + "/" + name + ".svg";
    std::ofstream svg;
    if (makeFolders(folder)) svg.open(svgPath, std::ios::binary);
    svg << iconSvg(letter);
    svg.close();
    if (!svg) {
        std::fprintf(stderr, "icongen: cannot write %s\n", svgPath.c_str());
        return 1;
    }
    return 0;
}
