// SPDX-License-Identifier: MIT
// The three places in the module that drive the programme: the row at which
// the title gives way to slide 6, the order at which the scene programme
// starts, and the instrument whose notes flash the flower's background.
// The demo listens for them; the data-set generator writes the song to meet
// them.
#pragma once

constexpr int titleEndOrder = 1;
constexpr int titleEndRow = 32;
constexpr int programmeStartOrder = 2;
constexpr int programmeStartRow = 0;
constexpr int flashInstrument = 9;
