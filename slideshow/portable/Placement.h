// Where and how large the slideshow shows a picture, and the texts of the three per-image
// labels. Pure arithmetic: the window feeds in the picture's natural size, the magnification
// and its own size, and applies the result to its image control and labels.
//
// Products and ratios are computed in 80-bit extended floating point (long double on x86 with
// GCC and MinGW), in the order written, and truncated once at the end.
#pragma once

#include <string>
#include <string_view>

namespace tovane {

// Number of decimal digits of n: 1 for every n below 10 (0 and negatives included).
int DigitCount(int n);

struct ImagePlacement {
    int ScaledWidth = 0;  // sw: natural width times the magnification, truncated
    int ScaledHeight = 0; // sh
    int Left = 0;         // the control's bounds in window pixels
    int Top = 0;
    int Width = 0;
    int Height = 0;
    // True when the scaled picture did not fit and was shrunk to the window.
    bool Fitted() const { return ScaledWidth != Width; }
};

// Sizes a picture of w x h by the magnification, shrinks it to a window of W x H when it does
// not fit (keeping its proportions; on equal ratios the height limits) and centres it.
ImagePlacement PlaceImage(int w, int h, double bairitu, int windowWidth, int windowHeight);

// Text of LabelIndex: the magnification in percent ("150%") and, when the picture was shrunk to
// the window, the scale at which it is really shown (" ( 128.0% )"). The real scale is taken
// from the heights; a picture with no height (h = 0) that was fitted by its width takes it from
// the widths instead, so the text never shows a meaningless number.
std::string IndexLabelText(double bairitu, const ImagePlacement& placement, int w, int h);

// One line of LabelPath or LabelFile: number and count right-aligned in `digits` places, then
// two spaces and the text ("  3 / 120  name.jpg"). A longer number is not cut.
std::string NumberedLine(int digits, int number, int count, std::string_view text);

// Places of the numbers of both lines: the larger digit count of the two counts.
int LabelNumberDigits(int folderCount, int imageCount);

} // namespace tovane
