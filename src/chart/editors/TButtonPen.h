#pragma once
// A push button linked to a chart pen: it shows a sample of the pen and opens the pen
// dialog when pressed.
#include "chart/engine/TeeColorButton.h"

class TChartPen;

class TButtonPen : public TTeeButton {
    Q_OBJECT
public:
    explicit TButtonPen(QWidget* Owner = nullptr);

    void LinkPen(TChartPen* Pen);
    TChartPen* GetPen() const;
    // The pen dialog opened by the button hides its colour button.
    bool HideColor = false;

    // Opens the pen dialog on the linked pen; OnClick runs only when it closed with OK.
    // Without a pen the button is a plain button.
    void Click() override;
    // A short line in the pen (at most 6 pixels wide) near the right edge.
    void DrawSymbol(TTeeCanvas* Canvas) override;
};
