#include "app/MainWindowSlideShowSource.h"

#include "app/FormMainU.h"
#include "framework/Exceptions.h"

namespace tovane {

namespace {

class MainWindowSource final : public TSlideShowSource {
public:
    int FolderCount() override { return Main().ListBox1.Count(); }
    std::wstring Folder(int index) override { return Main().ListBox1.Item(index); }
    int CurrentFolder() override { return Main().ListBox1.ItemIndex(); }
    void SetCurrentFolder(int index) override { Main().ListBox1.SetItemIndex(index); }
    SlideShowSettings Settings() override { return Main().FSettings; }
    std::vector<std::string> ImageExtensions() override { return Main().FImageExtensions; }
    TArchiveReader* Archives() override { return Main().Archives.get(); }
    // Beside the settings file: Tovane.ini gives Tovane.resume.
    std::wstring ResumeFilePath() override {
        std::wstring path = Main().IniPath();
        const std::size_t dot = path.find_last_of(L'.');
        const std::size_t folder = path.find_last_of(L"\\/:");
        if (dot != std::wstring::npos && (folder == std::wstring::npos || dot > folder))
            path.resize(dot);
        return path + L".resume";
    }

private:
    static TFormMain& Main() {
        if (FormMain == nullptr)
            throw Exception("The main window does not exist");
        return *FormMain;
    }
};

} // namespace

std::unique_ptr<TSlideShowSource> MakeMainWindowSlideShowSource() {
    return std::make_unique<MainWindowSource>();
}

} // namespace tovane
