#include "slideshow/portable/Placement.h"

#include "framework/Strings.h"

#include <climits>
#include <cmath>
#include <string>

namespace tovane {

namespace {

using Extended = long double;

// Drops the fractional part. Values beyond the range of int saturate and a value that is not
// a number gives 0, so that absurd picture sizes cannot turn into undefined conversions.
int Truncate(Extended value) {
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<Extended>(INT_MAX))
        return INT_MAX;
    if (value <= static_cast<Extended>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(value);
}

// Division of an integer by 2 rounding toward zero, on a width that cannot overflow.
int Halve(long long value) {
    return static_cast<int>(value / 2);
}

} // namespace

int DigitCount(int n) {
    int digits = 1;
    while (n >= 10) {
        n /= 10;
        ++digits;
    }
    return digits;
}

ImagePlacement PlaceImage(int w, int h, double bairitu, int windowWidth, int windowHeight) {
    ImagePlacement p;
    const Extended factor = bairitu;
    p.ScaledWidth = Truncate(static_cast<Extended>(w) * factor);
    p.ScaledHeight = Truncate(static_cast<Extended>(h) * factor);
    const Extended sw = p.ScaledWidth;
    const Extended sh = p.ScaledHeight;
    const Extended W = windowWidth;
    const Extended H = windowHeight;

    if (p.ScaledWidth <= windowWidth && p.ScaledHeight <= windowHeight) {
        p.Width = p.ScaledWidth;
        p.Height = p.ScaledHeight;
    } else if (sh / H >= sw / W) {
        // The height limits. sh is above 0 here: otherwise sw / W would have to be 0 too and
        // the picture would have fitted.
        p.Height = windowHeight;
        const Extended IH = p.Height;
        p.Width = Truncate(sw / (sh / IH));
    } else {
        // The width limits; sw is above 0 because sw / W exceeds sh / H >= 0.
        p.Width = windowWidth;
        const Extended IW = p.Width;
        p.Height = Truncate(sh / (sw / IW));
    }
    p.Left = Halve(static_cast<long long>(windowWidth) - p.Width);
    p.Top = Halve(static_cast<long long>(windowHeight) - p.Height);
    return p;
}

std::string IndexLabelText(double bairitu, const ImagePlacement& placement, int w, int h) {
    const Extended percent = static_cast<Extended>(bairitu) * 100;
    std::string text = Format("%.f%%", static_cast<double>(percent));
    if (placement.Fitted()) {
        Extended shown;
        if (h != 0)
            shown = static_cast<Extended>(placement.Height) / h * 100;
        else
            shown = w != 0 ? static_cast<Extended>(placement.Width) / w * 100 : 0;
        text += Format(" ( %.1f%% )", static_cast<double>(shown));
    }
    return text;
}

std::string NumberedLine(int digits, int number, int count, std::string_view text) {
    return Format("%*d / %*d  %.*s", digits, number, digits, count, static_cast<int>(text.size()),
                  text.data());
}

int LabelNumberDigits(int folderCount, int imageCount) {
    const int a = DigitCount(folderCount);
    const int b = DigitCount(imageCount);
    return a > b ? a : b;
}

} // namespace tovane
