#include "chart/editors/TChartShapeEditor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

#include "chart/editors/TBrushDialog.h"
#include "chart/editors/TButtonPen.h"
#include "chart/editors/TTeeFontEditor.h"
#include "chart/editors/TTeeGradientEditor.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/editors/TeeSubjectHandlers.h"
#include "chart/engine/TCustomAxisPanel.h"
#include "chart/engine/TeeColorButton.h"
#include "chart/engine/TeeProcs.h"
#include "chart/series/TChartShape.h"
#include "platform/FormatSettings.h"
#include "platform/TextLines.h"

TChartShapeEditor::TChartShapeEditor(QWidget* Owner) : TTeeForm(Owner)
{
    setObjectName("ChartShapeEditor");
    SetClientSize(360, 190);
    PageControl1 = TeeAlignClient(new QTabWidget(this));
    QWidget* style = TeeAddTab(PageControl1, "Style");
    CBStyle = TeeAddCombo(style, 8, 6, 110,
                          {"Rectangle", "Circle", "Vertical Line", "Horiz. Line", "Triangle", "Invert. Triangle",
                           "Line", "Diamond", "Cube", "Cross", "Diagonal Cross", "Star", "Pyramid", "Invert. Pyramid"});
    BShapeColor = TeeAddButton<TButtonColor>(style, "&Color...", 8, 32, 80);
    BShapePen = TeeAddButton<TButtonPen>(style, "&Border...", 8, 60, 80);
    QPushButton* pattern = TeeAddButton(style, "&Pattern...", 8, 88, 80);
    Button1 = TeeAddButton(style, "&Gradient...", 8, 116, 80);
    CBTrans = TeeAddCheck(style, "Tra&nsparent", 8, 146);
    MemoText = TeePlace(new QPlainTextEdit(style), 126, 6, 120, 70);
    RGAlign = TeeAddRadioGroup(style, "", {"Left", "Center", "Right"}, 126, 80, 70, 70);
    RGVertAlign = TeeAddRadioGroup(style, "", {"Top", "Center", "Bottom"}, 200, 80, 70, 70);
    CBRound = TeeAddCheck(style, "&Round Rectangle", 126, 154);
    QWidget* position = TeeAddTab(PageControl1, "Position");
    auto edit = [position](const char* caption, int x, int y) {
        QLabel* label = TeeAddLabel(position, caption, x, y + 4);
        auto* e = TeePlace(new QLineEdit(position), x + 50, y, 70, 21);
        label->setBuddy(e);
        return e;
    };
    SEX0 = edit("&Left:", 8, 8);
    SEX1 = edit("&Right", 150, 8);
    SEY0 = edit("&Top:", 8, 38);
    SEY1 = edit("&Bottom:", 150, 38);
    CBUnits =
        TeeAddCombo(position, 58, 72, 100, {"Pixels", "Axis", "Axis Origin"}, TeeAddLabel(position, "&Units:", 8, 76));
    QWidget* text = TeeAddTab(PageControl1, "Text");
    FontEditor = InsertTeeFontEditor(text);

    auto series = [this](auto Write) { return OnSubject(Series, std::move(Write)); };
    using S = TChartShape;
    Bind(CBStyle, &QComboBox::activated, series([this](S* s) {
             s->SetStyle(TChartShapeStyle(CBStyle->currentIndex()));
             CBRound->setEnabled(s->GetStyle() == ExtraSeriesEnums::chasRectangle);
         }));
    Bind(pattern, &QPushButton::clicked, series([this](S* s) { EditChartBrush(this, s->Brush()); }));
    Bind(Button1, &QPushButton::clicked, series([this](S* s) { EditTeeGradient(this, s->GetGradient()); }));
    Bind(MemoText, &QPlainTextEdit::textChanged,
         series([this](S* s) { s->SetText(SplitLines(MemoText->toPlainText())); }));
    Bind(RGAlign, &TTeeRadioGroup::Click, series([this](S* s) {
             const TAlignment align[] = {taLeftJustify, taCenter, taRightJustify};
             if (RGAlign->ItemIndex() >= 0) s->SetAlignment(align[RGAlign->ItemIndex()]);
         }));
    Bind(RGVertAlign, &TTeeRadioGroup::Click,
         series([this](S* s) { s->SetVertAlign(TTeeVertAlign(RGVertAlign->ItemIndex())); }));
    BindChecks(this, Series, {{CBTrans, &S::SetTransparent}, {CBRound, &S::SetRoundRectangle}});
    for (QLineEdit* e : {SEX0, SEX1, SEY0, SEY1}) Bind(e, &QLineEdit::textChanged, [this, e] { CoordinateChange(e); });
    Bind(CBUnits, &QComboBox::activated,
         series([this](S* s) { s->SetXYStyle(TChartShapeXYStyle(CBUnits->currentIndex())); }));
}

void TChartShapeEditor::FormShow()
{
    Series = qobject_cast<TChartShape*>(TagObject());
    if (Series) {
        TFilling filling(this);
        CBStyle->setCurrentIndex(int(Series->GetStyle()));
        BShapeColor->LinkProperty(Series, "SeriesColor");
        BShapePen->LinkPen(Series->Pen());
        CBTrans->setChecked(Series->GetTransparent());
        MemoText->setPlainText(JoinLines(Series->Text()));
        MemoText->setFont(Series->GetFont()->ToQFont());
        const TAlignment align = Series->GetAlignment();
        RGAlign->SetItemIndex(align == taLeftJustify ? 0 : (align == taCenter ? 1 : 2));
        RGVertAlign->SetItemIndex(int(Series->GetVertAlign()));
        CBRound->setChecked(Series->GetRoundRectangle());
        auto* chart = dynamic_cast<TCustomAxisPanel*>(Series->ParentChart());
        CBRound->setEnabled(Series->GetStyle() == ExtraSeriesEnums::chasRectangle && chart && !chart->GetView3D());
        if (Series->Count() == 2) {
            SEX0->setText(QString::fromStdString(FloatToStr(Series->GetX0())));
            SEX1->setText(QString::fromStdString(FloatToStr(Series->GetX1())));
            SEY0->setText(QString::fromStdString(FloatToStr(Series->GetY0())));
            SEY1->setText(QString::fromStdString(FloatToStr(Series->GetY1())));
        }
        CBUnits->setCurrentIndex(int(Series->GetXYStyle()));
        FontEditor->RefreshControls(Series->GetFont());
    }
    TeeTranslateControl(this);
}

void TChartShapeEditor::CoordinateChange(QLineEdit* Edit)
{
    double value = 0;
    // A box being typed into may hold no number yet: nothing changes then.
    if (!Series || !TryStrToFloat(Edit->text().trimmed().toStdString(), value)) return;
    if (Edit == SEX0)
        Series->SetX0(value);
    else if (Edit == SEX1)
        Series->SetX1(value);
    else if (Edit == SEY0)
        Series->SetY0(value);
    else
        Series->SetY1(value);
}
