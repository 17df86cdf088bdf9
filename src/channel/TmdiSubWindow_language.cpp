// Every text of a channel window in the language the main window has chosen: captions and
// hints by text-table row, the lists refilled (which resets their choice), the chart's and
// the window's titles, and the control panel's channel texts.
#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <algorithm>
#include <tuple>

#include "app/CLanguage.h"
#include "app/IControlPanel.h"
#include "channel/TmdiSubWindow.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TChartLegend.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TeeColorButton.h"
#include "platform/TextLines.h"
#include "platform/UiThread.h"
#include "resources/TextRows.h"

using namespace resources;

namespace {

struct TControlText {
    const char* name;
    TextRow row;
};

// Captions by control name. The program editor's and the program run's controls are found
// by name too, so a view that has not built them simply skips them.
constexpr TControlText kCaptions[] = {
    // connection page
    {"txtInterface", RowInterface},
    {"txtPort", RowPort},
    {"txtBaudrate", RowBaudRate},
    {"txtDataBits", RowDataBits},
    {"txtStopBits", RowStopBits},
    {"txtParity", RowParity},
    {"txtActual", RowUpdateInterval},
    {"txtTimeAxisStyle", RowTimeAxisDisplay},
    {"txtSlave", RowSlaveNumber},
    {"txtIPAddress", RowIPAddress},
    {"txtTCPPort", RowTcpPort},
    {"cmdEstablishConnection", RowStartRecording},
    {"grpCommParameters", RowCommunicationParameters},
    {"grpConnections", RowActiveConnections},
    {"chkLogFile", RowSaveSegmentData},
    // graph page
    {"txtSeries", RowCurrentValueSeries},
    {"txtSelection", RowNotSelected},
    // graph options page
    {"txtLineSeries", RowValueSeries},
    {"txtLineName", RowName},
    {"txtLineColor", RowColour},
    {"txtMin", RowMinimal},
    {"txtMax", RowMaximal},
    {"txtTempAxis", RowTemperatureAxis},
    {"txtPowerAxis", RowPowerAxis},
    {"txtTimeAxis", RowTimeAxis},
    {"chkAutomaticScale", RowTimeAxisAdjustment},
    {"chkAutomaticScaleY", RowY1AxisAdjustment},
    {"chkTimeWindow", RowActivateTimeWindow},
    {"txtZoomWarning", RowZoomIsActive},
    {"chkError", RowErrorDisplay},
    {"chkLabel", RowSegmentLabel},
    {"chkGradient", RowGradient},
    {"cmdGraphRefresh", RowAcceptValues},
    {"grpVariables", RowValueSeriesPlural},
    {"grpScale", RowScaling},
    {"grpGraph", RowGraph},
    {"txtTimeWindow", RowTimeSlot},
    // program editor
    {"grpScout", RowScout},
    {"grpProgrammeditor", RowProgramEditor},
    {"txtProgramProperties", RowProgramProperties},
    {"txtSegmentProperties", RowSegmentProperties},
    {"txtSegmentLabel", RowSegmentLabelColon},
    {"txtRepeat", RowProgramCycle},
    {"txtEndofProgram", RowEndOfProgram},
    {"txtStartTemperature", RowStartTemperature},
    {"txtStirrer", RowSetAnalogueValue},
    {"txtPoko", RowSetValuePoko},
    {"txtHint1", RowTemporaryChanges1},
    {"txtHint2", RowTemporaryChanges2},
    {"txtInterval", RowPeriod},
    {"txtEndTemperature", RowEndTemperature},
    {"txtStirrer1", RowAnalogueOutput1},
    {"txtStirrer2", RowAnalogueOutput1PerMille},
    {"txtPoko2", RowFloatingContactColumn},
    {"txtPoko3", RowFloatingContactTitle},
    {"txtTemperatureControl", RowTemperatureControlColumn},
    {"txtSegmentExecution", RowSegmentTypeColumn},
    // program buttons, the program tree's pop-up menu and the programmer's chart page
    {"btnDeleteTP", RowShortDeleteProgram},
    {"btnCancelSegment", RowHintCancelSegment},
    {"btnApplyValues", RowApplyValues},
    {"btnCreateTP", RowShortCreateProgram},
    {"btnLoadTP", RowShortLoadProgram},
    {"btnSaveTP", RowShortSaveProgram},
    {"btnAddSegment", RowAppendSegment},
    {"btnDeleteSegment", RowDeleteSegment},
    {"btnPauseSegment", RowHoldContinueSegment},
    {"mnuLoadProgram", RowLoadProgram},
    {"mnuSaveProgram", RowSaveProgram},
    {"mnuCreateProgram", RowCreateProgram},
    {"mnuDeleteProgram", RowDeleteProgram},
    {"mnuPasteSegment", RowInsertSegment},
    {"mnuDeleteSegment", RowDeleteSegment},
    {"mnuAddSegment", RowAppendSegment},
    {"mnuCancelSegment", RowCancelSegment},
    {"mnuPauseSegment", RowHoldContinueSegment},
    {"grpProgrammerGraph", RowProgramProfileTitle},
    {"grpProgrammerLegend", RowLegend},
    {"grpProgrammerProtocol", RowProgrammerProtocol},
};

constexpr TControlText kHints[] = {
    {"btnBackTempAxis", RowSetDefaultValue},
    {"btnBackPowerAxis", RowSetDefaultValue},
    {"btnBackTimeAxis", RowSetDefaultValue},
    {"treeTProgram", RowRightClickForOptions},
};

struct TListTexts {
    const char* name;
    int count;
    TextRow rows[3];
    int selected;
};

constexpr TListTexts kLists[] = {
    {"cmbTimeAxisStyle", 2, {RowRelative, RowAbsolute}, 0},
    {"cmbRepeat", 2, {RowCycleNone, RowCycleEndless}, 0},
    {"cmbEndofProgram", 2, {RowEndStopTemperatureControl, RowEndContinueTemperatureControl}, 0},
    {"cmbStirrer", 2, {RowUnaffected, RowAffected}, 0},
    {"cmbPoko", 2, {RowUnaffected, RowAffected2}, 0},
    {"cmbPoko2", 3, {RowOff, RowOn, RowUnchanged}, 2},
    {"cmbTemperatureControl", 2, {RowInternal, RowProcess}, 0},
    {"cmbExecution", 2, {RowTimeStable, RowTemperatureStable}, 0},
};

void SetControlText(QObject* control, const QString& text)
{
    if (auto* b = qobject_cast<QAbstractButton*>(control))
        b->setText(text);
    else if (auto* l = qobject_cast<QLabel*>(control))
        l->setText(text);
    else if (auto* g = qobject_cast<QGroupBox*>(control))
        g->setTitle(text);
    else if (auto* a = qobject_cast<QAction*>(control))
        a->setText(text);
}

// The caption's view prefix (upper case) and the caption's new text before the number.
struct TCaptionPrefix {
    const char* prefixes[2];
    TextRow row;
};

constexpr TCaptionPrefix kCaptionPrefixes[] = {
    {{"DATEN", "DATA"}, RowDataRecordChannelCaption},
    {{"VISUAL", "VIEW"}, RowViewChannelCaption2},
    {{"PROGRAM", nullptr}, RowProgrammerChannelCaption},
    {{"TP KV", nullptr}, RowTPScoutChannelCaption},
};

}  // namespace

