// Import plug-in over the Windows Imaging Component: every format whose decoder this system's
// WIC has (JPEG, PNG, GIF, TIFF, BMP, ICO everywhere; JPEG XR, WebP, HEIF, AVIF where installed).
// It declares only the formats that no library plug-in beside it reads, and stays the fallback
// for the others.
#include "bundled/common/ColourGlue.h"
#include "bundled/common/Exif.h"
#include "bundled/common/Limits.h"
#include "bundled/common/PluginKit.h"
#include "bundled/common/Sniff.h"
#include "bundled/wic/ComPtr.h"

#include <wincodec.h>

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <limits>
#include <string>
#include <vector>

namespace bundled {
namespace {

struct WicFormat {
    PictureFormat Kind;
    const GUID* Container; // null where the codec is known only by its extension
    const wchar_t* Extension;
    const char* Filter;
    const char* Name;
    // Whether GetPluginInfo names the format. Those that the plug-ins over JPEG, PNG, WebP and
    // AVIF libraries shipped beside this one decode are decoded here too, but not declared: a
    // host puts the plug-ins that declare a file's extension first, and the last of them in its
    // order (this one, by name) at the very front, where the faster decoders belong.
    bool Declared;
};

// Avif's decoder, where there is one, is the HEIF container's with an AV1 extension.
const WicFormat Formats[] = {
    {PictureFormat::Jpeg, &GUID_ContainerFormatJpeg, L".jpg", "*.jpg;*.jpeg;*.jpe;*.jfif", "JPEG",
     false},
    {PictureFormat::Png, &GUID_ContainerFormatPng, L".png", "*.png", "PNG", false},
    {PictureFormat::Gif, &GUID_ContainerFormatGif, L".gif", "*.gif", "GIF", true},
    {PictureFormat::Tiff, &GUID_ContainerFormatTiff, L".tif", "*.tif;*.tiff", "TIFF", true},
    {PictureFormat::Bmp, &GUID_ContainerFormatBmp, L".bmp", "*.bmp;*.dib;*.rle", "Windows Bitmap",
     true},
    {PictureFormat::Ico, &GUID_ContainerFormatIco, L".ico", "*.ico", "Windows Icon", true},
    {PictureFormat::JpegXr, &GUID_ContainerFormatWmp, L".jxr", "*.jxr;*.wdp;*.hdp", "JPEG XR",
     true},
    {PictureFormat::WebP, &GUID_ContainerFormatWebp, L".webp", "*.webp", "WebP", false},
    {PictureFormat::Heif, &GUID_ContainerFormatHeif, L".heic", "*.heic;*.heif;*.hif", "HEIF", true},
    {PictureFormat::Avif, nullptr, L".avif", "*.avif", "AVIF", false},
};
constexpr std::size_t FormatCount = std::size(Formats);

// COM for the length of one call. A thread already in the other apartment kind keeps it (the
// factory works in either), and then this call must not uninitialise it.
class ComScope {
public:
    ComScope() noexcept
        : FResult(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope() {
        if (SUCCEEDED(FResult))
            CoUninitialize();
    }
    bool Usable() const noexcept { return SUCCEEDED(FResult) || FResult == RPC_E_CHANGED_MODE; }

private:
    HRESULT FResult;
};

ComPtr<IWICImagingFactory> CreateFactory() {
    ComPtr<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                __uuidof(IWICImagingFactory),
                                reinterpret_cast<void**>(factory.Put()))))
        factory.Reset();
    return factory;
}

SusieResult ResultOf(HRESULT hr) {
    switch (hr) {
    case E_OUTOFMEMORY:
        return SusieNoMemory;
    case WINCODEC_ERR_COMPONENTNOTFOUND:
    case WINCODEC_ERR_UNKNOWNIMAGEFORMAT:
        return SusieUnknownFormat;
    default:
        return SusieBrokenData;
    }
}

