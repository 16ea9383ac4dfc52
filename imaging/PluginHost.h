// The program's side of the decoding host: starts tovane-host.exe (same bitness, beside the
// program) when first needed, talks to it over a pipe, and hands out what it decodes as
// shared-memory sections mapped here. A module that faults or hangs ends that host only: the
// call raises EPluginFault, and the next call starts a fresh host. A host that says something
// that makes no sense is ended the same way, as a fault of the module it was calling. A host
// found ended before a call (a module's own thread faulted after its call returned) is replaced
// without blaming anybody.
//
// Threads: one thread at a time (any thread; no message loop needed), except Interrupt, which
// any thread may call at any time. Progress callbacks of a picture call come back synchronously
// on the calling thread.
// Lifetime: the host lives as long as this object, and in a job object that ends it when the
// program ends, however the program ends.
#pragma once

#include <windows.h>

#include "framework/BitmapFile.h"
#include "framework/Exceptions.h"
#include "framework/win32/Handles.h"
#include "imaging/portable/HostProtocol.h"
#include "plugins/ArchiveCalls.h"
#include "plugins/SPIs.h"

#include <atomic>
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

// The host could not carry out a call (a module it cannot load, for instance): not a fault of
// the module's; the caller goes on with the next module.
class EHostCallFailed : public Exception {
public:
    using Exception::Exception;
};

// No host could be started, twice in a row: the caller makes its calls in its own process.
class EHostUnavailable : public Exception {
public:
    using Exception::Exception;
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
    // The address space its view takes.
    std::size_t MappedBytes() const { return ViewBytes(FView); }

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

// What a decoding host's modules take from the program's environment when it starts: the colour
// target the program publishes for the bundled modules (bundled/common/ColourEnvironment.h), as
// one text.
std::wstring PublishedColourTarget();

class TPluginHost final : public TSPIIsolation {
public:
    // progress: (numerator, denominator) -> the answer for the module (0 go on, nonzero stop).
    using TProgressFn = std::function<int(int numerator, int denominator)>;

    // While it lives, the GetPicture calls of the host ask for renderings as the wish says,
    // until a module faults (a load that went past a fault reports it with the picture, so its
    // picture must not come early). One scope at a time, on the thread making the calls. Scopes
    // of several hosts in one load share faulted (which they clear): a fault in any of them
    // ends the renderings of all.
    class TRenderingScope {
    public:
        TRenderingScope(TPluginHost& host, const TRenderingWish& wish, bool* faulted = nullptr)
            : FHost(host) {
            FHost.FRendering = &wish;
            FHost.FRenderingFaulted = faulted != nullptr ? faulted : &FFaulted;
            *FHost.FRenderingFaulted = false;
        }
        ~TRenderingScope() {
            FHost.FRendering = nullptr;
            FHost.FRenderingFaulted = &FHost.FNoScopeFault;
        }
        TRenderingScope(const TRenderingScope&) = delete;
        TRenderingScope& operator=(const TRenderingScope&) = delete;

    private:
        TPluginHost& FHost;
        bool FFaulted = false;
    };

    // hostPath: the host program; hangTimeoutMs: how long a call may go without returning or
    // reporting progress while the host idles (four times as long while it keeps a processor
    // busy, as host::BusyHangTimeoutMs is to host::HangTimeoutMs).
    explicit TPluginHost(std::wstring hostPath = DefaultHostPath(),
                         std::uint32_t hangTimeoutMs = host::HangTimeoutMs);
    ~TPluginHost() override;
    TPluginHost(const TPluginHost&) = delete;
    TPluginHost& operator=(const TPluginHost&) = delete;

    // tovane-host.exe beside the running program.
    static std::wstring DefaultHostPath();
    // The 64-bit program's 32-bit host, tovane-host32.exe beside it, for the 32-bit modules:
    // they have no other place to run, so when it cannot be started they are not used.
    static std::unique_ptr<TPluginHost>
    ForModules32(std::uint32_t hangTimeoutMs = host::HangTimeoutMs);
    static std::wstring Host32Path();

    std::string Preflight(const std::string& fileName) override;
    // Loads the module in the host and hands its description over (TDescribe).
    THostedLoad LoadHosted(const std::string& fileName) override;

    // The module's calls, made in the host. Each raises EPluginFault when the host ends, hangs or
    // answers nonsense meanwhile, EHostCallFailed when the host could not make the call,
    // EHostUnavailable when no host starts, and EAbort when an Interrupt ended the call.
    int IsSupported(const TSPI& spi, const std::string& fileName, const void* header2048);
    int GetPictureInfo(const TSPI& spi, const THostSource& source, PictureInfo& info);
    // GetPicture, or GetPreview when preview (a module without it answers -1).
    THostPicture GetPicture(const TSPI& spi, const THostSource& source, bool preview,
                            const TProgressFn& progress);

