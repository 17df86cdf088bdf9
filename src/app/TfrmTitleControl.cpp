#include "app/TfrmTitleControl.h"

#include <QFrame>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <algorithm>
#include <string_view>

#include "app/ProgramPictures.h"
#include "app/ProgramStartup.h"
#include "app/TfrmMainWindow.h"
#include "platform/TextLines.h"
#include "platform/UiThread.h"

TfrmTitleControl* frmTitleControl = nullptr;

namespace {

// The program's own picture, drawn here: a dark field with a light band for the title
// text, an emblem (a thermometer over a bath in a ring) and the program's name and version.
QPixmap TitlePicture(int width, int height)
{
    QPixmap picture(width, height);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient field(0, 0, 0, height);
    field.setColorAt(0, QColor(0x12, 0x2B, 0x45));
    field.setColorAt(1, QColor(0x1C, 0x5D, 0x6E));
    p.fillRect(0, 0, width, height, field);
    p.fillRect(0, 54, width, 30, QColor(0xC8, 0xD7, 0xDE));  // the band behind the title text
    p.fillRect(0, 84, width, 3, QColor(0xD9, 0x4F, 0x2B));

    DrawEmblem(p, QPointF(width / 2.0, 215), 86);

    // Name and version.
    QFont name("DejaVu Sans");
    name.setPixelSize(34);
    name.setBold(true);
    p.setFont(name);
    p.setPen(QColor(0xF4, 0xF6, 0xF7));
    p.drawText(QRect(0, 322, width, 44), Qt::AlignCenter, Q(startup::ApplicationTitle));
    QFont version("DejaVu Sans");
    version.setPixelSize(15);
    p.setFont(version);
    p.setPen(QColor(0xC8, 0xD7, 0xDE));
    std::string_view number = startup::ProgramTitle;
    number.remove_prefix(std::min(number.size(), startup::ApplicationTitle.size() + 1));
    p.drawText(QRect(0, 368, width, 24), Qt::AlignCenter, "Version " + Q(number));
    p.setPen(QPen(QColor(0xD9, 0x4F, 0x2B), 2));
    p.drawLine(width / 2 - 60, 402, width / 2 + 60, 402);
    return picture;
}

}  // namespace

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
    TitleImage->setPixmap(TitlePicture(327, 453));

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
    txtTitle->setText(Q(startup::ProgramTitle));
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
