// The legend's settings in a chart file: only changed ones are written, all come back.
#include <gtest/gtest.h>

#include <string>

#include "chart/engine/TChartLegend.h"
#include "chart/engine/TCustomChart.h"
#include "chart/storage/TeeStore.h"

namespace {

TEST(LegendFile, ChangedSettingsRoundTripDefaultsStayOut)
{
    TeeStoreRegisterClasses();
    TChart source;
    source.setObjectName("Chart1");
    {
        TMemoryStream file;
        SaveChartToStream(&source, &file, false, true);
        const std::string s(file.Bytes().begin(), file.Bytes().end());
        EXPECT_EQ(s.find("Legend.TopPos"), std::string::npos);
        EXPECT_EQ(s.find("Legend.Symbol.Width"), std::string::npos);
    }
    TChartLegend* legend = source.GetLegend();
    legend->SetAlignment(laBottom);
    legend->SetCheckBoxes(true);
    legend->SetTextStyle(ltsPlain);
    legend->SetTopPos(25);
    legend->GetSymbol()->SetWidth(30);
    legend->GetTitle()->SetCaption("Units");
    TMemoryStream file;
    SaveChartToStream(&source, &file, false, true);
    const std::string s(file.Bytes().begin(), file.Bytes().end());
    EXPECT_NE(s.find("Legend.Alignment = laBottom"), std::string::npos);
    file.SetPosition(0);
    TChart target;
    LoadChartFromStream(&target, &file);
    TChartLegend* loaded = target.GetLegend();
    EXPECT_EQ(loaded->GetAlignment(), laBottom);
    EXPECT_TRUE(loaded->GetCheckBoxes());
    EXPECT_EQ(loaded->GetTextStyle(), ltsPlain);
    EXPECT_EQ(loaded->GetTopPos(), 25);
    EXPECT_EQ(loaded->GetSymbol()->GetWidth(), 30);
    EXPECT_EQ(loaded->GetTitle()->GetCaption(), "Units");
}

}  // namespace
