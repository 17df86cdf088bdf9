#include "chart/engine/TeeProcs.h"

#include <QApplication>
#include <QImage>
#include <QObject>
#include <QPainter>
#include <QSettings>
#include <QString>
#include <QStyle>
#include <QStyleOptionButton>
#include <QVariant>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/FormatSettings.h"
#include "platform/TBitmap.h"
#include "platform/TCanvas.h"
#include "platform/TMetafile.h"

TDateTime TeeRoundDateMinimum = 2.0;  // 1 January 1900
AnsiString TeeFieldsSeparator = ";";
TTeeTranslateHook TeeTranslateHook;

// ---- Date-time label steps -------------------------------------------------------------

TDateTimeStep FindDateTimeStep(double StepValue)
{
    for (int t = dtOneYear; t >= dtOneMicroSecond; --t)
        if (std::fabs(DateTimeStep[t] - StepValue) < DateTimeStep[dtOneMicroSecond]) return TDateTimeStep(t);
    return dtNone;
}

double NextDateTimeStep(double AStep)
{
    for (int t = dtSixMonths; t >= dtOneMicroSecond; --t)
        if (DateTimeStep[t] <= AStep) return DateTimeStep[t + 1];
    return DateTimeStep[dtOneYear];
}

AnsiString DateTimeDefaultFormat(double AStep)
{
    return AStep <= 1.0 ? FormatSettings().ShortTimeFormat : FormatSettings().ShortDateFormat;
}

TDateTime TeeRoundDate(TDateTime ADate, TDateTimeStep AStep)
{
    if (!(ADate > TeeRoundDateMinimum) || !std::isfinite(ADate)) return ADate;
    int year, month, day;
    DecodeDate(ADate, year, month, day);
    switch (AStep) {
        case dtHalfMonth: day = day >= 15 ? 15 : 1; break;
        case dtOneMonth:
        case dtTwoMonths:
        case dtThreeMonths:
        case dtFourMonths:
        case dtSixMonths: day = 1; break;
        case dtOneYear:
            day = 1;
            month = 1;
            break;
        default: break;
    }
    TDateTime result;
    // A serial beyond the calendar (after the year 9999) has no date to round to.
    return TryEncodeDate(year, month, day, result) ? result : ADate;
}

namespace {

// Moves year/month by `months` (either sign), carrying into the year.
void AddMonths(int& year, int& month, int months)
{
    int index = year * 12 + (month - 1) + months;
    year = index / 12;
    month = index % 12 + 1;
    if (month < 1) {  // negative index: C++ division truncates toward zero
        month += 12;
        --year;
    }
}

int MonthsOfStep(TDateTimeStep step)
{
    switch (step) {
        case dtOneMonth: return 1;
        case dtTwoMonths: return 2;
        case dtThreeMonths: return 3;
        case dtFourMonths: return 4;
        case dtSixMonths: return 6;
        case dtOneYear: return 12;
        default: return 0;
    }
}

}  // namespace

void TeeDateTimeIncrement(bool IsDateTime, bool Increment, double& Value, double AnIncrement, TDateTimeStep Step)
{
    if (!IsDateTime || Step < dtHalfMonth || Step >= dtNone) {
        Value = Increment ? Value + AnIncrement : Value - AnIncrement;
        return;
    }
    if (!std::isfinite(Value)) return;
    int year, month, day;
    DecodeDate(Value, year, month, day);
    if (Step == dtHalfMonth) {
        // Half-month boundaries are the 1st and the 15th: back goes to the previous boundary,
        // forward to the next one, so repeated steps walk the calendar in one direction.
        if (Increment) {
            if (day < 15) {
                day = 15;
            } else {
                day = 1;
                AddMonths(year, month, 1);
            }
        } else if (day > 15) {
            day = 15;
        } else if (day > 1) {
            day = 1;
        } else {
            day = 15;
            AddMonths(year, month, -1);
        }
    } else {
        AddMonths(year, month, Increment ? MonthsOfStep(Step) : -MonthsOfStep(Step));
        // 31 January plus one month is the last day of February, not an invalid date.
        int last = DaysInMonth(year, month);
        if (last > 0 && day > last) day = last;
    }
    Value = EncodeDate(year, month, day);  // raises EConvertError beyond the years 1..9999
}

