#include "platform/HintWindow.h"

#include <QPointer>
#include <QTimer>
#include <QToolTip>
#include <QWidget>

namespace platform {
namespace {

int gHintPause = 500;

// The one pending hint; its timer lives as long as the program.
struct PendingHint {
    QTimer Timer;
    QPointer<QWidget> Owner;
    QPoint Pos;
    QString Text;

    PendingHint()
    {
        Timer.setSingleShot(true);
        QObject::connect(&Timer, &QTimer::timeout, [this] {
            if (Owner) QToolTip::showText(Pos, Text, Owner);
        });
    }
};

PendingHint& Pending()
{
    static PendingHint* hint = new PendingHint;  // outlives every window; never torn down
    return *hint;
}

}  // namespace

int HintPause()
{
    return gHintPause;
}

void SetHintPause(int Milliseconds)
{
    gHintPause = Milliseconds < 0 ? 0 : Milliseconds;
}

void ActivateHint(QWidget* Owner, const TPoint& ScreenPos, const AnsiString& Text)
{
    PendingHint& hint = Pending();
    hint.Owner = Owner;
    hint.Pos = QPoint(ScreenPos.X, ScreenPos.Y);
    hint.Text = QString::fromStdString(Text);
    // A hint already on screen follows at once; a new one waits for the pause.
    if (QToolTip::isVisible() && Owner) {
        hint.Timer.stop();
        QToolTip::showText(hint.Pos, hint.Text, Owner);
    } else
        hint.Timer.start(gHintPause);
}

void CancelHint()
{
    Pending().Timer.stop();
    Pending().Owner = nullptr;
    QToolTip::hideText();
}

}  // namespace platform
