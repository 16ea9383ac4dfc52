#include "app/FormMainU.h"

#include "app/ColourTarget.h"
#include "app/NormalizeFolderPath.h"
#include "dialogs/FormAboutBoxU.h"
#include "dialogs/FormOpenDirU.h"
#include "dialogs/FormOptionU.h"
#include "framework/win32/Application.h"
#include "framework/win32/Text.h"
#include "imaging/PluginHost.h"
#include "settings/portable/ImageExtensions.h"
#include "slideshow/FormSlideShowU.h"

#include <shellapi.h>

#include <utility>

namespace tovane {

std::unique_ptr<TFormMain> FormMain;

TFormMain::TFormMain(std::vector<std::wstring> folders, std::wstring iniPath)
    : FCommandLineFolders(std::move(folders)), FIniPath(std::move(iniPath)) {
}

void TFormMain::Loaded() {
    // Modules are tried, and pictures decoded, in the decoding host unless the settings file
    // says otherwise.
    if (ReadPluginIsolation(FIniPath))
        SPIs->Isolation = std::make_unique<TPluginHost>();
    // The 64-bit program runs 32-bit modules in its 32-bit host, whatever the setting says.
    if constexpr (sizeof(void*) == 8)
        SPIs->Isolation32 = TPluginHost::ForModules32();
    // The form has been read: the plug-in collection now searches its places. A module that
    // lacks a required export is skipped with one report naming it; the others serve.
    SPIs->OnLoadError = [](TSPIs&, const Exception& e) { Application().ShowErrorReport(e.what()); };
    SPIs->Loaded();
    Archives = std::make_unique<TArchiveReader>(*SPIs, ReadPluginIsolation(FIniPath));
    FSearch.UseArchives(Archives.get());
}

TFormMain::~TFormMain() {
    FSearch.Stop();
}

// -------------------------------------------------------------------------------- start-up

void TFormMain::FormCreate(TObject&) {
    AcceptFiles(true);

    // The pictures' extensions are the import modules' (an archive module's name archives).
    std::vector<std::vector<std::string>> entries;
    for (int i = 0; i < SPIs->Count(); ++i)
        if (SPIKindForVersion(SPIs->Items(i).APIVersion()) != SPIKind::Archive)
            entries.push_back(SPIs->Items(i).Extensions());
    FImageExtensions = BuildImageExtensions(entries, SystemLeadByte);

    StatusBar1.SetPanelText(2, AnsiToUtf8(StatusBarMask(FImageExtensions)));

    AssignCreateShortCuts(*this, ActionTable());

    LoadSettings();

    for (const std::wstring& arg : FCommandLineFolders)
        RegisterFolder(NormalizeFolderPath(arg), true);

    // Modules that faulted while being tried are left out; the user is told once, here.
    if (!SPIs->PreflightFaults().empty()) {
        std::string report;
        for (const std::string& fault : SPIs->PreflightFaults())
            report += (report.empty() ? "" : "\n") + fault;
        Application().ShowErrorReport(report);
    }
}

void TFormMain::FormDestroy(TObject&) {
    // Nothing may reach the list once destruction has begun; the settings are written before
    // the wait for the search thread, which may be blocked in the system.
    FSearch.Terminate();
    SaveWindowPos();
    FSearch.Stop();
    FImageExtensions.clear();
}

// The session ends (log-off, shutdown): the process may be ended at any moment after this
// message, so the search is stopped and the settings written as an exit would.
bool TFormMain::SessionMessage(UINT msg, WPARAM wParam, LRESULT& result) {
    if (msg == WM_QUERYENDSESSION) {
        result = TRUE;
        return true;
    }
    if (msg != WM_ENDSESSION)
        return false;
    if (wParam) {
        FSearch.Terminate();
        Application().Dispatch([this] { SaveWindowPos(); });
        FSearch.Stop();
    }
    result = 0;
    return true;
}

// -------------------------------------------------------------------------------- settings

namespace {

WindowGeometry GeometryOf(const RECT& r) {
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

BOOL CALLBACK AddWorkArea(HMONITOR monitor, HDC, LPRECT, LPARAM areas) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info))
        reinterpret_cast<std::vector<WindowGeometry>*>(areas)->push_back(GeometryOf(info.rcWork));
    return TRUE;
}

