#pragma once
// The reasons the platform layer gives in its error texts (a save that does not follow a
// link, a serial port that cannot be opened), in the words of the text table.
#include "platform/ReasonTexts.h"
#include "resources/TextRows.h"

// The text table's row of a reason.
resources::TextRow ReasonRow(platform::TReason reason);
// From now on the platform layer words its reasons in `language` (0 German, 1 English);
// -1 gives it back its own English words.
void UseReasonWords(int language);
