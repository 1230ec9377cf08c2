// SPDX-License-Identifier: MIT
#include "video_check.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <vector>

#include "media_writers.h"

namespace {
uint64_t bigEndian(const uint8_t* bytes, int count) {
    uint64_t value = 0;
    for (int i = 0; i < count; ++i) value = value << 8 | bytes[i];
    return value;
}

struct Stream {
    std::string type;
    long long packets = -1;
};
}  // namespace

std::string mp4BoxProblem(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return "it cannot be opened";
    bool index = false, data = false;
    std::string problem;
    uint64_t offset = 0;
    std::fseek(file, 0, SEEK_END);
    const uint64_t size = uint64_t(std::ftell(file));
    while (problem.empty() && offset < size) {
        uint8_t header[16];
        if (std::fseek(file, long(offset), SEEK_SET) != 0 || std::fread(header, 1, 8, file) != 8) {
            problem = "it ends inside a box header";
            break;
        }
        uint64_t length = bigEndian(header, 4);
        const std::string type(reinterpret_cast<const char*>(header + 4), 4);
        if (length == 1) {
            if (std::fread(header + 8, 1, 8, file) != 8) {
                problem = "it ends inside a box header";
                break;
            }
            length = bigEndian(header + 8, 8);
        } else if (length == 0) {
            length = size - offset;  // the last box runs to the end
        }
        if (length < 8)
            problem = "its " + type + " box has an impossible length";
        else if (length > size - offset)
            problem = "it ends inside its " + type + " box (cut short)";
        index |= type == "moov";
        data |= type == "mdat";
        offset += length;
    }
    std::fclose(file);
    if (problem.empty() && !index) problem = "it has no index (moov box)";
    if (problem.empty() && !data) problem = "it has no media data (mdat box)";
    return problem;
}

std::string videoProblem(const std::string& path, bool mp4, uint64_t frames) {
    if (mp4) {
        if (std::string problem = mp4BoxProblem(path); !problem.empty()) return problem;
    }
    std::string said;
    const bool ran = runFfprobe({"-v", "error", "-count_packets", "-show_entries", "stream=codec_type,nb_read_packets",
                                 "-of", "default=noprint_wrappers=1", ffmpegFilePath(path)},
                                said);
    // Every line is one of the two entries asked for; anything else is
    // ffprobe saying what is wrong with the file.
    std::vector<Stream> streams;
    std::string complaint;
    std::istringstream lines(said);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("codec_type=", 0) == 0) {
            streams.push_back({line.substr(11)});
        } else if (line.rfind("nb_read_packets=", 0) == 0 && !streams.empty()) {
            streams.back().packets = std::atoll(line.c_str() + 16);
        } else if (!line.empty() && complaint.empty()) {
            complaint = line;
        }
    }
    if (!ran) return "ffprobe cannot read it" + (complaint.empty() ? std::string() : " (" + complaint + ")");
    if (!complaint.empty()) return "ffprobe reports: " + complaint;
    long long videoPackets = -1, audioPackets = -1;
    int videoStreams = 0, audioStreams = 0;
    for (const Stream& stream : streams) {
        if (stream.type == "video") ++videoStreams, videoPackets = stream.packets;
        if (stream.type == "audio") ++audioStreams, audioPackets = stream.packets;
    }
    if (videoStreams != 1 || audioStreams != 1) return "it does not hold one picture and one sound stream";
    if (videoPackets != (long long)frames)
        return "it holds " + std::to_string(videoPackets < 0 ? 0 : videoPackets) + " of " + std::to_string(frames) +
               " frames";
    if (audioPackets <= 0) return "it holds no sound";
    return "";
}
