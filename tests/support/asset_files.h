// Scratch folders and files for the asset tests: pictures and models are
// written by the tests themselves, never taken from a data set.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A fresh folder under the temporary directory, removed with its contents
// when the object goes.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return path_; }
    // path()/relative, with the folders on the way created.
    std::string file(const std::string& relative) const;
    // Writes bytes to path()/relative and returns the full path.
    std::string write(const std::string& relative, const std::vector<uint8_t>& bytes) const;

private:
    std::string path_;
};

// The number of file descriptors the process has open (to prove that every
// path of a loader closes its file).
int openFileDescriptorCount();
