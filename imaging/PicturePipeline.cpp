#include "imaging/PicturePipeline.h"

#include "imaging/ArchiveReader.h"

#include "framework/BitmapScale.h"
#include "framework/Exceptions.h"
#include "framework/Paths.h"
#include "framework/win32/Application.h"
#include "framework/win32/Picture.h"
#include "framework/win32/Text.h"
#include "framework/win32/Handles.h"
#include "framework/win32/Thread.h"
#include "plugins/SPIs.h"
#include "imaging/PluginHost.h"
#include "imaging/SPIBmp.h"
#include "imaging/portable/PictureCache.h"

#include <windows.h>

#include <objbase.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <list>
#include <mutex>
#include <vector>

namespace tovane {

namespace {

// One decoded picture as the cache holds it.
struct TCachedPicture {
    std::unique_ptr<TBitmap> Picture; // never changed once cached
    int Width = 0;
    int Height = 0;
    // Modules that faulted before one decoded it: reported with the first show of the picture,
    // and then no more.
    std::vector<std::string> Faults;
    // The last rendering made: the picture shrunk to RenderSize (under the pipeline's lock).
    TPictureSize RenderSize;
    std::shared_ptr<const TDib> Rendering;

    // Every byte held, mapped views of shared memory included.
    std::size_t Bytes() const {
        return Picture->Dib().Bits.BlockBytes() + (Rendering ? Rendering->Bits.BlockBytes() : 0);
    }
};

bool SameSize(TPictureSize a, TPictureSize b) {
    return a.Width == b.Width && a.Height == b.Height;
}

// As the bitmap's own drawing decides: a smaller size in either direction is an area-averaged
// copy; anything else is drawn from the picture itself.
bool Shrinks(TPictureSize size, int w, int h) {
    return size.Width > 0 && size.Height > 0 && (size.Width < w || size.Height < h);
}

// The version of the picture's file, by its size, times and identity.
std::optional<PictureStamp> StampOf(const TPictureLocation& location) {
    if (location.Empty())
        return std::nullopt;
    const std::wstring path = location.Path();
    const UniqueFile file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, 0, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || !GetFileInformationByHandle(file.Get(), &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return std::nullopt;
    const auto join = [](DWORD high, DWORD low) {
        return (static_cast<std::uint64_t>(high) << 32) | low;
    };
    PictureStamp stamp;
    stamp.Path = WideToUtf8(location.Key());
    stamp.Size = join(info.nFileSizeHigh, info.nFileSizeLow);
    stamp.WriteTime = join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime);
    stamp.FileIndex = join(info.nFileIndexHigh, info.nFileIndexLow);
    stamp.Volume = info.dwVolumeSerialNumber;
    FILE_BASIC_INFO basic{};
    if (GetFileInformationByHandleEx(file.Get(), FileBasicInfo, &basic, sizeof basic))
        stamp.ChangeTime = static_cast<std::uint64_t>(basic.ChangeTime.QuadPart);
    return stamp;
}

std::size_t MachineCacheBytes() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status))
        return std::size_t{256} << 20;
    return DefaultPictureCacheBytes(status.ullTotalPhys);
}

std::unique_ptr<TBitmap> CopyOf(TBitmap& picture) {
    auto copy = std::make_unique<TBitmap>();
    copy->Assign(picture);
    return copy;
}

// Keeps a cached rendering alive for a bitmap that draws it where it lies.
class TSharedRendering final : public TExternalBlock {
public:
    explicit TSharedRendering(std::shared_ptr<const TDib> rendering)
        : FRendering(std::move(rendering)) {}

private:
    std::shared_ptr<const TDib> FRendering;
};

// A bitmap that draws the rendering without a copy: the cache and the screen share its rows,
// which nobody writes once the rendering is made (renderings are 32-bit top-down pictures
// without a colour table).
std::unique_ptr<TBitmap> BitmapOf(const std::shared_ptr<const TDib>& rendering) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetDib(ResampledShape(
        rendering->Width, rendering->Height,
        TByteBuffer::Adopt(const_cast<std::uint8_t*>(rendering->Bits.data()),
                           rendering->Bits.size(), std::make_unique<TSharedRendering>(rendering))));
    return bitmap;
}

} // namespace

