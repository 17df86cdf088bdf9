#include "chart/editors/TButtonPen.h"

#include "chart/editors/TeePenDlg.h"
#include "chart/engine/TChartPen.h"
#include "chart/engine/TeCanvas.h"

TButtonPen::TButtonPen(QWidget* Owner) : TTeeButton(Owner) {}

void TButtonPen::LinkPen(TChartPen* Pen)
{
    LinkProperty(Pen, "");
    repaint();
}

TChartPen* TButtonPen::GetPen() const
{
    return qobject_cast<TChartPen*>(FInstance.data());
}

void TButtonPen::Click()
{
    TChartPen* pen = GetPen();
    if (!pen) {
        TTeeButton::Click();
        return;
    }
    if (EditChartPen(this, pen, HideColor)) {
        repaint();
        TTeeButton::Click();
    }
}

void TButtonPen::DrawSymbol(TTeeCanvas* Canvas)
{
    TChartPen* pen = GetPen();
    if (!isEnabled() || !pen) return;
    // A wide pen is drawn 6 wide; the width is put back without telling the chart.
    const int oldWidth = pen->GetWidth();
    TNotifyEvent oldChange = pen->OnChange;
    const bool narrowed = oldWidth > 6;
    if (narrowed) {
        pen->OnChange = {};
        pen->SetWidth(6);
    }
    Canvas->Brush->SetStyle(bsClear);
    Canvas->AssignVisiblePen(pen);
    const int y = height() / 2;
    Canvas->MoveTo(width() - 17, y);
    Canvas->LineTo(width() - 6, y);
    if (narrowed) {
        pen->SetWidth(oldWidth);
        pen->OnChange = oldChange;
    }
}
