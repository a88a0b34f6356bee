#include "show/ShowDiff.h"

#include <algorithm>
#include <limits>
#include <map>
#include <string_view>
#include <vector>

namespace {

constexpr float kNever = std::numeric_limits<float>::infinity();

// A variable's calls as buildShow leaves them on its record: the last base
// value set, and the segments in the order made.
struct VariableCalls {
    const ShowCall* base = nullptr;
    std::vector<const ShowCall*> segments;
};

std::map<std::string_view, VariableCalls> byVariable(const ShowObject& object)
{
    std::map<std::string_view, VariableCalls> variables;
    for (const ShowCall& call : object.calls) {
        VariableCalls& v = variables[call.variable];
        if (call.kind == ShowCall::SetBase)
            v.base = &call;
        else
            v.segments.push_back(&call);
    }
    return variables;
}

bool sameBase(const ShowCall* a, const ShowCall* b)
{
    if (!a || !b)
        return a == b;
    return a->from == b->from && a->picture == b->picture;
}

bool sameSegment(const ShowCall* a, const ShowCall* b)
{
    // A segment without a mode holds, as one marked H does.
    const auto mode = [](const ShowCall* c) { return c->kind == ShowCall::SegmentWithMode ? c->mode : uint8_t(0); };
    return mode(a) == mode(b) && a->from == b->from && a->to == b->to && a->picture == b->picture &&
           a->startTime == b->startTime && a->endTime == b->endTime;
}

// The value at a time comes from the last segment made that covers it, so the
// segments before and after the changed run keep their say, in their order,
// wherever no changed one covers the time: only the changed run's starts count.
float firstChangedSegment(const std::vector<const ShowCall*>& a, const std::vector<const ShowCall*>& b)
{
    size_t head = 0;
    while (head < a.size() && head < b.size() && sameSegment(a[head], b[head]))
        ++head;
    size_t tail = 0;
    while (head + tail < a.size() && head + tail < b.size() &&
           sameSegment(a[a.size() - 1 - tail], b[b.size() - 1 - tail]))
        ++tail;
    float first = kNever;
    for (size_t i = head; i + tail < a.size(); ++i)
        first = std::min(first, a[i]->startTime);
    for (size_t i = head; i + tail < b.size(); ++i)
        first = std::min(first, b[i]->startTime);
    return first;
}

// kNever when the two objects drive their members alike; 0 for a different class.
float firstDifference(const ShowObject& a, const ShowObject& b)
{
    if (a.generator != b.generator || a.className != b.className)
        return 0.0f;
    std::map<std::string_view, VariableCalls> va = byVariable(a), vb = byVariable(b);
    // Each name of either object, with nothing for the one that never names it.
    for (const auto& [name, calls] : va)
        vb.try_emplace(name);
    for (const auto& [name, calls] : vb)
        va.try_emplace(name);
    float first = kNever;
    for (const auto& [name, calls] : va) {
        const VariableCalls& other = vb.at(name);
        if (!sameBase(calls.base, other.base)) // set on the first frame
            return 0.0f;
        first = std::min(first, firstChangedSegment(calls.segments, other.segments));
    }
    // The generator is rarely edited, and its values are not held like an effect's.
    if (a.generator && first != kNever)
        return 0.0f;
    return first;
}

} // namespace

uint32_t firstDifferenceMs(const ShowScript& a, const ShowScript& b)
{
    const auto sameImage = [](const ShowImage& x, const ShowImage& y) { return x.name == y.name; };
    if (!std::equal(a.images.begin(), a.images.end(), b.images.begin(), b.images.end(), sameImage) ||
        a.objects.size() != b.objects.size())
        return 0;
    float first = kNever;
    for (size_t i = 0; i < a.objects.size() && first > 0.0f; ++i)
        first = std::min(first, firstDifference(a.objects[i], b.objects[i]));
    return first == kNever ? kShowsAlike : uint32_t(first);
}