bool ListsExtension(const std::wstring& list, const wchar_t* extension) {
    // The decoder's extensions come as ".jpeg,.jpe,.jpg".
    std::wstring lower = list;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    const std::wstring wanted = extension;
    for (std::size_t at = 0; at <= lower.size();) {
        std::size_t end = lower.find(L',', at);
        if (end == std::wstring::npos)
            end = lower.size();
        if (lower.compare(at, end - at, wanted) == 0)
            return true;
        at = end + 1;
    }
    return false;
}

// Which of the formats this system's WIC can decode, found once per process.
std::vector<bool> FindInstalledFormats() {
    std::vector<bool> installed(FormatCount, false);
    ComScope com;
    if (!com.Usable())
        return installed;
    ComPtr<IWICImagingFactory> factory = CreateFactory();
    ComPtr<IEnumUnknown> decoders;
    if (!factory || FAILED(factory->CreateComponentEnumerator(
                        WICDecoder, WICComponentEnumerateDefault, decoders.Put())))
        return installed;
    for (;;) {
        ComPtr<IUnknown> item;
        ULONG fetched = 0;
        if (decoders->Next(1, item.Put(), &fetched) != S_OK || fetched != 1)
            break;
        ComPtr<IWICBitmapDecoderInfo> info;
        if (FAILED(item.As(info)))
            continue;
        GUID container{};
        if (FAILED(info->GetContainerFormat(&container)))
            container = GUID_NULL;
        std::wstring extensions;
        UINT length = 0;
        if (SUCCEEDED(info->GetFileExtensions(0, nullptr, &length)) && length > 0) {
            extensions.resize(length);
            if (FAILED(info->GetFileExtensions(length, extensions.data(), &length)))
                extensions.clear();
            extensions.resize(std::wcslen(extensions.c_str()));
        }
        for (std::size_t i = 0; i < FormatCount; ++i) {
            if ((Formats[i].Container && IsEqualGUID(*Formats[i].Container, container)) ||
                ListsExtension(extensions, Formats[i].Extension))
                installed[i] = true;
        }
    }
    return installed;
}

const std::vector<bool>& InstalledFormats() {
    static const std::vector<bool> installed = FindInstalledFormats();
    return installed;
}

bool IsInstalled(PictureFormat kind) {
    const std::vector<bool>& installed = InstalledFormats();
    for (std::size_t i = 0; i < FormatCount; ++i)
        if (Formats[i].Kind == kind)
            return installed[i];
    return false;
}

// How far a decode through WIC has got: the mean of the share of the bytes the decoder has read
// and of the rows copied out. A decoder that reads as the rows are asked for moves both together;
// one that reads or decodes everything first (this system's PNG, GIF and JPEG decoders, when
// they are created or at the first rows) moves the first, then the second.
class DecodeProgress {
public:
    explicit DecodeProgress(Progress& host) noexcept : FHost(host) {}
    bool Read(std::uint64_t done, std::uint64_t total) noexcept {
        FRead = std::max(FRead, Part(done, total)); // (decoders seek back to re-read)
        return Tell();
    }
    bool Copied(std::uint64_t done, std::uint64_t total) noexcept {
        FCopied = Part(done, total);
        return Tell();
    }
    bool Aborted() const noexcept { return FHost.Aborted(); }

private:
    static double Part(std::uint64_t done, std::uint64_t total) noexcept {
        return total == 0 ? 1.0 : static_cast<double>(std::min(done, total)) / total;
    }
    bool Tell() noexcept {
        return FHost.Report(static_cast<std::uint64_t>((FRead + FCopied) * 50000), 100000);
    }

    Progress& FHost;
    double FRead = 0, FCopied = 0;
};

