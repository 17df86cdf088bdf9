#pragma once
// Clips the drawing of a series to the rectangle of its own axes.
#include "chart/engine/TTeeCustomTool.h"

class TClipSeriesTool : public TTeeCustomToolSeries {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TClipSeriesTool(QObject* owner = nullptr);
    ~TClipSeriesTool() override;

    AnsiString Description() const override;
    // Installs the clipping around the series' drawing (replacing the series' own
    // BeforeDrawValues and AfterDrawValues handlers); a series left behind loses them.
    void SetSeries(TChartSeries* value) override;

    void ClipStart();
    void ClipEnd();

private:
    bool FClipped = false;
};
