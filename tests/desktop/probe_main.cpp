// SPDX-License-Identifier: MIT
// glimmer-desktop-probe: the desktop suite's measuring tool.
//
//   picture FILE WIDTH HEIGHT [REFERENCE]
//       FILE (and REFERENCE) raw 8-bit grey, as ffmpeg's -pix_fmt gray
//       writes it. Prints "mean M corners TL TR BL BR" and, with a
//       reference of the same size, "difference D" (all 0..1).
//   area FILE WIDTH HEIGHT
//       Prints "area X Y W H", the lit part of a picture shown between
//       black bars (W and H 0 when nothing is lit).
//   changed FILE_A FILE_B WIDTH HEIGHT X Y BOX_WIDTH BOX_HEIGHT
//       Prints "changed N", the pixels of the box that differ clearly
//       between two grabs (a cursor in one of them).
//   loudness FILE
//       Prints "loudness L", the RMS 0..1 of a raw s16 recording.
//   clock
//       Prints the monotonic clock (s), the one the frame statistics use.
//   record OUTPUT SECONDS
//       Records the default capture device through SDL (the suite points it
//       at a null sink's monitor) as raw s16 stereo 44100 Hz until SECONDS
//       have passed or SIGTERM/SIGINT comes; OUTPUT.clock receives, per
//       delivery, the frames recorded so far and when (CLOCK_MONOTONIC s).
//   offsets DATA_FOLDER RECORDING FRAME_STATS
//       Renders the music offline as the capture tool does, finds the two
//       marked positions in it, finds the same music in the recording and
//       prints, per mark, when it was heard and, in milliseconds after that
//       (negative: before), when the demo's timeline took the new row and
//       when its first frame was presented (from its frame statistics).
#include <SDL.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "app/frame_stats.h"
#include "app/music.h"
#include "assets/music_marks.h"
#include "platform/sound.h"
#include "probe.h"

namespace {
constexpr double rate = soundSampleRate;

bool readFile(const std::string& path, std::vector<uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool readPicture(const std::string& path, int width, int height, GreyPicture& picture) {
    picture.width = width;
    picture.height = height;
    if (!readFile(path, picture.pixels)) {
        std::fprintf(stderr, "probe: cannot read %s\n", path.c_str());
        return false;
    }
    if (picture.pixels.size() != size_t(width) * size_t(height)) {
        std::fprintf(stderr, "probe: %s holds %zu bytes, not %dx%d\n", path.c_str(), picture.pixels.size(), width,
                     height);
        return false;
    }
    return true;
}

int pictureCommand(int argc, char** argv) {
    if (argc != 5 && argc != 6) return 2;
    const int width = std::atoi(argv[3]), height = std::atoi(argv[4]);
    GreyPicture picture;
    if (width <= 0 || height <= 0 || !readPicture(argv[2], width, height, picture)) return 1;
    const PictureSummary s = summarisePicture(picture);
    std::printf("mean %.4f corners %.4f %.4f %.4f %.4f\n", s.mean, s.corners[0], s.corners[1], s.corners[2],
                s.corners[3]);
    if (argc == 6) {
        GreyPicture reference;
        if (!readPicture(argv[5], width, height, reference)) return 1;
        std::printf("difference %.4f\n", pictureDifference(picture, reference));
    }
    return 0;
}

int areaCommand(int argc, char** argv) {
    if (argc != 5) return 2;
    const int width = std::atoi(argv[3]), height = std::atoi(argv[4]);
    GreyPicture picture;
    if (width <= 0 || height <= 0 || !readPicture(argv[2], width, height, picture)) return 1;
    const PictureArea a = findLitArea(picture);
    std::printf("area %d %d %d %d\n", a.x, a.y, a.width, a.height);
    return 0;
}

int changedCommand(int argc, char** argv) {
    if (argc != 10) return 2;
    const int width = std::atoi(argv[4]), height = std::atoi(argv[5]);
    GreyPicture a, b;
    if (width <= 0 || height <= 0 || !readPicture(argv[2], width, height, a) || !readPicture(argv[3], width, height, b))
        return 1;
    std::printf("changed %ld\n",
                changedPixels(a, b, std::atoi(argv[6]), std::atoi(argv[7]), std::atoi(argv[8]), std::atoi(argv[9])));
    return 0;
}

int loudnessCommand(int argc, char** argv) {
    if (argc != 3) return 2;
    std::vector<uint8_t> bytes;
    if (!readFile(argv[2], bytes)) {
        std::fprintf(stderr, "probe: cannot read %s\n", argv[2]);
        return 1;
    }
    std::vector<int16_t> samples(bytes.size() / sizeof(int16_t));
    std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(int16_t));
    std::printf("loudness %.5f\n", loudness(samples));
    return 0;
}

// The recorder's buffer and its deliveries' times, filled on SDL's audio
// thread (the clock's list is reserved up front: no allocation there).
struct Recording {
    std::vector<int16_t> samples;
    std::atomic<size_t> frames{0};
    CaptureClock clock{rate};
    uint64_t framesSoFar = 0;
};
volatile std::sig_atomic_t stopRequested = 0;

void captured(void* user, Uint8* stream, int length) {
    auto& rec = *static_cast<Recording*>(user);
    const size_t count = size_t(length) / (2 * sizeof(int16_t));
    const size_t have = rec.frames.load();
    const size_t take = std::min(count, rec.samples.size() / 2 - have);
    std::memcpy(rec.samples.data() + have * 2, stream, take * 2 * sizeof(int16_t));
    rec.frames.store(have + take);
    rec.framesSoFar += count;
    if (rec.clock.deliveries.size() < rec.clock.deliveries.capacity())
        rec.clock.delivered(rec.framesSoFar, monotonicSeconds());
}

int recordCommand(int argc, char** argv) {
    if (argc != 4) return 2;
    const std::string output = argv[2];
    const double seconds = std::atof(argv[3]);
    if (seconds <= 0) return 2;
    std::signal(SIGTERM, [](int) { stopRequested = 1; });
    std::signal(SIGINT, [](int) { stopRequested = 1; });
    if (SDL_Init(SDL_INIT_AUDIO) != 0) {
        std::fprintf(stderr, "probe: no audio: %s\n", SDL_GetError());
        return 1;
    }
    Recording rec;
    rec.samples.resize(size_t(seconds * rate) * 2);
    rec.clock.deliveries.reserve(size_t(seconds * rate / 64));
    SDL_AudioSpec want{}, have{};
    want.freq = int(rate);
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 256;  // small deliveries: a tighter clock estimate
    want.callback = captured;
    want.userdata = &rec;
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 1, &want, &have, 0);
    if (!device) {
        std::fprintf(stderr, "probe: cannot open the capture device: %s\n", SDL_GetError());
        SDL_Quit();
        return 1;
    }
    SDL_PauseAudioDevice(device, 0);
    const double end = monotonicSeconds() + seconds;
    while (!stopRequested && monotonicSeconds() < end) SDL_Delay(10);
    SDL_CloseAudioDevice(device);
    SDL_Quit();

