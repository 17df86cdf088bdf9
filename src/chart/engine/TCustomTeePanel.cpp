#include "chart/engine/TCustomTeePanel.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cstdlib>

#include "chart/engine/TeeGeometry.h"
#include "platform/Dialogs.h"
#include "platform/Exception.h"
#include "platform/ScopedValue.h"
#include "platform/StoreChanged.h"

bool TeeClipWhenPrinting = true;
bool TeeClipWhenMetafiling = true;
bool TeeEraseBack = false;
bool PrintTeePanel = false;

TCustomTeePanel::TCustomTeePanel(QWidget* parent) : TCustomPanelNoCaption(parent)
{
    const auto changed = [this](QObject* Sender) { CanvasChanged(Sender); };
    FBorder = new TChartHiddenPen(changed, this);
    FBorder->SetEndStyle(esFlat);
    FShadow = new TTeeShadow(changed, this);
    FView3DOptions = new TView3DOptions(this);
    Panning = new TZoomPanning(this);
    FWindowCanvas = std::make_unique<TCanvas>();
    FCanvas = std::make_unique<TTeeCanvas3D>();
    FCanvas->SetCanvas(FWindowCanvas.get());
    SavedCursor = GetCursor();
    resize(400, 250);
}

TCustomTeePanel::~TCustomTeePanel()
{
    FDestroying = true;
    AutoRepaint = false;
    // The objects the panel owns (shapes, tools, settings) go while the panel is still
    // whole: their destructors may still leave the listener list or ask for a repaint.
    const QObjectList owned = children();
    for (QObject* child : owned)
        if (!child->isWidgetType()) delete child;
    FBorder = nullptr;
    FShadow = nullptr;
    // The 3D options are not a Qt child of the panel (they only remember it), so they are
    // freed here.
    delete FView3DOptions;
    FView3DOptions = nullptr;
    Panning = nullptr;
    FCanvas.reset();
    FWindowCanvas->Release();
}

// ---- property plumbing

void TCustomTeePanel::SetView3D(bool Value)
{
    if (FView3D == Value) return;
    SetBooleanProperty(FView3D, Value);
    TTeeView3DEvent event;
    BroadcastTeeEvent(&event);
}

void TCustomTeePanel::SetColor(TColor Value)
{
    if (GetColor() == Value) return;
    TCustomPanelNoCaption::SetColor(Value);
    Invalidate();
}

void TCustomTeePanel::SetBevelInner(TBevelCut Value)
{
    if (GetBevelInner() == Value) return;
    TCustomPanelNoCaption::SetBevelInner(Value);
    Invalidate();
}

void TCustomTeePanel::SetBevelOuter(TBevelCut Value)
{
    if (GetBevelOuter() == Value) return;
    TCustomPanelNoCaption::SetBevelOuter(Value);
    Invalidate();
}

void TCustomTeePanel::SetBevelWidth(int Value)
{
    if (GetBevelWidth() == Value) return;
    TCustomPanelNoCaption::SetBevelWidth(Value);
    Invalidate();
}

void TCustomTeePanel::SetBorderWidth(int Value)
{
    if (GetBorderWidth() == Value) return;
    TCustomPanelNoCaption::SetBorderWidth(Value);
    Invalidate();
}

void TCustomTeePanel::ReadBorderStyle(const AnsiString& Identifier)
{
    FBorder->SetVisible(Identifier == "bsSingle");
}

// ---- window shape

void TCustomTeePanel::SetBorderRound(int Value)
{
    if (!StoreChanged(FBorderRound, Value)) return;
    if (!Loading) SetControlRounded();
    Invalidate();
}

void TCustomTeePanel::SetControlRounded()
{
    if (FRoundGuard || !parentWidget()) return;
    FRoundGuard = true;
    if (FBorderRound >= 1) {
        QPainterPath path;
        path.addRoundedRect(QRectF(0, 0, width(), height()), FBorderRound / 2.0, FBorderRound / 2.0);
        FRegion = QRegion(path.toFillPolygon().toPolygon());
        setMask(FRegion);
    } else {
        FRegion = QRegion();
        clearMask();
    }
    update();
    FRoundGuard = false;
}

void TCustomTeePanel::Loaded()
{
    TCustomPanelNoCaption::Loaded();
    SavedCursor = GetCursor();
    if (FBorderRound > 0) SetControlRounded();
}

