#pragma once
// Chart files (".tee"): a whole chart with its series, tools and functions, and on request
// the series' points, in the binary form (60 30 50 01, then the component stream) or the
// text form ("object ... end"). Loading is all or nothing: a file that cannot be read
// leaves the chart as it was.
#include <functional>

#include <QObject>

#include "chart/engine/ChartExceptions.h"
#include "platform/AnsiString.h"
#include "platform/TStream.h"

extern const AnsiString TeeMsg_WrongTeeFileFormat;  // "Wrong *.tee file format"
extern const AnsiString TeeMsg_EmptyTeeFile;        // "Empty *.tee file"
extern const AnsiString TeeMsg_InvalidTeeFile;      // "Invalid Chart in *.tee file"

// Answers true to ignore a reading error and go on.
using TProcTeeCheckError = std::function<bool(const AnsiString& Message)>;

// Registers the classes chart files name (the series base and the chart classes). Called by
// the functions below; harmless to call again.
void TeeStoreRegisterClasses();

void SaveChartToStream(QObject* Chart, TStream* Stream, bool IncludeSeriesData = true, bool TextFormat = false);
void SaveChartToFile(QObject* Chart, const AnsiString& FileName, bool IncludeSeriesData = true,
                     bool TextFormat = false);

// Reads from the stream's position to its end into the existing Chart. Each reading
// error goes to OnError (ignored when it answers true or when there is no OnError); any
// other failure raises ChartException and the chart keeps its former series, tools and
// settings.
void LoadChartFromStreamCheck(QObject* Chart, TStream* Stream, const TProcTeeCheckError& OnError,
                              bool TryReadData = true);
void LoadChartFromStream(QObject* Chart, TStream* Stream);
void LoadChartFromFileCheck(QObject* Chart, const AnsiString& FileName, const TProcTeeCheckError& OnError);
void LoadChartFromFile(QObject* Chart, const AnsiString& FileName);

// The name unchanged when it has an extension, else with ".tee".
AnsiString TeeCheckExtension(const AnsiString& FileName);

void ConvertTeeFileToText(const AnsiString& Source, const AnsiString& Target);
void ConvertTeeFileToBinary(const AnsiString& Source, const AnsiString& Target);
// The same on streams: the source from its position to its end.
void ConvertTeeToText(TStream* Source, TStream* Target);
void ConvertTeeToBinary(TStream* Source, TStream* Target);
