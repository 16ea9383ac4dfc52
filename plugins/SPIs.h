// The plug-in host: one loaded Susie plug-in module (TSPI and its subclasses, made by
// LoadPlugin) and the collection that finds, loads, orders and describes them and registers the
// picture formats of the import plug-ins (TSPIs).
//
// Threads: everything here runs on the user-interface thread only; nothing holds a lock.
// Text: paths, file names and plug-in texts are ANSI (system code page) byte strings; exception
// messages are UTF-8.
#pragma once

#include "framework/Exceptions.h"
#include "framework/GraphicClass.h"
#include "framework/win32/Handles.h"
#include "framework/win32/Text.h"
#include "plugins/SusieAPI.h"
#include "plugins/portable/SPIRules.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace tovane {

class TSPIIsolation;

// "<name>:Susie Pluginがロードできませんでした": the module could not be loaded.
class ESPIFOpenErrorSPI : public Exception {
public:
    explicit ESPIFOpenErrorSPI(std::string_view fileNameAnsi);
};

// "<export>は[<FileName>]では使えないSusie Plugin APIです": a required export is missing, or a
// call was made to an export the module lacks.
class ESPIInvalidAPI : public Exception {
public:
    ESPIInvalidAPI(std::string_view exportName, std::string_view fileNameAnsi);
    const std::string& ExportName() const { return FExportName; }

private:
    std::string FExportName;
};

// Declared for an invalid plug-in; never raised here. LoadPlugin absorbs it like
// ESPIFOpenErrorSPI.
class ESPIInvalidSPI : public Exception {
public:
    using Exception::Exception;
};

// "TSPIs は複数生成できません": a second collection while one is alive.
class ESPIDupCreateSPIs : public Exception {
public:
    ESPIDupCreateSPIs();
};

// One loaded plug-in module. The object owns one load of the module (two wrappers of one file
// keep it loaded until both are gone) and never changes after construction. Pass-through calls
// check that the export exists (else ESPIInvalidAPI, and the module is not called), call it with
// the arguments given and return its result unchanged.
//
// Construct through the static Create of the class wanted (or LoadPlugin, which picks the class
// from the API version). Create raises ESPIFOpenErrorSPI when the file cannot be loaded as a
// module and ESPIInvalidAPI when an export that the class requires is missing.
//
// A module that this process cannot load (a 32-bit module in the 64-bit program) is loaded in
// a decoding host instead (CreateHosted): the wrapper then holds the host's description of it
// and no module here; Host() names the host, through which every call of it goes. Its exports
// are not here: a pass-through call raises ESPIInvalidAPI and GetProc answers null.
class TSPI {
public:
    static std::unique_ptr<TSPI> Create(const std::string& fileName);
    // The wrapper of the class that the description's API version selects, for a module that
    // host has loaded and described (host not owned; it outlives the wrapper).
    static std::unique_ptr<TSPI> CreateHosted(const SPIDescription& description,
                                              TSPIIsolation& host);
    virtual ~TSPI();
    TSPI(const TSPI&) = delete;
    TSPI& operator=(const TSPI&) = delete;

    // Null for a module loaded in a host.
    HMODULE Handle() const { return FHandle.Get(); }
    // The host that loaded the module and makes its calls; null when it is loaded here.
    TSPIIsolation* Host() const { return FHost; }
    // The module's bitness (32 or 64): this process's, or its host's.
    int Bits() const { return FBits; }
    // The loaded module's full path as the system reports it (else the name given to Create).
    const std::string& FileName() const { return FFileName; }
    // GetPluginInfo index 0 and 1; empty when the plug-in answered <= 0.
    const std::string& APIVersion() const { return FAPIVersion; }
    const std::string& PluginInfo() const { return FPluginInfo; }
    // Parallel lists: filter entries of indexes 2, 4, ... and the format names of 3, 5, ...
    const std::vector<std::string>& Extensions() const { return FExtensions; }
    const std::vector<std::string>& FormatNames() const { return FFormatNames; }
    // True for the classes that decode or unpack (TInSPI, TAmSPI).
    bool Usable() const { return FUsable; }

    // The export's address in the module, null if absent.
    FARPROC GetProc(const char* exportName) const;
    // Returns if address is set; else raises ESPIInvalidAPI naming the export and FileName.
    void RequireExport(const void* address, const char* exportName) const;

