// SPDX-License-Identifier: MIT
// datagen FOLDER: writes the demo's data set (pictures, models, module)
// into FOLDER. The build runs it to make Data/ beside the executable.
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "data_set.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    // Everything is made in a scratch folder first and moved into place only
    // when all of it succeeded, so a failed run never leaves a mixed set.
    std::string folder = argv[1];
    std::string scratch = folder + ".partial";
    if (!writeDataSet(scratch)) return 1;
    if (mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) {
        std::fprintf(stderr, "datagen: cannot create %s: %s\n", folder.c_str(), std::strerror(errno));
        return 1;
    }
    for (const std::string& name : dataSetFileNames()) {
        std::string from = scratch + "/" + name, to = folder + "/" + name;
        if (std::rename(from.c_str(), to.c_str()) != 0) {
            std::fprintf(stderr, "datagen: cannot move %s to %s: %s\n", from.c_str(), to.c_str(), std::strerror(errno));
            return 1;
        }
    }
    rmdir(scratch.c_str());
    return 0;
}
