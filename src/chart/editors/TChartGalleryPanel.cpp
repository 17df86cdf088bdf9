#include "chart/editors/TChartGalleryPanel.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <algorithm>

#include "chart/editors/TTeeForm.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TChartLegend.h"
#include "chart/engine/TChartSeries.h"
#include "chart/engine/TChartTitle.h"
#include "chart/engine/TChartWalls.h"
#include "chart/engine/TTeeFunction.h"
#include "chart/engine/TeCanvasTypes.h"
#include "chart/engine/TeeBitmapResample.h"
#include "chart/engine/TeeProcs.h"
#include "chart/engine/TeeSeriesEdit.h"
#include "chart/series/TLineSeries.h"
#include "chart/series/TeeStandardSeries.h"
#include "platform/Dialogs.h"
#include "platform/StoreChanged.h"
#include "platform/TBitmap.h"

TColor clTeeGallery = clWhite;
bool TeeGalleryCheckMaximize = true;

bool DefaultSmooth()
{
    return TeeReadBoolOption("SmoothGallery", false);
}

int DefaultMode()
{
    return TeeReadIntegerOption("GalleryMode", 0);
}

void SaveSmooth(bool Value)
{
    TeeSaveBoolOption("SmoothGallery", Value);
}

void SaveMode(int Value)
{
    TeeSaveIntegerOption("GalleryMode", Value);
}

namespace {

constexpr TColor GalleryNavy = TColor(0x800000);
constexpr TColor GalleryGrey = TColor(0x808080);

TChartSeries* FirstSeries(const TGalleryChart* Chart)
{
    return Chart->SeriesCount() > 0 ? Chart->GetSeries(0) : nullptr;
}

// The small black triangle at the bottom of the variants pop-up's top strip: clicking the
// strip takes the cell under the pointer.
class TSubGalleryTop : public QWidget {
public:
    TSubGalleryTop(QWidget* Parent, std::function<void()> OnClick) : QWidget(Parent), FOnClick(std::move(OnClick)) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        const QPoint corner(4, 2);
        p.drawPolygon(QPolygon({corner + QPoint(0, 8), corner + QPoint(4, 0), corner + QPoint(9, 8)}));
    }
    void mouseReleaseEvent(QMouseEvent*) override
    {
        if (FOnClick) TTeeForm::Guard(FOnClick);
    }

private:
    std::function<void()> FOnClick;
};

}  // namespace

// ---------------------------------------------------------------------------------------

TGalleryChart::TGalleryChart(TChartGalleryPanel* Panel) : TChart(Panel), FPanel(Panel)
{
    GetLegend()->SetVisible(false);
    LeftAxis()->SetLabels(false);
    BottomAxis()->SetLabels(false);
    GetTitle()->GetFont()->SetColor(GalleryNavy);
    TView3DOptions* v = GetView3DOptions();
    v->SetOrthogonal(false);
    v->SetZoom(90);
    v->SetPerspective(55);
    if (Panel->FocusRotation) {
        v->SetRotation(335);
        v->SetElevation(350);
    }
    Set3DPercent(100);
    SetClipPoints(false);
    GetFrame()->SetVisible(false);
    SetBevelWidth(2);
    SetBevelOuter(bvNone);
    for (TChartWall* wall : {GetLeftWall(), GetBottomWall()}) {
        wall->SetColor(clWhite);
        wall->SetSize(4);
        wall->GetPen()->SetColor(GalleryGrey);
    }
    GetZoom()->Allow = false;
    SetAllowPanning(pmNone);
    setFocusPolicy(Qt::StrongFocus);
}

bool TGalleryChart::Focused() const
{
    return StoredGradient() && StoredGradient()->GetVisible();
}

void TGalleryChart::ShowFocus(bool Focus)
{
    TTeeGradient* g = GetGradient();
    g->SetVisible(Focus);
    if (Focus) {
        g->SetDirection(gdFromTopLeft);
        g->SetStartColor(TColor(0xC0C0C0));
        g->SetEndColor(clTeeGallery);
    }
    SetBevelOuter(Focus ? bvRaised : bvNone);
    TTeeFont* font = GetTitle()->GetFont();
    font->SetStyle(Focus ? TFontStyles(fsBold) : TFontStyles());
    font->SetColor(Focus ? clBlack : GalleryNavy);
    font->SetSize(Focus ? 9 : GetDefaultFontSize);
    if (FPanel->FocusRotation) {
        GetView3DOptions()->SetRotation(Focus ? 345 : 335);
        if (TChartSeries* s = FirstSeries(this)) s->GalleryChanged3D(FPanel->GetView3D());
    }
    Invalidate();
}