// The picture's bytes as the stream WIC's decoders read, as they decode: each read reports how
// far into the bytes the decoder has got. Once the host has asked to stop, reads fail and the
// decoder gives up. The bytes and the progress belong to the call, which releases the decoder
// before it returns.
class ReportingStream final : public IStream {
public:
    ReportingStream(std::span<const std::uint8_t> data, DecodeProgress* progress) noexcept
        : FData(data), FProgress(progress) {}
    ReportingStream(const ReportingStream&) = delete;
    ReportingStream& operator=(const ReportingStream&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ISequentialStream) ||
            IsEqualIID(iid, IID_IStream)) {
            *out = static_cast<IStream*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        return static_cast<ULONG>(InterlockedIncrement(&FReferences));
    }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&FReferences);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE Read(void* out, ULONG size, ULONG* read) override {
        if (read)
            *read = 0;
        if (!out)
            return STG_E_INVALIDPOINTER;
        if (FProgress && FProgress->Aborted())
            return E_ABORT;
        const std::size_t n =
            FAt < FData.size() ? std::min<std::size_t>(size, FData.size() - FAt) : 0;
        if (n > 0)
            std::memcpy(out, FData.data() + FAt, n);
        FAt += n;
        if (read)
            *read = static_cast<ULONG>(n);
        if (FProgress)
            FProgress->Read(FAt, FData.size());
        return n == size ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override {
        return STG_E_ACCESSDENIED;
    }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin,
                                   ULARGE_INTEGER* position) override {
        long long base = 0;
        switch (origin) {
        case STREAM_SEEK_SET:
            break;
        case STREAM_SEEK_CUR:
            base = static_cast<long long>(FAt);
            break;
        case STREAM_SEEK_END:
            base = static_cast<long long>(FData.size());
            break;
        default:
            return STG_E_INVALIDFUNCTION;
        }
        if (move.QuadPart < -base)
            return STG_E_INVALIDFUNCTION;
        FAt = static_cast<std::size_t>(base + move.QuadPart);
        if (position)
            position->QuadPart = FAt;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*,
                                     ULARGE_INTEGER*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
        if (!stat)
            return STG_E_INVALIDPOINTER;
        *stat = STATSTG{};
        stat->type = STGTY_STREAM;
        stat->cbSize.QuadPart = FData.size();
        stat->grfMode = STGM_READ;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

private:
    ~ReportingStream() = default;

    std::span<const std::uint8_t> FData;
    DecodeProgress* FProgress;
    std::size_t FAt = 0;
    LONG FReferences = 1;
};

// One picture opened through WIC: the frame to show, its EXIF orientation and its pixel format.
struct OpenedPicture {
    ComPtr<IWICImagingFactory> Factory;
    ComPtr<IStream> Stream;
    ComPtr<IWICBitmapDecoder> Decoder;
    ComPtr<IWICBitmapFrameDecode> Frame;
    int Orientation = 1;
    UINT StoredWidth = 0, StoredHeight = 0;
    bool MayHaveAlpha = true;
    unsigned SourceBitCount = 24;
    WICPixelFormatGUID PixelFormat{};
};

// The orientation through WIC's metadata query; 0 where it gives none. Some WIC versions
// answer "not found" for every JPEG, so 0 is no proof that the tag is absent.
int QueryJpegOrientation(IWICBitmapFrameDecode* frame) {
    ComPtr<IWICMetadataQueryReader> reader;
    if (FAILED(frame->GetMetadataQueryReader(reader.Put())))
        return 0;
    PROPVARIANT value;
    PropVariantInit(&value);
    int orientation = 0;
    const HRESULT hr = reader->GetMetadataByName(L"/app1/ifd/{ushort=274}", &value);
    if (SUCCEEDED(hr) && value.vt == VT_UI2)
        orientation = NormalOrientation(value.uiVal);
    PropVariantClear(&value);
    return orientation;
}

// An icon holds the same picture at several sizes: show the largest.
UINT LargestFrame(IWICBitmapDecoder* decoder, UINT count) {
    UINT best = 0;
    unsigned long long bestArea = 0;
    for (UINT i = 0; i < count; ++i) {
        ComPtr<IWICBitmapFrameDecode> frame;
        UINT w = 0, h = 0;
        if (SUCCEEDED(decoder->GetFrame(i, frame.Put())) && SUCCEEDED(frame->GetSize(&w, &h)) &&
            1ull * w * h > bestArea) {
            bestArea = 1ull * w * h;
            best = i;
        }
    }
    return best;
}

