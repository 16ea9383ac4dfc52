// The program's side of the decoding host: starts tovane-host.exe (same bitness, beside the
// program) when first needed, talks to it over a pipe, and hands out what it decodes as
// shared-memory sections mapped here. A module that faults or hangs ends that host only: the
// call raises EPluginFault, and the next call starts a fresh host.
//
// Threads: one thread at a time (any thread; no message loop needed). Progress callbacks of a
// picture call come back synchronously on the calling thread.
// Lifetime: the host lives as long as this object, and in a job object that ends it when the
// program ends, however the program ends.
#pragma once

#include <windows.h>

#include "framework/BitmapFile.h"
#include "framework/Exceptions.h"
#include "framework/win32/Handles.h"
#include "imaging/portable/HostProtocol.h"
#include "plugins/SPIs.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>

namespace tovane {

// The host ended or stopped answering during a call into the module. The caller reports it
// (host::PictureFaultMessage) and goes on without the module.
class EPluginFault : public Exception {
public:
    EPluginFault(host::TFaultKind kind, std::string modulePath, bool nowSkipped);
    host::TFaultKind Kind;
    std::string ModulePath; // ANSI
    bool NowSkipped;        // this fault made the module skipped for the session
};

// A copy of a memory source in a section, so the host can read it (made once per job).
class THostSharedBytes {
public:
    THostSharedBytes(const void* data, std::size_t size);
    HANDLE Section() const { return FSection.Get(); }
    std::size_t Size() const { return FSize; }

private:
    UniqueKernelHandle FSection;
    std::size_t FSize;
};

// The data of one reading call, as the module's (source, length, flag) arguments.
struct THostSource {
    unsigned int Flag = 0;                    // 0: file Path; 1: Shared's bytes from Offset
    std::string Path;                         // flag 0 (ANSI)
    SusieLength Length = 0;                   // the module's length argument
    const THostSharedBytes* Shared = nullptr; // flag 1
    std::size_t Offset = 0;
};

// A picture the host handed over: both blocks in one mapped section (empty when none), with
// room for a bitmap file header before the information.
class THostImage {
public:
    THostImage() = default;
    // Maps the section; EPluginFault-free: a section that does not hold what the sizes claim
    // leaves the image empty with a Refusal.
    THostImage(UniqueKernelHandle section, const host::TPictureResult& result);
    bool Empty() const { return !FView; }
    void* Info() const { return static_cast<char*>(FView.Get()) + host::InfoOffset; }
    // The start of the section: BitmapFileHeaderSize bytes free, then the information.
    void* Start() const { return FView.Get(); }
    std::size_t BitsOffset() const { return FBitsOffset; }
    void* Bits() const { return static_cast<char*>(FView.Get()) + FBitsOffset; }
    std::size_t InfoSize() const { return FInfoSize; }
    std::size_t BitsSize() const { return FBitsSize; }

private:
    UniqueKernelHandle FSection;
    UniqueView FView;
    std::size_t FInfoSize = 0;
    std::size_t FBitsOffset = 0;
    std::size_t FBitsSize = 0;
};

struct THostPicture {
    int Value = 0;       // the module's result
    THostImage Image;    // set when the module succeeded with both blocks
    std::string Refusal; // why blocks it delivered were not handed over
};

// What a caller wants besides the picture: a rendering of it for the screen, which the host
// makes from the module's own blocks and hands over before the picture itself (whose copy
// takes longer than the shrinking on a large picture).
struct TRenderingWish {
    // The size to render a decoded picture of w x h at; 0 x 0 for none.
    std::function<std::pair<int, int>(int w, int h)> SizeFor;
    // Called on the calling thread, before GetPicture returns, with the picture's own size and
    // the rendering (32 bits, top-down; its rows in memory shared with the host). What it raises
    // is dropped: the rendering is a convenience, the picture follows all the same.
    std::function<void(int w, int h, TDib&& rendering)> Arrived;
};

class TPluginHost final : public TSPIIsolation {
public:
    // progress: (numerator, denominator) -> the answer for the module (0 go on, nonzero stop).
    using TProgressFn = std::function<int(int numerator, int denominator)>;

    // While it lives, the GetPicture calls of the host ask for renderings as the wish says,
    // until a module faults (a load that went past a fault reports it with the picture, so its
    // picture must not come early). One scope at a time, on the thread making the calls.
    class TRenderingScope {
    public:
        TRenderingScope(TPluginHost& host, const TRenderingWish& wish) : FHost(host) {
            FHost.FRendering = &wish;
            FHost.FRenderingFaulted = false;
        }
        ~TRenderingScope() { FHost.FRendering = nullptr; }
        TRenderingScope(const TRenderingScope&) = delete;
        TRenderingScope& operator=(const TRenderingScope&) = delete;

    private:
        TPluginHost& FHost;
    };

    // hostPathAnsi: the host program; hangTimeoutMs: how long a call may go without returning
    // or reporting progress.
    explicit TPluginHost(std::string hostPathAnsi = DefaultHostPath(),
                         std::uint32_t hangTimeoutMs = host::HangTimeoutMs);
    ~TPluginHost() override;
    TPluginHost(const TPluginHost&) = delete;
    TPluginHost& operator=(const TPluginHost&) = delete;

    // tovane-host.exe beside the running program.
    static std::string DefaultHostPath();

    std::string Preflight(const std::string& fileName) override;

    // The module's calls, made in the host. Each raises EPluginFault when the host ends or
    // hangs meanwhile, and Exception when the host could not make the call.
    int IsSupported(const TSPI& spi, const std::string& fileName, const void* header2048);
    int GetPictureInfo(const TSPI& spi, const THostSource& source, PictureInfo& info);
    // GetPicture, or GetPreview when preview (a module without it answers -1).
    THostPicture GetPicture(const TSPI& spi, const THostSource& source, bool preview,
                            const TProgressFn& progress);

    // Left out for the rest of the session after faulting host::FaultsBeforeSkip times in a row.
    bool IsSkipped(const TSPI& spi) const { return FFaults.IsSkipped(spi.FileName()); }

    // Starts a host now unless one runs. Raises Exception when it cannot be started.
    void Start();
    // The running host's process id; 0 when none runs.
    DWORD ProcessId() const;

private:
    struct TRunning;
    // Sends the body and reads the answer; progress messages go to progress on the way.
    std::vector<std::uint8_t> Exchange(const std::string& module,
                                       const std::vector<std::uint8_t>& request,
                                       const TProgressFn* progress);
    host::TSourceDesc Describe(const THostSource& source);
    void Transfer(bool write, void* data, std::size_t size);
    std::vector<std::uint8_t> ReadBody();
    // A rendering's messages during a picture call (TDecoded, TRendering).
    void RenderingMessage(const std::vector<std::uint8_t>& body);
    void WriteBody(const std::vector<std::uint8_t>& body);
    void Stop();

    std::string FHostPath;
    std::uint32_t FHangTimeoutMs;
    std::uint32_t FWaitMs; // what Transfer waits for: the hang timeout, or the start timeout
    UniqueKernelHandle FJob;
    std::unique_ptr<TRunning> FRunning;
    host::TFaultCounter FFaults;
    unsigned FStarts = 0;
    const TRenderingWish* FRendering = nullptr; // set by a TRenderingScope
    bool FRenderingFaulted = false;
    std::pair<int, int> FDecodedSize;
};

} // namespace tovane
