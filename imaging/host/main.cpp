// tovane-host: the decoding host. Started by the program with the name of a pipe to connect
// to; loads plug-in modules on request and makes their picture calls, so that a module that
// faults or hangs ends this process and not the program. It serves one request at a time and
// ends when the pipe breaks. See imaging/portable/HostProtocol.h for the conversation.
//
// A fault must end this process at once and quietly: no error report, no debugger, no dialog.
#include "framework/BitmapScale.h"
#include "framework/DibCheck.h"
#include "framework/Exceptions.h"
#include "framework/WorkerThread.h"
#include "framework/win32/Handles.h"
#include "framework/win32/ModuleFile.h"
#include "imaging/portable/DecodeRules.h"
#include "imaging/portable/HostProtocol.h"
#include "framework/win32/Text.h"
#include "plugins/ArchiveCalls.h"
#include "plugins/SPIs.h"

#include <windows.h>

#include <objbase.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace tovane;
using namespace tovane::host;

namespace {

constexpr UINT ExitFault = 3;

[[noreturn]] void EndNow() {
    TerminateProcess(GetCurrentProcess(), ExitFault);
    std::_Exit(ExitFault);
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS*) {
    EndNow();
}

void OnAbortSignal(int) {
    EndNow();
}

void EndQuietlyOnFaults() {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetUnhandledExceptionFilter(OnUnhandledException);
    // The runtime's abort shows its message box only in a windowed program; this one is a
    // console program started without a console, so the message goes nowhere.
    std::signal(SIGABRT, OnAbortSignal);
    std::set_terminate([] { EndNow(); });
}

// The pipe to the program, read and written synchronously. A broken pipe means the program
// has gone: the host ends.
class TPipe {
public:
    explicit TPipe(HANDLE pipe) : FPipe(pipe) {}
    bool Valid() const { return static_cast<bool>(FPipe); }

    std::vector<std::uint8_t> Read() {
        // Transfer raises when the frame cannot be read.
        return *ReadFrame([this](bool write, void* data, std::size_t size) {
            Transfer(write, data, size);
            return true;
        });
    }
    // Whole frames: the busy reports' thread writes too.
    void Write(const std::vector<std::uint8_t>& body) {
        std::vector<std::uint8_t> frame = Frame(body);
        std::lock_guard lock(FWriting);
        Transfer(true, frame.data(), frame.size());
    }

private:
    void Transfer(bool write, void* data, std::size_t size) {
        auto* at = static_cast<char*>(data);
        while (size > 0) {
            DWORD n = 0;
            const DWORD chunk = static_cast<DWORD>(size < (1u << 20) ? size : (1u << 20));
            const BOOL ok = write ? WriteFile(FPipe.Get(), at, chunk, &n, nullptr)
                                  : ReadFile(FPipe.Get(), at, chunk, &n, nullptr);
            if (!ok || n == 0)
                throw EProtocol("the program has gone");
            at += n;
            size -= n;
        }
    }
    UniqueFile FPipe;
    std::mutex FWriting;
};

// While a call runs and the module has reported nothing for a second, tells the program about
// once a second how much processor time this process used: a module that works without a word
// (a library that reports no progress) is then given longer before it counts as hung.
class TBusyReporter {
public:
    explicit TBusyReporter(TPipe& pipe) : FPipe(pipe), FThread([this] { Run(); }) {}
    ~TBusyReporter() {
        {
            std::lock_guard lock(FLock);
            FQuit = true;
        }
        FWake.notify_all();
        FThread.join();
    }
    TBusyReporter(const TBusyReporter&) = delete;
    TBusyReporter& operator=(const TBusyReporter&) = delete;

    void CallStarted() {
        std::lock_guard lock(FLock);
        FRunning = true;
        FLastSign = FLastCheck = GetTickCount();
        FCpuAtCheck = CpuMs();
    }
    void SignOfLife() {
        std::lock_guard lock(FLock);
        FLastSign = GetTickCount();
    }
    // No report goes out once this has returned (the call's answer follows).
    void CallEnded() {
        std::lock_guard lock(FLock);
        FRunning = false;
    }

private:
    static std::uint64_t CpuMs() {
        FILETIME created, ended, kernel, user;
        if (!GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user))
            return 0;
        const auto ticks = [](const FILETIME& t) {
            return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
        };
        return (ticks(kernel) + ticks(user)) / 10000;
    }

