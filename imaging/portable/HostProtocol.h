// The messages between the program and its decoding host (tovane-host.exe), and the rules both
// sides share: framing, fault bookkeeping, progress forwarding and the texts of fault reports.
//
// A message on the pipe is a 32-bit little-endian length followed by that many bytes: one byte
// of kind, then the message's fields in declaration order (integers little-endian, texts and
// byte strings as a 32-bit length and the bytes, lists of texts as a 32-bit count and the
// texts). Pixels never travel on the pipe: they cross in a shared-memory section whose handle
// value the messages carry. Every field has a fixed width whatever the bitness of either side
// (handles and lengths travel as 64 bits), so that the 64-bit program can talk to the 32-bit
// host (tovane-host32.exe) that runs its 32-bit modules.
//
// The conversation: the host greets (THello) once connected; then the program sends one request
// at a time and reads until its answer. While GetPicture/GetPreview runs, the host may send
// TProgress, each answered by one TProgressAnswer, before the TPictureResult. A picture request
// that asks for a rendering adds, once the module has decoded: TDecoded (the picture's size),
// answered by TRenderSize; then, unless that size is 0 x 0, TRendering (no answer) before the
// TPictureResult. Any request can be answered by TFailed (the host could not carry it out, for
// instance a module it cannot load). While any request runs, the host also sends TBusy (no
// answer) about once a second when the module reports nothing but keeps the processor busy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <utility>
#include <set>
#include <span>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

