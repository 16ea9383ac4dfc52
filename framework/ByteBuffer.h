// TByteBuffer: bytes in one heap block, for pixel rows and files held in memory.
//
// Unlike std::vector<std::uint8_t> it can be made without clearing its bytes (a buffer that is
// about to be overwritten whole costs one pass over memory, not two), and it can give up all but
// a part of its block (Slice): the part is then the buffer, with no copy. A bitmap read from a
// file in memory keeps its pixel rows that way. The bytes may start anywhere in the block; a
// buffer made with an aligned offset has the byte at that offset on a 16-byte boundary.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace tovane {

// Keeps alive a block of memory that is not the heap's (a mapped view of shared memory, say),
// for a TByteBuffer that adopted it; the block goes when this object is destroyed.
class TExternalBlock {
public:
    virtual ~TExternalBlock() = default;
    // The memory (or address space) the block holds, when more than the bytes adopted from it.
    virtual std::size_t ReservedBytes() const { return 0; }
};

class TByteBuffer {
public:
    static constexpr std::size_t Alignment = 16;

    TByteBuffer() = default;
    // count bytes of the given value.
    TByteBuffer(std::size_t count, std::uint8_t value);
    // A copy of the bytes.
    explicit TByteBuffer(std::span<const std::uint8_t> bytes);
    // count bytes whose values are unspecified until written; the byte at alignedAt (which may
    // be count, the end) lies on an Alignment boundary.
    static TByteBuffer Uninitialized(std::size_t count, std::size_t alignedAt = 0);
    // The count bytes at data, which owner keeps alive; the buffer owns owner from now on (a
    // copy of the buffer is an ordinary heap copy).
    static TByteBuffer Adopt(std::uint8_t* data, std::size_t count,
                             std::unique_ptr<TExternalBlock> owner);

    TByteBuffer(const TByteBuffer& other);
    TByteBuffer& operator=(const TByteBuffer& other);
    TByteBuffer(TByteBuffer&& other) noexcept;
    TByteBuffer& operator=(TByteBuffer&& other) noexcept;
    ~TByteBuffer() = default;

    std::uint8_t* data() { return FData; }
    const std::uint8_t* data() const { return FData; }
    std::size_t size() const { return FSize; }
    bool empty() const { return FSize == 0; }
    // What the buffer keeps allocated or mapped: at least size(), more after a Slice or for an
    // adopted block that holds more.
    std::size_t BlockBytes() const { return FBlockBytes; }
    std::uint8_t* begin() { return FData; }
    std::uint8_t* end() { return FData + FSize; }
    const std::uint8_t* begin() const { return FData; }
    const std::uint8_t* end() const { return FData + FSize; }
    std::uint8_t& operator[](std::size_t i) { return FData[i]; }
    const std::uint8_t& operator[](std::size_t i) const { return FData[i]; }
    operator std::span<const std::uint8_t>() const { return {FData, FSize}; }

    // Replaces the content with count bytes of the value, or with a copy of the bytes.
    void assign(std::size_t count, std::uint8_t value);
    void assign(std::span<const std::uint8_t> bytes);
    // Keeps the first min(count, size()) bytes; bytes added are zero.
    void resize(std::size_t count);
    void clear();

    // The bytes [offset, offset + count) of this buffer, keeping its block: the rest of the
    // block stays allocated but out of reach, and this buffer is left empty. A range outside the
    // bytes raises std::out_of_range.
    TByteBuffer Slice(std::size_t offset, std::size_t count) &&;

    friend bool operator==(const TByteBuffer& a, const TByteBuffer& b);

private:
    std::unique_ptr<std::uint8_t[]> FBlock;
    std::unique_ptr<TExternalBlock> FExternal; // set instead of FBlock for an adopted block
    std::uint8_t* FData = nullptr; // inside FBlock, or nullptr while empty without a block
    std::size_t FSize = 0;
    std::size_t FBlockBytes = 0;
};

} // namespace tovane