void TGalleryChart::CheckShowLabels()
{
    if (!TeeGalleryCheckMaximize || !GetAxisVisible()) return;
    const bool maximized = window() && window()->isMaximized();
    LeftAxis()->SetLabels(maximized);
    BottomAxis()->SetLabels(maximized);
}

void TGalleryChart::MouseDown(TMouseButton Button, TShiftState, int X, int Y)
{
    // Cells are pictures to choose from: no zoom, no panning.
    if (Button == mbLeft && CellEnabled()) FPanel->ChartMouseDown(this, X, Y);
}

void TGalleryChart::DblClick()
{
    if (CellEnabled()) FPanel->ChartOnDblClick(this);
}

void TGalleryChart::enterEvent(QEnterEvent* Event)
{
    TChart::enterEvent(Event);
    if (!CellEnabled()) return;
    FHover = true;
    update();
}

void TGalleryChart::leaveEvent(QEvent* Event)
{
    TChart::leaveEvent(Event);
    if (!FHover) return;
    FHover = false;
    update();
}

void TGalleryChart::keyPressEvent(QKeyEvent* Event)
{
    if (FPanel->IsSubGallery) {
        TChart::keyPressEvent(Event);
        return;
    }
    const TShiftState shift = ShiftStateOf(Event->modifiers(), Qt::NoButton);
    const int key = Event->key();
    TTeeForm::Guard([&] { FPanel->KeyDown(key, shift); });
}

void TGalleryChart::focusInEvent(QFocusEvent* Event)
{
    TChart::focusInEvent(Event);
    if (CellEnabled() && FPanel->SelectedChart != this) TTeeForm::Guard([this] { FPanel->SelectChart(this); });
}

QImage TGalleryChart::ComposeFrame()
{
    platform::GuardedCall([this] { PaintWindow(); });
    QImage frame = WindowImage().copy();
    const int w = width(), h = height();
    if (Smooth && !Painting && w > 1 && h > 1) {
        // Drawn twice as large with labels and reduced with smoothing; the title of the
        // normal picture goes on top at its place.
        Painting = true;
        const TRect title = GetTitle()->ShapeBounds;
        const bool oldRepaint = AutoRepaint;
        AutoRepaint = false;
        const bool leftLabels = LeftAxis()->GetLabels(), bottomLabels = BottomAxis()->GetLabels();
        const bool titleVisible = GetTitle()->GetVisible();
        const int marginTop = GetMarginTop();
        LeftAxis()->SetLabels(true);
        BottomAxis()->SetLabels(true);
        GetTitle()->SetVisible(false);
        SetMarginTop(30);
        std::unique_ptr<TBitmap> big;
        platform::GuardedCall([&] { big = TeeCreateBitmap(GetColor(), TRect{0, 0, 2 * w, 2 * h}, pf24bit); });
        LeftAxis()->SetLabels(leftLabels);
        BottomAxis()->SetLabels(bottomLabels);
        GetTitle()->SetVisible(titleVisible);
        SetMarginTop(marginTop);
        AutoRepaint = oldRepaint;
        if (big && big->GetWidth() == 2 * w) {
            TBitmap small;
            small.SetSize(w, h);
            platform::GuardedCall([&] { SmoothStretch(big.get(), &small); });
            QImage composed = small.Image().convertToFormat(frame.format());
            if (titleVisible && title.Right > title.Left) {
                const QRect r =
                    QRect(title.Left, title.Top, title.Right - title.Left + 1, title.Bottom - title.Top + 1);
                QPainter p(&composed);
                p.drawImage(r.topLeft(), frame, r);
            }
            frame = composed;
        }
        Painting = false;
    }
    QPainter p(&frame);
    if (FHover && CellEnabled()) {
        p.setPen(Qt::white);
        p.drawLine(0, 0, w - 1, 0);
        p.drawLine(0, 0, 0, h - 1);
        p.setPen(TColorToQColor(GalleryGrey));
        p.drawLine(w - 1, 0, w - 1, h - 1);
        p.drawLine(0, h - 1, w - 1, h - 1);
    }
    if (Focused() && FPanel->DisplaySub) {
        const TRect arrow = FPanel->SubArrowRect(this);
        const int x = arrow.Left, y = arrow.Bottom;
        p.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        p.drawPolygon(QPolygon({QPoint(x, y - 8), QPoint(x + 7, y - 8), QPoint(x + 3, y - 4)}));
    }
    return frame;
}