// ---- Delimited text ------------------------------------------------------------------

int TeeNumFields(std::string_view S)
{
    return TeeNumFields(S, TeeFieldsSeparator);
}

int TeeNumFields(std::string_view S, std::string_view Separator)
{
    if (S.empty()) return 0;
    if (Separator.empty()) return 1;
    int count = 1;
    for (size_t pos = S.find(Separator); pos != std::string_view::npos; pos = S.find(Separator, pos + Separator.size()))
        ++count;
    return count;
}

AnsiString TeeExtractField(std::string_view S, int Index)
{
    return TeeExtractField(S, Index, TeeFieldsSeparator);
}

AnsiString TeeExtractField(std::string_view S, int Index, std::string_view Separator)
{
    if (S.empty() || Index < 1) return {};
    if (Separator.empty()) return AnsiString(S);
    size_t start = 0;
    for (int field = 1;; ++field) {
        size_t end = S.find(Separator, start);
        if (end == std::string_view::npos) return AnsiString(S.substr(start));
        if (field == Index) return AnsiString(S.substr(start, end - start));
        start = end + Separator.size();
    }
}

AnsiString ReplaceChar(std::string_view S, char Old, char New)
{
    AnsiString result;
    result.reserve(S.size());
    for (char c : S) {
        if (c != Old)
            result += c;
        else if (New != '\0')
            result += New;
    }
    return result;
}

namespace {

// Both separators are mapped in one pass, so a locale that swaps them (decimal ",",
// thousands ".") does not turn every separator into the same character.
AnsiString MapSeparators(std::string_view s, char thousandsFrom, char thousandsTo, char decimalFrom, char decimalTo)
{
    AnsiString result;
    result.reserve(s.size());
    for (char c : s) {
        if (thousandsFrom != '\0' && c == thousandsFrom) {
            if (thousandsTo != '\0') result += thousandsTo;
        } else if (c == decimalFrom) {
            result += decimalTo;
        } else {
            result += c;
        }
    }
    return result;
}

}  // namespace

AnsiString NeutralToLocalFormat(std::string_view Format)
{
    const TFormatSettings& fs = FormatSettings();
    return MapSeparators(Format, ',', fs.ThousandSeparator, '.', fs.DecimalSeparator);
}

AnsiString LocalToNeutralFormat(std::string_view Format)
{
    const TFormatSettings& fs = FormatSettings();
    return MapSeparators(Format, fs.ThousandSeparator, ',', fs.DecimalSeparator, '.');
}

AnsiString TeeStr(int Num)
{
    return IntToStr(Num);
}

// ---- Components and controls -----------------------------------------------------------

AnsiString TeeGetUniqueName(const QObject* Owner, std::string_view Prefix)
{
    const AnsiString prefix(Prefix);
    if (!Owner) return prefix + "1";
    const QObjectList& children = Owner->children();
    // Component names compare without regard to case.
    auto taken = [&](const AnsiString& name) {
        for (const QObject* child : children)
            if (SameText(child->objectName().toStdString(), name)) return true;
        return false;
    };
    // At most children().size() numbers can be taken, so this ends.
    for (std::int64_t n = 1;; ++n) {
        AnsiString name = prefix + IntToStr(n);
        if (!taken(name)) return name;
    }
}

void EnableControls(bool Enable, std::span<QWidget* const> Controls)
{
    for (QWidget* control : Controls)
        if (control) control->setEnabled(Enable);
}

