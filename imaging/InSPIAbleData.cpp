#include "imaging/InSPIAbleData.h"

#include "framework/Exceptions.h"
#include "framework/Paths.h"
#include "framework/Strings.h"
#include "framework/win32/Text.h"
#include "imaging/portable/DecodeRules.h"
#include "plugins/portable/SPIRules.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace tovane {

// ---- TPluginBlock ----

void TPluginBlock::Adopt(HLOCAL handle) {
    Release();
    FHandle.Reset(handle);
}

std::size_t TPluginBlock::Size() const {
    return FHandle ? static_cast<std::size_t>(LocalSize(FHandle.Get())) : 0;
}

void* TPluginBlock::Lock() {
    if (FAddress == nullptr && FHandle)
        FAddress = LocalLock(FHandle.Get());
    return FAddress;
}

void TPluginBlock::Unlock() {
    if (FAddress != nullptr) {
        LocalUnlock(FHandle.Get());
        FAddress = nullptr;
    }
}

// ---- TInSPIAbleData ----

TInSPIAbleData::TInSPIAbleData(TGraphic* graphic, std::string fileNameAnsi)
    : FFileName(std::move(fileNameAnsi)), FGraphic(graphic) {
}

TInSPIAbleData::~TInSPIAbleData() {
    ReleaseImage();
}

void TInSPIAbleData::ReleaseImage() {
    // Unlock both blocks before freeing either, then the text information.
    FInfo.Unlock();
    FBits.Unlock();
    FInfo.Free();
    FBits.Free();
    FTextInfo.Release();
    FPictureInfo.hInfo = nullptr;
    FLayout.reset();
}

void TInSPIAbleData::DoProgress(TProgressStage stage, std::uint8_t percent,
                                const std::string& msg) {
    if (!OnProgress)
        return;
    OnProgress(FGraphic, stage, percent, stage == psEnding, TRect(0, 0, 0, 0), msg);
}

void TInSPIAbleData::Decode() {
    TSPIs* spis = TSPIs::Instance();
    const bool macBinary = spis != nullptr && spis->MacBinary;
    DoProgress(psStarting, 0, "Loading Graphic by Susie Plugin");
    try {
        SearchPlugins(macBinary);
    } catch (...) {
        // The ending notification is sent on every way out; if it fails itself, its failure
        // is the one that leaves.
        const std::exception_ptr failure = std::current_exception();
        DoProgress(psEnding, 100, "Loaded Graphic by Susie Plugin");
        std::rethrow_exception(failure);
    }
    DoProgress(psEnding, 100, "Loaded Graphic by Susie Plugin");
}

void TInSPIAbleData::SearchPlugins(bool macBinary) {
    ReleaseImage();
    DoProgress(psRunning, 1, "Seeking enabled Susie Plugins");
    const std::vector<TInSPI*> candidates = BuildCandidates();

    std::array<unsigned char, DecodeHeaderSize> header{};
    ReadHeader(header.data(), header.size());

    const std::size_t offsets = macBinary ? MacBinaryOffsets.size() : 1;
    for (TInSPI* spi : candidates) {
        for (std::size_t k = 0; k < offsets; ++k) {
            const int offset = MacBinaryOffsets[k];
            if (!ReachesOffset(offset))
                continue;
            DoProgress(
                psRunning, 1,
                Format("Loading by [%s]",
                       AnsiToUtf8(ExtractFileName(spi->FileName(), SystemLeadByte)).c_str()));
            TryPlugin(*spi, header.data(), offset);
            if (!IsEmpty())
                return;
            ReleaseImage();
        }
    }
}

std::vector<TInSPI*> TInSPIAbleData::BuildCandidates() const {
    std::vector<TInSPI*> list;
    TSPIs* spis = TSPIs::Instance();
    if (spis == nullptr)
        return list;
    if (spis->GraphicForcedLoader != nullptr) {
        list.push_back(spis->GraphicForcedLoader);
        return list;
    }
    spis->CollectLoaders<TInSPI>(LoaderExtension(FFileName, SystemLeadByte), list);
    return list;
}

void TInSPIAbleData::TryPlugin(TInSPI& spi, const unsigned char* header, int offset) {
    if (spi.IsSupported(FFileName.c_str(), header + offset) == 0)
        return;
    ReadPictureInfo(spi, offset, FPictureInfo);
    TSPIs* spis = TSPIs::Instance();
    if (spis != nullptr && spis->GraphicPreview) {
        ReadPreview(spi, offset);
        if (IsEmpty())
            ReadPicture(spi, offset);
    } else {
        ReadPicture(spi, offset);
    }
}

void TInSPIAbleData::ReceivePictureInfo(const PictureInfo& info) {
    FTextInfo.Adopt(info.hInfo);
}

void TInSPIAbleData::ReceivePicture(const PictureCall& call) {
    // Whatever an earlier call of this attempt left is given back first.
    FInfo.Release();
    FBits.Release();
    FLayout.reset();
    FPendingFailure = nullptr;

    HLOCAL info = nullptr;
    HLOCAL bits = nullptr;
    const int result = call(&info, &bits, &TInSPIAbleData::ProgressCallback,
                            reinterpret_cast<SusieUserData>(this));
    if (result == 0) {
        // A block handed back twice (as both parts, or again as the text information) is
        // owned once, so that it is freed once.
        const HLOCAL text = FTextInfo.Handle();
        FInfo.Adopt(info != text ? info : nullptr);
        FBits.Adopt(bits != info && bits != text ? bits : nullptr);
    }
    if (FPendingFailure) {
        const std::exception_ptr failure = std::exchange(FPendingFailure, nullptr);
        std::rethrow_exception(failure);
    }
    CheckImage();
}

