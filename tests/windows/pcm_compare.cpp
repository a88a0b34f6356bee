// The music as the Windows player decodes it against the Linux player's
// decoder (SDL2_mixer): the same length within 50 ms, and the waveforms
// aligned and alike (normalised cross-correlation and loudness over seconds
// spread over the piece). Exit 0 when they agree, 1 when not, 2 on a usage error.
// usage: softdemo_pcm_compare MUSIC.mp3 DECODED.raw   (16-bit stereo, 44,100 Hz)
#include <SDL.h>
#include <SDL_mixer.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr double kMaxLengthGap = 0.050; // seconds
constexpr double kMinSimilarity = 0.99;
constexpr double kMaxLevelGap = 0.05;
constexpr int kMaxLag = kRate / 20;     // 50 ms either way

// Left and right averaged, one value a frame.
std::vector<float> mono(const int16_t* samples, size_t count)
{
    std::vector<float> out(count / 2);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = (float(samples[2 * i]) + float(samples[2 * i + 1])) / 2.0f;
    return out;
}

bool decodeWithSdl(const char* path, std::vector<float>& out)
{
    SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (SDL_Init(SDL_INIT_AUDIO) != 0 || Mix_OpenAudio(kRate, AUDIO_S16SYS, 2, 4096) != 0) {
        std::fprintf(stderr, "SDL2_mixer cannot open its dummy output: %s\n", SDL_GetError());
        return false;
    }
    Mix_Init(MIX_INIT_MP3);
    Mix_Chunk* chunk = Mix_LoadWAV(path);
    if (!chunk) {
        std::fprintf(stderr, "%s: SDL2_mixer cannot decode it: %s\n", path, Mix_GetError());
        return false;
    }
    out = mono(reinterpret_cast<const int16_t*>(chunk->abuf), chunk->alen / 2);
    Mix_FreeChunk(chunk);
    Mix_CloseAudio();
    SDL_Quit();
    return true;
}

struct Match {
    double similarity; // normalised cross-correlation; 1 for two silences
    double level;      // b's loudness over a's
};

// a[from ... from + length) against b shifted by lag.
Match match(const std::vector<float>& a, const std::vector<float>& b, size_t from, size_t length, int lag)
{
    double ab = 0, aa = 0, bb = 0;
    for (size_t i = from; i < from + length; ++i) {
        const double x = a[i], y = b[size_t(ptrdiff_t(i) + lag)];
        ab += x * y;
        aa += x * x;
        bb += y * y;
    }
    const double quiet = double(length); // under one step of 16 bits on average
    if (aa < quiet && bb < quiet)
        return {1.0, 1.0};
    if (aa < quiet || bb < quiet)
        return {0.0, aa < quiet ? 1e9 : 0.0};
    return {ab / std::sqrt(aa * bb), std::sqrt(bb / aa)};
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: softdemo_pcm_compare MUSIC.mp3 DECODED.raw\n");
        return 2;
    }
    std::vector<float> linux;
    if (!decodeWithSdl(argv[1], linux))
        return 1;
    std::ifstream in(argv[2], std::ios::binary);
    const std::vector<char> raw{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::vector<float> windows = mono(reinterpret_cast<const int16_t*>(raw.data()), raw.size() / 2);

    const double linuxSeconds = double(linux.size()) / kRate, windowsSeconds = double(windows.size()) / kRate;
    std::printf("SDL2_mixer: %.3f s, Audio Compression Manager: %.3f s\n", linuxSeconds, windowsSeconds);
    bool agree = std::fabs(linuxSeconds - windowsSeconds) <= kMaxLengthGap;
    if (!agree)
        std::printf("the lengths differ by more than %.0f ms\n", kMaxLengthGap * 1000);
    const size_t shorter = std::min(linux.size(), windows.size());
    if (shorter < size_t(30) * kRate) {
        std::printf("too short to compare\n");
        return 1;
    }

    // The shift that lines them up best, found over one second well into the piece.
    int lag = 0;
    double best = -1;
    for (int l = -kMaxLag; l <= kMaxLag; ++l)
        if (const double s = match(linux, windows, 20 * kRate, kRate, l).similarity; s > best) {
            best = s;
            lag = l;
        }
    std::printf("aligned with the Windows samples shifted by %d (%.1f ms)\n", lag, lag * 1000.0 / kRate);
    // Seconds spread over the piece, each alike at that shift.
    const size_t windowLength = kRate, margin = kMaxLag;
    const size_t count = 8;
    for (size_t w = 0; w < count; ++w) {
        const size_t from = margin + (shorter - 2 * margin - windowLength) * w / (count - 1);
        const Match m = match(linux, windows, from, windowLength, lag);
        std::printf("  at %6.1f s: similarity %.5f, level %.3f\n", double(from) / kRate, m.similarity, m.level);
        if (!(m.similarity >= kMinSimilarity && std::fabs(m.level - 1.0) <= kMaxLevelGap)) {
            std::printf("  not alike (similarity under %.2f or level off by more than %.0f %%)\n", kMinSimilarity,
                        kMaxLevelGap * 100);
            agree = false;
        }
    }
    std::printf(agree ? "alike\n" : "they differ\n");
    return agree ? 0 : 1;
}
