#pragma once
// Export of series points as text, XML, an HTML table or a spreadsheet (BIFF) file.
#include <cstdint>
#include <functional>
#include <vector>

#include "chart/engine/ChartDataEnums.h"
#include "platform/AnsiString.h"
#include "platform/GraphicsTypes.h"
#include "platform/TStream.h"

class TChartSeries;
class TCustomAxisPanel;
class TCustomSeriesList;

// Base of the data exporters: the text comes from AsString.
class TTeeExportData {
public:
    virtual ~TTeeExportData() = default;
    virtual AnsiString AsString() { return AnsiString(); }
    void CopyToClipboard();
    // The characters of AsString in Windows-1252, with no terminator.
    virtual void SaveToStream(TStream* Stream);
    // Replaces the file only with a complete export.
    void SaveToFile(const AnsiString& FileName);
};

// The gallery name of a series' type, for the XML "type" attribute. The series library
// installs its own; until then the class name without "T" and "Series" stands in.
extern std::function<AnsiString(const TChartSeries*)> TeeGetGallerySeriesName;

class TSeriesData : public TTeeExportData {
public:
    // Chart is the chart's series list; Series the one series to export, or null for all.
    TSeriesData(TCustomSeriesList* Chart, TChartSeries* Series);
    TSeriesData(TCustomAxisPanel* Chart, TChartSeries* Series);

    bool IncludeColors = false;
    bool IncludeIndex = false;
    bool IncludeHeader = false;
    bool IncludeLabels = true;
    TCustomSeriesList* Chart;
    TChartSeries* Series;

    virtual void GuessSeriesFormat();
    virtual AnsiString PointToString(int Index)
    {
        (void)Index;
        return AnsiString();
    }
    // Rows: the point count of Series, else the largest among the chart's series; -1
    // without series.
    int MaxSeriesCount() const;
    void Prepare();
    TeeFormatFlags Contents() const { return FFormat; }

protected:
    std::vector<TChartSeries*> ExportedSeries() const;
    TeeFormatFlags FFormat = 0;
};

class TSeriesDataText : public TSeriesData {
public:
    TSeriesDataText(TCustomSeriesList* Chart, TChartSeries* Series);
    TSeriesDataText(TCustomAxisPanel* Chart, TChartSeries* Series);
    char TextDelimiter = '\t';
    AnsiString TextQuotes;
    AnsiString ValueFormat;

    AnsiString AsString() override;
    void GuessSeriesFormat() override;
    AnsiString PointToString(int Index) override;

private:
    AnsiString Header();
    AnsiString ValuePart(const TChartSeries* s, int list, int index) const;
};

class TSeriesDataXML : public TSeriesData {
public:
    TSeriesDataXML(TCustomSeriesList* Chart, TChartSeries* Series);
    TSeriesDataXML(TCustomAxisPanel* Chart, TChartSeries* Series);
    AnsiString Encoding;
    AnsiString AsString() override;
    static AnsiString DefaultEncoding();
    bool IsEncodingStored() const { return !Encoding.empty() && Encoding != DefaultEncoding(); }
};

class TSeriesDataHTML : public TSeriesData {
public:
    using TSeriesData::TSeriesData;
    AnsiString AsString() override;
    AnsiString PointToString(int Index) override;
};

class TSeriesDataXLS : public TSeriesData {
public:
    using TSeriesData::TSeriesData;
    void SaveToStream(TStream* Stream) override;
};

// "#RRGGBB" of a colour, system colours resolved; the series' default colour is "#000000".
AnsiString TeeColorText(TColor Color);
