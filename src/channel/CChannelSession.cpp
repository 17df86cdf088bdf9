// The session's life, the connection and the channel object's view of its window.
#include "channel/CChannelSession.h"

#include <QDir>
#include <QFileInfo>
#include <QObject>
#include <QTimer>
#include <algorithm>
#include <cstdint>

#include "app/CLanguage.h"
#include "app/TfrmMainWindow.h"
#include "channel/ChannelTexts.h"
#include "chart/series/TFastLineSeries.h"
#include "comm/CRS232.h"
#include "comm/CRS485.h"
#include "comm/CTCPIP.h"
#include "comm/CTolvarProtocol.h"
#include "comm/SharedSerialPort.h"
#include "platform/Dialogs.h"
#include "platform/FileFolders.h"
#include "platform/FileSave.h"
#include "platform/SerialPort.h"
#include "platform/UiThread.h"

using namespace resources;

namespace {

// The open sessions by channel number; entry 0 is never used.
std::array<CChannelSession*, MaxChannels + 1> g_sessions{};

bool FileExists(const AnsiString& path)
{
    return QFileInfo::exists(QString::fromStdString(path));
}

}  // namespace

AnsiString CChannelSession::DefaultDataFolder;

CChannelSession::CChannelSession(int channel)
    : FChannel(channel), FSeriesOwner(new QObject), FAlive(std::make_shared<bool>(true))
{
    CreateSeries();
    if (FChannel >= 1 && FChannel <= MaxChannels) g_sessions[std::size_t(FChannel)] = this;
}

CChannelSession::~CChannelSession()
{
    *FAlive = false;
    if (!FGrowingName.empty()) TDataFileSaveQueue::Instance().EndGrowing(FGrowingName);
    if (FChannelObject) {
        FChannelObject->Close(3);
        DeleteChannelObject();
    }
    if (FChannel >= 1 && FChannel <= MaxChannels && g_sessions[std::size_t(FChannel)] == this)
        g_sessions[std::size_t(FChannel)] = nullptr;
    delete FSeriesOwner;
}

void CChannelSession::SetChannel(int channel)
{
    NOX_ASSERT_UI_THREAD();
    if (FChannelObject || channel == FChannel) return;
    if (Of(FChannel) == this) g_sessions[std::size_t(FChannel)] = nullptr;
    FChannel = channel;
    if (FChannel >= 1 && FChannel <= MaxChannels) g_sessions[std::size_t(FChannel)] = this;
}

CChannelSession* CChannelSession::Of(int channel)
{
    return channel >= 1 && channel <= MaxChannels ? g_sessions[std::size_t(channel)] : nullptr;
}

// ---------------------------------------------------------------- connection

void CChannelSession::DeleteChannelObject()
{
    if (!FChannelObject) return;
    if (ChannelObjects[FChannel] == FChannelObject.get()) ChannelObjects[FChannel] = nullptr;
    FChannelObject.reset();
}

bool CChannelSession::EstablishConnection()
{
    NOX_ASSERT_UI_THREAD();
    if (FConnected) return false;
    FIdle = false;
    if (FCleanupPending) {
        FCleanupPending = false;
        if (FChannelObject) FChannelObject->Close(2);
        DeleteChannelObject();
    }
    DeleteChannelObject();
    if (Settings.Interface == "RS485")
        FChannelObject = std::make_unique<CRS485>(FChannel);
    else if (Settings.Interface == "TCP/IP")
        FChannelObject = std::make_unique<CTCPIP>(FChannel);
    else
        FChannelObject = std::make_unique<CRS232>(FChannel);
    FChannelObject->SetWindow(this);
    ChannelObjects[FChannel] = FChannelObject.get();
    // A new identification decides again which series are recorded.
    for (int k = 0; k < ValueSeriesTotal; ++k)
        if (FSeries[std::size_t(k)]) FSeries[std::size_t(k)]->Tag = 0;

    SetMemo(TSessionMemo::Connections, {});
    SetMemo(TSessionMemo::Info, {});
    if (FChannelObject->ReadSettings() == 0) {
        platform::dialogs().MessageBox(ChannelText(RowInputMaskError), ChannelText(RowError), MB_OK);
        FIdle = true;
        DeleteChannelObject();
        return false;
    }
    // One unit per address on a line: a second channel on it would poll and command the
    // same unit as the first.
    if (Settings.Interface == "RS485") {
        const AnsiString port = FChannelObject->GetPortName();
        const int address = FChannelObject->GetAddress();
        if (const int holder = BusAddressHolder(port, address, FChannel)) {
            FIdle = true;
            DeleteChannelObject();
            // A channel still being identified has not connected to the unit yet.
            const CChannelSession* other = Of(holder);
            platform::dialogs().MessageBox(
                ChannelText(other->IsConnected() ? RowBusAddressInUse : RowBusAddressBeingIdentified,
                            {IntToStr(address), port, other->ChannelName()}),
                ChannelText(RowError), MB_OK);
            return false;
        }
    }
    // A unit on the network may take several connections, but two channels on one unit
    // poll and command it twice: the user decides, knowing which channel has it.
    if (const auto* tcp = dynamic_cast<const CTCPIP*>(FChannelObject.get()))
        if (const int holder = TcpUnitHolder(tcp->IPAddress, tcp->TCPPort, FChannel);
            holder != 0 &&
            !ChannelAskYesNo(ChannelText(RowAskConnectSameTcpUnit,
                                         {Of(holder)->ChannelName(), tcp->IPAddress + ":" + tcp->TCPPort}))) {
            FIdle = true;
            DeleteChannelObject();
            return false;
        }
    if (FChannelObject->Open() != 1) {
        // The channel object has told the user why.
        FIdle = true;
        DeleteChannelObject();
        return false;
    }
    FChannelObject->ResumeIdentification();
    return true;
}

