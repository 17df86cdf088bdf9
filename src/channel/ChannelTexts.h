#pragma once
// Texts and questions of the channel windows, in the main window's current language.
#include <initializer_list>

#include "platform/AnsiString.h"
#include "resources/TextRows.h"

// 0 German, 1 English: the main window's language (German when there is none).
int ChannelLanguage();
// A row of the text table in that language.
AnsiString ChannelText(resources::TextRow row);
// The text in German or English as the language says.
AnsiString ChannelText(const char* german, const char* english);
// A row with its fields "$1", "$2", ... filled in.
AnsiString ChannelText(resources::TextRow row, std::initializer_list<AnsiString> fields);
// The main window's yes/no question (caption "Warnung"/"Warning"); true for yes. With
// `defaultNo`, Enter answers no.
bool ChannelAskYesNo(const AnsiString& text, bool defaultNo = false);