    void Run() {
        std::unique_lock lock(FLock);
        while (!FQuit) {
            FWake.wait_for(lock, std::chrono::milliseconds(BusyCheckMs));
            if (FQuit || !FRunning)
                continue;
            const DWORD now = GetTickCount();
            const std::uint64_t cpu = CpuMs();
            const TBusy busy{static_cast<std::uint32_t>(cpu - FCpuAtCheck), now - FLastCheck};
            FLastCheck = now;
            FCpuAtCheck = cpu;
            if (now - FLastSign < BusyCheckMs)
                continue;
            try {
                FPipe.Write(Encode(busy)); // under the lock: CallEnded waits for it
            } catch (const std::exception&) {
                // The program has gone; the serving thread finds out by itself.
            }
        }
    }

    TPipe& FPipe;
    std::mutex FLock;
    std::condition_variable FWake;
    bool FQuit = false;
    bool FRunning = false;
    DWORD FLastSign = 0;
    DWORD FLastCheck = 0;
    std::uint64_t FCpuAtCheck = 0;
    std::thread FThread; // last: it starts running at construction
};

// A memory source handed over by the program, mapped for one call.
class TMappedSource {
public:
    explicit TMappedSource(const TSourceDesc& desc) {
        if (desc.Flag != 1)
            return;
        const UniqueKernelHandle section(
            reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(desc.Section)));
        if (desc.Offset > desc.SectionSize)
            throw Exception("source offset past the data");
        FView.Reset(MapViewOfFile(section.Get(), FILE_MAP_READ, 0, 0, 0));
        if (!FView)
            throw Exception("the source cannot be mapped");
        FAddress = static_cast<const char*>(FView.Get()) + desc.Offset;
    }
    // The module's source argument: the path for a file, the address for memory.
    const char* Source(const TSourceDesc& desc) const {
        return desc.Flag == 1 ? FAddress : desc.Path.c_str();
    }

private:
    UniqueView FView;
    const char* FAddress = nullptr;
};

// The module's length argument; a length that this host's modules cannot be given (past 2 GiB
// in the 32-bit host) fails the call instead of reaching them cut short.
SusieLength LengthArgument(const TSourceDesc& desc) {
    if (desc.Length < std::numeric_limits<SusieLength>::min() ||
        desc.Length > std::numeric_limits<SusieLength>::max())
        throw Exception("a source of " + std::to_string(desc.Length) + " bytes is too large here");
    return static_cast<SusieLength>(desc.Length);
}

// Sections for renderings, with one made ahead at the last rendering's size whose pages are
// already touched: under Wine a first write to a fresh page costs about as much as shrinking
// the picture's pixels for it.
class TRenderingSections {
public:
    // A section of bytes, the one made ahead when it has that size; no view when there is no
    // memory for it.
    TSharedSection Take(std::size_t bytes) {
        FLastBytes = bytes;
        TSharedSection spare = std::move(FSpare);
        if (spare.View && spare.Bytes == bytes)
            return spare;
        return MakeSharedSection(bytes);
    }
    // Makes the next section ahead while the host would only wait for the program.
    void MakeAhead() {
        if (FLastBytes == 0 || FSpare.View)
            return;
        FSpare = MakeSharedSection(FLastBytes);
        if (!FSpare.View)
            return;
        auto* at = static_cast<volatile std::uint8_t*>(FSpare.View.Get());
        for (std::size_t offset = 0; offset < FSpare.Bytes; offset += 4096)
            at[offset] = 0;
    }

private:
    TSharedSection FSpare;
    std::size_t FLastBytes = 0;
};