void TGalleryChart::paintEvent(QPaintEvent*)
{
    const QImage frame = ComposeFrame();
    QPainter p(this);
    p.drawImage(0, 0, frame);
}

// ---------------------------------------------------------------------------------------

void TChartList::Clear()
{
    for (TGalleryChart* c : *this) delete c;
    clear();
}

// ---------------------------------------------------------------------------------------

TChartGalleryPanel::TChartGalleryPanel(QWidget* Parent) : TCustomPanelNoCaption(Parent)
{
    // Adds nothing when the standard types are registered already.
    RegisterTeeStandardSeries();
    FSmooth = FSmoothAtStart = DefaultSmooth();
    setFocusPolicy(Qt::StrongFocus);
}

TChartGalleryPanel::~TChartGalleryPanel()
{
    SelectedChart = nullptr;
    Charts.Clear();
    if (FSmooth != FSmoothAtStart) TTeeForm::Guard([this] { SaveSmooth(FSmooth); });
}

void TChartGalleryPanel::SetNumRows(int Value)
{
    FNumRows = Value;
    ResizeCharts();
}

void TChartGalleryPanel::SetNumCols(int Value)
{
    FNumCols = Value;
    ResizeCharts();
}

void TChartGalleryPanel::SetSmooth(bool Value)
{
    if (!StoreChanged(FSmooth, Value)) return;
    for (TGalleryChart* c : Charts) {
        c->Smooth = Value;
        c->update();
    }
}

void TChartGalleryPanel::SetView3D(bool Value)
{
    FView3D = Value;
    for (TGalleryChart* c : Charts) {
        c->SetView3D(Value);
        if (TChartSeries* s = FirstSeries(c)) s->GalleryChanged3D(Value);
        const int margin = Value ? 4 : 5;
        for (int i = 0; i < 4; ++i) c->SetMargin(i, margin);
    }
}

void TChartGalleryPanel::CalcChartSize()
{
    const int b = GetBevelWidth() + GetBorderWidth();
    ChartWidth = FNumCols < 1 ? 0 : (width() - b) / FNumCols;
    ChartHeight = FNumRows < 1 ? 0 : (height() - b) / FNumRows;
}

void TChartGalleryPanel::PlaceChart(TGalleryChart* Chart, int Index)
{
    if (FNumCols < 1) return;
    const int b = GetBevelWidth() + GetBorderWidth();
    const int col = Index % FNumCols, row = Index / FNumCols;
    const int left = col * ChartWidth + b, top = row * ChartHeight + b;
    const int right = left + std::min(ChartWidth, width() - b) - 1;
    const int bottom = top + std::min(ChartHeight, height() - b) - 1;
    Chart->setGeometry(left, top, std::max(0, right - left), std::max(0, bottom - top));
    Chart->CheckShowLabels();
}

void TChartGalleryPanel::ResizeCharts()
{
    CalcChartSize();
    for (int i = 0; i < Charts.Count(); ++i) PlaceChart(Charts.GetChart(i), i);
}

void TChartGalleryPanel::Resize()
{
    TCustomPanelNoCaption::Resize();
    ResizeCharts();
}

void TChartGalleryPanel::UseTheme(const TChartThemeClass& ThemeClass)
{
    if (!ThemeClass) return;
    for (TGalleryChart* chart : Charts) {
        if (const std::unique_ptr<TChartTheme> theme = ThemeClass(chart)) theme->Apply();
        // The theme may have changed the series; the gallery shows them its own way.
        for (int i = 0; i < chart->SeriesCount(); ++i) chart->GetSeries(i)->PrepareForGallery(true);
    }
}

bool TChartGalleryPanel::ValidSeries(const TTeeSeriesType& Type, const AnsiString& Page) const
{
    return Type.GalleryPage && *Type.GalleryPage == Page && (Type.FunctionClass != nullptr) == FunctionsGallery;
}

