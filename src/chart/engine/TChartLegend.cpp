#include "chart/engine/TChartLegend.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "chart/engine/ChartExceptions.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TCustomSeriesList.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeHtml.h"
#include "chart/engine/TeeProcs.h"
#include "platform/Round.h"
#include "platform/StoreChanged.h"
#include "platform/StoredRules.h"

// ---- TChartLegendGradient

TChartLegendGradient::TChartLegendGradient(const TNotifyEvent& OnChangeEvent, QObject* parent)
    : TTeeGradient(OnChangeEvent, parent)
{
    SetDirection(gdRightLeft);
    SetStartColor(TColor(0xC0C0C0));
    SetEndColor(TColor(0xFFFFFF));
}

// ---- TLegendSymbol

TLegendSymbol::TLegendSymbol(TCustomChartLegend* ALegend) : TPersistent(ALegend), FLegend(ALegend)
{
    FPen = new TChartPen([this](QObject*) { PropertyChanged(); }, this);
}

void TLegendSymbol::PropertyChanged()
{
    if (FLegend) FLegend->Repaint();
}

int TLegendSymbol::CalcWidth(int Value) const
{
    if (!FSettings.Visible) return 0;
    if (FSettings.Squared) return FLegend ? FLegend->CalcItemHeight() - 5 : 0;
    if (FSettings.WidthUnits == lcsPixels) return FSettings.Width;
    return Round(FSettings.Width * Value * 0.01);
}

void TLegendSymbol::Assign(TPersistent* Source)
{
    if (auto* s = qobject_cast<TLegendSymbol*>(Source)) {
        FSettings = s->FSettings;
        FPen->Assign(s->FPen);
        OnDraw = s->OnDraw;
        return;
    }
    TPersistent::Assign(Source);
}

bool TLegendSymbol::IsPropertyStored(const char* Name) const
{
    static const TLegendSymbolSettings defaults;
    const auto is = [Name](const char* n) { return std::strcmp(Name, n) == 0; };
    if (is("Continuous")) return FSettings.Continuous != defaults.Continuous;
    if (is("DefaultPen")) return FSettings.DefaultPen != defaults.DefaultPen;
    if (is("Position")) return FSettings.Position != defaults.Position;
    if (is("Squared")) return FSettings.Squared != defaults.Squared;
    if (is("Visible")) return FSettings.Visible != defaults.Visible;
    if (is("Width")) return FSettings.Width != defaults.Width;
    if (is("WidthUnits")) return FSettings.WidthUnits != defaults.WidthUnits;
    return TPersistent::IsPropertyStored(Name);
}

// ---- TLegendTitle

TLegendTitle::TLegendTitle(TCustomTeePanel* AOwner) : TTeeShape(AOwner)
{
    DefaultTransparent = true;
    SetTransparent(true);
    GetFont()->SetStyle(TFontStyles(fsBold));
    GetShadow()->SetSize(2);
    GetShadow()->SetColor(TColor(0xC0C0C0));
}

void TLegendTitle::Assign(TPersistent* Source)
{
    if (auto* s = qobject_cast<TLegendTitle*>(Source)) {
        FText = s->FText;
        FTextAlignment = s->FTextAlignment;
    }
    TTeeShape::Assign(Source);
}

bool TLegendTitle::IsPropertyStored(const char* Name) const
{
    if (std::strcmp(Name, "Text") == 0) return !FText.empty();
    if (std::strcmp(Name, "TextAlignment") == 0) return FTextAlignment != taLeftJustify;
    return TTeeShape::IsPropertyStored(Name);
}

int TLegendTitle::CalcHeight()
{
    TCanvas3D* canvas = ParentChart() ? ParentChart()->GetCanvas() : nullptr;
    if (!canvas) return 0;
    canvas->AssignFont(GetFont());
    FHeight = static_cast<int>(FText.size()) * canvas->GetFontHeight();
    if (!GetTransparent()) {
        FHeight += 2;
        FHeight += 2 * FrameWidth();
    }
    return FHeight;
}

int TLegendTitle::TotalWidth()
{
    TCanvas3D* canvas = ParentChart() ? ParentChart()->GetCanvas() : nullptr;
    if (!canvas) return 0;
    canvas->AssignFont(GetFont());
    int widest = 0;
    for (const AnsiString& s : FText) widest = std::max(widest, canvas->TextWidth(s));
    int result = widest + canvas->TextWidth("W");
    if (!GetTransparent()) result += 2 * FrameWidth() + GetShadow()->GetHorizSize();
    return result;
}