// Sections for pictures, made and their pages touched on a second thread while the module
// decodes: under Wine a first write to a fresh page costs far more than the copy into it, so
// handing a camera picture over into a fresh section took about as long as decoding it.
class TPictureSections {
public:
    // Starts making a section of bytes (what the module announced) unless it is 0, or, in the
    // 32-bit host, so large that its view could take the address space the module needs.
    void Prepare(std::uint64_t bytes) {
        Finish();
        constexpr std::uint64_t most32 = 256u << 20;
        if (bytes == 0 || (sizeof(void*) == 4 && bytes > most32))
            return;
        FPreparing = true;
        FStop = false;
        FMaker.Start([this, bytes] {
            FReady = MakeSharedSection(bytes);
            if (!FReady.View)
                return;
            auto* at = static_cast<volatile std::uint8_t*>(FReady.View.Get());
            for (std::uint64_t offset = 0; offset < bytes && !FStop; offset += 4096)
                at[offset] = 0;
        });
    }
    // A section of at least bytes: the one prepared when it is no more than an eighth larger
    // (the program keeps the whole section for the picture's life), else a fresh one; no view
    // when there is no memory for it.
    TSharedSection Take(std::uint64_t bytes) {
        TSharedSection ready = Finish();
        if (ready.View && ready.Bytes >= bytes && ready.Bytes - bytes <= bytes / 8)
            return ready;
        ready = TSharedSection();
        return MakeSharedSection(bytes);
    }
    // Lets the prepared section go (the module delivered nothing).
    void Drop() { Finish(); }

private:
    // Ends the preparation where it stands: the copy touches the pages not yet touched.
    TSharedSection Finish() {
        if (FPreparing) {
            FPreparing = false;
            FStop = true;
            try {
                FMaker.Wait();
            } catch (const std::exception&) {
                FReady = TSharedSection();
            }
        }
        return std::move(FReady);
    }

    TWorkerThread FMaker;
    TSharedSection FReady; // written by FMaker between Start and Wait
    std::atomic<bool> FStop{false};
    bool FPreparing = false;
};

// The bytes of a section holding the picture that GetPictureInfo announced, as a module
// delivers it (a bottom-up bitmap of that depth, with a full colour table up to 8 bits); 0 when
// the record says nothing usable.
std::uint64_t AnnouncedSectionBytes(const tovane::PictureInfo& info) {
    const std::uint64_t w =
        static_cast<std::uint64_t>(std::abs(static_cast<std::int64_t>(info.width)));
    const std::uint64_t h =
        static_cast<std::uint64_t>(std::abs(static_cast<std::int64_t>(info.height)));
    const int bits = info.colorDepth;
    if (w == 0 || h == 0 ||
        (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32))
        return 0;
    const std::uint64_t bitsSize = (w * static_cast<std::uint64_t>(bits) + 31) / 32 * 4 * h;
    if (!HandOverRefusal(0, bitsSize).empty())
        return 0;
    const std::uint64_t infoSize = 40 + (bits <= 8 ? (std::uint64_t{1} << bits) * 4 : 0);
    return PixelOffset(infoSize) + bitsSize;
}

class THostServer {
public:
    explicit THostServer(TPipe& pipe) : FPipe(pipe), FBusy(pipe) {}

    void Serve() {
        FPipe.Write(Encode(THello{GetCurrentProcessId()}));
        for (;;) {
            const std::vector<std::uint8_t> request = FPipe.Read();
            std::vector<std::uint8_t> answer;
            FBusy.CallStarted();
            try {
                answer = Answer(request);
            } catch (const EProtocol&) {
                FBusy.CallEnded();
                throw;
            } catch (const std::exception& e) {
                answer = Encode(TFailed{e.what()});
            }
            FBusy.CallEnded();
            FPipe.Write(answer);
            FRenderingSections.MakeAhead();
        }
    }

private:
    std::vector<std::uint8_t> Answer(const std::vector<std::uint8_t>& request) {
        switch (KindOf(request)) {
        case TMessageKind::Preflight:
            return Preflight(Decode<TPreflight>(request));
        case TMessageKind::Describe:
            return Describe(Decode<TDescribe>(request));
        case TMessageKind::IsSupported:
            return IsSupported(Decode<TIsSupported>(request));
        case TMessageKind::PictureInfo:
            return PictureInfo(Decode<TPictureInfoRequest>(request));
        case TMessageKind::Picture:
            return Picture(Decode<TPictureRequest>(request));
        case TMessageKind::ArchiveList:
            return ArchiveList(Decode<TArchiveListRequest>(request));
        case TMessageKind::ArchiveFile:
            return ArchiveFile(Decode<TArchiveFileRequest>(request));
        default:
            throw EProtocol("unexpected request");
        }
    }

    // The module, loaded on first use and kept for the host's life.
    TSPI* Module(const std::string& path) {
        auto found = FModules.find(path);
        if (found == FModules.end())
            found = FModules.emplace(path, LoadPlugin(path)).first;
        return found->second.get();
    }
    // The module as a class of its kind; one of another kind cannot serve the call.
    template <typename T> T& ModuleAs(const std::string& path) {
        auto* spi = dynamic_cast<T*>(Module(path));
        if (spi == nullptr)
            throw ESPIFOpenErrorSPI(path);
        return *spi;
    }

