// SPDX-License-Identifier: MIT
// What the capture checks before it calls a video done: ffmpeg's exit code
// is not enough (ffmpeg 5.1 exits 0 when a full disk stops it writing the
// end of an MP4, leaving a file no player opens).
#pragma once

#include <cstdint>
#include <string>

// "" when the file at `path` reads back whole: ffprobe reads exactly
// `frames` pictures from its one video stream and some sound from its audio
// stream, without a complaint, and an MP4's boxes fill the file exactly.
// Otherwise what is wrong, as a phrase ("it holds 300 of 600 frames").
std::string videoProblem(const std::string& path, bool mp4, uint64_t frames);

// For an MP4: "" when its top-level boxes follow one another to exactly
// the end of the file and include the index (moov) and the data (mdat).
std::string mp4BoxProblem(const std::string& path);
