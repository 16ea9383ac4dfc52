// Decoded pictures kept for reuse, keyed by the file's full path and the version of it (size,
// write and change times, and the file's identity on its volume), and
// bounded by the bytes they hold: the least recently used is dropped first. The two most
// recently used entries always stay, however large, so the picture on screen and the next one
// never push each other out. Not thread-safe: the owner locks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>

namespace tovane {

// Which version of a file a cached picture was decoded from.
// A file rewritten with the same size and write time still has a new change time; one
// replaced by another file of the same name has another identity.
struct PictureStamp {
    std::string Path;
    std::uint64_t Size = 0;
    std::uint64_t WriteTime = 0;
    std::uint64_t ChangeTime = 0;
    std::uint64_t FileIndex = 0;
    std::uint32_t Volume = 0;
    friend bool operator==(const PictureStamp&, const PictureStamp&) = default;
};

// The default bound: a quarter of the physical memory, at most 1 GiB, and at most 512 MiB in a
// 32-bit process (whose address space also holds the decoding and the screen's copies).
std::size_t DefaultPictureCacheBytes(std::uint64_t physicalMemoryBytes,
                                     unsigned pointerBits = sizeof(void*) * 8);

template <typename Value> class TPictureCache {
public:
    explicit TPictureCache(std::size_t capacityBytes) : FCapacity(capacityBytes) {}

    // The picture decoded from this version of the file, marked as just used; null when there
    // is none. An entry of an older version of the file is dropped.
    std::shared_ptr<Value> Find(const PictureStamp& stamp) {
        const auto it = FIndex.find(stamp.Path);
        if (it == FIndex.end())
            return nullptr;
        if (!(it->second->Stamp == stamp)) {
            Erase(it->second);
            return nullptr;
        }
        FEntries.splice(FEntries.begin(), FEntries, it->second);
        return it->second->Picture;
    }

    // The picture last held for the path, whichever version of the file it was decoded from,
    // marked as just used, with that version; null when there is none.
    std::shared_ptr<Value> FindLatest(const std::string& path, PictureStamp& stamp) {
        const auto it = FIndex.find(path);
        if (it == FIndex.end())
            return nullptr;
        FEntries.splice(FEntries.begin(), FEntries, it->second);
        stamp = it->second->Stamp;
        return it->second->Picture;
    }

    // Whether this version is held, without marking it used.
    bool Contains(const PictureStamp& stamp) const {
        const auto it = FIndex.find(stamp.Path);
        return it != FIndex.end() && it->second->Stamp == stamp;
    }

    // Holds the picture as the most recently used (replacing any entry of the same path), then
    // drops least recently used entries while over the bound.
    void Insert(const PictureStamp& stamp, std::shared_ptr<Value> picture, std::size_t bytes) {
        if (const auto it = FIndex.find(stamp.Path); it != FIndex.end())
            Erase(it->second);
        FEntries.push_front(Entry{stamp, std::move(picture), bytes});
        FIndex[stamp.Path] = FEntries.begin();
        FBytes += bytes;
        Trim();
    }

    // A held picture grew or shrank (a rendering added or dropped): counts its new size and
    // trims.
    void Resize(const std::string& path, std::size_t bytes) {
        const auto it = FIndex.find(path);
        if (it == FIndex.end())
            return;
        FBytes = FBytes - it->second->Bytes + bytes;
        it->second->Bytes = bytes;
        Trim();
    }

    void Clear() {
        FEntries.clear();
        FIndex.clear();
        FBytes = 0;
    }

    std::size_t Bytes() const { return FBytes; }
    std::size_t Count() const { return FEntries.size(); }
    std::size_t Capacity() const { return FCapacity; }

private:
    struct Entry {
        PictureStamp Stamp;
        std::shared_ptr<Value> Picture;
        std::size_t Bytes = 0;
    };
    using Iterator = typename std::list<Entry>::iterator;

    void Erase(Iterator it) {
        FBytes -= it->Bytes;
        FIndex.erase(it->Stamp.Path);
        FEntries.erase(it);
    }

    void Trim() {
        while (FBytes > FCapacity && FEntries.size() > 2)
            Erase(std::prev(FEntries.end()));
    }

    std::size_t FCapacity;
    std::size_t FBytes = 0;
    std::list<Entry> FEntries; // most recently used first
    std::unordered_map<std::string, Iterator> FIndex;
};

} // namespace tovane
