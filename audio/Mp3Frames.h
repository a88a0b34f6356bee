#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// MPEG audio layer III frame headers: enough to tell a decoder what a file
// holds and to find where its whole frames end.
struct Mp3Frame {
    unsigned sampleRate = 0;
    unsigned channels = 0;
    unsigned kbps = 0;
    size_t bytes = 0;     // the whole frame, header included
    unsigned samples = 0; // per channel
};

// The frame whose header starts at data[at]; false where none does.
bool readMp3Frame(const uint8_t* data, size_t size, size_t at, Mp3Frame& frame);

// Where the frames start: past an ID3v2 tag, if the file has one.
size_t firstMp3Frame(const uint8_t* data, size_t size);

// How much of an MP3 file is whole frames from its start, and how long they play.
struct Mp3Extent {
    size_t bytes = 0; // where the last whole frame ends; 0 when there is none
    double seconds = 0.0;
};
Mp3Extent measureMp3(const std::vector<uint8_t>& file);
