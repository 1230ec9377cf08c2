#include "data_set.h"

#include <cstdio>
#include <sys/stat.h>

#include "models.h"
#include "pictures.h"
#include "song.h"

const std::vector<std::string>& dataSetFileNames()
{
    static const std::vector<std::string> names = {
        "grass1.tga",    "Lights.tga",        "kuk.tga",      "title2.tga",  "gras.tga",
        "suckscene.tga", "atariscroller.tga", "fractalzoomer.tga", "kuktext.tga", "credits.tga",
        "blomma.ms3d",   "kukstand.ms3d",     "kukslak.ms3d", "ancool2.mod"};
    return names;
}

bool writeDataSet(const std::string& folder)
{
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

    if (!writeMs3d(folder + "/blomma.ms3d", buildFlower()))
        return fail("could not write " + folder + "/blomma.ms3d");
    if (!writeMs3d(folder + "/kukstand.ms3d", buildFigure(FigurePose::StandingTall)))
        return fail("could not write " + folder + "/kukstand.ms3d");
    if (!writeMs3d(folder + "/kukslak.ms3d", buildFigure(FigurePose::Slumped)))
        return fail("could not write " + folder + "/kukslak.ms3d");

    ComposedSong song = composeSong();
    for (const std::string& problem : song.problems) std::fprintf(stderr, "datagen: song: %s\n", problem.c_str());
    if (!song.problems.empty()) return fail("the song has mistakes; not written");
    if (!writeMod(folder + "/ancool2.mod", song.module))
        return fail("could not write " + folder + "/ancool2.mod");
    return true;
}
