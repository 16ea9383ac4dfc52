// RAII owners for the Win32 handles the program holds. Each closes its handle exactly once;
// none can be copied, all can be moved.
#pragma once

#include <windows.h>

#include <cstdint>
#include <utility>

namespace tovane {

template <typename H, typename Traits> class UniqueHandle {
public:
    UniqueHandle() noexcept = default;
    explicit UniqueHandle(H h) noexcept : FHandle(h) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : FHandle(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    ~UniqueHandle() { Reset(); }

    H Get() const noexcept { return FHandle; }
    explicit operator bool() const noexcept { return Traits::IsValid(FHandle); }
    H Release() noexcept { return std::exchange(FHandle, Traits::Invalid()); }
    void Reset(H h = Traits::Invalid()) noexcept {
        if (Traits::IsValid(FHandle))
            Traits::Close(FHandle);
        FHandle = h;
    }

private:
    H FHandle = Traits::Invalid();
};

// Handles for which null means none, closed by close.
template <typename H, auto close> struct NullIsNone {
    static H Invalid() { return nullptr; }
    static bool IsValid(H h) { return h != nullptr; }
    static void Close(H h) { close(h); }
};
struct FindTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(HANDLE h) { return h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { FindClose(h); }
};
struct FileTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(HANDLE h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void Close(HANDLE h) { CloseHandle(h); }
};
template <typename G> void DeleteGdiObject(G h) {
    DeleteObject(h);
}
inline void UnmapView(void* p) {
    UnmapViewOfFile(p);
}

using UniqueModule = UniqueHandle<HMODULE, NullIsNone<HMODULE, &FreeLibrary>>;
using UniqueFind = UniqueHandle<HANDLE, FindTraits>;
using UniqueFile = UniqueHandle<HANDLE, FileTraits>;
// Threads, events, processes, sections, jobs.
using UniqueKernelHandle = UniqueHandle<HANDLE, NullIsNone<HANDLE, &CloseHandle>>;
using UniqueLocal = UniqueHandle<HLOCAL, NullIsNone<HLOCAL, &LocalFree>>;
using UniqueRegKey = UniqueHandle<HKEY, NullIsNone<HKEY, &RegCloseKey>>;

// A local-memory block locked while the object lives; the block stays its owner's. Address is
// null for a null block or one that cannot be locked.
class TLocalLock {
public:
    explicit TLocalLock(HLOCAL block) noexcept
        : FBlock(block), FAddress(block != nullptr ? LocalLock(block) : nullptr) {}
    ~TLocalLock() {
        if (FAddress != nullptr)
            LocalUnlock(FBlock);
    }
    TLocalLock(const TLocalLock&) = delete;
    TLocalLock& operator=(const TLocalLock&) = delete;
    void* Address() const noexcept { return FAddress; }

private:
    HLOCAL FBlock;
    void* FAddress;
};
using UniquePalette = UniqueHandle<HPALETTE, NullIsNone<HPALETTE, &DeleteGdiObject<HPALETTE>>>;
using UniqueBitmapHandle = UniqueHandle<HBITMAP, NullIsNone<HBITMAP, &DeleteGdiObject<HBITMAP>>>;
using UniqueFont = UniqueHandle<HFONT, NullIsNone<HFONT, &DeleteGdiObject<HFONT>>>;
using UniqueBrush = UniqueHandle<HBRUSH, NullIsNone<HBRUSH, &DeleteGdiObject<HBRUSH>>>;
// Icons loaded unshared (a size of our own).
using UniqueIcon = UniqueHandle<HICON, NullIsNone<HICON, &DestroyIcon>>;
// Views of sections.
using UniqueView = UniqueHandle<void*, NullIsNone<void*, &UnmapView>>;

// Windows made and owned here, not by a parent.
using UniqueWindow = UniqueHandle<HWND, NullIsNone<HWND, &DestroyWindow>>;

// A window's (or, for null, the screen's) device context, released at the end of the scope.
class TWindowDC {
public:
    explicit TWindowDC(HWND window) noexcept : FWindow(window), FDC(GetDC(window)) {}
    TWindowDC(const TWindowDC&) = delete;
    TWindowDC& operator=(const TWindowDC&) = delete;
    ~TWindowDC() {
        if (FDC != nullptr)
            ReleaseDC(FWindow, FDC);
    }
    HDC Get() const noexcept { return FDC; }
    explicit operator bool() const noexcept { return FDC != nullptr; }

private:
    HWND FWindow;
    HDC FDC;
};

// A WM_PAINT's BeginPaint and EndPaint.
class TPaintDC {
public:
    explicit TPaintDC(HWND window) noexcept : FWindow(window), FDC(BeginPaint(window, &FPaint)) {}
    TPaintDC(const TPaintDC&) = delete;
    TPaintDC& operator=(const TPaintDC&) = delete;
    ~TPaintDC() { EndPaint(FWindow, &FPaint); }
    HDC Get() const noexcept { return FDC; }
    const PAINTSTRUCT& Paint() const noexcept { return FPaint; }

private:
    HWND FWindow;
    PAINTSTRUCT FPaint{};
    HDC FDC;
};

// An object selected into a device context for the scope; the one it replaced comes back.
class TSelection {
public:
    TSelection(HDC dc, HGDIOBJ object) noexcept
        : FDC(dc), FPrevious(object != nullptr ? SelectObject(dc, object) : nullptr) {}
    TSelection(const TSelection&) = delete;
    TSelection& operator=(const TSelection&) = delete;
    ~TSelection() {
        if (FPrevious != nullptr)
            SelectObject(FDC, FPrevious);
    }

private:
    HDC FDC;
    HGDIOBJ FPrevious;
};

// The address space a mapped view takes: its pages, rounded up to the 64 KiB the system reserves
// views in.
inline std::size_t ViewBytes(const UniqueView& view) {
    MEMORY_BASIC_INFORMATION region{};
    if (!view || VirtualQuery(view.Get(), &region, sizeof region) == 0)
        return 0;
    constexpr std::size_t granularity = 64 * 1024;
    return (region.RegionSize + granularity - 1) / granularity * granularity;
}

// A section of shared memory backed by the paging file, with a view of it mapped for writing.
struct TSharedSection {
    UniqueKernelHandle Section;
    UniqueView View;
    std::uint64_t Bytes = 0;

    // The section's handle, for another process to take over; the view is unmapped.
    std::uint64_t HandOver() {
        View.Reset();
        return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(Section.Release()));
    }
};

// A section of bytes; no section or no view when there is no memory for it.
inline TSharedSection MakeSharedSection(std::uint64_t bytes) {
    TSharedSection made;
    made.Bytes = bytes;
    made.Section.Reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE,
                                          static_cast<DWORD>(bytes >> 32),
                                          static_cast<DWORD>(bytes), nullptr));
    if (made.Section)
        made.View.Reset(MapViewOfFile(made.Section.Get(), FILE_MAP_WRITE, 0, 0, 0));
    return made;
}

} // namespace tovane
