#pragma once
#include "FileFormats.h"
#include "Synth.h"

// The music: 136.36 BPM (one beat = 440 ms = 19,404 samples at 44,100 Hz),
// sections following the show's scenes, no DC offset, decoded peaks under -1 dBFS.

inline constexpr size_t kStepSamples = 4851;  // a sixteenth note, 110 ms
inline constexpr size_t kGridOffset = 882;    // 20 ms: the landscape's beat starts at 79.22 s
inline constexpr float kTrackSeconds = 119.0f;
inline constexpr float kPeakTarget = 0.84f;     // -1.5 dBFS before encoding
inline constexpr float kDecodedCeiling = 0.87f; // -1.2 dBFS: the decoded file's peaks, whatever the encoder's overshoot

struct TrackSection {
    float start;
    const char* name;
};
inline constexpr TrackSection kTrackSections[] = {
    {0.0f, "intro"},   {12.9f, "sweep"},   {15.0f, "beat"},    {29.7f, "theme"},
    {59.1f, "variation"}, {75.9f, "break"}, {79.2f, "climax"}, {103.2f, "outro"},
};

StereoBus renderTrack();
PackFile makeMusic();