void CChannelSession::OnConnectionEstablished(int, int result)
{
    NOX_ASSERT_UI_THREAD();
    if (!FChannelObject) return;
    if (result != 1) {
        SetMemo(TSessionMemo::Connections, {});
        SetMemo(TSessionMemo::Info, {});
        FIdle = true;
        FCleanupPending = true;
        FChannelObject->Close(1);
        if (OnConnectionResult) OnConnectionResult(0);
        return;
    }

    MakeDataFileName();
    FConnected = true;
    SetupGraphAxes();

    const AnsiString address = IntToStr(FChannelObject->GetAddress());
    const AnsiString status =
        CTolvarProtocol::BuildDeviceFrame("[M" + address + "G0D******", FChannelObject->GetAddress());
    const AnsiString outputs =
        CTolvarProtocol::BuildDeviceFrame("[M" + address + "C14*************", FChannelObject->GetAddress());
    FChannelObject->SetPollCommands(status, int(status.size()), 24, FChannel, int(outputs.size()), outputs);

    const std::size_t slash = FDataFileShortName.rfind('/');
    if (slash != AnsiString::npos) FDataFileShortName = FDataFileShortName.substr(slash + 1);

    AddMemoLine(TSessionMemo::Info, ChannelText(RowFileName));
    AddMemoLine(TSessionMemo::Info, FFirstPartFileName);
    AddMemoLine(TSessionMemo::Info, ChannelText(RowSerialNumberLabel));
    AddMemoLine(TSessionMemo::Info, IntToStr(std::int64_t(FSerialNumber)));
    FTitleLines.push_back(ChannelText(RowCurrentFileName) + FDataFileShortName + "_" + IntToStr(FChannel) + "1.csv");
    FTitleLines.push_back(ChannelText(RowSerialNumberLabel) + IntToStr(std::int64_t(FSerialNumber)));
    TitleChanged();

    StartTimeAxis();
    if (OnConnectionResult) OnConnectionResult(1);
    if (FChannelObject) FChannelObject->StartPolling(FChannel);
}

void CChannelSession::MakeDataFileName()
{
    if (!FSerialNumberAsked) {
        if (OnAskSerialNumber) {
            FSerialNumber = std::uint32_t(std::max(0, OnAskSerialNumber()));
        } else {
            AnsiString value = "00000";
            int number = 0;
            if (platform::dialogs().InputQuery(ChannelText(RowNotice), ChannelText(RowEnterSerialNumber), value) &&
                TryStrToInt(Trim(value), number) && number > 0)
                FSerialNumber = std::uint32_t(number);
        }
        FSerialNumberAsked = true;
    }
    for (;;) {
        platform::FileDialogRequest request;
        request.save = true;
        // The main window's save dialog, with its caption in the program's language.
        request.title = ChannelText(RowSaveDataFile);
        request.filter = ChannelText(RowSaveDataFileFilter);
        request.fileName = FSerialNumber ? IntToStr(std::int64_t(FSerialNumber)) : AnsiString("default");
        // The part files are checked below; the chosen name itself is never written.
        request.overwritePrompt = false;
        if (platform::ChooseFile(request, platform::TFileKind::DataFile) && !request.fileName.empty()) {
            ChooseDataFileBase(request.fileName);
        } else {
            const AnsiString folder = DefaultDataFolder.empty() ? QDir::homePath().toStdString() : DefaultDataFolder;
            ChooseDataFileBase(folder + "/default");
        }
        // Looked for off this thread: a folder that stopped answering holds no channel's ticks,
        // and a file that cannot be looked for in time is not asked about.
        const AnsiString first = FFirstPartFileName;
        platform::TFileLook look([first] {
            platform::FileAccessPoint(first, false);
            return FileExists(first) ? std::string("exists") : std::string();
        });
        const bool exists = look.WaitRunning(platform::FolderPatienceMs()) && !look.Answer().empty();
        if (!exists || ChannelAskYesNo(ChannelText(RowAskOverwriteFile))) break;
    }
}

