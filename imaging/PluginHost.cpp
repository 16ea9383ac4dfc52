#include "imaging/PluginHost.h"

#include "bundled/common/ColourEnvironment.h"

#include "framework/BitmapScale.h"
#include "framework/PictureLimits.h"
#include "framework/Paths.h"
#include "framework/Strings.h"
#include "framework/win32/ModuleFile.h"
#include "framework/win32/Text.h"
#include "framework/Exceptions.h"

#include <algorithm>
#include <cstring>

namespace tovane {

using namespace host;

namespace {

// The host ended (or said something that makes no sense) or hung, or an interrupt ended it:
// internal to this unit.
struct THostLost {
    TFaultKind Kind;
    bool Interrupted = false;
};

std::uint64_t HandleValue(HANDLE h) {
    return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(h));
}

HANDLE HandleFromValue(std::uint64_t value) {
    return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(value));
}

std::string PipeName(unsigned serial) {
    return Format("\\\\.\\pipe\\tovane-host-%lu-%lu-%u", GetCurrentProcessId(),
                  static_cast<unsigned long>(GetTickCount()), serial);
}

// A job whose processes end when its last handle closes (the program ending, however it ends),
// and in which an unhandled exception ends the process without the system's error report.
UniqueKernelHandle MakeKillOnCloseJob() {
    UniqueKernelHandle job(CreateJobObjectW(nullptr, nullptr));
    if (!job)
        return job;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags =
        JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION;
    SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);
    return job;
}

} // namespace

EPluginFault::EPluginFault(TFaultKind kind, std::string modulePath, bool nowSkipped)
    : Exception(PictureFaultMessage(kind, AnsiToUtf8(modulePath), std::string(), nowSkipped)),
      Kind(kind), ModulePath(std::move(modulePath)), NowSkipped(nowSkipped) {
}

// ---- THostSharedBytes ----

THostSharedBytes::THostSharedBytes(const void* data, std::size_t size) : FSize(size) {
    TSharedSection made = MakeSharedSection(std::max<std::uint64_t>(size, 1));
    if (!made.View)
        throw Exception(std::to_string(size) + " バイトの共有メモリを確保できません");
    if (size > 0)
        std::memcpy(made.View.Get(), data, size);
    FSection = std::move(made.Section);
}

// ---- THostImage ----

THostImage::THostImage(UniqueKernelHandle section, const TPictureResult& result)
    : FSection(std::move(section)) {
    const std::uint64_t end = result.BitsOffset + result.BitsSize;
    if (!FSection || result.BitsOffset < InfoOffset + result.InfoSize || end < result.BitsOffset)
        return;
    UniqueView view(MapViewOfFile(FSection.Get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, 0));
    MEMORY_BASIC_INFORMATION region{};
    if (!view || VirtualQuery(view.Get(), &region, sizeof region) == 0 || region.RegionSize < end)
        return;
    FView = std::move(view);
    FInfoSize = static_cast<std::size_t>(result.InfoSize);
    FBitsOffset = static_cast<std::size_t>(result.BitsOffset);
    FBitsSize = static_cast<std::size_t>(result.BitsSize);
}

// ---- TPluginHost ----

struct TPluginHost::TRunning {
    UniqueKernelHandle Process;
    UniqueFile Pipe;
    UniqueKernelHandle Event;
    DWORD Id = 0;
};

TPluginHost::TPluginHost(std::wstring hostPath, std::uint32_t hangTimeoutMs)
    : FHostPath(std::move(hostPath)),
      FUnavailableNote("Susie Plugin はこのプログラムの中で呼び出します（異常終了する Plugin が"
                       "あると、プログラムも終了します）"),
      FHangTimeoutMs(hangTimeoutMs),
      FBusyHangTimeoutMs(hangTimeoutMs * (BusyHangTimeoutMs / HangTimeoutMs)),
      FWaitMs(hangTimeoutMs), FInterrupt(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
}

TPluginHost::~TPluginHost() {
    Stop();
}

std::wstring TPluginHost::DefaultHostPath() {
    return ProgramFolderW() + L"tovane-host.exe";
}

std::wstring TPluginHost::Host32Path() {
    return ProgramFolderW() + L"tovane-host32.exe";
}