struct TPicturePipeline::TShared {
    struct TJob {
        TReadAheadItem Item;
        TShowSize Size;
        std::uint64_t Ticket = 0; // 0: read-ahead
    };
    // A picture shown from the cache, to be compared with its file on the decoding thread.
    struct TCheck {
        PictureStamp Shown;
        TPictureLocation Location;
        TShowSize Size;
        std::uint64_t Ticket = 0; // the one a new version of the picture is delivered to
    };

    TShared(std::size_t cacheBytes, std::vector<TPluginHost*> hosts)
        : Cache(cacheBytes), Hosts(std::move(hosts)) {}

    // Whether the running job is the item of this key, or the picture of this location key.
    bool RunningIs(const std::wstring& key) const {
        return Running && (RunningKey == key || RunningPicture == key);
    }
    // Drops every request not yet started: the asked-for picture, the check of a cached one
    // and the read-ahead.
    void DropRequests() {
        Wanted.reset();
        DropCheck();
        Ahead.clear();
    }
    void DropCheck() {
        Check.reset();
        CheckTicket = 0;
    }
    // Asks the running job to stop; a host call that ignores it is ended after graceMs.
    void CancelRunning(std::uint32_t graceMs) {
        if (!Running)
            return;
        Cancel = true;
        RunningTicket = 0;
        for (TPluginHost* host : Hosts)
            host->Interrupt(graceMs);
    }

    std::mutex Lock;
    std::condition_variable Wake;
    TPictureCache<TCachedPicture> Cache;
    std::uint64_t CacheGeneration = 0; // counts DropCache: a decode begun before is not kept
    // The decoding hosts in which modules run: the collection's Isolation and Isolation32.
    const std::vector<TPluginHost*> Hosts;
    std::optional<TJob> Wanted;
    std::optional<TCheck> Check;
    std::uint64_t CheckTicket = 0; // the check still wanted, taken or not; 0: none
    std::deque<TJob> Ahead;
    bool Running = false;
    std::wstring RunningKey;         // the item's
    std::wstring RunningPicture;     // its location's key, once known
    std::uint64_t RunningTicket = 0; // whose answer the running job is; 0: nobody's
    TShowSize RunningSize;           // the size its answer is wanted at
    std::atomic<bool> Cancel{false}; // the running job is to stop
    bool Stop = false;
    std::uint64_t NextTicket = 0;
    TCounters Counters;
};

namespace {

// How long a host call may go on after the slideshow closed before the host is ended.
constexpr std::uint32_t CloseGraceMs = 300;
// How long destroying the pipeline waits for the decoding thread.
constexpr DWORD DestroyWaitMs = 500;

// The picture to show: a rendering at the size given, or the picture itself (which nobody
// changes once cached), with the faults not yet reported (taken under the lock).
TShownPicture ShownPicture(TCachedPicture& entry, const std::shared_ptr<const TDib>& rendering,
                           std::vector<std::string> faults) {
    return TShownPicture{rendering ? BitmapOf(rendering) : CopyOf(*entry.Picture), entry.Width,
                         entry.Height, std::move(faults)};
}

std::vector<std::string> TakeFaults(std::mutex& lock, TCachedPicture& entry) {
    std::lock_guard guard(lock);
    return std::exchange(entry.Faults, {});
}

} // namespace

class TPicturePipeline::TDecodingThread final : public TThread {
public:
    TDecodingThread(TPicturePipeline& owner, std::shared_ptr<TShared> shared)
        : FOwner(owner), S(std::move(shared)) {}
    ~TDecodingThread() override { StopAndWait(); }