namespace tovane::host {

// The largest message either side accepts (requests carry a 2048-byte header and two paths; an
// archive's list carries every entry's name).
inline constexpr std::uint32_t MaxMessageSize = 16u << 20;
// A call that neither returns nor reports progress for this long counts as hung...
inline constexpr std::uint32_t HangTimeoutMs = 15000;
// ...unless the host keeps a processor busy meanwhile (a decoder whose library reports no
// progress): it is then given this long in all.
inline constexpr std::uint32_t BusyHangTimeoutMs = 60000;
// How often, past the hang timeout, a silent host's processor time is looked at.
inline constexpr std::uint32_t BusyCheckMs = 1000;
// How long a host may take to start and greet, whatever the hang timeout (starting a process
// can take seconds on a busy machine).
inline constexpr std::uint32_t StartTimeoutMs = 15000;
// The host forwards a progress call at least this often while the percentage stands still, so
// that a slow but living module is never taken for a hung one.
inline constexpr std::uint32_t ProgressHeartbeatMs = 1000;
// Consecutive faults after which a module is left out for the rest of the session.
inline constexpr int FaultsBeforeSkip = 3;

// Malformed or unexpected data on the pipe.
class EProtocol : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class TMessageKind : std::uint8_t {
    Hello = 1,
    Preflight,
    IsSupported,
    PictureInfo,
    Picture,
    Progress,
    ProgressAnswer,
    Result,
    InfoResult,
    PictureResult,
    Failed,
    Decoded,
    RenderSize,
    Rendering,
    Busy,
    Describe,
    Description,
    ArchiveList,
    ArchiveEntries,
    ArchiveFile,
    FileResult,
};

// Where a reading call takes its data from, as the module's (source, length, flag) arguments.
struct TSourceDesc {
    std::uint8_t Flag = 0;     // 0: Path is the file and Length the offset of the data in it;
                               // 1: the data is in the section, at Offset, Length bytes
    std::string Path;          // flag 0 (ANSI)
    std::int64_t Length = 0;   // the module's length argument
    std::uint64_t Section = 0; // flag 1: the section's handle value in the host
    std::uint64_t SectionSize = 0;
    std::uint64_t Offset = 0;
    template <typename V> void Fields(V& v) {
        v(Flag), v(Path), v(Length), v(Section), v(SectionSize), v(Offset);
    }
};

struct THello {
    static constexpr TMessageKind Kind = TMessageKind::Hello;
    std::uint32_t ProcessId = 0;
    template <typename V> void Fields(V& v) { v(ProcessId); }
};

// Load the module and read its self-description; answered by TResult 0.
struct TPreflight {
    static constexpr TMessageKind Kind = TMessageKind::Preflight;
    std::string Module;
    template <typename V> void Fields(V& v) { v(Module); }
};

// Load the module and hand its self-description over: for a module that only the host can load
// (a 32-bit module of the 64-bit program). Answered by TDescription.
struct TDescribe {
    static constexpr TMessageKind Kind = TMessageKind::Describe;
    std::string Module;
    template <typename V> void Fields(V& v) { v(Module); }
};

enum class TDescribeStatus : std::uint8_t {
    Loaded = 0,    // the module serves; the fields describe it
    NotLoadable,   // not a module the host can load: skipped without a word
    MissingExport, // a required export is missing (MissingExport names it)
};

// What the host's wrapper of the module read (the texts ANSI, as the module wrote them).
struct TDescription {
    static constexpr TMessageKind Kind = TMessageKind::Description;
    TDescribeStatus Status = TDescribeStatus::NotLoadable;
    std::string MissingExport;
    std::string FileName; // the loaded module's path as the host's system reports it
    std::string APIVersion;
    std::string PluginInfo;
    std::vector<std::string> Extensions;
    std::vector<std::string> FormatNames;
    std::uint8_t PointerBits = 0; // the host's: 32 or 64
    template <typename V> void Fields(V& v) {
        v(Status), v(MissingExport), v(FileName), v(APIVersion), v(PluginInfo), v(Extensions),
            v(FormatNames), v(PointerBits);
    }
};

// Answered by TResult with the module's result.
struct TIsSupported {
    static constexpr TMessageKind Kind = TMessageKind::IsSupported;
    std::string Module;
    std::string FileName;
    std::vector<std::uint8_t> Header; // the 2048 bytes the module is shown
    template <typename V> void Fields(V& v) { v(Module), v(FileName), v(Header); }
};

// Answered by TInfoResult.
struct TPictureInfoRequest {
    static constexpr TMessageKind Kind = TMessageKind::PictureInfo;
    std::string Module;
    TSourceDesc Source;
    template <typename V> void Fields(V& v) { v(Module), Source.Fields(v); }
};

// GetPicture, or GetPreview when Preview; answered by TPictureResult. With AskSize the host
// also offers a rendering of the picture (TDecoded) before it hands the picture over.
struct TPictureRequest {
    static constexpr TMessageKind Kind = TMessageKind::Picture;
    std::string Module;
    TSourceDesc Source;
    bool Preview = false;
    bool AskSize = false;
    template <typename V> void Fields(V& v) { v(Module), Source.Fields(v), v(Preview), v(AskSize); }
};
// The module decoded a picture of this size (the height's magnitude).
struct TDecoded {
    static constexpr TMessageKind Kind = TMessageKind::Decoded;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    template <typename V> void Fields(V& v) { v(Width), v(Height); }
};
// The size to render the decoded picture at; 0 x 0 for none.
struct TRenderSize {
    static constexpr TMessageKind Kind = TMessageKind::RenderSize;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    template <typename V> void Fields(V& v) { v(Width), v(Height); }
};
// The picture shrunk by area averaging to the asked size: Width x Height pixels of 32 bits
// (blue, green, red, 0), top row first, at the start of the section; the program takes the
// section over.
struct TRendering {
    static constexpr TMessageKind Kind = TMessageKind::Rendering;
    std::uint64_t Section = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    template <typename V> void Fields(V& v) { v(Section), v(Width), v(Height); }
};
// Whether a rendering of w x h is one the host makes: at most 65535 pixels a side and 256 MiB.
bool RenderSizeAllowed(std::int32_t w, std::int32_t h);

struct TProgress {
    static constexpr TMessageKind Kind = TMessageKind::Progress;
    std::int32_t Numerator = 0;
    std::int32_t Denominator = 0;
    template <typename V> void Fields(V& v) { v(Numerator), v(Denominator); }
};

// The module has reported nothing for a while, and the host used BusyMs of processor time over
// the last WindowMs.
struct TBusy {
    static constexpr TMessageKind Kind = TMessageKind::Busy;
    std::uint32_t BusyMs = 0;
    std::uint32_t WindowMs = 0;
    template <typename V> void Fields(V& v) { v(BusyMs), v(WindowMs); }
};

// What the program's progress callback answered: 0 go on, nonzero stop.
struct TProgressAnswer {
    static constexpr TMessageKind Kind = TMessageKind::ProgressAnswer;
    std::int32_t Answer = 0;
    template <typename V> void Fields(V& v) { v(Answer); }
};

struct TResult {
    static constexpr TMessageKind Kind = TMessageKind::Result;
    std::int32_t Value = 0;
    template <typename V> void Fields(V& v) { v(Value); }
};

// GetPictureInfo's result and record (the text-information block stays with the host, which
// frees it).
struct TInfoResult {
    static constexpr TMessageKind Kind = TMessageKind::InfoResult;
    std::int32_t Value = 0;
    std::int32_t Left = 0, Top = 0, Width = 0, Height = 0;
    std::uint16_t XDensity = 0, YDensity = 0;
    std::int16_t ColorDepth = 0;
    template <typename V> void Fields(V& v) {
        v(Value), v(Left), v(Top), v(Width), v(Height), v(XDensity), v(YDensity), v(ColorDepth);
    }
    // Visits each field of the record beside the picture record's (PictureInfo) field it
    // carries: v(ours, theirs).
    template <typename Info, typename V> void WithRecord(Info& info, V v) {
        v(Left, info.left), v(Top, info.top), v(Width, info.width), v(Height, info.height);
        v(XDensity, info.x_density), v(YDensity, info.y_density), v(ColorDepth, info.colorDepth);
    }
};

// The picture: the bitmap information at InfoOffset of the section, the pixels at BitsOffset.
// Section is 0 when the module failed, or delivered less than both blocks, or blocks that the
// host refused to hand over (Refusal says why).
struct TPictureResult {
    static constexpr TMessageKind Kind = TMessageKind::PictureResult;
    std::int32_t Value = 0;
    std::uint64_t Section = 0; // handle value in the host; the program takes it over
    std::uint64_t InfoSize = 0;
    std::uint64_t BitsOffset = 0;
    std::uint64_t BitsSize = 0;
    std::string Refusal;
    template <typename V> void Fields(V& v) {
        v(Value), v(Section), v(InfoSize), v(BitsOffset), v(BitsSize), v(Refusal);
    }
};

// List the archive (its full path, UTF-8) with the archive module; answered by TArchiveEntries.
struct TArchiveListRequest {
    static constexpr TMessageKind Kind = TMessageKind::ArchiveList;
    std::string Module;
    std::string Archive;
    template <typename V> void Fields(V& v) { v(Module), v(Archive); }
};

// The module's result and, on 0, the archive's file entries as parallel lists (names UTF-8).
struct TArchiveEntries {
    static constexpr TMessageKind Kind = TMessageKind::ArchiveEntries;
    std::int32_t Value = 0;
    std::vector<std::string> Names;
    std::vector<std::uint64_t> Positions;
    std::vector<std::uint64_t> Sizes;
    std::vector<std::uint8_t> Encrypted; // 1 for an entry that only a password opens
    template <typename V> void Fields(V& v) {
        v(Value), v(Names), v(Positions), v(Sizes), v(Encrypted);
    }
    bool Consistent() const {
        return Positions.size() == Names.size() && Sizes.size() == Names.size() &&
               Encrypted.size() == Names.size();
    }
};

// Unpack the entry at Position (its stated size Size) of the archive; answered by TFileResult.
struct TArchiveFileRequest {
    static constexpr TMessageKind Kind = TMessageKind::ArchiveFile;
    std::string Module;
    std::string Archive;
    std::uint64_t Position = 0;
    std::uint64_t Size = 0;
    template <typename V> void Fields(V& v) { v(Module), v(Archive), v(Position), v(Size); }
};

// The entry's Size bytes at the start of the section (handle value in the host; the program
// takes it over); Section is 0 unless Value is 0.
struct TFileResult {
    static constexpr TMessageKind Kind = TMessageKind::FileResult;
    std::int32_t Value = 0;
    std::uint64_t Section = 0;
    std::uint64_t Size = 0;
    template <typename V> void Fields(V& v) { v(Value), v(Section), v(Size); }
};

struct TFailed {
    static constexpr TMessageKind Kind = TMessageKind::Failed;
    std::string Message; // UTF-8
    template <typename V> void Fields(V& v) { v(Message); }
};

namespace detail {

class Writer {
public:
    template <typename T> void operator()(const T& value) {
        if constexpr (std::is_same_v<T, std::string> ||
                      std::is_same_v<T, std::vector<std::uint8_t>>) {
            Integer(static_cast<std::uint32_t>(value.size()));
            Bytes.insert(Bytes.end(), value.begin(), value.end());
        } else if constexpr (std::is_same_v<T, std::vector<std::string>> ||
                             std::is_same_v<T, std::vector<std::uint64_t>>) {
            Integer(static_cast<std::uint32_t>(value.size()));
            for (const auto& item : value)
                (*this)(item);
        } else if constexpr (std::is_same_v<T, bool>) {
            Integer(static_cast<std::uint8_t>(value ? 1 : 0));
        } else if constexpr (std::is_enum_v<T>) {
            Integer(static_cast<std::underlying_type_t<T>>(value));
        } else {
            // Fields are fixed-width integers (std::int32_t, std::uint64_t, ...): never long or
            // a pointer-sized type, whose width differs between the 32-bit and 64-bit sides.
            static_assert(std::is_integral_v<T>);
            Integer(value);
        }
    }
    template <typename T> void Integer(T value) {
        using U = std::make_unsigned_t<T>;
        const U u = static_cast<U>(value);
        for (std::size_t i = 0; i < sizeof(T); ++i)
            Bytes.push_back(static_cast<std::uint8_t>(u >> (8 * i)));
    }
    std::vector<std::uint8_t> Bytes;
};

class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : FBytes(bytes) {}
    template <typename T> void operator()(T& value) {
        if constexpr (std::is_same_v<T, std::string> ||
                      std::is_same_v<T, std::vector<std::uint8_t>>) {
            const auto n = Integer<std::uint32_t>();
            const auto bytes = Take(n);
            value.assign(bytes.begin(), bytes.end());
        } else if constexpr (std::is_same_v<T, std::vector<std::string>> ||
                             std::is_same_v<T, std::vector<std::uint64_t>>) {
            const auto n = Integer<std::uint32_t>();
            value.clear();
            for (std::uint32_t i = 0; i < n; ++i) {
                typename T::value_type item{};
                (*this)(item); // each item takes at least 4 bytes: a lying count ends early
                value.push_back(std::move(item));
            }
        } else if constexpr (std::is_same_v<T, bool>) {
            value = Integer<std::uint8_t>() != 0;
        } else if constexpr (std::is_enum_v<T>) {
            value = static_cast<T>(Integer<std::underlying_type_t<T>>());
        } else {
            static_assert(std::is_integral_v<T>);
            value = Integer<T>();
        }
    }
    template <typename T> T Integer() {
        using U = std::make_unsigned_t<T>;
        const auto bytes = Take(sizeof(T));
        U u = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i)
            u = static_cast<U>(u | static_cast<U>(static_cast<U>(bytes[i]) << (8 * i)));
        return static_cast<T>(u);
    }
    bool AtEnd() const { return FBytes.empty(); }

private:
    std::span<const std::uint8_t> Take(std::size_t n) {
        if (n > FBytes.size())
            throw EProtocol("message ends early");
        const auto taken = FBytes.first(n);
        FBytes = FBytes.subspan(n);
        return taken;
    }
    std::span<const std::uint8_t> FBytes;
};

} // namespace detail

