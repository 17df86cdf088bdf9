#pragma once
// The platform's colour dialog, behind a replaceable runner so that nothing modal ever
// blocks a test (the same rule as platform::Dialogs).
#include <functional>
#include <vector>

#include "platform/GraphicsTypes.h"

class QWidget;

namespace platform {

struct ColorDialogRequest {
    TColor Color = clBlack;            // shown first; the chosen colour on return
    std::vector<TColor> CustomColors;  // the dialog's custom colours, in and out
};

// Shows the colour dialog owned by Owner (may be null). True when the user confirmed; the
// request then holds the chosen colour and the custom colours as the user left them.
using ColorDialogRunner = std::function<bool(QWidget* Owner, ColorDialogRequest& Request)>;

bool RunColorDialog(QWidget* Owner, ColorDialogRequest& Request);
// Replaces the runner; an empty function puts the Qt dialog back.
void SetColorDialogRunner(ColorDialogRunner runner);

}  // namespace platform
