// Marks as framed shapes: items, symbol, callout, hit test, overlap avoidance and drawing.
#include <cmath>
#include <cstring>
#include <vector>

#include "chart/engine/SeriesHost.h"
#include "chart/engine/TChartSeries.h"
#include "chart/engine/TSeriesMarks.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeHtml.h"
#include "platform/Round.h"

namespace {

// Grey, one pixel: the shadow of marks, items and symbols, also as its unstored default.
void InitSmallShadow(TTeeShadow* shadow, TColor color)
{
    shadow->InitDefaults(color, 1);
}

constexpr TColor MarkShadowColor = 0x808080;

}  // namespace

// ---- TSeriesMarksGradient

TSeriesMarksGradient::TSeriesMarksGradient()
{
    SetDirection(gdRightLeft);
    SetStartColor(clSilver);
    SetEndColor(clWhite);
}

bool TSeriesMarksGradient::IsPropertyStored(const char* Name) const
{
    if (std::strcmp(Name, "Direction") == 0) return GetDirection() != gdRightLeft;
    if (std::strcmp(Name, "StartColor") == 0) return GetStartColor() != clSilver;
    if (std::strcmp(Name, "EndColor") == 0) return GetEndColor() != clWhite;
    return TTeeGradient::IsPropertyStored(Name);
}

// ---- TMarksItem

TMarksItem::TMarksItem(TCustomTeePanel* chart, QObject* owner) : TTeeCustomShape(chart)
{
    if (owner) setParent(owner);
    SetColor(clInfoBk);
    InitShadow(GetShadow());
}

void TMarksItem::InitShadow(TTeeShadow* AShadow)
{
    InitSmallShadow(AShadow, MarkShadowColor);
}

bool TMarksItem::IsPropertyStored(const char* Name) const
{
    if (std::strcmp(Name, "Color") == 0) return GetColor() != clInfoBk;
    return TTeeCustomShape::IsPropertyStored(Name);
}

// ---- TSeriesMarksSymbol

TSeriesMarksSymbol::TSeriesMarksSymbol(TCustomTeePanel* chart) : TTeeCustomShape(chart)
{
    FVisible = false;
    InitShadow(GetShadow());
}

void TSeriesMarksSymbol::InitShadow(TTeeShadow* AShadow)
{
    const TColor color = AShadow->GetColor();
    InitSmallShadow(AShadow, color);
}

bool TSeriesMarksSymbol::IsPropertyStored(const char* Name) const
{
    if (std::strcmp(Name, "Visible") == 0) return FVisible;
    return TTeeCustomShape::IsPropertyStored(Name);
}

// ---- TSeriesMarks: settings

void TSeriesMarks::InitShadow(TTeeShadow* AShadow)
{
    InitSmallShadow(AShadow, MarkShadowColor);
}

bool TSeriesMarks::IsPropertyStored(const char* Name) const
{
    if (std::strcmp(Name, "Visible") == 0) return FVisible;
    if (std::strcmp(Name, "Color") == 0) return GetColor() != clInfoBk;
    if (std::strcmp(Name, "Callout") == 0) return FCallout != nullptr;
    if (std::strcmp(Name, "Symbol") == 0) return FSymbol != nullptr;
    return TTeeCustomShape::IsPropertyStored(Name);
}

void TSeriesMarks::Assign(TPersistent* Source)
{
    if (auto* marks = qobject_cast<TSeriesMarks*>(Source))
        Assign(*marks);
    else
        TTeeCustomShape::Assign(Source);
}

void TSeriesMarks::SetParent(TCustomTeePanel* Value)
{
    TTeeCustomShape::SetParent(Value);
    if (FCallout) FCallout->SetParent(Value);
    if (FSymbol) FSymbol->SetParent(Value);
    for (int i = 0; i < FItems.Count(); ++i)
        if (TMarksItem* item = FItems.Find(i)) item->SetParent(Value);
}

TMarksCallout* TSeriesMarks::GetCallout()
{
    if (!FCallout) {
        FCallout = new TMarksCallout(FParentSeries);
        FCallout->setParent(this);
        FCallout->SetParent(ParentChart());
    }
    return FCallout;
}

void TSeriesMarks::SetCallout(TMarksCallout* Value)
{
    AssignPart(FCallout, Value, [this] { return GetCallout(); });
    RepaintSeries();
}