    std::ofstream out(output, std::ios::binary);
    out.write(reinterpret_cast<const char*>(rec.samples.data()), std::streamsize(rec.frames * 2 * sizeof(int16_t)));
    // Every delivery: frames so far and when (see CaptureClock).
    std::ofstream clock(output + ".clock");
    clock.precision(9);
    for (const CaptureClock::Delivery& d : rec.clock.deliveries)
        clock << d.frames << " " << std::fixed << d.time << "\n";
    if (!out || !clock || rec.clock.deliveries.empty()) {
        std::fprintf(stderr, "probe: recording %s not written or empty\n", output.c_str());
        return 1;
    }
    std::fprintf(stderr, "probe: recorded %.1f s\n", double(rec.frames) / rate);
    return 0;
}

// The two marks' frames and the music up to a second past the later one,
// mono, rendered offline.
struct OfflineMusic {
    std::vector<float> mono;
    uint64_t markFrame[2] = {0, 0};
    bool seen[2] = {false, false};
};

OfflineMusic* offlineMusic = nullptr;

void mark(int k) {
    offlineMusic->markFrame[k] = soundEventFrame();
    offlineMusic->seen[k] = true;
}

bool renderOffline(OfflineMusic& music) {
    offlineMusic = &music;
    if (!openMusicOffline() || soundMusicSeconds() == 0.0) {
        std::fprintf(stderr, "probe: cannot load the music (is Data/ancool2.mod here?)\n");
        return false;
    }
    soundOnPosition(titleEndOrder, titleEndRow, [] { mark(0); });
    soundOnPosition(programmeStartOrder, programmeStartRow, [] { mark(1); });
    if (!startMusicPlayback()) return false;
    std::vector<float> chunk(4410 * 2);
    uint64_t rendered = 0, stopAt = ~uint64_t(0);
    while (rendered < stopAt && rendered < uint64_t(120 * rate)) {
        soundRenderOffline(chunk.data(), chunk.size() / 2);
        for (size_t i = 0; i < chunk.size(); i += 2) music.mono.push_back(0.5f * (chunk[i] + chunk[i + 1]));
        rendered += chunk.size() / 2;
        if (music.seen[1] && stopAt == ~uint64_t(0)) stopAt = music.markFrame[1] + uint64_t(rate);
    }
    closeMusic();
    return music.seen[0] && music.seen[1];
}

