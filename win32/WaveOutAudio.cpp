#include "win32/WaveOutAudio.h"

#include <mmreg.h>
#include <msacm.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "audio/Mp3Frames.h"
#include "base/Files.h"

namespace {

// The show's music lasts two minutes. A file far longer is read and decoded
// only so far, so that no file can take all the memory.
constexpr size_t kMaxFileBytes = size_t(64) << 20;
constexpr double kMaxSeconds = 600.0;

WAVEFORMATEX pcmFormat(unsigned rate, unsigned channels)
{
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = WORD(channels);
    format.nSamplesPerSec = rate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = WORD(channels * 2);
    format.nAvgBytesPerSec = rate * format.nBlockAlign;
    return format;
}

// The first frame that another whole frame follows (or that ends the file):
// a stray 0xff byte before the music is not taken for its start.
bool findFirstFrame(const std::vector<uint8_t>& file, size_t& at, Mp3Frame& frame)
{
    const size_t start = firstMp3Frame(file.data(), file.size());
    const size_t end = std::min(file.size(), start + (size_t(1) << 16));
    for (at = start; at < end; ++at) {
        Mp3Frame next;
        if (readMp3Frame(file.data(), file.size(), at, frame) &&
            (at + frame.bytes >= file.size() || readMp3Frame(file.data(), file.size(), at + frame.bytes, next)))
            return true;
    }
    return false;
}

struct AcmStream {
    HACMSTREAM handle = nullptr;
    ~AcmStream()
    {
        if (handle)
            acmStreamClose(handle, 0);
    }
};

// `input` through one conversion of the Audio Compression Manager into
// `output`, up to kMaxSeconds of it; false where no codec of the system
// converts it.
bool convert(WAVEFORMATEX* from, WAVEFORMATEX* to, const uint8_t* input, size_t size, std::vector<uint8_t>& output)
{
    const size_t most = size_t(kMaxSeconds * to->nSamplesPerSec) * to->nBlockAlign;
    AcmStream stream;
    if (acmStreamOpen(&stream.handle, nullptr, from, to, nullptr, 0, 0, ACM_STREAMOPENF_NONREALTIME) !=
        MMSYSERR_NOERROR)
        return false;
    constexpr DWORD kPiece = 1 << 16;
    DWORD room = 0;
    if (acmStreamSize(stream.handle, kPiece, &room, ACM_STREAMSIZEF_SOURCE) != MMSYSERR_NOERROR || room == 0)
        return false;
    std::vector<uint8_t> source(kPiece), target(room);
    ACMSTREAMHEADER header{};
    header.cbStruct = sizeof header;
    header.pbSrc = source.data();
    header.cbSrcLength = kPiece;
    header.pbDst = target.data();
    header.cbDstLength = room;
    if (acmStreamPrepareHeader(stream.handle, &header, 0) != MMSYSERR_NOERROR)
        return false;
    bool converted = true;
    // Whole pieces while they are taken, then the rest with the codec's own end.
    bool end = false;
    for (size_t at = 0; !end && output.size() < most;) {
        const size_t n = std::min<size_t>(kPiece, size - at);
        end = n < kPiece;
        std::copy_n(input + at, n, source.data());
        header.cbSrcLength = DWORD(n);
        if (acmStreamConvert(stream.handle, &header, end ? ACM_STREAMCONVERTF_END : ACM_STREAMCONVERTF_BLOCKALIGN) !=
            MMSYSERR_NOERROR) {
            converted = false;
            break;
        }
        output.insert(output.end(), target.begin(), target.begin() + header.cbDstLengthUsed);
        at += header.cbSrcLengthUsed;
        if (header.cbSrcLengthUsed == 0)
            at = size; // it takes no more: what it holds comes out at the end
    }
    header.cbSrcLength = kPiece;
    acmStreamUnprepareHeader(stream.handle, &header, 0);
    output.resize(std::min(output.size(), most));
    return converted;
}

} // namespace

