#include "comm/CIdentification.h"

#include "comm/CChannel.h"
#include "comm/ChannelServices.h"
#include "comm/CommTiming.h"
#include "platform/FormatSettings.h"
#include "platform/UiThread.h"
#include "resources/TextRows.h"

using namespace resources;

namespace {

struct StageInfo {
    int row;
    const char* code;  // letter, or the two-character code of a sensor block
    const char* listed;
};

// In stage order V F G L S1 S2 S3 C P.
const StageInfo kStages[9] = {
    {1, "V", " V"},   {8, "F", " F"},   {0, "G", " G"}, {6, "L", " L"}, {2, "S1", " S1"},
    {3, "S2", " S2"}, {4, "S3", " S3"}, {5, "C", " C"}, {7, "P", " P"},
};

constexpr std::uint32_t clGreen = 0x008000;
constexpr std::uint32_t clRed = 0x0000FF;
constexpr std::uint32_t clWhite = 0xFFFFFF;

const char* const kDegrees =
    " \xC2\xB0"
    "C";

}  // namespace

CIdentification::CIdentification(bool createSuspended)
{
    if (!createSuspended) Resume();
}

CIdentification::~CIdentification()
{
    Terminate();
    WaitFor();
    FreeWindow();
}

void CIdentification::FreeWindow()
{
    delete Window.data();
    Window = nullptr;
}

void CIdentification::CreateProtocol(int channel)
{
    Protocol = std::make_unique<CTolvarProtocol>(channel);
    Protocol->BuildCommandTable();
}

int CIdentification::ChannelNumber() const
{
    return StrToIntDef(ChannelText, 0);
}

CChannel* CIdentification::ChannelObject() const
{
    int c = ChannelNumber();
    return (c >= 1 && c <= MaxChannels) ? ChannelObjects[c] : nullptr;
}

void CIdentification::LoadStage(int row)
{
    if (!Protocol) return;
    Frame = Protocol->GetEntry(row, 0);
    FrameLength = StrToIntDef(Protocol->GetEntry(row, 1), 0);
    ReplyLength = StrToIntDef(Protocol->GetEntry(row, 2), 0);
}

void CIdentification::Execute()
{
    try {
        while (!Terminated()) {
            if (StartRequested == 1) {
                StartRequested = 0;
                RunStages();
                Terminate();
            } else {
                Pause(comm::Timing().IdentificationStepMs);
            }
        }
    } catch (...) {
        comm::ShowThreadException();
        FinishAfterException();
    }
}

void CIdentification::RunStages()
{
    const int pause = comm::Timing().IdentificationStepMs;
    // A step does nothing once the thread was asked to stop (on the user-interface thread,
    // before the channel goes away).
    auto Step = [this](const std::function<void()>& fn) {
        CCommThread::Step([&] {
            if (!Terminated()) fn();
        });
    };
    for (int s = stV; s <= stP; ++s) {
        Stage stage = static_cast<Stage>(s);
        Step([this, stage] { SetUp(stage); });
        if (!Pause(pause)) return;
        for (int t = 0; t < 3; ++t) {
            Try(stage);
            if (!Pause(pause)) return;
        }
        Step([this, stage] { Evaluate(stage); });
        if (!Pause(pause)) return;
    }
    while (OkPressed == 0) {
        Step([this] { PollOkButton(); });
        if (!Pause(pause)) return;
    }
    Step([this] { Finish(); });
}

void CIdentification::SetUp(Stage s)
{
    NOX_ASSERT_UI_THREAD();
    if (s == stV) {
        QWidget* owner = nullptr;
        if (IApplicationServices* a = ApplicationServices()) owner = a->MainWindowWidget();
        FreeWindow();
        Window = new TfrmIdentification(owner);
        Window->SetCaption(LookupText(RowDeviceRecognition));
        Window->SetOkEnabled(false);
        Window->MemoClear();
        Window->SetPosition(0);
        Window->Tag = ChannelNumber();
        Window->show();
        SupportedList = LookupText(RowSupportsCommands);
    } else if (Ended()) {
        return;
    }
    FailCount = 0;
    GoodReply.clear();
    LoadStage(kStages[s].row);
}

void CIdentification::Try(Stage s)
{
    if (s != stV && Ended()) return;
    CChannel* channel = ChannelObject();
    if (!channel) {
        ++FailCount;
        return;
    }
    const StageInfo& info = kStages[s];
    int result =
        info.code[1]
            ? channel->QuerySub(info.code, ChannelNumber(), Frame, FrameLength, ReplyLength, Window.data(), Reply)
            : channel->Query(info.code[0], ChannelNumber(), Frame, FrameLength, ReplyLength, Window.data(), Reply);
    if (result == 0) GoodReply = Reply;
    FailCount = static_cast<std::int8_t>(FailCount + result);
}

