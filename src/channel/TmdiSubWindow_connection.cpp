// The connection page: interface, port and line settings, the RS485 address list, the
// connect button and the window's side of the identification's answer.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>

#include "app/IControlPanel.h"
#include "app/TfrmMainWindow.h"
#include "channel/CProgramRun.h"
#include "channel/ChannelTexts.h"
#include "channel/TmdiSubWindow.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TeeColorButton.h"
#include "comm/CChannel.h"
#include "platform/SerialPort.h"
#include "platform/UiThread.h"

using namespace resources;

namespace {

// Whether a serial port can be opened now (a port another program holds cannot).
bool PortCanBeOpened(const std::string& path)
{
    platform::SerialPort port;
    const bool open = port.Open(path, platform::SerialSettings{});
    port.Close();
    return open;
}

// Refills a port list with the ports offered; when none is, the name the user typed stays.
template <typename Offered>
void OfferPorts(QComboBox* list, const std::vector<std::string>& ports, Offered offered)
{
    const QString typed = list->currentText();
    list->clear();
    for (const std::string& path : ports)
        if (offered(path)) list->addItem(QString::fromStdString(path));
    if (list->count() > 0)
        list->setCurrentIndex(0);
    else
        list->setEditText(typed);
}

}  // namespace

TConnectionSettings TmdiSubWindow::ConnectionSettings() const
{
    NOX_ASSERT_UI_THREAD();
    TConnectionSettings s;
    s.Interface = cmbInterface->currentText().toStdString();
    s.Port = cmbPort->currentText().trimmed().toStdString();
    s.BaudRate = cmbBaudrate->currentText().toStdString();
    s.DataBits = cmbDataBits->currentText().toStdString();
    s.StopBits = cmbStopBits->currentIndex();
    s.Parity = cmbParity->currentIndex();
    s.Interval = cmbActual->currentText().toStdString();
    s.Slave = cmbSlave->currentText().toStdString();
    s.IPAddress = edIPAddress->text().toStdString();
    s.TCPPort = edPort->text().toStdString();
    s.TimeAxisStyle = cmbTimeAxisStyle->currentIndex();
    s.LogFile = chkLogFile->isChecked();
    return s;
}

void TmdiSubWindow::cmdEstablishConnectionClick()
{
    NOX_ASSERT_UI_THREAD();
    if (FSession->IsConnected()) return;
    FSession->Settings = ConnectionSettings();
    FSession->EstablishConnection();
}

void TmdiSubWindow::ConnectionResult(int result)
{
    if (result != 1) {
        // No unit: no program run can have started on it.
        if (FRun) FRun->StartedProgram = nullptr;
        return;
    }
    LockConnectionControls();

    // The window's part of the recording start.
    edLineName->setText(cmbLineSeries->itemText(0));
    cmdEstablishConnection->setEnabled(false);
    for (QWidget* p : {tabDataGraph, tabDataInfo, tabDataOptions, tabDataStatus}) ShowPage(p, true);
    ShowPage(tabFunctions, false);
    chkError->setChecked(false);
    chkLabel->setChecked(true);
    const int interval = 1000 * FSession->SamplingInterval();
    tmrDataUpdate->setInterval(interval);
    tmrProgrammer->setInterval(interval);
    if (TChartSeries* s = FSession->Series(cmbLineSeries->currentIndex()))
        clbLineColor->SetTeeColor(s->GetSeriesColor());
    edLineName->setEnabled(true);
    graDataGraph->SetBufferedDisplay(true);
    for (TChartAxis* a : {graDataGraph->LeftAxis(), graDataGraph->RightAxis()}) {
        a->SetMinimumOffset(4);
        a->SetMaximumOffset(4);
    }

    if (FControlPanel) FControlPanel->SetVisible(true);
    if (frmMainWindow) {
        frmMainWindow->mnuControlPanel->setEnabled(true);
        frmMainWindow->LastActivatedChannel = -1;
    }
    if (FSession->ProgrammerMode()) {
        tmrProgrammer->start();
        tabDataControl->setTabText(tabDataControl->indexOf(tabScout),
                                   QString::fromStdString(ChannelText(RowMenuProgrammer)));
        ShowPage(tabScout, true);
        ShowPage(tabProgrammerGraph, true);
    } else {
        tmrDataUpdate->start();
    }
    SetViewMode(FChannel, 1, true);
    tabDataControl->setCurrentWidget(tabDataGraph);
}

