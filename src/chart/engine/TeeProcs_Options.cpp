// Editor options in the user's settings: organisation "Brevik Software", application
// "DodUdudu Pro", group "Editor", the place where the editors have always kept them.
#include <QSettings>
#include <QString>
#include <QVariant>

#include "chart/engine/TeeProcs.h"

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