void TChartGalleryPanel::CreateGalleryPage(const AnsiString& Page)
{
    int count = 0;
    for (const TTeeSeriesType& t : TeeSeriesTypes())
        if (ValidSeries(t, Page)) ++count;
    // The rows follow from this page's count alone, whatever page was shown before.
    const int rows = (count - 1) / std::max(1, FNumCols) + 1;
    FNumRows = rows > 3 ? rows : 3;
    CalcChartSize();
    SelectedChart = nullptr;
    Charts.Clear();
    for (const TTeeSeriesType& t : TeeSeriesTypes())
        if (ValidSeries(t, Page)) CreateChart(t);
    FindSelectedChart();
    ShowSelectedChart();
}

void TChartGalleryPanel::CreateChartList(const std::vector<TChartSeriesClass>& Classes)
{
    SelectedChart = nullptr;
    Charts.Clear();
    CalcChartSize();
    for (TChartSeriesClass c : Classes) {
        TTeeSeriesType type;
        if (const TTeeSeriesType* registered = TeeSeriesTypes().Find(c))
            type = *registered;
        else
            type.SeriesClass = c;
        CreateChart(type);
    }
}

TChartSeriesClass TChartGalleryPanel::CellSeriesClass(const TTeeSeriesType& Type)
{
    return Type.SeriesClass ? Type.SeriesClass : &TLineSeries::staticMetaObject;
}

TGalleryChart* TChartGalleryPanel::CreateChart(const TTeeSeriesType& Type)
{
    auto* chart = new TGalleryChart(this);
    chart->SetColor(GetColor());
    std::vector<AnsiString> lines;
    if (Type.Description)
        for (const AnsiString& line : SplitString(*Type.Description, '\r')) lines.push_back(line);
    chart->GetTitle()->SetText(lines);
    chart->setObjectName(QString::fromStdString(TeeGetUniqueName(this, "TeeGalleryChart")));
    chart->SetView3D(FView3D);
    Charts.push_back(chart);
    PlaceChart(chart, Charts.Count() - 1);
    FillCell(chart, Type);
    chart->show();
    return chart;
}

void TChartGalleryPanel::FillCell(TGalleryChart* Chart, const TTeeSeriesType& Type)
{
    const int count = std::max(1, Type.NumGallerySeries);
    for (int i = 0; i < count; ++i) CreateNewSeries(Chart, Chart, CellSeriesClass(Type), Type.FunctionClass);
    Chart->Type = Type;
    TChartSeries* first = FirstSeries(Chart);
    const bool enabled = !(CheckValidSource && CheckSeries && first && !first->IsValidSourceOf(CheckSeries));
    if (!enabled) {
        Chart->SetCursor(crNoDrop);
        Chart->GetTitle()->GetFont()->SetColor(GalleryGrey);
        Chart->GetLeftWall()->GetPen()->SetColor(GalleryGrey);
        Chart->GetBottomWall()->GetPen()->SetColor(GalleryGrey);
    } else {
        Chart->SetCursor(crHandPoint);
    }
    if (first) first->GalleryChanged3D(FView3D);
    if (!Type.FunctionClass) {
        for (int i = 0; i < Chart->SeriesCount(); ++i) Chart->GetSeries(i)->PrepareForGallery(enabled);
    } else {
        QObject* made = Type.FunctionClass->newInstance(Q_ARG(QObject*, nullptr));
        std::unique_ptr<TTeeFunction> function(qobject_cast<TTeeFunction*>(made));
        if (function)
            function->PrepareForGallery(Chart);
        else
            delete made;
    }
    const int margin = FView3D ? 4 : 5;
    for (int i = 0; i < 4; ++i) Chart->SetMargin(i, margin);
    Chart->CheckShowLabels();
    Chart->Smooth = FSmooth;
}

TGalleryChart* TChartGalleryPanel::CreateSubChart(const AnsiString& Caption)
{
    TGalleryChart* chart = CreateChart(FBuildType);
    chart->GetTitle()->SetText({Caption});
    chart->Tag = Charts.Count() - 1;
    if (TChartSeries* first = FirstSeries(chart)) first->SetSubGallery(first, chart->Tag);
    return chart;
}