void TCustomTeePanel::Resize()
{
    if (!Loading && FBorderRound > 0) SetControlRounded();
    // A new size needs a new drawing; the cached picture has the old one.
    FWindowInvalid = true;
    FCanvas->Invalidate();
    TCustomPanelNoCaption::Resize();
}

// ---- canvas

void TCustomTeePanel::SetInternalCanvas(TCanvas3D* NewCanvas)
{
    if (!NewCanvas) return;
    if (NewCanvas == FCanvas.get()) return;
    NewCanvas->SetCanvas(FWindowCanvas.get());
    if (FCanvas) {
        const bool old = AutoRepaint;
        AutoRepaint = false;
        NewCanvas->Assign(FCanvas.get());
        AutoRepaint = old;
    }
    FCanvas.reset(NewCanvas);
    if (AutoRepaint) Invalidate();
}

void TCustomTeePanel::CanvasChanged(QObject*)
{
    Invalidate();
}

TColor TCustomTeePanel::GetBackColor()
{
    return GetColor();
}

bool TCustomTeePanel::IsScreenHighColor()
{
    if (FCanvas->GetSupportsFullRotation()) return true;
    TCanvas* dc = FCanvas->GetHandle();
    if (!dc || !dc->Device()) return true;
    return dc->Device()->depth() >= 15;
}

bool TCustomTeePanel::CanClip()
{
    if (FCanvas->GetSupportsFullRotation()) return false;
    const bool metafiling = FCanvas->Metafiling;
    if (!Printing && !metafiling) return true;
    if (Printing && TeeClipWhenPrinting) return true;
    return metafiling && TeeClipWhenMetafiling;
}

void TCustomTeePanel::SetBrushCanvas(TColor AColor, TChartBrush* ABrush, TColor ABackColor)
{
    TColor c = AColor;
    if (ABrush->GetStyle() != bsSolid && c == ABackColor) c = ABackColor == clBlack ? clWhite : clBlack;
    FCanvas->AssignBrushColor(ABrush, c, ABackColor);
}

TRect TCustomTeePanel::GetRectangle()
{
    if (!parentWidget()) return TRect(0, 0, Width(), Height());
    const QRect r = rect();
    return TRect(r.left(), r.top(), r.right() + 1, r.bottom() + 1);
}

// ---- drawing

void TCustomTeePanel::InternalDraw(const TRect&) {}

void TCustomTeePanel::EnsureWindowImage()
{
    const QSize s(std::max(width(), 1), std::max(height(), 1));
    if (FWindowImage.size() == s) {
        if (FWindowCanvas->Device() != &FWindowImage) FWindowCanvas->SetDevice(&FWindowImage);
        return;
    }
    NewWindowImage();
    // The cached picture has the old size: draw again.
    FWindowInvalid = true;
    if (FCanvas) FCanvas->Invalidate();
}

void TCustomTeePanel::NewWindowImage()
{
    const QSize s(std::max(width(), 1), std::max(height(), 1));
    FWindowCanvas->Release();
    FWindowImage = QImage(s, QImage::Format_RGB32);
    FWindowImage.fill(TColorToQColor(GetColor() == clNone ? clWhite : GetColor()));
    FWindowDpi = FWindowImage.logicalDpiY();
    FWindowCanvas->SetDevice(&FWindowImage);
}

bool TCustomTeePanel::SharePicture(const TRect& UserRect)
{
    TCanvas* back = FCanvas->Canvas;
    QImage* picture = back ? back->Image() : nullptr;
    if (!picture || picture == &FWindowImage || picture->format() != QImage::Format_RGB32) return false;
    const QSize s(std::max(width(), 1), std::max(height(), 1));
    if (picture->size() != s || UserRect != TRect(0, 0, s.width(), s.height())) return false;
    // The copy would go through both canvases' mappings and the window canvas's clipping.
    TPoint corners[2] = {TPoint(0, 0), TPoint(s.width(), s.height())};
    back->LPtoDP(corners, 2);
    if (corners[0] != TPoint(0, 0) || corners[1] != TPoint(s.width(), s.height())) return false;
    corners[0] = TPoint(0, 0);
    corners[1] = TPoint(s.width(), s.height());
    FWindowCanvas->LPtoDP(corners, 2);
    if (corners[0] != TPoint(0, 0) || corners[1] != TPoint(s.width(), s.height()) || FWindowCanvas->HasClipping())
        return false;
    back->Release();
    FWindowCanvas->Release();
    FWindowImage = *picture;
    return true;
}

