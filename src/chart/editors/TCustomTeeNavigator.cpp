#include "chart/editors/TCustomTeeNavigator.h"

#include <QKeyEvent>
#include <QPainter>
#include <QTimer>

#include "chart/editors/TTeeForm.h"
#include "chart/editors/TeeListenedPanel.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/engine/TCustomTeePanel.h"
#include "chart/engine/TeeConst.h"

namespace {

class TQtTeeTimer : public TTeeTimer {
public:
    TQtTeeTimer()
    {
        QObject::connect(&FTimer, &QTimer::timeout, [this] {
            if (OnTimer) OnTimer();
        });
    }
    void Start(int Interval) override { FTimer.start(Interval); }
    void Stop() override { FTimer.stop(); }
    int Interval() const override { return FTimer.interval(); }
    bool Active() const override { return FTimer.isActive(); }

private:
    QTimer FTimer;
};

// The button pictures: arrows, bars, plus, minus, a pencil, a tick and a cross.
QPixmap Glyph(TTeeNavigateBtn Index, const QColor& Color)
{
    QPixmap pix(12, 12);
    pix.fill(Qt::transparent);
    QPainter p(&pix);
    p.setPen(QPen(Color, 1));
    p.setBrush(Color);
    auto left = [&](int x) { p.drawPolygon(QPolygon({QPoint(x, 5), QPoint(x + 4, 1), QPoint(x + 4, 9)})); };
    auto right = [&](int x) { p.drawPolygon(QPolygon({QPoint(x + 4, 5), QPoint(x, 1), QPoint(x, 9)})); };
    switch (Index) {
        case nbFirst:
            p.drawRect(2, 1, 1, 8);
            left(5);
            break;
        case nbPrior: left(4); break;
        case nbNext: right(4); break;
        case nbLast:
            right(3);
            p.drawRect(8, 1, 1, 8);
            break;
        case nbInsert:
            p.drawRect(5, 1, 1, 9);
            p.drawRect(1, 5, 9, 1);
            break;
        case nbDelete: p.drawRect(1, 5, 9, 1); break;
        case nbEdit:
            p.drawLine(2, 9, 9, 2);
            p.drawLine(3, 9, 9, 3);
            p.drawLine(2, 10, 3, 10);
            break;
        case nbPost:
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(Color, 2));
            p.drawPolyline(QPolygon({QPoint(2, 6), QPoint(4, 9), QPoint(10, 2)}));
            break;
        case nbCancel:
            p.setPen(QPen(Color, 2));
            p.drawLine(2, 2, 9, 9);
            p.drawLine(9, 2, 2, 9);
            break;
    }
    return pix;
}

const char* const ButtonNames[9] = {"First", "Prior", "Next", "Last", "Insert", "Delete", "Edit", "Post", "Cancel"};

}  // namespace

// ---------------------------------------------------------------------------------------

TTeeNavButton::TTeeNavButton(TCustomTeeNavigator* Navigator, TTeeNavigateBtn AIndex)
    : QToolButton(Navigator), Index(AIndex), FNavigator(Navigator)
{
    setAutoRaise(true);
    setFocusPolicy(Qt::NoFocus);
    setObjectName(QString("TeeNav_") + ButtonNames[AIndex]);
    QIcon icon;
    icon.addPixmap(Glyph(AIndex, Qt::black), QIcon::Normal);
    icon.addPixmap(Glyph(AIndex, QColor(128, 128, 128)), QIcon::Disabled);
    setIcon(icon);
    connect(this, &QToolButton::clicked, FNavigator,
            [this] { TTeeForm::Guard([this] { FNavigator->BtnClick(Index); }); });
}

void TTeeNavButton::Press()
{
    FNavigator->ButtonMouseDown(this);
    FHeld = true;
    if (!FRepeatTimer) {
        FRepeatTimer = FNavigator->TimerFactory ? FNavigator->TimerFactory() : std::make_unique<TQtTeeTimer>();
        FRepeatTimer->OnTimer = [this] { TTeeForm::Guard([this] { TimerExpired(); }); };
    }
    FRepeatTimer->Start(400);
}

void TTeeNavButton::Release()
{
    FHeld = false;
    if (FRepeatTimer) FRepeatTimer->Stop();
}

void TTeeNavButton::TimerExpired()
{
    FRepeatTimer->Start(100);
    if (FHeld && isEnabled()) click();
}

void TTeeNavButton::mousePressEvent(QMouseEvent* Event)
{
    QToolButton::mousePressEvent(Event);
    if (Event->button() == Qt::LeftButton) TTeeForm::Guard([this] { Press(); });
}

void TTeeNavButton::mouseReleaseEvent(QMouseEvent* Event)
{
    Release();
    QToolButton::mouseReleaseEvent(Event);
}

void TTeeNavButton::paintEvent(QPaintEvent* Event)
{
    QToolButton::paintEvent(Event);
    if (!FNavigator->hasFocus() || FNavigator->FocusedButton() != Index) return;
    QPainter p(this);
    p.setPen(QPen(Qt::black, 1, Qt::DotLine));
    const int offset = isDown() ? 1 : 0;
    p.drawRect(QRect(3 + offset, 3 + offset, width() - 7, height() - 7));
}

// ---------------------------------------------------------------------------------------

TCustomTeeNavigator::TCustomTeeNavigator(QWidget* Parent) : TCustomPanel(Parent)
{
    SetBevelOuter(bvNone);
    SetBevelInner(bvNone);
    setFocusPolicy(Qt::TabFocus);
    InitButtons();
    ApplyHints();
    resize(241, 25);
}

TCustomTeeNavigator::~TCustomTeeNavigator()
{
    if (FPanel) FPanel->RemoveListener(this);
}

