#include "chart/editors/TScrollbarEditor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include "chart/editors/TBrushDialog.h"
#include "chart/editors/TButtonPen.h"
#include "chart/editors/TTeeGradientEditor.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/series/TeeLegendScrollBar.h"

TScrollbarEditor::TScrollbarEditor(QWidget* Owner) : TTeeForm(Owner)
{
    setObjectName("ScrollbarEditor");
    setWindowTitle("ScrollbarEditor");
    SetClientSize(290, 170);
    BBorder = TeeAddButton<TButtonPen>(this, "&Border...", 8, 8, 90);
    BThumb = TeeAddButton(this, "&Thumb...", 8, 40, 90);
    BBack = TeeAddButton(this, "B&ack...", 8, 72, 90);
    BArrows = TeeAddButton(this, "A&rrows...", 8, 104, 90);
    BGradient = TeeAddButton(this, "&Gradient...", 8, 136, 90);
    BBackColor = TeeAddButton<TButtonColor>(this, "Back &Color...", 116, 8, 110);
    CBBevel = TeeAddCombo(this, 196, 42, 86, {"None", "Lowered", "Raised"}, TeeAddLabel(this, "B&evel:", 116, 46));
    ESize = TeeAddSpin(this, 196, 74, 60, 1, 300, 1, TeeAddLabel(this, "&Size:", 116, 78));
    EDelay = TeeAddSpin(this, 196, 106, 70, 0, 5000, 25, TeeAddLabel(this, "&Initial delay", 116, 110));
    CBAutoRepeat = TeeAddCheck(this, "A&uto-repeat", 116, 140);

    const auto brush = [this](TChartBrush* (TTeeScrollBar::*Which)() const) {
        if (TTeeScrollBar* tool = Tool()) EditChartBrush(this, (tool->*Which)());
    };
    Bind(BThumb, &QPushButton::clicked, [brush] { brush(&TTeeScrollBar::GetThumbBrush); });
    Bind(BBack, &QPushButton::clicked, [brush] { brush(&TTeeScrollBar::Brush); });
    Bind(BArrows, &QPushButton::clicked, [brush] { brush(&TTeeScrollBar::GetArrowBrush); });
    Bind(BGradient, &QPushButton::clicked, [this] {
        if (TTeeScrollBar* tool = Tool()) EditTeeGradient(this, tool->GetGradient());
    });
    Bind(CBBevel, &QComboBox::activated, [this](int Index) {
        if (TTeeScrollBar* tool = Tool()) tool->SetBevel(TBevelCut(Index));
    });
    Bind(ESize, &QSpinBox::valueChanged, [this](int Value) {
        if (TTeeScrollBar* tool = Tool()) tool->SetSize(Value);
    });
    Bind(EDelay, &QSpinBox::valueChanged, [this](int Value) {
        if (TTeeScrollBar* tool = Tool()) tool->InitialDelay = Value;
    });
    Bind(CBAutoRepeat, &QCheckBox::toggled, [this](bool Checked) {
        if (TTeeScrollBar* tool = Tool()) tool->AutoRepeat = Checked;
    });
}

TTeeScrollBar* TScrollbarEditor::Tool() const
{
    return qobject_cast<TTeeScrollBar*>(TagObject());
}

void TScrollbarEditor::FormShow()
{
    TTeeScrollBar* tool = Tool();
    if (!tool) return;
    TFilling filling(this);
    BBorder->LinkPen(tool->Pen());
    BBackColor->LinkProperty(tool, "BackColor");
    // The bevel "space" has no entry: nothing is shown chosen.
    CBBevel->setCurrentIndex(tool->GetBevel() <= bvRaised ? int(tool->GetBevel()) : -1);
    ESize->setValue(tool->GetSize());
    EDelay->setValue(tool->InitialDelay);
    CBAutoRepeat->setChecked(tool->AutoRepeat);
}
