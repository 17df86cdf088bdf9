#include "platform/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace platform {

void KeepOnScreen(QWidget* window)
{
    if (!window || !window->isWindow()) return;
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    QRect frame = window->frameGeometry();
    // The frame adds the same margins at any size.
    const QSize margins = frame.size() - window->size();
    if (frame.width() > area.width() || frame.height() > area.height()) {
        const QSize inner = (area.size() - margins).boundedTo(window->size());
        window->resize(inner.expandedTo(window->minimumSize()));
        frame = window->frameGeometry();
    }
    const int left = std::clamp(frame.left(), area.left(), std::max(area.left(), area.right() + 1 - frame.width()));
    const int top = std::clamp(frame.top(), area.top(), std::max(area.top(), area.bottom() + 1 - frame.height()));
    if (left != frame.left() || top != frame.top()) window->move(left, top);
}

}  // namespace platform