std::unique_ptr<TPluginHost> TPluginHost::ForModules32(std::uint32_t hangTimeoutMs) {
    auto host = std::make_unique<TPluginHost>(Host32Path(), hangTimeoutMs);
    host->FUnavailableNote = "32 ビットの Susie Plugin (*.spi) は使えません";
    return host;
}

void TPluginHost::Interrupt(std::uint32_t graceMs) {
    FGraceMs = graceMs;
    if (FInterrupt)
        SetEvent(FInterrupt.Get());
}

void TPluginHost::ClearInterrupt() {
    if (FInterrupt)
        ResetEvent(FInterrupt.Get());
}

void TPluginHost::NoteSignOfLife() {
    FSilentSince = GetTickCount();
    FBusy = TBusyReport{};
}

bool TPluginHost::SilentTooLong() const {
    const DWORD now = GetTickCount();
    // A busy report counts for as long as silence may last: reports come about once a second,
    // but a loaded machine can hold one up for seconds.
    const bool recent = FBusy.Known && now - FBusy.At <= FWaitMs;
    return SilenceIsHang(now - FSilentSince, recent ? FBusy.BusyMs : 0,
                         recent ? FBusy.WindowMs : BusyCheckMs, FWaitMs,
                         std::max(FWaitMs, FBusyHangTimeoutMs));
}

DWORD TPluginHost::ProcessId() const {
    return FRunning ? FRunning->Id : 0;
}

void TPluginHost::Stop() {
    if (!FRunning)
        return;
    // Closing the pipe lets a waiting host end by itself; one busy in a module is ended.
    FRunning->Pipe.Reset();
    if (WaitForSingleObject(FRunning->Process.Get(), 200) != WAIT_OBJECT_0) {
        TerminateProcess(FRunning->Process.Get(), 1);
        WaitForSingleObject(FRunning->Process.Get(), 5000);
    }
    FRunning.reset();
}

std::wstring PublishedColourTarget() {
    std::wstring text;
    for (const wchar_t* name : {bundled::ColourManageVariable, bundled::DisplayProfileVariable}) {
        std::wstring value(1024, L'\0');
        const DWORD n = GetEnvironmentVariableW(name, value.data(), 1024);
        value.resize(n < 1024 ? n : 0);
        text += value + L'\n';
    }
    return text;
}

void TPluginHost::Start() {
    if (FRunning && WaitForSingleObject(FRunning->Process.Get(), 0) == WAIT_OBJECT_0)
        Stop(); // ended since its last call: nobody's fault
    if (FRunning && PublishedColourTarget() != FInherited)
        Stop(); // the colour target has changed since it started: a fresh host takes it
    if (FRunning)
        return;
    if (Unavailable())
        throw EHostUnavailable(WideToUtf8(FHostPath) + " を起動できません");
    // A host that fails to start is tried once more at once; after that the session does
    // without.
    while (!FRunning) {
        try {
            FInherited = PublishedColourTarget();
            StartOnce();
            FStartFailures = 0;
        } catch (const Exception& e) {
            if (++FStartFailures < 2)
                continue;
            FReports.push_back(e.what() + std::string("\n") + FUnavailableNote);
            throw EHostUnavailable(e.what());
        }
    }
}

