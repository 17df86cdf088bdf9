#include "app/TfrmWait.h"

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

TfrmWait::~TfrmWait()
{
    NOX_ASSERT_UI_THREAD();
    if (frmWait == this) frmWait = nullptr;
}
