// The wrapper around one loaded plug-in module and LoadPlugin.
#include "plugins/SPIs.h"

#include "framework/Strings.h"
#include "framework/win32/ModuleFile.h"
#include "framework/win32/Text.h"

#include <array>
#include <cstring>

namespace tovane {

ESPIFOpenErrorSPI::ESPIFOpenErrorSPI(std::string_view fileNameAnsi)
    : Exception(AnsiToUtf8(fileNameAnsi) + ":Susie Pluginがロードできませんでした") {
}

ESPIInvalidAPI::ESPIInvalidAPI(std::string_view exportName, std::string_view fileNameAnsi)
    : Exception(std::string(exportName) + "は[" + AnsiToUtf8(fileNameAnsi) +
                "]では使えないSusie Plugin APIです"),
      FExportName(exportName) {
}

ESPIDupCreateSPIs::ESPIDupCreateSPIs() : Exception("TSPIs は複数生成できません") {
}

namespace {

template <typename F> F Lookup(HMODULE module, const char* name) {
    // Export addresses are function pointers of the export's declared type.
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

} // namespace

TSPI::TSPI(const std::string& fileName) : FHandle(LoadModuleWithItsFolder(fileName)) {
    if (!FHandle)
        throw ESPIFOpenErrorSPI(fileName);
    FFileName = ModuleFileName(FHandle.Get());
    if (FFileName.empty())
        FFileName = fileName;
    const HMODULE m = FHandle.Get();
    FExports.GetPluginInfo = Lookup<GetPluginInfoFunc>(m, "GetPluginInfo");
    FExports.ConfigurationDlg = Lookup<ConfigurationDlgFunc>(m, "ConfigurationDlg");
    FExports.IsSupported = Lookup<IsSupportedFunc>(m, "IsSupported");
    FExports.GetPictureInfo = Lookup<GetPictureInfoFunc>(m, "GetPictureInfo");
    FExports.GetPicture = Lookup<GetPictureFunc>(m, "GetPicture");
    FExports.GetPreview = Lookup<GetPreviewFunc>(m, "GetPreview");
    FExports.GetArchiveInfo = Lookup<GetArchiveInfoFunc>(m, "GetArchiveInfo");
    FExports.GetFileInfo = Lookup<GetFileInfoFunc>(m, "GetFileInfo");
    FExports.GetFile = Lookup<GetFileFunc>(m, "GetFile");
    FExports.GetArchiveInfoW = Lookup<GetArchiveInfoWFunc>(m, "GetArchiveInfoW");
    FExports.GetFileW = Lookup<GetFileWFunc>(m, "GetFileW");
}

TSPI::TSPI(const SPIDescription& description, TSPIIsolation& host)
    : FFileName(description.FileName), FAPIVersion(description.APIVersion),
      FPluginInfo(description.PluginInfo), FExtensions(description.Extensions),
      FFormatNames(description.FormatNames), FHost(&host), FBits(description.Bits) {
}

TSPI::~TSPI() = default;

std::unique_ptr<TSPI> TSPI::CreateHosted(const SPIDescription& description, TSPIIsolation& host) {
    // The host checked the exports that the class requires when it loaded the module.
    std::unique_ptr<TSPI> spi;
    switch (SPIKindForVersion(description.APIVersion)) {
    case SPIKind::Import:
        spi.reset(new TInSPI(description, host));
        break;
    case SPIKind::Archive:
        spi.reset(new TAmSPI(description, host));
        break;
    case SPIKind::Xn:
        spi.reset(new TXnSPI(description, host));
        break;
    case SPIKind::Plain:
        spi.reset(new TSPI(description, host));
        break;
    }
    spi->FUsable = spi->IsUsable();
    return spi;
}

std::unique_ptr<TSPI> TSPI::Create(const std::string& fileName) {
    return Construct<TSPI>(fileName);
}

void TSPI::Describe() {
    CheckExports();
    FAPIVersion = InfoText(0).value_or(std::string());
    FPluginInfo = InfoText(1).value_or(std::string());
    ReadFilterPairs([this](int index) { return InfoText(index); }, FExtensions, FFormatNames);
    FUsable = IsUsable();
}

std::optional<std::string> TSPI::InfoText(int index) const {
    std::vector<char> buffer(PluginInfoBufferSize, '\0');
    if (FExports.GetPluginInfo(index, buffer.data(), PluginInfoBufferLength) <= 0)
        return std::nullopt;
    return PluginInfoText(buffer);
}

FARPROC TSPI::GetProc(const char* exportName) const {
    // (A null module would name the program's own exports.)
    return FHandle ? GetProcAddress(FHandle.Get(), exportName) : nullptr;
}

void TSPI::RequireExport(const void* address, const char* exportName) const {
    if (address == nullptr)
        throw ESPIInvalidAPI(exportName, FFileName);
}

void TSPI::CheckExports() const {
    Require(FExports.GetPluginInfo, "GetPluginInfo");
}

int TSPI::GetPluginInfo(int infono, char* buf, int buflen) const {
    Require(FExports.GetPluginInfo, "GetPluginInfo");
    return FExports.GetPluginInfo(infono, buf, buflen);
}

void TLoaderSPI::CheckExports() const {
    TSPI::CheckExports();
    Require(Api().IsSupported, "IsSupported");
}

int TLoaderSPI::IsSupported(const char* fileName, const void* data) const {
    return Pass(Api().IsSupported, "IsSupported", fileName, const_cast<void*>(data));
}

std::unique_ptr<TInSPI> TInSPI::Create(const std::string& fileName) {
    return Construct<TInSPI>(fileName);
}

void TInSPI::CheckExports() const {
    TLoaderSPI::CheckExports();
    Require(Api().GetPictureInfo, "GetPictureInfo");
    Require(Api().GetPicture, "GetPicture");
}

int TInSPI::GetPictureInfo(const char* source, SusieLength length, unsigned int flag,
                           PictureInfo* info) const {
    Require(Api().GetPictureInfo, "GetPictureInfo");
    // The module writes into a sentinel-filled scratch record, so that a 64-bit module's choice
    // of layout can be told from what it overwrote, and an unwritten handle reads as null
    // instead of whatever the caller's record held (in the 32-bit build, the handle's 4 bytes at
    // offset 22).
    constexpr unsigned char sentinel = 0xA5;
    alignas(8) std::array<unsigned char, PictureInfoRecordSize> record;
    record.fill(sentinel);
    const int result =
        Api().GetPictureInfo(source, length, flag, reinterpret_cast<PictureInfo*>(record.data()));
    if (info != nullptr) {
        PictureInfo out{};
        std::memcpy(&out, record.data(), offsetof(PictureInfo, hInfo));
        if (const auto at = WrittenInfoHandleOffset(record, sentinel, sizeof(HLOCAL)))
            std::memcpy(&out.hInfo, record.data() + *at, sizeof(HLOCAL));
        std::memcpy(info, &out, sizeof(PictureInfo));
    }
    return result;
}

int TInSPI::GetPicture(const char* source, SusieLength length, unsigned int flag, HLOCAL* info,
                       HLOCAL* bits, SusieProgressCallback progress, SusieUserData userData) const {
    return Pass(Api().GetPicture, "GetPicture", source, length, flag, info, bits, progress, userData);
}

int TInSPI::GetPreview(const char* source, SusieLength length, unsigned int flag, HLOCAL* info,
                       HLOCAL* bits, SusieProgressCallback progress, SusieUserData userData) const {
    return Pass(Api().GetPreview, "GetPreview", source, length, flag, info, bits, progress, userData);
}

std::unique_ptr<TAmSPI> TAmSPI::Create(const std::string& fileName) {
    return Construct<TAmSPI>(fileName);
}

void TAmSPI::CheckExports() const {
    TLoaderSPI::CheckExports();
    Require(Api().GetArchiveInfo, "GetArchiveInfo");
    Require(Api().GetFileInfo, "GetFileInfo");
    Require(Api().GetFile, "GetFile");
}

int TAmSPI::GetArchiveInfo(const char* source, SusieLength length, unsigned int flag,
                           HLOCAL* records) const {
    return Pass(Api().GetArchiveInfo, "GetArchiveInfo", source, length, flag, records);
}

int TAmSPI::GetFile(const char* source, SusieLength position, char* dest, unsigned int flag,
                    SusieProgressCallback progress, SusieUserData userData) const {
    return Pass(Api().GetFile, "GetFile", source, position, dest, flag, progress, userData);
}

int TAmSPI::GetArchiveInfoW(const wchar_t* source, SusieLength length, unsigned int flag,
                            HLOCAL* records) const {
    return Pass(Api().GetArchiveInfoW, "GetArchiveInfoW", source, length, flag, records);
}

int TAmSPI::GetFileW(const wchar_t* source, SusieLength position, wchar_t* dest, unsigned int flag,
                     SusieProgressCallback progress, SusieUserData userData) const {
    return Pass(Api().GetFileW, "GetFileW", source, position, dest, flag, progress, userData);
}

std::unique_ptr<TXnSPI> TXnSPI::Create(const std::string& fileName) {
    return Construct<TXnSPI>(fileName);
}

std::unique_ptr<TSPI> LoadPlugin(const std::string& fileName) {
    try {
        // The probe keeps the module loaded while the chosen class loads it a second time.
        const std::unique_ptr<TSPI> probe = TSPI::Create(fileName);
        switch (SPIKindForVersion(probe->APIVersion())) {
        case SPIKind::Import:
            return TInSPI::Create(fileName);
        case SPIKind::Archive:
            return TAmSPI::Create(fileName);
        case SPIKind::Xn:
            return TXnSPI::Create(fileName);
        case SPIKind::Plain:
            break;
        }
        return TSPI::Create(fileName);
    } catch (const ESPIFOpenErrorSPI&) {
        return nullptr;
    } catch (const ESPIInvalidSPI&) {
        return nullptr;
    }
}

} // namespace tovane
