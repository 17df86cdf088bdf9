#pragma once
// The pointer editor: visibility, 3D, size, style, colours and gradient of the marker a
// series draws at each point. It is the "Format" tab of point series (and a tab of line,
// area and Gantt series), or a dialog of its own for any pointer (the marks' callout). The
// bubble editor adds the bubbles' transparency.
#include "chart/editors/TTeeForm.h"
#include "platform/GraphicsTypes.h"

class TCanvas;
class TChartSeries;
class TSeriesPointer;

class TSeriesPointerEditor : public TTeeForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TSeriesPointerEditor(QWidget* Owner = nullptr);
    ~TSeriesPointerEditor() override;

    QCheckBox* CBDrawPoint = nullptr;
    QCheckBox* CB3dPoint = nullptr;
    QCheckBox* CBInflate = nullptr;
    QLabel* Label1 = nullptr;
    QSpinBox* SEPointHorizSize = nullptr;
    QLabel* Label2 = nullptr;
    QSpinBox* SEPointVertSize = nullptr;
    QComboBox* CBStyle = nullptr;
    QCheckBox* CBPoDark = nullptr;
    QPushButton* BPointFillColor = nullptr;
    QCheckBox* CBDefBrushColor = nullptr;
    TButtonPen* BPoinPenCol = nullptr;
    QCheckBox* CBColorEach = nullptr;
    QPushButton* BGradient = nullptr;

    // The pointer edited and its series (none for a free pointer).
    TSeriesPointer* Pointer = nullptr;
    TChartSeries* Series() const;

    void HideSizeOptions();
    void FormShow() override;
    void SetPointerVisible(bool Value);
    void Enable3DPoint();
    void CheckDefColor();
    void CBStyleDrawItem(TCanvas* Canvas, int Index, const TRect& Rect, bool Selected);

    void CBDrawPointClick();
    void CB3dPointClick();
    void CBStyleChange();
    void BPointFillColorClick();
    void CBDefBrushColorClick();
    void BPoinPenColClick();
    void CBColorEachClick();
    void BGradientClick();

private:
    TChartSeries* FSeries = nullptr;
};

class TBubbleSeriesEditor : public TSeriesPointerEditor {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TBubbleSeriesEditor(QWidget* Owner = nullptr);

    QSpinBox* Edit1 = nullptr;

    void FormShow() override;
};

// The pointer editor as a dialog on Pointer (no "Inflate Margins", no "Color Each").
void EditSeriesPointer(QObject* AOwner, TSeriesPointer* Pointer);
// A pointer tab at position 1 of the series page that Parent belongs to, or null when
// Parent is not on a series page.
TTeeForm* TeeInsertPointerForm(QWidget* Parent, TSeriesPointer* Pointer, const AnsiString& Caption);