std::vector<WindowGeometry> MonitorWorkAreas() {
    std::vector<WindowGeometry> areas;
    EnumDisplayMonitors(nullptr, nullptr, &AddWorkArea, reinterpret_cast<LPARAM>(&areas));
    return areas;
}

} // namespace

void TFormMain::LoadSettings() {
    const WindowGeometry current{Left(), Top(), Width(), Height()};
    const WindowGeometry read = ReadWindowGeometry(FIniPath, current, GetSystemMetrics(SM_CXSCREEN),
                                                   GetSystemMetrics(SM_CYSCREEN));
    const WindowGeometry g =
        PlaceOnWorkAreas(read, MonitorWorkAreas(), {0, 0, Scale(600), Scale(400)});
    SetBounds(g.Left, g.Top, g.Width, g.Height);
    FSettings = ReadSlideShowSettings(FIniPath);
    FSettings.ColorManage = ReadColorManagement(FIniPath);
    // Before the first picture, so that the decoding host starts with it too.
    PublishColourTarget(FSettings.ColorManage, Handle());
}

void TFormMain::SaveWindowPos() {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    WindowGeometry g{Left(), Top(), Width(), Height()};
    // A minimised or maximised window keeps the position it will be restored to, which the
    // system gives in the coordinates of its monitor's work area.
    if ((IsIconic(Handle()) || IsZoomed(Handle())) && GetWindowPlacement(Handle(), &wp)) {
        g = GeometryOf(wp.rcNormalPosition);
        MONITORINFO info{};
        info.cbSize = sizeof info;
        const HMONITOR monitor = MonitorFromRect(&wp.rcNormalPosition, MONITOR_DEFAULTTONEAREST);
        if ((GetWindowLongPtrW(Handle(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW) == 0 &&
            GetMonitorInfoW(monitor, &info))
            g = WorkAreaToScreen(g, GeometryOf(info.rcMonitor), GeometryOf(info.rcWork));
    }
    WriteWindowGeometry(FIniPath, g);
}

void TFormMain::SaveSlideShowSettings() {
    WriteSlideShowSettings(FIniPath, FSettings);
    WriteColorManagement(FIniPath, FSettings.ColorManage);
}

// ---------------------------------------------------------------------------------- search

void TFormMain::RegisterFolder(const std::wstring& path, bool clearFirst) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    // A folder, or an archive the archive modules may read (a place of its own).
    const bool archive = Archives != nullptr && Archives->IsArchiveName(path);
    if (path.empty() || attributes == INVALID_FILE_ATTRIBUTES ||
        ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && !archive))
        return;
    FSearch.Register(path, clearFirst, FSettings.bFindSubDir);
}

void TFormMain::actFindSuspendExecute(TObject&) {
    FSearch.ToggleSuspend();
}

// ------------------------------------------------------------------------------- commands

void TFormMain::OpenFolderDialog(bool clearFirst) {
    auto dialog = std::make_unique<TBuiltForm<TFormOpenDir>>(
        this, FImageExtensions, ListBox1.Items(),
        Archives != nullptr ? Archives->Extensions() : std::vector<std::string>());
    if (dialog->ShowModal() != mrOk)
        return;
    // An archive chosen in the file list is the place; else the open folder.
    const std::wstring chosen = dialog->FileListBox1.FileName();
    RegisterFolder(Archives != nullptr && Archives->IsArchiveName(chosen)
                       ? chosen
                       : dialog->FileListBox1.Directory(),
                   clearFirst);
}

void TFormMain::actOpenExecute(TObject&) {
    OpenFolderDialog(true);
}

void TFormMain::actAppendOpenExecute(TObject&) {
    OpenFolderDialog(false);
}

void TFormMain::Exit1Click(TObject&) {
    Close();
}

void TFormMain::About1Click(TObject&) {
    auto dialog = std::make_unique<TBuiltForm<TFormAboutBox>>(this);
    dialog->ShowModal();
}

void TFormMain::actOptionExecute(TObject&) {
    auto dialog = std::make_unique<TBuiltForm<TFormOption>>(this, FSettings);
    if (dialog->ShowModal() == mrOk) {
        SaveSlideShowSettings();
        PublishTarget();
    }
}