void TLegendTitle::CalcShapeBounds(const TRect& R)
{
    ShapeBounds.Left = R.Left + 2;
    ShapeBounds.Top = R.Top + 2;
    ShapeBounds.Right = R.Right - 2;
    if (!GetTransparent()) {
        const int h = GetShadow()->GetHorizSize();
        if (h <= 0)
            ShapeBounds.Left += std::abs(h);
        else
            ShapeBounds.Right -= h;
        const int v = GetShadow()->GetVertSize();
        if (v < 0) ShapeBounds.Top += std::abs(v);
    }
    ShapeBounds.Bottom = ShapeBounds.Top + FHeight;
}

void TLegendTitle::DrawText()
{
    TCanvas3D* canvas = ParentChart() ? ParentChart()->GetCanvas() : nullptr;
    if (!canvas) return;
    canvas->AssignFont(GetFont());
    canvas->SetTextAlign(TA_LEFT | TA_TOP);
    canvas->SetBackMode(cbmTransparent);
    const int W = canvas->TextWidth("W");
    const int left = ShapeBounds.Left + W / 2;
    if (GetTextFormat() == ttfHtml) {
        AnsiString all;
        for (std::size_t i = 0; i < FText.size(); ++i) {
            if (i > 0) all += '\r';
            all += FText[i];
        }
        canvas->TextOut(left, ShapeBounds.Top + 1, all, true);
        return;
    }
    const int H = canvas->GetFontHeight();
    const int centre = (ShapeBounds.Left + ShapeBounds.Right) / 2;
    for (std::size_t i = 0; i < FText.size(); ++i) {
        const AnsiString& s = FText[i];
        int x = left;
        if (FTextAlignment == taRightJustify)
            x = ShapeBounds.Right - canvas->TextWidth(s) - W / 2;
        else if (FTextAlignment == taCenter)
            x = centre - canvas->TextWidth(s) / 2;
        canvas->TextOut(x, ShapeBounds.Top + static_cast<int>(i) * H + 1, s);
    }
}

// ---- TCustomChartLegend

TCustomChartLegend::TCustomChartLegend(TCustomTeePanel* AOwner) : TTeeCustomShapePosition(AOwner)
{
    FDividingLines = new TChartHiddenPen([this](QObject*) { Repaint(); }, this);
    FSymbol = new TLegendSymbol(this);
    FTitle = new TLegendTitle(AOwner);
    FTitle->setParent(this);
}

TCustomChartLegend::~TCustomChartLegend() = default;

TTeeGradient* TCustomChartLegend::NewGradient()
{
    return new TChartLegendGradient();
}

TCustomChart* TCustomChartLegend::Chart() const
{
    return qobject_cast<TCustomChart*>(ParentChart());
}

void TCustomChartLegend::SetCheckBoxes(bool Value)
{
    if (!StoreChanged(FSettings.CheckBoxes, Value)) return;
    FInternalStyle = CalcLegendStyle();
    Repaint();
}

void TCustomChartLegend::SetCheckBoxesStyle(TCheckBoxesStyle Value)
{
    if (!StoreChanged(FSettings.CheckBoxesStyle, Value)) return;
    if (Value == cbsRadio) {
        if (TCustomChart* chart = Chart()) {
            bool found = false;
            for (TChartSeries* s : *chart->SeriesList()) {
                if (!s->GetShowInLegend() || !s->GetActive()) continue;
                if (found)
                    s->SetActive(false);
                else
                    found = true;
            }
        }
    }
    Repaint();
}

void TCustomChartLegend::SetFirstValue(int Value)
{
    if (Value < 0) throw LegendException(TeeMsg_LegendFirstValue);
    SetProperty(FSettings.FirstValue, Value);
}

void TCustomChartLegend::SetLegendStyle(TLegendStyle Value)
{
    if (!StoreChanged(FSettings.LegendStyle, Value)) return;
    FInternalStyle = CalcLegendStyle();
    Repaint();
}

void TCustomChartLegend::Assign(TPersistent* Source)
{
    if (auto* s = qobject_cast<TCustomChartLegend*>(Source)) {
        FSettings = s->FSettings;
        FDividingLines->Assign(s->FDividingLines);
        FSymbol->Assign(s->FSymbol);
        FTitle->Assign(s->FTitle);
    }
    TTeeCustomShapePosition::Assign(Source);
}

