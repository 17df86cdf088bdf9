#include "platform/TCustomPanel.h"

#include <QCursor>
#include <QMouseEvent>

#include "platform/Dialogs.h"
#include "platform/StoreChanged.h"

TCustomPanel::TCustomPanel(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setContextMenuPolicy(Qt::PreventContextMenu);
    // The control paints every pixel itself.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

TCustomPanel::~TCustomPanel()
{
    FDestroying = true;
}

void TCustomPanel::SetColor(TColor value)
{
    if (StoreChanged(FColor, value)) update();
}

void TCustomPanel::SetBevelInner(TBevelCut value)
{
    if (StoreChanged(FBevelInner, value)) update();
}

void TCustomPanel::SetBevelOuter(TBevelCut value)
{
    if (StoreChanged(FBevelOuter, value)) update();
}

void TCustomPanel::SetBevelWidth(int value)
{
    if (StoreChanged(FBevelWidth, value)) update();
}

void TCustomPanel::SetBorderWidth(int value)
{
    if (StoreChanged(FBorderWidth, value)) update();
}

void TCustomPanel::SetCursor(TCursor value)
{
    FCursor = value;
    setCursor(CursorToQt(value));
}

TPoint TCustomPanel::GetCursorPos() const
{
    const QPoint p = mapFromGlobal(QCursor::pos());
    return TPoint(p.x(), p.y());
}

TPoint TCustomPanel::ClientToScreen(const TPoint& P) const
{
    const QPoint p = mapToGlobal(QPoint(P.X, P.Y));
    return TPoint(p.x(), p.y());
}

void TCustomPanel::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TCustomPanel::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TCustomPanel::MouseMove(TShiftState Shift, int X, int Y)
{
    if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TCustomPanel::DblClick()
{
    if (OnDblClick) OnDblClick(this);
}

void TCustomPanel::Resize()
{
    if (OnResize) OnResize(this);
}

void TCustomPanel::ButtonEvent(QMouseEvent* event, void (TCustomPanel::*Handler)(TMouseButton, TShiftState, int, int))
{
    TMouseButton b;
    if (!MouseButtonOf(event->button(), b)) return;
    const QPoint p = event->position().toPoint();
    const TShiftState s = ShiftStateOf(event->modifiers(), event->buttons());
    platform::GuardedCall([&] { (this->*Handler)(b, s, p.x(), p.y()); });
}

void TCustomPanel::mousePressEvent(QMouseEvent* event)
{
    ButtonEvent(event, &TCustomPanel::MouseDown);
}

void TCustomPanel::mouseReleaseEvent(QMouseEvent* event)
{
    ButtonEvent(event, &TCustomPanel::MouseUp);
}

void TCustomPanel::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    const TShiftState s = ShiftStateOf(event->modifiers(), event->buttons());
    platform::GuardedCall([&] { MouseMove(s, p.x(), p.y()); });
}

// A second press in quick succession: the click handler first, then the press with the
// double-click bit, as the platform reports it.
void TCustomPanel::mouseDoubleClickEvent(QMouseEvent* event)
{
    TMouseButton b;
    if (!MouseButtonOf(event->button(), b)) return;
    const QPoint p = event->position().toPoint();
    const TShiftState s = ShiftStateOf(event->modifiers(), event->buttons()) | ssDouble;
    platform::GuardedCall([&] {
        try {
            if (b == mbLeft) DblClick();
            MouseDown(b, s, p.x(), p.y());
        } catch (const EAbort&) {}
    });
}

void TCustomPanel::leaveEvent(QEvent* event)
{
    platform::GuardedCall([&] { MouseLeave(); });
    QWidget::leaveEvent(event);
}

void TCustomPanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    platform::GuardedCall([&] { Resize(); });
}

void TCustomPanel::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        platform::GuardedCall([&] { SysColorChange(); });
}