void TFormMain::PublishTarget() {
    // Pictures kept for the old target would show its colours: the slideshow drops them.
    if (PublishColourTarget(FSettings.ColorManage, Handle()) && FormSlideShow != nullptr)
        FormSlideShow->ForgetPictures();
}

void TFormMain::ListBox1DblClick(TObject&) {
    actSlideShow.Execute();
}

void TFormMain::ListBox1Change(TObject&) {
    // The slideshow makes the picture of the place the cursor comes to rest on ready ahead.
    if (FormSlideShow != nullptr)
        FormSlideShow->FolderCursorMoved();
}

void TFormMain::actSlideShowExecute(TObject&) {
    if (ListBox1.Count() == 0)
        return;
    const int current = ListBox1.ItemIndex();
    if (current < 0)
        return;
    const std::wstring folder = ListBox1.Item(current);
    if (FormSlideShow == nullptr)
        return;
    FormSlideShow->SetPlace(folder);
    // The slideshow opens on this window's monitor, which may have moved to another one.
    PublishTarget();
    FormSlideShow->ShowModal();
    const int now = ListBox1.ItemIndex();
    if (now != current) {
        if (current < ListBox1.Count())
            ListBox1.SetSelected(current, false);
        if (now >= 0)
            ListBox1.SetSelected(now, true);
    }
}

FolderListModel TFormMain::ReadFolderList() const {
    FolderListModel model;
    model.Items = ListBox1.Items();
    for (int i = 0; i < static_cast<int>(model.Items.size()); ++i)
        model.Selected.push_back(ListBox1.Selected(i));
    model.ItemIndex = ListBox1.ItemIndex();
    return model;
}

void TFormMain::WriteFolderList(const FolderListModel& model) {
    const int top = ListBox1.TopIndex();
    const TRedrawPause pause(ListBox1);
    const int n = static_cast<int>(model.Items.size());
    while (ListBox1.Count() > n)
        ListBox1.Delete(ListBox1.Count() - 1);
    for (int i = 0; i < n; ++i) {
        if (i >= ListBox1.Count())
            ListBox1.Add(model.Items[i]);
        else if (ListBox1.Item(i) != model.Items[i]) {
            ListBox1.Delete(i);
            ListBox1.Insert(i, model.Items[i]);
        }
    }
    for (int i = 0; i < n; ++i)
        ListBox1.SetSelected(i, model.Selected[i]);
    if (model.ItemIndex >= 0)
        ListBox1.SetItemIndex(model.ItemIndex);
    ListBox1.SetTopIndex(top < n ? top : 0);
}

void TFormMain::actDeleteDirExecute(TObject&) {
    FolderListModel model = ReadFolderList();
    if (DeleteSelectedFolders(model))
        WriteFolderList(model);
}

void TFormMain::actDirUpExecute(TObject&) {
    FolderListModel model = ReadFolderList();
    if (MoveSelectedFoldersUp(model))
        WriteFolderList(model);
}

void TFormMain::actDirDownExecute(TObject&) {
    FolderListModel model = ReadFolderList();
    if (MoveSelectedFoldersDown(model))
        WriteFolderList(model);
}

void TFormMain::EditSelectAll1Execute(TObject&) {
    ListBox1.SelectAll();
}

void TFormMain::WMDropFiles(HDROP drop) {
    // The drop handle is released also when a registration raises.
    struct Finish {
        HDROP Drop;
        void Now() { DragFinish(std::exchange(Drop, nullptr)); }
        ~Finish() {
            if (Drop != nullptr)
                DragFinish(Drop);
        }
    } finish{drop};
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        // The name at its whole length, however long.
        const UINT length = DragQueryFileW(drop, i, nullptr, 0);
        std::wstring name(length + 1, L'\0');
        name.resize(DragQueryFileW(drop, i, name.data(), length + 1));
        if (name.empty())
            continue;
        const bool ctrl = GetKeyState(VK_CONTROL) < 0;
        RegisterFolder(name, !ctrl);
    }
    finish.Now();
    SetForegroundWindow(Handle());
}

} // namespace tovane