bool TCustomChartLegend::IsPropertyStored(const char* Name) const
{
    static const TLegendSettings defaults;
    const TStoredRule rules[] = {
        {"Alignment", FSettings.Alignment != defaults.Alignment},
        {"CheckBoxes", FSettings.CheckBoxes != defaults.CheckBoxes},
        {"CheckBoxesStyle", FSettings.CheckBoxesStyle != defaults.CheckBoxesStyle},
        {"CurrentPage", FSettings.CurrentPage != defaults.CurrentPage},
        {"FirstValue", FSettings.FirstValue != defaults.FirstValue},
        {"FontSeriesColor", FSettings.FontSeriesColor != defaults.FontSeriesColor},
        {"HorizMargin", FSettings.HorizMargin != defaults.HorizMargin},
        {"Inverted", FSettings.Inverted != defaults.Inverted},
        {"LegendStyle", FSettings.LegendStyle != defaults.LegendStyle},
        {"MaxNumRows", FSettings.MaxNumRows != defaults.MaxNumRows},
        {"ResizeChart", FSettings.ResizeChart != defaults.ResizeChart},
        {"TextStyle", FSettings.TextStyle != defaults.TextStyle},
        {"TopPos", FSettings.TopPos != defaults.TopPos},
        {"VertMargin", FSettings.VertMargin != defaults.VertMargin},
        {"VertSpacing", FSettings.VertSpacing != defaults.VertSpacing},
    };
    if (const auto stored = StoredByRule(rules, Name)) return *stored;
    return TTeeCustomShapePosition::IsPropertyStored(Name);
}

// ---------------------------------------------------------------- queries

TLegendStyle TCustomChartLegend::CalcLegendStyle() const
{
    if (FSettings.LegendStyle != lsAuto) return FSettings.LegendStyle;
    TCustomChart* chart = Chart();
    if (FSettings.CheckBoxes || (chart && chart->CountActiveSeries() > 1)) return lsSeries;
    return lsValues;
}

TChartSeries* TCustomChartLegend::GetLegendSeries() const
{
    if (FSeries) return FSeries;
    TCustomChart* chart = Chart();
    return chart ? chart->GetASeries() : nullptr;
}

bool TCustomChartLegend::ShouldDraw() const
{
    if (!GetVisible()) return false;
    TCustomChart* chart = Chart();
    const bool boxes = FSettings.CheckBoxes && CalcLegendStyle() != lsValues;
    return boxes || (chart && chart->CountActiveSeries() > 0);
}

TChartSeries* TCustomChartLegend::ItemSeries(int Index, bool OnlyActive) const
{
    TCustomChart* chart = Chart();
    return chart ? chart->SeriesLegend(Index, OnlyActive) : nullptr;
}

AnsiString TCustomChartLegend::FormattedLegend(int Index)
{
    TCustomChart* chart = Chart();
    if (!chart) return AnsiString();
    switch (FInternalStyle) {
        case lsSeries: return chart->SeriesTitleLegend(Index, !HasCheckBoxes());
        case lsValues: return chart->FormattedValueLegend(GetLegendSeries(), Index);
        case lsLastValues: {
            TChartSeries* s = ItemSeries(Index, !HasCheckBoxes());
            return s ? chart->FormattedValueLegend(s, s->Count() - 1) : AnsiString();
        }
        case lsAuto: break;
    }
    return AnsiString();
}

AnsiString TCustomChartLegend::FormattedValue(TChartSeries* Series, int ValueIndex)
{
    if (!Series || ValueIndex == -1) return AnsiString();
    AnsiString s = Series->LegendString(ValueIndex, FSettings.TextStyle);
    std::replace(s.begin(), s.end(), TeeLineSeparator, ' ');
    return s;
}

int TCustomChartLegend::CalcItemHeight()
{
    TCanvas3D* canvas = ParentChart() ? ParentChart()->GetCanvas() : nullptr;
    int result = canvas ? canvas->GetFontHeight() : 0;
    if (HasCheckBoxes()) result = std::max(17, result);
    result += FSettings.VertSpacing;
    if (GetVertical() && FDividingLines->GetVisible()) result += FDividingLines->GetWidth();
    return result;
}