    // The stop request, answered once the decode running now has ended (not waited for).
    void RequestStop() {
        {
            std::lock_guard lock(S->Lock);
            S->Stop = true;
            S->Cancel = true;
            for (TPluginHost* host : S->Hosts)
                host->Interrupt(0);
        }
        S->Wake.notify_all();
        Terminate();
    }

protected:
    void Execute() override {
        // For modules that use COM; they expect an apartment-threaded caller.
        const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        for (;;) {
            TShared::TJob job;
            {
                std::unique_lock lock(S->Lock);
                S->Wake.wait(lock,
                             [&] { return S->Stop || S->Wanted || S->Check || !S->Ahead.empty(); });
                if (S->Stop)
                    break;
                if (!S->Wanted && S->Check) {
                    TShared::TCheck check = std::move(*S->Check);
                    S->Check.reset();
                    lock.unlock();
                    Recheck(std::move(check));
                    continue;
                }
                if (S->Wanted) {
                    job = std::move(*S->Wanted);
                    S->Wanted.reset();
                } else {
                    job = std::move(S->Ahead.front());
                    S->Ahead.pop_front();
                }
                S->Running = true;
                S->RunningKey = job.Item.Key;
                S->RunningPicture.clear();
                S->RunningTicket = job.Ticket;
                S->RunningSize = job.Size;
                S->Cancel = false;
                for (TPluginHost* host : S->Hosts)
                    host->ClearInterrupt();
            }
            TOutcome outcome;
            try {
                outcome = RunJob(job);
            } catch (...) {
                // Listing a folder ran out of memory, or the like: that read-ahead is skipped
                // and the thread serves the next request.
            }
            Finish(std::move(outcome));
        }
        if (SUCCEEDED(com))
            CoUninitialize();
    }

private:
    // What a job ends with: an answer for its asker, unless it was cancelled or nobody asked.
    struct TOutcome {
        TPictureLocation Location; // the picture's, once known
        std::shared_ptr<TPictureAnswer> Answer;
        std::shared_ptr<TCachedPicture> Entry;
        TPictureSize RenderedAt;       // the size the answer's picture is shown at
        std::uint64_t EarlyTicket = 0; // who had the picture early, if anybody
    };

    // Ends the job, in one step with handing out its answer: a request handed to this job up to
    // this moment gets an answer, at the size it asked for, either this one or the picture from
    // the cache by a job made for it.
    void Finish(TOutcome outcome) {
        std::shared_ptr<TPictureAnswer> deliver;
        std::uint64_t ticket = 0;
        {
            std::lock_guard lock(S->Lock);
            ticket = S->Cancel ? 0 : S->RunningTicket;
            const TShowSize size = S->RunningSize;
            S->Running = false;
            S->RunningTicket = 0;
            if (ticket == 0 || ticket == outcome.EarlyTicket || outcome.Location.Empty())
                return;
            const bool fits =
                outcome.Answer && outcome.Answer->Picture &&
                (!outcome.Entry ||
                 SameSize(outcome.RenderedAt, size(outcome.Entry->Width, outcome.Entry->Height)));
            if (fits || (outcome.Answer && outcome.Answer->Error)) {
                deliver = outcome.Answer;
            } else {
                if (outcome.Answer && outcome.Answer->Picture && outcome.Entry)
                    outcome.Entry->Faults = std::move(outcome.Answer->Picture->Faults);
                if (!S->Wanted) {
                    S->Wanted = TShared::TJob{TReadAheadItem::At(outcome.Location), size, ticket};
                    S->Wake.notify_one();
                }
                return;
            }
        }
        TPicturePipeline& owner = FOwner;
        Queue([&owner, ticket, deliver] { owner.Deliver(ticket, *deliver); });
    }

    // A picture shown from the cache whose file has changed or gone since it was decoded is
    // asked for again, for the ticket of the check, unless the slideshow has moved on.
    void Recheck(TShared::TCheck check) {
        const std::optional<PictureStamp> now = StampOf(check.Location);
        if (now && *now == check.Shown)
            return;
        std::lock_guard lock(S->Lock);
        if (S->CheckTicket != check.Ticket || S->Wanted)
            return;
        S->Wanted =
            TShared::TJob{TReadAheadItem::At(check.Location), std::move(check.Size), check.Ticket};
    }

    TOutcome RunJob(const TShared::TJob& job) {
        TOutcome outcome;
        const std::optional<TPictureLocation> location =
            job.Item.Locate ? job.Item.Locate() : std::nullopt;
        if (!location)
            return outcome;
        {
            std::lock_guard lock(S->Lock);
            S->RunningPicture = location->Key();
        }
        outcome.Location = *location;
        TEarly early;
        try {
            const std::shared_ptr<TCachedPicture> entry = Obtain(*location, early);
            if (!entry)
                return outcome; // cancelled: the result is dropped
            outcome.EarlyTicket = early.Ticket;
            outcome.Entry = entry;
            const TPictureSize size = CurrentSize()(entry->Width, entry->Height);
            std::shared_ptr<const TDib> rendering = Rendering(*location, *entry, size);
            if (Ticket() == 0 || Answered(early))
                return outcome;
            outcome.RenderedAt = size;
            outcome.Answer = std::make_shared<TPictureAnswer>();
            outcome.Answer->Picture = ShownPicture(*entry, rendering, TakeFaults(S->Lock, *entry));
        } catch (...) {
            if (S->Cancel || Answered(early))
                return outcome;
            outcome.Answer = std::make_shared<TPictureAnswer>();
            outcome.Answer->Error = std::current_exception();
        }
        return outcome;
    }

