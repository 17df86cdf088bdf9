#pragma once
// A channel window for tests of the main window: a plain sub-window that records what the
// main window asks of it and keeps a chart of real series.
#include <QMdiSubWindow>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "app/IChannelForm.h"
#include "app/IControlPanel.h"
#include "app/TfrmMainWindow.h"
#include "chart/engine/TChartSeries.h"
#include "support/FakeDataFileView.h"

// The device layer's side of a fake window: records the values the channel hands over.
class FakeDeviceWindow : public IChannelWindow {
public:
    AnsiString ControlText(TChannelControl) const override { return {}; }
    int ControlItemIndex(TChannelControl) const override { return 0; }
    void MemoAdd(TChannelMemo, const AnsiString&) override {}
    void SetChartTitleFirstLine(const AnsiString&) override {}
    void SetSeriesActive(int, bool) override {}
    void SetSeriesShowInLegend(int, bool) override {}
    void SetupDeviceSeries(const AnsiString&, int) override {}
    void OnConnectionEstablished(int, int) override {}
    void SetSamplingInterval(int seconds) override { SamplingInterval = seconds; }
    void SetControlStatus(const AnsiString& status) override { ControlStatus = status; }
    void SetSetpointLimits(double lower, double upper) override
    {
        LowerSetpointLimit = lower;
        UpperSetpointLimit = upper;
    }
    double GetLowerSetpointLimit() const override { return LowerSetpointLimit; }
    double GetUpperSetpointLimit() const override { return UpperSetpointLimit; }
    void SetSerialNumber(std::uint32_t) override {}
    void ReportOtherUnit(const AnsiString&) override {}

    int SamplingInterval = 5;
    std::uint8_t Connected = 0;
    AnsiString ControlStatus;
    double LowerSetpointLimit = -999.9;
    double UpperSetpointLimit = 999.9;
};

class FakeChannelForm : public QMdiSubWindow, public IChannelForm, public FakeDeviceWindow {
public:
    FakeChannelForm()
    {
        for (int i = 0; i < 25; ++i) series.push_back(std::make_unique<TChartSeries>());
    }

    IChannelWindow* DeviceWindow() override { return this; }
    bool IsConnected() const override { return Connected == 1; }
    AnsiString UnitControlStatus() const override { return ControlStatus; }
    double UnitLowerSetpointLimit() const override { return LowerSetpointLimit; }
    double UnitUpperSetpointLimit() const override { return UpperSetpointLimit; }

    QMdiSubWindow* SubWindow() override { return this; }
    void SetChannel(int c) override { channel = c; }
    int Channel() const override { return channel; }
    void SetCaption(const AnsiString& text) override { setWindowTitle(QString::fromStdString(text)); }
    AnsiString Caption() const override { return windowTitle().toStdString(); }
    void AttachControlPanel(IControlPanel* p) override { panel = p; }
    void InitialiseMembers(TDateTime created) override { creationTime = created; }
    void SetLanguage(int l, int) override
    {
        if (failLanguage) throw std::runtime_error("language");
        language = l;
    }
    void ShowConnectionPage() override { connectionPageShown = true; }
    void SetGradientScheme(bool on) override { gradient = on; }
    void PrepareSeries() override { seriesPrepared = true; }
    void PrepareView(int mode, int) override { preparedMode = mode; }
    void SetViewMode(int, int openFlag, bool activate) override
    {
        openCopy = openFlag;
        activated = activate;
    }
    void FocusConnectButton() override { connectFocused = true; }
    bool FormClose() override
    {
        ++closeCalls;
        frmMainWindow->SetChannelOpen(channel, 0);
        close();
        return true;
    }
    int ChartSeriesCount() const override { return 24; }
    TChartSeries* ChartSeries(int index) override { return series.at(size_t(index)).get(); }
    double AxisMaximum(TChannelAxis axis) const override { return axes.at(axis).first; }
    double AxisMinimum(TChannelAxis axis) const override { return axes.at(axis).second; }
    void SetAxisLimits(TChannelAxis axis, double maximum, double minimum) override { axes[axis] = {maximum, minimum}; }
    IDataFileView* DataFileView() override { return &view; }
    TChart* DataGraph() override { return nullptr; }
    TTeeCustomTool* GridBandTool() override { return nullptr; }
    bool RecordingRuns() const override { return Connected == 1; }
    void SaveRecording(std::function<void(bool)> done) override
    {
        ++saves;
        if (done) done(true);
    }
    bool SaveSelectedProgram() override { return false; }
    bool ReleaseEndedProgram() override { return !ProgramRunning; }
    bool ReadLabelAxisTitles(AnsiString&, AnsiString&) override { return false; }
    void StoreAxisRanges() override {}

    int channel = 0;
    int language = -1;
    int preparedMode = -1;
    int openCopy = -1;
    int closeCalls = 0;
    int saves = 0;
    FakeDataFileView view;
    bool activated = false, connectionPageShown = false, gradient = false, seriesPrepared = false;
    bool connectFocused = false, failLanguage = false;
    TDateTime creationTime = 0.0;
    IControlPanel* panel = nullptr;
    std::vector<std::unique_ptr<TChartSeries>> series;
    std::map<TChannelAxis, std::pair<double, double>> axes;
};

class FakeChannelFactory : public IChannelFormFactory {
public:
    IChannelForm* CreateChannelForm() override
    {
        auto* form = new FakeChannelForm;
        created.push_back(form);
        return form;
    }
    std::vector<FakeChannelForm*> created;  // freed by their sub-windows
};
