#include "chart/engine/TeeAbout.h"

#include <QDesktopServices>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QUrl>
#include <algorithm>
#include <memory>

#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeConst.h"
#include "platform/TCanvas.h"

const AnsiString TeeLibraryVersion = "NoxChart 1.0";
const AnsiString TeeLibraryWebAddress = "www.brevik-software.example";

namespace {

TGotoURLHandler& URLHandler()
{
    static TGotoURLHandler handler;
    return handler;
}

TColor MoveColor(TColor Color, int Delta)
{
    const auto channel = [Delta](int v) { return std::clamp(v + Delta, 0, 255); };
    return RGB(channel(GetRValue(Color)), channel(GetGValue(Color)), channel(GetBValue(Color)));
}

QLabel* MakeLabel(QWidget* parent, int X, int Y, int W, int H)
{
    auto* l = new QLabel(parent);
    l->setGeometry(X, Y, W, H);
    l->setAttribute(Qt::WA_TranslucentBackground);
    QFont f("Arial");
    f.setPixelSize(11);
    l->setFont(f);
    return l;
}

}  // namespace

void GotoURL(QWidget* Handle, const AnsiString& Url)
{
    if (URLHandler()) {
        URLHandler()(Handle, Url);
        return;
    }
    QDesktopServices::openUrl(QUrl::fromUserInput(QString::fromStdString(Url)));
}

TGotoURLHandler SetGotoURLHandler(TGotoURLHandler Handler)
{
    TGotoURLHandler old = std::move(URLHandler());
    URLHandler() = std::move(Handler);
    return old;
}

TTeeAboutForm::TTeeAboutForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("About");
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(363, 232);

    Bevel1 = new QFrame(this);
    Bevel1->setGeometry(9, 6, 344, 130);
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);

    LabelVersion = MakeLabel(this, 41, 145, 288, 14);
    LabelCopy = MakeLabel(this, 41, 162, 288, 14);
    Label1 = MakeLabel(this, 41, 177, 288, 14);
    Label1->setText("All rights reserved.");

    Labelwww = new QLabel(this);
    Labelwww->setGeometry(24, 105, 313, 15);
    Labelwww->setAlignment(Qt::AlignCenter);
    Labelwww->setAttribute(Qt::WA_TranslucentBackground);
    QFont wf("MS Sans Serif");
    wf.setUnderline(true);
    Labelwww->setFont(wf);
    Labelwww->setStyleSheet("color: blue");
    Labelwww->setCursor(Qt::PointingHandCursor);
    Labelwww->setToolTip("Visit our Web site !");
    Labelwww->setText(QString::fromStdString(TeeLibraryWebAddress));
    Labelwww->installEventFilter(this);

    BClose = new QPushButton("Close", this);
    BClose->setGeometry(144, 200, 75, 25);
    BClose->setDefault(true);
    connect(BClose, &QPushButton::clicked, this, &QDialog::reject);

    Timer1 = new QTimer(this);
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, &TTeeAboutForm::Timer1Timer);

    FormCreate();
}

void TTeeAboutForm::FormCreate()
{
    FStartColor = RGB(224, 224, 224);
    FEndColor = RGB(128, 128, 128);
    FDelta = 4;
    setWindowTitle(windowTitle() + " " + QString::fromStdString(TeeLibraryVersion));
    LabelVersion->setText(QString::fromStdString(TeeLibraryVersion));
    LabelCopy->setText(QString::fromStdString(TeeMsg_Copyright));
    Timer1->start();
}

void TTeeAboutForm::Timer1Timer()
{
    FStartColor = MoveColor(FStartColor, -FDelta);
    FEndColor = MoveColor(FEndColor, FDelta);
    if (FStartColor == 0 || FEndColor == 0) FDelta = -FDelta;
    update();
}

void TTeeAboutForm::LabelwwwClick()
{
    GotoURL(this, Labelwww->text().toStdString());
}

void TTeeAboutForm::paintEvent(QPaintEvent*)
{
    TCanvas canvas;
    canvas.SetDevice(this);
    auto chartCanvas = std::make_unique<TTeeCanvas3D>();
    chartCanvas->SetCanvas(&canvas);
    chartCanvas->GradientFill(TRect(0, 0, width(), height()), FStartColor, FEndColor, gdDiagonalUp, 50);
    chartCanvas.reset();
    canvas.Release();
}

bool TTeeAboutForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Labelwww && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        LabelwwwClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TeeShowAboutForm(QWidget* parent)
{
    TTeeAboutForm form(parent);
    form.exec();
}
