#pragma once
#include <charconv>
#include <cstdint>
#include <stdexcept>
#include <string>

// The value after the option argv[i]; moves i on to it.
inline std::string optionValue(int argc, const char* const* argv, int& i)
{
    if (i + 1 >= argc)
        throw std::invalid_argument(std::string(argv[i]) + " needs a value");
    return argv[++i];
}

// An option's whole-number value from min to max; throws
// std::invalid_argument naming the option and the text otherwise.
inline uint32_t wholeNumber(const std::string& option, const std::string& text, uint32_t min, uint32_t max)
{
    uint32_t v = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || v < min || v > max)
        throw std::invalid_argument(option + ": \"" + text + "\" is not a whole number from " + std::to_string(min) +
                                    " to " + std::to_string(max));
    return v;
}
