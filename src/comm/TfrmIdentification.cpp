#include "comm/TfrmIdentification.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>

#include "platform/UiThread.h"

namespace {
constexpr int kStep = 5;

QColor ToQColor(std::uint32_t c)
{
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}
}  // namespace

TfrmIdentification::TfrmIdentification(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
{
    NOX_ASSERT_UI_THREAD();
    setWindowTitle(QString::fromUtf8("Geräteerkennung"));
    QFont f = font();
    f.setPixelSize(11);
    setFont(f);

    // Room for everything an identification reports (name, number, limits, commands, the
    // verdict) without scrolling: the first line stays in view when the window opens.
    const QFontMetrics metrics(f);
    const int memoWidth = std::max(343, metrics.horizontalAdvance(QString(64, QChar('x'))));
    const int memoHeight = std::max(97, metrics.lineSpacing() * 10 + 12);
    memIdentification = new QPlainTextEdit(this);
    memIdentification->setGeometry(8, 8, memoWidth, memoHeight);
    memIdentification->setReadOnly(true);
    memIdentification->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memIdentification->setCenterOnScroll(false);

    const int below = 8 + memoHeight + 7;
    proIdentification = new QProgressBar(this);
    proIdentification->setGeometry(8, below, memoWidth, 17);
    proIdentification->setRange(0, 135);
    proIdentification->setValue(0);
    proIdentification->setTextVisible(false);

    bitOK = new QPushButton("OK", this);
    bitOK->setGeometry(8 + memoWidth - 75, below + 24, 75, 25);
    bitOK->setEnabled(false);
    QObject::connect(bitOK, &QPushButton::clicked, this, [this] { bitOKClick(); });
    setFixedSize(memoWidth + 16, below + 24 + 25 + 5);

    if (QScreen* s = QGuiApplication::primaryScreen()) move(s->availableGeometry().center() - rect().center());
}

void TfrmIdentification::bitOKClick()
{
    NOX_ASSERT_UI_THREAD();
    okPressed_ = 1;
}

void TfrmIdentification::SetCaption(const AnsiString& text)
{
    NOX_ASSERT_UI_THREAD();
    setWindowTitle(QString::fromStdString(text));
}

void TfrmIdentification::MemoClear()
{
    NOX_ASSERT_UI_THREAD();
    memIdentification->clear();
}

void TfrmIdentification::MemoAdd(const AnsiString& line)
{
    NOX_ASSERT_UI_THREAD();
    memIdentification->appendPlainText(QString::fromStdString(line));
    memIdentification->ensureCursorVisible();
}

AnsiString TfrmIdentification::MemoLines() const
{
    NOX_ASSERT_UI_THREAD();
    return memIdentification->toPlainText().toStdString();
}

void TfrmIdentification::ShowFirstLine()
{
    memIdentification->moveCursor(QTextCursor::Start);
    memIdentification->ensureCursorVisible();
}

int TfrmIdentification::FirstVisibleLine() const
{
    // A plain-text memo scrolls by lines.
    return memIdentification->verticalScrollBar()->value();
}

void TfrmIdentification::SetMemoColors(std::uint32_t background, std::uint32_t fontColor)
{
    NOX_ASSERT_UI_THREAD();
    memoColor_ = background;
    memoFontColor_ = fontColor;
    QPalette p = memIdentification->palette();
    p.setColor(QPalette::Base, ToQColor(background));
    p.setColor(QPalette::Text, ToQColor(fontColor));
    memIdentification->setPalette(p);
}

void TfrmIdentification::StepIt()
{
    NOX_ASSERT_UI_THREAD();
    // Past the maximum the bar starts again from the minimum, as a stepped bar does.
    int next = proIdentification->value() + kStep;
    if (next > proIdentification->maximum())
        next = proIdentification->minimum() + (next - proIdentification->maximum());
    proIdentification->setValue(next);
}

void TfrmIdentification::SetPosition(int position)
{
    NOX_ASSERT_UI_THREAD();
    proIdentification->setValue(position);
}
int TfrmIdentification::Position() const
{
    NOX_ASSERT_UI_THREAD();
    return proIdentification->value();
}
int TfrmIdentification::Max() const
{
    NOX_ASSERT_UI_THREAD();
    return proIdentification->maximum();
}
void TfrmIdentification::SetOkEnabled(bool enabled)
{
    NOX_ASSERT_UI_THREAD();
    bitOK->setEnabled(enabled);
}
bool TfrmIdentification::OkEnabled() const
{
    NOX_ASSERT_UI_THREAD();
    return bitOK->isEnabled();
}
void TfrmIdentification::FocusOk()
{
    NOX_ASSERT_UI_THREAD();
    bitOK->setFocus();
}

void TfrmIdentification::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    // Until OK, leaving the window beeps and brings it back. Another identification
    // window that waits for its own OK keeps the focus it got; two would fight otherwise.
    if (event->type() == QEvent::ActivationChange && isVisible() && !isActiveWindow() && !okPressed_) {
        QTimer::singleShot(0, this, [this] {
            if (okPressed_ || !isVisible() || isActiveWindow()) return;
            auto* other = dynamic_cast<TfrmIdentification*>(QApplication::activeWindow());
            if (other && !other->okPressed_) return;
            QApplication::beep();
            ++Beeps;
            activateWindow();
        });
    }
}

void TfrmIdentification::closeEvent(QCloseEvent* event)
{
    if (okPressed_)
        event->accept();
    else
        event->ignore();
}

void TfrmIdentification::reject()
{
    if (okPressed_) QDialog::reject();
}