void CChannelSession::ChooseDataFileBase(const AnsiString& chosen)
{
    // "run.csv" records into run_11.csv, not run.csv_11.csv.
    AnsiString base = chosen;
    while (base.size() > 4 && UpperCase(base.substr(base.size() - 4)) == ".CSV") base.resize(base.size() - 4);
    FDataFileBase = base;
    FDataFileShortName = base;
    FFirstPartFileName = DataFileNameForPart(base + ".csv", FChannel, 1);
}

std::vector<int> CChannelSession::BusAddressesInUse(const AnsiString& port, int exceptChannel)
{
    std::vector<int> addresses;
    for (int c = 1; c <= MaxChannels; ++c)
        if (CChannelSession* s = Of(c); s && c != exceptChannel && s->UsesBus(port))
            addresses.push_back(s->FChannelObject->GetAddress());
    return addresses;
}

int CChannelSession::BusAddressHolder(const AnsiString& port, int address, int exceptChannel)
{
    for (int c = 1; c <= MaxChannels; ++c)
        if (CChannelSession* s = Of(c);
            s && c != exceptChannel && s->UsesBus(port) && s->FChannelObject->GetAddress() == address)
            return c;
    return 0;
}

int CChannelSession::TcpUnitHolder(const AnsiString& address, const AnsiString& port, int exceptChannel)
{
    for (int c = 1; c <= MaxChannels; ++c) {
        const CChannelSession* s = Of(c);
        if (!s || c == exceptChannel || s->FIdle) continue;
        if (const auto* tcp = dynamic_cast<const CTCPIP*>(s->FChannelObject.get());
            tcp && tcp->IPAddress == address && tcp->TCPPort == port)
            return c;
    }
    return 0;
}

bool CChannelSession::UsesBus(const AnsiString& port) const
{
    // A channel being identified holds its address as a connected one does. The bus is
    // known by its device, not by its name: a link and its target, a name typed another
    // way, or a stable name and the node an adapter came back under are one bus.
    if (FIdle || !FChannelObject || FChannelObject->GetTypeName() != "RS485") return false;
    return platform::SameSerialDevice(Trim(FChannelObject->GetPortName()), Trim(port));
}

bool CChannelSession::IsSharedBusPort(const AnsiString& port, int exceptChannel)
{
    return !BusAddressesInUse(port, exceptChannel).empty();
}

// ---------------------------------------------------------------- IChannelWindow

AnsiString CChannelSession::ControlText(TChannelControl control) const
{
    NOX_ASSERT_UI_THREAD();
    static const char* const stopBits[] = {"1", "1.5", "2"};
    static const char* const parities[] = {"NO", "ODD", "EVEN", "MARK"};
    switch (control) {
        case TChannelControl::cmbPort: return Settings.Port;
        case TChannelControl::cmbBaudrate: return Settings.BaudRate;
        case TChannelControl::cmbDataBits: return Settings.DataBits;
        case TChannelControl::cmbStopBits:
            return Settings.StopBits >= 0 && Settings.StopBits < 3 ? stopBits[Settings.StopBits] : "";
        case TChannelControl::cmbParity:
            return Settings.Parity >= 0 && Settings.Parity < 4 ? parities[Settings.Parity] : "";
        case TChannelControl::cmbActual: return Settings.Interval;
        case TChannelControl::cmbSlave: return Settings.Slave;
        case TChannelControl::edIPAddress: return Settings.IPAddress;
        case TChannelControl::edPort: return Settings.TCPPort;
    }
    return {};
}