int TCustomChartLegend::FirstItemTop()
{
    int result = ShapeBounds.Top;
    if (FTitleVisible) {
        result += FTitle->CalcHeight() + 2;
        if (!FTitle->GetTransparent()) result += std::abs(FTitle->GetShadow()->GetVertSize());
    }
    return result;
}

void TCustomChartLegend::PrepareSymbolPen()
{
    if (TCustomChart* chart = Chart()) chart->LegendPen = FSymbol->GetDefaultPen() ? nullptr : FSymbol->GetPen();
}

// ---------------------------------------------------------------- drawing

void TCustomChartLegend::DrawLegend()
{
    TCustomChart* chart = Chart();
    if (!chart) return;
    TCanvas3D* canvas = chart->GetCanvas();
    FInternalStyle = CalcLegendStyle();
    FLastValue = -1;

    int F = GetPen()->GetVisible() ? GetPen()->GetWidth() : 0;
    if (GetBevel() != bvNone) F = GetBevelWidth();

    // Paging.
    const int perPage = chart->GetMaxPointsPerPage();
    const bool paging = FInternalStyle == lsValues && FSettings.CurrentPage && perPage > 0;
    if (paging)
        FSettings.FirstValue = (chart->GetPage() - 1) * perPage;
    else if (perPage > 0 && FInternalStyle != lsValues)
        FSettings.FirstValue = 0;

    // Number of items.
    int N = 0;
    if (FInternalStyle == lsValues) {
        TChartSeries* s = GetLegendSeries();
        if (s && s->GetShowInLegend()) N = s->CountLegendItems();
    } else {
        for (TChartSeries* s : *chart->SeriesList())
            if (s->GetShowInLegend() && (s->GetActive() || HasCheckBoxes())) ++N;
    }
    FTotalItems = std::max(0, N - FSettings.FirstValue);
    if (paging) FTotalItems = std::min(FTotalItems, perPage);

    chart->LegendColor = GetColor();
    canvas->AssignFont(GetFont());
    FSpaceWidth = canvas->TextWidth(" ");
    FItemHeight = CalcItemHeight();
    const int H = FItemHeight;
    FTitleVisible = FTitle->GetVisible() && !FTitle->Text().empty();
    const int titleHeight = FTitleVisible ? FTitle->CalcHeight() : 0;
    canvas->AssignFont(GetFont());

    const bool custom = GetCustomPosition();
    TRect& R = chart->ChartRect;
    const TRect& CB = chart->ChartBounds;

    // The column texts of the items FSettings.FirstValue .. FSettings.FirstValue + count - 1 and their widths.
    const auto buildTexts = [&](int count) {
        FItemTexts.assign(static_cast<std::size_t>(std::max(0, count)), {});
        for (int k = 0; k < count; ++k) {
            const int index = FSettings.Inverted ? FSettings.FirstValue + count - 1 - k : FSettings.FirstValue + k;
            const AnsiString text = chart->FormattedLegend(index);
            auto& item = FItemTexts[static_cast<std::size_t>(index - FSettings.FirstValue)];
            const std::size_t sep = text.find(TeeColumnSeparator);
            if (sep == AnsiString::npos) {
                item.first = text;
            } else {
                item.first = text.substr(0, sep);
                const std::size_t sep2 = text.find(TeeColumnSeparator, sep + 1);
                item.second = text.substr(sep + 1, sep2 == AnsiString::npos ? AnsiString::npos : sep2 - sep - 1);
            }
        }
        if (FColumnWidthAuto) {
            FColumnWidth[0] = FColumnWidth[1] = 0;
            const bool html = GetTextFormat() == ttfHtml;
            const auto width = [&](const AnsiString& s) {
                return html ? ChartHtmlTextExtent(canvas, s).cx : canvas->TextWidth(s);
            };
            for (const auto& item : FItemTexts) {
                FColumnWidth[0] = std::max(FColumnWidth[0], width(item.first));
                FColumnWidth[1] = std::max(FColumnWidth[1], width(item.second));
            }
        }
    };

    if (GetVertical()) {
        if (!custom) ShapeBounds.Top = CB.Top + Round(FSettings.TopPos * (CB.Bottom - CB.Top) * 0.01);
        FColumns = 1;
        const int top = FirstItemTop();
        if (R.Bottom <= top || H <= 0)
            FRows = 0;
        else
            FRows = std::max(0, std::min(FTotalItems, (chart->ChartHeight + R.Top - 2 * F - top) / H));
        FLastValue = FSettings.FirstValue + std::min(FTotalItems, FRows) - 1;
        buildTexts(FLastValue - FSettings.FirstValue + 1);
    } else {
        FLastValue = FSettings.FirstValue + FTotalItems - 1;
        buildTexts(FTotalItems);
        FSymbolWidth = FSymbol->CalcWidth(TextColumnsWidth());
        if (!custom) {
            if (FSettings.Alignment == laBottom) {
                int D = chart->GetShadow()->GetVertSize() + F + 1;
                if (OnCalcSize) OnCalcSize(this, D);
                ShapeBounds.Bottom = R.Bottom - D;
            } else {
                ShapeBounds.Top = R.Top + F + 1;
            }
        }
        const int W = FSymbolWidth + TextColumnsWidth() + 8 + (HasCheckBoxes() ? 27 : 0);
        if (R.Right <= 8 || W <= 0)
            FColumns = 0;
        else
            FColumns = std::max(0, std::min(FTotalItems, (chart->ChartWidth - 2 * F - 8) / W));
        FRows = FColumns > 0 ? std::min((FTotalItems + FColumns - 1) / FColumns, FSettings.MaxNumRows) : 0;
        FLastValue = FSettings.FirstValue + std::min(FTotalItems, FColumns * FRows) - 1;
    }

    if (FLastValue < FSettings.FirstValue) return;

    const int T = TextColumnsWidth();
    int height = FRows * H + 2;
    if (FTitleVisible) {
        height += titleHeight + 2;
        if (!FTitle->GetTransparent()) height += std::abs(FTitle->GetShadow()->GetVertSize());
    }
    if (FSettings.Alignment == laBottom && !custom) ShapeBounds.Top = ShapeBounds.Bottom - height;
    ShapeBounds.Bottom = ShapeBounds.Top + height;

    int itemsLeft;
    if (GetVertical()) {
        if (FSettings.Alignment == laLeft || custom) {
            if (!custom) ShapeBounds.Left = R.Left + F + 1;
        }
        FSymbolWidth = FSymbol->CalcWidth(T + 10);
        int itemWidth = T + 10 + FSymbolWidth;
        if (OnCalcSize) OnCalcSize(this, itemWidth);
        if (FTitleVisible) itemWidth = std::max(itemWidth, FTitle->TotalWidth());
        if (FSettings.Alignment == laRight && !custom) {
            ShapeBounds.Right = R.Right - (GetShadow()->GetHorizSize() + F + 1);
            ShapeBounds.Left = ShapeBounds.Right - itemWidth;
            if (HasCheckBoxes()) ShapeBounds.Left -= 15;
        }
        itemsLeft = ShapeBounds.Left;
        if (HasCheckBoxes()) {
            FBoxX = ShapeBounds.Left + 4;
            itemsLeft = ShapeBounds.Left + 15;
        }
        ShapeBounds.Right = itemsLeft + itemWidth;
    } else {
        int total = (FColumns - 1) * 6 + 4 + (T + FSymbolWidth) * FColumns + 12;
        if (HasCheckBoxes()) total += FColumns * 13 + 8;
        total = std::min(total, chart->ChartWidth);
        const int half = total / 2;
        if (!custom)
            ShapeBounds.Left =
                Round(FSettings.TopPos * (CB.Right - CB.Left - 2 * half) * 0.01) + chart->ChartXCenter - half;
        ShapeBounds.Right = ShapeBounds.Left + 2 * half;
        itemsLeft = ShapeBounds.Left;
        if (HasCheckBoxes()) {
            FBoxX = ShapeBounds.Left + 4;
            itemsLeft = ShapeBounds.Left + 15;
        }
    }

    const int x0 = itemsLeft + 6;
    if (FSymbol->GetPosition() == spLeft) {
        FSymbolX = x0;
        FTextX = x0 + FSymbolWidth + 4;
    } else {
        FTextX = x0;
        FSymbolX = x0 + T;
    }

    if (chart->OnGetLegendRect) chart->OnGetLegendRect(chart, ShapeBounds);
    Draw();
    if (FTitleVisible) {
        FTitle->CalcHeight();
        FTitle->CalcShapeBounds(ShapeBounds);
        FTitle->Draw();
        FTitle->DrawText();
        canvas->AssignFont(GetFont());
    }

    const int count = FLastValue - FSettings.FirstValue;
    for (int p = 0; p <= count; ++p) DrawItem(p, FSettings.Inverted ? FLastValue - p : FSettings.FirstValue + p);

    if (FSettings.ResizeChart && !custom) {
        switch (FSettings.Alignment) {
            case laLeft: R.Left = ShapeBounds.Right; break;
            case laRight: R.Right = ShapeBounds.Left; break;
            case laTop: R.Top = ShapeBounds.Bottom + chart->GetShadow()->GetVertSize(); break;
            case laBottom: R.Bottom = ShapeBounds.Top; break;
        }
        if (GetVertical()) {
            const int margin = FSettings.HorizMargin != 0 ? FSettings.HorizMargin : Round(chart->ChartWidth * 0.03);
            if (FSettings.Alignment == laLeft)
                R.Left += margin;
            else
                R.Right -= margin;
        } else {
            const int margin = FSettings.VertMargin != 0 ? FSettings.VertMargin : Round(chart->ChartHeight * 0.04);
            if (FSettings.Alignment == laTop)
                R.Top += margin;
            else
                R.Bottom -= margin;
        }
    }
}

