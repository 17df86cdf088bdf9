#pragma once
// The platform's font dialog, behind a replaceable runner so that nothing modal ever
// blocks a test (the same rule as platform::Dialogs).
#include <functional>

class QWidget;
class TFont;

namespace platform {

// Shows the font dialog owned by Owner (may be null) preloaded with Font. True when the
// user confirmed; Font then holds the chosen name, size and style (its colour is kept).
using FontDialogRunner = std::function<bool(QWidget* Owner, TFont& Font)>;

bool RunFontDialog(QWidget* Owner, TFont& Font);
// Replaces the runner; an empty function puts the Qt dialog back.
void SetFontDialogRunner(FontDialogRunner runner);

}  // namespace platform
