// The decoding job: offers one image source (a file, or a block of memory) to the import
// plug-ins of the live collection until one of them delivers a device-independent bitmap.
//
// Ownership: the job owns the plug-in's memory blocks (bitmap information, pixels, and the
// text-information block of the picture information) and frees each exactly once: before each
// run, after each failed attempt, and at destruction. The decoded image stays in those blocks;
// the owner reads it through LockInfo/LockBits and Layout.
//
// Safety: an attempt counts as a success only when the bitmap header in the information block
// is consistent with the sizes of both blocks (CheckDibBlocks); Layout() then tells how many
// bytes of each block the picture occupies, so nothing past the blocks is ever read.
//
// Isolation: when the collection has a TPluginHost as its Isolation, the picture calls run in
// the decoding host (a module loaded in a host, a 32-bit module of the 64-bit program, always
// runs in its own); the image then comes back as a shared-memory section instead of the
// plug-in's blocks, and is checked here all the same. A module that faults or hangs there costs
// its attempt: the fault is reported in Faults() and the next candidate is asked.
//
// Threads: one thread at a time; plug-in calls and their progress callbacks are
// synchronous. A failure raised by the progress handler while a plug-in runs never unwinds
// through the plug-in: the callback stores it, asks the plug-in to stop, and it is raised again
// once the plug-in has returned. The silent abort (EAbort) only stops that plug-in.
#pragma once

#include <windows.h>

#include "framework/ByteBuffer.h"
#include "framework/DibCheck.h"
#include "framework/Streams.h"
#include "framework/win32/Graphics.h"
#include "framework/win32/Handles.h"
#include "imaging/PluginHost.h"
#include "imaging/portable/DecodeRules.h"
#include "plugins/SPIs.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tovane {

// Bytes of the header read once per run: 2048 for IsSupported at the furthest skip offset.
inline constexpr std::size_t DecodeHeaderSize = 2048 + 128;

// One local-memory block handed over by a plug-in: freed exactly once, locked at most once.
class TPluginBlock {
public:
    TPluginBlock() = default;
    TPluginBlock(const TPluginBlock&) = delete;
    TPluginBlock& operator=(const TPluginBlock&) = delete;
    ~TPluginBlock() { Release(); }

    // Takes the handle over (releasing the previous one); null leaves the block empty.
    void Adopt(HLOCAL handle);
    HLOCAL Handle() const { return FHandle.Get(); }
    bool Empty() const { return !FHandle; }
    // Bytes the block holds (LocalSize); 0 when empty.
    std::size_t Size() const;
    // The block's address: the first call locks it, later calls return the same address.
    void* Lock();
    bool Locked() const { return FLock && FLock->Address() != nullptr; }
    // Unlocks the block if it is locked.
    void Unlock();
    // Frees the block (it must be unlocked first for the usual order; Release does both).
    void Free() { FHandle.Reset(); }
    void Release() {
        Unlock();
        Free();
    }

private:
    UniqueLocal FHandle;
    std::optional<TLocalLock> FLock; // while locked
};

class TInSPIAbleData {
public:
    TInSPIAbleData(const TInSPIAbleData&) = delete;
    TInSPIAbleData& operator=(const TInSPIAbleData&) = delete;
    virtual ~TInSPIAbleData();