    std::vector<std::uint8_t> ArchiveList(const TArchiveListRequest& request) {
        const TArchiveListing listing =
            ListArchiveEntries(ModuleAs<TAmSPI>(request.Module), Utf8ToWide(request.Archive));
        TArchiveEntries r;
        r.Value = listing.Value;
        for (const TArchiveEntry& entry : listing.Entries) {
            r.Names.push_back(WideToUtf8(entry.Name));
            r.Positions.push_back(entry.Position);
            r.Sizes.push_back(entry.Size);
            r.Encrypted.push_back(entry.Encrypted ? 1 : 0);
        }
        return Encode(r);
    }

    std::vector<std::uint8_t> ArchiveFile(const TArchiveFileRequest& request) {
        TArchiveEntry entry;
        entry.Position = request.Position;
        entry.Size = request.Size;
        const TEntryBytes bytes =
            ReadArchiveEntry(ModuleAs<TAmSPI>(request.Module), Utf8ToWide(request.Archive), entry);
        TFileResult r;
        r.Value = bytes.Value;
        if (bytes.Value != 0)
            return Encode(r);
        TSharedSection section = MakeSharedSection(std::max<std::size_t>(bytes.Size, 1));
        if (!section.View)
            throw Exception("no shared memory for " + std::to_string(bytes.Size) + " bytes");
        const TLocalLock entryBytes(bytes.Block.Get());
        if (bytes.Size > 0 && entryBytes.Address() != nullptr)
            std::memcpy(section.View.Get(), entryBytes.Address(), bytes.Size);
        r.Size = bytes.Size;
        r.Section = section.HandOver();
        return Encode(r);
    }

    std::vector<std::uint8_t> Preflight(const TPreflight& request) {
        try {
            Module(request.Module);
        } catch (const ESPIInvalidAPI&) {
            // A missing export is the collection's business; the module did not fault.
        }
        return Encode(TResult{0});
    }

    // The module as this host's wrapper sees it, for a program that cannot load it itself.
    std::vector<std::uint8_t> Describe(const TDescribe& request) {
        TDescription d;
        d.PointerBits = static_cast<std::uint8_t>(sizeof(void*) * 8);
        TSPI* spi = nullptr;
        try {
            spi = Module(request.Module);
        } catch (const ESPIInvalidAPI& e) {
            d.Status = TDescribeStatus::MissingExport;
            d.MissingExport = e.ExportName();
            return Encode(d);
        }
        if (spi == nullptr) {
            FModules.erase(request.Module); // not a module: asked again, it is looked at again
            d.Status = TDescribeStatus::NotLoadable;
            return Encode(d);
        }
        d.Status = TDescribeStatus::Loaded;
        d.FileName = spi->FileName();
        d.APIVersion = spi->APIVersion();
        d.PluginInfo = spi->PluginInfo();
        d.Extensions = spi->Extensions();
        d.FormatNames = spi->FormatNames();
        return Encode(d);
    }

    std::vector<std::uint8_t> IsSupported(const TIsSupported& request) {
        // Import and archive modules alike.
        TLoaderSPI& spi = ModuleAs<TLoaderSPI>(request.Module);
        std::vector<std::uint8_t> header = request.Header;
        header.resize(2048);
        return Encode(TResult{spi.IsSupported(request.FileName.c_str(), header.data())});
    }

    std::vector<std::uint8_t> PictureInfo(const TPictureInfoRequest& request) {
        // The source first: it owns the section handle the program gave, whatever happens.
        const TMappedSource source(request.Source);
        TInSPI& spi = ModuleAs<TInSPI>(request.Module);
        tovane::PictureInfo info{};
        TInfoResult r;
        r.Value = spi.GetPictureInfo(source.Source(request.Source), LengthArgument(request.Source),
                                     request.Source.Flag, &info);
        // The text information is not handed over; it is the host's to free.
        const UniqueLocal text(info.hInfo);
        FAnnounced = TAnnounced{request.Module, request.Source,
                                r.Value == 0 ? AnnouncedSectionBytes(info) : 0};
        r.WithRecord(info, [](auto& ours, const auto& theirs) { ours = theirs; });
        return Encode(r);
    }