    // A rendering the decoding host handed over before the picture itself.
    struct TEarly {
        std::shared_ptr<const TDib> Rendering;
        std::uint64_t Ticket = 0; // whom it was delivered to, if anybody
    };

    // Whether the request the job now serves has had its answer early (the picture that
    // follows is then only cached).
    bool Answered(const TEarly& early) { return early.Ticket != 0 && Ticket() == early.Ticket; }

    TShowSize CurrentSize() {
        std::lock_guard lock(S->Lock);
        return S->RunningSize;
    }

    // Asks the decoding host (when the modules run in one) for the picture's rendering at the
    // size it is shown at, and delivers that at once when the picture is wanted on screen at
    // that size still.
    TRenderingWish WishFor(TEarly& early) {
        TRenderingWish wish;
        wish.SizeFor = [this](int w, int h) {
            const TPictureSize shown = CurrentSize()(w, h);
            return Shrinks(shown, w, h) ? std::pair{shown.Width, shown.Height} : std::pair{0, 0};
        };
        wish.Arrived = [this, &early](int w, int h, TDib&& dib) {
            early.Rendering = std::make_shared<const TDib>(std::move(dib));
            std::uint64_t ticket = 0;
            {
                std::lock_guard lock(S->Lock);
                ticket = S->Cancel ? 0 : S->RunningTicket;
                if (ticket == 0 || !SameSize(S->RunningSize(w, h),
                                             {early.Rendering->Width, early.Rendering->Height}))
                    return;
            }
            auto answer = std::make_shared<TPictureAnswer>();
            answer->Picture = TShownPicture{BitmapOf(early.Rendering), w, h, {}};
            early.Ticket = ticket;
            TPicturePipeline& owner = FOwner;
            Queue([&owner, ticket, answer] { owner.Deliver(ticket, *answer); });
        };
        return wish;
    }

    std::uint64_t Ticket() {
        std::lock_guard lock(S->Lock);
        return S->Cancel ? 0 : S->RunningTicket;
    }

    // The picture from the cache, or decoded and cached; null when cancelled on the way.
    std::shared_ptr<TCachedPicture> Obtain(const TPictureLocation& location, TEarly& early) {
        const std::optional<PictureStamp> stamp = StampOf(location);
        std::uint64_t generation = 0;
        {
            std::lock_guard lock(S->Lock);
            generation = S->CacheGeneration;
            if (std::shared_ptr<TCachedPicture> entry = stamp ? S->Cache.Find(*stamp) : nullptr)
                return entry;
        }
        TPicture picture;
        // A non-zero answer to a module's progress call makes it stop; the loader's own
        // notifications then end the whole load.
        picture.OnProgress = [this](TGraphic*, TProgressStage, std::uint8_t, bool, const TRect&,
                                    const std::string&) {
            if (S->Cancel)
                throw EAbort();
        };
        const TRenderingWish wish = WishFor(early);
        bool loaded = false;
        try {
            bool faulted = false;
            std::list<TPluginHost::TRenderingScope> rendering;
            for (TPluginHost* host : S->Hosts)
                rendering.emplace_back(*host, wish, &faulted);
            LoadPictureAt(picture, location, FOwner.FArchives);
            loaded = true;
        } catch (...) {
            if (!S->Cancel)
                throw;
        }
        std::lock_guard lock(S->Lock);
        // A picture decoded to its end is kept even when it is no longer wanted.
        if (!loaded) {
            ++S->Counters.Cancelled;
            return nullptr;
        }
        ++S->Counters.Decoded;
        auto entry = std::make_shared<TCachedPicture>();
        if (const auto* loaded = dynamic_cast<const TSPIBitmap*>(picture.Graphic()))
            entry->Faults = loaded->LoadFaults();
        entry->Picture = std::make_unique<TBitmap>();
        if (auto* bitmap = dynamic_cast<TBitmap*>(picture.Graphic()))
            entry->Picture->TakeOver(*bitmap);
        else
            entry->Picture->Assign(*picture.Graphic());
        entry->Width = entry->Picture->Width();
        entry->Height = entry->Picture->Height();
        if (early.Rendering) {
            entry->Rendering = early.Rendering;
            entry->RenderSize = {early.Rendering->Width, early.Rendering->Height};
        }
        if (stamp && generation == S->CacheGeneration)
            S->Cache.Insert(*stamp, entry, entry->Bytes());
        return entry;
    }

