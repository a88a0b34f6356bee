#pragma once
#include <cstdint>

// A typed value and a keyframe segment. Segments are copied into a stack
// Value<T> of the record's own type before use; see VarContainer.
enum SegmentMode : uint8_t { Hold = 0, Linear = 1, Linked = 2 };

struct BaseValue {
    virtual ~BaseValue() = default;
};

template <class T>
struct Value : BaseValue {
    T* target = nullptr;
    T from{};
    T to{};
    T* link = nullptr;
};

struct BaseVariable {
    float startTime = 0.0f;
    float endTime = 0.0f;
    uint8_t mode = Hold;

    virtual ~BaseVariable() = default;
    virtual void copyTo(BaseValue* out) const = 0;
};

template <class T>
struct Variable : BaseVariable, Value<T> {
    void copyTo(BaseValue* out) const override
    {
        if (auto* v = dynamic_cast<Value<T>*>(out))
            *v = static_cast<const Value<T>&>(*this);
    }
};
