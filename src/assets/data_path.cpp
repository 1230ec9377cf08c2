#include "assets/data_path.h"

#include <dirent.h>
#include <errno.h>
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

std::string executableDirectory() {
    char buffer[4096];
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) return {};
    std::string path(buffer, size_t(length));
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
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
    std::FILE* file = std::fopen(resolveDataPath(path).c_str(), "rb");
    if (!file) return nullptr;
    // A folder opens for reading here but is no data file; refuse it at the
    // open, as a system that cannot open folders as files would.
    struct stat info {};
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
        std::fclose(file);
        errno = EISDIR;
        return nullptr;
    }
    return file;
}

std::string describeDataSearch(const std::string& path) {
    const std::string resolved = resolveDataPath(path);
    if (exists(resolved)) return "found at " + resolved;
    std::string where;
    for (const std::string& root : dataSearchRoots()) {
        if (!where.empty()) where += ", ";
        where += root.empty() ? "the working directory" : root;
    }
    return "not found in " + where;
}