void TChartGalleryPanel::CreateVariants(const TTeeSeriesType& Type)
{
    FBuildType = Type;
    SelectedChart = nullptr;
    Charts.Clear();
    CalcChartSize();
    QObject* made = CellSeriesClass(Type)->newInstance(Q_ARG(QObject*, nullptr));
    std::unique_ptr<TChartSeries> probe(qobject_cast<TChartSeries*>(made));
    if (!probe) {
        delete made;
        return;
    }
    probe->CreateSubGallery([this](const AnsiString& caption) { CreateSubChart(caption); });
}

void TChartGalleryPanel::FindSelectedChart()
{
    SelectedChart = nullptr;
    if (!CheckSeries) return;
    for (TGalleryChart* c : Charts) {
        TChartSeries* first = FirstSeries(c);
        if (first && first->metaObject() == CheckSeries->metaObject() && !first->FunctionType()) {
            SelectedChart = c;
            return;
        }
    }
}

void TChartGalleryPanel::ShowSelectedChart()
{
    if (!SelectedChart)
        for (TGalleryChart* c : Charts)
            if (c->CellEnabled()) {
                SelectedChart = c;
                break;
            }
    for (TGalleryChart* c : Charts)
        if (c != SelectedChart) c->UnFocus();
    if (SelectedChart) {
        SelectedChart->Focus();
        if (OnChangeChart) OnChangeChart(this);
    }
}

void TChartGalleryPanel::SelectChart(TGalleryChart* Chart)
{
    if (!Chart || Chart == SelectedChart) return;
    SelectedChart = Chart;
    ShowSelectedChart();
}

TRect TChartGalleryPanel::SubArrowRect(const TGalleryChart* Chart) const
{
    const TChartPen* frame = Chart->GetBorder();
    const int frameWidth = frame->GetVisible() ? frame->GetWidth() : 0;
    const int shadow = Chart->GetShadow()->GetSize();
    const int x = frameWidth + 4;
    const int y = Chart->height() - (frameWidth + (shadow >= 1 ? shadow : 0));
    return TRect{x, y - 12, x + 12, y};
}

void TChartGalleryPanel::ChartMouseDown(TGalleryChart* Chart, int X, int Y)
{
    if (!Chart->CellEnabled()) return;
    SelectChart(Chart);
    const TRect arrow = SubArrowRect(Chart);
    if (DisplaySub && X >= arrow.Left && X < arrow.Right && Y >= arrow.Top && Y < arrow.Bottom) ShowSubGallery();
}

void TChartGalleryPanel::ChartOnDblClick(TGalleryChart* Chart)
{
    if (Chart) SelectedChart = Chart;
    if (OnSelectedChart) OnSelectedChart(this);
}

void TChartGalleryPanel::GetChartXY(const TGalleryChart* Chart, int& X, int& Y) const
{
    const auto it = std::find(Charts.begin(), Charts.end(), Chart);
    const int index = it == Charts.end() ? 0 : int(it - Charts.begin());
    X = FNumCols > 0 ? index % FNumCols : 0;
    Y = FNumCols > 0 ? index / FNumCols : 0;
}

void TChartGalleryPanel::KeyDown(int Key, TShiftState Shift)
{
    if (!SelectedChart) return;
    int c = 0, r = 0;
    GetChartXY(SelectedChart, c, r);
    switch (Key) {
        case Qt::Key_Left:
            if (c > 0) --c;
            break;
        case Qt::Key_Right:
            if (c < FNumCols) ++c;
            break;
        case Qt::Key_Up:
            if (r > 0) --r;
            break;
        case Qt::Key_Down:
            if (Shift & ssAlt) {
                if (DisplaySub) ShowSubGallery();
                return;
            }
            if (r < FNumRows) ++r;
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter: ChartOnDblClick(SelectedChart); return;
        default: return;
    }
    const int index = r * FNumCols + c;
    if (c < FNumCols && index < Charts.Count() && Charts.GetChart(index)->CellEnabled())
        SelectChart(Charts.GetChart(index));
}

