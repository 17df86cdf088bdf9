#pragma once
// The library's one list of series types and functions that the gallery, the chart
// editor and the chart-file reader offer, in registration order. A class is its meta
// object; a registered series class has an invokable constructor taking the owner.
#include <QMetaObject>
#include <initializer_list>
#include <vector>

#include "platform/AnsiString.h"

using TChartSeriesClass = const QMetaObject*;
using TTeeFunctionClass = const QMetaObject*;

struct TTeeSeriesType {
    TChartSeriesClass SeriesClass = nullptr;
    TTeeFunctionClass FunctionClass = nullptr;
    // References to library text variables, so that the texts follow the language.
    const AnsiString* Description = nullptr;
    const AnsiString* GalleryPage = nullptr;
    int NumGallerySeries = 1;
};

// The entries in registration order.
std::vector<TTeeSeriesType>& TeeSeriesTypes();

// Appends an entry unless one with the same series and function class exists.
void RegisterTeeSeries(TChartSeriesClass SeriesClass, const AnsiString* Description, const AnsiString* GalleryPage,
                       int NumGallerySeries);
// On the "Standard" page with two gallery series.
void RegisterTeeSeries(TChartSeriesClass SeriesClass, const AnsiString* Description);
// Removes every entry of the given series classes.
void UnRegisterTeeSeries(std::initializer_list<TChartSeriesClass> Classes);
// Appends a function entry (no series class) unless the same function class is listed.
void RegisterTeeFunction(TTeeFunctionClass FunctionClass, const AnsiString* Description, const AnsiString* GalleryPage,
                         int NumGallerySeries);
// On the "Standard" page with two gallery series.
void RegisterTeeBasicFunction(TTeeFunctionClass FunctionClass, const AnsiString* Description);
// Removes every entry of the given function classes.
void UnRegisterTeeFunctions(std::initializer_list<TTeeFunctionClass> Classes);
