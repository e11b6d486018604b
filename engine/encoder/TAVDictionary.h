#pragma once
// An owned AVDictionary: freed through the bound av_dict_free.
#include "engine/loader/AVBindings.h"

#include <utility>

namespace vidrelo {

class TAVDictionary {
public:
    TAVDictionary() = default;
    ~TAVDictionary() { Clear(); }
    TAVDictionary(TAVDictionary&& other) noexcept : FDict(std::exchange(other.FDict, nullptr)) {}
    TAVDictionary& operator=(TAVDictionary&& other) noexcept
    {
        if (this != &other) {
            Clear();
            FDict = std::exchange(other.FDict, nullptr);
        }
        return *this;
    }
    TAVDictionary(const TAVDictionary&) = delete;
    TAVDictionary& operator=(const TAVDictionary&) = delete;

    void Set(const char* key, const char* value) { ff::av_dict_set(&FDict, key, value, 0); }
    bool Empty() const { return FDict == nullptr; }
    AVDictionary* Get() const { return FDict; }
    AVDictionary** Address() { return &FDict; }
    void Clear()
    {
        if (FDict)
            ff::av_dict_free(&FDict);
    }

private:
    AVDictionary* FDict = nullptr;
};

}  // namespace vidrelo
