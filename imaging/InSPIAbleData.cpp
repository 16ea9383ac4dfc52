#include "imaging/InSPIAbleData.h"

#include "framework/BitmapFile.h"
#include "framework/Exceptions.h"
#include "framework/Paths.h"
#include "framework/Strings.h"
#include "framework/win32/ModuleFile.h"
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
    if (!FLock && FHandle)
        FLock.emplace(FHandle.Get());
    return FLock ? FLock->Address() : nullptr;
}

void TPluginBlock::Unlock() {
    FLock.reset();
}

// ---- TInSPIAbleData ----

TInSPIAbleData::TInSPIAbleData(TGraphic* graphic, std::wstring fileName, std::string pluginName)
    : FFileName(std::move(fileName)), FPluginName(std::move(pluginName)), FGraphic(graphic) {
}

std::string TInSPIAbleData::FailureText() const {
    return "Susie Plugins could not decode";
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
    FHostImage = THostImage();
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
    FFaults.clear();
    // The host is looked up once per run; the collection outlives the run. One that cannot be
    // started is done without.
    FHost = spis != nullptr ? dynamic_cast<TPluginHost*>(spis->Isolation.get()) : nullptr;
    FHost32 = spis != nullptr ? dynamic_cast<TPluginHost*>(spis->Isolation32.get()) : nullptr;
    if (FHost != nullptr && FHost->Unavailable()) {
        TakeHostReports();
        FHost = nullptr;
    }
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
            try {
                TryPlugin(*spi, header.data(), offset);
            } catch (const EPluginFault& fault) {
                // The module's host has gone: report it and ask the next module.
                const std::string module =
                    AnsiToUtf8(ExtractFileName(spi->FileName(), SystemLeadByte));
                FFaults.push_back(host::PictureFaultMessage(
                    fault.Kind, module, WideToUtf8(FFileName), fault.NowSkipped));
                ReleaseImage();
                break;
            } catch (const EHostCallFailed&) {
                // The host could not make this module's call (it cannot load the module, say):
                // as a refusal, the next module is asked.
                ReleaseImage();
                break;
            } catch (const EHostUnavailable&) {
                TakeHostReports();
                if (spi->Host() != nullptr) {
                    // A module that only its host can run: it cannot serve this time.
                    ReleaseImage();
                    break;
                }
                // No host starts: this and every later call are made here, as without one.
                FHost = nullptr;
                ReleaseImage();
                TryPlugin(*spi, header.data(), offset);
            }
            TakeHostReports();
            if (!IsEmpty())
                return;
            ReleaseImage();
        }
    }
}

void TInSPIAbleData::TakeHostReports() {
    for (TPluginHost* host : {FHost, FHost32})
        if (host != nullptr)
            for (std::string& report : host->TakeReports())
                FFaults.push_back(std::move(report));
}

TPluginHost* TInSPIAbleData::HostFor(const TInSPI& spi) const {
    return spi.Host() != nullptr ? dynamic_cast<TPluginHost*>(spi.Host()) : FHost;
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
    spis->CollectLoaders<TInSPI>(LoaderExtension(FPluginName, SystemLeadByte), list);
    std::erase_if(list, [this](const TInSPI* spi) {
        const TPluginHost* host = HostFor(*spi);
        return host != nullptr && host->IsSkipped(*spi);
    });
    return list;
}

void TInSPIAbleData::TryPlugin(TInSPI& spi, const unsigned char* header, int offset) {
    if (TPluginHost* host = HostFor(spi)) {
        TryInHost(*host, spi, header, offset);
        return;
    }
    if (spi.Host() != nullptr)
        return; // loaded by a host this job cannot call: it declines
    if (spi.IsSupported(FPluginName.c_str(), header + offset) == 0)
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
    FRefusal.clear();
    if (!FInfo.Empty() && !FBits.Empty())
        CheckImage(FInfo.Lock(), FInfo.Size(), FBits.Size());
}

void TInSPIAbleData::TryInHost(TPluginHost& host, TInSPI& spi, const unsigned char* header,
                               int offset) {
    if (host.IsSupported(spi, FPluginName, header + offset) == 0)
        return;
    const THostSource source = HostSource(offset);
    host.GetPictureInfo(spi, source, FPictureInfo);
    const auto picture = [&](bool preview) {
        FPendingFailure = nullptr;
        THostPicture result =
            host.GetPicture(spi, source, preview, [this](int numerator, int denominator) {
                return ProgressAnswer(numerator, denominator);
            });
        if (FPendingFailure) {
            const std::exception_ptr failure = std::exchange(FPendingFailure, nullptr);
            std::rethrow_exception(failure);
        }
        ReceiveHostPicture(std::move(result));
    };
    TSPIs* spis = TSPIs::Instance();
    picture(spis != nullptr && spis->GraphicPreview);
    if (IsEmpty() && spis != nullptr && spis->GraphicPreview)
        picture(false);
}

