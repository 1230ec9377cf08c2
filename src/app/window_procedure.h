// SPDX-License-Identifier: MIT
// The demo's own answer to the window's messages: which key ends it, what a
// close or a new size does. The start-up registers windowProcedure with the
// message layer, which hands it every dispatched message.
#pragma once

#include <cstdint>

intptr_t windowProcedure(void* window, unsigned message, uintptr_t wParam, intptr_t lParam);
