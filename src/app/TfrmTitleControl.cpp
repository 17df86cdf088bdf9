#include "app/TfrmTitleControl.h"

#include <QFrame>
#include <QLabel>

#include "app/ProgramStartup.h"
#include "app/TfrmMainWindow.h"
#include "platform/UiThread.h"

TfrmTitleControl* frmTitleControl = nullptr;

TfrmTitleControl::TfrmTitleControl(QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    NOX_ASSERT_UI_THREAD();
    setObjectName("frmTitleControl");
    setFixedSize(327, 453);
    QFont f("MS Sans Serif");
    f.setPixelSize(11);
    setFont(f);

    TitlePanel = new QFrame(this);
    TitlePanel->setObjectName("TitlePanel");
    TitlePanel->setGeometry(0, 0, 327, 453);
    TitlePanel->setAutoFillBackground(true);
    QPalette pal = TitlePanel->palette();
    pal.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));  // button shadow
    TitlePanel->setPalette(pal);
    SetPanelBorder(false);

    TitleImage = new QLabel(TitlePanel);
    TitleImage->setObjectName("TitleImage");
    TitleImage->setGeometry(0, 0, 327, 453);
    TitleImage->setAlignment(Qt::AlignCenter);

    txtTitle = new QLabel(TitlePanel);
    txtTitle->setObjectName("txtTitle");
    txtTitle->move(122, 62);
    QFont bold("MS Sans Serif");
    bold.setPixelSize(9);
    bold.setBold(true);
    txtTitle->setFont(bold);
    txtTitle->setAutoFillBackground(true);
    QPalette tp = txtTitle->palette();
    tp.setColor(QPalette::Window, QColor(0xC8, 0xD7, 0xDE));  // 0xDED7C8 as BGR
    txtTitle->setPalette(tp);
    txtTitle->setText(QString::fromUtf8(startup::ProgramTitle.data(), qsizetype(startup::ProgramTitle.size())));
    txtTitle->adjustSize();

    frmTitleControl = this;
    if (frmMainWindow) frmMainWindow->SetTitleWindow(this);
}

TfrmTitleControl::~TfrmTitleControl()
{
    NOX_ASSERT_UI_THREAD();
    if (frmTitleControl == this) frmTitleControl = nullptr;
    if (frmMainWindow && frmMainWindow->TitleWindow() == this) frmMainWindow->SetTitleWindow(nullptr);
}

void TfrmTitleControl::SetPanelBorder(bool single)
{
    NOX_ASSERT_UI_THREAD();
    TitlePanel->setFrameShape(single ? QFrame::Box : QFrame::NoFrame);
    TitlePanel->setLineWidth(single ? 1 : 0);
}

bool TfrmTitleControl::PanelBorder() const
{
    NOX_ASSERT_UI_THREAD();
    return TitlePanel->frameShape() != QFrame::NoFrame;
}
