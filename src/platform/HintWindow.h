#pragma once
// The application's hint window: one text shown near the mouse after the hint pause, as
// the class library's application object shows control hints.
#include "platform/AnsiString.h"
#include "platform/GraphicsTypes.h"

class QWidget;

namespace platform {

// Milliseconds the mouse rests before a hint shows (500 at start).
int HintPause();
void SetHintPause(int Milliseconds);

// Shows Text at ScreenPos (screen coordinates) for Owner once the hint pause has passed;
// a later call replaces a pending or shown hint.
void ActivateHint(QWidget* Owner, const TPoint& ScreenPos, const AnsiString& Text);
// Hides the hint window and drops a pending hint.
void CancelHint();

}  // namespace platform