void TChartGalleryPanel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), TColorToQColor(GetColor()));
    // Outer bevel, then inner bevel inside the border, each BevelWidth lines deep.
    QRect r = rect();
    const auto bevel = [&](TBevelCut cut) {
        if (cut == bvNone) return;
        const QColor light = TColorToQColor(clBtnHighlight), dark = TColorToQColor(clBtnShadow);
        const QColor topLeft = cut == bvLowered ? dark : light, bottomRight = cut == bvLowered ? light : dark;
        for (int i = 0; i < GetBevelWidth() && r.width() > 1 && r.height() > 1; ++i) {
            if (cut != bvSpace) {
                p.setPen(topLeft);
                p.drawLine(r.topLeft(), r.topRight());
                p.drawLine(r.topLeft(), r.bottomLeft());
                p.setPen(bottomRight);
                p.drawLine(r.bottomLeft(), r.bottomRight());
                p.drawLine(r.topRight(), r.bottomRight());
            }
            r.adjust(1, 1, -1, -1);
        }
    };
    bevel(GetBevelOuter());
    r.adjust(GetBorderWidth(), GetBorderWidth(), -GetBorderWidth(), -GetBorderWidth());
    bevel(GetBevelInner());
}

void TChartGalleryPanel::keyPressEvent(QKeyEvent* Event)
{
    const TShiftState shift = ShiftStateOf(Event->modifiers(), Qt::NoButton);
    const int key = Event->key();
    TTeeForm::Guard([&] { KeyDown(key, shift); });
}

bool TChartGalleryPanel::GetSeriesClass(TChartSeriesClass& Series, TTeeFunctionClass& Function, int& SubIndex) const
{
    if (!SelectedChart) return false;
    TChartSeries* first = FirstSeries(SelectedChart);
    if (!first) return false;
    Series = first->metaObject();
    Function = first->FunctionType() ? first->FunctionType()->metaObject() : nullptr;
    SubIndex = SelectedChart->Tag;
    return true;
}

void TChartGalleryPanel::ShowSubGallery()
{
    if (!SelectedChart || FSubForm) return;
    TGalleryChart* cell = SelectedChart;
    cell->UnFocus();

    TTeeForm popup(window());
    popup.SetBorderStyle(fbsNone);
    popup.Position = poDesigned;
    const int w = width();
    auto* top = new TSubGalleryTop(&popup, [&popup] { popup.SetModalResult(mrOk); });
    top->setGeometry(0, 0, w, 12);
    auto* sub = new TChartGalleryPanel(&popup);
    sub->IsSubGallery = true;
    sub->DisplaySub = false;
    sub->FView3D = FView3D;
    sub->FSmooth = sub->FSmoothAtStart = FSmooth;
    sub->FNumCols = FNumCols;
    sub->OnSelectedChart = [this](QObject*) { SubSelected(); };
    FSubForm = &popup;
    FSubPanel = sub;

    sub->resize(w, ChartHeight * 3);
    sub->CreateVariants(cell->Type);
    const int cols = std::max(1, FNumCols);
    const int rows = std::max(1, (sub->Charts.Count() + cols - 1) / cols);
    const int h = ChartHeight * rows + 8;
    popup.resize(w, h);
    sub->setGeometry(0, 12, w, h - 12);
    sub->FNumRows = rows;
    sub->ResizeCharts();
    sub->ShowSelectedChart();

    // The pop-up opens below the cell and stays on the screen.
    QPoint at = cell->mapToGlobal(QPoint(0, cell->height()));
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        if (at.x() + w > area.right() + 1) at.setX(area.width() - w - 2);
        if (at.y() + h > area.bottom() + 1) at.setY(area.height() - h - 2);
    }
    popup.move(at);
    const int result = popup.ShowModal();
    FSubForm = nullptr;
    FSubPanel = nullptr;
    if (result == mrOk && OnSubSelected) OnSubSelected(this);
    if (SelectedChart == cell) cell->Focus();
}

void TChartGalleryPanel::SubSelected()
{
    if (!FSubPanel || !FSubPanel->SelectedChart || !SelectedChart) return;
    const int tag = FSubPanel->SelectedChart->Tag;
    SelectedChart->Tag = tag;
    if (tag != 0) {
        for (int i = 0; i < SelectedChart->SeriesCount(); ++i) {
            TChartSeries* s = SelectedChart->GetSeries(i);
            s->SetSubGallery(s, tag);
        }
    } else {
        // The plain variant: the cell starts over from the type.
        TTeeSeriesType type = FSubPanel->FBuildType;
        SelectedChart->FreeAllSeries();
        FillCell(SelectedChart, type);
        for (int i = 0; i < SelectedChart->SeriesCount(); ++i) SelectedChart->GetSeries(i)->PrepareForGallery(true);
    }
    if (FSubForm) FSubForm->SetModalResult(mrOk);
}