    // Runs the plug-in search. Raises nothing when no plug-in succeeds (test IsEmpty); passes
    // on failures of the progress handler.
    void Decode();
    // True unless the job holds a checked image (both blocks present and consistent).
    bool IsEmpty() const { return !FLayout; }
    // Locked addresses of the two blocks (locked on first use; null when there is no block).
    void* LockInfo() { return FHostImage.Empty() ? FInfo.Lock() : FHostImage.Info(); }
    void* LockBits() { return FHostImage.Empty() ? FBits.Lock() : FHostImage.Bits(); }
    // When the image came from the decoding host: makes its shared memory a Windows bitmap file
    // where it lies (the file header written into the room before the information) and hands
    // it over; the job is empty afterwards. Otherwise an empty buffer, and the image stays.
    TByteBuffer TakeBitmapFile();
    // The plug-in's handles (null when the image came from the decoding host).
    HLOCAL InfoHandle() const { return FInfo.Handle(); }
    HLOCAL BitsHandle() const { return FBits.Handle(); }
    // What the image needs of its blocks; set exactly when the job holds an image.
    const std::optional<TDibLayout>& Layout() const { return FLayout; }
    // Why the last attempt's blocks were refused (empty when none was).
    const std::string& RefusalReason() const { return FRefusal; }
    // The reports (UTF-8) of the modules that faulted or hung during the last Decode, one per
    // fault, naming the module and the file.
    const std::vector<std::string>& Faults() const { return FFaults; }

    // The source's real name; and the ANSI name the plug-ins are shown (IsSupported, and the
    // extension that orders them).
    const std::wstring& FileName() const { return FFileName; }
    const std::string& PluginName() const { return FPluginName; }
    // Why nothing decoded, for the error of a failed load.
    virtual std::string FailureText() const;
    // The record filled by the last GetPictureInfo; its text-information handle is owned by
    // the job (freed on release).
    const PictureInfo& PictureInformation() const { return FPictureInfo; }
    TGraphic* Graphic() const { return FGraphic; }

    // Copied in by the owner before Decode; unset means no notifications.
    TProgressEvent OnProgress;

protected:
    // graphic: the owner, passed as Sender in every notification (not owned).
    TInSPIAbleData(TGraphic* graphic, std::wstring fileName, std::string pluginName);

    // Copies up to count bytes from the start of the source into the buffer.
    virtual void ReadHeader(void* buffer, std::size_t count) = 0;
    // Whether the source can be offered to a plug-in at the skip offset.
    virtual bool ReachesOffset(int offset) const = 0;
    virtual void ReadPictureInfo(TInSPI& spi, int offset, PictureInfo& info) = 0;
    virtual void ReadPreview(TInSPI& spi, int offset) = 0;
    virtual void ReadPicture(TInSPI& spi, int offset) = 0;

    // For the sources: one GetPicture or GetPreview call. call receives the two handle
    // out-arguments, the progress callback and its user value, and returns the plug-in's
    // result. On success the handles become the job's; on any other result they are
    // disregarded (not freed). A failure stored by the callback is raised after the call.
    using PictureCall =
        std::function<int(HLOCAL* info, HLOCAL* bits, SusieProgressCallback, SusieUserData)>;
    void ReceivePicture(const PictureCall& call);
    // For the sources: takes over the text-information handle that GetPictureInfo wrote.
    void ReceivePictureInfo(const PictureInfo& info);
    // For the decoding host: the source of a call at the skip offset.
    virtual THostSource HostSource(int offset) = 0;

private:
    void ReleaseImage();
    std::vector<TInSPI*> BuildCandidates() const;
    void SearchPlugins(bool macBinary);
    void TryPlugin(TInSPI& spi, const unsigned char* header, int offset);
    // Where the module's calls go: its own host, else the decoding host (null: here).
    TPluginHost* HostFor(const TInSPI& spi) const;
    void TryInHost(TPluginHost& host, TInSPI& spi, const unsigned char* header, int offset);
    void ReceiveHostPicture(THostPicture picture);
    // What the host has to say of itself (it could not be started, say) joins the reports.
    void TakeHostReports();
    // The progress callback's answer to the plug-in (0 go on, 1 stop).
    int ProgressAnswer(int numerator, int denominator);
    // Checks a delivered image; refuses (releases) inconsistent blocks.
    void CheckImage(const void* info, std::size_t infoSize, std::size_t bitsSize);
    void DoProgress(TProgressStage stage, std::uint8_t percent, const std::string& msg);
    static int WINAPI ProgressCallback(int numerator, int denominator, SusieUserData data);

