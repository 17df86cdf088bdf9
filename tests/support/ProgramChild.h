#pragma once
// What a child process that runs the whole program (started with SpawnSelfReporting) needs:
// its main window, and an end as soon as one of its steps failed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>
#include <cstdio>
#include <cstdlib>

#include "app/TfrmMainWindow.h"

namespace support {

inline TfrmMainWindow* MainWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* main = dynamic_cast<TfrmMainWindow*>(w)) return main;
    return nullptr;
}

// A step of the child that failed ends it at once, with its failure on its output.
inline void EndChildOnFailure()
{
    if (!::testing::Test::HasFatalFailure()) return;
    std::fflush(stdout);
    std::_Exit(3);
}

}  // namespace support
