#pragma once
// The hour-glass cursor while a handler works: the normal cursor comes back however the
// handler ends.
#include <QGuiApplication>

class TTeeHourGlass {
public:
    TTeeHourGlass() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TTeeHourGlass() { QGuiApplication::restoreOverrideCursor(); }
    TTeeHourGlass(const TTeeHourGlass&) = delete;
    TTeeHourGlass& operator=(const TTeeHourGlass&) = delete;
};