// The message's body (kind and fields), without the length prefix. (Taken by value: the field
// list is one function for reading and writing.)
template <typename M> std::vector<std::uint8_t> Encode(M message) {
    detail::Writer w;
    w.Integer(static_cast<std::uint8_t>(M::Kind));
    message.Fields(w);
    return std::move(w.Bytes);
}

// The kind of a received body; EProtocol for an empty one.
TMessageKind KindOf(std::span<const std::uint8_t> body);

// Reads a body of kind M::Kind; EProtocol when the kind differs, the body is short, or bytes
// are left over.
template <typename M> M Decode(std::span<const std::uint8_t> body) {
    if (KindOf(body) != M::Kind)
        throw EProtocol("unexpected message");
    detail::Reader r(body.subspan(1));
    M message;
    message.Fields(r);
    if (!r.AtEnd())
        throw EProtocol("message too long");
    return message;
}

// The 4-byte length prefix of a body.
std::vector<std::uint8_t> FramePrefix(std::size_t bodySize);
// The length a received prefix announces; EProtocol when it is 0 or over MaxMessageSize.
std::uint32_t FrameLength(const std::uint8_t (&prefix)[4]);

// The framing both sides use. transfer(write, data, size) moves exactly size bytes over the
// pipe or raises (or answers false: the frame is then not there).
// A body as it goes on the pipe: its prefix, then the body, for one write.
std::vector<std::uint8_t> Frame(const std::vector<std::uint8_t>& body);
// Reads one frame's body; nothing when transfer answered false.
template <typename Transfer>
std::optional<std::vector<std::uint8_t>> ReadFrame(Transfer&& transfer) {
    std::uint8_t prefix[4];
    if (!transfer(false, prefix, sizeof prefix))
        return std::nullopt;
    std::vector<std::uint8_t> body(FrameLength(prefix));
    if (!transfer(false, body.data(), body.size()))
        return std::nullopt;
    return body;
}

