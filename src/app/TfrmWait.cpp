#include "app/TfrmWait.h"

#include <algorithm>

#include <QLabel>

#include "platform/UiThread.h"

TfrmWait* frmWait = nullptr;

TfrmWait::TfrmWait(QWidget* owner) : QDialog(owner)
{
    NOX_ASSERT_UI_THREAD();
    setObjectName("frmWait");
    setWindowTitle("Information");
    setFixedSize(220, 80);
    QFont f("MS Sans Serif");
    f.setPointSize(8);
    setFont(f);
    txtWait = new QLabel(this);
    txtWait->setObjectName("txtWait");
    txtWait->move(8, 16);
    txtWait->resize(204, 20);
    frmWait = this;
}

void TfrmWait::ShowText(const QString& text)
{
    NOX_ASSERT_UI_THREAD();
    txtWait->setText(text);
    // The box is 220 wide; a longer text (German, a larger system font) widens it, so that
    // no word is cut.
    const QSize need = txtWait->fontMetrics().size(Qt::TextSingleLine, text);
    const int width = std::max(204, need.width() + 8);
    txtWait->resize(width, std::max(20, need.height() + 4));
    setFixedSize(width + 16, std::max(80, need.height() + 60));
    show();
}

TfrmWait::~TfrmWait()
{
    NOX_ASSERT_UI_THREAD();
    if (frmWait == this) frmWait = nullptr;
}