void TeeDrawCheckBox(int X, int Y, TCanvas* Canvas, bool Checked, TColor BackColor, bool CheckBox)
{
    if (!Canvas) return;
    if (qobject_cast<TMetafileCanvas*>(Canvas)) {
        // A metafile takes the box as a picture: the style paints with a painter.
        TBitmap box;
        box.SetSize(13, 13);
        TeeDrawCheckBox(0, 0, box.Canvas(), Checked, BackColor, CheckBox);
        Canvas->Draw(X, Y, &box);
        return;
    }
    QPainter* painter = Canvas->Painter();
    if (!painter) return;
    const QRect box(X, Y, 13, 13);
    // The box depends only on its state, the back colour, the style and the painter's
    // hints, and stays in its square: on a plain picture without transform (the chart's
    // window image) it is drawn once and copied after, which gives the same pixels. A
    // legend redraws its boxes with every paint of the chart.
    const auto* image = dynamic_cast<const QImage*>(painter->device());
    if (image && image->format() == QImage::Format_RGB32 && painter->transform().isIdentity() &&
        painter->compositionMode() == QPainter::CompositionMode_SourceOver && painter->opacity() == 1.0) {
        struct Key {
            bool checked, checkBox;
            TColor back;
            qint64 palette;
            const QStyle* style;
            int hints;
            bool operator==(const Key&) const = default;
        };
        thread_local std::vector<std::pair<Key, QImage>> cache;
        const Key key{Checked,
                      CheckBox,
                      BackColor,
                      QApplication::palette().cacheKey(),
                      QApplication::style(),
                      int(painter->renderHints())};
        auto it = std::find_if(cache.begin(), cache.end(), [&](const auto& e) { return e.first == key; });
        if (it == cache.end()) {
            if (cache.size() >= 16) cache.clear();
            QImage drawn(13, 13, QImage::Format_RGB32);
            QPainter p(&drawn);
            p.setRenderHints(painter->renderHints(), true);
            p.fillRect(QRect(0, 0, 13, 13), TColorToQColor(BackColor));
            QStyleOptionButton option;
            option.rect = QRect(0, 0, 13, 13);
            option.palette = QApplication::palette();
            option.state = QStyle::State_Enabled | (Checked ? QStyle::State_On : QStyle::State_Off);
            QApplication::style()->drawPrimitive(
                CheckBox ? QStyle::PE_IndicatorCheckBox : QStyle::PE_IndicatorRadioButton, &option, &p);
            p.end();
            cache.emplace_back(key, std::move(drawn));
            it = cache.end() - 1;
        }
        painter->drawImage(box.topLeft(), it->second);
        return;
    }
    painter->save();
    // The style may leave corners (and the outside of a radio button) unpainted.
    painter->fillRect(box, TColorToQColor(BackColor));
    QStyleOptionButton option;
    option.rect = box;
    option.palette = QApplication::palette();
    option.state = QStyle::State_Enabled | (Checked ? QStyle::State_On : QStyle::State_Off);
    QApplication::style()->drawPrimitive(CheckBox ? QStyle::PE_IndicatorCheckBox : QStyle::PE_IndicatorRadioButton,
                                         &option, painter);
    painter->restore();
}

void TeeLoadBitmap(TBitmap* Bitmap, std::string_view Name1, std::string_view Name2)
{
    if (!Bitmap) return;
    for (std::string_view name : {Name1, Name2}) {
        if (name.empty()) continue;
        QImage image(QStringLiteral(":/") + QString::fromUtf8(name.data(), qsizetype(name.size())));
        if (!image.isNull()) {
            Bitmap->SetImage(image);
            return;
        }
    }
}

void TeeGetBitmapEditor(const QObject* Object, TBitmap* Bitmap)
{
    if (!Object) return;
    const QMetaObject* meta = Object->metaObject();
    const QMetaObject* parent = meta->superClass();
    TeeLoadBitmap(Bitmap, meta->className(), parent ? parent->className() : "");
}

