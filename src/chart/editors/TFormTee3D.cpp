#include "chart/editors/TFormTee3D.h"

#include <QCheckBox>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>

#include "chart/editors/TChartGalleryPanel.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeProcs.h"
#include "chart/engine/TeeSeriesTypes.h"
#include "chart/series/TPieSeries.h"
#include "platform/Round.h"

namespace {

QSlider* Track(QWidget* Parent, int X, int Y, int Min, int Max, int Page, int Ticks, QLabel* Label)
{
    auto* slider = TeePlace(new QSlider(Qt::Horizontal, Parent), X, Y, 150, 22);
    slider->setRange(Min, Max);
    slider->setPageStep(Page);
    slider->setTickInterval(Ticks);
    slider->setTickPosition(QSlider::TicksBelow);
    if (Label) Label->setBuddy(slider);
    return slider;
}

}  // namespace

TFormTee3D::TFormTee3D(QWidget* Owner, TCustomChart* AChart) : TTeeForm(Owner), Chart(AChart)
{
    setObjectName("FormTee3D");
    SetClientSize(371, 228);
    PageControl1 = TeeAlignClient(new TTeePageControl(this));
    Tab3D = TeeAddTab(PageControl1, "Options");
    CBView3d = TeeAddCheck(Tab3D, "&3 Dimensions", 8, 6);
    CBView3d->setChecked(true);
    SE3d = TeeAddSpin(Tab3D, 50, 28, 56, 1, 100, 5, TeeAddLabel(Tab3D, "3&D %:", 8, 32));
    SE3d->setValue(15);
    CBOrthogonal = TeeAddCheck(Tab3D, "&Orthogonal", 8, 58);
    EOrthoAngle = TeeAddSpin(Tab3D, 50, 80, 56, 0, 180, 5, TeeAddLabel(Tab3D, "&Angle:", 8, 84));
    EOrthoAngle->setValue(45);
    CBZoomText = TeeAddCheck(Tab3D, "Zoom &Text", 8, 110);
    ETextSize = TeeAddSpin(Tab3D, 8, 130, 60, 1, 2000, 5);
    ETextSize->setValue(100);
    TeeAddLabel(Tab3D, "%", 72, 134);
    CBClipPoints = TeeAddCheck(Tab3D, "&Clip Points", 8, 160);
    auto row = [this](const char* caption, int y, int min, int max, int page, int ticks, QLabel*& value) {
        QSlider* s = Track(Tab3D, 200, y, min, max, page, ticks, TeeAddLabel(Tab3D, caption, 120, y + 4));
        value = TeeAddLabel(Tab3D, "", 354, y + 4, 40);
        return s;
    };
    SBZoom = row("&Zoom:", 4, 1, 500, 5, 20, LZoom);
    SBZoom->setValue(100);
    LZoom->setText("100%");
    SBRotation = row("&Rotation:", 32, 0, 360, 10, 45, LRotation);
    SBRotation->setValue(270);
    SBElevation = row("E&levation:", 60, 270, 360, 10, 10, LElevation);
    SBElevation->setValue(270);
    SBHOffset = row("&Horiz. Offset:", 88, -1500, 1500, 10, 250, LHOffset);
    SBHOffset->setSingleStep(10);
    SBVOffset = row("&Vert. Offset:", 116, -1500, 1500, 10, 250, LVOffset);
    SBVOffset->setSingleStep(10);
    SBPerspec = row("&Perspective:", 144, 0, 200, 10, 10, LPerspec);
    TabViews = TeeAddTab(PageControl1, "Views");
    ChartGalleryPanel1 = TeeAlignClient(new TChartGalleryPanel(TabViews));
    ChartGalleryPanel1->OnChangeChart = [this](QObject*) {
        if (!FSelectingView) Guard([this] { SetGallery3DChart(Chart); });
    };
    PageControl1->OnChange = [this] { PageControl1Change(); };

    // FormCreate
    ResetPage = true;

    auto view = [this] { return Chart ? Chart->GetView3DOptions() : nullptr; };
    Bind(CBView3d, &QCheckBox::clicked, [this] {
        Write([this] { Chart->SetView3D(CBView3d->isChecked()); });
        CheckControls();
    });
    Bind(CBOrthogonal, &QCheckBox::clicked, [this, view] {
        Write([this, view] { view()->SetOrthogonal(CBOrthogonal->isChecked()); });
        CheckControls();
    });
    Bind(SE3d, &QSpinBox::valueChanged, [this] {
        if (isVisible()) Write([this] { Chart->Set3DPercent(SE3d->value()); });
    });
    Bind(EOrthoAngle, &QSpinBox::valueChanged, [this, view] {
        if (isVisible()) Write([this, view] { view()->SetOrthoAngle(EOrthoAngle->value()); });
    });
    Bind(ETextSize, &QSpinBox::valueChanged, [this, view] {
        if (isVisible()) Write([this, view] { view()->SetFontZoom(ETextSize->value()); });
    });
    // A slider shows its value in its label and writes it to the view options.
    auto slider = [this, view](QSlider* Slider, QLabel* Label, const char* Unit, void (TView3DOptions::*Set)(int)) {
        BindAlways(Slider, &QSlider::valueChanged, [this, view, Slider, Label, Unit, Set] {
            Label->setText(QString::number(Slider->value()) + Unit);
            Write([view, Slider, Set] { (view()->*Set)(Slider->value()); });
        });
    };
    slider(SBZoom, LZoom, "%", &TView3DOptions::SetZoom);
    slider(SBRotation, LRotation, "", &TView3DOptions::SetRotation);
    slider(SBElevation, LElevation, "", &TView3DOptions::SetElevation);
    slider(SBHOffset, LHOffset, "", &TView3DOptions::SetHorizOffset);
    slider(SBVOffset, LVOffset, "", &TView3DOptions::SetVertOffset);
    slider(SBPerspec, LPerspec, "", &TView3DOptions::SetPerspective);
    Bind(CBZoomText, &QCheckBox::clicked,
         [this, view] { Write([this, view] { view()->SetZoomText(CBZoomText->isChecked()); }); });
    Bind(CBClipPoints, &QCheckBox::clicked,
         [this] { Write([this] { Chart->SetClipPoints(CBClipPoints->isChecked()); }); });
}