    int GetPluginInfo(int infono, char* buf, int buflen) const;

protected:
    // Loads the module, records its path and looks up the exports. Subclasses' Create call
    // Construct, which then lets the finished object describe itself.
    explicit TSPI(const std::string& fileName);
    TSPI(const SPIDescription& description, TSPIIsolation& host);
    template <typename T> static std::unique_ptr<T> Construct(const std::string& fileName) {
        static_assert(std::is_base_of_v<TSPI, T>);
        std::unique_ptr<T> spi(new T(fileName));
        spi->Describe();
        return spi;
    }

    // Requires, base first, every export that the class needs (the first missing one raises).
    virtual void CheckExports() const;
    virtual bool IsUsable() const { return false; }

    struct Exports {
        GetPluginInfoFunc GetPluginInfo = nullptr;
        IsSupportedFunc IsSupported = nullptr;
        GetPictureInfoFunc GetPictureInfo = nullptr;
        GetPictureFunc GetPicture = nullptr;
        GetPreviewFunc GetPreview = nullptr;
        GetArchiveInfoFunc GetArchiveInfo = nullptr;
        GetFileInfoFunc GetFileInfo = nullptr;
        GetFileFunc GetFile = nullptr;
        GetArchiveInfoWFunc GetArchiveInfoW = nullptr;
        GetFileWFunc GetFileW = nullptr;
        ConfigurationDlgFunc ConfigurationDlg = nullptr;
    };
    const Exports& Api() const { return FExports; }
    // RequireExport for one of the export pointers above.
    template <typename F> void Require(F export_, const char* exportName) const {
        RequireExport(reinterpret_cast<const void*>(export_), exportName);
    }
    // A pass-through call: the export (required), called with the arguments as given.
    template <typename F, typename... Args>
    int Pass(F export_, const char* exportName, Args... args) const {
        Require(export_, exportName);
        return export_(args...);
    }

private:
    void Describe();                                      // CheckExports, self-description, Usable
    std::optional<std::string> InfoText(int index) const; // nothing when it answers <= 0

    UniqueModule FHandle;
    std::string FFileName;
    std::string FAPIVersion;
    std::string FPluginInfo;
    std::vector<std::string> FExtensions;
    std::vector<std::string> FFormatNames;
    bool FUsable = false;
    Exports FExports;
    TSPIIsolation* FHost = nullptr;
    int FBits = static_cast<int>(sizeof(void*) * 8);
};

// A module that can be asked whether it takes some data: base of import and archive modules.
class TLoaderSPI : public TSPI {
public:
    // fileName: NUL-terminated ANSI name; data: the data's first 2048 bytes (zero-padded past
    // the end of short data). Nonzero: the plug-in can handle it.
    int IsSupported(const char* fileName, const void* data) const;

protected:
    using TSPI::TSPI;
    void CheckExports() const override;
};

// An import plug-in ("00IN"): decodes pictures.
//
// Reading calls take the Susie source convention: flag 0 = source is the file's path (ANSI,
// NUL-terminated) and length the byte offset of the picture data in the file; flag 1 = source
// is the data in memory and length its byte count.
class TInSPI : public TLoaderSPI {
public:
    static std::unique_ptr<TInSPI> Create(const std::string& fileName);

    // 0 = success. info always receives a whole record in this build's layout; its hInfo is
    // the handle the module wrote (in whichever of the two 64-bit layouts it wrote it) or null
    // when it wrote none, so the caller may free a non-null hInfo with LocalFree.
    int GetPictureInfo(const char* source, SusieLength length, unsigned int flag,
                       PictureInfo* info) const;
    // 0 = success; then *info and *bits are local-memory handles to the BITMAPINFO (with
    // colour table) and the pixel bits, owned by the caller. Whatever the module leaves there
    // on another result is not to be trusted. progress may be null; userData comes back to it.
    int GetPicture(const char* source, SusieLength length, unsigned int flag, HLOCAL* info,
                   HLOCAL* bits, SusieProgressCallback progress, SusieUserData userData) const;
    // As GetPicture; optional export: raises ESPIInvalidAPI when the module has none.
    int GetPreview(const char* source, SusieLength length, unsigned int flag, HLOCAL* info,
                   HLOCAL* bits, SusieProgressCallback progress, SusieUserData userData) const;

protected:
    using TLoaderSPI::TLoaderSPI;
    void CheckExports() const override;
    bool IsUsable() const override { return true; }
    friend class TSPI;
};

// An archive plug-in ("00AM"): lists an archive's entries and unpacks one of them.
//
// The calls take the Susie source convention of import plug-ins (flag 0: source is the
// archive's path and length the offset of the archive in the file; flag 1: the archive in
// memory). GetFile takes the entry's position from its record as the length argument and,
// with SusieDestinationMemory in the flag, hands the entry's bytes over in local memory.
class TAmSPI : public TLoaderSPI {
public:
    static std::unique_ptr<TAmSPI> Create(const std::string& fileName);

