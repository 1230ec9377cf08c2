// SPDX-License-Identifier: MIT
// A fresh folder under the system's temporary folder for the files a test
// writes (pictures, models, modules, captures), removed with its contents
// when the object goes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }
    // path()/relative, with the folders on the way created.
    std::string file(const std::string& relative) const;
    // Writes bytes to path()/relative and returns the full path.
    std::string write(const std::string& relative, const std::vector<uint8_t>& bytes) const;

private:
    std::string path_;
};
