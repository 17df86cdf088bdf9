#include "chart/editors/TBarSeriesEditor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>

#include "chart/editors/TBrushDialog.h"
#include "chart/editors/TButtonPen.h"
#include "chart/editors/TTeeGradientEditor.h"
#include "chart/editors/TeeEditorClasses.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/editors/TeeSubjectHandlers.h"
#include "chart/engine/TeeColorButton.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeProcs.h"
#include "chart/series/TCustomBarSeries.h"
#include "platform/FormatSettings.h"

TBarSeriesEditor::TBarSeriesEditor(QWidget* Owner) : TTeeForm(Owner)
{
    setObjectName("BarSeriesEditor");
    SetClientSize(360, 170);
    PageControl1 = TeeAlignClient(new QTabWidget(this));
    TabFormat = TeeAddTab(PageControl1, "Format");
    QLabel* style = TeeAddLabel(TabFormat, "St&yle:", 8, 12);
    CBBarStyle =
        TeeAddCombo(TabFormat, 50, 8, 120,
                    {"Rectangle", "Pyramid", "Invert. Pyramid", "Cylinder", "Ellipse", "Arrow", "Rect. Gradient",
                     "Cone", "Bevel", "Slant Cube", "Diamond", "Invert. Arrow", "Invert. Cone"},
                    style);
    BBarPen = TeeAddButton<TButtonPen>(TabFormat, "&Border...", 8, 38, 80);
    QPushButton* pattern = TeeAddButton(TabFormat, "&Pattern...", 8, 68, 80);
    BGradient = TeeAddButton(TabFormat, "&Gradient...", 8, 98, 80);
    CBColorEach = TeeAddCheck(TabFormat, "Color &Each", 190, 10);
    BBarColor = TeeAddButton<TButtonColor>(TabFormat, "&Color...", 190, 32, 80);
    BTickLines = TeeAddButton<TButtonPen>(TabFormat, "&Tick lines...", 100, 38, 80);
    LBevel = TeeAddLabel(TabFormat, "Be&vel size:", 100, 72);
    EBevel = TeeAddSpin(TabFormat, 170, 68, 56, 0, 100, 1, LBevel);
    CBDarkBar = TeeAddCheck(TabFormat, "&Dark Bar 3D Sides", 100, 100);
    QWidget* size = TeeAddTab(PageControl1, "Size");
    UDBarWidth = TeeAddSpin(size, 100, 8, 56, 1, 100, 5, TeeAddLabel(size, "% Bar &Width:", 8, 12));
    UDBarOffset = TeeAddSpin(size, 100, 38, 56, -100, 100, 5, TeeAddLabel(size, "% Bar O&ffset:", 8, 42));
    UDDepth = TeeAddSpin(size, 100, 68, 56, 1, 100, 5, TeeAddLabel(size, "% Bar &Depth:", 8, 72));
    CBBarSideMargins = TeeAddCheck(size, "Bar S&ide Margins", 180, 10);
    CBMarksAutoPosition = TeeAddCheck(size, "&Auto Mark Position", 180, 32);
    // FormCreate
    PageControl1->setCurrentWidget(TabFormat);

    auto series = [this](auto Write) { return OnSubject(Series, std::move(Write)); };
    using B = TCustomBarSeries;
    Bind(CBBarStyle, &QComboBox::activated, series([this](B* s) {
             s->SetBarStyle(TBarStyle(CBBarStyle->currentIndex()));
             CheckControls();
         }));
    Bind(pattern, &QPushButton::clicked, series([this](B* s) { EditChartBrush(this, s->Brush()); }));
    Bind(CBColorEach, &QCheckBox::clicked, series([this](B* s) {
             s->SetColorEachPoint(CBColorEach->isChecked());
             CheckControls();
         }));
    Bind(BGradient, &QPushButton::clicked, [this] { BGradientClick(); });
    BindSpins(this, Series,
              {{EBevel, &B::SetBevelSize},
               {UDBarWidth, &B::SetBarWidthPercent},
               {UDBarOffset, &B::SetOffsetPercent},
               {UDDepth, &B::SetDepthPercent}});
    BindChecks(this, Series,
               {{CBDarkBar, &B::SetDark3D},
                {CBBarSideMargins, &B::SetSideMargins},
                {CBMarksAutoPosition, &B::SetAutoMarkPosition}});
}

