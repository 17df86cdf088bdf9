#include "chart/storage/TeeSeriesData.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLocale>
#include <algorithm>
#include <limits>

#include "chart/engine/TChartSeries.h"
#include "chart/engine/TChartValueList.h"
#include "chart/engine/TCustomAxisPanel.h"
#include "chart/engine/TCustomSeriesList.h"
#include "chart/engine/TTeeSeriesSource.h"
#include "chart/engine/TeeSeriesTypes.h"
#include "platform/DateTime.h"
#include "platform/FileSave.h"
#include "platform/FormatSettings.h"
#include "platform/TextCodec.h"

std::function<AnsiString(const TChartSeries*)> TeeGetGallerySeriesName = [](const TChartSeries* s) {
    if (!s) return AnsiString();
    for (const TTeeSeriesType& type : TeeSeriesTypes())
        if (type.SeriesClass == s->metaObject() && !type.FunctionClass && type.Description) return *type.Description;
    AnsiString name = s->metaObject()->className();
    if (name.size() > 1 && name[0] == 'T') name.erase(0, 1);
    if (name.size() > 6 && name.ends_with("Series")) name.resize(name.size() - 6);
    return name;
};

namespace {

const char* kCrLf = "\r\n";

AnsiString Hex2(int v)
{
    static const char* hex = "0123456789ABCDEF";
    return AnsiString{hex[(v >> 4) & 15], hex[v & 15]};
}

// Point labels, titles and names go into markup as text, never as markup of their own.
AnsiString Escape(const AnsiString& s)
{
    AnsiString out;
    for (char c : s) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

AnsiString Attribute(const AnsiString& name, const AnsiString& value)
{
    return name + "=\"" + Escape(value) + "\"";
}

AnsiString Cell(const AnsiString& text)
{
    return "<td>" + text + "</td>";
}

int ListCount(const TChartSeries* s)
{
    return s->ValuesList().Count();
}

AnsiString PointLabel(const TChartSeries* s, int i)
{
    return i < s->Count() ? s->GetXLabel(i) : AnsiString();
}

}  // namespace

AnsiString TeeColorText(TColor Color)
{
    if (Color == clDefault) return "#000000";
    const TColor rgb = ColorToRGB(Color);
    return "#" + Hex2(rgb & 0xFF) + Hex2((rgb >> 8) & 0xFF) + Hex2((rgb >> 16) & 0xFF);
}

// ---------------------------------------------------------------- base

void TTeeExportData::CopyToClipboard()
{
    if (QClipboard* clip = QGuiApplication::clipboard()) clip->setText(QString::fromStdString(AsString()));
}

void TTeeExportData::SaveToStream(TStream* Stream)
{
    const std::string text = platform::Utf8ToCp1252(AsString());
    Stream->WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
}

void TTeeExportData::SaveToFile(const AnsiString& FileName)
{
    TMemoryStream stream;
    SaveToStream(&stream);
    std::string error;
    if (!platform::SaveFileAtomic(
            FileName, std::string_view(reinterpret_cast<const char*>(stream.Memory()), stream.Bytes().size()), &error))
        throw EFOpenError("Cannot create file \"" + FileName + "\". " + error);
}

// ---------------------------------------------------------------- TSeriesData

TSeriesData::TSeriesData(TCustomSeriesList* AChart, TChartSeries* ASeries) : Chart(AChart), Series(ASeries) {}

TSeriesData::TSeriesData(TCustomAxisPanel* AChart, TChartSeries* ASeries)
    : TSeriesData(AChart ? AChart->SeriesList() : nullptr, ASeries)
{}

std::vector<TChartSeries*> TSeriesData::ExportedSeries() const
{
    if (Series) return {Series};
    std::vector<TChartSeries*> all;
    if (Chart)
        for (TChartSeries* s : *Chart) all.push_back(s);
    return all;
}

void TSeriesData::GuessSeriesFormat()
{
    const TChartSeries* reference = Series;
    if (!reference && Chart)
        for (TChartSeries* s : *Chart)
            if (s->Count() > 0) {
                reference = s;
                break;
            }
    if (reference) FFormat = SeriesGuessContents(reference);
}

int TSeriesData::MaxSeriesCount() const
{
    if (Series) return Series->Count();
    if (!Chart || Chart->Count() == 0) return -1;
    int result = 0;
    for (TChartSeries* s : *Chart) result = std::max(result, s->Count());
    return result;
}

void TSeriesData::Prepare()
{
    GuessSeriesFormat();
    if (!IncludeLabels) FFormat &= static_cast<TeeFormatFlags>(~tfLabel);
    if (!IncludeColors) FFormat &= static_cast<TeeFormatFlags>(~tfColor);
}

// ---------------------------------------------------------------- text

TSeriesDataText::TSeriesDataText(TCustomSeriesList* AChart, TChartSeries* ASeries) : TSeriesData(AChart, ASeries) {}

TSeriesDataText::TSeriesDataText(TCustomAxisPanel* AChart, TChartSeries* ASeries) : TSeriesData(AChart, ASeries) {}

void TSeriesDataText::GuessSeriesFormat()
{
    TSeriesData::GuessSeriesFormat();
    if (!Series && IncludeLabels && Chart)
        for (TChartSeries* s : *Chart)
            if (HasLabels(s)) {
                FFormat |= tfLabel;
                break;
            }
}

AnsiString TSeriesDataText::Header()
{
    std::vector<AnsiString> items;
    if (IncludeIndex) items.push_back("Index");
    if (FFormat & tfLabel) items.push_back("Text");
    if (FFormat & tfColor) items.push_back("Colors");
    for (const TChartSeries* s : ExportedSeries()) {
        if (FFormat & tfNoMandatory) items.push_back(s->NotMandatoryValueList()->GetName());
        if (ListCount(s) == 2) {
            items.push_back(SeriesTitleOrName(s));
        } else {
            items.push_back(s->MandatoryValueList()->GetName());
            for (int l = 2; l < ListCount(s); ++l) items.push_back(s->ValuesList()[l]->GetName());
        }
    }
    AnsiString line;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i) line += TextDelimiter;
        line += TextQuotes + items[i] + TextQuotes;
    }
    return line;
}