bool IsIndexed(const GUID& format) {
    return IsEqualGUID(format, GUID_WICPixelFormat1bppIndexed) ||
           IsEqualGUID(format, GUID_WICPixelFormat2bppIndexed) ||
           IsEqualGUID(format, GUID_WICPixelFormat4bppIndexed) ||
           IsEqualGUID(format, GUID_WICPixelFormat8bppIndexed);
}

void ReadPixelFormat(OpenedPicture& picture) {
    WICPixelFormatGUID format{};
    if (FAILED(picture.Frame->GetPixelFormat(&format)))
        return;
    picture.PixelFormat = format;
    ComPtr<IWICComponentInfo> component;
    if (FAILED(picture.Factory->CreateComponentInfo(format, component.Put())))
        return;
    ComPtr<IWICPixelFormatInfo> info;
    if (SUCCEEDED(component.As(info))) {
        UINT bits = 0;
        if (SUCCEEDED(info->GetBitsPerPixel(&bits)) && bits > 0)
            picture.SourceBitCount = bits;
    }
    // A palette may hold a transparent entry whatever the format says about its channels.
    ComPtr<IWICPixelFormatInfo2> info2;
    BOOL transparency = TRUE;
    if (!IsIndexed(format) && SUCCEEDED(component.As(info2)) &&
        SUCCEEDED(info2->SupportsTransparency(&transparency)))
        picture.MayHaveAlpha = transparency != FALSE;
}

// The picture's DIB is 32-bit wherever it may have transparency.
unsigned DibBitCount(const OpenedPicture& picture) {
    return picture.MayHaveAlpha ? 32 : 24;
}

// Opens the frame to show and refuses it above the limit, as the frame's size tells before any
// pixel is decoded.
SusieResult Open(std::span<const std::uint8_t> data, OpenedPicture& picture,
                 DecodeProgress* progress = nullptr) {
    if (data.size() > std::numeric_limits<DWORD>::max())
        return SusieNoMemory;
    // Some WIC decoders (PNG and GIF on some systems) decode every pixel when the decoder is
    // created: what their headers say is checked first, at the least bits a DIB can have.
    for (const StoredSize& size : StoredPictureSizes(data))
        if (!WithinLimits(size.Width, size.Height, 24))
            return SusieNoMemory;
    picture.Factory = CreateFactory();
    if (!picture.Factory)
        return SusieInternalError;
    picture.Stream = ComPtr<IStream>::Adopt(new ReportingStream(data, progress));
    HRESULT hr = picture.Factory->CreateDecoderFromStream(
        picture.Stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand, picture.Decoder.Put());
    if (FAILED(hr))
        return ResultOf(hr);
    GUID container{};
    UINT frames = 0;
    if (FAILED(picture.Decoder->GetContainerFormat(&container)))
        container = GUID_NULL;
    if (FAILED(hr = picture.Decoder->GetFrameCount(&frames)))
        return ResultOf(hr);
    if (frames == 0)
        return SusieBrokenData;
    const UINT index = IsEqualGUID(container, GUID_ContainerFormatIco)
                           ? LargestFrame(picture.Decoder.Get(), frames)
                           : 0; // animations and multi-page files show their first picture
    if (FAILED(hr = picture.Decoder->GetFrame(index, picture.Frame.Put())) ||
        FAILED(hr = picture.Frame->GetSize(&picture.StoredWidth, &picture.StoredHeight)))
        return ResultOf(hr);
    if (picture.StoredWidth == 0 || picture.StoredHeight == 0)
        return SusieBrokenData;
    if (IsEqualGUID(container, GUID_ContainerFormatJpeg)) {
        int orientation = QueryJpegOrientation(picture.Frame.Get());
        if (orientation == 0)
            orientation = JpegExifOrientation(data);
        picture.Orientation = NormalOrientation(orientation);
    }
    ReadPixelFormat(picture);
    const bool swap = OrientationSwapsAxes(picture.Orientation);
    if (!WithinLimits(swap ? picture.StoredHeight : picture.StoredWidth,
                      swap ? picture.StoredWidth : picture.StoredHeight, DibBitCount(picture)))
        return SusieNoMemory;
    return SusieSuccess;
}