void TBarSeriesEditor::FormShow()
{
    Series = qobject_cast<TCustomBarSeries*>(TagObject());
    if (Series) {
        TFilling filling(this);
        CBBarStyle->setCurrentIndex(int(Series->GetBarStyleValue()));
        BBarPen->LinkPen(Series->Pen());
        CBColorEach->setChecked(Series->GetColorEachPoint());
        BBarColor->LinkProperty(Series, "SeriesColor");
        BTickLines->LinkPen(Series->GetTickLines());
        EBevel->setValue(Series->GetBevelSize());
        CBDarkBar->setChecked(Series->GetDark3D());
        UDBarWidth->setValue(Series->GetBarWidthPercent());
        UDBarOffset->setValue(Series->GetOffsetPercent());
        UDDepth->setValue(Series->GetDepthPercent());
        CBBarSideMargins->setChecked(Series->GetSideMargins());
        CBMarksAutoPosition->setChecked(Series->GetAutoMarkPosition());
        CheckControls();
        AddStackBarEditor();
    }
    TeeTranslateControl(this);
}

void TBarSeriesEditor::AddStackBarEditor()
{
    if (!StackForm && Series)
        StackForm =
            TeeInsertSeriesForm(parentWidget(), &TStackBarSeriesEditor::staticMetaObject, 1, TeeMsg_Stack, Series);
}

void TBarSeriesEditor::CheckControls()
{
    if (!Series) return;
    const TBarStyle style = Series->GetBarStyleValue();
    BGradient->setEnabled(style == bsRectangle || style == bsRectGradient);
    const bool bevel = style == bsBevel;
    LBevel->setEnabled(bevel);
    EBevel->setEnabled(bevel);
    BBarColor->setEnabled(!Series->GetColorEachPoint());
}

void TBarSeriesEditor::BGradientClick()
{
    if (!Series) return;
    Series->SetBarStyle(bsRectGradient);
    {
        TFilling filling(this);
        CBBarStyle->setCurrentIndex(bsRectGradient);
    }
    CheckControls();
    EditTeeGradient(this, Series->GetGradient());
}

TStackBarSeriesEditor::TStackBarSeriesEditor(QWidget* Owner) : TTeeForm(Owner)
{
    setObjectName("StackBarSeriesEditor");
    SetClientSize(300, 150);
    CBYOrigin = TeeAddCheck(this, "Use &Origin:", 8, 8);
    EYOrigin = TeePlace(new QLineEdit(this), 100, 6, 80, 21);
    RGMultiBar = TeeAddRadioGroup(
        this, "&Multiple Bar:", {"None", "Side", "Stacked", "Stacked 100%", "Side All", "Self Stack"}, 8, 34, 130, 124);
    EGroup = TeeAddSpin(this, 230, 36, 56, 0, 100, 1, TeeAddLabel(this, "&Stack Group:", 150, 40));

    Bind(CBYOrigin, &QCheckBox::clicked, [this] {
        if (!Series) return;
        Series->SetUseYOrigin(CBYOrigin->isChecked());
        CheckControls();
        if (EYOrigin->isEnabled()) EYOrigin->setFocus();
    });
    Bind(EYOrigin, &QLineEdit::textChanged, [this] {
        if (Series) Series->SetYOrigin(StrToFloatDef(EYOrigin->text().trimmed().toStdString(), Series->GetYOrigin()));
    });
    Bind(RGMultiBar, &TTeeRadioGroup::Click, [this] {
        if (!Series) return;
        Series->SetMultiBar(TMultiBar(RGMultiBar->ItemIndex()));
        CheckControls();
    });
    Bind(EGroup, &QSpinBox::valueChanged, [this] {
        if (Series) Series->SetStackGroup(EGroup->value());
    });
}

void TStackBarSeriesEditor::FormShow()
{
    Series = qobject_cast<TCustomBarSeries*>(TagObject());
    if (Series) {
        TFilling filling(this);
        CBYOrigin->setChecked(Series->GetUseYOrigin());
        EYOrigin->setText(QString::fromStdString(FloatToStr(Series->GetYOrigin())));
        RGMultiBar->SetItemIndex(int(Series->GetMultiBar()));
        EGroup->setValue(Series->GetStackGroup());
        CheckControls();
    }
    TeeTranslateControl(this);
}

void TStackBarSeriesEditor::CheckControls()
{
    if (!Series) return;
    EYOrigin->setEnabled(Series->GetUseYOrigin());
    const TMultiBar multi = Series->GetMultiBar();
    EGroup->setEnabled(multi == mbStacked || multi == mbStacked100);
}
