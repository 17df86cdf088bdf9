#include "platform/TextLines.h"

QString Q(std::string_view Text)
{
    return QString::fromUtf8(Text.data(), qsizetype(Text.size()));
}

AnsiString A(const QString& Text)
{
    return Text.toStdString();
}

QStringList ToQStringList(const std::vector<AnsiString>& Lines)
{
    QStringList list;
    list.reserve(qsizetype(Lines.size()));
    for (const AnsiString& line : Lines) list << QString::fromStdString(line);
    return list;
}

std::vector<AnsiString> FromQStringList(const QStringList& List)
{
    std::vector<AnsiString> lines;
    lines.reserve(std::size_t(List.size()));
    for (const QString& line : List) lines.push_back(line.toStdString());
    return lines;
}

QString JoinLines(const std::vector<AnsiString>& Lines)
{
    return ToQStringList(Lines).join('\n');
}

std::vector<AnsiString> SplitLines(const QString& Text)
{
    std::vector<AnsiString> lines = FromQStringList(Text.split('\n'));
    if (lines.size() == 1 && lines[0].empty()) lines.clear();
    return lines;
}