namespace {

bool RightAlignedColumn(TLegendTextStyle style, int column)
{
    if (column == 0)
        return style == ltsLeftValue || style == ltsLeftPercent || style == ltsXValue || style == ltsValue ||
               style == ltsPercent || style == ltsXAndValue || style == ltsXAndPercent;
    return style == ltsRightValue || style == ltsRightPercent || style == ltsXAndValue || style == ltsXAndPercent;
}

}  // namespace

void TCustomChartLegend::DrawItem(int Position, int Index)
{
    if (Position >= FTotalItems) return;
    TCustomChart* chart = Chart();
    TCanvas3D* canvas = chart->GetCanvas();
    const int H = FItemHeight;
    const bool boxes = HasCheckBoxes();
    const bool seriesStyle = FInternalStyle != lsValues;

    canvas->Brush->SetColor(GetColor());
    canvas->Brush->SetStyle(bsClear);
    PrepareSymbolPen();
    int textX = FTextX, symbolX = FSymbolX;
    int y = FirstItemTop() + 1;
    int shift = 0;
    if (!GetVertical()) {
        const int column = Position % FColumns;
        const int row = Position / FColumns;
        shift = column * (TextColumnsWidth() + FSymbolWidth + (boxes ? 21 : 6));
        textX += shift;
        symbolX += shift;
        y += H * row;
    } else {
        y += H * Position;
    }
    y += FSettings.VertSpacing / 2;
    if (chart->OnGetLegendPos) chart->OnGetLegendPos(chart, Index, textX, y, symbolX);

    TChartSeries* itemSeries = nullptr;
    if (seriesStyle) itemSeries = ItemSeries(Index, !boxes);
    canvas->AssignFont(GetFont());
    if (FSettings.FontSeriesColor) {
        if (seriesStyle) {
            if (itemSeries) canvas->Font->SetColor(itemSeries->GetSeriesColor());
        } else if (TChartSeries* s = GetLegendSeries()) {
            canvas->Font->SetColor(s->LegendItemColor(Index));
        }
    }
    canvas->SetBackMode(cbmTransparent);

    const std::size_t slot = static_cast<std::size_t>(Index - FSettings.FirstValue);
    const std::pair<AnsiString, AnsiString> empty;
    const auto& texts = slot < FItemTexts.size() ? FItemTexts[slot] : empty;
    int x = textX;
    for (int column = 0; column < 2; ++column) {
        const AnsiString& text = column == 0 ? texts.first : texts.second;
        const int width = FColumnWidth[column];
        const bool right = FInternalStyle != lsSeries && RightAlignedColumn(FSettings.TextStyle, column);
        if (right) {
            x += width;
            canvas->SetTextAlign(TA_RIGHT | TA_TOP);
        } else {
            canvas->SetTextAlign(TA_LEFT | TA_TOP);
        }
        if (!text.empty()) canvas->TextOut(x, y + (boxes ? 1 : 0), text, GetTextFormat() == ttfHtml);
        if (!right) x += width;
        x += FSpaceWidth;
    }
    canvas->SetTextAlign(TA_LEFT | TA_TOP);

    const int last = FLastValue - FSettings.FirstValue;
    TRect symbolRect(symbolX, y, symbolX + FSymbolWidth, y + H + 1);
    if (!(FSymbol->GetContinuous() && Position > 0)) symbolRect.Top += 2;
    if (!(FSymbol->GetContinuous() && Position == last)) symbolRect.Bottom -= FSettings.VertSpacing + 3;

    const auto drawSymbol = [&](TChartSeries* s, int valueIndex) {
        if (FSymbolWidth <= 0 || !s) return;
        s->DrawLegend(valueIndex, symbolRect);
        if (FSymbol->OnDraw) FSymbol->OnDraw(this, s, valueIndex, symbolRect);
    };
    if (seriesStyle) {
        const int valueIndex =
            FInternalStyle == lsLastValues && itemSeries ? std::max(-1, itemSeries->Count() - 1) : -1;
        if (boxes) {
            if (itemSeries && canvas->Canvas)
                TeeDrawCheckBox(FBoxX + shift, y + (H - FSettings.VertSpacing - 11) / 2 - 1, canvas->Canvas,
                                itemSeries->GetActive(), GetColor(), FSettings.CheckBoxesStyle == cbsCheck);
        }
        drawSymbol(itemSeries, FInternalStyle == lsLastValues ? valueIndex : -1);
    } else if (TChartSeries* s = GetLegendSeries()) {
        drawSymbol(s, s->LegendToValueIndex(Index));
    } else if (FSymbolWidth > 0) {
        canvas->Brush->SetColor(clWhite);
        canvas->Brush->SetStyle(bsSolid);
        if (chart->LegendPen) canvas->AssignVisiblePen(chart->LegendPen);
        canvas->Rectangle(symbolRect);
    }

    if (Position > 0 && FDividingLines->GetVisible()) {
        canvas->AssignVisiblePen(FDividingLines);
        canvas->SetBackMode(cbmTransparent);
        if (GetVertical())
            canvas->DoHorizLine(ShapeBounds.Left, ShapeBounds.Right, y - FSettings.VertSpacing / 2);
        else
            canvas->DoVertLine(ShapeBounds.Left + shift + 2, ShapeBounds.Top, ShapeBounds.Bottom);
    }
}

