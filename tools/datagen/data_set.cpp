// SPDX-License-Identifier: MIT
#include "data_set.h"

#include <sys/stat.h>
#include <cstdio>

#include "assets/data_files.h"
#include "models.h"
#include "pictures.h"
#include "song.h"

const std::vector<std::string>& dataSetFileNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> all;
        for (const char* path : dataSetPaths) all.push_back(dataFileName(path));
        return all;
    }();
    return names;
}

bool writeDataSet(const std::string& folder) {
    if (mkdir(folder.c_str(), 0755) != 0) {
        struct stat info;
        if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
            std::fprintf(stderr, "datagen: cannot create the folder %s\n", folder.c_str());
            return false;
        }
    }
    auto fail = [](const std::string& what) {
        std::fprintf(stderr, "datagen: %s\n", what.c_str());
        return false;
    };

    TextPainter painter;
    if (!painter.ready()) return fail("the slides need FreeType and the Liberation fonts");
    for (const PictureFile& file : pictureFiles()) {
        TgaPicture picture = paintPicture(file, painter);
        if (picture.width == 0) return fail("could not paint " + file.name);
        if (!writeTga(folder + "/" + file.name, picture, file.runLengthEncoded))
            return fail("could not write " + folder + "/" + file.name);
    }

    auto inFolder = [&](const char* path) { return folder + "/" + dataFileName(path); };
    if (!writeMs3d(inFolder(flowerModelPath), buildFlower()))
        return fail("could not write " + inFolder(flowerModelPath));
    if (!writeMs3d(inFolder(standingModelPath), buildFigure(FigurePose::StandingTall)))
        return fail("could not write " + inFolder(standingModelPath));
    if (!writeMs3d(inFolder(slumpedModelPath), buildFigure(FigurePose::Slumped)))
        return fail("could not write " + inFolder(slumpedModelPath));

    ComposedSong song = composeSong();
    for (const std::string& problem : song.problems) std::fprintf(stderr, "datagen: song: %s\n", problem.c_str());
    if (!song.problems.empty()) return fail("the song has mistakes; not written");
    if (!writeMod(inFolder(musicModulePath), song.module)) return fail("could not write " + inFolder(musicModulePath));
    return true;
}