    // 0 = success; then *records is the caller's block of entry records.
    int GetArchiveInfo(const char* source, SusieLength length, unsigned int flag,
                       HLOCAL* records) const;
    int GetFile(const char* source, SusieLength position, char* dest, unsigned int flag,
                SusieProgressCallback progress, SusieUserData userData) const;
    // Whether the module has the wide twins (GetArchiveInfoW and GetFileW), which take UTF-16
    // paths and name the entries in UTF-16. The W calls raise ESPIInvalidAPI without them.
    bool HasWideCalls() const {
        return Api().GetArchiveInfoW != nullptr && Api().GetFileW != nullptr;
    }
    int GetArchiveInfoW(const wchar_t* source, SusieLength length, unsigned int flag,
                        HLOCAL* records) const;
    int GetFileW(const wchar_t* source, SusieLength position, wchar_t* dest, unsigned int flag,
                 SusieProgressCallback progress, SusieUserData userData) const;

protected:
    using TLoaderSPI::TLoaderSPI;
    void CheckExports() const override;
    bool IsUsable() const override { return true; }
    friend class TSPI;
};

// A "00XN" module: known by version, no decoding role.
class TXnSPI : public TSPI {
public:
    static std::unique_ptr<TXnSPI> Create(const std::string& fileName);

protected:
    using TSPI::TSPI;
    friend class TSPI;
};

// Loads the module once as a plain TSPI to read its API version, then as the class that the
// version selects ("00IN" TInSPI, "00AM" TAmSPI, "00XN" TXnSPI, anything else TSPI). Null, and
// no message, when the file cannot be loaded as a module; ESPIInvalidAPI passes on.
std::unique_ptr<TSPI> LoadPlugin(const std::string& fileName);

class TSPIs;

// A place outside this process where modules are tried and called (the decoding host), so that
// one that faults costs a picture, not the program. The collection asks it about each candidate
// before loading it here; the decoding job sends its picture calls there.
class TSPIIsolation {
public:
    virtual ~TSPIIsolation() = default;
    // Loads the module there and reads its self-description. Empty when that came through;
    // otherwise the message (UTF-8) naming the module, which is then not loaded here.
    virtual std::string Preflight(const std::string& fileName) = 0;

    // For a module that only the host can load: loads it there and describes it. Raises
    // ESPIInvalidAPI when it lacks a required export.
    struct THostedLoad {
        std::optional<SPIDescription> Description; // nothing: not loadable there either
        std::string Fault; // UTF-8: the module faulted or hung while being loaded (not used)
    };
    virtual THostedLoad LoadHosted(const std::string& fileName) {
        (void)fileName;
        return {};
    }
};

// Events. Unset events are skipped; handlers answer through the references.
using TSPISearchEvent = std::function<void(TSPIs& sender, TSPI& spi, bool& accept)>;
using TSPISearchingEvent =
    std::function<void(TSPIs& sender, const std::string& fileName, bool& accept)>;
// A module found by the search that cannot serve (it lacks an export its kind requires): the
// search skips it and goes on. error is the ESPIInvalidAPI that names the export and module.
using TSPILoadErrorEvent = std::function<void(TSPIs& sender, const Exception& error)>;
using TSPIPictureRegisterEvent =
    std::function<void(TSPIs& sender, TInSPI& spi, const std::string& extension,
                       const std::string& description, TGraphicClass& graphicClass)>;

// The plug-in collection. At most one is alive (Instance); it owns its plug-ins in a fixed
// order and destroys them first to last. Inserting an import plug-in registers its picture
// formats with FileFormats() for DefaultGraphicClass (or the class OnPictureRegister leaves).
// The main window owns it; the decoding job reaches it through Instance().
class TSPIs {
public:
    // Raises ESPIDupCreateSPIs while another collection is alive (that one is not touched).
    TSPIs();
    ~TSPIs();
    TSPIs(const TSPIs&) = delete;
    TSPIs& operator=(const TSPIs&) = delete;

    // The live collection or null.
    static TSPIs* Instance();
    // The class offered to OnPictureRegister and registered for plug-in formats; null until
    // the decoding unit sets it at start-up.
    static TGraphicClass DefaultGraphicClass();
    static void SetDefaultGraphicClass(TGraphicClass graphicClass);

