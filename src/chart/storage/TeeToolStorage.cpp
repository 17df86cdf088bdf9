#include "chart/storage/TeeToolStorage.h"

#include <QBuffer>
#include <QImage>
#include <QMetaProperty>
#include <algorithm>
#include <cstring>
#include <set>

#include "chart/engine/TChartSeries.h"
#include "chart/engine/TCustomAxisPanel.h"
#include "chart/engine/TSeriesGroup.h"
#include "chart/storage/BitmapFileWriter.h"
#include "chart/storage/TeeComponentPersist.h"
#include "platform/Exception.h"
#include "platform/TBitmap.h"

namespace {

// A picture is stored as the class name of its graphic (one length byte first), the
// length of the data (4 bytes, little-endian) and the data: a bitmap file for "TBitmap",
// the only class written (other graphics are stored as their bitmap).
bool WritePicture(QObject* o, TStreamValue& v)
{
    auto* picture = qobject_cast<TPicture*>(o);
    TGraphic* graphic = picture ? picture->GetGraphic() : nullptr;
    if (!graphic || graphic->GetEmpty()) return false;
    TBitmap bitmap;
    bitmap.SetImage(graphic->ToImage());
    TMemoryStream bmp;
    WriteBitmapFile(bitmap, &bmp);
    const AnsiString name = "TBitmap";
    std::vector<std::uint8_t> bytes;
    bytes.push_back(static_cast<std::uint8_t>(name.size()));
    bytes.insert(bytes.end(), name.begin(), name.end());
    const auto size = static_cast<std::uint32_t>(bmp.Bytes().size());
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(size >> (8 * i)));
    bytes.insert(bytes.end(), bmp.Bytes().begin(), bmp.Bytes().end());
    v = TStreamValue::MakeBinary(std::move(bytes));
    return true;
}

void ReadPicture(QObject* o, const TStreamValue& v)
{
    auto* picture = qobject_cast<TPicture*>(o);
    if (!picture || v.Kind != TStreamValue::Binary) throw Exception("Invalid property value");
    const std::vector<std::uint8_t>& b = v.Bytes;
    if (b.empty() || b.size() < 1u + b[0] + 4u) throw Exception("Invalid picture data");
    const AnsiString name(b.begin() + 1, b.begin() + 1 + b[0]);
    std::size_t pos = 1u + b[0];
    std::uint32_t size = 0;
    for (int i = 0; i < 4; ++i) size |= std::uint32_t(b[pos + i]) << (8 * i);
    pos += 4;
    if (size != b.size() - pos) throw Exception("Invalid picture data");
    if (name != "TBitmap") throw Exception("Unknown picture class " + name);
    QImage image;
    if (!image.loadFromData(b.data() + pos, static_cast<int>(size), "BMP")) throw Exception("Invalid picture data");
    TBitmap bitmap;
    bitmap.SetImage(image);
    picture->SetGraphic(&bitmap);
}

}  // namespace

void TeeToolStorageRegister()
{
    TStreamDefinedProperty picture;
    picture.Name = "Data";
    picture.Write = WritePicture;
    picture.Read = ReadPicture;
    RegisterDefinedProperty("TPicture", picture);

    // What a tool owns (the edge lines of a colour band) is part of the tool, not a
    // component of its own.
    RegisterChildComponents("TTeeCustomTool", [](QObject*) { return std::vector<QObject*>(); });
}

std::vector<QObject*> NameReferencedSeries(QObject* Chart)
{
    std::vector<QObject*> named;
    auto* panel = qobject_cast<TCustomAxisPanel*>(Chart);
    if (!panel) return named;
    // The series the tools and the series groups refer to, in that order.
    std::vector<TChartSeries*> referenced;
    TChartTools* tools = panel->Tools();
    for (int t = 0; t < tools->Count(); ++t) {
        QObject* tool = tools->Items(t);
        const QMetaObject* mo = tool->metaObject();
        for (int i = 0; i < mo->propertyCount(); ++i) {
            const QMetaProperty prop = mo->property(i);
            if (!(prop.metaType().flags() & QMetaType::PointerToQObject)) continue;
            if (auto* series = qobject_cast<TChartSeries*>(prop.read(tool).value<QObject*>()))
                referenced.push_back(series);
        }
    }
    TSeriesGroups* groups = panel->GetSeriesGroups();
    for (int g = 0; g < groups->Count(); ++g)
        for (TChartSeries* series : groups->Get(g)->Series()) referenced.push_back(series);

    std::set<QString> used;
    for (QObject* child : Chart->findChildren<QObject*>()) used.insert(child->objectName());
    for (TChartSeries* s : *panel->SeriesList()) used.insert(s->objectName());
    int next = 1;
    for (TChartSeries* series : referenced) {
        if (!series->objectName().isEmpty() || !panel->SeriesList()->Contains(series)) continue;
        QString name;
        do name = QString("Series%1").arg(next++);
        while (used.count(name));
        used.insert(name);
        series->setObjectName(name);
        named.push_back(series);
    }
    return named;
}
