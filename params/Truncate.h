#pragma once
#include <cstdint>

// Float-to-integer conversion as the x86 truncating instructions do it: toward
// zero, and the "integer indefinite" value (the lowest integer) for NaN and for
// anything out of range. A plain C++ cast is undefined there; this is not.
inline int32_t truncToInt32(double v)
{
    return (v > -2147483649.0 && v < 2147483648.0) ? static_cast<int32_t>(v) : INT32_MIN;
}

inline int64_t truncToInt64(double v)
{
    return (v > -9223372036854775808.0 && v < 9223372036854775808.0) ? static_cast<int64_t>(v) : INT64_MIN;
}
