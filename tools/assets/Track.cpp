#include "Track.h"

#include "Mp3.h"
#include "pack/DataManifest.h"

#include <algorithm>
#include <cmath>

namespace {

enum Section { Intro, Sweep, Beat, Theme, Variation, Break, Climax, Outro };

struct Chord {
    float root;      // bass octave
    float tones[3];  // pad voicing
};

// Am F C G, and for the variation F G Em Am.
const Chord kMain[4] = {{45, {57, 60, 64}}, {41, {57, 60, 65}}, {48, {55, 60, 64}}, {43, {55, 59, 62}}};
const Chord kVary[4] = {{41, {57, 60, 65}}, {43, {55, 59, 62}}, {40, {55, 59, 64}}, {45, {57, 60, 64}}};

struct Note {
    int step, length;
    float pitch;
};

// Four bars of the theme and of its variation, steps from the start of the phrase.
const Note kTheme[] = {{0, 3, 69},  {3, 3, 72},  {6, 2, 76},  {8, 4, 74},  {12, 2, 72}, {14, 2, 71},
                       {16, 3, 72}, {19, 3, 69}, {22, 2, 65}, {24, 6, 69}, {30, 2, 72}, {32, 3, 76},
                       {35, 3, 79}, {38, 2, 76}, {40, 4, 74}, {44, 2, 72}, {46, 2, 74}, {48, 3, 71},
                       {51, 3, 67}, {54, 2, 71}, {56, 6, 74}, {62, 2, 71}};
const Note kVariation[] = {{0, 2, 72},  {2, 2, 69},  {4, 2, 65},  {6, 2, 69},  {8, 4, 72},  {12, 2, 74},
                           {14, 2, 72}, {16, 2, 71}, {18, 2, 67}, {20, 2, 62}, {22, 2, 67}, {24, 6, 71},
                           {30, 2, 69}, {32, 2, 67}, {34, 2, 64}, {36, 2, 59}, {38, 2, 64}, {40, 4, 67},
                           {44, 2, 69}, {46, 2, 71}, {48, 3, 72}, {51, 3, 71}, {54, 2, 69}, {56, 6, 64}};
const int kArp[16] = {0, 1, 2, 3, 2, 1, 0, 2, 0, 1, 2, 3, 2, 1, 2, 3};

Section sectionAt(float seconds)
{
    // A step a hair before a boundary belongs to the new section: it is on its beat.
    Section s = Intro;
    for (int i = 0; i < 8; ++i)
        if (seconds + 0.03f >= kTrackSections[i].start)
            s = Section(i);
    return s;
}

float seconds(size_t sample) { return float(sample) / float(kSampleRate); }

void addBus(StereoBus& into, const StereoBus& from, float gain)
{
    for (size_t i = 0; i < into.frames(); ++i) {
        into.left[i] += from.left[i] * gain;
        into.right[i] += from.right[i] * gain;
    }
}

} // namespace

