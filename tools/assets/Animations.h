#pragma once
#include "FileFormats.h"

// The four frame sequences of the show.
inline constexpr int kFigureFrames = 19; // glowing morphing wireframe, played forward then back
inline constexpr int kBurstFrames = 23;  // the burst that opens the tunnel
inline constexpr int kLoopFrames = 10;   // opaque background loop, played six times
inline constexpr int kFinaleFrames = 30; // opaque kaleidoscope before the blackout

PackFile makeFigureFrame(int index);
PackFile makeBurstFrame(int index);
PackFile makeLoopFrame(int index);
PackFile makeFinaleFrame(int index);
