#include "framework/ByteBuffer.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace tovane {

TByteBuffer TByteBuffer::Uninitialized(std::size_t count, std::size_t alignedAt) {
    TByteBuffer b;
    if (count == 0)
        return b;
    if (alignedAt > count)
        throw std::out_of_range("TByteBuffer: aligned offset past the end");
    // operator new[] guarantees less than Alignment on some targets: take the slack and place
    // the data in the block.
    b.FBlock = std::make_unique_for_overwrite<std::uint8_t[]>(count + Alignment - 1);
    const auto address = reinterpret_cast<std::uintptr_t>(b.FBlock.get()) + alignedAt;
    const std::size_t shift = (Alignment - address % Alignment) % Alignment;
    b.FData = b.FBlock.get() + shift;
    b.FSize = count;
    b.FBlockBytes = count + Alignment - 1;
    return b;
}

TByteBuffer TByteBuffer::Adopt(std::uint8_t* data, std::size_t count,
                               std::unique_ptr<TExternalBlock> owner) {
    TByteBuffer b;
    const std::size_t reserved = owner ? owner->ReservedBytes() : 0;
    b.FExternal = std::move(owner);
    b.FData = data;
    b.FSize = count;
    b.FBlockBytes = std::max(reserved, count);
    return b;
}

TByteBuffer::TByteBuffer(std::size_t count, std::uint8_t value)
    : TByteBuffer(Uninitialized(count)) {
    if (count > 0)
        std::memset(FData, value, count);
}

TByteBuffer::TByteBuffer(std::span<const std::uint8_t> bytes)
    : TByteBuffer(Uninitialized(bytes.size())) {
    if (!bytes.empty())
        std::memcpy(FData, bytes.data(), bytes.size());
}

TByteBuffer::TByteBuffer(const TByteBuffer& other)
    : TByteBuffer(std::span<const std::uint8_t>(other)) {
}

TByteBuffer& TByteBuffer::operator=(const TByteBuffer& other) {
    if (this != &other)
        *this = TByteBuffer(other);
    return *this;
}

TByteBuffer::TByteBuffer(TByteBuffer&& other) noexcept
    : FBlock(std::move(other.FBlock)), FExternal(std::move(other.FExternal)), FData(other.FData),
      FSize(other.FSize), FBlockBytes(other.FBlockBytes) {
    other.FData = nullptr;
    other.FSize = 0;
    other.FBlockBytes = 0;
}

TByteBuffer& TByteBuffer::operator=(TByteBuffer&& other) noexcept {
    if (this != &other) {
        FBlock = std::move(other.FBlock);
        FExternal = std::move(other.FExternal);
        FData = other.FData;
        FSize = other.FSize;
        FBlockBytes = other.FBlockBytes;
        other.FData = nullptr;
        other.FSize = 0;
        other.FBlockBytes = 0;
    }
    return *this;
}

void TByteBuffer::assign(std::size_t count, std::uint8_t value) {
    *this = TByteBuffer(count, value);
}

void TByteBuffer::assign(std::span<const std::uint8_t> bytes) {
    *this = TByteBuffer(bytes);
}

void TByteBuffer::resize(std::size_t count) {
    if (count <= FSize) {
        FSize = count;
        return;
    }
    TByteBuffer grown = Uninitialized(count);
    if (FSize > 0)
        std::memcpy(grown.FData, FData, FSize);
    std::memset(grown.FData + FSize, 0, count - FSize);
    *this = std::move(grown);
}

void TByteBuffer::clear() {
    *this = TByteBuffer();
}

TByteBuffer TByteBuffer::Slice(std::size_t offset, std::size_t count) && {
    if (offset > FSize || count > FSize - offset)
        throw std::out_of_range("TByteBuffer: slice outside the buffer");
    TByteBuffer part(std::move(*this));
    part.FData += offset;
    part.FSize = count;
    return part;
}

bool operator==(const TByteBuffer& a, const TByteBuffer& b) {
    return a.FSize == b.FSize && (a.FSize == 0 || std::memcmp(a.FData, b.FData, a.FSize) == 0);
}

} // namespace tovane
