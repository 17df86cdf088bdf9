#pragma once
// The editor of fast line series: the pen dialog on the series' line pen (without OK and
// Cancel), drawing of all points, stairs and null handling.
#include "chart/editors/TPenDialog.h"

class TFastLineSeries;

class TFastLineSeriesEditor : public TPenDialog {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TFastLineSeriesEditor(QWidget* Owner = nullptr);

    QCheckBox* CBDrawAll = nullptr;
    QCheckBox* CBStairs = nullptr;
    QCheckBox* CBInvStairs = nullptr;
    QCheckBox* CBNulls = nullptr;

    TFastLineSeries* Series = nullptr;

    void FormShow() override;
};
