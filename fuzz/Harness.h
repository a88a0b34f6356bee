#pragma once
#include <cstddef>
#include <cstdint>

// Fuzzing entry points, shared by the libFuzzer targets and the test suite.
// Each takes arbitrary bytes and must never crash, read or write out of
// bounds, or report a fault as anything but its own error type.

// The bytes as a show file: parsed, and refused only with a ShowError.
void fuzzShowFile(const uint8_t* data, size_t size);

// The bytes as an effect class, every one of its members and its buffers
// (odd sizes, empty, missing, wrong pixel sizes), then one draw.
void fuzzEffectDraw(const uint8_t* data, size_t size);

// The bytes as an image file, decoded into a pixel buffer as the production
// loads one; refused only with a std::runtime_error.
void fuzzImageDecode(const uint8_t* data, size_t size);

// The first byte picks one of the show's files by kind (a picture, chosen by
// the second byte, a map, a dialog picture or the music); the rest is that
// file's content, checked as the data check does. Problems, never a crash.
void fuzzDataCheck(const uint8_t* data, size_t size);

// The bytes as both landscape maps, read as the landscape reads them.
void fuzzMapRead(const uint8_t* data, size_t size);
