#pragma once
// Draws a picture behind the series, stretched over the series' value range (or the
// range of the chart's bottom and left axes without a series).
#include "chart/engine/TTeeCustomTool.h"
#include "platform/TBitmap.h"

class TChartImageTool : public TTeeCustomToolSeries {
    Q_OBJECT
    Q_PROPERTY(TPicture* Picture READ GetPicture WRITE SetPicture)
public:
    Q_INVOKABLE explicit TChartImageTool(QObject* owner = nullptr);
    ~TChartImageTool() override;

    AnsiString GetEditorClass() const override { return "TChartImageToolEditor"; }
    AnsiString Description() const override;
    void ChartEvent(TChartToolEvent event) override;
    void SetSeries(TChartSeries* value) override;

    // The rectangle the picture is stretched into.
    TRect ImageRect() const;
    TPicture* GetPicture() const { return FPicture; }
    void SetPicture(TPicture* value) { FPicture->Assign(value); }

private:
    TPicture* FPicture;
};