    std::vector<std::uint8_t> Picture(const TPictureRequest& request) {
        const TMappedSource source(request.Source);
        TInSPI& spi = ModuleAs<TInSPI>(request.Module);
        HLOCAL info = nullptr;
        HLOCAL bits = nullptr;
        FProgressCalls = 0;
        FLastAnswer = 0;
        int result = 0;
        const char* src = source.Source(request.Source);
        const SusieLength length = LengthArgument(request.Source);
        const auto user = reinterpret_cast<SusieUserData>(this);
        // The picture's section is made while the module decodes.
        if (!request.Preview && FAnnounced.Module == request.Module &&
            SameSource(FAnnounced.Source, request.Source))
            FPictureSections.Prepare(FAnnounced.Bytes);
        if (request.Preview) {
            try {
                result = spi.GetPreview(src, length, request.Source.Flag, &info, &bits,
                                        &THostServer::Progress, user);
            } catch (const ESPIInvalidAPI&) {
                result = -1; // no GetPreview export: a module without previews
            }
        } else {
            result = spi.GetPicture(src, length, request.Source.Flag, &info, &bits,
                                    &THostServer::Progress, user);
        }
        if (result == 0 && request.AskSize && !request.Preview)
            OfferRendering(info, bits);
        TPictureResult r;
        r.Value = result;
        if (result == 0)
            HandOver(info, bits, r);
        FPictureSections.Drop();
        return Encode(r);
    }

    // Offers the program a rendering of the decoded picture, made from the module's own blocks
    // before they are copied for the program, so that the program can show the picture before
    // the copy of all its pixels is done. Blocks that are not a sound picture get no offer: the
    // handing over refuses them as usual.
    void OfferRendering(HLOCAL infoHandle, HLOCAL bitsHandle) {
        if (infoHandle == nullptr || bitsHandle == nullptr || bitsHandle == infoHandle)
            return;
        const std::size_t infoSize = LocalSize(infoHandle);
        const std::size_t bitsSize = LocalSize(bitsHandle);
        const TLocalLock info(infoHandle);
        const TLocalLock bits(bitsHandle);
        TDib picture;
        try {
            if (info.Address() == nullptr || bits.Address() == nullptr ||
                !CheckDibBlocks(info.Address(), infoSize, bitsSize).Ok())
                return;
            picture = ReadDib({static_cast<const std::uint8_t*>(info.Address()), infoSize},
                              TByteBuffer::Adopt(static_cast<std::uint8_t*>(bits.Address()),
                                                 bitsSize, std::make_unique<TExternalBlock>()));
        } catch (const std::exception&) {
            return; // not a picture this host can read, or no memory: no offer
        }
        FPipe.Write(Encode(TDecoded{picture.Width, picture.Height}));
        const TRenderSize size = Decode<TRenderSize>(FPipe.Read());
        if (size.Width == 0 && size.Height == 0)
            return;
        TRendering rendering;
        rendering.Width = size.Width;
        rendering.Height = size.Height;
        if (RenderSizeAllowed(size.Width, size.Height))
            rendering.Section = Render(picture, size.Width, size.Height);
        FPipe.Write(Encode(rendering));
    }

    // The picture shrunk into a section the program takes over; 0 when there is no memory for it.
    std::uint64_t Render(const TDib& picture, std::int32_t width, std::int32_t height) {
        const std::size_t bytes = static_cast<std::size_t>(width) * height * 4;
        TSharedSection section = FRenderingSections.Take(bytes);
        if (!section.View)
            return 0;
        try {
            TDib out =
                ResampledShape(width, height,
                               TByteBuffer::Adopt(static_cast<std::uint8_t*>(section.View.Get()),
                                                  bytes, std::make_unique<TExternalBlock>()));
            ResampleAreaInto(picture, out, &FShrinkHelper);
        } catch (const std::exception&) {
            return 0;
        }
        return section.HandOver();
    }

