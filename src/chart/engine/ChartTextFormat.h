#pragma once
// Fills the "%d" and "%s" places of a library text in order ("%%" is a percent sign).
// The texts are replaceable at run time, so a text with fewer places than arguments
// simply drops the rest, and one with more places leaves them empty.
#include <initializer_list>

#include "platform/AnsiString.h"

AnsiString FormatChartText(const AnsiString& text, std::initializer_list<AnsiString> args);
