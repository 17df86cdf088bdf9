// What the data files, the control panel and the programmer ask of a channel window.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>

#include "channel/TmdiSubWindow.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TSeriesMarks.h"
#include "chart/engine/TeeColorButton.h"
#include "chart/series/TFastLineSeries.h"
#include "platform/FormatSettings.h"
#include "platform/TextLines.h"
#include "platform/UiThread.h"

namespace {

TSessionMemo SessionMemo(TDataFileMemo memo)
{
    return TSessionMemo(int(memo));
}

}  // namespace

// ---------------------------------------------------------------- IDataFileView

void TmdiSubWindow::SetBottomAxisTitle(const AnsiString& caption)
{
    NOX_ASSERT_UI_THREAD();
    graDataGraph->BottomAxis()->GetTitle()->SetCaption(caption);
}

void TmdiSubWindow::SetBottomAxisDateTimeFormat(const AnsiString& format)
{
    NOX_ASSERT_UI_THREAD();
    graDataGraph->BottomAxis()->SetDateTimeFormat(format);
}

void TmdiSubWindow::SetBottomAxisIncrement(double increment)
{
    NOX_ASSERT_UI_THREAD();
    graDataGraph->BottomAxis()->SetDesiredIncrement(increment);
}

void TmdiSubWindow::SetBottomAxisRange(double minimum, double maximum)
{
    NOX_ASSERT_UI_THREAD();
    SetAxisRange(graDataGraph->BottomAxis(), minimum, maximum);
}

void TmdiSubWindow::SetMemoLines(TDataFileMemo memo, const std::vector<AnsiString>& lines)
{
    NOX_ASSERT_UI_THREAD();
    if (memo == TDataFileMemo::Memo) {
        QStringList text;
        for (const AnsiString& l : lines) text << Q(l);
        memMemo->setPlainText(text.join('\n'));  // the memo hands its text to the session
        return;
    }
    FSession->SetMemo(SessionMemo(memo), lines);
}

void TmdiSubWindow::AddMemoLine(TDataFileMemo memo, const AnsiString& line)
{
    NOX_ASSERT_UI_THREAD();
    if (memo == TDataFileMemo::Memo) {
        memMemo->appendPlainText(Q(line));
        return;
    }
    FSession->AddMemoLine(SessionMemo(memo), line);
}

void TmdiSubWindow::SetLineSeriesChoices(const std::vector<AnsiString>& titles)
{
    NOX_ASSERT_UI_THREAD();
    const bool wasSettingUp = FSettingUp;
    FSettingUp = true;
    cmbLineSeries->clear();
    for (const AnsiString& t : titles) cmbLineSeries->addItem(Q(t));
    cmbLineSeries->setCurrentIndex(0);
    FSettingUp = wasSettingUp;
    if (TChartSeries* s = FSession->Series(0)) edLineName->setText(Q(s->GetTitle()));
    if (TChartSeries* s = FSession->Series(cmbLineSeries->currentIndex()))
        clbLineColor->SetTeeColor(s->GetSeriesColor());
}

void TmdiSubWindow::SetTimeAxisLabel(const AnsiString& text)
{
    NOX_ASSERT_UI_THREAD();
    edTimeAxisLabel->setText(Q(text));
}

void TmdiSubWindow::SetTimeWindowTexts(const AnsiString& minimum, const AnsiString& maximum)
{
    NOX_ASSERT_UI_THREAD();
    edTimeMin->setText(Q(minimum));
    edTimeMax->setText(Q(maximum));
}

void TmdiSubWindow::ShowGraphPage()
{
    NOX_ASSERT_UI_THREAD();
    tabDataControl->setCurrentWidget(tabDataGraph);
}

void TmdiSubWindow::ShowLoadedDataPages(bool recordedDataFile)
{
    NOX_ASSERT_UI_THREAD();
    for (QWidget* p : {tabDataOptions, tabDataInfo, tabDataStatus}) ShowPage(p, true);
    if (recordedDataFile && chkLabel->isChecked()) {
        FSession->Series(2)->Marks()->SetVisible(true);
        FSession->Series(2)->Marks()->SetColor(0x80FFFF);
    }
}

// ---------------------------------------------------------------- IPanelChannelWindow
// The program commands are in TmdiSubWindow_programmer.cpp, the editor's in _editor.cpp.
