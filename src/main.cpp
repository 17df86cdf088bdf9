// Program entry: the application object, the fixed formats and the main frame.
#include <QApplication>
#include <QMainWindow>

#include "platform/Dialogs.h"
#include "platform/FormatSettings.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName("NoxControl");
    platform::SetApplicationTitle("NoxControl 1.2");
    ResetFormatSettings();
    platform::QtDialogs qtDialogs;
    platform::SetDialogs(&qtDialogs);

    QMainWindow frame;
    frame.setWindowTitle("NoxControl 1.2");
    frame.resize(1024, 768);
    frame.show();
    return app.exec();
}
