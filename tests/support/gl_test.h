// SPDX-License-Identifier: MIT
// The one helper every GL test uses: a headless 640x480 context (EGL,
// surfaceless Mesa, llvmpipe) made current for the test, and a few pixel
// probes. Works on machines without a display or GPU.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

struct Rgba {
    uint8_t r, g, b, a;
};

class GlTest : public ::testing::Test {
protected:
    static constexpr int width = 640;
    static constexpr int height = 480;

    void SetUp() override;
    void TearDown() override;

    // Reads the whole frame (top row first) and returns the pixel at x, y
    // measured from the top-left corner, as a screen shows it.
    std::vector<uint8_t> frame() const;
    static Rgba pixelAt(const std::vector<uint8_t>& frame, int x, int y);
    Rgba pixel(int x, int y) const;
};
