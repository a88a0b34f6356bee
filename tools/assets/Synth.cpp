#include "Synth.h"

#include "Rng.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kPi = 3.14159265f;
constexpr float kDt = 1.0f / float(kSampleRate);

float blep(float t, float dt)
{
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0f;
    }
    if (t > 1.0f - dt) {
        t = (t - 1.0f) / dt;
        return t * t + t + t + 1.0f;
    }
    return 0.0f;
}

float noise(Rng& rng) { return rng.uniform() * 2.0f - 1.0f; }

// Attack-release envelope with exponential tails, in samples.
float envelope(size_t i, size_t length, float attack, float release)
{
    const float t = float(i) * kDt;
    const float a = attack > 0.0f ? std::min(1.0f, t / attack) : 1.0f;
    const float end = float(length) * kDt;
    const float r = t < end ? 1.0f : std::exp(-(t - end) / release);
    return a * r;
}

} // namespace

void StereoBus::add(size_t at, float sample, float pan)
{
    if (at >= left.size())
        return;
    const float angle = (pan + 1.0f) * 0.25f * kPi;
    left[at] += sample * std::cos(angle) * 1.41421356f;
    right[at] += sample * std::sin(angle) * 1.41421356f;
}

float midiToHz(float note)
{
    return 440.0f * std::pow(2.0f, (note - 69.0f) / 12.0f);
}

void Svf::set(float cutoffHz, float resonance)
{
    g = std::tan(kPi * std::min(cutoffHz, 0.45f * float(kSampleRate)) * kDt);
    k = 2.0f - 2.0f * std::min(0.98f, std::max(0.0f, resonance));
}

void Svf::process(float x)
{
    const float a1 = 1.0f / (1.0f + g * (g + k));
    const float v3 = x - ic2;
    const float v1 = a1 * ic1 + g * a1 * v3;
    const float v2 = ic2 + g * v1;
    ic1 = 2.0f * v1 - ic1;
    ic2 = 2.0f * v2 - ic2;
    low = v2;
    band = v1;
    high = x - k * v1 - v2;
}

float sawBlep(float phase, float increment)
{
    return 2.0f * phase - 1.0f - blep(phase, increment);
}

float pulseBlep(float phase, float increment, float width)
{
    float shifted = phase + 1.0f - width;
    shifted -= std::floor(shifted);
    return (phase < width ? 1.0f : -1.0f) + blep(phase, increment) - blep(shifted, increment);
}

void kick(StereoBus& bus, size_t at, float gain)
{
    const size_t n = size_t(0.42f * kSampleRate);
    float phase = 0.0f;
    for (size_t i = 0; i < n; ++i) {
        const float t = float(i) * kDt;
        const float f = 44.0f + 120.0f * std::exp(-t * 28.0f) + 500.0f * std::exp(-t * 400.0f);
        phase += f * kDt;
        const float body = std::sin(2.0f * kPi * phase) * std::exp(-t * 6.5f);
        const float s = std::tanh(body * 1.6f) * std::min(1.0f, t * 2000.0f);
        bus.add(at + i, s * gain, 0.0f);
    }
}

void snare(StereoBus& bus, size_t at, float gain, uint32_t seed)
{
    Rng rng(seed);
    Svf hp;
    hp.set(1800.0f, 0.2f);
    const size_t n = size_t(0.3f * kSampleRate);
    float phase = 0.0f;
    for (size_t i = 0; i < n; ++i) {
        const float t = float(i) * kDt;
        phase += (185.0f + 60.0f * std::exp(-t * 40.0f)) * kDt;
        hp.process(noise(rng));
        const float tone = std::sin(2.0f * kPi * phase) * std::exp(-t * 22.0f) * 0.6f;
        const float rattle = (hp.high + hp.band * 0.5f) * std::exp(-t * 13.0f);
        const float s = (tone + rattle) * std::min(1.0f, t * 3000.0f);
        bus.add(at + i, s * gain, 0.08f);
    }
}

void clap(StereoBus& bus, size_t at, float gain, uint32_t seed)
{
    Rng rng(seed);
    Svf bp;
    bp.set(1300.0f, 0.55f);
    const size_t n = size_t(0.32f * kSampleRate);
    for (size_t i = 0; i < n; ++i) {
        const float t = float(i) * kDt;
        // Three quick slaps and a tail.
        float env = 0.0f;
        for (float start : {0.0f, 0.011f, 0.023f})
            if (t >= start)
                env = std::max(env, std::exp(-(t - start) * (start < 0.02f ? 180.0f : 16.0f)));
        bp.process(noise(rng));
        bus.add(at + i, bp.band * env * gain * 2.2f, -0.1f);
    }
}

void hat(StereoBus& bus, size_t at, float gain, float decay, float pan, uint32_t seed)
{
    Rng rng(seed);
    Svf hp;
    hp.set(7500.0f, 0.3f);
    const size_t n = size_t(std::min(1.0f, 6.0f / decay) * kSampleRate);
    for (size_t i = 0; i < n; ++i) {
        const float t = float(i) * kDt;
        hp.process(noise(rng));
        bus.add(at + i, hp.high * std::exp(-t * decay) * gain * std::min(1.0f, t * 4000.0f), pan);
    }
}

