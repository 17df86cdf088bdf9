#include "chart/series/TColorGridSeries.h"

#include <QPainter>
#include <algorithm>
#include <cstring>
#include <unordered_set>
#include <vector>

#include "chart/engine/SeriesHost.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TCustomAxisPanel.h"
#include "chart/engine/TView3DOptions.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeBitmapResample.h"
#include "chart/engine/TeeGeometry.h"
#include "chart/engine/TeeProCo.h"
#include "platform/TCanvas.h"

void TColorGridBitmap::Draw(TCanvas* ACanvas, const TRect& r)
{
    if (!GetTransparent()) {
        TBitmap::Draw(ACanvas, r);
        return;
    }
    if (GetEmpty() || !ACanvas) return;
    QImage image = Image().convertToFormat(QImage::Format_ARGB32);
    const QRgb key = qRgb(GetRValue(TransparentColor), GetGValue(TransparentColor), GetBValue(TransparentColor));
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if ((line[x] & 0xFFFFFFu) == (key & 0xFFFFFFu)) line[x] = 0;
    }
    if (QPainter* p = ACanvas->Painter()) p->drawImage(QRect(r.Left, r.Top, r.Width(), r.Height()), image);
}

TColorGridSeries::TColorGridSeries(QObject* owner)
    : TCustom3DGridSeries(owner), FBitmap(std::make_unique<TColorGridBitmap>())
{
    FFrame = new TChartHiddenPen([this](QObject*) { Repaint(); }, this);
    Marks()->GetCallout()->SetLength(0);
}

TColorGridSeries::~TColorGridSeries()
{
    FFrame->OnChange = nullptr;
}

void TColorGridSeries::Assign(const TCustomChartElement& source)
{
    if (auto* other = dynamic_cast<const TColorGridSeries*>(&source); other && other != this) {
        FSettings = other->FSettings;
        SetFrame(other->FFrame);
    }
    TCustom3DGridSeries::Assign(source);
}

bool TColorGridSeries::IsPropertyStored(const char* Name) const
{
    static const TColorGridSettings defaults;
    const auto is = [Name](const char* n) { return std::strcmp(Name, n) == 0; };
    if (is("CenteredPoints")) return FSettings.CenteredPoints != defaults.CenteredPoints;
    if (is("SmoothBitmap")) return FSettings.SmoothBitmap != defaults.SmoothBitmap;
    if (is("XGridEvery")) return FSettings.XGridEvery != defaults.XGridEvery;
    if (is("ZGridEvery")) return FSettings.ZGridEvery != defaults.ZGridEvery;
    return TCustom3DGridSeries::IsPropertyStored(Name);
}

double TColorGridSeries::CalcMaxValue(double value) const
{
    if (FSettings.CenteredPoints) return value + 0.5;
    return GetIrregularGrid() ? value : value + 1;
}

double TColorGridSeries::MaxXValue()
{
    return CalcMaxValue(FX->MaxValue());
}

double TColorGridSeries::MinXValue()
{
    return CalcMinValue(FX->MinValue());
}

double TColorGridSeries::MaxZValue()
{
    return CalcMaxValue(FZ->MaxValue());
}

double TColorGridSeries::MinZValue()
{
    return CalcMinValue(FZ->MinValue());
}

// ---------------------------------------------------------------- cells

int TColorGridSeries::CellCount(bool alongX) const
{
    const int n = alongX ? GetNumXValues() : GetNumZValues();
    // An irregular grid of N uncentred values has N - 1 cells between them.
    return GetIrregularGrid() && !FSettings.CenteredPoints ? n - 1 : n;
}

double TColorGridSeries::CellLow(bool alongX, int cell) const
{
    return CalcMinValue(alongX ? GridXValue(cell) : GridZValue(cell));
}

double TColorGridSeries::CellHigh(bool alongX, int cell) const
{
    if (GetIrregularGrid() && !FSettings.CenteredPoints) return alongX ? GridXValue(cell + 1) : GridZValue(cell + 1);
    return CalcMaxValue(alongX ? GridXValue(cell) : GridZValue(cell));
}