int CChannelSession::ControlItemIndex(TChannelControl control) const
{
    NOX_ASSERT_UI_THREAD();
    switch (control) {
        case TChannelControl::cmbStopBits: return Settings.StopBits;
        case TChannelControl::cmbParity: return Settings.Parity;
        default: return 0;
    }
}

void CChannelSession::MemoAdd(TChannelMemo memo, const AnsiString& line)
{
    NOX_ASSERT_UI_THREAD();
    switch (memo) {
        case TChannelMemo::memSerialData: AddMemoLine(TSessionMemo::SerialData, line); break;
        case TChannelMemo::memConnections: AddMemoLine(TSessionMemo::Connections, line); break;
        case TChannelMemo::memInfo: AddMemoLine(TSessionMemo::Info, line); break;
    }
}

void CChannelSession::SetChartTitleFirstLine(const AnsiString& text)
{
    NOX_ASSERT_UI_THREAD();
    if (FTitleLines.empty())
        FTitleLines.push_back(text);
    else
        FTitleLines[0] = text;
    TitleChanged();
}

void CChannelSession::SetTitleLines(const std::vector<AnsiString>& lines)
{
    NOX_ASSERT_UI_THREAD();
    FTitleLines = lines;
    TitleChanged();
}

void CChannelSession::TitleChanged()
{
    if (OnTitleChanged) OnTitleChanged();
}

void CChannelSession::SetSeriesActive(int series, bool active)
{
    NOX_ASSERT_UI_THREAD();
    if (series < 0 || series >= ValueSeriesTotal || !FSeries[std::size_t(series)]) return;
    // The identification's groups decide which value series are recorded.
    FSeries[std::size_t(series)]->Tag = active ? 1 : 0;
    FSeries[std::size_t(series)]->SetActive(active);
}

void CChannelSession::SetSeriesShowInLegend(int series, bool show)
{
    NOX_ASSERT_UI_THREAD();
    if (series < 0 || series >= ValueSeriesTotal || !FSeries[std::size_t(series)]) return;
    FSeries[std::size_t(series)]->SetShowInLegend(show);
}

void CChannelSession::SetSamplingInterval(int seconds)
{
    NOX_ASSERT_UI_THREAD();
    // An interval the settings never stored must not give a 0-ms timer or divide by zero.
    FSamplingInterval = std::clamp(seconds, 1, 60);
}

void CChannelSession::SetSetpointLimits(double lower, double upper)
{
    NOX_ASSERT_UI_THREAD();
    FLowerSetpointLimit = lower;
    FUpperSetpointLimit = upper;
}

void CChannelSession::SetSerialNumber(std::uint32_t number)
{
    NOX_ASSERT_UI_THREAD();
    FSerialNumber = number;
    FSerialNumberAsked = true;
}

void CChannelSession::ReportOtherUnit(const AnsiString& message)
{
    NOX_ASSERT_UI_THREAD();
    ShowNotice(message, ChannelText(RowWarning), {});
}

// ---------------------------------------------------------------- memos

void CChannelSession::AddMemoLine(TSessionMemo memo, const AnsiString& added)
{
    NOX_ASSERT_UI_THREAD();
    // The event protocol's and the programmer's lines tell the time of the rows.
    const AnsiString line =
        memo == TSessionMemo::SerialData || memo == TSessionMemo::Protocol ? StampedOnRowsClock(added) : added;
    FMemos[std::size_t(memo)].push_back(line);
    if (memo == TSessionMemo::SerialData) ++FProtocolLines;
    if (memo != TSessionMemo::SerialData && memo != TSessionMemo::Connections) ++FMemoChanges;
    if (OnMemoLineAdded) OnMemoLineAdded(memo, line);
}

void CChannelSession::SetMemo(TSessionMemo memo, const std::vector<AnsiString>& lines)
{
    NOX_ASSERT_UI_THREAD();
    FMemos[std::size_t(memo)] = lines;
    if (memo == TSessionMemo::SerialData) FGrowProtocolLines = SIZE_MAX;  // all go to the file again
    if (memo != TSessionMemo::SerialData && memo != TSessionMemo::Connections) ++FMemoChanges;
    if (OnMemoReset) OnMemoReset(memo);
}

std::vector<AnsiString> CChannelSession::MemoLines(TDataFileMemo memo) const
{
    std::vector<AnsiString> lines = FMemos[std::size_t(memo)];
    if (memo == TDataFileMemo::SerialData && !FEndedLine.empty())
        lines.insert(lines.begin() + std::ptrdiff_t(std::min(FEndedLineAt, lines.size())), FEndedLine);
    return lines;
}
