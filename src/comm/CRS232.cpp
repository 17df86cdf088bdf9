#include "comm/CRS232.h"

#include <sys/stat.h>

#include <algorithm>
#include <vector>

#include "comm/CIdentification.h"
#include "comm/CTransceiver.h"
#include "comm/CommTiming.h"
#include "platform/SerialPort.h"
#include "platform/UiDispatcher.h"
#include "resources/TextRows.h"

using namespace resources;

const int CRS232::BaudRates[6] = {19200, 14400, 9600, 4800, 2400, 1200};
const int CRS232::SamplingIntervals[7] = {1, 3, 5, 10, 20, 30, 60};

bool IsSerialDevicePath(const AnsiString& path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

CRS232::CRS232(int channel) : CChannel(channel) {}

std::vector<AnsiString> CRS232::PortList()
{
    return platform::ListSerialPorts();
}

CRS232::~CRS232()
{
    StopThreads();
    if (Handle) Handle->Close();
    Handle.reset();
    if (ChannelObjects[Channel()] == this) ChannelObjects[Channel()] = nullptr;
}

CTransceiverRS232* CRS232::PollThread() const
{
    return dynamic_cast<CTransceiverRS232*>(TransceiverThreads[Channel()]);
}

int CRS232::ReadSettings()
{
    return ReadLineSettings(Window()) ? 1 : 0;
}

int CRS232::Open()
{
    // A second attempt on the same object starts clean.
    StopThreads();
    if (Handle) Handle->Close();
    Handle.reset();

    const comm::TSerialLinkSettings settings = LinkSettings();
    AnsiString reason;
    std::shared_ptr<comm::IByteLink> link;
    if (comm::SerialLinks()) link = comm::SerialLinks()(settings, reason);
    if (!link) {
        ReportPortNotAccessible(settings.PortName, reason);
        return 0;
    }
    Handle = link;
    stopExchanges_ = false;

    poll_ = std::make_unique<CTransceiverRS232>(this, Channel(), Handle);
    poll_->LinkSettings = settings;
    poll_->OnLinkReplaced = [this](const std::shared_ptr<comm::IByteLink>& reopened) { Handle = reopened; };
    EnterPollThread(poll_.get(), PollInterval, 1);

    return OpenDone(PollInterval);
}

void CRS232::StopThreads()
{
    stopExchanges_ = true;
    // Both threads are stopped and joined; from inside one of their own steps (the
    // identification's finish starts polling) the join is left until they have ended.
    ReleaseThreads(std::move(poll_));
}

void CRS232::Close(int mode)
{
    CTransceiverRS232* poll = PollThread();
    if (!poll || poll != poll_.get()) {
        if (mode == 1 || mode == 3 || mode == 4) {
            StopThreads();
            if (Handle) Handle->Close();
            Handle.reset();
        }
        return;
    }
    if (mode == 2 || mode == 3) poll->Terminate();
    StopThreads();  // the port is never closed under a running thread
    if (mode == 1 || mode == 3 || mode == 4) {
        if (Handle) Handle->Close();
        Handle.reset();
    }
}

AnsiString CRS232::DirectExchange(const AnsiString& frame, int frameLength, int replyLength, TfrmIdentification* window)
{
    AnsiString reply;
    if (Handle) {
        const std::size_t wanted = static_cast<std::size_t>(std::clamp(replyLength, 0, CTransceiver::MaxReplyLength));
        std::vector<char> buffer(wanted + 1);
        int count = -1;
        // The read's end is fixed as the frame goes out.
        const std::int64_t sent = Handle->Purge() ? comm::SteadyMs() : -1;
        if (sent >= 0 && Handle->Write(frame.substr(0, static_cast<std::size_t>(std::max(0, frameLength)))))
            count = comm::ReadUntil(*Handle, buffer.data(), wanted, sent + std::max(0, comm::Timing().ReadTimeoutMs),
                                    [this] { return stopExchanges_.load(); });
        if (count > 0) reply.assign(buffer.data(), static_cast<std::size_t>(count));
    }
    if (window) platform::UiDispatcher::Instance().Send([window] { window->StepIt(); });
    return reply;
}