void crash(StereoBus& bus, size_t at, float gain, uint32_t seed)
{
    Rng rng(seed);
    Svf hpL, hpR;
    hpL.set(4200.0f, 0.1f);
    hpR.set(4600.0f, 0.1f);
    const size_t n = size_t(2.2f * kSampleRate);
    for (size_t i = 0; i < n && at + i < bus.frames(); ++i) {
        const float t = float(i) * kDt;
        const float env = std::exp(-t * 2.2f) * std::min(1.0f, t * 800.0f);
        hpL.process(noise(rng));
        hpR.process(noise(rng));
        bus.left[at + i] += hpL.high * env * gain;
        bus.right[at + i] += hpR.high * env * gain;
    }
}

void bass(StereoBus& bus, size_t at, size_t length, float note, float gain, float brightness)
{
    const float f = midiToHz(note);
    const float inc = f * kDt;
    Svf lp;
    const size_t n = length + size_t(0.05f * kSampleRate);
    float phase = 0.0f, sub = 0.0f;
    for (size_t i = 0; i < n; ++i) {
        const float t = float(i) * kDt;
        if (i % 16 == 0)
            lp.set(160.0f + brightness * 2200.0f * std::exp(-t * 9.0f), 0.55f);
        const float osc = sawBlep(phase, inc) * 0.7f + pulseBlep(phase, inc, 0.5f) * 0.3f;
        lp.process(osc);
        const float s = lp.low * 0.8f + std::sin(2.0f * kPi * sub) * 0.6f;
        bus.add(at + i, s * envelope(i, length, 0.003f, 0.02f) * gain, 0.0f);
        phase += inc;
        phase -= std::floor(phase);
        sub += inc;
        sub -= std::floor(sub);
    }
}

void pad(StereoBus& bus, size_t at, size_t length, const std::vector<float>& notes, float gain, float cutoffHz)
{
    const size_t n = length + size_t(1.2f * kSampleRate);
    static const float kDetune[3] = {-0.11f, 0.0f, 0.12f};
    static const float kPan[3] = {-0.7f, 0.0f, 0.7f};
    for (size_t v = 0; v < notes.size(); ++v) {
        for (int d = 0; d < 3; ++d) {
            const float inc = midiToHz(notes[v] + kDetune[d]) * kDt;
            float phase = float((v * 3 + size_t(d)) % 7) / 7.0f;
            Svf lp;
            lp.set(cutoffHz, 0.25f);
            for (size_t i = 0; i < n && at + i < bus.frames(); ++i) {
                lp.process(sawBlep(phase, inc));
                const float env = envelope(i, length, 0.45f, 0.5f);
                bus.add(at + i, lp.low * env * gain * 0.22f, kPan[d]);
                phase += inc;
                phase -= std::floor(phase);
            }
        }
    }
}

void pluck(StereoBus& bus, size_t at, size_t length, float note, float gain, float cutoffHz, float pan)
{
    const float inc = midiToHz(note) * kDt;
    Svf lp;
    const size_t n = length + size_t(0.15f * kSampleRate);
    float phase = 0.0f;
    for (size_t i = 0; i < n; ++i) {
        const float t = float(i) * kDt;
        if (i % 16 == 0)
            lp.set(cutoffHz * (0.35f + 2.5f * std::exp(-t * 30.0f)), 0.5f);
        lp.process(pulseBlep(phase, inc, 0.3f));
        const float env = std::exp(-t * 9.0f) * envelope(i, length, 0.002f, 0.03f);
        bus.add(at + i, lp.low * env * gain, pan);
        phase += inc;
        phase -= std::floor(phase);
    }
}

void lead(StereoBus& bus, size_t at, size_t length, float note, float gain)
{
    Svf lp;
    lp.set(3200.0f, 0.3f);
    const size_t n = length + size_t(0.2f * kSampleRate);
    float p1 = 0.0f, p2 = 0.37f;
    for (size_t i = 0; i < n; ++i) {
        const float t = float(i) * kDt;
        const float vibrato = 0.18f * std::min(1.0f, std::max(0.0f, (t - 0.15f) * 4.0f)) * std::sin(2.0f * kPi * 5.5f * t);
        const float inc1 = midiToHz(note + vibrato - 0.06f) * kDt, inc2 = midiToHz(note + vibrato + 0.06f) * kDt;
        lp.process(sawBlep(p1, inc1) * 0.5f + pulseBlep(p2, inc2, 0.45f) * 0.5f);
        const float env = envelope(i, length, 0.01f, 0.08f) * (0.8f + 0.2f * std::exp(-t * 6.0f));
        const float s = lp.low * env * gain;
        bus.add(at + i, s, -0.15f);
        bus.add(at + i + 441, s * 0.5f, 0.6f); // a short slap to the right widens it
        p1 += inc1;
        p1 -= std::floor(p1);
        p2 += inc2;
        p2 -= std::floor(p2);
    }
}

void noiseSweep(StereoBus& bus, size_t at, size_t length, float f0, float f1, float gain, uint32_t seed)
{
    Rng rng(seed);
    Svf bpL, bpR;
    for (size_t i = 0; i < length && at + i < bus.frames(); ++i) {
        const float u = float(i) / float(length);
        if (i % 16 == 0) {
            const float f = f0 * std::pow(f1 / f0, u);
            bpL.set(f, 0.75f);
            bpR.set(f * 1.06f, 0.75f);
        }
        bpL.process(noise(rng));
        bpR.process(noise(rng));
        const float env = std::min(1.0f, u * 8.0f) * std::min(1.0f, (1.0f - u) * 20.0f);
        bus.left[at + i] += bpL.band * env * gain;
        bus.right[at + i] += bpR.band * env * gain;
    }
}