TChartPen* TSeriesMarks::GetArrow()
{
    return GetCallout()->GetArrow();
}
int TSeriesMarks::GetArrowLength()
{
    return GetCallout()->GetLength();
}
void TSeriesMarks::SetArrowLength(int Value)
{
    GetCallout()->SetLength(Value);
}

TSeriesMarksSymbol* TSeriesMarks::GetSymbol()
{
    if (!FSymbol) {
        FSymbol = new TSeriesMarksSymbol(ParentChart());
        FSymbol->setParent(this);
    }
    return FSymbol;
}

void TSeriesMarks::SetSymbol(TSeriesMarksSymbol* Value)
{
    AssignPart(FSymbol, Value, [this] { return GetSymbol(); });
    RepaintSeries();
}

TTeeCustomShape* TSeriesMarks::MarkItem(int index)
{
    if (index >= 0 && index < FItems.Count()) return FItems.Get(index);
    return this;
}

// ---- TSeriesMarks: geometry

namespace {

TCanvas3D* CanvasOf(TChartSeries* series, ISeriesHost** hostOut = nullptr)
{
    ISeriesHost* host = series ? SeriesHostOf(series->ParentChart()) : nullptr;
    if (hostOut) *hostOut = host;
    return host ? host->GetCanvas() : nullptr;
}

}  // namespace

int TSeriesMarks::Clicked(int x, int y)
{
    if (TCanvas3D* canvas = CanvasOf(FParentSeries)) canvas->Calculate2DPosition(x, y, ZPosition);
    const int every = std::max(1, FMarksSettings.DrawEvery);
    for (int i = 0; i < FPositions.Count(); i += every) {
        const TSeriesMarkPosition* p = FPositions.Get(i);
        if (!p) continue;
        const TRect r = p->Bounds();
        if (x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom) return i;
    }
    return -1;
}

void TSeriesMarks::ApplyArrowLength(TSeriesMarkPosition& position)
{
    if (FCallout) FCallout->ApplyArrowLength(position);
}

void TSeriesMarks::ConvertTo2D(const TPoint& point, TPoint& pos)
{
    ISeriesHost* host = nullptr;
    TCanvas3D* canvas = CanvasOf(FParentSeries, &host);
    if (!canvas || !host->GetView3D() || canvas->GetSupports3DText()) return;
    const TPoint p = canvas->Calculate3DPosition(point, ZPosition);
    pos.X += p.X - point.X;
    pos.Y += p.Y - point.Y;
}

TRect TSeriesMarks::CoveredRect(int index, const TSeriesMarkPosition& position)
{
    TTeeCustomShape* item = MarkItem(index);
    TRect r = position.Bounds();
    if (item->GetPen()->GetVisible()) {
        r.Right += item->GetPen()->GetWidth();
        r.Bottom += item->GetPen()->GetWidth();
    }
    if (TTeeShadow* shadow = item->StoredShadow()) {
        // A shadow to the left or above widens that side instead.
        const int h = shadow->GetHorizSize(), v = shadow->GetVertSize();
        (h > 0 ? r.Right : r.Left) += h;
        (v > 0 ? r.Bottom : r.Top) += v;
    }
    TPoint moved = r.TopLeft();
    ConvertTo2D(position.ArrowTo, moved);
    const int dx = moved.X - r.Left, dy = moved.Y - r.Top;
    return TRect(r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy);
}

void TSeriesMarks::AntiOverlap(int first, int index, TSeriesMarkPosition& position)
{
    const TRect r = CoveredRect(index, position);
    for (int j = std::max(0, first); j < index; ++j) {
        const TSeriesMarkPosition* other = FPositions.Get(j);
        if (!other) continue;
        const TRect rj = CoveredRect(j, *other);
        if (r.Left >= rj.Right || rj.Left >= r.Right || r.Top >= rj.Bottom || rj.Top >= r.Bottom) continue;
        const int delta = rj.Top > r.Top ? -(r.Bottom - rj.Top) : rj.Bottom - r.Top;
        position.LeftTop.Y += delta;
        position.ArrowTo.Y += delta;
    }
}

int TSeriesMarks::TextWidth(int index)
{
    TCanvas3D* canvas = CanvasOf(FParentSeries);
    if (!canvas || !FParentSeries) return 0;
    int lines = 0;
    return TeeMultiLineTextWidth(canvas, FParentSeries->GetMarkText(index), lines);
}

