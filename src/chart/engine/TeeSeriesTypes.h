#pragma once
// The library's one list of series types and functions that the gallery, the chart
// editor and the chart-file reader offer, in registration order, and the list of tool
// classes. A class is its meta object; a registered series, function or tool class has
// an invokable constructor taking the owner.
#include <QMetaObject>
#include <initializer_list>
#include <vector>

#include "platform/AnsiString.h"

using TChartSeriesClass = const QMetaObject*;
using TTeeFunctionClass = const QMetaObject*;
using TTeeCustomToolClass = const QMetaObject*;

struct TTeeSeriesType {
    TChartSeriesClass SeriesClass = nullptr;
    TTeeFunctionClass FunctionClass = nullptr;
    // References to library text variables, so that the texts follow the language.
    const AnsiString* Description = nullptr;
    const AnsiString* GalleryPage = nullptr;
    int NumGallerySeries = 1;
};

class TTeeSeriesTypes : public std::vector<TTeeSeriesType> {
public:
    // Throws EListError for an index outside the list.
    const TTeeSeriesType& Get(int Index) const;
    // The first entry of the series class without a function, or null.
    const TTeeSeriesType* Find(TChartSeriesClass SeriesClass) const;
    void Clear() { clear(); }
};

class TTeeToolTypes : public std::vector<TTeeCustomToolClass> {
public:
    // Throws EListError for an index outside the list.
    TTeeCustomToolClass Get(int Index) const;
};

// The entries in registration order.
TTeeSeriesTypes& TeeSeriesTypes();
TTeeToolTypes& TeeToolTypes();

// Appends an entry unless one with the same series and function class exists.
void RegisterTeeSeriesFunction(TChartSeriesClass SeriesClass, TTeeFunctionClass FunctionClass,
                               const AnsiString* Description, const AnsiString* GalleryPage, int NumGallerySeries);
void RegisterTeeSeries(TChartSeriesClass SeriesClass, const AnsiString* Description, const AnsiString* GalleryPage,
                       int NumGallerySeries);
// On the "Standard" page with two gallery series.
void RegisterTeeSeries(TChartSeriesClass SeriesClass, const AnsiString* Description);
void RegisterTeeFunction(TTeeFunctionClass FunctionClass, const AnsiString* Description, const AnsiString* GalleryPage,
                         int NumGallerySeries);
// On the "Standard" page with two gallery series.
void RegisterTeeBasicFunction(TTeeFunctionClass FunctionClass, const AnsiString* Description);
// Removes every entry of the given series classes.
void UnRegisterTeeSeries(std::initializer_list<TChartSeriesClass> Classes);
// Removes every entry of the given function classes.
void UnRegisterTeeFunctions(std::initializer_list<TTeeFunctionClass> Classes);

// The registered page-number tool class, or null.
extern TTeeCustomToolClass TeePageNumToolClass;

// Appends each class not yet in the list.
void RegisterTeeTools(std::initializer_list<TTeeCustomToolClass> Classes);
void UnRegisterTeeTools(std::initializer_list<TTeeCustomToolClass> Classes);