    TPluginBlock FInfo;
    TPluginBlock FBits;
    TPluginBlock FTextInfo; // PictureInfo.hInfo
    std::wstring FFileName;
    std::string FPluginName;
    PictureInfo FPictureInfo{};
    TGraphic* FGraphic;
    std::optional<TDibLayout> FLayout;
    std::string FRefusal;
    std::exception_ptr FPendingFailure; // raised by the handler inside a plug-in call
    TPluginHost* FHost = nullptr;       // the decoding host during Decode, else null
    TPluginHost* FHost32 = nullptr;     // the 32-bit modules' host during Decode, else null
    THostImage FHostImage;              // the image, when the host delivered it
    std::vector<std::string> FFaults;
};

// The short (8.3) form of a path as the file system gives it.
std::optional<std::wstring> SystemShortName(const std::wstring& path);

// A file named by its path. The plug-ins read it themselves by an ANSI path: the path itself
// when it fits the code page, else its short form; when neither exists the job reads the file
// and hands its bytes over in memory (flag 1), and a module that cannot decode from memory
// fails with a message naming the file (FailureText).
class TInSPIAbleFromFile : public TInSPIAbleData {
public:
    TInSPIAbleFromFile(TGraphic* graphic, const std::wstring& fileName,
                       const ShortNameLookup& shortName = SystemShortName);
    // An ANSI path, widened as the system would.
    TInSPIAbleFromFile(TGraphic* graphic, const std::string& fileNameAnsi);

    // True when the file goes to the plug-ins in memory.
    bool InMemory() const { return FForm.InMemory; }
    std::string FailureText() const override;

protected:
    void ReadHeader(void* buffer, std::size_t count) override;
    bool ReachesOffset(int offset) const override;
    THostSource HostSource(int offset) override;
    void ReadPictureInfo(TInSPI& spi, int offset, PictureInfo& info) override;
    void ReadPreview(TInSPI& spi, int offset) override;
    void ReadPicture(TInSPI& spi, int offset) override;

private:
    TInSPIAbleFromFile(TGraphic* graphic, const std::wstring& fileName, PluginFileForm form);
    // The source argument of a plug-in call at the offset: the ANSI path, or the bytes.
    const char* Source(int offset) const;
    SusieLength Length(int offset) const;
    unsigned Flag() const { return FForm.InMemory ? 1 : 0; }

    PluginFileForm FForm;
    TMemoryStream FBytes; // the file's bytes, read once, when it goes in memory
    std::unique_ptr<THostSharedBytes> FShared; // those bytes for the decoding host
};

// A stream, decoded from memory. A TMemoryStream is decoded in place from the first byte of its
// buffer, whatever its position: the caller keeps it alive and unchanged for the life of the
// job. Any other stream is copied whole into a memory stream that the job owns.
//
// A source no longer than a skip offset is not offered at that offset (the plug-in would get
// an address past the data); the first offset, 0, is always offered.
class TInSPIAbleFromStream : public TInSPIAbleData {
public:
    TInSPIAbleFromStream(TGraphic* graphic, TStream& stream, std::string fileNameAnsi);

    const void* Memory() const { return FMemory; }
    std::int64_t Size() const { return FSize; }

protected:
    void ReadHeader(void* buffer, std::size_t count) override;
    bool ReachesOffset(int offset) const override;
    THostSource HostSource(int offset) override;
    void ReadPictureInfo(TInSPI& spi, int offset, PictureInfo& info) override;
    void ReadPreview(TInSPI& spi, int offset) override;
    void ReadPicture(TInSPI& spi, int offset) override;

private:
    const char* Source(int offset) const;
    SusieLength Length(int offset) const;

    std::unique_ptr<TMemoryStream> FOwnCopy;
    std::unique_ptr<THostSharedBytes> FShared; // the source as the decoding host reads it
    const char* FMemory = nullptr;
    std::int64_t FSize = 0;
};

} // namespace tovane
