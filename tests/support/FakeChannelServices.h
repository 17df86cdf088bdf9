#pragma once
// Fakes of the main window and the channel window, as the device layer sees them.
#include <map>
#include <mutex>
#include <vector>

#include "comm/CChannel.h"
#include "platform/Dialogs.h"
#include "resources/LanguageTable.h"

namespace testfakes {

class FakeChannelWindow : public IChannelWindow {
public:
    AnsiString ControlText(TChannelControl c) const override
    {
        auto it = texts.find(c);
        return it == texts.end() ? AnsiString() : it->second;
    }
    int ControlItemIndex(TChannelControl c) const override
    {
        auto it = indexes.find(c);
        return it == indexes.end() ? 0 : it->second;
    }
    void MemoAdd(TChannelMemo memo, const AnsiString& line) override
    {
        std::lock_guard<std::mutex> l(mutex);
        memos[memo].push_back(line);
    }
    void SetChartTitleFirstLine(const AnsiString& text) override { title = text; }
    void SetSeriesActive(int series, bool a) override { active.at(series) = a ? 1 : 0; }
    void SetSeriesShowInLegend(int series, bool s) override { legend.at(series) = s ? 1 : 0; }
    void SetupDeviceSeries(const AnsiString& name, int channel) override
    {
        setupNames.push_back(name);
        setupChannel = channel;
    }
    TZSocket* ZTCPSocket() override { return socket; }
    void SetSamplingInterval(int seconds) override { SamplingInterval = seconds; }
    void SetControlStatus(const AnsiString& status) override
    {
        ControlStatus = status;
        if (onControlStatus) onControlStatus();
    }
    void SetSetpointLimits(double lower, double upper) override
    {
        LowerSetpointLimit = lower;
        UpperSetpointLimit = upper;
    }
    double GetLowerSetpointLimit() const override { return LowerSetpointLimit; }
    double GetUpperSetpointLimit() const override { return UpperSetpointLimit; }
    void SetSerialNumber(std::uint32_t number) override
    {
        SerialNumber = number;
        SerialNumberAsked = 1;
    }
    void ReportOtherUnit(const AnsiString& message) override
    {
        std::lock_guard<std::mutex> l(mutex);
        otherUnitMessages.push_back(message);
    }
    void OnConnectionEstablished(int channel, int result) override
    {
        if (onConnectionEstablished) onConnectionEstablished(channel, result);
        std::lock_guard<std::mutex> l(mutex);
        results.push_back(result);
        resultChannel = channel;
    }

    std::vector<AnsiString> Memo(TChannelMemo m) const
    {
        std::lock_guard<std::mutex> l(mutex);
        auto it = memos.find(m);
        return it == memos.end() ? std::vector<AnsiString>() : it->second;
    }
    std::vector<int> Results() const
    {
        std::lock_guard<std::mutex> l(mutex);
        return results;
    }