void TPluginHost::StartOnce() {
    if (!FJob)
        FJob = MakeKillOnCloseJob();

    auto running = std::make_unique<TRunning>();
    const std::string pipeName = PipeName(++FStarts);
    running->Pipe.Reset(CreateNamedPipeA(
        pipeName.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 65536,
        65536, 0, nullptr));
    running->Event.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!running->Pipe || !running->Event)
        throw Exception("デコード用のパイプを作成できません");

    std::wstring commandLine = L"\"" + FHostPath + L"\" " + AnsiToWide(pipeName);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    // The host starts in the program's folder: never in a picture folder, whose files a module's
    // load of a library by name could pick up.
    const std::wstring folder = FolderOf(FHostPath);
    if (!CreateProcessW(FHostPath.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &info))
        throw Exception(WideToUtf8(FHostPath) + " を起動できません");
    running->Process.Reset(info.hProcess);
    const UniqueKernelHandle thread(info.hThread);
    running->Id = info.dwProcessId;
    // Without the job (nested jobs refused) the host still ends when its pipe breaks, unless a
    // module hangs it: the user is told once.
    if (FJob ? !AssignProcessToJobObject(FJob.Get(), info.hProcess) : true) {
        if (!FJobReported)
            FReports.push_back(Format("デコード用プロセスをプログラムのジョブに入れられません"
                                      "（エラー %lu）。プログラムが異常終了すると、デコード用"
                                      "プロセスが残ることがあります",
                                      static_cast<unsigned long>(GetLastError())));
        FJobReported = true;
    }
    ResumeThread(thread.Get());
    FRunning = std::move(running);

    try {
        OVERLAPPED ov{};
        ov.hEvent = FRunning->Event.Get();
        ResetEvent(ov.hEvent);
        if (!ConnectNamedPipe(FRunning->Pipe.Get(), &ov)) {
            const DWORD error = GetLastError();
            if (error == ERROR_IO_PENDING) {
                const HANDLE waits[2] = {ov.hEvent, FRunning->Process.Get()};
                const DWORD w = WaitForMultipleObjects(2, waits, FALSE, StartTimeoutMs);
                if (w != WAIT_OBJECT_0) {
                    CancelIoEx(FRunning->Pipe.Get(), &ov);
                    DWORD n = 0;
                    GetOverlappedResult(FRunning->Pipe.Get(), &ov, &n, TRUE);
                    throw THostLost{w == WAIT_TIMEOUT ? TFaultKind::Hung : TFaultKind::Died};
                }
                DWORD n = 0;
                if (!GetOverlappedResult(FRunning->Pipe.Get(), &ov, &n, FALSE))
                    throw THostLost{TFaultKind::Died};
            } else if (error != ERROR_PIPE_CONNECTED) {
                throw THostLost{TFaultKind::Died};
            }
        }
        // The one who connected must be the process started here, by the system's word and by
        // its own.
        ULONG client = 0;
        if (GetNamedPipeClientProcessId(FRunning->Pipe.Get(), &client) && client != FRunning->Id)
            throw THostLost{TFaultKind::Died};
        FWaitMs = StartTimeoutMs;
        NoteSignOfLife();
        const THello hello = Decode<THello>(ReadBody());
        FWaitMs = FHangTimeoutMs;
        if (hello.ProcessId != FRunning->Id)
            throw THostLost{TFaultKind::Died};
    } catch (const THostLost&) {
        FWaitMs = FHangTimeoutMs;
        Stop();
        throw Exception(WideToUtf8(FHostPath) + " が応答しません");
    } catch (const EProtocol&) {
        FWaitMs = FHangTimeoutMs;
        Stop();
        throw Exception(WideToUtf8(FHostPath) + " が応答しません");
    }
}

void TPluginHost::Transfer(bool write, void* data, std::size_t size) {
    auto* at = static_cast<char*>(data);
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 20));
        OVERLAPPED ov{};
        ov.hEvent = FRunning->Event.Get();
        ResetEvent(ov.hEvent);
        const HANDLE pipe = FRunning->Pipe.Get();
        const BOOL done = write ? WriteFile(pipe, at, chunk, nullptr, &ov)
                                : ReadFile(pipe, at, chunk, nullptr, &ov);
        if (!done && GetLastError() != ERROR_IO_PENDING)
            throw THostLost{TFaultKind::Died};
        DWORD n = 0;
        try {
            AwaitTransfer(ov.hEvent);
        } catch (const THostLost&) {
            // The OVERLAPPED must outlive the operation: cancel and wait for it.
            CancelIoEx(pipe, &ov);
            GetOverlappedResult(pipe, &ov, &n, TRUE);
            throw;
        }
        if (!GetOverlappedResult(pipe, &ov, &n, FALSE) || n == 0)
            throw THostLost{TFaultKind::Died};
        NoteSignOfLife();
        at += n;
        size -= n;
    }
}

