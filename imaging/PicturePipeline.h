// The picture pipeline behind the slideshow: one decoding thread that makes every picture call
// (plug-ins and the bitmap reader, serialised, COM initialised apartment-threaded), a cache of
// decoded pictures bounded by memory, and read-ahead.
//
// The UI thread asks for a picture with Show: a picture the cache holds with a rendering for the
// asked size comes back at once; any other is decoded on the decoding thread, ahead of every
// read-ahead, and handed back through OnPicture on the UI thread (through the thread's Queue).
// A newer Show or CancelAll supersedes an older request: its answer is never delivered, and its
// decode, if running, is cancelled through the plug-ins' progress callback. The UI thread never
// waits for the decoding thread.
//
// What the UI thread draws is a rendering: the decoded picture shrunk (area-averaged) to the size
// it is shown at when that is smaller in either direction, else the picture itself; so painting
// is a plain copy and enlarging stays the painter's.
//
// Threads: construct, call and destroy on the UI thread. The plug-in collection and the picture
// format registry must not change while the pipeline lives (they are read by the decoding thread).
#pragma once

#include "framework/win32/Graphics.h"
#include "imaging/portable/PictureLocation.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tovane {

class TArchiveReader;

struct TPictureSize {
    int Width = 0;
    int Height = 0;
};

// The size a picture of w x h is shown at (the image control's size); called on any thread.
using TShowSize = std::function<TPictureSize(int w, int h)>;

// A picture ready to show.
struct TShownPicture {
    std::unique_ptr<TBitmap> Graphic; // what the image control draws, stretched to its bounds
    int Width = 0;                    // the picture's own size
    int Height = 0;
    // Modules that faulted on the picture before another one decoded it (reports to show): given
    // with the first answer that shows the picture only, never again from the cache.
    std::vector<std::string> Faults;
};

// The answer to a request: a picture, or the error its load raised.
struct TPictureAnswer {
    std::optional<TShownPicture> Picture;
    std::exception_ptr Error;
};

// A picture to decode ahead: one whose location is known, or one that is found on the
// decoding thread (in a place listed there; skipped when it has no such picture).
struct TReadAheadItem {
    std::wstring Key; // names the item: the location's key when it is known
    std::function<std::optional<TPictureLocation>()> Locate;

    static TReadAheadItem At(const TPictureLocation& location);
};

class TPicturePipeline {
public:
    // cacheBytes: the cache's bound (0: the default, DefaultPictureCacheBytes of this machine).
    // archives: what unpacks the pictures of archives (not owned; outlives the pipeline), or
    // null when there are none.
    explicit TPicturePipeline(std::size_t cacheBytes = 0, TArchiveReader* archives = nullptr);
    TPicturePipeline(const TPicturePipeline&) = delete;
    TPicturePipeline& operator=(const TPicturePipeline&) = delete;
    // Cancels what runs and stops the decoding thread, waiting for it half a second at most: a
    // call in the decoding host is ended at once, and a module called in this process that
    // answers nothing is left to return on its own (its result is dropped).
    ~TPicturePipeline();

    // Asks for the picture at the location at the size size gives. Either the picture
    // at once (from the cache, which the decoding thread then compares with the file: when the
    // file was changed or is gone since, OnPicture brings its new picture or error without a
    // ticket of its own), or a ticket: the answer then comes through OnPicture, at the size
    // this request gives, also when the picture was already being decoded. Supersedes every
    // earlier request and drops the read-ahead not yet started; the UI thread opens no file.
    struct TShowResult {
        std::optional<TShownPicture> Picture;
        std::uint64_t Ticket = 0;
    };
    TShowResult Show(const TPictureLocation& location, const TShowSize& size);

    // The pictures to decode ahead, in order, after any asked-for picture; replaces the earlier
    // list, and cancels a running read-ahead that is not in the new one.
    void ReadAhead(std::vector<TReadAheadItem> items, const TShowSize& size);

    // Decodes item ahead as the only read-ahead, once what runs now has ended: unlike ReadAhead,
    // a read-ahead already running is not cancelled but decoded to its end, into the cache.
    void ReadAheadAfterRunning(TReadAheadItem item, const TShowSize& size);
    // Drops the read-ahead not yet started; one running goes on to its end, into the cache.
    void DropReadAhead();

    // Forgets every request and read-ahead and cancels a running decode: nothing more is
    // delivered for earlier tickets. A call in the decoding host that does not stop within a
    // moment ends that host (the next decode starts another). The cache stays.
    void CancelAll();
    // Nothing more is delivered for earlier tickets; what runs or waits is decoded on as a
    // read-ahead (until the next Show or ReadAhead says otherwise).
    void Forget();
    // CancelAll, and the cache emptied: no picture decoded before is shown again (the colour
    // target has changed, say); one decoding now is not kept either.
    void DropCache();

    // True while an asked-for picture has not been delivered.
    bool Waiting() const { return FTicket != 0; }

    // Run on the UI thread with the ticket Show gave and its answer.
    std::function<void(std::uint64_t ticket, TPictureAnswer& answer)> OnPicture;

    // Decodes that ran to their end, and those cancelled on the way (for tests and benchmarks).
    struct TCounters {
        int Decoded = 0;
        int Cancelled = 0;
    };
    TCounters Counters() const;
    // Nothing asked for, to decode ahead or running.
    bool Idle() const;
    std::size_t CachedBytes() const;
    std::size_t CachedCount() const;

private:
    class TDecodingThread;
    struct TShared;
    void Deliver(std::uint64_t ticket, TPictureAnswer& answer);

    TArchiveReader* const FArchives; // read by the decoding thread
    std::shared_ptr<TShared> FShared;
    std::unique_ptr<TDecodingThread> FThread;
    std::uint64_t FTicket = 0; // the request whose answer is awaited; 0 = none
    // The picture last shown from the cache, while its file is compared with the version
    // cached: a new version (or the error of a file gone) is delivered to this ticket.
    std::uint64_t FRecheck = 0;
};

} // namespace tovane