    std::map<TChannelControl, AnsiString> texts;
    std::map<TChannelControl, int> indexes;
    std::map<TChannelMemo, std::vector<AnsiString>> memos;
    AnsiString title;
    std::vector<int> active = std::vector<int>(ValueCount, -1);  // -1: never set
    std::vector<int> legend = std::vector<int>(ValueCount, -1);
    std::vector<AnsiString> setupNames;
    int setupChannel = 0;
    std::vector<int> results;
    std::vector<AnsiString> otherUnitMessages;
    int resultChannel = 0;
    std::function<void(int, int)> onConnectionEstablished;
    std::function<void()> onControlStatus;  // while a status reply is decoded
    TZSocket* socket = nullptr;             // the window's socket component, when it has one
    int SamplingInterval = 5;
    AnsiString ControlStatus;
    double LowerSetpointLimit = -999.9;
    double UpperSetpointLimit = 999.9;
    std::uint32_t SerialNumber = 0;
    std::uint8_t SerialNumberAsked = 0;
    mutable std::mutex mutex;
};

// Main-window services with the text table's rows in both languages (a test may give a row
// another text).
class FakeApplicationServices : public IApplicationServices {
public:
    FakeApplicationServices()
    {
        rows = {
            {125, {"Fehler", "Error"}},
            {126, {"Fehler!", "Error!"}},
            {175, {"Zugriff auf serielle Schnittstelle nicht möglich!", "Serial port not accessible!"}},
            {176, {"Unbekannt", "Unknown"}},
            {177, {"Gerätename / Schnittstelle:", "Device name / interface:"}},
            {292, {"Geräteerkennung", "Device recognition"}},
            {294, {"Das Gerät wurde als ", "The device was identified as "}},
            {295, {" identifiziert.", ""}},
            {296, {"Die Sollwertgrenzen des Geräts lauten:", "The setpoint limits of the device are:"}},
            {297, {"  obere Grenze: ", "  upper limit: "}},
            {298, {"  untere Grenze: ", "  lower limit: "}},
            {299,
             {"Das Gerät unterstützt die QDK-Befehle G, V und L.", "The device supports the QDK commands G, V and L."}},
            {302, {"Geräteerkennung fehlgeschlagen.", "Device recognition failed."}},
            {303, {"Bitte überprüfen Sie die folgenden Punkte:", "Please check the following things:"}},
            {304, {" - eingestellte Baudrate", " - selected baud rate"}},
            {305, {" - die Anschlüsse des Verbindungskabels", " - the connectivity of the data cable"}},
            {306, {" - eingestellte Slave Adresse am Gerät", " - selected slave address at the device"}},
            {307, {" - RS232 oder RS485 Modus am Gerät", " - RS232 or RS485 interface mode at the device"}},
            {395, {"Das Gerät unterstützt die QDK-Befehle:", "The device supports the QDK commands:"}},
            {409, {"Die Seriennummer des Geräts lautet: ", "Serial number of the device: "}},
            {424,
             {" - für RS232-Verbindung muss die Slave Adresse 1 gewählt werden",
              " - for RS232 interface mode, slave address 1 has to be selected"}},
        };
    }
    int LanguageIndex() const override { return language; }
    AnsiString LookupText(int lang, int row) const override
    {
        auto it = rows.find(row);
        if (it != rows.end()) return lang == 0 ? it->second.first : it->second.second;
        // The rest as the table has them.
        if (row < 0 || row >= resources::LanguageTableRows || lang < 0 || lang > 1)
            return "<row " + IntToStr(row) + ">";
        return AnsiString(resources::LanguageTable[resources::LanguageTableColumns * row + lang]);
    }
    int MessageBox(const AnsiString& text, const AnsiString& caption, int flags) override
    {
        return platform::dialogs().MessageBox(text, caption, flags);
    }
    IChannelWindow* ChannelWindow(int channel) override { return windows[channel]; }
    bool IsChannelOpen(int channel) const override { return windows[channel] != nullptr; }
    int CurrentChannel() const override { return current; }
    void ProcessMessages() override { ++processed; }

    int language = 1;
    int current = 0;
    int processed = 0;
    IChannelWindow* windows[MaxChannels + 1] = {};
    std::map<int, std::pair<AnsiString, AnsiString>> rows;
};

// Installs the fake services and one window per listed channel for one test; takes
// everything down again at the end.
class ServicesScope {
public:
    ServicesScope() : previous_(ApplicationServices()) { SetApplicationServices(&services); }
    ~ServicesScope()
    {
        SetApplicationServices(previous_);
        for (auto& p : ChannelObjects) p = nullptr;
        for (auto& p : TransceiverThreads) p = nullptr;
    }
    FakeChannelWindow& Window(int channel)
    {
        auto& w = ownWindows[channel];
        services.windows[channel] = &w;
        return w;
    }
    FakeApplicationServices services;
    std::map<int, FakeChannelWindow> ownWindows;

private:
    IApplicationServices* previous_;
};

}  // namespace testfakes
