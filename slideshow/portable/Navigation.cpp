#include "slideshow/portable/Navigation.h"

#include "settings/portable/SettingsRules.h"

namespace tovane {

std::optional<int> NextGraphicTarget(int i, int n) {
    if (i < n - 1)
        return i + 1;
    return std::nullopt;
}

std::optional<int> PreviousGraphicTarget(int i, int) {
    if (i > 0)
        return i - 1;
    return std::nullopt;
}

std::optional<int> Next10GraphicTarget(int i, int n) {
    if (i + 10 < n)
        return i + 10;
    if (i < n - 1)
        return n - 1;
    return std::nullopt;
}

std::optional<int> Previous10GraphicTarget(int i, int) {
    if (i >= 10)
        return i - 10;
    if (i > 0)
        return 0;
    return std::nullopt;
}

std::optional<int> HomeGraphicTarget(int i, int) {
    if (i > 0)
        return 0;
    return std::nullopt;
}

std::optional<int> EndGraphicTarget(int i, int n) {
    if (i < n - 1)
        return n - 1;
    return std::nullopt;
}

bool SelectDir(SlideShowHost& host, int index) {
    if (index < 0)
        return false;
    if (index >= host.FolderCount())
        return false;
    if (index != host.CurrentFolder())
        host.MakeFolderCurrent(index);
    return true;
}

void StepFolder(SlideShowHost& host, int delta) {
    if (SelectDir(host, host.CurrentFolder() + delta))
        host.ShowGraphic(0);
}

void Navigate(SlideShowHost& host, std::optional<int> (*target)(int i, int n)) {
    if (const auto k = target(host.ImageIndex(), host.ImageCount()))
        host.ShowGraphic(*k);
}

void TimerTick(SlideShowHost& host) {
    if (const auto next = NextGraphicTarget(host.ImageIndex(), host.ImageCount())) {
        host.ShowGraphic(*next);
        return;
    }
    if (host.AllDir() && SelectDir(host, host.CurrentFolder() + 1)) {
        host.ShowGraphic(0);
        return;
    }
    switch (host.LastAction()) {
    case laReturnToMain:
        host.CloseSlideShow();
        break;
    case laFirstAndWait:
        if (host.AllDir())
            SelectDir(host, 0);
        host.ShowGraphic(0);
        host.SetPlaying(false);
        break;
    case laStayAtLast:
        host.SetPlaying(false);
        break;
    case laRepeat:
        host.NewRound();
        if (host.AllDir())
            SelectDir(host, 0);
        host.ShowGraphic(0); // restarts the timer while playing
        break;
    default:
        // An unknown action: the timer keeps running and each tick ends here again.
        break;
    }
}

std::optional<double> BairituChange(double current, double value) {
    if (value < kMinBairitu || value > kMaxBairitu)
        return std::nullopt;
    if (value == current)
        return std::nullopt;
    return value;
}

} // namespace tovane