void TmdiSubWindow::RetitleChart(int language)
{
    const CLanguage* table = CLanguage::Instance();
    // The row's text in the window's language when `line` has it in either language, as the
    // whole line or in front of what the line names.
    auto retitled = [table, language](AnsiString& line, TextRow row, bool whole) {
        for (int was : {CLanguage::German, CLanguage::English}) {
            AnsiString label;
            table->LookupText(was, row, label);
            if (label.empty() || !(whole ? line == label : line.rfind(label, 0) == 0)) continue;
            AnsiString now;
            line = table->LookupText(language, row, now) + line.substr(label.size());
            return true;
        }
        return false;
    };
    std::vector<AnsiString> lines = FSession->TitleLines();
    // A chart titled as a recording that has not started takes the recording's title alone.
    if (!lines.empty() && retitled(lines.front(), RowDataRecordingTitle, true)) {
        FSession->SetTitleLines({lines.front()});
        return;
    }
    // The labels the window put before a file name, a date and a serial number, and an empty
    // view's caption, take the new language; the names and numbers after them stay.
    bool changed = false;
    for (AnsiString& line : lines)
        for (TextRow row : {RowCurrentFileName, RowDateOfStorage, RowSerialNumberLabel, RowViewChannelCaption2})
            if (retitled(line, row, false)) {
                changed = true;
                break;
            }
    if (changed) FSession->SetTitleLines(lines);
}

