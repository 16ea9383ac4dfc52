// The mouse wheel in the slideshow: down shows the next picture, up the previous, one picture per
// notch; with Ctrl held it steps the magnification up and down. High-resolution wheels and
// touchpads report parts of a notch, which add up to whole ones.
#pragma once

namespace tovane {

// One notch of the wheel, in the units the system reports (WHEEL_DELTA).
constexpr int kWheelNotch = 120;

enum class TWheelAction { None, NextGraphic, PreviousGraphic, BairituUp, BairituDown };

// What one notch does; delta > 0 is the wheel turned up (away from the user). Shift held does
// nothing, as the keys do nothing with a modifier they are not bound to.
TWheelAction WheelAction(int delta, bool ctrl, bool shift) noexcept;

// Adds the wheel's reports up to whole notches. A turn the other way, or with Ctrl pressed or
// let go, starts afresh: the part of a notch left over from before does not count.
class TWheelNotches {
public:
    // The whole notches this report completes, signed as delta.
    int Add(int delta, bool ctrl) noexcept;
    void Reset() noexcept { FRest = 0; }

private:
    int FRest = 0;
    bool FCtrl = false;
};

} // namespace tovane
