// SPDX-License-Identifier: MIT
#include "output_path.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {
// The folder a path lies in ("." for a bare name).
std::string parentFolder(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    const size_t slash = trimmed.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : trimmed.substr(0, slash);
}

// "" when files can be made in `folder`.
std::string folderProblem(const std::string& folder) {
    struct stat info {};
    if (stat(folder.c_str(), &info) != 0) return "the folder " + folder + " cannot be used: " + std::strerror(errno);
    if (!S_ISDIR(info.st_mode)) return folder + " is not a folder";
    if (access(folder.c_str(), W_OK | X_OK) != 0)
        return "nothing can be written in the folder " + folder + ": " + std::strerror(errno);
    return "";
}

// "" when `path` is free or a file that may be replaced.
std::string replaceableProblem(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) return "";
    if (S_ISDIR(info.st_mode)) return path + " is a folder";
    if (!S_ISREG(info.st_mode) && !S_ISLNK(info.st_mode)) return path + " exists and is not a regular file";
    return "";
}
}  // namespace

VideoIntermediates videoIntermediates(const std::string& output) {
    return {output + ".video.mkv", output + ".audio.wav", output + ".part"};
}

std::string outputProblem(const CaptureOptions& options) {
    if (options.format == CaptureFormat::PngSequence) {
        struct stat info {};
        if (stat(options.output.c_str(), &info) == 0) {
            if (!S_ISDIR(info.st_mode))
                return options.output +
                       " exists and is not a folder (a name without .mp4 or .mkv is a folder "
                       "for a PNG sequence)";
            return folderProblem(options.output);
        }
        return folderProblem(parentFolder(options.output));
    }
    if (std::string problem = replaceableProblem(options.output); !problem.empty())
        return problem + "; a video needs a file name";
    const VideoIntermediates files = videoIntermediates(options.output);
    for (const std::string& path : {files.video, files.audio, files.joined})
        if (std::string problem = replaceableProblem(path); !problem.empty())
            return problem + ", in the way of the capture's intermediate files";
    return folderProblem(parentFolder(options.output));
}