void TmdiSubWindow::SetLanguage(int language, int channel)
{
    NOX_ASSERT_UI_THREAD();
    const CLanguage* table = CLanguage::Instance();
    auto text = [table, language](TextRow row) {
        AnsiString out;
        return Q(table->LookupText(language, row, out));
    };

    // Pages; the program page is named by the view that shows it.
    const std::pair<QWidget*, TextRow> pages[] = {
        {tabDataConnection, RowTabConnection}, {tabDataGraph, RowTabGraph},
        {tabDataOptions, RowTabGraphOptions},  {tabDataInfo, RowTabMemoInfo},
        {tabDataStatus, RowTabEventReport},    {tabProgrammerGraph, RowGraphProtocol}};
    for (auto [page, row] : pages) tabDataControl->setTabText(tabDataControl->indexOf(page), text(row));
    if (ViewMode == vmProgrammer)
        tabDataControl->setTabText(tabDataControl->indexOf(tabScout), text(RowMenuProgrammer));
    else if (ViewMode == vmTPScout)
        tabDataControl->setTabText(tabDataControl->indexOf(tabScout), text(RowScoutProgramEditor));

    for (const TControlText& c : kCaptions)
        if (QObject* control = findChild<QObject*>(c.name)) SetControlText(control, text(c.row));
    for (const TControlText& c : kHints)
        if (auto* control = findChild<QWidget*>(c.name)) control->setToolTip(text(c.row));
    // The lists start again from their first entry (the floating contact from "unchanged").
    for (const TListTexts& l : kLists) {
        auto* box = findChild<QComboBox*>(l.name);
        if (!box) continue;
        const bool wasSettingUp = FSettingUp;
        FSettingUp = true;
        box->clear();
        for (int i = 0; i < l.count; ++i) box->addItem(text(l.rows[i]));
        box->setCurrentIndex(l.selected);
        FSettingUp = wasSettingUp;
    }
    if (auto* stirrer = findChild<QLineEdit*>("edStirrer");
        stirrer && (stirrer->text() == QString::fromUtf8("unverändert") || stirrer->text() == "unchanged"))
        stirrer->setText(text(RowUnchanged));
    for (QLabel* l : {txtSeries, txtSelection}) l->adjustSize();
    txtSelection->move(std::max(192, txtSeries->x() + txtSeries->width() + 4), txtSelection->y());

    // The time axis' title names seconds when a loaded file holds plain numbers.
    const QString timeTitle = text(ImportedFile ? RowTimeInSecondsAxis : RowTimeInHhMmSs);
    graDataGraph->BottomAxis()->GetTitle()->SetCaption(timeTitle.toStdString());
    edTimeAxisLabel->setText(timeTitle);
    RetitleChart(language);
    graDataGraph->GetLegend()->GetTitle()->SetCaption(text(RowValueSeriesPlural2).toStdString());
    // Value axes that still have the table's titles (no unit's labels file gave others) take
    // them in the new language.
    for (const auto& [axis, edit, row] :
         {std::tuple{graDataGraph->LeftAxis(), edTempAxisLabel, RowTemperatureInDegrees},
          std::tuple{graDataGraph->RightAxis(), edPowerAxisLabel, RowIncrementInPercent}}) {
        AnsiString german, english;
        table->LookupText(CLanguage::German, row, german);
        table->LookupText(CLanguage::English, row, english);
        const AnsiString now = axis->GetTitle()->GetCaption();
        if (now != german && now != english) continue;
        axis->GetTitle()->SetCaption(text(row).toStdString());
        if (edit->text().toStdString() == now) edit->setText(text(row));
    }
    if (graProgrammerGraph) {
        graProgrammerGraph->LeftAxis()->GetTitle()->SetCaption(text(RowTemperatureAxisTitle).toStdString());
        graProgrammerGraph->BottomAxis()->GetTitle()->SetCaption(text(RowSegmentNumber).toStdString());
    }

    // The window's caption keeps its view and takes the language's words.
    const QString caption = windowTitle().toUpper();
    for (const TCaptionPrefix& p : kCaptionPrefixes) {
        const bool match = std::any_of(std::begin(p.prefixes), std::end(p.prefixes),
                                       [&caption](const char* prefix) { return prefix && caption.startsWith(prefix); });
        if (match) {
            setWindowTitle(text(p.row) + QString::number(channel));
            break;
        }
    }

    if (FControlPanel) FControlPanel->SetLanguage(language);

    // The series chooser follows the series' titles (a loaded file's chooser stays).
    if (!Busy) {
        const bool wasSettingUp = FSettingUp;
        FSettingUp = true;
        cmbLineSeries->clear();
        const int n = std::min(FSession->ValueSeriesCount(), ChannelSeriesCount);
        for (int i = 0; i < n; ++i) cmbLineSeries->addItem(Q(FSession->Series(i)->GetTitle()));
        cmbLineSeries->setCurrentIndex(0);
        FSettingUp = wasSettingUp;
        edLineName->setText(cmbLineSeries->itemText(0));
        if (TChartSeries* s0 = FSession->Series(0)) clbLineColor->SetTeeColor(s0->GetSeriesColor());
    }
    // The editor's lists were reset: they show the selected program's values again, so
    // "apply values" never stores the reset choices into it.
    ShowEditorValues();
    // The start/stop button and menu item say what they do next, in the new language.
    UpdateProgramCommands();
    graDataGraph->Invalidate();
}