void TPluginHost::AwaitTransfer(HANDLE done) {
    bool interrupted = false;
    DWORD interruptedAt = 0;
    for (;;) {
        const DWORD now = GetTickCount();
        const DWORD silent = now - FSilentSince;
        DWORD timeout = silent < FWaitMs ? FWaitMs - silent : BusyCheckMs;
        if (interrupted) {
            const DWORD waited = now - interruptedAt;
            const DWORD grace = FGraceMs;
            if (waited >= grace)
                throw THostLost{TFaultKind::Hung, true};
            timeout = std::min<DWORD>(timeout, grace - waited);
        }
        const HANDLE waits[3] = {done, FRunning->Process.Get(), FInterrupt.Get()};
        const DWORD count = interrupted || !FInterrupt ? 2 : 3;
        const DWORD w = WaitForMultipleObjects(count, waits, FALSE, timeout);
        if (w == WAIT_OBJECT_0)
            return;
        if (w == WAIT_OBJECT_0 + 1)
            throw THostLost{TFaultKind::Died};
        if (w == WAIT_OBJECT_0 + 2) {
            interrupted = true;
            interruptedAt = GetTickCount();
            continue;
        }
        if (w != WAIT_TIMEOUT)
            throw THostLost{TFaultKind::Died};
        if (interrupted && GetTickCount() - interruptedAt >= FGraceMs)
            throw THostLost{TFaultKind::Hung, true};
        // Silent for long: hung, unless it keeps a processor busy (a decoder that reports no
        // progress), and then only up to the longer limit.
        if (SilentTooLong())
            throw THostLost{TFaultKind::Hung};
    }
}

std::vector<std::uint8_t> TPluginHost::ReadBody() {
    // Transfer raises when the frame cannot be read.
    return *host::ReadFrame([this](bool write, void* data, std::size_t size) {
        Transfer(write, data, size);
        return true;
    });
}

void TPluginHost::WriteBody(const std::vector<std::uint8_t>& body) {
    std::vector<std::uint8_t> frame = host::Frame(body);
    Transfer(true, frame.data(), frame.size());
}

std::vector<std::uint8_t> TPluginHost::Exchange(const std::vector<std::uint8_t>& request,
                                                const TProgressFn* progress) {
    WriteBody(request);
    for (;;) {
        const DWORD silentSince = FSilentSince;
        std::vector<std::uint8_t> body = ReadBody();
        const TMessageKind kind = KindOf(body);
        if (kind == TMessageKind::Busy) {
            // Not progress: the silence goes on, but a busy host is given longer.
            const TBusy busy = host::Decode<TBusy>(body);
            FSilentSince = silentSince;
            FBusy = TBusyReport{busy.BusyMs, std::max<std::uint32_t>(busy.WindowMs, 1),
                                GetTickCount(), true};
            if (SilentTooLong())
                throw THostLost{TFaultKind::Hung};
            continue;
        }
        if (kind == TMessageKind::Decoded || kind == TMessageKind::Rendering) {
            RenderingMessage(body);
            continue;
        }
        if (kind != TMessageKind::Progress)
            return body;
        if (progress == nullptr)
            throw EProtocol("progress of a call that has none");
        const TProgress p = host::Decode<TProgress>(body);
        WriteBody(Encode(TProgressAnswer{(*progress)(p.Numerator, p.Denominator)}));
    }
}

template <typename Answer>
Answer TPluginHost::Call(const std::string& module, const std::vector<std::uint8_t>& request,
                         const TProgressFn* progress) {
    Start();
    NoteSignOfLife();
    std::string failed;
    try {
        std::vector<std::uint8_t> body = Exchange(request, progress);
        if (KindOf(body) == TMessageKind::Failed) {
            failed = host::Decode<TFailed>(body).Message;
        } else {
            Answer answer = host::Decode<Answer>(body);
            FFaults.RecordSuccess(module, KindOf(request));
            return answer;
        }
    } catch (const THostLost& lost) {
        Stop();
        *FRenderingFaulted = true;
        if (lost.Interrupted)
            throw EAbort();
        const bool nowSkipped = FFaults.RecordFault(module, KindOf(request));
        throw EPluginFault(lost.Kind, module, nowSkipped);
    } catch (const EProtocol&) {
        // The conversation cannot be trusted from here on: that host goes.
        Stop();
        *FRenderingFaulted = true;
        const bool nowSkipped = FFaults.RecordFault(module, KindOf(request));
        throw EPluginFault(TFaultKind::Died, module, nowSkipped);
    }
    throw EHostCallFailed(failed);
}

namespace {

// A section the host filled (a rendering, an archive's entry), mapped for as long as the buffer
// that took it over lives.
class TSectionBlock final : public TExternalBlock {
public:
    TSectionBlock(UniqueKernelHandle section, UniqueView view)
        : FSection(std::move(section)), FView(std::move(view)) {}
    std::size_t ReservedBytes() const override { return ViewBytes(FView); }

private:
    UniqueKernelHandle FSection;
    UniqueView FView;
};

} // namespace

