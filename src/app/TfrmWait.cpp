#include "app/TfrmWait.h"

#include <QLabel>

TfrmWait* frmWait = nullptr;

TfrmWait::TfrmWait(QWidget* owner) : QDialog(owner)
{
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
    if (frmWait == this) frmWait = nullptr;
}
