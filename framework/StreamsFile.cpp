// TFileStream. The one place in the portable framework that talks to the platform's file API:
// on Windows CreateFileW (an ANSI path is widened exactly as the A functions would), elsewhere
// std::FILE.
#include "framework/Streams.h"

#include "framework/Strings.h"

#include <algorithm>
#include <limits>

#if defined(_WIN32)
#include <windows.h>
#else
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tovane {

namespace {
// Messages are UTF-8; the path is in the system code page on Windows and already UTF-8 (or
// raw bytes) elsewhere.
std::string MessagePath(const std::string& path);

const char* ModeText(TFileMode mode) {
    return mode == TFileMode::fmCreate ? "create" : "open";
}
} // namespace

#if defined(_WIN32)

namespace {
HANDLE H(void* handle) {
    return static_cast<HANDLE>(handle);
}

std::string MessagePath(const std::string& path) {
    if (path.empty())
        return path;
    const int n = static_cast<int>(std::min<std::size_t>(path.size(), 0x7FFFFFF));
    const int wn = MultiByteToWideChar(CP_ACP, 0, path.data(), n, nullptr, 0);
    if (wn <= 0)
        return path;
    std::wstring wide(static_cast<std::size_t>(wn), L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.data(), n, wide.data(), wn);
    const int un = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wn, nullptr, 0, nullptr, nullptr);
    if (un <= 0)
        return path;
    std::string utf8(static_cast<std::size_t>(un), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wn, utf8.data(), un, nullptr, nullptr);
    return utf8;
}

std::string FromWide(UINT codePage, const std::wstring& wide, DWORD flags, const char* fallback) {
    const int wn = static_cast<int>(wide.size());
    const int n =
        WideCharToMultiByte(codePage, flags, wide.data(), wn, nullptr, 0, fallback, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(codePage, flags, wide.data(), wn, out.data(), n, fallback, nullptr);
    return out;
}

std::wstring AnsiPathToWide(const std::string& path) {
    const int n = static_cast<int>(std::min<std::size_t>(path.size(), 0x7FFFFFF));
    const int wn = MultiByteToWideChar(CP_ACP, 0, path.data(), n, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wn > 0 ? wn : 0), L'\0');
    if (wn > 0)
        MultiByteToWideChar(CP_ACP, 0, path.data(), n, wide.data(), wn);
    return wide;
}
} // namespace

TFileStream::TFileStream(const std::string& fileNameAnsi, TFileMode mode)
    : FFileName(fileNameAnsi), FMessageName(MessagePath(fileNameAnsi)) {
    Open(AnsiPathToWide(fileNameAnsi), mode);
}

TFileStream::TFileStream(const std::wstring& fileName, TFileMode mode)
    : FFileName(FromWide(CP_ACP, fileName, WC_NO_BEST_FIT_CHARS, "?")),
      FMessageName(FromWide(CP_UTF8, fileName, 0, nullptr)) {
    Open(fileName, mode);
}

void TFileStream::Open(const std::wstring& fileName, TFileMode mode) {
    DWORD access = GENERIC_READ;
    // A reader lets others go on writing (a picture viewer should not fail on a file another
    // program keeps open); a writer lets others only read.
    DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    DWORD disposition = OPEN_EXISTING;
    if (mode == TFileMode::fmOpenReadWrite) {
        access = GENERIC_READ | GENERIC_WRITE;
        share = FILE_SHARE_READ;
    } else if (mode == TFileMode::fmCreate) {
        access = GENERIC_READ | GENERIC_WRITE;
        share = FILE_SHARE_READ;
        disposition = CREATE_ALWAYS;
    }
    HANDLE h = CreateFileW(fileName.c_str(), access, share, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        throw EFOpenError(Format("Cannot %s file \"%s\" (error %lu)", ModeText(mode),
                                 FMessageName.c_str(), GetLastError()));
    FHandle = h;
}

TFileStream::~TFileStream() {
    if (FHandle != nullptr)
        CloseHandle(H(FHandle));
}

std::int64_t TFileStream::Read(void* buffer, std::int64_t count) {
    std::int64_t total = 0;
    auto* out = static_cast<char*>(buffer);
    while (count > 0) {
        const DWORD piece = static_cast<DWORD>(std::min<std::int64_t>(count, 0x40000000));
        DWORD got = 0;
        if (!ReadFile(H(FHandle), out + total, piece, &got, nullptr))
            throw EReadError(Format("Cannot read file \"%s\" (error %lu)", FMessageName.c_str(),
                                    GetLastError()));
        if (got == 0)
            break;
        total += got;
        count -= got;
    }
    return total;
}

std::int64_t TFileStream::Write(const void* buffer, std::int64_t count) {
    std::int64_t total = 0;
    const auto* in = static_cast<const char*>(buffer);
    while (count > 0) {
        const DWORD piece = static_cast<DWORD>(std::min<std::int64_t>(count, 0x40000000));
        DWORD put = 0;
        if (!WriteFile(H(FHandle), in + total, piece, &put, nullptr) || put == 0)
            break;
        total += put;
        count -= put;
    }
    return total;
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    DWORD method = FILE_BEGIN;
    if (origin == TSeekOrigin::soCurrent)
        method = FILE_CURRENT;
    else if (origin == TSeekOrigin::soEnd)
        method = FILE_END;
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    LARGE_INTEGER result;
    if (!SetFilePointerEx(H(FHandle), distance, &result, method))
        throw EStreamError(
            Format("Cannot seek in file \"%s\" (error %lu)", FMessageName.c_str(), GetLastError()));
    return result.QuadPart;
}

void TFileStream::SetSize(std::int64_t size) {
    const std::int64_t position = Position();
    Seek(size, TSeekOrigin::soBeginning);
    if (!SetEndOfFile(H(FHandle)))
        throw EStreamError(Format("Cannot set the size of file \"%s\" (error %lu)",
                                  FMessageName.c_str(), GetLastError()));
    Seek(std::min(position, size), TSeekOrigin::soBeginning);
}

std::int64_t TFileStream::Size() {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(H(FHandle), &size))
        throw EStreamError(Format("Cannot get the size of file \"%s\" (error %lu)",
                                  FMessageName.c_str(), GetLastError()));
    return size.QuadPart;
}

