#pragma once
// The chart library's about dialog and the shared routine that opens a web address.
#include <QDialog>
#include <QTimer>
#include <functional>

#include "platform/AnsiString.h"
#include "platform/GraphicsTypes.h"

class QFrame;
class QLabel;
class QPushButton;

// The library's name and version as the about box shows them.
extern const AnsiString TeeLibraryVersion;
// The address the about box links to.
extern const AnsiString TeeLibraryWebAddress;

// Asks the desktop to open Url. Handle is the window asking (may be null).
void GotoURL(QWidget* Handle, const AnsiString& Url);
// Replaces how GotoURL opens an address (null restores the desktop); returns the old one.
using TGotoURLHandler = std::function<void(QWidget*, const AnsiString&)>;
TGotoURLHandler SetGotoURLHandler(TGotoURLHandler Handler);

class TTeeAboutForm : public QDialog {
    Q_OBJECT
public:
    explicit TTeeAboutForm(QWidget* parent = nullptr);

    QFrame* Bevel1;
    QLabel* LabelVersion;
    QLabel* LabelCopy;
    QLabel* Label1;
    QLabel* Labelwww;
    QPushButton* BClose;
    QTimer* Timer1;

    TColor StartColor() const { return FStartColor; }
    TColor EndColor() const { return FEndColor; }
    int ColorStep() const { return FDelta; }

    void FormCreate();
    // One step of the pulsing background.
    void Timer1Timer();
    void LabelwwwClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TColor FStartColor = 0;
    TColor FEndColor = 0;
    int FDelta = 0;
};

// Shows the about box modally and frees it.
void TeeShowAboutForm(QWidget* parent = nullptr);
