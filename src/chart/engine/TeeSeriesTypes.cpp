#include "chart/engine/TeeSeriesTypes.h"

#include <algorithm>

#include "chart/engine/TeeConst.h"

std::vector<TTeeSeriesType>& TeeSeriesTypes()
{
    static std::vector<TTeeSeriesType> list;
    return list;
}

void RegisterTeeSeries(TChartSeriesClass SeriesClass, const AnsiString* Description, const AnsiString* GalleryPage,
                       int NumGallerySeries)
{
    std::vector<TTeeSeriesType>& list = TeeSeriesTypes();
    const auto same = [&](const TTeeSeriesType& t) {
        return t.SeriesClass == SeriesClass && t.FunctionClass == nullptr;
    };
    if (std::any_of(list.begin(), list.end(), same)) return;
    list.push_back({SeriesClass, nullptr, Description, GalleryPage, NumGallerySeries});
}

void RegisterTeeSeries(TChartSeriesClass SeriesClass, const AnsiString* Description)
{
    RegisterTeeSeries(SeriesClass, Description, &TeeMsg_GalleryStandard, 2);
}

void UnRegisterTeeSeries(std::initializer_list<TChartSeriesClass> Classes)
{
    std::vector<TTeeSeriesType>& list = TeeSeriesTypes();
    std::erase_if(list, [&](const TTeeSeriesType& t) {
        return std::find(Classes.begin(), Classes.end(), t.SeriesClass) != Classes.end();
    });
}

void RegisterTeeFunction(TTeeFunctionClass FunctionClass, const AnsiString* Description, const AnsiString* GalleryPage,
                         int NumGallerySeries)
{
    std::vector<TTeeSeriesType>& list = TeeSeriesTypes();
    const auto same = [&](const TTeeSeriesType& t) {
        return t.SeriesClass == nullptr && t.FunctionClass == FunctionClass;
    };
    if (std::any_of(list.begin(), list.end(), same)) return;
    list.push_back({nullptr, FunctionClass, Description, GalleryPage, NumGallerySeries});
}

void RegisterTeeBasicFunction(TTeeFunctionClass FunctionClass, const AnsiString* Description)
{
    RegisterTeeFunction(FunctionClass, Description, &TeeMsg_GalleryStandard, 2);
}

void UnRegisterTeeFunctions(std::initializer_list<TTeeFunctionClass> Classes)
{
    std::vector<TTeeSeriesType>& list = TeeSeriesTypes();
    std::erase_if(list, [&](const TTeeSeriesType& t) {
        return t.FunctionClass && std::find(Classes.begin(), Classes.end(), t.FunctionClass) != Classes.end();
    });
}