void TPluginHost::RenderingMessage(const std::vector<std::uint8_t>& body) {
    // Only a picture call that asked for a rendering gets these, in this order.
    if (FRendering == nullptr)
        throw EProtocol("a rendering nobody asked for");
    if (KindOf(body) == TMessageKind::Decoded) {
        const TDecoded decoded = host::Decode<TDecoded>(body);
        FDecodedSize = {decoded.Width, decoded.Height};
        std::pair<int, int> size{0, 0};
        try {
            if (FRendering->SizeFor)
                size = FRendering->SizeFor(decoded.Width, decoded.Height);
        } catch (...) {
            size = {0, 0};
        }
        if (!host::RenderSizeAllowed(size.first, size.second))
            size = {0, 0};
        WriteBody(Encode(TRenderSize{size.first, size.second}));
        return;
    }
    const TRendering r = host::Decode<TRendering>(body);
    if (r.Section == 0)
        return; // the host had no memory for it
    HANDLE local = nullptr;
    if (!DuplicateHandle(FRunning->Process.Get(), HandleFromValue(r.Section), GetCurrentProcess(),
                         &local, 0, FALSE, DUPLICATE_SAME_ACCESS | DUPLICATE_CLOSE_SOURCE))
        return;
    UniqueKernelHandle section(local);
    if (!host::RenderSizeAllowed(r.Width, r.Height))
        return;
    const std::size_t bytes = static_cast<std::size_t>(r.Width) * r.Height * 4;
    UniqueView view(MapViewOfFile(section.Get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, 0));
    MEMORY_BASIC_INFORMATION region{};
    if (!view || VirtualQuery(view.Get(), &region, sizeof region) == 0 || region.RegionSize < bytes)
        return;
    auto* rows = static_cast<std::uint8_t*>(view.Get());
    TDib rendering = ResampledShape(
        r.Width, r.Height,
        TByteBuffer::Adopt(rows, bytes,
                           std::make_unique<TSectionBlock>(std::move(section), std::move(view))));
    try {
        if (FRendering->Arrived)
            FRendering->Arrived(FDecodedSize.first, FDecodedSize.second, std::move(rendering));
    } catch (...) {
        // The picture follows; whoever asked takes it from there.
    }
}

std::string TPluginHost::Preflight(const std::string& fileName) {
    try {
        Call<TResult>(fileName, Encode(TPreflight{fileName}), nullptr);
        return std::string();
    } catch (const EPluginFault& fault) {
        return PreflightFaultMessage(fault.Kind, AnsiToUtf8(fileName));
    } catch (const Exception&) {
        // The host could not load it either: the collection's own load decides.
        return std::string();
    }
}

TSPIIsolation::THostedLoad TPluginHost::LoadHosted(const std::string& fileName) {
    THostedLoad load;
    TDescription d;
    try {
        d = Call<TDescription>(fileName, Encode(TDescribe{fileName}), nullptr);
    } catch (const EPluginFault& fault) {
        load.Fault = PreflightFaultMessage(fault.Kind, AnsiToUtf8(fileName));
        return load;
    } catch (const EHostUnavailable&) {
        // Said once, with the first module that needed the host.
        for (const std::string& report : TakeReports())
            load.Fault += (load.Fault.empty() ? "" : "\n") + report;
        return load;
    } catch (const EHostCallFailed&) {
        return load;
    }
    if (d.Status == TDescribeStatus::MissingExport)
        throw ESPIInvalidAPI(d.MissingExport, fileName);
    if (d.Status != TDescribeStatus::Loaded)
        return load;
    load.Description = SPIDescription{d.FileName.empty() ? fileName : d.FileName,
                                      d.APIVersion,
                                      d.PluginInfo,
                                      std::move(d.Extensions),
                                      std::move(d.FormatNames),
                                      d.PointerBits};
    return load;
}

int TPluginHost::IsSupported(const TSPI& spi, const std::string& fileName, const void* header2048) {
    TIsSupported request;
    request.Module = spi.FileName();
    request.FileName = fileName;
    const auto* header = static_cast<const std::uint8_t*>(header2048);
    request.Header.assign(header, header + 2048);
    return Call<TResult>(spi.FileName(), Encode(request), nullptr).Value;
}

