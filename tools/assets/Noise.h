#pragma once
#include <cstdint>

// Smooth value noise on a lattice that repeats every `period` cells in both
// directions, so pictures built from it tile without a seam.
float periodicNoise(float x, float y, int period, uint32_t seed);

// Sum of `octaves` layers of periodicNoise, each twice as fine and `gain` as
// strong; x and y in cells of the first layer, which repeats every `period`.
// The result is normalised to about 0 ... 1.
float periodicFbm(float x, float y, int period, int octaves, float gain, uint32_t seed);

// Distance to the nearest of a jittered grid of points, repeating every
// `period` cells; also the identity of that cell in `cellId`.
float periodicCells(float x, float y, int period, uint32_t seed, uint32_t* cellId);
