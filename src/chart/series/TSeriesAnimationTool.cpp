#include "chart/series/TSeriesAnimationTool.h"

#include <QTimer>
#include <algorithm>

#include "chart/engine/TChartValueList.h"
#include "chart/engine/TeeProCo.h"
#include "platform/ScopedValue.h"

namespace {

class TEventLoopTimer : public TAnimationTimer {
public:
    TEventLoopTimer() { FTimer.setInterval(0); }
    void Start(std::function<void()> Tick) override
    {
        QObject::disconnect(&FTimer, nullptr, nullptr, nullptr);
        QObject::connect(&FTimer, &QTimer::timeout, std::move(Tick));
        FTimer.start();
    }
    void Stop() override { FTimer.stop(); }

private:
    QTimer FTimer;
};

}  // namespace

TSeriesAnimationTool::TSeriesAnimationTool(QObject* owner)
    : TTeeCustomToolSeries(owner), FTimer(std::make_unique<TEventLoopTimer>())
{}

TSeriesAnimationTool::~TSeriesAnimationTool()
{
    if (FRunning) Finish();
}

AnsiString TSeriesAnimationTool::Description() const
{
    return TeeMsg_SeriesAnimTool;
}

void TSeriesAnimationTool::SetTimer(std::unique_ptr<TAnimationTimer> Timer)
{
    if (!Timer) return;
    if (FRunning) FTimer->Stop();
    FTimer = std::move(Timer);
    if (FRunning) FTimer->Start([this] { Tick(); });
}

int TSeriesAnimationTool::GroupCount() const
{
    const int count = FRunSeries ? FRunSeries->Count() : 0;
    if (FDrawEvery <= 0) return count > 0 ? 1 : 0;
    return count / FDrawEvery + (count % FDrawEvery != 0 ? 1 : 0);
}

void TSeriesAnimationTool::RepaintSeries()
{
    if (FRunSeries) FRunSeries->Repaint();
}

void TSeriesAnimationTool::Execute()
{
    if (!FSeries || FRunning) return;
    QObject* copy = FSeries->metaObject()->newInstance(Q_ARG(QObject*, nullptr));
    auto* backup = qobject_cast<TChartSeries*>(copy);
    if (!backup) {
        delete copy;
        backup = new TChartSeries;
    }
    FBackup.reset(backup);
    FBackup->AssignValues(FSeries);
    FRunSeries = FSeries;
    FRunSeries->BeginUpdate();
    FRunning = true;
    FStopAsked = false;
    FForward = true;
    StartPass();
    FTimer->Start([this] { Tick(); });
}

void TSeriesAnimationTool::StartPass()
{
    TChartValueList* V = FRunSeries->MandatoryValueList();
    FStart = FStartAtMin ? V->MinValue() : FStartValue;
    for (int i = 0; i < V->Count(); ++i) V->SetValue(i, FStart);
    FGroup = 0;
    FStep = 0;
    RepaintSeries();
}

void TSeriesAnimationTool::RestoreValues()
{
    TChartValueList* V = FRunSeries->MandatoryValueList();
    TChartValueList* B = FBackup->MandatoryValueList();
    for (int i = 0; i < V->Count() && i < B->Count(); ++i) V->SetValue(i, B->Value(i));
    RepaintSeries();
}

void TSeriesAnimationTool::Tick()
{
    if (!FRunning) return;
    // The series went away during the run: nothing is left to animate or restore.
    if (!FRunSeries) {
        Finish();
        return;
    }
    TChartValueList* V = FRunSeries->MandatoryValueList();
    TChartValueList* B = FBackup->MandatoryValueList();
    const int count = std::min(V->Count(), B->Count());
    const int steps = std::max(1, FSteps);
    const int groups = GroupCount();
    if (FGroup < groups) {
        const int first = FDrawEvery <= 0 ? 0 : FGroup * FDrawEvery;
        const int last = FDrawEvery <= 0 ? count - 1 : std::min(count - 1, first + FDrawEvery - 1);
        const double f = double(FStep) / steps;
        for (int i = first; i <= last; ++i)
            V->SetValue(i,
                        FForward ? f * B->Value(i) + FStart * (1 - f) : (double(steps - FStep) / steps) * B->Value(i));
        if (OnStep) {
            const TScopedValue inStep(FInTick, true);
            OnStep(this, FStep);
        }
        RepaintSeries();
        if (FStopAsked || !FRunSeries) {
            Finish();
            return;
        }
        if (++FStep > steps) {
            FStep = 0;
            ++FGroup;
        }
        if (FGroup < groups) return;
    }
    // The end of a pass.
    RestoreValues();
    if (FLoop == salNo) {
        Finish();
        return;
    }
    if (FLoop == salCircular) FForward = !FForward;
    StartPass();
}

void TSeriesAnimationTool::Stop()
{
    if (!FRunning) return;
    if (FInTick)
        FStopAsked = true;
    else
        Finish();
}

void TSeriesAnimationTool::Finish()
{
    FTimer->Stop();
    FRunning = false;
    FStopAsked = false;
    if (FRunSeries) {
        RestoreValues();
        FRunSeries->EndUpdate();
    }
    FRunSeries = nullptr;
    FBackup.reset();
}
