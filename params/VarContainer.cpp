#include "params/VarContainer.h"

#include <cxxabi.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <type_traits>

#include "params/Truncate.h"

const char* const kTypeTags[10] = {
    "char *", "unsigned char *", "short *", "unsigned short *", "int *",
    "unsigned int *", "long *", "unsigned long *", "float *", "struct PixelBuffer * *",
};

VarType varTypeFromTag(std::string_view tag)
{
    for (int i = 0; i < 10; ++i)
        if (tag == kTypeTags[i])
            return static_cast<VarType>(i);
    return VarType::None;
}

namespace {

template <class T>
constexpr bool kIsBuffer = std::is_same_v<T, PixelBuffer*>;

// Keyframe arguments arrive as 32-bit integers whatever the member type:
// narrow types keep the low bits, floats get the nearest value.
template <class T>
T fromArgument(int32_t v)
{
    if constexpr (std::is_same_v<T, float>)
        return static_cast<float>(v);
    else
        return static_cast<T>(v);
}

template <class T>
std::unique_ptr<BaseVariable> makeSegment(const VarRecord& record, int32_t from, int32_t to,
                                          PixelBuffer* buffer, uint8_t mode, float startTime,
                                          float endTime)
{
    auto segment = std::make_unique<Variable<T>>();
    segment->startTime = startTime;
    segment->endTime = endTime;
    segment->mode = mode;
    segment->target = static_cast<T*>(record.target);
    if constexpr (kIsBuffer<T>) {
        segment->from = buffer;
        segment->to = nullptr;
    } else {
        segment->from = fromArgument<T>(from);
        segment->to = fromArgument<T>(to);
    }
    segment->link = nullptr;
    return segment;
}

std::unique_ptr<BaseVariable> makeSegment(const VarRecord& record, int32_t from, int32_t to,
                                          PixelBuffer* buffer, uint8_t mode, float startTime,
                                          float endTime)
{
    std::unique_ptr<BaseVariable> segment;
    visitVarType(record.type, [&]<class T>() {
        segment = makeSegment<T>(record, from, to, buffer, mode, startTime, endTime);
    });
    return segment;
}

// The linear blend in float, truncated (never rounded) into the member type.
template <class T>
T blend(T from, T to, float startTime, float endTime, float time)
{
    if (startTime == endTime)
        return from; // a zero-length span has no slope; its one instant shows `from`
    const float f = (time - startTime) / (endTime - startTime);
    const float a = static_cast<float>(from);
    const float b = static_cast<float>(to);
    const float first = (1.0f - f) * a;
    const float second = f * b;
    const float v = first + second;
    if constexpr (std::is_same_v<T, float>)
        return v;
    else if constexpr (std::is_same_v<T, uint32_t>)
        return static_cast<uint32_t>(truncToInt64(v));
    else
        return static_cast<T>(truncToInt32(v));
}

// Counts every segment added to any record, so that indexes of them can tell
// that they are out of date.
uint64_t segmentsAdded = 0;

// Times of spans that can be active at all.
void indexSpans(VarRecord& record)
{
    const size_t count = record.segments.size();
    record.spans.clear();
    record.keysInOrder = true;
    float key = -std::numeric_limits<float>::infinity(), latestEnd = key;
    for (size_t i = 1; i < count; ++i) {
        const float start = record.segments[i]->startTime, end = record.segments[i]->endTime;
        if (start <= end) {
            record.keysInOrder = record.keysInOrder && key <= start;
            key = start;
            latestEnd = std::max(latestEnd, end);
        }
        record.spans.push_back({start, end, key, latestEnd});
    }
    record.spannedSegments = count;
}

// Only the last segment that writes the member decides its value, so the
// search runs from the last span that may be active back, and stops where no
// earlier span reaches the time.
template <class T>
void evaluateRecord(VarRecord& record, float time)
{
    const std::vector<VarRecord::Span>& spans = record.spans;
    size_t i = spans.size();
    if (record.keysInOrder) // spans from the first key past the time on cannot be active
        i = size_t(std::upper_bound(spans.begin(), spans.end(), time,
                                    [](float t, const VarRecord::Span& span) { return t < span.key; }) -
                   spans.begin());
    while (i-- > 0) {
        if (spans[i].latestEnd < time)
            break;
        if (!(spans[i].startTime <= time && time <= spans[i].endTime))
            continue;
        const BaseVariable& segment = *record.segments[i + 1];
        // Every segment of a record was made for the record's own type, so
        // the copy needs no run-time type check (copyTo's dynamic_cast costs
        // more than the rest of the evaluation on every frame).
        const Value<T> value = static_cast<const Variable<T>&>(segment);
        if constexpr (kIsBuffer<T>) {
            *value.target = value.from;
            return;
        } else {
            switch (segment.mode) {
            case Hold: *value.target = value.from; return;
            case Linear:
                *value.target = blend(value.from, value.to, segment.startTime, segment.endTime, time);
                return;
            case Linked:
                // A link to the member itself keeps what the segments before left.
                if (value.link && value.link != value.target) {
                    *value.target = *value.link;
                    return;
                }
                break;
            default: break; // unknown modes never write
            }
        }
    }
}

} // namespace

void VarRecord::addSegment(int32_t from, int32_t to, PixelBuffer* buffer, float startTime, float endTime)
{
    addSegmentWithMode(from, to, buffer, Hold, startTime, endTime);
}