// ---- TSeriesMarks: drawing

void TSeriesMarks::InternalDraw(int index, TColor color, const AnsiString& text, TSeriesMarkPosition& position)
{
    UsePosition(index, position);
    ISeriesHost* host = nullptr;
    TCanvas3D* canvas = CanvasOf(FParentSeries, &host);
    if (!canvas) return;
    TTeeCustomShape* item = MarkItem(index);

    if (FCallout && (FCallout->GetVisible() || FCallout->GetArrow()->GetVisible()))
        FCallout->Draw(color, position.ArrowFrom, position.ArrowTo, ZPosition);

    if (item->GetTransparent()) {
        canvas->Brush->SetStyle(bsClear);
        canvas->SetBackMode(cbmTransparent);
    } else {
        canvas->AssignBrushColor(item->GetBrush(), item->GetColor(), host->GetBackColor());
    }
    canvas->AssignVisiblePen(item->GetPen());

    ConvertTo2D(position.ArrowTo, position.LeftTop);
    const TRect bounds = position.Bounds();
    item->DrawRectRotated(bounds, FMarksSettings.Angle % 360, ZPosition + 1);

    TRect textRect = bounds;
    textRect.Left += 2;
    if (FSymbol && FSymbol->ShouldDraw()) {
        const int fh = canvas->GetFontHeight();
        // The point's colour, set while painting: no repaint.
        const bool oldAutoRepaint = host->GetAutoRepaint();
        host->SetAutoRepaint(false);
        FSymbol->SetColor(FParentSeries->ValueColor(index));
        FSymbol->SetTransparent(false);
        host->SetAutoRepaint(oldAutoRepaint);
        FSymbol->ShapeBounds = TRect(position.LeftTop.X + 4, position.LeftTop.Y + 3, position.LeftTop.X + fh - 1,
                                     position.LeftTop.Y + fh - 2);
        FSymbol->DrawRectRotated(FSymbol->ShapeBounds, FMarksSettings.Angle % 360, ZPosition + 1);
        textRect.Left += FSymbol->GetWidth() + 4;
    }

    canvas->Brush->SetStyle(bsClear);
    canvas->SetBackMode(cbmTransparent);
    canvas->SetTextAlign(TA_CENTER);
    DrawText(textRect, text);
}

void TSeriesMarks::DrawText(const TRect& rect, const AnsiString& text)
{
    ISeriesHost* host = nullptr;
    TCanvas3D* canvas = CanvasOf(FParentSeries, &host);
    if (!canvas) return;
    const bool full3D = canvas->GetSupports3DText();
    const int x = (rect.Left + rect.Right) / 2;
    if (GetTextFormat() == ttfHtml) {
        canvas->TextOut(x, rect.Top, text, true);
        return;
    }
    const int fontHeight = canvas->GetFontHeight();
    const int frame = GetPen()->GetVisible() ? GetPen()->GetWidth() : 0;
    const int angle = FMarksSettings.Angle % 360;
    const double a = angle * TeePiStep;
    const double s = std::sin(a), c = std::cos(a);
    const int cy = (rect.Top + rect.Bottom) / 2;

    // Lines split at the separator; after each one the rest is cut to 255 characters.
    std::vector<AnsiString> lines;
    AnsiString rest = text;
    for (;;) {
        const std::size_t sep = rest.find(TeeLineSeparator);
        if (sep == AnsiString::npos) {
            lines.push_back(rest);
            break;
        }
        lines.push_back(rest.substr(0, sep));
        rest = rest.substr(sep + 1, 255);
    }
    for (int line = 0; line < static_cast<int>(lines.size()); ++line) {
        const AnsiString& part = lines[static_cast<std::size_t>(line)];
        if (angle == 0) {
            const int y = rect.Top + line * fontHeight + frame;
            if (full3D)
                canvas->TextOut3D(x, y, ZPosition, part);
            else
                canvas->TextOut(x, y, part);
        } else {
            const int d = line * fontHeight + (cy - rect.Bottom);
            const int tx = x + Round(d * s) + (angle == 90 ? 2 : 0);
            const int ty = cy + Round(d * c);
            if (full3D)
                canvas->RotateLabel3D(tx, ty, ZPosition, part, angle);
            else
                canvas->RotateLabel(tx, ty, part, angle);
        }
    }
}