// Where, in a section holding both blocks, the bitmap information starts: after room for a
// bitmap file header, so that the program can make the section a bitmap file in place.
inline constexpr std::uint64_t InfoOffset = 14;
// Where the pixels start: past the bitmap information, aligned to 64 bytes.
std::uint64_t PixelOffset(std::uint64_t infoSize);
// Why two blocks cannot be handed over (empty when they can): the information block is
// limited to 1 MB, the pixels to what a 32-bit size holds.
std::string HandOverRefusal(std::uint64_t infoSize, std::uint64_t bitsSize);

// Whether a progress call is passed to the program: when the percentage it would show changes
// and ProgressForwardMs have passed since the last one, and otherwise at least every
// ProgressHeartbeatMs. The first call of a decode always is. (Each call passed on is a round
// trip between the processes: a module that reports every percent would spend a tenth of a
// camera picture's decode on them.)
inline constexpr std::uint32_t ProgressForwardMs = 20;
bool ShouldForwardProgress(bool first, int lastPercent, int percent, std::uint64_t msSinceLast);

// Whether a host that has said nothing for silentMs is hung: past hangMs it is, unless it used at
// least a quarter of a processor over the last windowMs (busyMs of processor time), and past
// busyHangMs it is in any case.
bool SilenceIsHang(std::uint32_t silentMs, std::uint64_t busyMs, std::uint32_t windowMs,
                   std::uint32_t hangMs, std::uint32_t busyHangMs);