void TCustomTeeNavigator::InitButtons()
{
    for (int i = 0; i <= nbCancel; ++i) {
        auto* b = TeePlace(new TTeeNavButton(this, TTeeNavigateBtn(i)), i * TeeNavMinButtonWidth, 0,
                           TeeNavMinButtonWidth, TeeNavMinButtonHeight);
        b->setEnabled(false);
        FButtons[std::size_t(i)] = b;
    }
    for (TTeeNavigateBtn b : {nbInsert, nbDelete, nbEdit, nbPost, nbCancel}) FButtons[b]->setVisible(false);
}

void TCustomTeeNavigator::SetHints(const QStringList& Value)
{
    FHints = Value;
    ApplyHints();
}

void TCustomTeeNavigator::ApplyHints()
{
    const AnsiString* texts[9] = {&TeeMsg_First,  &TeeMsg_Prior, &TeeMsg_Next, &TeeMsg_Last,  &TeeMsg_Insert,
                                  &TeeMsg_Delete, &TeeMsg_Edit,  &TeeMsg_Post, &TeeMsg_Cancel};
    FDefaultHints.clear();
    for (const AnsiString* t : texts) FDefaultHints << QString::fromStdString(*t);
    for (int i = 0; i < 9; ++i) {
        const QString line = i < FHints.size() ? FHints[i] : QString();
        FButtons[std::size_t(i)]->setToolTip(line.isEmpty() ? FDefaultHints[i] : line);
    }
}

void TCustomTeeNavigator::SetPanel(TCustomTeePanel* Value)
{
    if (FPanel == Value) return;
    TeeListenTo(FPanel, Value, this, [this] { EnableButtons(); });
    EnableButtons();
}

void TCustomTeeNavigator::TeeEvent(TTeeEvent* Event)
{
    DoTeeEvent(Event);
}

void TCustomTeeNavigator::BtnClick(TTeeNavigateBtn Index)
{
    EnableButtons();
    if (OnButtonClicked) OnButtonClicked(this, Index);
}

void TCustomTeeNavigator::SetSize(int Width, int Height)
{
    if (Loading || FSizing) return;
    FSizing = true;
    int n = 0;
    for (TTeeNavButton* b : FButtons)
        if (b->isVisibleTo(this)) ++n;
    n = std::max(n, 1);
    int w = std::max(Width, n * TeeNavMinButtonWidth);
    const int h = std::max(Height, TeeNavMinButtonHeight);
    const int buttonHeight = h;
    const int buttonWidth = w / n;
    if (!Aligned) w = n * buttonWidth;
    const int remainder = w - n * buttonWidth;
    int error = n / 2;
    int x = 0;
    for (TTeeNavButton* b : FButtons) {
        if (!b->isVisibleTo(this)) {
            b->move(w + 1, 0);
            continue;
        }
        int bw = buttonWidth;
        error -= remainder;
        if (error < 0) {
            error += n;
            ++bw;
        }
        b->setGeometry(x, 0, bw, buttonHeight);
        x += bw;
    }
    if (w != width() || h != height()) resize(w, h);
    FSizing = false;
}

void TCustomTeeNavigator::resizeEvent(QResizeEvent* Event)
{
    TCustomPanel::resizeEvent(Event);
    SetSize(width(), height());
}

void TCustomTeeNavigator::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), TColorToQColor(ColorToRGB(GetColor())));
}

void TCustomTeeNavigator::Loaded()
{
    TCustomPanel::Loaded();
    SetSize(width(), height());
    ApplyHints();
    EnableButtons();
}

void TCustomTeeNavigator::changeEvent(QEvent* Event)
{
    TCustomPanel::changeEvent(Event);
    if (Event->type() == QEvent::EnabledChange && !Loading) TTeeForm::Guard([this] { EnableButtons(); });
}

void TCustomTeeNavigator::SetFocusedButton(TTeeNavigateBtn Index)
{
    const TTeeNavigateBtn old = FFocusedButton;
    FFocusedButton = Index;
    FButtons[old]->update();
    FButtons[Index]->update();
}

void TCustomTeeNavigator::ButtonMouseDown(TTeeNavButton* Button)
{
    if (focusPolicy() & Qt::TabFocus) setFocus();
    SetFocusedButton(Button->Index);
}

void TCustomTeeNavigator::KeyDown(int Key)
{
    switch (Key) {
        case Qt::Key_Space:
            if (FButtons[FFocusedButton]->isEnabled()) FButtons[FFocusedButton]->click();
            break;
        case Qt::Key_Left: FocusVisibleButton(-1); break;
        case Qt::Key_Right: FocusVisibleButton(1); break;
        default: break;
    }
}

void TCustomTeeNavigator::FocusVisibleButton(int Step)
{
    for (int i = int(FFocusedButton) + Step; i >= 0 && i <= nbCancel; i += Step)
        if (FButtons[std::size_t(i)]->isVisibleTo(this)) {
            SetFocusedButton(TTeeNavigateBtn(i));
            return;
        }
}

void TCustomTeeNavigator::keyPressEvent(QKeyEvent* Event)
{
    const int key = Event->key();
    if (key != Qt::Key_Space && key != Qt::Key_Left && key != Qt::Key_Right) {
        TCustomPanel::keyPressEvent(Event);
        return;
    }
    TTeeForm::Guard([&] { KeyDown(key); });
}

void TCustomTeeNavigator::focusInEvent(QFocusEvent* Event)
{
    TCustomPanel::focusInEvent(Event);
    FButtons[FFocusedButton]->update();
}

void TCustomTeeNavigator::focusOutEvent(QFocusEvent* Event)
{
    TCustomPanel::focusOutEvent(Event);
    FButtons[FFocusedButton]->update();
}
