#include "chart/engine/TeeColorButton.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>

#include "chart/engine/TeCanvas.h"
#include "platform/ColorDialog.h"
#include "platform/Dialogs.h"

std::unique_ptr<std::vector<TColor>> TeeCustomEditColors;

TColor EditColor(QWidget* Owner, TColor Color)
{
    platform::ColorDialogRequest request;
    request.Color = Color;
    if (TeeCustomEditColors)
        request.CustomColors = *TeeCustomEditColors;
    else
        TeeCustomEditColors = std::make_unique<std::vector<TColor>>();
    if (!platform::RunColorDialog(Owner, request)) return Color;
    *TeeCustomEditColors = request.CustomColors;
    return request.Color;
}

bool EditColorDialog(QWidget* Owner, TColor& Color)
{
    const TColor c = EditColor(Owner, Color);
    if (c == Color) return false;
    Color = c;
    return true;
}

// ---------------------------------------------------------------------------------------

TTeeButton::TTeeButton(QWidget* Owner) : QPushButton(Owner)
{
    connect(this, &QPushButton::clicked, this, [this] { platform::GuardedCall([this] { Click(); }); });
}

void TTeeButton::LinkProperty(QObject* Instance, const AnsiString& PropName)
{
    FInstance = Instance;
    if (!Instance) return;
    FProperty = QMetaProperty();
    if (!PropName.empty()) {
        const int index = Instance->metaObject()->indexOfProperty(PropName.c_str());
        if (index >= 0) FProperty = Instance->metaObject()->property(index);
    }
    update();
}

void TTeeButton::DrawSymbol(TTeeCanvas*) {}

void TTeeButton::Click()
{
    if (OnClick) OnClick(this);
}

void TTeeButton::paintEvent(QPaintEvent* event)
{
    QPushButton::paintEvent(event);
    if (!FInstance) return;
    TCanvas canvas;
    canvas.SetDevice(this);
    TTeeCanvas3D chartCanvas;
    chartCanvas.SetCanvas(&canvas);
    DrawSymbol(&chartCanvas);
}

void TTeeButton::changeEvent(QEvent* event)
{
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) repaint();
}

// ---------------------------------------------------------------------------------------

TButtonColor::TButtonColor(QWidget* Owner) : TTeeButton(Owner) {}

TColor TButtonColor::GetTeeColor() const
{
    if (GetColorProc) return GetColorProc();
    if (HasLinkedProperty()) return ColorToRGB(static_cast<TColor>(FProperty.read(FInstance).toInt()));
    return clNone;
}

void TButtonColor::SetTeeColor(TColor Value)
{
    if (HasLinkedProperty()) FProperty.write(FInstance, QVariant::fromValue(Value));
}

void TButtonColor::Click()
{
    if (!HasLinkedProperty()) {
        TTeeButton::Click();
        return;
    }
    TColor c = GetTeeColor();
    if (EditColorDialog(this, c)) {
        SetTeeColor(c);
        repaint();
        TTeeButton::Click();
    }
}

void TButtonColor::DrawSymbol(TTeeCanvas* Canvas)
{
    const TColor color = GetTeeColor();
    if (color == clNone) return;
    Canvas->Brush->SetColor(color);
    if (!isEnabled()) Canvas->Pen->SetStyle(psClear);
    const int w = width(), h = height();
    const int q = h / 4;
    Canvas->Rectangle(w - 19, h - 3 * q, w - 6, h - q);
}

// ---------------------------------------------------------------------------------------

TComboFlat::TComboFlat(QWidget* Owner) : QComboBox(Owner)
{
    setEditable(false);
    resize(width(), 21);
}

void TComboFlat::paintEvent(QPaintEvent* event)
{
    QComboBox::paintEvent(event);
    if (FMouseInControl || hasFocus()) return;
    // Outside hover and focus the border is painted flat over the raised one.
    TCanvas canvas;
    canvas.SetDevice(this);
    const QRect r = rect();
    canvas.Pen()->SetColor(clBtnFace);
    canvas.Pen()->SetStyle(psSolid);
    canvas.Pen()->SetWidth(1);
    canvas.Brush()->SetStyle(bsClear);
    canvas.Rectangle(r.left(), r.top(), r.right() + 1, r.bottom() + 1);
    canvas.Rectangle(r.left() + 1, r.top() + 1, r.right(), r.bottom());
    const int thumb = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const int right = r.right() + 1;
    canvas.Pen()->SetColor(clWindow);
    canvas.Rectangle(right - thumb - 2, r.top() + 1, right - 1, r.bottom());
    canvas.MoveTo(right - 2, r.top());
    canvas.LineTo(right - 2, r.bottom() + 1);
}

void TComboFlat::enterEvent(QEnterEvent* event)
{
    QComboBox::enterEvent(event);
    FMouseInControl = true;
    update();
}

void TComboFlat::leaveEvent(QEvent* event)
{
    QComboBox::leaveEvent(event);
    FMouseInControl = false;
    update();
}

void TComboFlat::focusInEvent(QFocusEvent* event)
{
    QComboBox::focusInEvent(event);
    FMouseInControl = false;
    update();
}

void TComboFlat::focusOutEvent(QFocusEvent* event)
{
    QComboBox::focusOutEvent(event);
    FMouseInControl = false;
    update();
}
