#pragma once
// The editors of Gantt and arrow series: bar height, connecting lines, colours and
// transparency of Gantt bars (their pointer as the "Gantt" tab, without its size), and
// pen, pattern, size and colours of arrows.
#include "chart/editors/TTeeForm.h"

class TArrowSeries;
class TGanttSeries;

class TGanttSeriesEditor : public TTeeForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TGanttSeriesEditor(QWidget* Owner = nullptr);

    QSpinBox* SEPointVertSize = nullptr;
    TButtonPen* BConnLines = nullptr;
    QCheckBox* CBColorEach = nullptr;
    TButtonColor* BColor = nullptr;
    QSpinBox* Edit1 = nullptr;

    TGanttSeries* Series = nullptr;
    TTeeForm* PointerForm = nullptr;

    void FormShow() override;
};

class TArrowSeriesEditor : public TTeeForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TArrowSeriesEditor(QWidget* Owner = nullptr);

    TButtonPen* BPen = nullptr;
    QSpinBox* SEArrowWidth = nullptr;
    QSpinBox* SEArrowHeight = nullptr;
    QCheckBox* CBColorEach = nullptr;
    TButtonColor* BArrowColor = nullptr;

    TArrowSeries* Series = nullptr;

    void FormShow() override;
};