bool TColorGridSeries::VisibleCells(bool alongX, TCellRange& range) const
{
    const int n = CellCount(alongX);
    if (n < 1) return false;
    TChartAxis* axis = alongX ? GetHorizAxis() : GetVertAxis();
    double from = CellLow(alongX, 1), to = CellHigh(alongX, n);
    if (axis) {
        const double a = axis->CalcPosPoint(axis->StartPos), b = axis->CalcPosPoint(axis->EndPos);
        from = std::min(a, b);
        to = std::max(a, b);
    }
    range.First = 0;
    for (int c = 1; c <= n; ++c) {
        if (CellHigh(alongX, c) <= from || CellLow(alongX, c) >= to) continue;
        if (range.First == 0) range.First = c;
        range.Last = c;
    }
    if (range.First == 0) return false;
    range.From = CellLow(alongX, range.First);
    range.To = CellHigh(alongX, range.Last);
    return true;
}

int TColorGridSeries::CellAt(bool alongX, double value) const
{
    const int n = CellCount(alongX);
    for (int c = 1; c <= n; ++c)
        if (CellLow(alongX, c) <= value && value < CellHigh(alongX, c)) return c;
    return 0;
}

// ---------------------------------------------------------------- drawing

void TColorGridSeries::DrawAllValues()
{
    if (Count() == 0) return;
    ISeriesHost* host = SeriesHost();
    TCanvas3D* canvas = host ? host->GetCanvas() : nullptr;
    if (!canvas) return;
    TCellRange columns, rows;
    // Nothing of the grid in view: nothing to draw.
    if (!VisibleCells(true, columns) || !VisibleCells(false, rows)) return;

    const int width = columns.Last - columns.First + 1, height = rows.Last - rows.First + 1;
    // A hollow brush shows no cell at all.
    const bool hollow = Brush()->GetStyle() == bsClear;
    std::vector<TColor> cells(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), clNone);
    bool holes = hollow;
    std::unordered_set<TColor> used;
    for (int z = rows.First; z <= rows.Last && !hollow; ++z)
        for (int x = columns.First; x <= columns.Last; ++x) {
            const int i = GridIndex(x, z);
            const TColor c = i >= 0 ? GetValueColor(i) : clNone;
            cells[static_cast<std::size_t>(z - rows.First) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x - columns.First)] = c;
            if (c == clNone)
                holes = true;
            else
                used.insert(c & 0xFFFFFF);
        }
    // Holes take the picture's transparent colour: white, or a near-white that no cell has,
    // so that a white cell stays a cell.
    TColor key = clWhite;
    while (used.count(key) != 0) --key;
    FBitmap->SetSize(width, height);
    for (int row = 0; row < height; ++row) {
        std::uint8_t* pixel = FBitmap->ScanLine(row);
        for (int column = 0; column < width; ++column, pixel += 4) {
            TColor c = cells[static_cast<std::size_t>(row) * static_cast<std::size_t>(width) +
                             static_cast<std::size_t>(column)];
            if (c == clNone) c = key;
            pixel[0] = static_cast<std::uint8_t>((c >> 16) & 0xFF);
            pixel[1] = static_cast<std::uint8_t>((c >> 8) & 0xFF);
            pixel[2] = static_cast<std::uint8_t>(c & 0xFF);
            pixel[3] = 0xFF;
        }
    }
    FBitmap->TransparentColor = key;
    // Once a grid showed holes its picture stays see-through.
    if (holes) FBitmap->SetTransparent(true);

    // The picture's first row is the lowest Z: it goes where the axis puts the lowest Z.
    const TRect placed(CalcXPosValue(columns.From), CalcYPosValue(rows.From), CalcXPosValue(columns.To),
                       CalcYPosValue(rows.To));
    const bool mirrorX = placed.Left > placed.Right, mirrorY = placed.Top > placed.Bottom;
    const TRect r = OrientRectangle(placed);
    TColorGridBitmap picture;
    picture.SetImage(FBitmap->Image().mirrored(mirrorX, mirrorY));
    picture.SetTransparent(FBitmap->GetTransparent());
    picture.TransparentColor = key;
    TColorGridBitmap smooth;
    TBitmap* drawn = &picture;
    if (FSettings.SmoothBitmap && width >= 2 && height >= 2) {
        smooth.SetSize(r.Right - r.Left + 1, r.Bottom - r.Top + 1);
        SmoothStretch(&picture, &smooth);
        smooth.SetTransparent(picture.GetTransparent());
        smooth.TransparentColor = key;
        drawn = &smooth;
    }
    TView3DOptions* o = host->GetView3DOptions();
    if (host->GetView3D() && o && !o->GetOrthogonal())
        canvas->StretchDraw(r, drawn, MiddleZ);
    else
        canvas->StretchDraw(canvas->CalcRect3D(r, MiddleZ), drawn);

    if (Pen()->GetVisible()) DrawGridLines(r);
    if (FFrame->GetVisible()) {
        canvas->SetBackMode(cbmTransparent);
        canvas->AssignVisiblePen(FFrame);
        canvas->Brush->SetStyle(bsClear);
        canvas->RectangleWithZ(r, MiddleZ);
    }
}