TSourceDesc TPluginHost::Describe(const THostSource& source) {
    TSourceDesc desc;
    desc.Flag = static_cast<std::uint8_t>(source.Flag);
    desc.Path = source.Path;
    desc.Length = source.Length;
    if (source.Shared != nullptr) {
        // A handle of the host's own, closed by the host after the call.
        HANDLE remote = nullptr;
        if (!DuplicateHandle(GetCurrentProcess(), source.Shared->Section(), FRunning->Process.Get(),
                             &remote, FILE_MAP_READ, FALSE, 0))
            throw Exception("デコード用の共有メモリを渡せません");
        desc.Section = HandleValue(remote);
        desc.SectionSize = source.Shared->Size();
        desc.Offset = source.Offset;
    }
    return desc;
}

int TPluginHost::GetPictureInfo(const TSPI& spi, const THostSource& source, PictureInfo& info) {
    Start();
    TPictureInfoRequest request{spi.FileName(), Describe(source)};
    TInfoResult r = Call<TInfoResult>(spi.FileName(), Encode(request), nullptr);
    info = PictureInfo{}; // the host keeps and frees the text information
    r.WithRecord(info, [](const auto& ours, auto& theirs) { theirs = ours; });
    return r.Value;
}

THostPicture TPluginHost::GetPicture(const TSPI& spi, const THostSource& source, bool preview,
                                     const TProgressFn& progress) {
    Start();
    TPictureRequest request{spi.FileName(), Describe(source), preview};
    request.AskSize = FRendering != nullptr && !*FRenderingFaulted && !preview;
    const TPictureResult r = Call<TPictureResult>(spi.FileName(), Encode(request), &progress);
    THostPicture picture;
    picture.Value = r.Value;
    picture.Refusal = r.Refusal;
    if (r.Section != 0) {
        // Taking the handle over closes the host's own.
        HANDLE local = nullptr;
        if (DuplicateHandle(FRunning->Process.Get(), HandleFromValue(r.Section),
                            GetCurrentProcess(), &local, 0, FALSE,
                            DUPLICATE_SAME_ACCESS | DUPLICATE_CLOSE_SOURCE))
            picture.Image = THostImage(UniqueKernelHandle(local), r);
        if (picture.Image.Empty() && picture.Refusal.empty())
            picture.Refusal = "the picture's shared memory could not be mapped";
    }
    return picture;
}

TArchiveListing TPluginHost::ListArchive(const TSPI& spi, const std::wstring& archive) {
    const TArchiveEntries r = Call<TArchiveEntries>(
        spi.FileName(), Encode(TArchiveListRequest{spi.FileName(), WideToUtf8(archive)}), nullptr);
    if (!r.Consistent())
        throw EHostCallFailed("the archive's list came back inconsistent");
    TArchiveListing listing;
    listing.Value = r.Value;
    for (std::size_t i = 0; i < r.Names.size(); ++i)
        listing.Entries.push_back(
            {Utf8ToWide(r.Names[i]), r.Positions[i], r.Sizes[i], r.Encrypted[i] != 0});
    return listing;
}

TPluginHost::TEntry TPluginHost::ReadArchiveEntry(const TSPI& spi, const std::wstring& archive,
                                                  const TArchiveEntry& entry) {
    TArchiveFileRequest request{spi.FileName(), WideToUtf8(archive), entry.Position, entry.Size};
    const TFileResult r = Call<TFileResult>(spi.FileName(), Encode(request), nullptr);
    TEntry result;
    result.Value = r.Value;
    if (r.Section == 0)
        return result;
    HANDLE local = nullptr;
    if (!DuplicateHandle(FRunning->Process.Get(), HandleFromValue(r.Section), GetCurrentProcess(),
                         &local, 0, FALSE, DUPLICATE_SAME_ACCESS | DUPLICATE_CLOSE_SOURCE))
        throw EHostCallFailed("the entry's shared memory could not be taken over");
    UniqueKernelHandle section(local);
    UniqueView view(MapViewOfFile(section.Get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, 0));
    if (!view || ViewBytes(view) < r.Size || r.Size > MaxPictureBytes)
        throw EHostCallFailed("the entry's shared memory does not hold what the host said");
    auto* bytes = static_cast<std::uint8_t*>(view.Get());
    result.Bytes =
        TByteBuffer::Adopt(bytes, static_cast<std::size_t>(r.Size),
                           std::make_unique<TSectionBlock>(std::move(section), std::move(view)));
    return result;
}

} // namespace tovane