StereoBus renderTrack()
{
    const size_t frames = size_t(kTrackSeconds * float(kSampleRate));
    StereoBus drums(frames), music(frames), echo(frames), sweeps(frames);
    std::vector<float> duck(frames, 1.0f);
    const auto duckAt = [&](size_t at, float depth) {
        for (size_t i = 0; i < size_t(0.3f * kSampleRate) && at + i < frames; ++i)
            duck[at + i] = std::min(duck[at + i], 1.0f - depth * std::exp(-float(i) / (0.08f * kSampleRate)));
    };

    const int steps = int((frames - kGridOffset) / kStepSamples);
    for (int s = 0; s < steps; ++s) {
        const size_t at = kGridOffset + size_t(s) * kStepSamples;
        const float t = seconds(at);
        const Section sec = sectionAt(t);
        const int bar = s / 16, pos = s % 16, phrase = ((bar + 3) % 4) * 16 + pos;
        const bool varied = sec == Variation || (sec == Break && t < 77.5f);
        const Chord& chord = (varied ? kVary : kMain)[(bar + 3) % 4];
        const uint32_t seed = uint32_t(s) * 7919u;
        const bool beat = pos % 4 == 0;

        // Pad: a chord per bar, opening up through the intro.
        if (pos == 0 || s == 0) {
            const float introT = std::min(1.0f, t / 12.9f);
            float cutoff = 2400.0f, gain = 0.8f;
            switch (sec) {
            case Intro: cutoff = 350.0f + 2600.0f * introT * introT; gain = 0.55f + 0.45f * introT; break;
            case Sweep: cutoff = 600.0f; gain = 0.6f; break;
            case Beat: cutoff = 1800.0f; gain = 0.7f; break;
            case Break: cutoff = 900.0f + 600.0f * (t - 75.9f); gain = 0.9f; break;
            case Climax: cutoff = 3400.0f; gain = 0.75f; break;
            case Outro: cutoff = std::max(500.0f, 2600.0f - 150.0f * (t - 103.2f)); gain = 0.85f; break;
            default: break;
            }
            std::vector<float> notes(chord.tones, chord.tones + 3);
            notes.push_back(chord.root + 12.0f);
            pad(music, at, 16 * kStepSamples, notes, gain, cutoff);
        }

        // Arpeggio of the chord, sixteenths, into the echo.
        const bool arpOn = (sec == Intro && t >= 2.0f) || sec == Beat || sec == Theme || sec == Variation ||
                           sec == Climax || (sec == Outro && t < 114.0f);
        if (arpOn) {
            const int k = kArp[pos];
            const float note = (k == 3 ? chord.tones[0] + 12.0f : chord.tones[k]) + 12.0f;
            float cutoff = 2200.0f, gain = 0.16f;
            if (sec == Intro) {
                const float u = (t - 2.0f) / 10.9f;
                cutoff = 500.0f + 2500.0f * u;
                gain = 0.06f + 0.12f * u;
            } else if (sec == Variation) {
                cutoff = 3000.0f;
            } else if (sec == Climax) {
                cutoff = 3600.0f;
                gain = 0.18f;
            } else if (sec == Outro) {
                cutoff = std::max(400.0f, 2200.0f - 180.0f * (t - 103.2f));
            }
            pluck(echo, at, kStepSamples / 2, note, gain, cutoff, pos % 2 ? 0.45f : -0.45f);
        }

        // Drums.
        const bool drumsOn = sec == Beat || sec == Theme || sec == Variation || sec == Climax ||
                             (sec == Outro && t < 107.0f);
        if (drumsOn && beat) {
            kick(drums, at, sec == Outro ? 0.7f : 0.95f);
            duckAt(at, 0.55f);
        }
        if (sec == Variation && pos == 14 && bar % 2 == 1) {
            kick(drums, at, 0.75f);
            duckAt(at, 0.4f);
        }
        if (drumsOn && sec != Outro) {
            const float pan = pos % 4 == 2 ? 0.3f : -0.25f;
            if (sec == Beat && pos % 4 == 2)
                hat(drums, at, 0.22f, 40.0f, pan, seed + 1);
            if (sec == Theme || sec == Climax) {
                hat(drums, at, pos % 4 == 2 ? 0.25f : 0.1f, pos % 4 == 2 ? 14.0f : 60.0f, pan, seed + 1);
                if (pos == 4 || pos == 12)
                    snare(drums, at, 0.5f, seed + 2);
            }
            if (sec == Variation) {
                hat(drums, at, pos % 2 ? 0.14f : 0.26f, 90.0f, pan, seed + 1);
                if (pos == 4 || pos == 12) {
                    snare(drums, at, 0.45f, seed + 2);
                    clap(drums, at, 0.35f, seed + 3);
                }
                if (pos == 15 || (bar % 4 == 3 && pos >= 12))
                    snare(drums, at, 0.18f + 0.03f * float(pos - 12), seed + 4);
            }
            if (sec == Climax && (pos == 4 || pos == 12))
                clap(drums, at, 0.3f, seed + 3);
            if (sec == Theme && bar % 4 == 3 && pos >= 13)
                snare(drums, at, 0.2f, seed + 4);
        }
        // The break before the climax: a snare roll that speeds up and swells.
        if (sec == Break) {
            const float u = (t - 75.9f) / 3.3f;
            if (pos % (u < 0.5f ? 2 : 1) == 0)
                snare(drums, at, 0.1f + 0.35f * u * u, seed + 5);
            if (u > 0.75f)
                snare(drums, at + kStepSamples / 2, 0.3f * u, seed + 6);
        }
        // Crashes where the big scenes start and every eight bars of the climax.
        if ((s == 270) || (s == 537) || (s == 720) || (s == 938) || (sec == Climax && pos == 0 && bar % 8 == 5))
            crash(drums, at, 0.28f, seed + 7);

        // Bass: eighths with an octave on the off-beats; sixteenths in the climax.
        const bool bassOn = sec == Beat || sec == Theme || sec == Variation || sec == Climax;
        if (bassOn && (sec == Climax || pos % 2 == 0)) {
            const float note = chord.root + (pos % 8 == 6 || (sec == Climax && pos % 4 == 3) ? 12.0f : 0.0f);
            bass(music, at, sec == Climax ? kStepSamples * 3 / 4 : kStepSamples * 3 / 2, note,
                 sec == Beat ? 0.42f : 0.5f, sec == Variation ? 0.9f : 0.6f);
        }

        // Lead: the theme, its variation, and the theme doubled an octave up in the climax.
        if (sec == Theme || sec == Variation || sec == Climax) {
            const Note* first = sec == Variation ? kVariation : kTheme;
            const size_t count = sec == Variation ? std::size(kVariation) : std::size(kTheme);
            for (size_t i = 0; i < count; ++i)
                if (first[i].step == phrase) {
                    const size_t length = size_t(first[i].length) * kStepSamples - 600;
                    const float pitch = first[i].pitch;
                    lead(echo, at, length, pitch, sec == Climax ? 0.17f : 0.2f);
                    if (sec == Climax)
                        lead(echo, at, length, pitch + 12.0f, 0.1f);
                }
        }
        if (s == 938)
            lead(echo, at, 16 * kStepSamples, 69.0f, 0.16f);
    }

    // Noise sweeps: a rising band under the logo's end, the automaton's break, the climax riser.
    noiseSweep(sweeps, size_t(10.5f * kSampleRate), size_t(2.4f * kSampleRate), 300.0f, 3000.0f, 0.25f, 11);
    noiseSweep(sweeps, size_t(12.9f * kSampleRate), size_t(2.1f * kSampleRate), 250.0f, 9000.0f, 0.7f, 12);
    noiseSweep(sweeps, size_t(75.9f * kSampleRate), size_t(3.3f * kSampleRate), 200.0f, 12000.0f, 0.55f, 13);

    // The echo: ping-pong, three sixteenths apart.
    StereoBus wet(frames);
    const size_t delay = 3 * kStepSamples;
    for (size_t i = 0; i < frames; ++i) {
        const float fromL = i >= delay ? wet.left[i - delay] : 0.0f;
        const float fromR = i >= delay ? wet.right[i - delay] : 0.0f;
        wet.left[i] = echo.right[i] * 0.5f + fromR * 0.42f;
        wet.right[i] = echo.left[i] * 0.5f + fromL * 0.42f;
    }

    StereoBus mix(frames);
    addBus(mix, drums, 1.0f);
    for (size_t i = 0; i < frames; ++i) {
        mix.left[i] += (music.left[i] + echo.left[i]) * duck[i];
        mix.right[i] += (music.right[i] + echo.right[i]) * duck[i];
    }
    addBus(mix, wet, 0.45f);
    addBus(mix, sweeps, 1.0f);

    // The plucks' and leads' narrow pulses carry a DC offset that comes and
    // goes with the notes: a 20 Hz Butterworth high pass takes it out (and the
    // thump below the kick with it) before the peak is measured.
    for (std::vector<float>* channel : {&mix.left, &mix.right}) {
        Svf dcBlock;
        dcBlock.set(20.0f, 1.0f - 0.5f * 1.41421356f);
        for (float& x : *channel) {
            dcBlock.process(x);
            x = dcBlock.high;
        }
    }

    // Fade in over the first 50 ms and out to silence by 118 s; then a soft
    // limiter and normalisation to the peak target.
    float peak = 1e-9f;
    for (size_t i = 0; i < frames; ++i) {
        const float t = seconds(i);
        float g = std::min(1.0f, t / 0.05f);
        if (t > 110.0f)
            g *= t >= 118.0f ? 0.0f : 0.5f + 0.5f * std::cos((t - 110.0f) / 8.0f * 3.14159265f);
        mix.left[i] *= g;
        mix.right[i] *= g;
        peak = std::max(peak, std::max(std::fabs(mix.left[i]), std::fabs(mix.right[i])));
    }
    float limited = 1e-9f;
    for (size_t i = 0; i < frames; ++i) {
        mix.left[i] = std::tanh(mix.left[i] / peak * 1.4f);
        mix.right[i] = std::tanh(mix.right[i] / peak * 1.4f);
        limited = std::max(limited, std::max(std::fabs(mix.left[i]), std::fabs(mix.right[i])));
    }
    for (size_t i = 0; i < frames; ++i) {
        mix.left[i] *= kPeakTarget / limited;
        mix.right[i] *= kPeakTarget / limited;
    }
    return mix;
}

PackFile makeMusic()
{
    StereoBus track = renderTrack();
    std::vector<uint8_t> mp3 = encodeMp3(track.left, track.right);
    // The encoder's filters overshoot sharp peaks by up to a decibel: the
    // decoded peak is measured, and the track encoded again a little quieter
    // until it is under the ceiling (once is usually enough).
    for (int attempt = 0; attempt < 4; ++attempt) {
        const DecodedAudio decoded = decodeMp3(mp3);
        float peak = 0.0f;
        for (size_t i = 0; i < decoded.left.size(); ++i)
            peak = std::max({peak, std::fabs(decoded.left[i]), std::fabs(decoded.right[i])});
        if (peak <= kDecodedCeiling)
            break;
        const float gain = kDecodedCeiling / peak * 0.995f;
        for (size_t i = 0; i < track.frames(); ++i) {
            track.left[i] *= gain;
            track.right[i] *= gain;
        }
        mp3 = encodeMp3(track.left, track.right);
    }
    return {kMusicFile, std::move(mp3)};
}
