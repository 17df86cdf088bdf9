#pragma once
// What a button said when the user pressed it. A button whose text follows a state that a
// timer changes (start or stop) may change between the press and the release; the click
// then does what the button said under the user's finger, not what it says afterwards.
#include <QAbstractButton>
#include <QTimer>
#include <cstdint>
#include <functional>

namespace platform {

class TPressedState {
public:
    // Takes `state` at every press of `button`, for the click that follows the release.
    void Watch(QAbstractButton* button, std::function<int()> state)
    {
        QObject::connect(button, &QAbstractButton::pressed, button, [this, state] {
            FValue = state();
            ++FPresses;
            FPressed = true;
        });
        // The click comes out of the release's own handling; the press is forgotten after
        // it, unless the button was pressed again meanwhile.
        QObject::connect(button, &QAbstractButton::released, button, [this, button] {
            QTimer::singleShot(0, button, [this, press = FPresses] {
                if (FPresses == press) FPressed = false;
            });
        });
    }
    // The state at the press of the click being handled; `now` for a click without a press
    // (a menu item, a call).
    int At(int now) const { return FPressed ? FValue : now; }

private:
    int FValue = 0;
    std::uint64_t FPresses = 0;
    bool FPressed = false;
};

}  // namespace platform