// ---------------------------------------------------------------- mouse

int TCustomChartLegend::Clicked(int X, int Y)
{
    TCustomChart* chart = Chart();
    if (!chart) return -1;
    TRect R = ShapeBounds;
    if (OnCalcSize) {
        int reserved = 0;
        OnCalcSize(this, reserved);
        R.Right -= reserved;
    }
    if (X < R.Left || X > R.Right || Y < R.Top || Y > R.Bottom) return -1;
    chart->GetCanvas()->AssignFont(GetFont());
    const int H = CalcItemHeight();
    const int top = FirstItemTop() + 1;
    int row = -1;
    for (int r = 0; r < FRows; ++r) {
        const int y0 = top + H * r;
        if (Y >= y0 && Y <= y0 + H) {
            row = FSettings.Inverted ? FRows - r - 1 : r;
            break;
        }
    }
    if (GetVertical()) return row == -1 ? -1 : row + FSettings.FirstValue;
    if (FColumns <= 0 || row == -1) return -1;
    const int width = (R.Right - R.Left) / FColumns;
    for (int c = 0; c < FColumns; ++c) {
        const int x0 = R.Left + 1 + c * width;
        if (X >= x0 && X <= x0 + width) {
            const int index = FColumns * row + (FSettings.Inverted ? FColumns - c - 1 : c);
            if (index > FLastValue - FSettings.FirstValue) return -1;
            return index + FSettings.FirstValue;
        }
    }
    return -1;
}

bool TCustomChartLegend::DoMouseDown(int, int, int ItemIndex)
{
    if (!HasCheckBoxes() || ItemIndex == -1) return false;
    TCustomChart* chart = Chart();
    if (!chart) return false;
    if (FSettings.CheckBoxesStyle == cbsRadio) {
        int position = 0;
        for (TChartSeries* s : *chart->SeriesList()) {
            if (!s->GetShowInLegend()) continue;
            s->SetActive(position == ItemIndex);
            ++position;
        }
    } else if (TChartSeries* s = chart->SeriesLegend(ItemIndex, false)) {
        s->SetActive(!s->GetActive());
    }
    return true;
}
