#pragma once
// Text between the form the program keeps it in (UTF-8 AnsiStrings, one a line) and Qt's
// strings, string lists and multi-line edits.
#include <QStringList>
#include <string_view>
#include <vector>

#include "platform/AnsiString.h"

QString Q(std::string_view Text);
AnsiString A(const QString& Text);

QStringList ToQStringList(const std::vector<AnsiString>& Lines);
std::vector<AnsiString> FromQStringList(const QStringList& List);
// The text of a multi-line edit: the lines joined by line feeds.
QString JoinLines(const std::vector<AnsiString>& Lines);
// A multi-line edit's text as lines (split at line feeds); an empty text is no lines at all.
std::vector<AnsiString> SplitLines(const QString& Text);