void TFormTee3D::Write(const std::function<void()>& Writer)
{
    if (Chart && !Refreshing && !Filling()) Writer();
}

void TFormTee3D::FormShow()
{
    if (Chart) RefreshOptions();
    TeeTranslateControl(this);
}

int TFormTee3D::GetRotation() const
{
    return SBRotation->value();
}

void TFormTee3D::RefreshOptions()
{
    if (!Chart) return;
    Refreshing = true;
    TView3DOptions* o = Chart->GetView3DOptions();
    CBView3d->setChecked(Chart->GetView3D());
    SE3d->setValue(Chart->GetChart3DPercent());
    CBClipPoints->setChecked(Chart->GetClipPoints());
    const bool full = Chart->GetCanvas()->GetSupportsFullRotation();
    SBRotation->setMinimum(0);
    SBRotation->setTickInterval(full ? 20 : 45);
    SBElevation->setMinimum(full ? 0 : 270);
    SBElevation->setTickInterval(full ? 20 : 10);
    SBZoom->setValue(o->GetZoom());
    CBOrthogonal->setChecked(o->GetOrthogonal());
    SBRotation->setValue(o->GetRotation());
    SBElevation->setValue(o->GetElevation());
    // Offsets beyond the track bars widen them, so the position shows the stored offset.
    for (auto [bar, offset] : {std::pair{SBHOffset, o->GetHorizOffset()}, std::pair{SBVOffset, o->GetVertOffset()}}) {
        if (std::abs(offset) > bar->maximum()) {
            const int limit = Round(std::abs(offset) * 1.5);
            bar->setRange(-limit, limit);
        }
        bar->setValue(offset);
    }
    CBZoomText->setChecked(o->GetZoomText());
    SBPerspec->setValue(o->GetPerspective());
    EOrthoAngle->setValue(o->GetOrthoAngle());
    ETextSize->setValue(o->GetFontZoom());
    Refreshing = false;
    CheckControls();
}

void TFormTee3D::CheckControls()
{
    if (!Chart) return;
    const bool full = Chart->GetCanvas()->GetSupportsFullRotation();
    AllowRotation = full || !qobject_cast<TPieSeries*>(Chart->GetASeries());
    if (ResetPage) PageControl1->SetActivePage(Tab3D);
    const bool view3D = Chart->GetView3D();
    CBOrthogonal->setEnabled(view3D && AllowRotation);
    SBElevation->setEnabled(view3D && (full || !Chart->GetView3DOptions()->GetOrthogonal()));
    SBRotation->setEnabled(SBElevation->isEnabled() && CBOrthogonal->isEnabled());
    EOrthoAngle->setEnabled(CBOrthogonal->isEnabled());
}