int decodeMp3File(const std::string& path, unsigned rate, std::vector<int16_t>& samples)
{
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(openFile(path, "rb"), std::fclose);
    if (!file)
        return WaveOutAudio::Unreadable;
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    for (size_t n; bytes.size() < kMaxFileBytes && (n = std::fread(chunk, 1, sizeof chunk, file.get())) > 0;)
        bytes.insert(bytes.end(), chunk, chunk + n);
    if (std::ferror(file.get()))
        return WaveOutAudio::Unreadable;

    size_t at = 0;
    Mp3Frame frame;
    if (!findFirstFrame(bytes, at, frame))
        return WaveOutAudio::BadFormat;
    MPEGLAYER3WAVEFORMAT mp3{};
    mp3.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    mp3.wfx.nChannels = WORD(frame.channels);
    mp3.wfx.nSamplesPerSec = frame.sampleRate;
    mp3.wfx.nAvgBytesPerSec = frame.kbps * 1000 / 8;
    mp3.wfx.nBlockAlign = 1;
    mp3.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
    mp3.wID = MPEGLAYER3_ID_MPEG;
    mp3.fdwFlags = MPEGLAYER3_FLAG_PADDING_OFF;
    mp3.nBlockSize = WORD(frame.samples / 8 * frame.kbps * 1000 / frame.sampleRate);
    mp3.nFramesPerBlock = 1;
    mp3.nCodecDelay = 1393;

    // The codec gives the file's own rate and channels; the system's PCM
    // converter makes them the output's where they differ.
    WAVEFORMATEX decoded = pcmFormat(frame.sampleRate, frame.channels), wanted = pcmFormat(rate, 2);
    std::vector<uint8_t> pcm;
    if (!convert(&mp3.wfx, &decoded, bytes.data() + at, bytes.size() - at, pcm))
        return WaveOutAudio::BadFormat;
    if (frame.sampleRate != rate || frame.channels != 2) {
        std::vector<uint8_t> converted;
        if (!convert(&decoded, &wanted, pcm.data(), pcm.size(), converted))
            return WaveOutAudio::BadFormat;
        pcm.swap(converted);
    }
    if (pcm.size() < 4)
        return WaveOutAudio::BadFormat;
    samples.resize(pcm.size() / 4 * 2);
    std::copy_n(pcm.data(), samples.size() * 2, reinterpret_cast<uint8_t*>(samples.data()));
    return WaveOutAudio::NoError;
}

WaveOutAudio::~WaveOutAudio()
{
    if (!device)
        return;
    halt();
    waveOutClose(device);
}

bool WaveOutAudio::open(int frequency)
{
    error = NoError;
    if (device)
        return true;
    WAVEFORMATEX format = pcmFormat(unsigned(frequency), 2);
    if (waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
        device = nullptr;
        error = NoOutput;
        return false;
    }
    rate = unsigned(frequency);
    return true;
}

uint32_t WaveOutAudio::loadModule(const char*)
{
    error = device ? BadFormat : NotOpen;
    return 0;
}

uint32_t WaveOutAudio::loadStream(const char* path)
{
    error = NoError;
    if (!device) {
        error = NotOpen;
        return 0;
    }
    std::vector<int16_t> samples;
    error = decodeMp3File(path, rate, samples);
    if (error != NoError)
        return 0;
    tracks.push_back(std::move(samples));
    return uint32_t(tracks.size());
}

void WaveOutAudio::play(uint32_t handle)
{
    playFrom(handle, 0.0);
}

void WaveOutAudio::stop(uint32_t handle)
{
    if (handle != 0 && handle == playing)
        halt();
}

void WaveOutAudio::playFrom(uint32_t handle, double seconds)
{
    if (handle == 0 || handle > tracks.size())
        return;
    halt();
    const std::vector<int16_t>& samples = tracks[handle - 1];
    const double frame = std::max(0.0, seconds) * rate;
    if (frame >= double(samples.size() / 2))
        return; // past its end: silent
    queue(samples, size_t(frame) * 2);
    playing = handle;
}

// Every block is handed to the device at once; it plays them in order with no
// further call, and nothing is freed before halt() takes them back.
void WaveOutAudio::queue(const std::vector<int16_t>& samples, size_t first)
{
    const size_t block = size_t(rate) * 2;
    blocks.assign((samples.size() - first + block - 1) / block, WAVEHDR{});
    for (size_t i = 0; i < blocks.size(); ++i) {
        WAVEHDR& b = blocks[i];
        const size_t from = first + i * block;
        b.lpData = reinterpret_cast<LPSTR>(const_cast<int16_t*>(samples.data() + from));
        b.dwBufferLength = DWORD(std::min(block, samples.size() - from) * sizeof(int16_t));
        if (waveOutPrepareHeader(device, &b, sizeof b) != MMSYSERR_NOERROR ||
            waveOutWrite(device, &b, sizeof b) != MMSYSERR_NOERROR) {
            blocks.resize(i + 1);
            break;
        }
    }
}

void WaveOutAudio::halt()
{
    playing = 0;
    if (blocks.empty())
        return;
    waveOutReset(device);
    for (WAVEHDR& b : blocks)
        waveOutUnprepareHeader(device, &b, sizeof b);
    blocks.clear();
}