void TCustomTeePanel::Draw()
{
    EnsureWindowImage();
    Draw(FWindowCanvas.get(), GetRectangle());
}

void TCustomTeePanel::CalcChartRect()
{
    const int W = ChartBounds.Width(), H = ChartBounds.Height();
    int F = GetBorderWidth();
    if (GetBevelInner() != bvNone) F += GetBevelWidth();
    if (GetBevelOuter() != bvNone) F += GetBevelWidth();
    if (FBorder->GetVisible()) F += FBorder->GetWidth();
    const auto margin = [&](int i, int size) {
        return FMarginUnits == muPixels ? FMargins[i] : int(static_cast<long long>(FMargins[i]) * size / 100);
    };
    ChartRect = TRect(ChartBounds.Left + F + margin(0, W), ChartBounds.Top + F + margin(1, H),
                      ChartBounds.Right - F - margin(2, W), ChartBounds.Bottom - F - margin(3, H));
}

void TCustomTeePanel::ReCalcWidthHeight()
{
    if (ChartRect.Left < ChartBounds.Left) ChartRect.Left = ChartBounds.Left;
    if (ChartRect.Top < ChartBounds.Top) ChartRect.Top = ChartBounds.Top;
    if (ChartRect.Left > ChartRect.Right)
        ChartRect.Right = ChartRect.Left + 1;
    else if (ChartRect.Left == ChartRect.Right)
        ChartRect.Right = ChartRect.Left + Width();
    if (ChartRect.Top > ChartRect.Bottom)
        ChartRect.Bottom = ChartRect.Top + 1;
    else if (ChartRect.Top == ChartRect.Bottom)
        ChartRect.Bottom = ChartRect.Top + Height();
    ChartWidth = ChartRect.Right - ChartRect.Left;
    ChartHeight = ChartRect.Bottom - ChartRect.Top;
    RectCenter(ChartRect, ChartXCenter, ChartYCenter);
}

void TCustomTeePanel::Draw(TCanvas* UserCanvas, const TRect& UserRect)
{
    // The window shows a buffered picture without copying it: the window image shares the
    // picture's pixels (a copy is made only when either is drawn on). Before the chart
    // draws its next picture the window image lets go of them, or the drawing would copy
    // them first; should the drawing fail, the window is left blank.
    const bool toWindow = UserCanvas == FWindowCanvas.get() && FCanvas->GetUseBuffer();
    if (toWindow && !FWindowImage.isDetached()) {
        FWindowCanvas->Release();
        FWindowImage = QImage();
    }
    struct Blank {
        TCustomTeePanel* panel;
        ~Blank()
        {
            if (panel->FWindowImage.isNull()) panel->NewWindowImage();
        }
    } blank{this};
    ChartBounds = FCanvas->InitWindow(UserCanvas, FView3DOptions, GetColor(), FView3D, UserRect);
    if (GetColor() == clNone) DrawBackdrop(UserCanvas, UserRect);
    CalcChartRect();
    ReCalcWidthHeight();
    {
        // Property changes made while the chart draws itself request no further draw.
        TScopedValue quiet(AutoRepaint, false);
        InternalDraw(ChartBounds);
    }
    if (toWindow && SharePicture(UserRect)) {
        FCanvas->ShowImage(nullptr, FWindowCanvas.get(), UserRect);
        return;
    }
    if (FWindowImage.isNull()) NewWindowImage();
    FCanvas->ShowImage(UserCanvas, FWindowCanvas.get(), UserRect);
}