    // An archive module's calls (plugins/ArchiveCalls.h), made in the host, raising as above.
    // The entry's bytes come back mapped from a section the host filled.
    TArchiveListing ListArchive(const TSPI& spi, const std::wstring& archive);
    struct TEntry {
        int Value = 0;
        TByteBuffer Bytes; // on 0
    };
    TEntry ReadArchiveEntry(const TSPI& spi, const std::wstring& archive,
                            const TArchiveEntry& entry);

    // Left out for the rest of the session after faulting host::FaultsBeforeSkip times in a row.
    bool IsSkipped(const TSPI& spi) const { return FFaults.IsSkipped(spi.FileName()); }

    // Starts a host now unless one runs (a host found ended is replaced, and so is one started
    // before the colour target the program publishes changed). Two failed starts in a row make
    // the host unavailable for the session; raises EHostUnavailable then.
    void Start();
    // The running host's process id; 0 when none runs.
    DWORD ProcessId() const;
    // True once no host could be started twice in a row.
    bool Unavailable() const { return FStartFailures >= 2; }
    // What the user is to be told once about the host itself (it could not be started, or not
    // be tied to the program's life), in UTF-8; each report is handed out once.
    std::vector<std::string> TakeReports() { return std::exchange(FReports, {}); }

    // Any thread: the call running now (or the next one) is to end. The module is asked to stop
    // through its progress answers as usual; a host that has not answered within graceMs is
    // ended (not counted as a fault), and the call raises EAbort. ClearInterrupt, on the calling
    // thread between calls, takes the request back.
    void Interrupt(std::uint32_t graceMs);
    void ClearInterrupt();

private:
    struct TRunning;
    // Sends the request and reads the answer of kind Answer; progress messages go to progress
    // on the way. Every way the conversation can go wrong ends in one of the exceptions listed
    // above.
    template <typename Answer>
    Answer Call(const std::string& module, const std::vector<std::uint8_t>& request,
                const TProgressFn* progress);
    std::vector<std::uint8_t> Exchange(const std::vector<std::uint8_t>& request,
                                       const TProgressFn* progress);
    void StartOnce();
    host::TSourceDesc Describe(const THostSource& source);
    void Transfer(bool write, void* data, std::size_t size);
    // Waits for an operation on the pipe to complete (its event set); raises THostLost when the
    // host ends, goes silent too long, or an interrupt runs out of grace.
    void AwaitTransfer(HANDLE done);
    void NoteSignOfLife();
    // Whether the host has been silent too long, by the last busy report it sent.
    bool SilentTooLong() const;
    std::vector<std::uint8_t> ReadBody();
    // A rendering's messages during a picture call (TDecoded, TRendering).
    void RenderingMessage(const std::vector<std::uint8_t>& body);
    void WriteBody(const std::vector<std::uint8_t>& body);
    void Stop();

    std::wstring FHostPath;
    std::wstring FInherited; // PublishedColourTarget when the running host started
    // What the report of a host that cannot be started says happens instead.
    std::string FUnavailableNote;
    std::uint32_t FHangTimeoutMs;
    std::uint32_t FBusyHangTimeoutMs;
    std::uint32_t FWaitMs; // what Transfer waits for: the hang timeout, or the start timeout
    UniqueKernelHandle FJob;
    std::unique_ptr<TRunning> FRunning;
    host::TFaultCounter FFaults;
    unsigned FStarts = 0;
    int FStartFailures = 0; // failed starts in a row
    bool FJobReported = false;
    std::vector<std::string> FReports;
    UniqueKernelHandle FInterrupt;          // set by Interrupt
    std::atomic<std::uint32_t> FGraceMs{0}; // what Interrupt gave
    // Since when the host has said nothing, and what its last busy report said.
    DWORD FSilentSince = 0;
    struct TBusyReport {
        std::uint32_t BusyMs = 0;
        std::uint32_t WindowMs = 0;
        DWORD At = 0;
        bool Known = false; // a report came since the last sign of life
    } FBusy;
    const TRenderingWish* FRendering = nullptr; // set by a TRenderingScope
    bool FNoScopeFault = false;
    bool* FRenderingFaulted = &FNoScopeFault; // the scope's (shared) flag
    std::pair<int, int> FDecodedSize;
};

} // namespace tovane