    // The shrunk copy of the picture at size, made once per size; null when the picture is
    // drawn from itself.
    std::shared_ptr<const TDib> Rendering(const TPictureLocation& location, TCachedPicture& entry,
                                          TPictureSize size) {
        if (!Shrinks(size, entry.Width, entry.Height))
            return nullptr;
        {
            std::lock_guard lock(S->Lock);
            if (entry.Rendering && SameSize(entry.RenderSize, size))
                return entry.Rendering;
        }
        auto rendering = std::make_shared<const TDib>(
            ResampleArea(entry.Picture->Dib(), size.Width, size.Height, &FShrinkHelper));
        std::lock_guard lock(S->Lock);
        entry.Rendering = rendering;
        entry.RenderSize = size;
        S->Cache.Resize(WideToUtf8(location.Key()), entry.Bytes());
        return rendering;
    }

    TPicturePipeline& FOwner;
    std::shared_ptr<TShared> S;
    // The second thread of every shrink, kept: starting one costs about 4 ms under Wine.
    TWorkerThread FShrinkHelper;
};

namespace {

std::vector<TPluginHost*> HostsOfCollection() {
    std::vector<TPluginHost*> hosts;
    if (TSPIs* spis = TSPIs::Instance())
        for (TSPIIsolation* isolation : {spis->Isolation.get(), spis->Isolation32.get()})
            if (auto* host = dynamic_cast<TPluginHost*>(isolation))
                hosts.push_back(host);
    return hosts;
}

// Keeps every module of the collection loaded until the process ends: a decode abandoned inside
// one must never find its code unloaded under it.
void PinModules() {
    TSPIs* spis = TSPIs::Instance();
    for (int i = 0; spis != nullptr && i < spis->Count(); ++i) {
        if (spis->Items(i).Handle() == nullptr)
            continue; // loaded in a host
        HMODULE pinned = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                           reinterpret_cast<LPCWSTR>(spis->Items(i).Handle()), &pinned);
    }
}

} // namespace

TReadAheadItem TReadAheadItem::At(const TPictureLocation& location) {
    return {location.Key(), [location] { return std::optional<TPictureLocation>(location); }};
}

TPicturePipeline::TPicturePipeline(std::size_t cacheBytes, TArchiveReader* archives)
    : FArchives(archives),
      FShared(std::make_shared<TShared>(cacheBytes != 0 ? cacheBytes : MachineCacheBytes(),
                                        HostsOfCollection())),
      FThread(std::make_unique<TDecodingThread>(*this, FShared)) {
    FThread->Resume();
}

TPicturePipeline::~TPicturePipeline() {
    FThread->RequestStop();
    if (FThread->WaitFor(DestroyWaitMs))
        return;
    // A module called in this process that answers neither the stop nor anything else: the
    // thread is left to end when the module returns (it then drops what it has and delivers
    // nothing), and keeps what it uses: its own object, the shared state, the modules.
    PinModules();
    static_cast<void>(FThread.release());
}

