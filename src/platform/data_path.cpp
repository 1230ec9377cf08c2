// SPDX-License-Identifier: MIT
#include "platform/data_path.h"

#include <SDL.h>
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>

namespace {
std::optional<std::vector<std::string>> customRoots;

bool exists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

std::string workingDirectory() {
    char buffer[4096];
    return getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string(".");
}

// The folder of the running executable, without a trailing slash; empty when
// SDL cannot tell.
std::string executableDirectory() {
    char* base = SDL_GetBasePath();
    if (!base) return {};
    std::string path(base);
    SDL_free(base);
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

// Walks the components of a relative path below base, taking at each level
// the exact name if present, else the first entry equal to it ignoring case.
std::optional<std::string> matchIgnoringCase(const std::string& base, const std::string& relative) {
    std::string resolved = base;
    size_t start = 0;
    while (start <= relative.size()) {
        size_t end = relative.find('/', start);
        if (end == std::string::npos) end = relative.size();
        std::string component = relative.substr(start, end - start);
        start = end + 1;
        if (component.empty() || component == ".") {
            if (end == relative.size()) break;
            continue;
        }
        std::string directory = resolved.empty() ? "." : resolved;
        auto join = [&](const std::string& name) {
            if (resolved.empty()) return name;
            return resolved.back() == '/' ? resolved + name : resolved + "/" + name;
        };
        std::string joined = join(component);
        if (!exists(joined)) {
            DIR* listing = opendir(directory.c_str());
            if (!listing) return std::nullopt;
            std::string found;
            while (dirent* entry = readdir(listing)) {
                if (strcasecmp(entry->d_name, component.c_str()) == 0) {
                    found = entry->d_name;
                    break;
                }
            }
            closedir(listing);
            if (found.empty()) return std::nullopt;
            joined = join(found);
        }
        resolved = joined;
        if (end == relative.size()) break;
    }
    return resolved;
}
}  // namespace

std::vector<std::string> dataSearchRoots() {
    if (customRoots) return *customRoots;
    std::vector<std::string> roots{""};
    std::string exeDir = executableDirectory();
    if (!exeDir.empty()) {
        roots.push_back(exeDir);
        // An installed program finds its data from its own place too, so an
        // install tree that was moved or given another prefix still works.
        roots.push_back(exeDir + "/../share/glimmervandra");
    }
#ifdef GLIMMER_DATA_DIR
    roots.push_back(GLIMMER_DATA_DIR);
#endif
    return roots;
}

void setDataSearchRoots(std::vector<std::string> roots) { customRoots = std::move(roots); }

void resetDataSearchRoots() { customRoots.reset(); }

std::string resolveDataPath(const std::string& path) {
    if (path.empty()) return path;
    if (exists(path)) return path;
    if (path[0] == '/') {
        auto match = matchIgnoringCase("/", path.substr(1));
        return match ? *match : path;
    }
    for (const std::string& root : dataSearchRoots()) {
        std::string base = root;
        if (!base.empty() && exists(base + "/" + path)) return base + "/" + path;
        auto match = matchIgnoringCase(base, path);
        if (match && exists(*match)) return *match;
    }
    return path;
}

std::FILE* openDataFile(const std::string& path) {
    // Opened without blocking: a named pipe (or a device) in a data file's
    // place would otherwise hold the open until someone writes to it. Only
    // a regular file is taken; a folder, a pipe or a device is refused here,
    // as a system that opens nothing else as a data file would.
    const int descriptor = open(resolveDataPath(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) return nullptr;
    struct stat info {};
    if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(descriptor);
        errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        return nullptr;
    }
    // Reads of a regular file never block; clear the flag all the same, so
    // the stream behaves as any other.
    fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = fdopen(descriptor, "rb");
    if (!file) close(descriptor);
    return file;
}

std::string describeDataSearch(const std::string& path) {
    const std::string resolved = resolveDataPath(path);
    if (exists(resolved)) return "found at " + resolved;
    std::string where;
    for (const std::string& root : dataSearchRoots()) {
        if (!where.empty()) where += ", ";
        where += root.empty() ? "the working directory (" + workingDirectory() + ")" : root;
    }
    return "not found in " + where;
}

std::string dataFileDetail(const std::string& path) { return "file \"" + path + "\": " + describeDataSearch(path); }
