#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <stdexcept>
#include <vector>

// Frame-to-frame state as plain bytes, read back in the order written.
using StateBytes = std::vector<uint8_t>;

inline void saveBytes(StateBytes& out, const void* data, size_t size)
{
    const auto* bytes = static_cast<const uint8_t*>(data);
    out.insert(out.end(), bytes, bytes + size);
}

// Takes `size` bytes off the front of `in`.
inline void loadBytes(std::span<const uint8_t>& in, void* data, size_t size)
{
    if (in.size() < size)
        throw std::logic_error("the saved state is shorter than the object it is restored into");
    std::memcpy(data, in.data(), size);
    in = in.subspan(size);
}