void TColorGridSeries::DrawGridLines(const TRect& r)
{
    ISeriesHost* host = SeriesHost();
    TCanvas3D* canvas = host->GetCanvas();
    canvas->SetBackMode(cbmTransparent);
    canvas->AssignVisiblePen(Pen());
    const bool is3D = host->GetView3D();
    const int k = GetIrregularGrid() && !FSettings.CenteredPoints ? 1 : 0;
    const double c = FSettings.CenteredPoints ? 0.5 : 0;
    // A line at the lower edge of every ZGridEvery-th row after the first; none for a
    // step below 1.
    if (FSettings.ZGridEvery > 0) {
        const int n = (GetNumZValues() - k - 1) / FSettings.ZGridEvery;
        for (int i = 1; i <= n; ++i) {
            const int y = CalcYPosValue(GridZValue(FSettings.ZGridEvery * i + 1) - c);
            if (is3D)
                canvas->HorizLine3D(r.Left, r.Right, y, MiddleZ);
            else
                canvas->DoHorizLine(r.Left, r.Right, y);
        }
    }
    if (FSettings.XGridEvery > 0) {
        const int n = (GetNumXValues() - k - 1) / FSettings.XGridEvery;
        for (int i = 1; i <= n; ++i) {
            const int x = CalcXPosValue(GridXValue(FSettings.XGridEvery * i + 1) - c);
            if (is3D)
                canvas->VertLine3D(x, r.Top, r.Bottom, MiddleZ);
            else
                canvas->DoVertLine(x, r.Top, r.Bottom);
        }
    }
}

void TColorGridSeries::DrawMark(int valueIndex, const AnsiString& text, TSeriesMarkPosition& position)
{
    const double offset = FSettings.CenteredPoints || GetIrregularGrid() ? 0 : 0.5;
    position.LeftTop.X = CalcXPosValue(FX->Value(valueIndex) + offset) - position.Width / 2;
    position.LeftTop.Y = CalcYPosValue(FZ->Value(valueIndex) + offset) - position.Height / 2;
    TCustom3DGridSeries::DrawMark(valueIndex, text, position);
}

int TColorGridSeries::Clicked(int x, int y)
{
    if (Count() == 0) return -1;
    const int column = CellAt(true, XScreenToValue(x));
    const int row = CellAt(false, YScreenToValue(y));
    if (column == 0 || row == 0) return -1;
    return GridIndex(column, row);
}

void TColorGridSeries::SetBitmap(TBitmap* bitmap)
{
    if (!bitmap) return;
    FBitmap->SetImage(bitmap->Image());
    const QImage image = FBitmap->Image();
    TSeriesUpdateGuard update(*this);
    Clear();
    SetCenteredPoints(true);
    SetNumXValues(image.width());
    SetNumZValues(image.height());
    for (TChartValueList* list : FValuesList) list->Reserve(image.width() * image.height());
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y) {
            const QRgb p = image.pixel(x, y);
            const TColor c = RGB(qRed(p), qGreen(p), qBlue(p));
            AddXYZ(x + 1, c, y + 1, AnsiString(), c);
        }
}

// ---------------------------------------------------------------- gallery

void TColorGridSeries::CreateSubGallery(const TChartSubGalleryProc& AddSubChart)
{
    TCustom3DGridSeries::CreateSubGallery(AddSubChart);
    AddSubChart(TeeMsg_NoGrid);
}

void TColorGridSeries::SetSubGallery(TChartSeries* series, int index)
{
    if (index == 2)
        series->Pen()->Hide();
    else
        TCustom3DGridSeries::SetSubGallery(series, index);
}

void TColorGridSeries::GalleryChanged3D(bool is3D)
{
    TCustom3DGridSeries::GalleryChanged3D(is3D);
    if (auto* panel = dynamic_cast<TCustomAxisPanel*>(FParentChart)) {
        panel->SetView3D(is3D);
        panel->SetClipPoints(true);
    }
}

void TColorGridSeries::PrepareForGallery(bool enabled)
{
    TCustom3DGridSeries::PrepareForGallery(enabled);
    FSampleMode = true;
    CreateValues(8, 4);
}
