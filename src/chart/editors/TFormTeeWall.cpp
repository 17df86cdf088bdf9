#include "chart/editors/TFormTeeWall.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>

#include "chart/editors/TBrushDialog.h"
#include "chart/editors/TButtonPen.h"
#include "chart/editors/TTeeGradientEditor.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TeeColorButton.h"
#include "chart/engine/TeeProcs.h"

TFormTeeWall::TFormTeeWall(QWidget* Owner, TChartWall* AWall) : TTeeForm(Owner), Wall(AWall)
{
    if (Wall) FChart = qobject_cast<TCustomChart*>(Wall->ParentChart());
    setObjectName("FormTeeWall");
    SetClientSize(380, 200);
    CBView3dWalls = TeeAddCheck(this, "&Visible Walls", 8, 8);
    EAllSize = TeeAddSpin(this, 176, 6, 56, 0, 100, 1, TeeAddLabel(this, "Size:", 140, 10));
    TabSubWalls = TeePlace(new QTabBar(this), 4, 34, 372, 24);
    for (const char* tab : {"Left", "Right", "Bottom", "Back"}) TabSubWalls->addTab(tab);
    auto* area = TeePlace(new QWidget(this), 4, 58, 372, 138);
    BWallColor = TeeAddButton<TButtonColor>(area, "&Color...", 8, 8, 80);
    BWallPen = TeeAddButton<TButtonPen>(area, "B&order...", 8, 38, 80);
    QPushButton* pattern = TeeAddButton(area, "&Pattern...", 8, 68, 80);
    BGradient = TeeAddButton(area, "&Gradient...", 8, 98, 80);
    SEWallSize = TeeAddSpin(area, 180, 8, 56, 0, 100, 1, TeeAddLabel(area, "Siz&e:", 110, 12));
    CBTransp = TeeAddCheck(area, "&Transparent", 110, 40);
    CBDark3D = TeeAddCheck(area, "&Dark 3D", 110, 62);
    CBVisible = TeeAddCheck(area, "V&isible", 250, 40);
    CBAutoHide = TeeAddCheck(area, "&Auto Hide", 250, 62);
    Edit1 = TeeAddSpin(area, 200, 96, 56, 0, 100, 1, TeeAddLabel(area, "T&ransparency:", 110, 100));

    Bind(TabSubWalls, &QTabBar::currentChanged, [this] { TabSubWallsChange(); });
    BindTo(CBView3dWalls, &QCheckBox::clicked, FChart, &TCustomChart::SetView3DWalls);
    Bind(SEWallSize, &QSpinBox::valueChanged, [this] {
        if (!Wall || !isVisible()) return;
        Wall->SetSize(SEWallSize->value());
        CBDark3D->setEnabled(Wall->GetSize() > 0);
    });
    Bind(EAllSize, &QSpinBox::valueChanged, [this] {
        if (!FChart || !isVisible()) return;
        FChart->GetWalls()->SetSize(EAllSize->value());
        SetWallControls();
    });
    BindTo(CBTransp, &QCheckBox::clicked, Wall, &TChartWall::SetTransparent);
    BindTo(CBDark3D, &QCheckBox::clicked, Wall, &TChartWall::SetDark3D);
    BindTo(CBVisible, &QCheckBox::clicked, Wall, &TChartWall::SetVisible);
    BindTo(CBAutoHide, &QCheckBox::clicked, Wall, &TChartWall::SetAutoHide);
    Bind(Edit1, &QSpinBox::valueChanged, [this] {
        if (Wall && isVisible()) Wall->SetTransparency(Edit1->value());
    });
    Bind(pattern, &QPushButton::clicked, [this] {
        if (Wall) EditChartBrush(this, Wall->GetBrush());
    });
    Bind(BGradient, &QPushButton::clicked, [this] { BGradientClick(); });
}

TCustomChart* TFormTeeWall::TheChart() const
{
    return FChart;
}

void TFormTeeWall::FormShow()
{
    if (Wall && FChart) {
        {
            TFilling filling(this);
            int tab = 3;
            if (Wall == FChart->GetLeftWall())
                tab = 0;
            else if (Wall == FChart->GetRightWall())
                tab = 1;
            else if (Wall == FChart->GetBottomWall())
                tab = 2;
            TabSubWalls->setCurrentIndex(tab);
        }
        SetWallControls();
    }
    TeeTranslateControl(this);
}

void TFormTeeWall::TabSubWallsChange()
{
    if (!FChart) return;
    switch (TabSubWalls->currentIndex()) {
        case 0: Wall = FChart->GetLeftWall(); break;
        case 1: Wall = FChart->GetRightWall(); break;
        case 2: Wall = FChart->GetBottomWall(); break;
        default: Wall = FChart->GetBackWall(); break;
    }
    SetWallControls();
}

void TFormTeeWall::SetWallControls()
{
    if (!Wall || !FChart) return;
    TFilling filling(this);
    CBView3dWalls->setChecked(FChart->GetView3DWalls());
    SEWallSize->setValue(Wall->GetSize());
    CBTransp->setChecked(Wall->GetTransparent());
    CBDark3D->setChecked(Wall->GetDark3D());
    CBDark3D->setEnabled(Wall->GetSize() >= 1);
    CBVisible->setChecked(Wall->GetVisible());
    CBAutoHide->setChecked(Wall->GetAutoHide());
    Edit1->setValue(Wall->GetTransparency());
    EAllSize->setValue(Wall->GetSize());
    BWallPen->LinkPen(Wall->GetPen());
    CBAutoHide->setVisible(Wall != FChart->GetBottomWall());
    BWallColor->LinkProperty(Wall, "Color");
    BWallColor->update();
}

void TFormTeeWall::BGradientClick()
{
    if (!Wall) return;
    EditTeeGradient(this, Wall->GetGradient());
    if (Wall->GetGradient()->GetVisible()) {
        Wall->SetTransparent(false);
        const QSignalBlocker block(CBTransp);
        CBTransp->setChecked(false);
    }
}