void VarRecord::addSegmentWithMode(int32_t from, int32_t to, PixelBuffer* buffer, uint8_t mode,
                                   float startTime, float endTime)
{
    if (auto segment = makeSegment(*this, from, to, buffer, mode, startTime, endTime)) {
        segments.push_back(std::move(segment));
        ++segmentsAdded;
    }
}

void VarRecord::setBase(int32_t from, int32_t to, PixelBuffer* buffer)
{
    if (segments.empty()) {
        addSegment(from, to, buffer, 0.0f, 0.0f);
        return;
    }
    const BaseVariable& old = *segments[0];
    if (auto segment = makeSegment(*this, from, to, buffer, old.mode, old.startTime, old.endTime))
        segments[0] = std::move(segment);
}

void VarContainer::addRecord(void* target, const char* varName, const char* description, VarType type,
                             VarType memberType)
{
    const bool sameWidth = type == memberType || (type == VarType::Long && memberType == VarType::Int) ||
                           (type == VarType::ULong && memberType == VarType::UInt);
    if (!sameWidth || type == VarType::None)
        throw std::logic_error(std::string("variable \"") + varName + "\": type does not fit its member");
    VarRecord record;
    record.name = varName;
    record.description = description;
    record.typeName = kTypeTags[static_cast<int>(type)];
    record.type = varTypeFromTag(record.typeName);
    record.target = target;
    variables.push_back(std::move(record));
}

VarRecord* VarContainer::getVariable(std::string_view varName)
{
    for (VarRecord& record : variables)
        if (record.name == varName)
            return &record;
    return nullptr;
}

void VarContainer::setClassName(const std::type_info& type)
{
    int status = 0;
    char* demangled = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    std::string_view full = status == 0 && demangled ? demangled : type.name();
    if (const size_t colon = full.rfind("::"); colon != std::string_view::npos)
        full.remove_prefix(colon + 2);
    std::memset(name, 0, sizeof name);
    std::memcpy(name, full.data(), full.size() < sizeof name ? full.size() : sizeof name - 1);
    std::free(demangled);
}

void VarContainer::initVariables(PixelBuffer* defaultBuffer)
{
    for (VarRecord& record : variables) {
        const int32_t value = record.name == "flag" ? 1 : 0;
        record.addSegment(value, value, defaultBuffer, 0.0f, 0.0f);
    }
}

void VarContainer::applyBaseValues()
{
    for (VarRecord& record : variables) {
        if (record.segments.empty())
            continue;
        visitVarType(record.type, [&]<class T>() {
            Value<T> value;
            record.segments[0]->copyTo(&value);
            *value.target = value.from;
        });
    }
}

void VarContainer::indexAllSpans()
{
    firstStart = std::numeric_limits<float>::infinity();
    lastEnd = -firstStart;
    for (VarRecord& record : variables) {
        indexSpans(record);
        for (const VarRecord::Span& span : record.spans)
            if (span.startTime <= span.endTime) {
                firstStart = std::min(firstStart, span.startTime);
                lastEnd = std::max(lastEnd, span.endTime);
            }
    }
    spansAsOf = segmentsAdded;
}

void VarContainer::evaluate(float time)
{
    if (spansAsOf != segmentsAdded)
        indexAllSpans();
    // Before the first keyframe and after the last the members keep their values.
    if (!(firstStart <= time && time <= lastEnd))
        return;
    for (VarRecord& record : variables) {
        if (record.spannedSegments != record.segments.size())
            indexSpans(record);
        // Most members have no keyframes, or none left by this time.
        if (record.spans.empty() || record.spans.back().latestEnd < time)
            continue;
        visitVarType(record.type, [&]<class T>() { evaluateRecord<T>(record, time); });
    }
}

void VarContainer::captureState(StateBytes& out, std::span<PixelBuffer* const> buffers) const
{
    for (const VarRecord& record : variables)
        visitVarType(record.type, [&]<class T>() {
            if constexpr (kIsBuffer<T>) {
                const PixelBuffer* buffer = *static_cast<PixelBuffer* const*>(record.target);
                uint32_t place = kNoBuffer;
                if (buffer) {
                    const auto found = std::find(buffers.begin(), buffers.end(), buffer);
                    if (found == buffers.end())
                        throw std::logic_error(std::string(name) + "." + record.name +
                                               " points at a buffer of another production");
                    place = uint32_t(found - buffers.begin());
                }
                saveBytes(out, &place, sizeof place);
            } else {
                saveBytes(out, record.target, sizeof(T));
            }
        });
    captureOwn(out);
}

void VarContainer::restoreState(std::span<const uint8_t>& in, std::span<PixelBuffer* const> buffers)
{
    for (const VarRecord& record : variables)
        visitVarType(record.type, [&]<class T>() {
            if constexpr (kIsBuffer<T>) {
                uint32_t place = kNoBuffer;
                loadBytes(in, &place, sizeof place);
                if (place != kNoBuffer && place >= buffers.size())
                    throw std::logic_error("the saved state names a buffer the production does not have");
                *static_cast<PixelBuffer**>(record.target) = place == kNoBuffer ? nullptr : buffers[place];
            } else {
                loadBytes(in, record.target, sizeof(T));
            }
        });
    restoreOwn(in);
}
