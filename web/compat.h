#pragma once
// Debian's emscripten ships libc++ 13, which has <bit> but not bit_cast;
// the compiler's builtin does the same. Forced into every web source file.
#include <bit>
#include <version>

#ifndef __cpp_lib_bit_cast
namespace std {
template <class To, class From>
constexpr To bit_cast(const From& from) noexcept
{
    return __builtin_bit_cast(To, from);
}
} // namespace std
#endif
