// Owns one COM interface reference.
#pragma once

#include <unknwn.h>

#include <utility>

namespace bundled {

template <typename T> class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : FPointer(std::exchange(other.FPointer, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            FPointer = std::exchange(other.FPointer, nullptr);
        }
        return *this;
    }
    ~ComPtr() { Reset(); }
    // Takes over a reference the caller holds (that of a newly made object).
    static ComPtr Adopt(T* pointer) noexcept {
        ComPtr p;
        p.FPointer = pointer;
        return p;
    }

    T* Get() const noexcept { return FPointer; }
    T* operator->() const noexcept { return FPointer; }
    explicit operator bool() const noexcept { return FPointer != nullptr; }
    // For out-parameters: drops the current reference and lends the slot.
    T** Put() noexcept {
        Reset();
        return &FPointer;
    }
    void Reset() noexcept {
        if (FPointer)
            std::exchange(FPointer, nullptr)->Release();
    }
    template <typename U> HRESULT As(ComPtr<U>& other) const noexcept {
        return FPointer
                   ? FPointer->QueryInterface(__uuidof(U), reinterpret_cast<void**>(other.Put()))
                   : E_POINTER;
    }

private:
    T* FPointer = nullptr;
};

} // namespace bundled