void TmdiSubWindow::LockConnectionControls()
{
    NOX_ASSERT_UI_THREAD();
    for (QWidget* w :
         std::initializer_list<QWidget*>{cmbInterface, cmbPort, cmbBaudrate, cmbDataBits, cmbParity, cmbStopBits,
                                         cmbActual, cmbTimeAxisStyle, cmbSlave, edIPAddress, edPort, chkLogFile})
        w->setEnabled(false);
}

void TmdiSubWindow::FillPortList()
{
    NOX_ASSERT_UI_THREAD();
    if (!cmbPort->isEnabled()) return;
    FSettingUp = true;
    OfferPorts(cmbPort, platform::ListSerialPorts(), PortCanBeOpened);
    FSettingUp = false;
}

void TmdiSubWindow::FillSharedPortList()
{
    NOX_ASSERT_UI_THREAD();
    if (!cmbPort->isEnabled()) return;
    FSettingUp = true;
    std::vector<std::string> ports = platform::ListSerialPorts();
    // The ports this program's RS485 channels hold are offered though they cannot be opened.
    for (int c = 1; c <= MaxChannels; ++c)
        if (CChannelSession* s = CChannelSession::Of(c); s && c != FChannel && s->IsConnected() && s->ChannelObject() &&
                                                         s->ChannelObject()->GetTypeName() == "RS485") {
            const std::string port = s->ChannelObject()->GetPortName();
            if (std::find(ports.begin(), ports.end(), port) == ports.end()) ports.push_back(port);
        }
    OfferPorts(cmbPort, ports, [this](const std::string& path) {
        return CChannelSession::IsSharedBusPort(path, FChannel) || PortCanBeOpened(path);
    });
    FSettingUp = false;
    FillSlaveList();
}

void TmdiSubWindow::FillSlaveList()
{
    NOX_ASSERT_UI_THREAD();
    const bool wasSettingUp = FSettingUp;
    FSettingUp = true;
    cmbSlave->clear();
    const std::vector<int> used =
        CChannelSession::BusAddressesInUse(cmbPort->currentText().trimmed().toStdString(), FChannel);
    for (int address = 1; address <= 30; ++address)
        if (std::find(used.begin(), used.end(), address) == used.end()) cmbSlave->addItem(QString::number(address));
    cmbSlave->setCurrentIndex(0);
    FSettingUp = wasSettingUp;
}

void TmdiSubWindow::cmbPortChange()
{
    NOX_ASSERT_UI_THREAD();
    FillSlaveList();
}

void TmdiSubWindow::cmbPortDropDown()
{
    NOX_ASSERT_UI_THREAD();
    if (!FSession->IsIdle()) return;
    if (cmbInterface->currentText() == "RS232")
        FillPortList();
    else if (cmbInterface->currentText() == "RS485")
        FillSharedPortList();
}

void TmdiSubWindow::cmbInterfaceChange()
{
    NOX_ASSERT_UI_THREAD();
    const QString which = cmbInterface->currentText();
    const bool serial = which != "TCP/IP";
    for (QWidget* w : std::initializer_list<QWidget*>{cmbPort, cmbBaudrate, cmbDataBits, cmbParity, cmbStopBits})
        w->setEnabled(serial);
    cmbSlave->setEnabled(which == "RS485");
    txtSlave->setEnabled(which == "RS485");
    edIPAddress->setEnabled(!serial);
    edPort->setEnabled(!serial);
    if (!FSession->IsIdle()) return;
    if (which == "RS232") FillPortList();
    if (which == "RS485") {
        cmbPort->clear();
        FillSharedPortList();
    }
}

void TmdiSubWindow::tabDataConnectionShow()
{
    NOX_ASSERT_UI_THREAD();
    if (!FSession->IsConnected()) {
        FSession->SetMemo(TSessionMemo::Connections, {});
        return;
    }
    std::vector<AnsiString> lines;
    for (int c = 1; c <= MaxChannels; ++c) {
        CChannelSession* s = CChannelSession::Of(c);
        if (!s || !s->IsConnected() || (frmMainWindow && !frmMainWindow->IsChannelOpen(c))) continue;
        auto* window = frmMainWindow ? dynamic_cast<TmdiSubWindow*>(frmMainWindow->ChannelForm(c)) : nullptr;
        if (window && window->Busy)
            lines.push_back(ChannelText(RowMenuView));
        else
            lines.push_back(s->TitleLines().empty() ? AnsiString() : s->TitleLines().front());
    }
    FSession->SetMemo(TSessionMemo::Connections, lines);
}
