#include "Mp3.h"

#include <lame.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

std::vector<uint8_t> encodeMp3(const std::vector<float>& left, const std::vector<float>& right)
{
    std::unique_ptr<lame_global_flags, int (*)(lame_global_flags*)> lame(lame_init(), lame_close);
    if (!lame)
        throw std::runtime_error("LAME could not be initialised");
    lame_set_in_samplerate(lame.get(), 44100);
    lame_set_out_samplerate(lame.get(), 44100);
    lame_set_num_channels(lame.get(), 2);
    lame_set_mode(lame.get(), JOINT_STEREO);
    lame_set_VBR(lame.get(), vbr_off);
    lame_set_brate(lame.get(), 192);
    lame_set_quality(lame.get(), 2);
    lame_set_bWriteVbrTag(lame.get(), 0); // no header that depends on the encoder's build
    if (lame_init_params(lame.get()) < 0)
        throw std::runtime_error("LAME rejected the encoder settings");

    std::vector<uint8_t> out;
    constexpr int kChunk = 8192;
    std::vector<unsigned char> buffer(size_t(1.25 * kChunk) + 7200);
    for (size_t at = 0; at < left.size(); at += kChunk) {
        const int n = int(std::min<size_t>(kChunk, left.size() - at));
        const int written = lame_encode_buffer_ieee_float(lame.get(), &left[at], &right[at], n, buffer.data(),
                                                          int(buffer.size()));
        if (written < 0)
            throw std::runtime_error("LAME failed to encode (code " + std::to_string(written) + ")");
        out.insert(out.end(), buffer.begin(), buffer.begin() + written);
    }
    const int written = lame_encode_flush(lame.get(), buffer.data(), int(buffer.size()));
    if (written < 0)
        throw std::runtime_error("LAME failed to flush (code " + std::to_string(written) + ")");
    out.insert(out.end(), buffer.begin(), buffer.begin() + written);
    return out;
}

DecodedAudio decodeMp3(const std::vector<uint8_t>& mp3)
{
    std::unique_ptr<hip_global_flags, int (*)(hip_t)> hip(hip_decode_init(), hip_decode_exit);
    if (!hip)
        throw std::runtime_error("LAME's decoder could not be initialised");
    DecodedAudio out;
    std::vector<short> left(1152), right(1152);
    std::vector<unsigned char> piece;
    constexpr size_t kPiece = 4096;
    for (size_t at = 0; at < mp3.size(); at += kPiece) {
        piece.assign(mp3.begin() + std::ptrdiff_t(at), mp3.begin() + std::ptrdiff_t(std::min(mp3.size(), at + kPiece)));
        // One frame at a time: fed a piece, then drained of the frames it completed.
        for (int got = hip_decode1(hip.get(), piece.data(), piece.size(), left.data(), right.data()); got > 0;
             got = hip_decode1(hip.get(), piece.data(), 0, left.data(), right.data()))
            for (int i = 0; i < got; ++i) {
                out.left.push_back(float(left[size_t(i)]) / 32768.0f);
                out.right.push_back(float(right[size_t(i)]) / 32768.0f);
            }
    }
    return out;
}