// Turns the BGRA source to the picture's orientation with flip-rotators, one step each, so
// that no combination of options needs interpreting.
HRESULT Orient(IWICImagingFactory* factory, ComPtr<IWICBitmapSource>& source, int orientation) {
    WICBitmapTransformOptions steps[2] = {WICBitmapTransformRotate0, WICBitmapTransformRotate0};
    switch (orientation) {
    case 2:
        steps[0] = WICBitmapTransformFlipHorizontal;
        break;
    case 3:
        steps[0] = WICBitmapTransformRotate180;
        break;
    case 4:
        steps[0] = WICBitmapTransformFlipVertical;
        break;
    case 5:
        steps[0] = WICBitmapTransformRotate90;
        steps[1] = WICBitmapTransformFlipHorizontal;
        break;
    case 6:
        steps[0] = WICBitmapTransformRotate90;
        break;
    case 7:
        steps[0] = WICBitmapTransformRotate270;
        steps[1] = WICBitmapTransformFlipHorizontal;
        break;
    case 8:
        steps[0] = WICBitmapTransformRotate270;
        break;
    default:
        return S_OK;
    }
    for (WICBitmapTransformOptions step : steps) {
        if (step == WICBitmapTransformRotate0)
            continue;
        ComPtr<IWICBitmapFlipRotator> rotator;
        HRESULT hr = factory->CreateBitmapFlipRotator(rotator.Put());
        if (SUCCEEDED(hr))
            hr = rotator->Initialize(source.Get(), step);
        if (FAILED(hr))
            return hr;
        ComPtr<IWICBitmapSource> next;
        if (FAILED(hr = rotator.As(next)))
            return hr;
        source = std::move(next);
    }
    return S_OK;
}

// The rows copied at a time: a thirty-second of the picture (a decoder that decodes as it is
// asked then reports as it goes), and no more than about a megabyte of pixels.
UINT BandRows(UINT width, UINT height) {
    const UINT byBytes = std::max<UINT>(1, (1u << 20) / std::max<UINT>(width, 1));
    return std::min(byBytes, std::max<UINT>(1, (height + 31) / 32));
}

// Copies the source (BGRA, or BGR with pixelBytes 3) into the DIB band by band, reporting each
// band.
HRESULT CopyIntoDib(IWICBitmapSource* source, unsigned pixelBytes, DibBuilder& dib,
                    DecodeProgress& progress) {
    const UINT width = dib.Width(), height = dib.Height();
    const UINT rows = BandRows(width, height);
    const UINT stride = width * pixelBytes;
    std::vector<std::uint8_t> band(std::size_t{stride} * rows);
    for (UINT y = 0; y < height; y += rows) {
        const UINT count = std::min(rows, height - y);
        const WICRect rect{0, static_cast<INT>(y), static_cast<INT>(width),
                           static_cast<INT>(count)};
        if (const HRESULT hr = source->CopyPixels(&rect, stride, stride * count, band.data());
            FAILED(hr))
            return hr;
        for (UINT r = 0; r < count; ++r)
            PackDibRow(band.data() + std::size_t{stride} * r, pixelBytes, ChannelOrder::Bgr, width,
                       dib.BitCount(), dib.RowFromTop(y + r));
        if (!progress.Copied(y + count, height))
            return E_ABORT;
    }
    return S_OK;
}

