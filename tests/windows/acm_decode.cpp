// Decodes an MP3 file as the Windows player does, through the Audio
// Compression Manager, into raw 16-bit stereo at 44,100 Hz, for comparison
// with the Linux player's decoder.
#include <cstdio>
#include <string>
#include <vector>

#include "base/Files.h"
#include "win32/WaveOutAudio.h"

int wmain(int argc, wchar_t** argv)
{
    const std::vector<std::string> args = utf8Arguments(argc, argv);
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: softdemo_acm_decode IN.mp3 OUT.raw\n");
        return 2;
    }
    std::vector<int16_t> samples;
    if (const int error = decodeMp3File(args[1], 44100, samples); error != WaveOutAudio::NoError) {
        std::fprintf(stderr, "%s: cannot be decoded (error code %d)\n", args[1].c_str(), error);
        return 1;
    }
    std::FILE* out = openFile(args[2], "wb");
    if (!out || std::fwrite(samples.data(), sizeof(int16_t), samples.size(), out) != samples.size() ||
        std::fclose(out) != 0) {
        std::fprintf(stderr, "%s: cannot be written\n", args[2].c_str());
        return 1;
    }
    std::printf("%zu samples a channel\n", samples.size() / 2);
    return 0;
}
