// SPDX-License-Identifier: MIT
// The files of the data set: the names the demo opens them by and the
// generator writes them under. Each path carries the folder as the program
// spells it where it opens the file ("data" or "Data"; the resolver finds the
// one folder "Data" either way). The build reads the names from here too.
#pragma once

#include <cstring>

constexpr const char* grassPicturePath = "data/grass1.tga";
constexpr const char* lightsPicturePath = "Data/Lights.tga";
constexpr const char* lightMarkerPicturePath = "Data/kuk.tga";
constexpr const char* titlePicturePath = "Data/title2.tga";
constexpr const char* meadowCardPicturePath = "Data/gras.tga";
constexpr const char* solidCardPicturePath = "Data/suckscene.tga";
constexpr const char* scrollerCardPicturePath = "Data/atariscroller.tga";
constexpr const char* fractalCardPicturePath = "Data/fractalzoomer.tga";
constexpr const char* morphCardPicturePath = "Data/kuktext.tga";
constexpr const char* creditsPicturePath = "Data/credits.tga";
constexpr const char* flowerModelPath = "data/blomma.ms3d";
constexpr const char* standingModelPath = "data/kukstand.ms3d";
constexpr const char* slumpedModelPath = "data/kukslak.ms3d";
constexpr const char* musicModulePath = "Data/ancool2.mod";

// Every file of the set, pictures first.
constexpr const char* dataSetPaths[] = {
    grassPicturePath,     lightsPicturePath,       lightMarkerPicturePath, titlePicturePath,     meadowCardPicturePath,
    solidCardPicturePath, scrollerCardPicturePath, fractalCardPicturePath, morphCardPicturePath, creditsPicturePath,
    flowerModelPath,      standingModelPath,       slumpedModelPath,       musicModulePath,
};

// The file's name inside the folder: "grass1.tga" for "data/grass1.tga".
inline const char* dataFileName(const char* path) {
    const char* slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}
