#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "gfx/ImageDecoder.h"
#include "gfx/PixelBuffer.h"

class Production;

// A show file's error, formatted "FILE:LINE:COLUMN: message".
class ShowError : public std::runtime_error {
public:
    ShowError(const std::string& file, int line, int column, const std::string& message);
};

struct ShowLocation {
    int line = 0;
    int column = 0;
};

// One call on a variable; runs of pictures are already expanded into their segments.
struct ShowCall {
    enum Kind : uint8_t { SetBase, Segment, SegmentWithMode };

    Kind kind = SetBase;
    std::string variable;
    ShowLocation where;    // the variable's name
    ShowLocation valueAt;  // the value, for type errors
    std::string picture;   // empty for a number
    int32_t from = 0;
    int32_t to = 0;
    uint8_t mode = 0;
    float startTime = 0.0f;
    float endTime = 0.0f;
};

// One effect or the generator, with its calls in the order made.
struct ShowObject {
    bool generator = false;
    std::string className;
    ShowLocation where; // the class name
    std::vector<ShowCall> calls;
};

struct ShowImage {
    std::string name;
    ShowLocation where;
};

struct ShowScript {
    std::string file;
    std::vector<ShowImage> images; // loaded in this order after the frame buffer
    std::vector<ShowObject> objects;
};

// Reads a whole show file; throws ShowError at the first fault.
ShowScript parseShow(std::string_view text, const std::string& fileName);

// Pictures as another production loaded them, by show name.
using LoadedPictures = std::map<std::string, std::unique_ptr<PixelBuffer>, std::less<>>;

// What buildShow does with a picture that is neither loaded nor decoded.
enum class MissingPictures : uint8_t {
    Read,  // reads and decodes it from the data directory
    // Makes its buffer black, at the size the pack's picture has, for
    // Production::fillImage to fill before the show first needs it (packNeeds):
    // a show that starts before its whole pack has arrived.
    Later,
};

// Makes every call of the show on a production that holds nothing yet: the
// frame buffer, the pictures, then each effect and generator. A picture found
// in `loaded` is moved from there, one found in `decoded` (as the data check
// leaves them, from the production's data directory) is taken from there; the
// others are read and decoded over every core, or left for later. On a
// ShowError (unknown class or variable, a value of the wrong kind, a picture
// that does not load, or is left for later and is none of the pack's) the
// production is half-built and must be discarded, and every picture taken
// from `loaded` is back in it.
void buildShow(const ShowScript& show, Production& production, DecodedPictures decoded = {},
               LoadedPictures* loaded = nullptr, MissingPictures missing = MissingPictures::Read);

// The show compiled into the programs.
std::string_view embeddedShowText();
constexpr const char* kEmbeddedShowName = "show/demo.show";