    // Moves both blocks into one section the program takes over, and frees them.
    void HandOver(HLOCAL infoHandle, HLOCAL bitsHandle, TPictureResult& r) {
        const UniqueLocal info(infoHandle);
        const UniqueLocal bits(bitsHandle != infoHandle ? bitsHandle : nullptr);
        if (!info || !bits)
            return;
        const std::uint64_t infoSize = LocalSize(info.Get());
        const std::uint64_t bitsSize = LocalSize(bits.Get());
        r.Refusal = HandOverRefusal(infoSize, bitsSize);
        if (!r.Refusal.empty())
            return;
        const std::uint64_t bitsOffset = PixelOffset(infoSize);
        const std::uint64_t total = bitsOffset + bitsSize;
        TSharedSection section = FPictureSections.Take(total);
        if (!section.View) {
            r.Refusal = "no shared memory for " + std::to_string(total) + " bytes";
            return;
        }
        auto* to = static_cast<char*>(section.View.Get());
        const TLocalLock infoBytes(info.Get());
        const TLocalLock bitsBytes(bits.Get());
        if (infoBytes.Address() == nullptr || bitsBytes.Address() == nullptr) {
            r.Refusal = "the module's blocks cannot be locked";
            return;
        }
        std::memcpy(to + InfoOffset, infoBytes.Address(), infoSize);
        std::memcpy(to + bitsOffset, bitsBytes.Address(), bitsSize);
        r.Section = section.HandOver();
        r.InfoSize = infoSize;
        r.BitsOffset = bitsOffset;
        r.BitsSize = bitsSize;
    }

    // The module's progress callback: passed on to the program when the percentage changes,
    // at most every ProgressForwardMs (and now and then while it stands still, to show the
    // module lives); otherwise the last answer is given again.
    static int WINAPI Progress(int numerator, int denominator, SusieUserData data) {
        auto* self = reinterpret_cast<THostServer*>(data);
        const int percent = PluginProgressPercent(numerator, denominator);
        const DWORD now = GetTickCount();
        if (!ShouldForwardProgress(self->FProgressCalls == 0, self->FLastPercent, percent,
                                   now - self->FLastForward))
            return self->FLastAnswer;
        ++self->FProgressCalls;
        self->FLastPercent = percent;
        self->FLastForward = now;
        self->FBusy.SignOfLife();
        try {
            self->FPipe.Write(Encode(TProgress{numerator, denominator}));
            self->FLastAnswer = Decode<TProgressAnswer>(self->FPipe.Read()).Answer;
        } catch (...) {
            // The program has gone; nothing may unwind through the module.
            EndNow();
        }
        return self->FLastAnswer;
    }

    // Whether two descriptions name the same data (the section handle differs per call).
    static bool SameSource(const TSourceDesc& a, const TSourceDesc& b) {
        return a.Flag == b.Flag && a.Path == b.Path && a.Length == b.Length &&
               a.SectionSize == b.SectionSize && a.Offset == b.Offset;
    }

    // The picture the last GetPictureInfo announced, and the section it would take.
    struct TAnnounced {
        std::string Module;
        TSourceDesc Source;
        std::uint64_t Bytes = 0;
    };

    TPipe& FPipe;
    TBusyReporter FBusy;
    TAnnounced FAnnounced;
    TPictureSections FPictureSections;
    TRenderingSections FRenderingSections;
    // The second thread of every shrink, kept: starting one costs about 4 ms under Wine.
    TWorkerThread FShrinkHelper;
    std::map<std::string, std::unique_ptr<TSPI>> FModules;
    int FProgressCalls = 0;
    int FLastPercent = 0;
    DWORD FLastForward = 0;
    int FLastAnswer = 0;
};

// The pipe's name: the last word of the command line (it holds no spaces). Read by hand, so
// that starting up loads no shell library.
std::wstring PipeNameArgument() {
    std::wstring line = GetCommandLineW();
    while (!line.empty() && line.back() == L' ')
        line.pop_back();
    const std::size_t space = line.find_last_of(L" \"");
    if (space == std::wstring::npos)
        return std::wstring();
    std::wstring name = line.substr(space + 1);
    return name.rfind(L"\\\\.\\pipe\\", 0) == 0 ? name : std::wstring();
}

} // namespace

int main() {
    EndQuietlyOnFaults();
    // A module's load of a library by name never looks in the current folder.
    RestrictLibrarySearch();
    const std::wstring name = PipeNameArgument();
    if (name.empty())
        return 2;
    // Modules get what the program's decoding thread gives them: an apartment-threaded COM.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    TPipe pipe(CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                           nullptr));
    int code = 0;
    if (!pipe.Valid()) {
        code = 2;
    } else {
        try {
            THostServer server(pipe);
            server.Serve();
        } catch (const std::exception&) {
            // The pipe broke: the program has gone or has let this host go.
        }
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return code;
}
