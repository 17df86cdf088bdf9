#include "chart/engine/TeeSeriesTypes.h"

#include <algorithm>

#include "chart/engine/TeeConst.h"
#include "platform/Exception.h"

const TTeeSeriesType& TTeeSeriesTypes::Get(int Index) const
{
    if (Index < 0 || Index >= static_cast<int>(size()))
        throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
    return (*this)[static_cast<std::size_t>(Index)];
}

const TTeeSeriesType* TTeeSeriesTypes::Find(TChartSeriesClass SeriesClass) const
{
    for (const TTeeSeriesType& t : *this)
        if (t.SeriesClass == SeriesClass && t.FunctionClass == nullptr) return &t;
    return nullptr;
}

TTeeCustomToolClass TTeeToolTypes::Get(int Index) const
{
    if (Index < 0 || Index >= static_cast<int>(size()))
        throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
    return (*this)[static_cast<std::size_t>(Index)];
}

TTeeSeriesTypes& TeeSeriesTypes()
{
    static TTeeSeriesTypes list;
    return list;
}

TTeeToolTypes& TeeToolTypes()
{
    static TTeeToolTypes list;
    return list;
}

void RegisterTeeSeriesFunction(TChartSeriesClass SeriesClass, TTeeFunctionClass FunctionClass,
                               const AnsiString* Description, const AnsiString* GalleryPage, int NumGallerySeries)
{
    TTeeSeriesTypes& list = TeeSeriesTypes();
    const auto same = [&](const TTeeSeriesType& t) {
        return t.SeriesClass == SeriesClass && t.FunctionClass == FunctionClass;
    };
    if (std::any_of(list.begin(), list.end(), same)) return;
    list.push_back({SeriesClass, FunctionClass, Description, GalleryPage, NumGallerySeries});
}

void RegisterTeeSeries(TChartSeriesClass SeriesClass, const AnsiString* Description, const AnsiString* GalleryPage,
                       int NumGallerySeries)
{
    RegisterTeeSeriesFunction(SeriesClass, nullptr, Description, GalleryPage, NumGallerySeries);
}

void RegisterTeeSeries(TChartSeriesClass SeriesClass, const AnsiString* Description)
{
    RegisterTeeSeries(SeriesClass, Description, &TeeMsg_GalleryStandard, 2);
}

void RegisterTeeFunction(TTeeFunctionClass FunctionClass, const AnsiString* Description, const AnsiString* GalleryPage,
                         int NumGallerySeries)
{
    RegisterTeeSeriesFunction(nullptr, FunctionClass, Description, GalleryPage, NumGallerySeries);
}

void RegisterTeeBasicFunction(TTeeFunctionClass FunctionClass, const AnsiString* Description)
{
    RegisterTeeFunction(FunctionClass, Description, &TeeMsg_GalleryStandard, 2);
}

void UnRegisterTeeSeries(std::initializer_list<TChartSeriesClass> Classes)
{
    std::erase_if(TeeSeriesTypes(), [&](const TTeeSeriesType& t) {
        return t.SeriesClass && std::find(Classes.begin(), Classes.end(), t.SeriesClass) != Classes.end();
    });
}

void UnRegisterTeeFunctions(std::initializer_list<TTeeFunctionClass> Classes)
{
    std::erase_if(TeeSeriesTypes(), [&](const TTeeSeriesType& t) {
        return t.FunctionClass && std::find(Classes.begin(), Classes.end(), t.FunctionClass) != Classes.end();
    });
}

TTeeCustomToolClass TeePageNumToolClass = nullptr;

void RegisterTeeTools(std::initializer_list<TTeeCustomToolClass> Classes)
{
    TTeeToolTypes& list = TeeToolTypes();
    for (TTeeCustomToolClass c : Classes)
        if (c && std::find(list.begin(), list.end(), c) == list.end()) list.push_back(c);
}

void UnRegisterTeeTools(std::initializer_list<TTeeCustomToolClass> Classes)
{
    TTeeToolTypes& list = TeeToolTypes();
    for (TTeeCustomToolClass c : Classes) std::erase(list, c);
}
