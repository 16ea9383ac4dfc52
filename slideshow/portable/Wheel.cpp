#include "slideshow/portable/Wheel.h"

namespace tovane {

TWheelAction WheelAction(int delta, bool ctrl, bool shift) noexcept {
    if (delta == 0 || shift)
        return TWheelAction::None;
    if (ctrl)
        return delta > 0 ? TWheelAction::BairituUp : TWheelAction::BairituDown;
    return delta > 0 ? TWheelAction::PreviousGraphic : TWheelAction::NextGraphic;
}

int TWheelNotches::Add(int delta, bool ctrl) noexcept {
    if (ctrl != FCtrl || (delta > 0 && FRest < 0) || (delta < 0 && FRest > 0))
        FRest = 0;
    FCtrl = ctrl;
    // In long long: a report near INT_MIN or INT_MAX cannot overflow the sum.
    const long long sum = static_cast<long long>(FRest) + delta;
    const long long notches = sum / kWheelNotch; // toward zero: the rest keeps the sign
    FRest = static_cast<int>(sum - notches * kWheelNotch);
    return static_cast<int>(notches);
}

} // namespace tovane
