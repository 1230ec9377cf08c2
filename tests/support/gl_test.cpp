// SPDX-License-Identifier: MIT
#include "support/gl_test.h"

#include "platform/headless_gl.h"

void GlTest::SetUp() { ASSERT_TRUE(createHeadlessContext(width, height)) << headlessGlError(); }

void GlTest::TearDown() { destroyHeadlessContext(); }

std::vector<uint8_t> GlTest::frame() const { return readFramePixels(width, height); }

Rgba GlTest::pixelAt(const std::vector<uint8_t>& frame, int x, int y) {
    const uint8_t* p = &frame[(size_t(y) * width + size_t(x)) * 4];
    return {p[0], p[1], p[2], p[3]};
}

Rgba GlTest::pixel(int x, int y) const { return pixelAt(frame(), x, y); }
