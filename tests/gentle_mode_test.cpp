// SPDX-License-Identifier: MIT
// The gentle show's switch and the flower's gentle flash.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/demo_options.h"
#include "flash_counter.h"
#include "scenes/flower_scene.h"
#include "state/gentle_mode.h"

namespace {
bool requested(std::vector<const char*> words) {
    std::vector<char*> argv{const_cast<char*>("glimmervandra")};
    for (const char* word : words) argv.push_back(const_cast<char*>(word));
    DemoOptions options;
    std::string error;
    return parseDemoOptions(int(argv.size()), argv.data(), options, error) && options.gentle;
}

TileColour linearColour(const GentleBackground& c) {
    return {linearFromSrgb(c.red), linearFromSrgb(c.green), linearFromSrgb(c.blue)};
}
}  // namespace

TEST(GentleMode, IsChosenByItsOwnWordOnlyAndStaysAsSet) {
    EXPECT_FALSE(requested({}));
    EXPECT_TRUE(requested({"--gentle"}));
    EXPECT_TRUE(requested({"-w", "--gentle"}));
    EXPECT_FALSE(requested({"--gentler"}));
    EXPECT_FALSE(requested({"-w"}));
    EXPECT_FALSE(gentleMode());
    setGentleMode(true);
    EXPECT_TRUE(gentleMode());
    setGentleMode(false);
    EXPECT_FALSE(gentleMode());
}

// The flash as the frame loop drives it at 60 fps: the level jumps to 100
// and falls by 50 a second to 1, at a few angles the flower passes through.
TEST(GentleMode, TheFlowersFlashIsOneSmoothSwellWithoutRed) {
    // 900 is where the slow cycle alone is saturated red.
    for (const double angle : {0.0, 300.0, 640.0, 900.0, 1400.0}) {
        const GentleBackground before = gentleFlowerBackground(angle, 1.0f);
        // No step when the level jumps: the swell starts from nothing.
        const GentleBackground jump = gentleFlowerBackground(angle, 100.0f);
        EXPECT_NEAR(jump.red, before.red, 1e-6);
        EXPECT_NEAR(jump.green, before.green, 1e-6);
        EXPECT_NEAR(jump.blue, before.blue, 1e-6);

        std::vector<double> luminance;
        double largestStep = 0;
        for (double level = 100.0; level > 1.0; level -= 50.0 / 60.0) {
            const TileColour colour = linearColour(gentleFlowerBackground(angle, float(level)));
            EXPECT_EQ(redFlashValue(colour), 0.0) << "saturated red at angle " << angle << ", level " << level;
            if (!luminance.empty())
                largestStep = std::max(largestStep, std::fabs(relativeLuminance(colour) - luminance.back()));
            luminance.push_back(relativeLuminance(colour));
        }
        // One rise and one fall, no more: brighter to a peak, then darker.
        const size_t peak = size_t(std::max_element(luminance.begin(), luminance.end()) - luminance.begin());
        for (size_t i = 1; i < luminance.size(); ++i)
            if (i <= peak)
                EXPECT_GE(luminance[i], luminance[i - 1] - 1e-9) << "angle " << angle << " frame " << i;
            else
                EXPECT_LE(luminance[i], luminance[i - 1] + 1e-9) << "angle " << angle << " frame " << i;
        // It is seen (the music's accent stays), yet no frame jumps.
        EXPECT_GT(luminance[peak] - luminance.front(), 0.1);
        EXPECT_LT(largestStep, 0.02);
    }
}