void CIdentification::Evaluate(Stage s)
{
    NOX_ASSERT_UI_THREAD();
    if (s == stP && Window) Window->FocusOk();
    if (s != stV && Ended()) return;
    CChannel* channel = ChannelObject();
    if (!channel) {
        ShowFailure();
        return;
    }
    const int ch = ChannelNumber();
    StageGood = FailCount < 2 ? 1 : 0;
    auto memo = [this](const AnsiString& line) {
        if (Window) Window->MemoAdd(line);
    };
    auto decode = [&] { channel->OnReply(this, GoodReply, ch); };
    // A stage whose command joins the poll cycle: its series group shows, its answer is
    // decoded and the stage is listed as supported.
    auto polled = [&](char letter, int group) {
        channel->QueueCommand(letter, Frame, ReplyLength, ch);
        channel->ShowSeriesGroup(group, ch, true, true);
        decode();
        SupportedList += kStages[s].listed;
    };
    auto earlySuccess = [&] {
        if (Window) Window->SetResult(1);
        memo(LookupText(RowSupportsGVL));
        ShowSuccess();
    };

    switch (s) {
        case stV:
            if (!StageGood) {
                ShowFailure();
                break;
            }
            decode();
            memo(LookupText(RowDeviceIdentifiedAs) + channel->GetDeviceName() + LookupText(RowIdentified));
            SupportedList += kStages[s].listed;
            break;
        case stF:
            if (!StageGood) break;
            decode();
            // An answer that could not be read gives no number; the line must not look
            // like one.
            if (channel->LastReplyDecoded() && !channel->GetDeviceNumber().empty())
                memo(LookupText(RowSerialNumberIs) + channel->GetDeviceNumber());
            else
                memo(LookupText(RowNoSerialNumberReported));
            SupportedList += kStages[s].listed;
            break;
        case stG:
            if (!StageGood) {
                ShowFailure();
                break;
            }
            polled('G', 0);
            break;
        case stL:
            if (!StageGood) break;
            decode();
            if (channel->LastReplyDecoded()) {
                memo(LookupText(RowSetpointLimitsAre));
                memo(LookupText(RowUpperLimit) + FloatToStr(channel->GetUpperLimit(ch)) + kDegrees);
                memo(LookupText(RowLowerLimit) + FloatToStr(channel->GetLowerLimit(ch)) + kDegrees);
            } else {
                // The checks keep their wide defaults; they are no limits of the unit.
                memo(LookupText(RowNoSetpointLimitsReported));
            }
            SupportedList += kStages[s].listed;
            break;
        case stS1:
        case stS2:
        case stS3:
            if (!StageGood) {
                earlySuccess();
                break;
            }
            polled('S', s == stS1 ? 2 : s == stS2 ? 3 : 4);
            break;
        case stC:
            if (!StageGood) {
                channel->ShowSeriesGroup(5, ch, false, false);
                break;
            }
            polled('C', 5);
            break;
        case stP:
            if (StageGood) {
                // Decoded like every other answered stage: the recording's first point is
                // taken before the first poll cycle and would otherwise hold zeros.
                polled('P', 7);
                ShowSuccess();
                memo(SupportedList);
            } else {
                memo(SupportedList);
                channel->ShowSeriesGroup(7, ch, false, false);
                ShowSuccess();
            }
            break;
    }
    if (s == stP && Window) Window->FocusOk();
}

void CIdentification::ShowSuccess()
{
    if (Window) {
        Window->SetResult(1);
        ShowOutcome(clGreen);
    }
    Succeeded = 1;
}

// The window shows the finished check in the outcome's colour and waits for OK.
void CIdentification::ShowOutcome(std::uint32_t color)
{
    Window->SetMemoColors(color, clWhite);
    Window->SetPosition(Window->Max());
    Window->SetOkEnabled(true);
    Window->show();
    Window->raise();
}

void CIdentification::ShowFailure()
{
    if (Window) {
        Window->SetResult(0);
        Window->MemoClear();
        // A connection that never came up has its reason; the check list is about cables
        // and line settings.
        CChannel* channel = ChannelObject();
        const AnsiString reason = channel ? channel->ConnectionFailureText() : AnsiString();
        if (!reason.empty()) {
            Window->MemoAdd(LookupText(RowRecognitionFailed));
            Window->MemoAdd(reason);
        } else {
            for (int row : {RowRecognitionFailed, RowPleaseCheck, RowCheckBaudRate, RowCheckCable, RowCheckSlaveAddress,
                            RowCheckRS232Address, RowCheckInterfaceMode})
                Window->MemoAdd(LookupText(row));
        }
        Window->ShowFirstLine();
        ShowOutcome(clRed);
    }
    Failed = 1;
}

void CIdentification::PollOkButton()
{
    NOX_ASSERT_UI_THREAD();
    if (Window) OkPressed = Window->GetOkPressed();
    if (IApplicationServices* a = ApplicationServices()) a->ProcessMessages();
}

void CIdentification::Finish()
{
    NOX_ASSERT_UI_THREAD();
    if (finished_.exchange(true)) return;
    if (Window) {
        Result = Window->GetResult();
        Window->hide();
    }
    Protocol.reset();
    FreeWindow();
    if (CChannel* channel = ChannelObject()) channel->IdentificationDone(ChannelNumber(), Result);
}

void CIdentification::FinishAfterException()
{
    try {
        Step([this] {
            if (Window) Window->SetResult(0);
            Result = 0;
            Failed = 1;
            Finish();
        });
    } catch (...) {}
}