AnsiString TSeriesDataText::ValuePart(const TChartSeries* s, int list, int index) const
{
    if (index >= s->Count()) return AnsiString();
    const TChartValueList* values = list == 0   ? s->NotMandatoryValueList()
                                    : list == 1 ? s->MandatoryValueList()
                                                : s->ValuesList()[list];
    const double v = values->Value(index);
    if (values->GetDateTime()) return TextQuotes + DateTimeToStr(v) + TextQuotes;
    return ValueFormat.empty() ? FloatToStr(v) : FormatFloat(ValueFormat, v);
}

AnsiString TSeriesDataText::PointToString(int Index)
{
    // Every column keeps its place: a row where a shorter series has no point still has
    // its (empty) fields, so the values of the next series stay under their header.
    AnsiString line;
    bool first = true;
    auto add = [&](const AnsiString& part) {
        if (!first) line += TextDelimiter;
        line += part;
        first = false;
    };
    if (IncludeIndex) add(IntToStr(Index));
    const std::vector<TChartSeries*> series = ExportedSeries();
    for (std::size_t k = 0; k < series.size(); ++k) {
        const TChartSeries* s = series[k];
        if (k == 0) {
            if (FFormat & tfLabel) {
                AnsiString label;
                if (Series) {
                    label = PointLabel(Series, Index);
                } else {
                    for (const TChartSeries* other : series) {
                        label = PointLabel(other, Index);
                        if (!label.empty()) break;
                    }
                }
                add(label.empty() ? label : TextQuotes + label + TextQuotes);
            }
            if (FFormat & tfColor) add(Index < s->Count() ? TeeColorText(s->InternalColor(Index)) : "#000000");
        }
        if (FFormat & tfNoMandatory) add(ValuePart(s, 0, Index));
        add(ValuePart(s, 1, Index));
        for (int l = 2; l < ListCount(s); ++l) add(ValuePart(s, l, Index));
    }
    return line;
}

AnsiString TSeriesDataText::AsString()
{
    Prepare();
    AnsiString result;
    if (IncludeHeader) result += Header() + kCrLf;
    const int rows = MaxSeriesCount();
    for (int i = 0; i < rows; ++i) result += PointToString(i) + kCrLf;
    return result + kCrLf;
}

// ---------------------------------------------------------------- XML

TSeriesDataXML::TSeriesDataXML(TCustomSeriesList* AChart, TChartSeries* ASeries)
    : TSeriesData(AChart, ASeries), Encoding(DefaultEncoding())
{
    IncludeHeader = true;
}

TSeriesDataXML::TSeriesDataXML(TCustomAxisPanel* AChart, TChartSeries* ASeries)
    : TSeriesDataXML(AChart ? AChart->SeriesList() : nullptr, ASeries)
{}