void TInSPIAbleData::ReceiveHostPicture(THostPicture picture) {
    FHostImage = THostImage();
    FLayout.reset();
    FRefusal = picture.Refusal;
    if (picture.Value != 0 || picture.Image.Empty())
        return;
    FHostImage = std::move(picture.Image);
    CheckImage(FHostImage.Info(), FHostImage.InfoSize(), FHostImage.BitsSize());
}

void TInSPIAbleData::CheckImage(const void* info, std::size_t infoSize, std::size_t bitsSize) {
    const TDibCheck check = CheckDibBlocks(info, infoSize, bitsSize);
    if (check.Ok()) {
        FLayout = check.Layout;
        return;
    }
    FRefusal = check.Reason;
    FInfo.Release();
    FBits.Release();
    FHostImage = THostImage();
    // No other plug-in makes the picture smaller: the load fails here, saying why.
    if (check.TooLarge)
        throw EInvalidGraphic(check.Reason);
}

namespace {

// Keeps a picture from the decoding host mapped for the bitmap that took it over.
class THostImageBlock final : public TExternalBlock {
public:
    explicit THostImageBlock(THostImage image) : FImage(std::move(image)) {}
    std::size_t ReservedBytes() const override { return FImage.MappedBytes(); }

private:
    THostImage FImage;
};

void PutLittleEndian(std::uint8_t* at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

} // namespace

TByteBuffer TInSPIAbleData::TakeBitmapFile() {
    if (FHostImage.Empty() || !FLayout)
        return TByteBuffer();
    static_assert(host::InfoOffset == BitmapFileHeaderSize);
    const std::size_t pixels = FHostImage.BitsOffset();
    const std::size_t size = pixels + FLayout->ImageSize;
    auto* file = static_cast<std::uint8_t*>(FHostImage.Start());
    file[0] = 'B';
    file[1] = 'M';
    PutLittleEndian(file + 2, static_cast<std::uint32_t>(size), 4);
    PutLittleEndian(file + 6, 0, 4); // the two reserved words
    PutLittleEndian(file + 10, static_cast<std::uint32_t>(pixels), 4);
    auto owner = std::make_unique<THostImageBlock>(std::exchange(FHostImage, THostImage()));
    FLayout.reset();
    return TByteBuffer::Adopt(file, size, std::move(owner));
}

int TInSPIAbleData::ProgressAnswer(int numerator, int denominator) {
    if (!OnProgress)
        return 0;
    // After a failure the plug-in is only asked to stop; the handler is not called again.
    if (FPendingFailure)
        return 1;
    try {
        DoProgress(psRunning, PluginProgressPercent(numerator, denominator), std::string());
        return 0;
    } catch (const EAbort&) {
        return 1;
    } catch (...) {
        FPendingFailure = std::current_exception();
        return 1;
    }
}

int WINAPI TInSPIAbleData::ProgressCallback(int numerator, int denominator, SusieUserData data) {
    auto* job = reinterpret_cast<TInSPIAbleData*>(data);
    return job == nullptr ? 0 : job->ProgressAnswer(numerator, denominator);
}

// ---- TInSPIAbleFromFile ----

std::optional<std::wstring> SystemShortName(const std::wstring& path) {
    return ShortPathOf(path);
}

TInSPIAbleFromFile::TInSPIAbleFromFile(TGraphic* graphic, const std::wstring& fileName,
                                       const ShortNameLookup& shortName)
    : TInSPIAbleFromFile(graphic, fileName,
                         ChoosePluginFileForm(fileName, WideToAnsiExact, shortName)) {
}

TInSPIAbleFromFile::TInSPIAbleFromFile(TGraphic* graphic, const std::string& fileNameAnsi)
    : TInSPIAbleFromFile(graphic, AnsiToWide(fileNameAnsi), PluginFileForm{false, fileNameAnsi}) {
}

// In memory the plug-ins still see the name, with "?" for what the code page lacks: it keeps
// the extension that orders them and names no file.
TInSPIAbleFromFile::TInSPIAbleFromFile(TGraphic* graphic, const std::wstring& fileName,
                                       PluginFileForm form)
    : TInSPIAbleData(graphic, fileName, form.InMemory ? WideToAnsiNoBestFit(fileName) : form.Path),
      FForm(std::move(form)) {
}

std::string TInSPIAbleFromFile::FailureText() const {
    if (!FForm.InMemory)
        return TInSPIAbleData::FailureText();
    // The headline is the program's fixed text; the details are in the program's language.
    return Format("Susie Plugins could not decode\n\"%s\" の名前はシステムのコードページで表せず"
                  "短い名前もないため、Susie Plugin には内容をメモリで渡しましたが、"
                  "どの Plugin もデコードできませんでした",
                  WideToUtf8(FileName()).c_str());
}

void TInSPIAbleFromFile::ReadHeader(void* buffer, std::size_t count) {
    try {
        TFileStream file(FileName(), TFileMode::fmOpenRead);
        if (FForm.InMemory) {
            if (FBytes.Size() == 0)
                FBytes.LoadFromStream(file);
            const std::int64_t n =
                std::min<std::int64_t>(static_cast<std::int64_t>(count), FBytes.Size());
            if (n > 0)
                std::memcpy(buffer, FBytes.Memory(), static_cast<std::size_t>(n));
            return;
        }
        const std::int64_t n =
            std::min<std::int64_t>(static_cast<std::int64_t>(count), file.Size());
        if (n > 0)
            file.Read(buffer, n);
    } catch (const std::exception&) {
        // A missing or unreadable file leaves the zeros: the plug-ins then decline.
    }
}

bool TInSPIAbleFromFile::ReachesOffset(int offset) const {
    return !FForm.InMemory || MemorySourceReachesOffset(FBytes.Size(), offset);
}

const char* TInSPIAbleFromFile::Source(int offset) const {
    if (!FForm.InMemory)
        return FForm.Path.c_str();
    static const char nothing[1] = {0};
    return FBytes.Size() > 0 ? static_cast<const char*>(FBytes.Memory()) + offset : nothing;
}

SusieLength TInSPIAbleFromFile::Length(int offset) const {
    return FForm.InMemory ? MemorySourceLength(FBytes.Size(), offset) : offset;
}

THostSource TInSPIAbleFromFile::HostSource(int offset) {
    THostSource source;
    source.Length = Length(offset);
    if (!FForm.InMemory) {
        source.Flag = 0;
        source.Path = FForm.Path;
        return source;
    }
    // The file's bytes are copied into shared memory once per job, when the host first needs
    // them.
    if (!FShared)
        FShared = std::make_unique<THostSharedBytes>(FBytes.Memory(),
                                                     static_cast<std::size_t>(FBytes.Size()));
    source.Flag = 1;
    source.Shared = FShared.get();
    source.Offset = FBytes.Size() > 0 ? static_cast<std::size_t>(offset) : 0;
    return source;
}

void TInSPIAbleFromFile::ReadPictureInfo(TInSPI& spi, int offset, PictureInfo& info) {
    spi.GetPictureInfo(Source(offset), Length(offset), Flag(), &info);
    ReceivePictureInfo(info);
}

void TInSPIAbleFromFile::ReadPreview(TInSPI& spi, int offset) {
    ReceivePicture([&](HLOCAL* info, HLOCAL* bits, SusieProgressCallback cb, SusieUserData data) {
        try {
            return spi.GetPreview(Source(offset), Length(offset), Flag(), info, bits, cb, data);
        } catch (const ESPIInvalidAPI&) {
            return -1; // no GetPreview export: a plug-in without previews
        }
    });
}

void TInSPIAbleFromFile::ReadPicture(TInSPI& spi, int offset) {
    ReceivePicture([&](HLOCAL* info, HLOCAL* bits, SusieProgressCallback cb, SusieUserData data) {
        return spi.GetPicture(Source(offset), Length(offset), Flag(), info, bits, cb, data);
    });
}

// ---- TInSPIAbleFromStream ----

TInSPIAbleFromStream::TInSPIAbleFromStream(TGraphic* graphic, TStream& stream,
                                           std::string fileNameAnsi)
    : TInSPIAbleData(graphic, AnsiToWide(fileNameAnsi), fileNameAnsi) {
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

THostSource TInSPIAbleFromStream::HostSource(int offset) {
    // The source is copied into shared memory once per job, when the host first needs it.
    if (!FShared)
        FShared = std::make_unique<THostSharedBytes>(FMemory, static_cast<std::size_t>(FSize));
    THostSource source;
    source.Flag = 1;
    source.Length = Length(offset);
    source.Shared = FShared.get();
    source.Offset = FMemory != nullptr ? static_cast<std::size_t>(offset) : 0;
    return source;
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
