#pragma once
// 3D series that colour each point by its Y value: by interpolating between two or three
// colours (colour range) or by looking the value up in a palette of value bands, and that
// show that colour scale in the legend.
#include <functional>
#include <vector>

#include "chart/series/ExtraSeriesEnums.h"
#include "chart/series/TCustom3DSeries.h"

// The colour of every value below UpToValue that no earlier entry took.
struct TCustom3DPaletteEntry {
    double UpToValue = 0;
    TColor Color = clBlack;
};
using TCustom3DPalette = std::vector<TCustom3DPaletteEntry>;

using TChartSurfaceGetColor = std::function<void(TChartSeries* Sender, int ValueIndex, TColor& Color)>;

// The stored colour-scale values with their defaults.
struct TPaletteSettings {
    TColor EndColor = clWhite;
    TColor MidColor = clNone;
    int LegendEvery = 1;
    double PaletteMin = 0;
    double PaletteStep = 0;
    int PaletteSteps = 32;
    TTeePaletteStyle PaletteStyle = psPale;
    TColor StartColor = 0x800000;
    bool UseColorRange = true;
    bool UsePalette = false;
    bool UsePaletteMin = false;
};

class TCustom3DPaletteSeries : public TCustom3DSeries {
    Q_OBJECT
    Q_PROPERTY(TColor EndColor READ GetEndColor WRITE SetEndColor)
    Q_PROPERTY(TColor MidColor READ GetMidColor WRITE SetMidColor)
    Q_PROPERTY(int LegendEvery READ GetLegendEvery WRITE SetLegendEvery)
    Q_PROPERTY(double PaletteMin READ GetPaletteMin WRITE SetPaletteMin)
    Q_PROPERTY(double PaletteStep READ GetPaletteStep WRITE SetPaletteStep)
    Q_PROPERTY(int PaletteSteps READ GetPaletteSteps WRITE SetPaletteSteps)
    Q_PROPERTY(ExtraSeriesEnums::TTeePaletteStyle PaletteStyle READ GetPaletteStyle WRITE SetPaletteStyle)
    Q_PROPERTY(TColor StartColor READ GetStartColor WRITE SetStartColor)
    Q_PROPERTY(bool UseColorRange READ GetUseColorRange WRITE SetUseColorRange)
    Q_PROPERTY(bool UsePalette READ GetUsePalette WRITE SetUsePalette)
    Q_PROPERTY(bool UsePaletteMin READ GetUsePaletteMin WRITE SetUsePaletteMin)

public:
    // The most bands a default palette may have (more could not be told apart anyway).
    static constexpr int MaxPaletteSteps = 65536;

    explicit TCustom3DPaletteSeries(QObject* owner = nullptr);
    ~TCustom3DPaletteSeries() override;

    void Assign(const TCustomChartElement& source) override;
    using TChartSeries::Assign;
    AnsiString GetEditorClass() const override { return "TGrid3DSeriesEditor"; }
    void DoBeforeDrawChart() override;
    void CreateSubGallery(const TChartSubGalleryProc& AddSubChart) override;
    void DrawLegendShape(int valueIndex, const TRect& rect) override;
    TColor GetValueColor(int valueIndex) const override;
    void SetSubGallery(TChartSeries* series, int index) override;
    void Clear() override;
    int CountLegendItems() override;
    TColor LegendItemColor(int legendIndex) const override;
    AnsiString LegendString(int legendIndex, TLegendTextStyle style) override;
    void PrepareForGallery(bool enabled) override;
    bool IsPropertyStored(const char* Name) const override;
    // Sets the chart up to show a gallery sample of the type, flat or turned.
    void GalleryChanged3D(bool is3D) override;

    // ---- palette
    int AddPalette(double value, TColor color);
    void ClearPalette() { FPalette.clear(); }
    void CheckPaletteEmpty();
    // NumSteps bands over the Y range (or from PaletteMin), coloured by PaletteStyle; at
    // most MaxPaletteSteps.
    void CreateDefaultPalette(int numSteps);
    // PaletteSteps bands whose colours reproduce the colour range.
    void CreateRangePalette();
    const TCustom3DPalette& Palette() const { return FPalette; }
    // The palette entry shown by a legend item (highest band first).
    int LegendPaletteIndex(int legendIndex) const;

    // ---- colours of values
    TColor GetValueColorValue(double value) const;
    TColor GetSurfacePaletteColor(double value) const;
    // The colour range at p, from 0 (EndColor) to 1 (StartColor).
    TColor RangePercent(double percent) const;

    TChartSurfaceGetColor OnGetColor;

    TColor GetEndColor() const { return FSettings.EndColor; }
    void SetEndColor(TColor value) { SetRangeColor(FSettings.EndColor, value); }
    TColor GetMidColor() const { return FSettings.MidColor; }
    void SetMidColor(TColor value) { SetRangeColor(FSettings.MidColor, value); }
    TColor GetStartColor() const { return FSettings.StartColor; }
    void SetStartColor(TColor value) { SetRangeColor(FSettings.StartColor, value); }
    int GetLegendEvery() const { return FSettings.LegendEvery; }
    void SetLegendEvery(int value) { SetIntegerProperty(FSettings.LegendEvery, value); }
    double GetPaletteMin() const { return FSettings.PaletteMin; }
    void SetPaletteMin(double value) { SetPaletteSetting(FSettings.PaletteMin, value); }
    double GetPaletteStep() const { return FSettings.PaletteStep; }
    void SetPaletteStep(double value) { SetPaletteSetting(FSettings.PaletteStep, value); }
    int GetPaletteSteps() const { return FSettings.PaletteSteps; }
    // Raises ChartException above MaxPaletteSteps and keeps the old number.
    void SetPaletteSteps(int value);
    TTeePaletteStyle GetPaletteStyle() const { return FSettings.PaletteStyle; }
    void SetPaletteStyle(TTeePaletteStyle value);
    bool GetUseColorRange() const { return FSettings.UseColorRange; }
    void SetUseColorRange(bool value);
    bool GetUsePalette() const { return FSettings.UsePalette; }
    void SetUsePalette(bool value);
    bool GetUsePaletteMin() const { return FSettings.UsePaletteMin; }
    void SetUsePaletteMin(bool value) { SetPaletteSetting(FSettings.UsePaletteMin, value); }

protected:
    bool ShowsColorScale() const { return FSettings.UseColorRange || FSettings.UsePalette; }
    // The palette after a change of its settings: rebuilt at once from the points, or left
    // empty for the next draw while there are none (a chart file sets them before its data).
    void PaletteSettingChanged();
    // Stores a setting the palette is made from and makes it again (also for the same value).
    template <typename T>
    void SetPaletteSetting(T& field, T value)
    {
        field = value;
        PaletteSettingChanged();
    }

private:
    struct Channel {
        int End = 0, Mid = 0, Span1 = 0, Span2 = 0;
    };
    void CalcColorRange();
    void SetRangeColor(TColor& field, TColor value);

    TPaletteSettings FSettings;
    TCustom3DPalette FPalette;
    Channel FRed, FGreen, FBlue;
};