AnsiString TSeriesDataXML::DefaultEncoding()
{
    return QLocale::system().language() == QLocale::Japanese ? "shift_jis" : "ISO-8859-1";
}

AnsiString TSeriesDataXML::AsString()
{
    Prepare();
    AnsiString result;
    if (IncludeHeader) {
        result += "<?xml version=\"1.0\"";
        if (!Encoding.empty()) result += " encoding=\"" + Escape(Encoding) + "\"";
        result += AnsiString("?>") + kCrLf;
    }
    auto block = [&](const TChartSeries* s) {
        result += "<series " + Attribute("title", SeriesTitleOrName(s)) + " " +
                  Attribute("type", TeeGetGallerySeriesName(s)) + " " +
                  Attribute("color", TeeColorText(s->GetSeriesColor())) + ">" + kCrLf;
        result += "<points " + Attribute("count", IntToStr(s->Count())) + ">" + kCrLf;
        for (int i = 0; i < s->Count(); ++i) {
            result += "<point ";
            if (IncludeIndex) result += Attribute("index", IntToStr(i));
            if (FFormat & tfLabel) result += " " + Attribute("text", s->GetXLabel(i));
            if (FFormat & tfColor) result += " " + Attribute("color", TeeColorText(s->InternalColor(i)));
            if (FFormat & tfNoMandatory)
                result += " " + Attribute(s->NotMandatoryValueList()->GetName(),
                                          FloatToStr(s->NotMandatoryValueList()->Value(i)));
            result +=
                " " + Attribute(s->MandatoryValueList()->GetName(), FloatToStr(s->MandatoryValueList()->Value(i)));
            for (int l = 2; l < ListCount(s); ++l)
                result += " " + Attribute(s->ValuesList()[l]->GetName(), FloatToStr(s->ValuesList()[l]->Value(i)));
            result += AnsiString("/>") + kCrLf;
        }
        result += AnsiString("</points>") + kCrLf;
        result += AnsiString("</series>") + kCrLf + kCrLf;
    };
    if (Series) {
        block(Series);
    } else {
        result += AnsiString("<chart>") + kCrLf;
        for (const TChartSeries* s : ExportedSeries()) block(s);
        result += "</chart>";
    }
    return result;
}

// ---------------------------------------------------------------- HTML

AnsiString TSeriesDataHTML::PointToString(int Index)
{
    AnsiString row = "<tr>";
    if (IncludeIndex) row += Cell(IntToStr(Index));
    for (const TChartSeries* s : ExportedSeries()) {
        const bool has = Index < s->Count();
        if (FFormat & tfLabel) row += Cell(has ? Escape(s->GetXLabel(Index)) : "");
        if (FFormat & tfColor) row += Cell(has ? TeeColorText(s->InternalColor(Index)) : "");
        if (FFormat & tfNoMandatory) row += Cell(has ? FloatToStr(s->NotMandatoryValueList()->Value(Index)) : "");
        row += Cell(has ? FloatToStr(s->MandatoryValueList()->Value(Index)) : "");
        for (int l = 2; l < ListCount(s); ++l) row += Cell(has ? FloatToStr(s->ValuesList()[l]->Value(Index)) : "");
    }
    return row + "</tr>";
}

AnsiString TSeriesDataHTML::AsString()
{
    Prepare();
    AnsiString result = AnsiString("<table border=\"1\">") + kCrLf;
    if (IncludeHeader) {
        result += "<tr>";
        if (IncludeIndex) result += Cell("Index");
        for (const TChartSeries* s : ExportedSeries()) {
            if (FFormat & tfLabel) result += Cell("Text");
            if (FFormat & tfColor) result += Cell("Colors");
            if (FFormat & tfNoMandatory) result += Cell(Escape(s->NotMandatoryValueList()->GetName()));
            if (ListCount(s) == 2) {
                result += Cell(Escape(SeriesTitleOrName(s)));
            } else {
                result += Cell(Escape(s->MandatoryValueList()->GetName()));
                for (int l = 2; l < ListCount(s); ++l) result += Cell(Escape(s->ValuesList()[l]->GetName()));
            }
        }
        result += AnsiString("</tr>") + kCrLf;
    }
    const int rows = MaxSeriesCount();
    for (int i = 0; i < rows; ++i) result += PointToString(i) + kCrLf;
    return result + kCrLf + "</table>";
}