TPicturePipeline::TShowResult TPicturePipeline::Show(const TPictureLocation& location,
                                                     const TShowSize& size) {
    // The file is not opened here (that can take long on a share): a cached picture is shown at
    // once and compared with its file on the decoding thread, first of all its work.
    const std::wstring key = location.Key();
    PictureStamp shownStamp;
    std::shared_ptr<TCachedPicture> entry;
    std::shared_ptr<const TDib> rendering;
    std::vector<std::string> faults;
    FRecheck = 0;
    {
        std::lock_guard lock(FShared->Lock);
        TShared& s = *FShared;
        s.DropRequests();
        if (!location.Empty())
            entry = s.Cache.FindLatest(WideToUtf8(key), shownStamp);
        if (entry) {
            const TPictureSize shown = size(entry->Width, entry->Height);
            if (Shrinks(shown, entry->Width, entry->Height)) {
                if (entry->Rendering && SameSize(entry->RenderSize, shown))
                    rendering = entry->Rendering;
                else
                    entry = nullptr; // to be rendered on the decoding thread
            }
        }
        if (!entry) {
            FTicket = ++s.NextTicket;
            if (s.RunningIs(key) && !s.Cancel) {
                // Already being decoded: its answer is this one's, at this size.
                s.RunningTicket = FTicket;
                s.RunningSize = size;
            } else {
                if (s.Running) {
                    s.Cancel = true;
                    s.RunningTicket = 0;
                }
                s.Wanted = TShared::TJob{TReadAheadItem::At(location), size, FTicket};
                s.Wake.notify_one();
            }
            return {std::nullopt, FTicket};
        }
        // Answered at once: a decode still running for an earlier request goes on as a
        // read-ahead until the next read-ahead list says whether it is still wanted.
        s.RunningTicket = 0;
        faults = std::exchange(entry->Faults, {});
        FRecheck = ++s.NextTicket;
        s.CheckTicket = FRecheck;
        s.Check = TShared::TCheck{std::move(shownStamp), location, size, FRecheck};
        s.Wake.notify_one();
    }
    FTicket = 0;
    return {ShownPicture(*entry, rendering, std::move(faults)), 0};
}

void TPicturePipeline::ReadAhead(std::vector<TReadAheadItem> items, const TShowSize& size) {
    std::lock_guard lock(FShared->Lock);
    TShared& s = *FShared;
    s.Ahead.clear();
    bool runningListed = false;
    for (TReadAheadItem& item : items) {
        if (s.RunningIs(item.Key))
            runningListed = true;
        s.Ahead.push_back(TShared::TJob{std::move(item), size, 0});
    }
    if (s.Running && s.RunningTicket == 0 && !runningListed)
        s.Cancel = true;
    s.Wake.notify_one();
}

void TPicturePipeline::ReadAheadAfterRunning(TReadAheadItem item, const TShowSize& size) {
    std::lock_guard lock(FShared->Lock);
    FShared->Ahead.clear();
    FShared->Ahead.push_back(TShared::TJob{std::move(item), size, 0});
    FShared->Wake.notify_one();
}

void TPicturePipeline::DropReadAhead() {
    std::lock_guard lock(FShared->Lock);
    FShared->Ahead.clear();
}

void TPicturePipeline::CancelAll() {
    FTicket = 0;
    FRecheck = 0;
    std::lock_guard lock(FShared->Lock);
    FShared->DropRequests();
    FShared->CancelRunning(CloseGraceMs);
}

void TPicturePipeline::DropCache() {
    CancelAll();
    std::lock_guard lock(FShared->Lock);
    FShared->Cache.Clear();
    ++FShared->CacheGeneration;
}

void TPicturePipeline::Forget() {
    FTicket = 0;
    FRecheck = 0;
    std::lock_guard lock(FShared->Lock);
    FShared->RunningTicket = 0;
    FShared->DropCheck();
    if (FShared->Wanted)
        FShared->Wanted->Ticket = 0;
}

void TPicturePipeline::Deliver(std::uint64_t ticket, TPictureAnswer& answer) {
    if (ticket == 0 || (ticket != FTicket && ticket != FRecheck))
        return;
    FTicket = 0;
    FRecheck = 0;
    if (OnPicture)
        Application().Dispatch([&] { OnPicture(ticket, answer); });
}

TPicturePipeline::TCounters TPicturePipeline::Counters() const {
    std::lock_guard lock(FShared->Lock);
    return FShared->Counters;
}

bool TPicturePipeline::Idle() const {
    std::lock_guard lock(FShared->Lock);
    return !FShared->Running && !FShared->Wanted && !FShared->Check && FShared->Ahead.empty();
}

std::size_t TPicturePipeline::CachedBytes() const {
    std::lock_guard lock(FShared->Lock);
    return FShared->Cache.Bytes();
}

std::size_t TPicturePipeline::CachedCount() const {
    std::lock_guard lock(FShared->Lock);
    return FShared->Cache.Count();
}

} // namespace tovane