void TCustomTeePanel::DrawBackdrop(TCanvas* UserCanvas, const TRect& UserRect)
{
    if (Printing || FCanvas->Metafiling) return;
    TCanvas* target = FCanvas->Canvas;
    const bool window = UserCanvas == FWindowCanvas.get();
    // Drawn straight onto another destination, the panel leaves that destination's own
    // background; a buffer or the window image would otherwise show their last picture.
    if (!target || (!window && target == UserCanvas)) return;
    const int w = ChartBounds.Width(), h = ChartBounds.Height();
    if (w <= 0 || h <= 0) return;
    QImage backdrop(w, h, QImage::Format_RGB32);
    backdrop.fill(Qt::white);
    if (QWidget* parent = parentWidget(); window && parent) {
        // The parent's own background and painting under the panel, not its other children.
        const QRect under(pos() + QPoint(UserRect.Left, UserRect.Top), QSize(w, h));
        parent->render(&backdrop, QPoint(), QRegion(under), QWidget::DrawWindowBackground);
    }
    TBitmap picture;
    picture.SetImage(backdrop);
    target->Draw(ChartBounds.Left, ChartBounds.Top, &picture);
}

void TCustomTeePanel::Invalidate()
{
    if (!AutoRepaint) return;
    if (FCanvas) FCanvas->Invalidate();
    FWindowInvalid = true;
    update();
}

void TCustomTeePanel::Paint()
{
    EnsureWindowImage();
    if (!Printing && FCanvas->ReDrawBitmap()) return;
    Draw();
}

void TCustomTeePanel::PaintWindow()
{
    EnsureWindowImage();
    if (!FWindowInvalid) return;
    FWindowInvalid = false;
    Paint();
    FWindowCanvas->Release();
}

void TCustomTeePanel::paintEvent(QPaintEvent*)
{
    platform::GuardedCall([this] { PaintWindow(); });
    FWindowCanvas->Release();
    QPainter p(this);
    p.drawImage(0, 0, FWindowImage);
}

void DrawBevel(TTeeCanvas* Canvas, TBevelCut Bevel, TRect& R, int Round, int Width)
{
    if (Bevel == bvNone) return;
    const TColor highlight = clBtnHighlight, shadow = clBtnShadow;
    if (Round >= 1) {
        Canvas->Pen->SetColor(Bevel == bvLowered ? shadow : highlight);
        Canvas->RoundRect(R, Round, Round);
        InflateRect(R, -Width, -Width);
    } else {
        Canvas->Frame3D(R, Bevel == bvLowered ? shadow : highlight, Bevel == bvRaised ? shadow : highlight, Width);
    }
}

void TCustomTeePanel::DrawPanelBevels(TRect Rect)
{
    TRect R = Rect;
    FCanvas->FrontPlaneBegin();
    FCanvas->Brush->SetStyle(bsClear);
    if (FBorder->GetVisible()) {
        FCanvas->AssignVisiblePen(FBorder);
        int inset = 0;
        const bool dotted = FBorder->GetSmallDots();
        if (dotted) {
            inset = 1;
        } else {
            const int w = FBorder->GetWidth() - 1;
            if (w > 0) {
                const int h = w / 2;
                const int grow = (w % 2 != 0) ? 1 : 0;
                R.Left += h + grow;
                R.Top += h + grow;
                const int shift = (h % 2 != 0) ? 1 - h : -h;
                R.Right += shift;
                R.Bottom += shift;
                inset = (h % 2 != 0) ? h - 1 : h;
            }
        }
        if (FBorderRound < 1) {
            FCanvas->Rectangle(R);
            if (!dotted) ++inset;
        } else {
            --R.Right;
            --R.Bottom;
            FCanvas->RoundRect(R, FBorderRound, FBorderRound);
        }
        InflateRect(R, -inset, -inset);
    }
    if (Printing && !PrintTeePanel) {
        FCanvas->FrontPlaneEnd();
        return;
    }
    FCanvas->Pen->SetStyle(psSolid);
    FCanvas->Pen->SetWidth(1);
    FCanvas->Pen->SetMode(pmCopy);
    DrawBevel(FCanvas.get(), GetBevelOuter(), R, FBorderRound, GetBevelWidth());
    if (GetBorderWidth() != 0) FCanvas->Frame3D(R, GetColor(), GetColor(), GetBorderWidth());
    DrawBevel(FCanvas.get(), GetBevelInner(), R, FBorderRound, GetBevelWidth());
    FCanvas->FrontPlaneEnd();
}

// ---- mouse and listeners

void TCustomTeePanel::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    CancelMouse = false;
    TCustomPanelNoCaption::MouseDown(Button, Shift, X, Y);
    BroadcastMouseEvent(meDown, Button, Shift, X, Y);
}

