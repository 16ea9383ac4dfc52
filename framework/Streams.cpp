#include "framework/Streams.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace tovane {

void TStream::ReadBuffer(void* buffer, std::int64_t count) {
    if (count < 0 || (count > 0 && Read(buffer, count) != count))
        throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count) {
    if (count < 0 || (count > 0 && Write(buffer, count) != count))
        throw EWriteError("Stream write error");
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count) {
    if (count < 0)
        throw EStreamError("Negative count for a stream copy");
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    constexpr std::int64_t chunkSize = 0xF000;
    std::vector<std::uint8_t> chunk(static_cast<std::size_t>(std::min(count, chunkSize)));
    std::int64_t left = count;
    while (left > 0) {
        const std::int64_t n = std::min(left, chunkSize);
        source.ReadBuffer(chunk.data(), n);
        WriteBuffer(chunk.data(), n);
        left -= n;
    }
    return count;
}

// ---- TMemoryStream ----

namespace {
std::int64_t SeekTarget(std::int64_t offset, TSeekOrigin origin, std::int64_t position,
                        std::int64_t size) {
    std::int64_t base = 0;
    switch (origin) {
    case TSeekOrigin::soBeginning:
        base = 0;
        break;
    case TSeekOrigin::soCurrent:
        base = position;
        break;
    case TSeekOrigin::soEnd:
        base = size;
        break;
    }
    std::int64_t target = 0;
    if (__builtin_add_overflow(base, offset, &target) || target < 0)
        throw EStreamError("Stream seek outside the stream");
    return target;
}

std::size_t CheckedMemorySize(std::int64_t size) {
    if (size < 0 || static_cast<std::uint64_t>(size) > std::numeric_limits<std::size_t>::max() / 2)
        throw EStreamError("Memory stream size out of range");
    return static_cast<std::size_t>(size);
}
} // namespace

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count) {
    if (count <= 0 || FPosition >= FSize)
        return 0;
    const auto n = static_cast<std::size_t>(
        std::min<std::uint64_t>(static_cast<std::uint64_t>(count), FSize - FPosition));
    std::memcpy(buffer, FBuffer.data() + FPosition, n);
    FPosition += n;
    return static_cast<std::int64_t>(n);
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count) {
    if (count <= 0)
        return 0;
    const std::size_t n = CheckedMemorySize(count);
    if (FPosition > std::numeric_limits<std::size_t>::max() / 2 - n)
        throw EWriteError("Memory stream size out of range");
    const std::size_t end = FPosition + n;
    if (end > FSize) {
        Reserve(end);
        if (FPosition > FSize) // writing past the end: the gap reads as zeros
            std::memset(FBuffer.data() + FSize, 0, FPosition - FSize);
        FSize = end;
    }
    std::memcpy(FBuffer.data() + FPosition, buffer, n);
    FPosition = end;
    return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    const std::int64_t target = SeekTarget(offset, origin, static_cast<std::int64_t>(FPosition),
                                           static_cast<std::int64_t>(FSize));
    FPosition = CheckedMemorySize(target);
    return target;
}

void TMemoryStream::SetSize(std::int64_t size) {
    const std::size_t n = CheckedMemorySize(size);
    Reserve(n);
    if (n > FSize)
        std::memset(FBuffer.data() + FSize, 0, n - FSize);
    FSize = n;
    if (FPosition > FSize)
        FPosition = FSize;
}

void TMemoryStream::Reserve(std::size_t size) {
    if (size <= FBuffer.size())
        return;
    // Grow by half again, so that a stream written in small pieces is copied few times.
    std::size_t capacity = FBuffer.size() + FBuffer.size() / 2;
    capacity = std::max<std::size_t>({capacity, size, 256});
    capacity = (capacity + 0xFFF) & ~static_cast<std::size_t>(0xFFF);
    Reallocate(capacity, 0);
}

// New bytes past FSize are left as they come: every path that makes them part of the data
// writes or clears them first.
void TMemoryStream::Reallocate(std::size_t capacity, std::size_t alignedAt) {
    TByteBuffer grown = TByteBuffer::Uninitialized(capacity, alignedAt);
    if (FSize > 0)
        std::memcpy(grown.data(), FBuffer.data(), FSize);
    FBuffer = std::move(grown);
}

void TMemoryStream::SetCapacity(std::int64_t capacity, std::size_t alignedAt) {
    const std::size_t n = CheckedMemorySize(capacity);
    if (n <= FBuffer.size())
        return;
    Reallocate(n, std::min(alignedAt, n));
}

TByteBuffer TMemoryStream::TakeBuffer() {
    TByteBuffer data = std::move(FBuffer).Slice(0, FSize);
    FSize = 0;
    FPosition = 0;
    return data;
}

void TMemoryStream::Adopt(TByteBuffer data) {
    FBuffer = std::move(data);
    FSize = FBuffer.size();
    FPosition = 0;
}

void TMemoryStream::Clear() {
    FBuffer.clear();
    FSize = 0;
    FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream& source) {
    source.SetPosition(0);
    const std::int64_t size = source.Size();
    TByteBuffer data = TByteBuffer::Uninitialized(CheckedMemorySize(size));
    source.ReadBuffer(data.data(), size);
    FBuffer = std::move(data);
    FSize = FBuffer.size();
    FPosition = 0;
}

void TMemoryStream::LoadFromFile(const std::string& fileNameAnsi) {
    TFileStream file(fileNameAnsi, TFileMode::fmOpenRead);
    LoadFromStream(file);
}

void TMemoryStream::SaveToStream(TStream& dest) const {
    dest.WriteBuffer(FBuffer.data(), static_cast<std::int64_t>(FSize));
}

void TMemoryStream::SaveToFile(const std::string& fileNameAnsi) const {
    TFileStream file(fileNameAnsi, TFileMode::fmCreate);
    SaveToStream(file);
}

} // namespace tovane
