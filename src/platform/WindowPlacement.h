#pragma once
// Where top-level windows go: wholly on the screen they belong to.
class QWidget;

namespace platform {

// Moves a top-level window, frame included, into the free area of its screen; a window larger
// than that area is made smaller. Child widgets are left alone.
void KeepOnScreen(QWidget* window);

}  // namespace platform