void TFormTee3D::PageControl1Change()
{
    if (PageControl1->ActivePage() == Tab3D)
        RefreshOptions();
    else if (PageControl1->ActivePage() == TabViews) {
        if (ChartGalleryPanel1->Charts.Count() == 0) CreateViewsGallery();
        Select3DChart(Chart);
    }
}

void TFormTee3D::CreateViewsGallery()
{
    TChartGalleryPanel* g = ChartGalleryPanel1;
    g->SetSmooth(false);
    g->DisplaySub = false;
    g->FocusRotation = false;
    g->SetNumCols(3);
    g->SetNumRows(2);
    if (TeeSeriesTypes().empty()) return;
    const TTeeSeriesType type = TeeSeriesTypes().Get(0);
    const char* const names[] = {"2D", "Ortho Right", "Ortho Left", "3D Front", "3D Right", "3D Left"};
    FSelectingView = true;
    for (int i = 0; i < 6; ++i) {
        TGalleryChart* c = g->CreateChart(type);
        c->GetBackWall()->SetTransparent(false);
        c->GetWalls()->SetSize(5);
        for (int s = 0; s < c->SeriesCount(); ++s) c->GetSeries(s)->Clear();
        c->GetTitle()->SetText({i == 0 ? TeeMsg_View2D : AnsiString(names[i])});
        TView3DOptions* o = c->GetView3DOptions();
        c->LeftAxis()->SetLabels(true);
        if (i == 0) {
            c->SetView3D(false);
            continue;
        }
        c->SetView3D(true);
        o->SetOrthogonal(false);
        for (int s = 0; s < c->SeriesCount(); ++s) c->GetSeries(s)->SetVertAxis(aBothVertAxis);
        o->SetElevation(360);
        // The side walls shown and where the right axis stands in depth.
        auto sides = [c](bool left, bool right, int rightAxisZ) {
            c->GetLeftWall()->SetVisible(left);
            c->GetRightWall()->SetVisible(right);
            c->RightAxis()->SetZPosition(rightAxisZ);
        };
        switch (i) {
            case 1: o->SetOrthogonal(true); break;
            case 2:
                o->SetOrthogonal(true);
                sides(false, true, 0);
                for (int s = 0; s < c->SeriesCount(); ++s) c->GetSeries(s)->SetVertAxis(aRightAxis);
                o->SetOrthoAngle(135);
                break;
            case 3:
                sides(true, true, 0);
                o->SetRotation(360);
                break;
            case 4:
                sides(true, false, 100);
                o->SetRotation(300);
                break;
            case 5:
                sides(false, true, 0);
                c->LeftAxis()->SetZPosition(100);
                o->SetRotation(45);
                break;
            default: break;
        }
    }
    FSelectingView = false;
}

void TFormTee3D::Select3DChart(TCustomChart* AChart)
{
    TChartGalleryPanel* g = ChartGalleryPanel1;
    if (!AChart) return;
    const TView3DOptions* o = AChart->GetView3DOptions();
    TGalleryChart* match = nullptr;
    for (TGalleryChart* c : g->Charts) {
        const TView3DOptions* v = c->GetView3DOptions();
        if (c->GetView3D() == AChart->GetView3D() && v->GetOrthogonal() == o->GetOrthogonal() &&
            v->GetOrthoAngle() == o->GetOrthoAngle() && v->GetRotation() == o->GetRotation() &&
            v->GetElevation() == o->GetElevation()) {
            match = c;
            break;
        }
    }
    FSelectingView = true;
    if (match)
        g->SelectChart(match);
    else {
        g->SelectedChart = nullptr;
        for (TGalleryChart* c : g->Charts) c->UnFocus();
    }
    FSelectingView = false;
}

void TFormTee3D::SetGallery3DChart(TCustomChart* AChart)
{
    TGalleryChart* selected = ChartGalleryPanel1->SelectedChart;
    if (!AChart || !selected) return;
    const TView3DOptions* v = selected->GetView3DOptions();
    TView3DOptions* o = AChart->GetView3DOptions();
    AChart->SetView3D(selected->GetView3D());
    o->SetOrthogonal(v->GetOrthogonal());
    o->SetOrthoAngle(v->GetOrthoAngle());
    o->SetRotation(v->GetRotation());
    o->SetElevation(v->GetElevation());
}
