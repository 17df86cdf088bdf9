#include "app/TfrmTitleControl.h"

#include <QFrame>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <string_view>

#include "app/ProgramStartup.h"
#include "app/TfrmMainWindow.h"
#include "platform/UiThread.h"

TfrmTitleControl* frmTitleControl = nullptr;

namespace {

QString Q(std::string_view s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

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

    // Emblem: a ring, a bath with two waves and a thermometer standing in it.
    const QPointF centre(width / 2.0, 215);
    QRadialGradient glow(centre, 92);
    glow.setColorAt(0, QColor(0x3B, 0x8E, 0xA5));
    glow.setColorAt(1, QColor(0x12, 0x2B, 0x45));
    p.setPen(QPen(QColor(0xC8, 0xD7, 0xDE), 6));
    p.setBrush(glow);
    p.drawEllipse(centre, 86, 86);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2E, 0x86, 0xC1));
    p.drawChord(QRectF(centre.x() - 83, centre.y() - 83, 166, 166), -20 * 16, -140 * 16);
    p.setPen(QPen(QColor(0xE8, 0xF4, 0xF8), 3));
    p.setBrush(Qt::NoBrush);
    for (int wave = 0; wave < 2; ++wave) {
        QPainterPath path;
        const double y = centre.y() + 36 + wave * 14;
        path.moveTo(centre.x() - 60, y);
        for (int k = 0; k < 4; ++k)
            path.quadTo(centre.x() - 45 + k * 30, y + (k % 2 ? 7 : -7), centre.x() - 30 + k * 30, y);
        p.drawPath(path);
    }
    const QRectF stem(centre.x() - 11, centre.y() - 68, 22, 100);
    p.setPen(QPen(QColor(0x12, 0x2B, 0x45), 3));
    p.setBrush(QColor(0xF4, 0xF6, 0xF7));
    p.drawRoundedRect(stem, 11, 11);
    p.drawEllipse(QPointF(centre.x(), centre.y() + 40), 20, 20);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xD9, 0x4F, 0x2B));
    p.drawEllipse(QPointF(centre.x(), centre.y() + 40), 14, 14);
    p.drawRect(QRectF(centre.x() - 5, centre.y() - 30, 10, 66));
    p.setPen(QPen(QColor(0x12, 0x2B, 0x45), 2));
    for (int tick = 0; tick < 5; ++tick) {
        const double y = centre.y() - 52 + tick * 18;
        p.drawLine(QPointF(centre.x() + 11, y), QPointF(centre.x() + 20, y));
    }

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