// ---------------------------------------------------------------- spreadsheet

namespace {

class BiffWriter {
public:
    std::vector<std::uint8_t> Out;

    void Word(int v)
    {
        Out.push_back(static_cast<std::uint8_t>(v));
        Out.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    void Record(int type, int length)
    {
        Word(type);
        Word(length);
    }
    void Prefix(int row, int col)
    {
        Word(row);
        Word(col);
        Out.insert(Out.end(), {0, 0, 0});
    }
    void Blank(int row, int col)
    {
        Record(0x0001, 7);
        Prefix(row, col);
    }
    void Number(int row, int col, double v)
    {
        Record(0x0003, 15);
        Prefix(row, col);
        const auto* b = reinterpret_cast<const std::uint8_t*>(&v);
        Out.insert(Out.end(), b, b + 8);
    }
    void Text(int row, int col, const AnsiString& utf8)
    {
        std::string s = platform::Utf8ToCp1252(utf8);
        if (s.size() > 255) s.resize(255);
        Record(0x0004, 8 + static_cast<int>(s.size()));
        Prefix(row, col);
        Out.push_back(static_cast<std::uint8_t>(s.size()));
        Out.insert(Out.end(), s.begin(), s.end());
    }
};

}  // namespace

void TSeriesDataXLS::SaveToStream(TStream* Stream)
{
    Prepare();
    const std::vector<TChartSeries*> series = ExportedSeries();
    const int dataRows = std::max(0, MaxSeriesCount());
    const int rows = dataRows + (IncludeHeader ? 1 : 0);
    int cols = IncludeIndex ? 1 : 0;
    const int perSeries =
        ((FFormat & tfLabel) ? 1 : 0) + ((FFormat & tfColor) ? 1 : 0) + ((FFormat & tfNoMandatory) ? 1 : 0);
    for (const TChartSeries* s : series) cols += perSeries + ListCount(s) - 1;
    // The file's row and column numbers are 16 bits: a larger sheet would come out with
    // wrapped numbers and cells written over each other.
    if (rows > 0xFFFF || cols > 0xFFFF) throw ChartException("Too many rows or columns for a spreadsheet file");

    BiffWriter w;
    w.Out = {0x09, 0x08, 0x08, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00};
    w.Record(0x0200, 10);
    w.Word(0);
    w.Word(rows);
    w.Word(0);
    w.Word(cols);
    w.Word(0);

    if (IncludeHeader) {
        int col = 0;
        if (IncludeIndex) w.Text(0, col++, "Index");
        for (const TChartSeries* s : series) {
            if (FFormat & tfLabel) w.Text(0, col++, "Text");
            if (FFormat & tfColor) w.Text(0, col++, "Colors");
            if (FFormat & tfNoMandatory) w.Text(0, col++, s->NotMandatoryValueList()->GetName());
            for (int l = 1; l < ListCount(s); ++l) w.Text(0, col++, s->ValuesList()[l]->GetName());
        }
    }
    for (int i = 0; i < dataRows; ++i) {
        const int row = i + (IncludeHeader ? 1 : 0);
        int col = 0;
        if (IncludeIndex) w.Number(row, col++, i);
        for (const TChartSeries* s : series) {
            if (i < s->Count()) {
                if (FFormat & tfLabel) w.Text(row, col++, s->GetXLabel(i));
                if (FFormat & tfColor) w.Text(row, col++, TeeColorText(s->InternalColor(i)));
                if (FFormat & tfNoMandatory) w.Number(row, col++, s->NotMandatoryValueList()->Value(i));
                if (s->IsNull(i)) {
                    for (int l = 1; l < ListCount(s); ++l) w.Blank(row, col++);
                } else {
                    w.Number(row, col++, s->MandatoryValueList()->Value(i));
                    for (int l = 2; l < ListCount(s); ++l) w.Number(row, col++, s->ValuesList()[l]->Value(i));
                }
            } else {
                if (FFormat & tfLabel) w.Text(row, col++, "");
                if (FFormat & tfColor) w.Text(row, col++, "");
                if (FFormat & tfNoMandatory) w.Blank(row, col++);
                for (int l = 1; l < ListCount(s); ++l) w.Blank(row, col++);
            }
        }
    }
    w.Out.insert(w.Out.end(), {0x0A, 0x00, 0x00, 0x00});
    Stream->WriteBuffer(w.Out.data(), static_cast<std::int64_t>(w.Out.size()));
}
