#include "imaging/portable/HostProtocol.h"

#include <limits>

namespace tovane::host {

TMessageKind KindOf(std::span<const std::uint8_t> body) {
    if (body.empty())
        throw EProtocol("empty message");
    return static_cast<TMessageKind>(body[0]);
}

std::vector<std::uint8_t> FramePrefix(std::size_t bodySize) {
    if (bodySize == 0 || bodySize > MaxMessageSize)
        throw EProtocol("message size out of range");
    detail::Writer w;
    w.Integer(static_cast<std::uint32_t>(bodySize));
    return std::move(w.Bytes);
}

std::vector<std::uint8_t> Frame(const std::vector<std::uint8_t>& body) {
    std::vector<std::uint8_t> frame = FramePrefix(body.size());
    frame.insert(frame.end(), body.begin(), body.end());
    return frame;
}

std::uint32_t FrameLength(const std::uint8_t (&prefix)[4]) {
    detail::Reader r(prefix);
    const auto n = r.Integer<std::uint32_t>();
    if (n == 0 || n > MaxMessageSize)
        throw EProtocol("message size out of range");
    return n;
}

std::uint64_t PixelOffset(std::uint64_t infoSize) {
    return (InfoOffset + infoSize + 63) / 64 * 64;
}

std::string HandOverRefusal(std::uint64_t infoSize, std::uint64_t bitsSize) {
    constexpr std::uint64_t maxInfo = 1u << 20;
    constexpr std::uint64_t maxBits = std::numeric_limits<std::int32_t>::max();
    if (infoSize > maxInfo)
        return "bitmap information block of " + std::to_string(infoSize) + " bytes";
    if (bitsSize > maxBits)
        return "pixel block of " + std::to_string(bitsSize) + " bytes";
    return std::string();
}

bool RenderSizeAllowed(std::int32_t w, std::int32_t h) {
    return w > 0 && h > 0 && w <= 0xFFFF && h <= 0xFFFF &&
           static_cast<std::uint64_t>(w) * static_cast<std::uint64_t>(h) * 4 <= (256u << 20);
}

bool ShouldForwardProgress(bool first, int lastPercent, int percent, std::uint64_t msSinceLast) {
    return first || (percent != lastPercent && msSinceLast >= ProgressForwardMs) ||
           msSinceLast >= ProgressHeartbeatMs;
}

bool SilenceIsHang(std::uint32_t silentMs, std::uint64_t busyMs, std::uint32_t windowMs,
                   std::uint32_t hangMs, std::uint32_t busyHangMs) {
    if (silentMs < hangMs)
        return false;
    if (silentMs >= busyHangMs)
        return true;
    return busyMs * 4 < windowMs;
}

bool TFaultCounter::RecordFault(const std::string& module, TMessageKind call) {
    if (FSkipped.count(module) != 0)
        return false;
    if (++FInARow[{module, call}] < FaultsBeforeSkip)
        return false;
    FSkipped.insert(module);
    return true;
}

void TFaultCounter::RecordSuccess(const std::string& module, TMessageKind call) {
    FInARow.erase({module, call});
}

bool TFaultCounter::IsSkipped(const std::string& module) const {
    return FSkipped.count(module) != 0;
}

std::string PictureFaultMessage(TFaultKind kind, const std::string& moduleName,
                                const std::string& pictureName, bool nowSkipped) {
    std::string text = "Susie Plugin [" + moduleName + "] が";
    if (!pictureName.empty())
        text += " " + pictureName + " の読み込み中に";
    text += kind == TFaultKind::Hung ? "応答しません" : "異常終了しました";
    if (nowSkipped)
        text += "\n[" + moduleName + "] は" + std::to_string(FaultsBeforeSkip) +
                "回続けて異常終了したため、以後使いません";
    return text;
}

std::string PreflightFaultMessage(TFaultKind kind, const std::string& modulePath) {
    return modulePath + (kind == TFaultKind::Hung
                             ? ":Susie Pluginが初期化の途中で応答しないため、使いません"
                             : ":Susie Pluginが初期化の途中で異常終了したため、使いません");
}

} // namespace tovane::host
