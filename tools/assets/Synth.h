#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// The instruments of the track. Each note is rendered on its own and added
// into a stereo bus, so a note's sound depends only on its own parameters.

inline constexpr int kSampleRate = 44100;

struct StereoBus {
    std::vector<float> left, right;
    explicit StereoBus(size_t frames) : left(frames, 0.0f), right(frames, 0.0f) {}
    size_t frames() const { return left.size(); }
    // pan -1 (left) ... 1 (right), equal power.
    void add(size_t at, float sample, float pan);
};

float midiToHz(float note);

// A topology-preserving state-variable filter: low, band and high pass at once.
struct Svf {
    float g = 0.0f, k = 1.0f, ic1 = 0.0f, ic2 = 0.0f;
    float low = 0.0f, band = 0.0f, high = 0.0f;
    void set(float cutoffHz, float resonance); // resonance 0 ... ~0.95
    void process(float x);
};

// Band-limited sawtooth and pulse (PolyBLEP), phase in cycles.
float sawBlep(float phase, float increment);
float pulseBlep(float phase, float increment, float width);

void kick(StereoBus& bus, size_t at, float gain);
void snare(StereoBus& bus, size_t at, float gain, uint32_t seed);
void clap(StereoBus& bus, size_t at, float gain, uint32_t seed);
void hat(StereoBus& bus, size_t at, float gain, float decay, float pan, uint32_t seed);
void crash(StereoBus& bus, size_t at, float gain, uint32_t seed);
void bass(StereoBus& bus, size_t at, size_t length, float note, float gain, float brightness);
void pad(StereoBus& bus, size_t at, size_t length, const std::vector<float>& notes, float gain, float cutoffHz);
void pluck(StereoBus& bus, size_t at, size_t length, float note, float gain, float cutoffHz, float pan);
void lead(StereoBus& bus, size_t at, size_t length, float note, float gain);
// Noise through a resonant band pass sweeping from f0 to f1 (exponentially).
void noiseSweep(StereoBus& bus, size_t at, size_t length, float f0, float f1, float gain, uint32_t seed);