void TeeTranslateControl(QWidget* Control)
{
    TeeTranslateControl(Control, {});
}

void TeeTranslateControl(QWidget* Control, std::span<QWidget* const> ExcludeControls)
{
    if (TeeTranslateHook) TeeTranslateHook(Control, ExcludeControls);
}

// ---- Sorting ---------------------------------------------------------------------------

void TeeSort(int StartIndex, int EndIndex, const TTeeSortCompare& Compare, const TTeeSortSwap& Swap)
{
    int l = StartIndex;
    int r = EndIndex;
    // Partition, sort the smaller side by recursion and the larger one in this loop, so
    // the recursion depth stays below log2 of the count whatever the data.
    while (r > l) {
        int i = l;
        int j = r;
        int m = int((std::int64_t(l) + r) >> 1);
        do {
            if (Compare(i, m) < 0) {
                ++i;
                continue;
            }
            // The pivot stops this scan; the bound only matters for a comparator that
            // does not give Compare(m, m) = 0.
            while (j > l && Compare(m, j) < 0) --j;
            if (j > i) {
                Swap(i, j);
                if (i == m)
                    m = j;
                else if (j == m)
                    m = i;
            }
            if (j >= i) {
                ++i;
                --j;
            }
        } while (j > i);
        // Both sides are shorter than l..r for any consistent comparator; the clamps keep
        // an inconsistent one from looping for ever.
        if (j >= r) j = r - 1;
        if (i <= l) i = l + 1;
        if (j - l < r - i) {
            if (j > l) TeeSort(l, j, Compare, Swap);
            l = i;
        } else {
            if (i < r) TeeSort(i, r, Compare, Swap);
            r = j;
        }
    }
}

// ---- Editor options ------------------------------------------------------------------
// Kept in the user's settings: organisation "Brevik Software", application "DodUdudu Pro",
// group "Editor", the place where the editors have always kept them.

namespace {

const char* const kOrganisation = "Brevik Software";
const char* const kApplication = "DodUdudu Pro";
const char* const kEditorGroup = "Editor";

QString KeyName(std::string_view key)
{
    return QString::fromUtf8(key.data(), qsizetype(key.size()));
}

// The stored value of Key, or an invalid variant when the settings cannot be read or do
// not hold it.
QVariant ReadOption(std::string_view key)
{
    QSettings settings(kOrganisation, kApplication);
    if (settings.status() != QSettings::NoError) return {};
    settings.beginGroup(kEditorGroup);
    return settings.value(KeyName(key));
}

void SaveOption(std::string_view key, const QVariant& value)
{
    QSettings settings(kOrganisation, kApplication);
    if (settings.status() != QSettings::NoError || !settings.isWritable()) return;
    settings.beginGroup(kEditorGroup);
    settings.setValue(KeyName(key), value);
    settings.sync();
}

}  // namespace

bool TeeReadBoolOption(std::string_view Key, bool Default)
{
    QVariant v = ReadOption(Key);
    if (!v.isValid()) return Default;
    if (v.typeId() == QMetaType::Bool) return v.toBool();
    // Text from the settings file: "true"/"false", or a number as the registry kept it.
    QString text = v.toString().trimmed();
    if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) return true;
    if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) return false;
    bool ok = false;
    int number = text.toInt(&ok);
    return ok ? number != 0 : Default;
}

int TeeReadIntegerOption(std::string_view Key, int Default)
{
    QVariant v = ReadOption(Key);
    if (!v.isValid()) return Default;
    bool ok = false;
    int number = v.typeId() == QMetaType::Int ? v.toInt(&ok) : v.toString().trimmed().toInt(&ok);
    return ok ? number : Default;
}

void TeeSaveBoolOption(std::string_view Key, bool Value)
{
    SaveOption(Key, Value);
}

void TeeSaveIntegerOption(std::string_view Key, int Value)
{
    SaveOption(Key, Value);
}