#else

namespace {
std::FILE* F(void* handle) {
    return static_cast<std::FILE*>(handle);
}
std::string MessagePath(const std::string& path) {
    return path;
}
} // namespace

TFileStream::TFileStream(const std::string& fileNameAnsi, TFileMode mode)
    : FFileName(fileNameAnsi), FMessageName(MessagePath(fileNameAnsi)) {
    const char* how = mode == TFileMode::fmOpenRead        ? "rb"
                      : mode == TFileMode::fmOpenReadWrite ? "r+b"
                                                           : "w+b";
    std::FILE* f = std::fopen(fileNameAnsi.c_str(), how);
    if (f == nullptr)
        throw EFOpenError(Format("Cannot %s file \"%s\": %s", ModeText(mode),
                                 MessagePath(fileNameAnsi).c_str(), std::strerror(errno)));
    struct stat st {};
    if (fstat(fileno(f), &st) == 0 && S_ISDIR(st.st_mode)) {
        std::fclose(f);
        throw EFOpenError(Format("Cannot %s file \"%s\": it is a directory", ModeText(mode),
                                 MessagePath(fileNameAnsi).c_str()));
    }
    FHandle = f;
}

TFileStream::~TFileStream() {
    if (FHandle != nullptr)
        std::fclose(F(FHandle));
}

std::int64_t TFileStream::Read(void* buffer, std::int64_t count) {
    if (count <= 0)
        return 0;
    const std::size_t got = std::fread(buffer, 1, static_cast<std::size_t>(count), F(FHandle));
    if (got == 0 && std::ferror(F(FHandle)))
        throw EReadError(Format("Cannot read file \"%s\"", FMessageName.c_str()));
    return static_cast<std::int64_t>(got);
}

std::int64_t TFileStream::Write(const void* buffer, std::int64_t count) {
    if (count <= 0)
        return 0;
    return static_cast<std::int64_t>(
        std::fwrite(buffer, 1, static_cast<std::size_t>(count), F(FHandle)));
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    const int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET
                       : origin == TSeekOrigin::soCurrent ? SEEK_CUR
                                                          : SEEK_END;
    if (fseeko(F(FHandle), static_cast<off_t>(offset), whence) != 0)
        throw EStreamError(Format("Cannot seek in file \"%s\"", FMessageName.c_str()));
    return static_cast<std::int64_t>(ftello(F(FHandle)));
}

void TFileStream::SetSize(std::int64_t size) {
    const std::int64_t position = Position();
    std::fflush(F(FHandle));
    if (size < 0 || ftruncate(fileno(F(FHandle)), static_cast<off_t>(size)) != 0)
        throw EStreamError(Format("Cannot set the size of file \"%s\"", FMessageName.c_str()));
    Seek(std::min(position, size), TSeekOrigin::soBeginning);
}

std::int64_t TFileStream::Size() {
    std::fflush(F(FHandle));
    struct stat st {};
    if (fstat(fileno(F(FHandle)), &st) != 0)
        throw EStreamError(Format("Cannot get the size of file \"%s\"", FMessageName.c_str()));
    return static_cast<std::int64_t>(st.st_size);
}

#endif

} // namespace tovane