// Consecutive faults per module (by path, as given) and call (by the request's kind). A call
// that succeeds clears the count of its kind, so that a module whose rare faults are spread over
// many good calls stays, while one that faults in the same call three times in a row (the
// FaultsBeforeSkip-th) is left out for the session, whatever its other calls did in between.
class TFaultCounter {
public:
    // Counts a fault; true when this fault makes the module skipped (once per module).
    bool RecordFault(const std::string& module, TMessageKind call);
    void RecordSuccess(const std::string& module, TMessageKind call);
    bool IsSkipped(const std::string& module) const;

private:
    std::map<std::pair<std::string, TMessageKind>, int> FInARow;
    std::set<std::string> FSkipped;
};

enum class TFaultKind {
    Died, // the host ended during the call
    Hung, // no return and no progress within HangTimeoutMs
};

// The report of one fault while a picture was read (UTF-8 in, UTF-8 out): names the module and
// the picture, and when the fault made the module skipped, says so.
std::string PictureFaultMessage(TFaultKind kind, const std::string& moduleName,
                                const std::string& pictureName, bool nowSkipped);
// The report of a module that faulted while being loaded and described before the program
// loaded it; it is not used.
std::string PreflightFaultMessage(TFaultKind kind, const std::string& modulePath);

} // namespace tovane::host
