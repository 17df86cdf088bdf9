#pragma once
// Animates a series: its values grow from a start value to their real values in steps,
// group by group. The steps come from a timer, so the window stays alive and paints in
// between; afterwards the series holds exactly its former values again.
#include <QPointer>
#include <functional>
#include <memory>

#include "chart/engine/TTeeCustomTool.h"
#include "chart/series/TeeToolEnums.h"

class TSeriesAnimationTool;
using TSeriesAnimationStep = std::function<void(TSeriesAnimationTool* Sender, int Step)>;

// Paces the steps of an animation. The default runs a step whenever the event loop is
// free; tests install their own and tick it themselves.
class TAnimationTimer {
public:
    virtual ~TAnimationTimer() = default;
    virtual void Start(std::function<void()> Tick) = 0;
    virtual void Stop() = 0;
};

class TSeriesAnimationTool : public TTeeCustomToolSeries {
    Q_OBJECT
    Q_PROPERTY(int DrawEvery READ GetDrawEvery WRITE SetDrawEvery)
    Q_PROPERTY(ToolEnums::TSeriesAnimationLoop Loop READ GetLoop WRITE SetLoop)
    Q_PROPERTY(bool StartAtMin READ GetStartAtMin WRITE SetStartAtMin)
    Q_PROPERTY(double StartValue READ GetStartValue WRITE SetStartValue)
    Q_PROPERTY(int Steps READ GetSteps WRITE SetSteps)
public:
    Q_INVOKABLE explicit TSeriesAnimationTool(QObject* owner = nullptr);
    // A running animation ends with the series' values restored.
    ~TSeriesAnimationTool() override;

    AnsiString GetEditorClass() const override { return "TSeriesAnimToolEditor"; }
    AnsiString Description() const override;

    // Starts the animation of Series; nothing without a series or while one runs.
    virtual void Execute();
    bool Running() const { return FRunning; }
    // Ends the running animation; the series gets its values back.
    void Stop();
    // Replaces the timer that paces the steps (the default: one step per free turn of the
    // event loop).
    void SetTimer(std::unique_ptr<TAnimationTimer> Timer);

    int GetDrawEvery() const { return FDrawEvery; }
    void SetDrawEvery(int value) { FDrawEvery = value; }
    TSeriesAnimationLoop GetLoop() const { return FLoop; }
    void SetLoop(TSeriesAnimationLoop value) { FLoop = value; }
    bool GetStartAtMin() const { return FStartAtMin; }
    void SetStartAtMin(bool value) { FStartAtMin = value; }
    double GetStartValue() const { return FStartValue; }
    void SetStartValue(double value) { FStartValue = value; }
    // Below 1 a run takes 1 step.
    int GetSteps() const { return FSteps; }
    void SetSteps(int value) { FSteps = value; }

    TSeriesAnimationStep OnStep;

private:
    void StartPass();
    void Tick();
    // Puts the values back, ends the series' update and drops the backup.
    void Finish();
    void RestoreValues();
    void RepaintSeries();
    int GroupCount() const;

    int FDrawEvery = 0;
    TSeriesAnimationLoop FLoop = salNo;
    bool FStartAtMin = true;
    double FStartValue = 0;
    int FSteps = 100;

    std::unique_ptr<TAnimationTimer> FTimer;
    QPointer<TChartSeries> FRunSeries;
    std::unique_ptr<TChartSeries> FBackup;
    bool FRunning = false;
    bool FInTick = false;
    bool FStopAsked = false;
    bool FForward = true;
    double FStart = 0;
    int FGroup = 0;
    int FStep = 0;
};
