// SPDX-License-Identifier: MIT
// Measurements of the desktop suite: what a grabbed picture shows, and where
// in a recording of the sound server a stretch of the demo's music lies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// An 8-bit grey picture, rows top first.
struct GreyPicture {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;
};

// Mean brightness 0..1 of the whole picture and of its four corners (each
// an eighth of the width and height): a picture that fills the screen has
// something in every corner.
struct PictureSummary {
    double mean;
    double corners[4];  // top-left, top-right, bottom-left, bottom-right
};
PictureSummary summarisePicture(const GreyPicture& picture);

// Mean absolute difference 0..1 of two pictures of the same size; 1 when
// the sizes differ.
double pictureDifference(const GreyPicture& a, const GreyPicture& b);

// The lit part of a picture shown with black bars: the bounding box of the
// rows and columns more than half of whose pixels are above `darkest`. A
// cursor or a few stray pixels over a bar do not count as picture; a
// picture with no lit row or column gives an empty box.
struct PictureArea {
    int x = 0, y = 0, width = 0, height = 0;
};
PictureArea findLitArea(const GreyPicture& picture, int darkest = 4);

// How many pixels of the box at x,y (clipped to both pictures) differ
// between two pictures of the same size by more than `by` levels; -1 when
// the sizes differ. A cursor drawn in one and not the other changes dozens.
long changedPixels(const GreyPicture& a, const GreyPicture& b, int x, int y, int width, int height, int by = 64);

// Root mean square 0..1 of interleaved signed 16-bit samples: 0 for
// silence, about 0.1 for music at a tenth of full scale.
double loudness(const std::vector<int16_t>& samples);

// Where `reference[from, from + length)` best matches `recording`: the
// recording index of reference sample `from`, searched over
// [firstStart, lastStart], by normalised cross-correlation (1 = the same
// shape at any volume). A coarse search on 8-sample sums, then the best of
// the full-rate neighbours.
struct Match {
    long start = -1;
    double score = 0.0;
};
Match findInRecording(const std::vector<float>& recording, const std::vector<float>& reference, size_t from,
                      size_t length, long firstStart, long lastStart);

// The clock of a capture stream from its deliveries: after a delivery that
// brought the count of frames to n at time t, frame 0 was recorded no later
// than t - n / rate. The earliest of these bounds is the least delayed
// delivery's, and the estimate of when frame 0 was recorded. Taken only over
// the deliveries near the moment of interest: a server that hands over a
// burst ahead of time elsewhere (when a stream joins or leaves) must not
// move it.
class CaptureClock {
public:
    explicit CaptureClock(double rate) : rate(rate) {}
    void delivered(uint64_t framesSoFar, double now) { deliveries.push_back({framesSoFar, now}); }
    // Over the deliveries within `span` seconds of `moment`; 0 when none.
    double frameZeroAt(double moment, double span) const;
    // Over all deliveries; 0 when none.
    double frameZeroAt() const;

    struct Delivery {
        uint64_t frames;
        double time;
    };
    std::vector<Delivery> deliveries;

private:
    double rate;
};
