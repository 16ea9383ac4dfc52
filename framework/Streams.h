// Streams: sequential byte sources and sinks with a position, in memory or on disk.
//
// Positions and sizes are 64-bit byte counts. Read and Write move as many bytes as they can and
// return the count; ReadBuffer and WriteBuffer move exactly the count asked for or raise. A
// stream belongs to one thread at a time.
#pragma once

#include "framework/ByteBuffer.h"
#include "framework/Exceptions.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tovane {

// Every failure of a stream operation.
class EStreamError : public Exception {
public:
    using Exception::Exception;
};
// A read that could not deliver the bytes asked for.
class EReadError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
// A write that could not store the bytes given.
class EWriteError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
// A file that could not be opened or created.
class EFOpenError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
    TStream() = default;
    TStream(const TStream&) = delete;
    TStream& operator=(const TStream&) = delete;
    virtual ~TStream() = default;

    // Up to count bytes from the position; returns the number read (0 at the end).
    virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
    // Writes count bytes at the position; returns the number written.
    virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
    // Moves the position and returns the new one. A position before 0 raises EStreamError; a
    // position past the end is allowed (a later write fills the gap with zeros in memory).
    virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
    // Truncates or extends the stream (extension is zero-filled).
    virtual void SetSize(std::int64_t size) = 0;
    virtual std::int64_t Size() = 0;

    std::int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(std::int64_t position) { Seek(position, TSeekOrigin::soBeginning); }

    // Exactly count bytes, or EReadError ("Stream read error") and the position is where the
    // short read left it.
    void ReadBuffer(void* buffer, std::int64_t count);
    // Exactly count bytes, or EWriteError ("Stream write error").
    void WriteBuffer(const void* buffer, std::int64_t count);
    // Copies count bytes from the source's position into this stream; count 0 copies the whole
    // source from its start (its position is set to 0 first). Returns the bytes copied. A source
    // that ends early raises EReadError.
    std::int64_t CopyFrom(TStream& source, std::int64_t count);
};

// A stream over one contiguous growable buffer owned by the stream.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    void SetSize(std::int64_t size) override;
    std::int64_t Size() override { return static_cast<std::int64_t>(FSize); }

    // The first byte of the stream's data, whatever the position (nullptr while nothing was ever
    // stored). Valid until the next write past the capacity, SetSize, Clear or load.
    void* Memory() { return FBuffer.data(); }
    const void* Memory() const { return FBuffer.data(); }
    std::int64_t Size() const { return static_cast<std::int64_t>(FSize); }

    // Makes room for capacity bytes in one block, so that writing up to that size moves no data
    // (a smaller capacity than the size does nothing). The byte at offset alignedAt of the data
    // is placed on a 16-byte boundary: a bitmap file whose pixel rows will be kept in place.
    void SetCapacity(std::int64_t capacity, std::size_t alignedAt = 0);
    // Hands the stream's data over (Size() bytes, the buffer aligned as SetCapacity asked) and
    // leaves the stream empty at position 0.
    TByteBuffer TakeBuffer();

    // Makes the buffer's bytes the stream's content, without a copy; position 0.
    void Adopt(TByteBuffer data);
    // Empties the stream and frees its buffer.
    void Clear();
    // Replaces the content with the whole source (from its start; the source's position ends at
    // its end) and sets this stream's position to 0.
    void LoadFromStream(TStream& source);
    // Replaces the content with the file's bytes (ANSI path); position 0.
    void LoadFromFile(const std::string& fileNameAnsi);
    // Writes the whole content to the stream at its position.
    void SaveToStream(TStream& dest) const;
    // Creates (or truncates) the file and writes the whole content.
    void SaveToFile(const std::string& fileNameAnsi) const;

private:
    void Reserve(std::size_t size);
    void Reallocate(std::size_t capacity, std::size_t alignedAt);

    TByteBuffer FBuffer; // the capacity; its first FSize bytes are the data
    std::size_t FSize = 0;
    std::size_t FPosition = 0;
};

enum class TFileMode {
    fmOpenRead,      // existing file, read only; others may read and write
    fmOpenReadWrite, // existing file, read and write; others may only read
    fmCreate,        // created or truncated, read and write; others may only read
};

// A stream over a file named by an ANSI path, or on Windows by its UTF-16 name (CreateFileW on
// Windows, std::FILE elsewhere). Opening failures raise EFOpenError with the path in the message.
class TFileStream : public TStream {
public:
    TFileStream(const std::string& fileNameAnsi, TFileMode mode);
#if defined(_WIN32)
    TFileStream(const std::wstring& fileName, TFileMode mode);
#endif
    ~TFileStream() override;

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    void SetSize(std::int64_t size) override;
    std::int64_t Size() override;

    // As given; from a UTF-16 name, its ANSI form with "?" for characters outside the code page.
    const std::string& FileName() const {
        return FFileName;
    }

private:
#if defined(_WIN32)
    void Open(const std::wstring& fileName, TFileMode mode);
#endif
    std::string FFileName;
    std::string FMessageName; // UTF-8, for error messages
    void* FHandle = nullptr;  // HANDLE on Windows, std::FILE* elsewhere
};

} // namespace tovane
