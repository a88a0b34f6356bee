#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <typeinfo>
#include <vector>

#include "params/StateBytes.h"
#include "params/Value.h"

struct PixelBuffer;

// The ten variable types, in the order in which type tags are matched.
enum class VarType : uint8_t { Char, UChar, Short, UShort, Int, UInt, Long, ULong, Float, Buffer, None };

// "char *", "unsigned char *", ... "struct PixelBuffer * *", indexed by VarType.
extern const char* const kTypeTags[10];

// The tag string decides the type: the first tag equal to it, or None.
VarType varTypeFromTag(std::string_view tag);

// Calls f.template operator()<T>() with the member type T that a variable of
// this type drives ("long *" is 32 bits here as on the original platform).
template <class F>
void visitVarType(VarType type, F&& f)
{
    switch (type) {
    case VarType::Char: f.template operator()<int8_t>(); break;
    case VarType::UChar: f.template operator()<uint8_t>(); break;
    case VarType::Short: f.template operator()<int16_t>(); break;
    case VarType::UShort: f.template operator()<uint16_t>(); break;
    case VarType::Int:
    case VarType::Long: f.template operator()<int32_t>(); break;
    case VarType::UInt:
    case VarType::ULong: f.template operator()<uint32_t>(); break;
    case VarType::Float: f.template operator()<float>(); break;
    case VarType::Buffer: f.template operator()<PixelBuffer*>(); break;
    case VarType::None: break;
    }
}

template <class T> constexpr VarType defaultVarType();
template <> constexpr VarType defaultVarType<int8_t>() { return VarType::Char; }
template <> constexpr VarType defaultVarType<uint8_t>() { return VarType::UChar; }
template <> constexpr VarType defaultVarType<int16_t>() { return VarType::Short; }
template <> constexpr VarType defaultVarType<uint16_t>() { return VarType::UShort; }
template <> constexpr VarType defaultVarType<int32_t>() { return VarType::Int; }
template <> constexpr VarType defaultVarType<uint32_t>() { return VarType::UInt; }
template <> constexpr VarType defaultVarType<float>() { return VarType::Float; }
template <> constexpr VarType defaultVarType<PixelBuffer*>() { return VarType::Buffer; }

// One registered variable: a named, typed member address and its segments.
// Segment 0 is the base value; the rest are keyframes in the order added.
struct VarRecord {
    std::string name;
    std::string typeName;
    const char* description = ""; // for authors: what the value does
    std::vector<std::unique_ptr<BaseVariable>> segments;
    void* target = nullptr;
    VarType type = VarType::None; // typeName, matched once at registration

    // The times of segments 1 ... side by side, which evaluate searches
    // instead of the segments themselves; rebuilt when segments are added.
    // `key` is the start of the span or of the last one before it that can
    // be active at all; `latestEnd` the latest end of those up to here.
    struct Span {
        float startTime, endTime, key, latestEnd;
    };
    std::vector<Span> spans;
    size_t spannedSegments = 0;
    bool keysInOrder = false;

    void addSegment(int32_t from, int32_t to, PixelBuffer* buffer, float startTime, float endTime);
    void addSegmentWithMode(int32_t from, int32_t to, PixelBuffer* buffer, uint8_t mode,
                            float startTime, float endTime);
    void setBase(int32_t from, int32_t to, PixelBuffer* buffer);
};

// The named, animatable parameters of an effect or generator.
class VarContainer {
public:
    std::vector<VarRecord> variables;
    char name[32] = {};

    VarContainer() = default;
    virtual ~VarContainer() = default;
    VarContainer(const VarContainer&) = delete;
    VarContainer& operator=(const VarContainer&) = delete;

    // Registers a member under a name, with a line for authors on what it
    // does. The type is the natural one for T, or given explicitly where two
    // tags share a member type ("int *"/"long *").
    template <class T>
    void addVariable(T* target, const char* varName, const char* description, VarType type = defaultVarType<T>())
    {
        addRecord(target, varName, description, type, defaultVarType<T>());
    }

    // The first record with exactly this name, or null.
    VarRecord* getVariable(std::string_view varName);

    // Stores the dynamic type's unqualified class name, e.g. "PutBuffer".
    void setClassName(const std::type_info& type);

    void initVariables(PixelBuffer* defaultBuffer);
    void applyBaseValues();
    void evaluate(float time);

    // Everything a frame leaves for the next: the members the variables
    // drive, then the class's own (captureOwn). Restoring needs the same
    // object, or one built from the same show. A buffer member is saved as
    // its place in `buffers` (kNoBuffer for none), so that the state also
    // restores into an object of another production with the buffers in the
    // same order; std::logic_error when it points at none of them.
    static constexpr uint32_t kNoBuffer = UINT32_MAX;
    void captureState(StateBytes& out, std::span<PixelBuffer* const> buffers) const;
    void restoreState(std::span<const uint8_t>& in, std::span<PixelBuffer* const> buffers);

protected:
    // Work memory or tables that a draw reads before it rewrites them.
    virtual void captureOwn(StateBytes&) const {}
    virtual void restoreOwn(std::span<const uint8_t>&) {}

private:
    void addRecord(void* target, const char* varName, const char* description, VarType type, VarType memberType);
    void indexAllSpans();

    // The times at which any member's keyframe can be active, as of the
    // count of segments added to any record: outside them evaluate has
    // nothing to do.
    float firstStart = 0.0f, lastEnd = 0.0f;
    uint64_t spansAsOf = UINT64_MAX;
};