// When the timeline chose row n and when its first frame was presented,
// from the demo's frame statistics.
struct RowTimes {
    double chosen = 0.0, shown = 0.0;
};
std::map<int, RowTimes> rowTimes(const std::string& path) {
    std::map<int, RowTimes> times;
    std::ifstream in(path);
    std::string line, word;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        int row = 0;
        size_t frames = 0;
        double median = 0, p99 = 0;
        RowTimes t;
        if (fields >> word && word == "row" && fields >> row >> frames >> median >> p99 >> t.chosen >> t.shown)
            times[row] = t;
    }
    return times;
}

int offsetsCommand(int argc, char** argv) {
    if (argc != 5) return 2;
    const std::string recordingPath = argv[3], statsPath = argv[4];
    std::vector<uint8_t> bytes;
    if (!readFile(recordingPath, bytes)) {
        std::fprintf(stderr, "probe: cannot read %s\n", recordingPath.c_str());
        return 1;
    }
    CaptureClock clock(rate);
    {
        std::ifstream in(recordingPath + ".clock");
        uint64_t frames = 0;
        double time = 0.0;
        while (in >> frames >> time) clock.delivered(frames, time);
    }
    std::vector<float> recording(bytes.size() / 4);
    for (size_t i = 0; i < recording.size(); ++i) {
        int16_t l, r;
        std::memcpy(&l, &bytes[i * 4], 2);
        std::memcpy(&r, &bytes[i * 4 + 2], 2);
        recording[i] = (float(l) + float(r)) / 65536.0f;
    }
    const std::map<int, RowTimes> rows = rowTimes(statsPath);
    if (!rows.count(2) || !rows.count(3) || clock.deliveries.empty()) {
        std::fprintf(stderr, "probe: %s lacks the times of rows 2 and 3, or the recording its start\n",
                     statsPath.c_str());
        return 1;
    }
    if (chdir(argv[2]) != 0) {
        std::fprintf(stderr, "probe: no folder %s\n", argv[2]);
        return 1;
    }
    OfflineMusic music;
    if (!renderOffline(music)) {
        std::fprintf(stderr, "probe: the marks were not reached in the offline music\n");
        return 1;
    }
    bool found = true;
    for (int k = 0; k < 2; ++k) {
        const RowTimes picture = rows.at(k + 2);
        // The recording's clock from the deliveries of the seconds around.
        const double frameZeroAt = clock.frameZeroAt(picture.chosen, 2.0);
        const size_t half = size_t(0.3 * rate);
        const size_t from = size_t(music.markFrame[k]) - half;
        // The picture changed close to when the mark was heard: look half
        // a second either side of that in the recording.
        const long expected = long((picture.chosen - frameZeroAt) * rate) - long(half);
        const Match m = findInRecording(recording, music.mono, from, 2 * half, expected - long(rate / 2),
                                        expected + long(rate / 2));
        const double heardAt = frameZeroAt + double(m.start + long(half)) / rate;
        std::printf("mark %d frame %llu heard %.4f chosen_ms %+.1f shown_ms %+.1f score %.3f\n", k + 1,
                    static_cast<unsigned long long>(music.markFrame[k]), heardAt, (picture.chosen - heardAt) * 1000.0,
                    (picture.shown - heardAt) * 1000.0, m.score);
        found = found && m.start >= 0;
    }
    return found ? 0 : 1;
}
}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    int status = 2;
    if (command == "picture") status = pictureCommand(argc, argv);
    if (command == "record") status = recordCommand(argc, argv);
    if (command == "area") status = areaCommand(argc, argv);
    if (command == "changed") status = changedCommand(argc, argv);
    if (command == "loudness") status = loudnessCommand(argc, argv);
    if (command == "clock" && argc == 2) {
        std::printf("%.6f\n", monotonicSeconds());
        status = 0;
    }
    if (command == "offsets") status = offsetsCommand(argc, argv);
    if (status == 2)
        std::fprintf(stderr,
                     "usage: %s picture FILE WIDTH HEIGHT [REFERENCE]\n"
                     "       %s area FILE WIDTH HEIGHT\n"
                     "       %s changed FILE_A FILE_B WIDTH HEIGHT X Y BOX_WIDTH BOX_HEIGHT\n"
                     "       %s loudness FILE\n"
                     "       %s clock\n"
                     "       %s record OUTPUT SECONDS\n"
                     "       %s offsets DATA_FOLDER RECORDING FRAME_STATS\n",
                     argv[0], argv[0], argv[0], argv[0], argv[0], argv[0], argv[0]);
    return status;
}
