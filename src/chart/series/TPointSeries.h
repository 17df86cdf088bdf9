#pragma once
// Markers only, no line: the base of the bubble, arrow and Gantt series too.
#include "chart/series/TCustomSeries.h"

class TPointSeries : public TCustomSeries {
    Q_OBJECT
    Q_PROPERTY(SeriesEnums::TCustomSeriesStack Stacked READ GetStacked WRITE SetStacked)
    Q_PROPERTY(bool ClickableLine READ GetClickableLine WRITE SetClickableLine)
    Q_PROPERTY(TSeriesPointer* Pointer READ GetPointer WRITE SetPointer)
    Q_PROPERTY(int Transparency READ GetTransparency WRITE SetTransparency)

public:
    Q_INVOKABLE explicit TPointSeries(QObject* owner = nullptr);

    void Assign(const TCustomChartElement& source) override;
    using TChartSeries::Assign;
    AnsiString GetEditorClass() const override { return "TSeriesPointerEditor"; }
    void PrepareForGallery(bool enabled) override;
    void SetColorEachPoint(bool value) override;
    int GetTransparency() const override { return FPointer->GetTransparency(); }
    void SetTransparency(int value) override { FPointer->SetTransparency(value); }
    void CreateSubGallery(const TChartSubGalleryProc& AddSubChart) override;
    void SetSubGallery(TChartSeries* series, int index) override;
    // False in series whose pointers must keep their own shape: the style items of the
    // sub-gallery are left out.
    virtual bool CanDoExtra() const { return true; }

private:
    void SetFixedSettings();
};
