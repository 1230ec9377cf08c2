// SPDX-License-Identifier: MIT
#include "support/scratch_folder.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

ScratchFolder::ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "glimmer-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a scratch folder");
    path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string ScratchFolder::file(const std::string& relative) const {
    std::filesystem::path full = std::filesystem::path(path_) / relative;
    std::filesystem::create_directories(full.parent_path());
    return full.string();
}

std::string ScratchFolder::write(const std::string& relative, const std::vector<uint8_t>& bytes) const {
    std::string full = file(relative);
    std::FILE* out = std::fopen(full.c_str(), "wb");
    if (!out) throw std::runtime_error("cannot write " + full);
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fclose(out);
    return full;
}