// Where a flip-rotator cannot turn the picture (some WIC versions leave quarter turns out),
// the stored pixels are read and turned here.
HRESULT CopyTurnedIntoDib(IWICBitmapSource* source, UINT width, UINT height, int orientation,
                          DibBuilder& dib, DecodeProgress& progress) {
    PixelImage stored;
    stored.Width = width;
    stored.Height = height;
    stored.Pixels.resize(std::size_t{width} * height * 4);
    const UINT stride = width * 4;
    const UINT rows = BandRows(width, height);
    for (UINT y = 0; y < height; y += rows) {
        const UINT count = std::min(rows, height - y);
        const WICRect rect{0, static_cast<INT>(y), static_cast<INT>(width),
                           static_cast<INT>(count)};
        if (const HRESULT hr = source->CopyPixels(&rect, stride, stride * count,
                                                  stored.Pixels.data() + std::size_t{stride} * y);
            FAILED(hr))
            return hr;
        if (!progress.Copied(y + count, height))
            return E_ABORT;
    }
    const PixelImage shown = ApplyOrientation(stored, orientation);
    for (UINT y = 0; y < shown.Height; ++y)
        PackDibRow(shown.Pixels.data() + std::size_t{shown.Width} * 4 * y, 4, ChannelOrder::Bgr,
                   shown.Width, dib.BitCount(), dib.RowFromTop(y));
    return S_OK;
}

#ifdef BUNDLED_WITHOUT_LCMS2
void ConvertColours(IWICImagingFactory*, IWICBitmapFrameDecode*, DibBuilder&) {
}
#else
// The ICC profile WIC gives for the frame (its first profile-type colour context), if any.
std::vector<std::uint8_t> FrameProfile(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame) {
    UINT count = 0;
    if (FAILED(frame->GetColorContexts(0, nullptr, &count)) || count == 0 || count > 16)
        return {};
    std::vector<ComPtr<IWICColorContext>> contexts(count);
    std::vector<IWICColorContext*> raw(count);
    for (UINT i = 0; i < count; ++i) {
        if (FAILED(factory->CreateColorContext(contexts[i].Put())))
            return {};
        raw[i] = contexts[i].Get();
    }
    if (FAILED(frame->GetColorContexts(count, raw.data(), &count)))
        return {};
    for (UINT i = 0; i < count && i < raw.size(); ++i) {
        WICColorContextType type{};
        UINT size = 0;
        if (FAILED(raw[i]->GetType(&type)) || type != WICColorContextProfile ||
            FAILED(raw[i]->GetProfileBytes(0, nullptr, &size)) || size == 0)
            continue;
        std::vector<std::uint8_t> bytes(size);
        if (SUCCEEDED(raw[i]->GetProfileBytes(size, bytes.data(), &size)) && size == bytes.size())
            return bytes;
    }
    return {};
}

// Converts the DIB's colours in place where the frame's profile asks for it.
void ConvertColours(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame, DibBuilder& dib) {
    ColourSource source;
    source.Icc = FrameProfile(factory, frame);
    if (source.Icc.empty())
        return;
    const Layout layout = dib.BitCount() == 32 ? Layout::Bgra8 : Layout::Bgr8;
    const Conversion conversion =
        ModuleColourManager().Plan(source, CurrentColourTarget(), layout, layout);
    if (!conversion)
        return;
    std::vector<std::uint8_t> stored(std::size_t{dib.Width()} * (dib.BitCount() / 8));
    for (std::uint32_t y = 0; y < dib.Height(); ++y) {
        std::copy_n(dib.RowFromTop(y), stored.size(), stored.data());
        conversion.Convert(stored.data(), dib.RowFromTop(y), dib.Width());
    }
}
#endif

} // namespace

const std::vector<std::string>& PluginTexts() {
    static const std::vector<std::string> texts = [] {
        std::vector<std::string> t{
            "00IN",
            "Windows Imaging Component import filter (the system's own decoders); " + LimitsText()};
        const std::vector<bool>& installed = InstalledFormats();
        for (std::size_t i = 0; i < FormatCount; ++i) {
            if (installed[i] && Formats[i].Declared) {
                t.emplace_back(Formats[i].Filter);
                t.emplace_back(Formats[i].Name);
            }
        }
        return t;
    }();
    return texts;
}

bool CanDecode(std::span<const std::uint8_t> head, std::string_view fileName) {
    const PictureFormat kind = SniffFormat(head, fileName);
    return kind != PictureFormat::Unknown && IsInstalled(kind);
}

