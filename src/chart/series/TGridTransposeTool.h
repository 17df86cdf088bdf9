#pragma once
// Transposes a 3D grid series on request: X and Z of every point change places, so rows
// become columns.
#include "chart/engine/TTeeCustomTool.h"
#include "chart/series/TCustom3DGridSeries.h"

class TGridTransposeTool : public TTeeCustomTool {
    Q_OBJECT
    Q_PROPERTY(TCustom3DGridSeries* Series READ Series WRITE SetSeries)
public:
    Q_INVOKABLE explicit TGridTransposeTool(QObject* owner = nullptr);
    ~TGridTransposeTool() override;

    AnsiString GetEditorClass() const override { return "TGridTransposeToolEdit"; }
    AnsiString Description() const override;

    // Only while Active and with a series; point labels and colours do not come along.
    void Transpose();

    TCustom3DGridSeries* Series() const { return FSeries; }
    // A plain reference (no repaint); the tool forgets a series that is freed.
    void SetSeries(TCustom3DGridSeries* value);

private:
    TCustom3DGridSeries* FSeries = nullptr;
};

// Enters the tool into the library's tool types (after any registered before); counted
// like RegisterTeeChartTools.
void RegisterTeeGridTransposeTool();
void UnRegisterTeeGridTransposeTool();
