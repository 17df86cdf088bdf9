#pragma once
// A mouse drag on the chart (TZoomPanning) and the zoom settings with the pen and brush of
// the rubber-band rectangle (TTeeZoom).
#include "chart/engine/TChartBrush.h"
#include "chart/engine/TChartPen.h"
#include "chart/engine/TeePanelTypes.h"
#include "platform/TPersistent.h"

class TZoomPanning : public TPersistent {
    Q_OBJECT
public:
    using TPersistent::TPersistent;
    // Starts a drag at (X, Y).
    void Activate(int X, int Y);
    // Orders the corners: X0 <= X1 and Y0 <= Y1.
    void Check();

    bool Active = false;
    int X0 = 0, Y0 = 0, X1 = 0, Y1 = 0;
};

// White, and white stays its default colour.
class TTeeZoomPen : public TChartPen {
    Q_OBJECT
public:
    explicit TTeeZoomPen(const TNotifyEvent& OnChangeEvent = {}, QObject* parent = nullptr);
};

// White with style clear.
class TTeeZoomBrush : public TChartBrush {
    Q_OBJECT
public:
    explicit TTeeZoomBrush(const TNotifyEvent& OnChangeEvent = {}, QObject* parent = nullptr);
    bool IsPropertyStored(const char* Name) const override;
};

class TTeeZoom : public TZoomPanning {
    Q_OBJECT
    Q_PROPERTY(bool Allow MEMBER Allow)
    Q_PROPERTY(bool Animated MEMBER Animated)
    Q_PROPERTY(int AnimatedSteps READ GetAnimatedSteps WRITE SetAnimatedSteps)
    Q_PROPERTY(TTeeZoomBrush* Brush READ GetBrush WRITE SetBrush)
    Q_PROPERTY(teepanel::TTeeZoomDirection Direction MEMBER Direction)
    Q_PROPERTY(int KeyShift MEMBER KeyShift)
    Q_PROPERTY(int MinimumPixels MEMBER MinimumPixels)
    Q_PROPERTY(int MouseButton READ GetMouseButtonInt WRITE SetMouseButtonInt)
    Q_PROPERTY(TTeeZoomPen* Pen READ GetPen WRITE SetPen)
    Q_PROPERTY(bool UpLeftZooms MEMBER UpLeftZooms)
public:
    explicit TTeeZoom(QObject* parent = nullptr);
    ~TTeeZoom() override;
    // Copies everything but MinimumPixels and UpLeftZooms.
    void Assign(TPersistent* Source) override;
    bool IsPropertyStored(const char* Name) const override;

    // Created on first read; setting copies into the own object, null frees it.
    TTeeZoomBrush* GetBrush();
    void SetBrush(TChartBrush* value);
    TTeeZoomPen* GetPen();
    void SetPen(TChartPen* value);
    // The objects if they exist (not created).
    TTeeZoomBrush* StoredBrush() const { return FBrush; }
    TTeeZoomPen* StoredPen() const { return FPen; }

    // Every step of an animated zoom is a repaint of its own: the steps are kept to 1..100.
    static constexpr int MaxAnimatedSteps = 100;
    int GetAnimatedSteps() const { return AnimatedSteps; }
    void SetAnimatedSteps(int Value);

    bool Allow = true;
    bool Animated = false;
    int AnimatedSteps = 8;
    TTeeZoomDirection Direction = tzdBoth;
    TShiftState KeyShift = 0;
    int MinimumPixels = 16;
    TMouseButton MouseButton = mbLeft;
    bool UpLeftZooms = false;
    // Called when the pen or brush changes.
    TNotifyEvent OnChange;

private:
    int GetMouseButtonInt() const { return int(MouseButton); }
    void SetMouseButtonInt(int v) { MouseButton = TMouseButton(v); }
    void SubChanged();
    TTeeZoomBrush* FBrush = nullptr;
    TTeeZoomPen* FPen = nullptr;
};