void TInSPIAbleData::CheckImage() {
    FRefusal.clear();
    if (FInfo.Empty() || FBits.Empty())
        return;
    const TDibCheck check = CheckDibBlocks(FInfo.Lock(), FInfo.Size(), FBits.Size());
    if (check.Ok()) {
        FLayout = check.Layout;
        return;
    }
    FRefusal = check.Reason;
    FInfo.Release();
    FBits.Release();
    // No other plug-in makes the picture smaller: the load fails here, saying why.
    if (check.TooLarge)
        throw EInvalidGraphic(check.Reason);
}

int WINAPI TInSPIAbleData::ProgressCallback(int numerator, int denominator, SusieUserData data) {
    auto* job = reinterpret_cast<TInSPIAbleData*>(data);
    if (job == nullptr || !job->OnProgress)
        return 0;
    // After a failure the plug-in is only asked to stop; the handler is not called again.
    if (job->FPendingFailure)
        return 1;
    try {
        job->DoProgress(psRunning, PluginProgressPercent(numerator, denominator), std::string());
        return 0;
    } catch (const EAbort&) {
        return 1;
    } catch (...) {
        job->FPendingFailure = std::current_exception();
        return 1;
    }
}

// ---- TInSPIAbleFromFile ----

TInSPIAbleFromFile::TInSPIAbleFromFile(TGraphic* graphic, std::string fileNameAnsi)
    : TInSPIAbleData(graphic, std::move(fileNameAnsi)) {
}

void TInSPIAbleFromFile::ReadHeader(void* buffer, std::size_t count) {
    try {
        TFileStream file(FileName(), TFileMode::fmOpenRead);
        const std::int64_t n =
            std::min<std::int64_t>(static_cast<std::int64_t>(count), file.Size());
        if (n > 0)
            file.Read(buffer, n);
    } catch (const std::exception&) {
        // A missing or unreadable file leaves the zeros: the plug-ins then decline.
    }
}

void TInSPIAbleFromFile::ReadPictureInfo(TInSPI& spi, int offset, PictureInfo& info) {
    spi.GetPictureInfo(FileName().c_str(), offset, 0, &info);
    ReceivePictureInfo(info);
}

void TInSPIAbleFromFile::ReadPreview(TInSPI& spi, int offset) {
    ReceivePicture([&](HLOCAL* info, HLOCAL* bits, SusieProgressCallback cb, SusieUserData data) {
        try {
            return spi.GetPreview(FileName().c_str(), offset, 0, info, bits, cb, data);
        } catch (const ESPIInvalidAPI&) {
            return -1; // no GetPreview export: a plug-in without previews
        }
    });
}

void TInSPIAbleFromFile::ReadPicture(TInSPI& spi, int offset) {
    ReceivePicture([&](HLOCAL* info, HLOCAL* bits, SusieProgressCallback cb, SusieUserData data) {
        return spi.GetPicture(FileName().c_str(), offset, 0, info, bits, cb, data);
    });
}

// ---- TInSPIAbleFromStream ----

TInSPIAbleFromStream::TInSPIAbleFromStream(TGraphic* graphic, TStream& stream,
                                           std::string fileNameAnsi)
    : TInSPIAbleData(graphic, std::move(fileNameAnsi)) {
    if (auto* memory = dynamic_cast<TMemoryStream*>(&stream)) {
        FMemory = static_cast<const char*>(memory->Memory());
        FSize = memory->Size();
    } else {
        FOwnCopy = std::make_unique<TMemoryStream>();
        FOwnCopy->LoadFromStream(stream);
        FMemory = static_cast<const char*>(FOwnCopy->Memory());
        FSize = FOwnCopy->Size();
    }
}

void TInSPIAbleFromStream::ReadHeader(void* buffer, std::size_t count) {
    const std::int64_t n = std::min<std::int64_t>(static_cast<std::int64_t>(count), FSize);
    if (n > 0 && FMemory != nullptr)
        std::memcpy(buffer, FMemory, static_cast<std::size_t>(n));
}

bool TInSPIAbleFromStream::ReachesOffset(int offset) const {
    return MemorySourceReachesOffset(FSize, offset);
}

const char* TInSPIAbleFromStream::Source(int offset) const {
    // An empty memory stream has no buffer; the plug-in still gets a valid address.
    static const char nothing[1] = {0};
    return FMemory != nullptr ? FMemory + offset : nothing;
}

SusieLength TInSPIAbleFromStream::Length(int offset) const {
    return MemorySourceLength(FSize, offset);
}

void TInSPIAbleFromStream::ReadPictureInfo(TInSPI& spi, int offset, PictureInfo& info) {
    spi.GetPictureInfo(Source(offset), Length(offset), 1, &info);
    ReceivePictureInfo(info);
}

void TInSPIAbleFromStream::ReadPreview(TInSPI& spi, int offset) {
    ReceivePicture([&](HLOCAL* info, HLOCAL* bits, SusieProgressCallback cb, SusieUserData data) {
        try {
            return spi.GetPreview(Source(offset), Length(offset), 1, info, bits, cb, data);
        } catch (const ESPIInvalidAPI&) {
            return -1; // no GetPreview export: a plug-in without previews
        }
    });
}

void TInSPIAbleFromStream::ReadPicture(TInSPI& spi, int offset) {
    ReceivePicture([&](HLOCAL* info, HLOCAL* bits, SusieProgressCallback cb, SusieUserData data) {
        return spi.GetPicture(Source(offset), Length(offset), 1, info, bits, cb, data);
    });
}

} // namespace tovane
