#pragma once
// What every fuzz target needs before its first input: an offscreen application object
// (widgets, fonts and pictures need one; a chart file may name a widget) and message boxes
// that are answered silently.
#include <QApplication>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Dialogs.h"
#include "platform/FormatSettings.h"

namespace fuzzing {

class SilentDialogs : public platform::Dialogs {
public:
    int MessageBox(const AnsiString&, const AnsiString&, int flags) override
    {
        return (flags & 0xF) == MB_YESNO || (flags & 0xF) == MB_YESNOCANCEL ? IDYES : IDOK;
    }
    bool FileDialog(platform::FileDialogRequest&) override { return false; }
    bool InputQuery(const AnsiString&, const AnsiString&, AnsiString&) override { return false; }
};

inline void Init()
{
    static const bool done = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "fuzz";
        static char* argv[] = {name, nullptr};
        static QApplication app(argc, argv);
        static SilentDialogs dialogs;
        platform::SetDialogs(&dialogs);
        ResetFormatSettings();
        return true;
    }();
    (void)done;
}

inline std::string_view Bytes(const std::uint8_t* data, std::size_t size)
{
    return {reinterpret_cast<const char*>(data), size};
}

}  // namespace fuzzing