SusieResult ReadFacts(std::span<const std::uint8_t> data, std::string_view, PictureFacts& facts) {
    ComScope com;
    if (!com.Usable())
        return SusieInternalError;
    OpenedPicture picture;
    if (const SusieResult r = Open(data, picture); r != SusieSuccess)
        return r;
    const bool swap = OrientationSwapsAxes(picture.Orientation);
    facts.Width = swap ? picture.StoredHeight : picture.StoredWidth;
    facts.Height = swap ? picture.StoredWidth : picture.StoredHeight;
    facts.BitCount = picture.SourceBitCount;
    double dpiX = 0, dpiY = 0;
    if (SUCCEEDED(picture.Frame->GetResolution(&dpiX, &dpiY))) {
        if (swap)
            std::swap(dpiX, dpiY);
        facts.DpiX = dpiX > 0 && dpiX < 65535 ? static_cast<unsigned>(dpiX + 0.5) : 0;
        facts.DpiY = dpiY > 0 && dpiY < 65535 ? static_cast<unsigned>(dpiY + 0.5) : 0;
    }
    return SusieSuccess;
}

SusieResult Decode(std::span<const std::uint8_t> data, std::string_view, Progress& progress,
                   DibBuilder& dib) {
    ComScope com;
    if (!com.Usable())
        return SusieInternalError;
    DecodeProgress decoding(progress); // outlives the picture's stream, which reports to it
    OpenedPicture picture;
    if (const SusieResult r = Open(data, picture, &decoding); r != SusieSuccess)
        return r;
    const bool swap = OrientationSwapsAxes(picture.Orientation);
    const UINT width = swap ? picture.StoredHeight : picture.StoredWidth;
    const UINT height = swap ? picture.StoredWidth : picture.StoredHeight;
    if (!dib.Create(width, height, DibBitCount(picture)))
        return SusieNoMemory;

    // A picture stored as BGR the right way up (most JPEGs) goes straight into the DIB.
    HRESULT hr = E_FAIL;
    if (picture.Orientation == 1 && dib.BitCount() == 24 &&
        IsEqualGUID(picture.PixelFormat, GUID_WICPixelFormat24bppBGR)) {
        hr = CopyIntoDib(picture.Frame.Get(), 3, dib, decoding);
        if (hr == E_ABORT || progress.Aborted())
            return SusieAborted;
        if (SUCCEEDED(hr)) {
            ConvertColours(picture.Factory.Get(), picture.Frame.Get(), dib);
            return SusieSuccess;
        }
    }

    // Everything else through a conversion to 32-bit BGRA: this WIC's conversions to 24-bit
    // fail for some sources, to 32-bit BGRA for none.
    ComPtr<IWICFormatConverter> converter;
    hr = picture.Factory->CreateFormatConverter(converter.Put());
    if (SUCCEEDED(hr))
        hr = converter->Initialize(picture.Frame.Get(), GUID_WICPixelFormat32bppBGRA,
                                   WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom);
    ComPtr<IWICBitmapSource> stored;
    if (SUCCEEDED(hr))
        hr = converter.As(stored);
    if (FAILED(hr))
        return ResultOf(hr);

    ComPtr<IWICBitmapSource> shown;
    stored.As(shown);
    hr = Orient(picture.Factory.Get(), shown, picture.Orientation);
    if (SUCCEEDED(hr))
        hr = CopyIntoDib(shown.Get(), 4, dib, decoding);
    if (FAILED(hr) && hr != E_ABORT && picture.Orientation != 1)
        hr = CopyTurnedIntoDib(stored.Get(), picture.StoredWidth, picture.StoredHeight,
                               picture.Orientation, dib, decoding);
    if (hr == E_ABORT || progress.Aborted())
        return SusieAborted;
    if (FAILED(hr))
        return ResultOf(hr);
    ConvertColours(picture.Factory.Get(), picture.Frame.Get(), dib);
    dib.DropOpaqueAlpha();
    return SusieSuccess;
}

} // namespace bundled
