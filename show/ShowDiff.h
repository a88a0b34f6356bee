#pragma once
#include <cstdint>

#include "show/ShowScript.h"

// No frame of one show differs from the same frame of the other.
constexpr uint32_t kShowsAlike = UINT32_MAX;

// The earliest show time (ms) from which a frame rendered from `b` may differ
// from the same frame rendered from `a`, so every frame before it, and the
// engine state left after it, is the same: 0 when the pictures, the effects or
// their classes, a base value or anything of the generator differ; else the
// earliest start among a variable's segments that are not the same, in the
// same order, in both (a member keeps the last value written, so a segment
// counts from its start on). kShowsAlike when nothing differs. Comments and
// places in the file do not count.
uint32_t firstDifferenceMs(const ShowScript& a, const ShowScript& b);
