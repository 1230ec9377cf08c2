// SPDX-License-Identifier: MIT
// The one conversion of the sound layer's float samples to 16-bit PCM, for
// whatever writes the music to a file.
#pragma once

#include <cmath>
#include <cstdint>

// Full scale 1.0 is 32767, rounded to the nearest step (halves away from
// zero); what lies beyond the 16-bit range is clipped to it, so -1.0 gives
// -32767 and only samples below it reach -32768. Not a number is silence.
inline int16_t pcmFromFloat(float sample) {
    if (std::isnan(sample)) return 0;
    float scaled = std::round(sample * 32767.0f);
    if (scaled > 32767.0f) scaled = 32767.0f;
    if (scaled < -32768.0f) scaled = -32768.0f;
    return int16_t(scaled);
}