void TCustomTeePanel::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TCustomPanelNoCaption::MouseUp(Button, Shift, X, Y);
    BroadcastMouseEvent(meUp, Button, Shift, X, Y);
}

void TCustomTeePanel::MouseMove(TShiftState Shift, int X, int Y)
{
    CancelMouse = false;
    TCustomPanelNoCaption::MouseMove(Shift, X, Y);
    if (Listeners.Count() > 0 && !Designing) BroadcastMouseEvent(meMove, mbLeft, Shift, X, Y);
}

void TCustomTeePanel::DblClick()
{
    CancelMouse = false;
    TCustomPanelNoCaption::DblClick();
    // A handler that set CancelMouse abandons the click silently.
    if (CancelMouse) throw EAbort();
}

void TCustomTeePanel::MouseLeave()
{
    SetCursor(SavedCursor);
    Panning->Active = false;
    TCustomPanelNoCaption::MouseLeave();
}

void TCustomTeePanel::SysColorChange()
{
    TCustomPanelNoCaption::SysColorChange();
    Invalidate();
}

void TCustomTeePanel::BroadcastMouseEvent(TTeeMouseEventKind Kind, TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Listeners.Count() == 0) return;
    TTeeMouseEvent event;
    event.Event = Kind;
    event.Button = Button;
    event.Shift = Shift;
    event.X = X;
    event.Y = Y;
    BroadcastTeeEvent(&event);
}

TTeeEvent* TCustomTeePanel::BroadcastTeeEvent(TTeeEvent* Event)
{
    if (FDestroying) return Event;
    Event->Sender = this;
    const bool isMouse = dynamic_cast<TTeeMouseEvent*>(Event) != nullptr;
    // A listener may remove others (or itself) while it handles the event: the ones no
    // longer registered are skipped.
    const std::vector<ITeeEventListener*> snapshot = Listeners.Items();
    for (ITeeEventListener* l : snapshot) {
        if (Listeners.IndexOf(l) < 0) continue;
        l->TeeEvent(Event);
        if (isMouse && CancelMouse) break;
    }
    return Event;
}

// ---- copying

void TCustomTeePanel::Assign(QObject* Source)
{
    auto* p = qobject_cast<TCustomTeePanel*>(Source);
    if (!p) {
        const char* from = Source ? Source->metaObject()->className() : "nil";
        throw EConvertError(AnsiString("Cannot assign a ") + from + " to a " + metaObject()->className());
    }
    const bool old = AutoRepaint;
    AutoRepaint = false;
    FBorder->Assign(p->FBorder);
    FBorderRound = p->FBorderRound;
    SetBufferedDisplay(p->GetBufferedDisplay());
    PrintMargins = p->PrintMargins;
    PrintProportional = p->PrintProportional;
    PrintResolution = p->PrintResolution;
    std::copy(std::begin(p->FMargins), std::end(p->FMargins), std::begin(FMargins));
    FMarginUnits = p->FMarginUnits;
    SetMonochrome(p->GetMonochrome());
    FShadow->Assign(p->FShadow);
    FView3D = p->FView3D;
    FView3DOptions->Assign(p->FView3DOptions);
    SetColor(p->GetColor());
    AutoRepaint = old;
    Invalidate();
}

bool TCustomTeePanel::IsPropertyStored(const char* Name) const
{
    const std::string n = Name;
    if (n == "BorderRound") return FBorderRound != 0;
    if (n == "MarginLeft") return FMargins[0] != 3;
    if (n == "MarginTop") return FMargins[1] != 4;
    if (n == "MarginRight") return FMargins[2] != 3;
    if (n == "MarginBottom") return FMargins[3] != 4;
    if (n == "MarginUnits") return FMarginUnits != muPercent;
    if (n == "View3D") return !FView3D;
    if (n == "PrintProportional") return !PrintProportional;
    if (n == "PrintResolution") return PrintResolution != 0;
    if (n == "BufferedDisplay") return !GetBufferedDisplay();
    if (n == "Monochrome") return GetMonochrome();
    if (n == "BevelInner") return GetBevelInner() != bvNone;
    if (n == "BevelOuter") return GetBevelOuter() != bvRaised;
    if (n == "BevelWidth") return GetBevelWidth() != 1;
    if (n == "BorderWidth") return GetBorderWidth() != 0;
    if (n == "Color") return GetColor() != clBtnFace;
    return true;
}
