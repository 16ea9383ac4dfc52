#include "slideshow/portable/ResumePoints.h"

#include <algorithm>

namespace tovane {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

} // namespace

TResumePoints TResumePoints::Parse(std::string_view text) {
    if (text.substr(0, kBom.size()) == kBom)
        text.remove_prefix(kBom.size());
    TResumePoints points;
    while (!text.empty() && points.FPoints.size() < kMaxPlaces) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos || tab == 0)
            continue;
        const std::string_view rest = line.substr(tab + 1);
        const std::size_t tab2 = rest.find('\t');
        TResumePoint point{std::string(line.substr(0, tab)), std::string(rest.substr(0, tab2)),
                           tab2 == std::string_view::npos ? std::string()
                                                          : std::string(rest.substr(tab2 + 1))};
        if (point.Name.empty() || points.Find(point.Place) != nullptr)
            continue;
        points.FPoints.push_back(std::move(point));
    }
    return points;
}

std::string TResumePoints::Text() const {
    std::string text;
    for (const TResumePoint& p : FPoints)
        text += p.Place + '\t' + p.Name + '\t' + p.Next + "\r\n";
    return text;
}

const TResumePoint* TResumePoints::Find(std::string_view place) const {
    const auto it = std::find_if(FPoints.begin(), FPoints.end(),
                                 [place](const TResumePoint& p) { return p.Place == place; });
    return it == FPoints.end() ? nullptr : &*it;
}

void TResumePoints::Remember(TResumePoint point) {
    std::erase_if(FPoints, [&](const TResumePoint& p) { return p.Place == point.Place; });
    FPoints.insert(FPoints.begin(), std::move(point));
    if (FPoints.size() > kMaxPlaces)
        FPoints.resize(kMaxPlaces);
}

} // namespace tovane
