#pragma once
// The thread that identifies the unit behind a freshly opened channel: nine stages, three
// tries each, with the outcome shown in its window and reported to the channel object.
// The tries' exchanges run on this thread; window, memo, series and channel work runs on
// the user-interface thread.
#include <atomic>
#include <cstdint>
#include <memory>

#include <QPointer>

#include "comm/CCommThread.h"
#include "comm/CTolvarProtocol.h"
#include "comm/TfrmIdentification.h"
#include "platform/AnsiString.h"

class CChannel;

class CIdentification : public comm::CCommThread {
public:
    explicit CIdentification(bool createSuspended = true);
    ~CIdentification() override;

    void CreateProtocol(int channel);
    void LoadStage(int row);
    void ShowSuccess();
    void ShowFailure();
    void PollOkButton();
    void Finish();

    // The window while the identification runs (nullptr before the first stage and after
    // the end).
    TfrmIdentification* IdentificationWindow() const { return Window.data(); }

    std::unique_ptr<CTolvarProtocol> Protocol;
    // Owned: freed by Finish or with the thread. The main window, its Qt parent, may free
    // it first when it closes; the guarded pointer then reads null.
    QPointer<TfrmIdentification> Window;
    AnsiString ChannelText;
    AnsiString Reply;
    AnsiString GoodReply;  // reply of the last try of the stage that passed
    AnsiString SupportedList;
    AnsiString Frame;
    int FrameLength = 0;
    int ReplyLength = 0;
    std::atomic<std::uint8_t> OkPressed{0};
    std::atomic<std::uint8_t> Failed{0};
    std::atomic<std::uint8_t> Succeeded{0};
    std::uint8_t Result = 0;
    std::atomic<std::uint8_t> StartRequested{0};
    std::int8_t FailCount = 0;
    std::int8_t StageGood = 0;

protected:
    void Execute() override;

private:
    void ShowOutcome(std::uint32_t color);
    enum Stage { stV, stF, stG, stL, stS1, stS2, stS3, stC, stP };
    void RunStages();
    void SetUp(Stage s);
    void Try(Stage s);
    void Evaluate(Stage s);
    bool Ended() const { return Failed == 1 || Succeeded == 1; }
    int ChannelNumber() const;
    CChannel* ChannelObject() const;
    // Reports a failure when the run broke off with an exception.
    void FinishAfterException();
    void FreeWindow();

    std::atomic<bool> finished_{false};
};