    // Called by the owner once its settings are in place: Search(AutoSearchMask()) when
    // AutoSearch.
    void Loaded();
    // DefaultSPIMask, and "*.spi" besides when Isolation32 is set.
    std::string AutoSearchMask() const;

    int Count() const { return static_cast<int>(FList.size()); }
    // Raises EListError for an index outside 0..Count-1.
    TSPI& Items(int index) const;
    void Add(std::unique_ptr<TSPI> spi);
    // Takes ownership at position index (0..Count, else EListError); then, for a TInSPI,
    // registers its picture formats (the plug-in stays in the list if that raises).
    void Insert(int index, std::unique_ptr<TSPI> spi);
    // Destroys the plug-in (unloading its module); its registered formats stay. Clears
    // GraphicForcedLoader when it was that plug-in.
    void Delete(int index);
    // First plug-in whose FileName equals path ignoring the case of ASCII letters; -1 if none.
    int IndexOf(std::string_view path) const;
    void Clear();

    // Finds and loads plug-ins. A mask with a folder ("C:\x\*.sph") searches only that folder;
    // a bare mask visits the places in SearchOptions in their order. A mask may hold several
    // patterns separated by ";" ("*.sph;*.spi"): a folder's files matching any of them are
    // taken in the file system's order. With Isolation32 set, a candidate that is a 32-bit
    // module is loaded in that host (TSPI::CreateHosted), whatever Isolation says. Unloadable files
    // are skipped silently; a module lacking a required export (ESPIInvalidAPI) is skipped and
    // handed to OnLoadError, so one stray file cannot keep the program from starting; exceptions
    // from OnSearching end the search and pass on (plug-ins added before stay); exceptions from
    // OnSearch or adding drop that plug-in.
    void Search(std::string_view mask);

    // Fills target (owned by the caller; the plug-ins stay the collection's) with the plug-ins
    // of class T (subclasses included) in trial order for fileName, which may also be a bare
    // extension such as ".jpg": those declaring the extension first (the last of them in
    // collection order at the very front), then the others in collection order.
    template <typename T>
    void CollectLoaders(std::string_view fileName, std::vector<T*>& target) const {
        std::vector<T*> candidates;
        for (const auto& spi : FList)
            if (auto* p = dynamic_cast<T*>(spi.get()))
                candidates.push_back(p);
        CollectByExtension<T*>(
            std::span<T* const>(candidates), fileName, target,
            [](T* p) -> const std::vector<std::string>& { return p->Extensions(); },
            SystemLeadByte);
    }

    // Settings (the main window stores MacBinary true, GraphicPreview false, AutoSearch true,
    // SearchOptions [spsSusieDir, spsAppDir, spsSystemDir, spsWindowsDir]).
    bool MacBinary = true;       // try each plug-in at both MacBinaryOffsets, else at 0 only
    bool GraphicPreview = false; // ask GetPreview before GetPicture
    TInSPI* GraphicForcedLoader = nullptr; // when set, the only plug-in tried; not owned
    bool AutoSearch = true;
    TSPISearchOptions SearchOptions{TSPISearchOption::spsSusieDir, TSPISearchOption::spsAppDir};
    TSPISearchEvent OnSearch;
    TSPISearchingEvent OnSearching;
    TSPIPictureRegisterEvent OnPictureRegister;
    // Null: modules are loaded and called in this process only. Set before Search: candidates
    // go through its Preflight first, and picture calls run there. Owned.
    std::unique_ptr<TSPIIsolation> Isolation;
    // 64-bit program: the 32-bit decoding host, which loads and runs the 32-bit modules (*.spi)
    // that this process cannot load. Set before Search; owned. Null in the 32-bit build.
    std::unique_ptr<TSPIIsolation> Isolation32;
    // The messages of the candidates that the pre-flight refused, in search order.
    const std::vector<std::string>& PreflightFaults() const { return FPreflightFaults; }
    TSPILoadErrorEvent OnLoadError;

private:
    void SearchFolder(const std::string& folder, std::string_view mask);
    // The candidate loaded as the search loads it: here (after Isolation's pre-flight) or, for
    // a module of the other bitness, in Isolation32. Null when it is not taken.
    std::unique_ptr<TSPI> LoadCandidate(const std::string& candidate);
    void SearchLocations(std::string_view mask);
    void RegisterFormats(TInSPI& spi);
    void CheckIndex(int index, int upper) const;

    std::vector<std::unique_ptr<TSPI>> FList;
    std::vector<std::string> FPreflightFaults;
};

} // namespace tovane
