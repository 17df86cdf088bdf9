#pragma once
// Chart pens: a platform pen that can be hidden without losing its settings, drawn as
// alternating single pixels, or with end styles when wide.
#include "chart/engine/TPropertySetters.h"
#include "chart/engine/TeCanvasTypes.h"
#include "platform/GraphicsObjects.h"

class TCanvas;

class TChartPen : public TPen, public TPropertySetters<TChartPen> {
    Q_OBJECT
    Q_PROPERTY(teecanvas::TPenEndStyle EndStyle READ GetEndStyle WRITE SetEndStyle)
    Q_PROPERTY(bool SmallDots READ GetSmallDots WRITE SetSmallDots)
    Q_PROPERTY(bool Visible READ GetVisible WRITE SetVisible)
public:
    explicit TChartPen(const TNotifyEvent& OnChangeEvent = {}, QObject* parent = nullptr);
    void Assign(TPersistent* Source) override;
    bool IsPropertyStored(const char* Name) const override;

    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }

    TPenEndStyle GetEndStyle() const { return FEndStyle; }
    void SetEndStyle(TPenEndStyle value) { SetProperty(FEndStyle, value); }
    bool GetSmallDots() const { return FSmallDots; }
    void SetSmallDots(bool value) { SetProperty(FSmallDots, value); }
    bool GetVisible() const { return FVisible; }
    void SetVisible(bool value) { SetProperty(FVisible, value); }
    // The visibility its owner gives the pen at creation: only a different one is stored.
    void SetDefaultVisible(bool value) { FDefaultVisible = value; }

protected:
    // An owner's default colour: set without a change notice and kept as the colour that
    // is not stored.
    void InitDefaultColor(TColor Color);
    // Per instance: decide whether EndStyle and Visible are stored.
    TPenEndStyle FDefaultEnd = esRound;
    bool FDefaultVisible = true;

private:
    friend class TPropertySetters<TChartPen>;
    void PropertyChanged() { Changed(); }
    TPenEndStyle FEndStyle = esRound;
    bool FSmallDots = false;
    bool FVisible = true;
};

class TChartHiddenPen : public TChartPen {
    Q_OBJECT
public:
    explicit TChartHiddenPen(const TNotifyEvent& OnChangeEvent = {}, QObject* parent = nullptr);
};

class TDottedGrayPen : public TChartPen {
    Q_OBJECT
public:
    explicit TDottedGrayPen(const TNotifyEvent& OnChangeEvent = {}, QObject* parent = nullptr);
};

class TDarkGrayPen : public TChartPen {
    Q_OBJECT
public:
    explicit TDarkGrayPen(const TNotifyEvent& OnChangeEvent = {}, QObject* parent = nullptr);
};

class TWhitePen : public TChartPen {
    Q_OBJECT
public:
    explicit TWhitePen(const TNotifyEvent& OnChangeEvent = {}, QObject* parent = nullptr);
};

// A one-pixel pen that sets every other pixel, in the solid colour Color.
TPenHandle TeeCreatePenSmallDots(TColor Color);
// Makes the device pen FPen draw like Pen in AColor on Handle (small dots, thin, or a
// geometric pen with Pen's end style; the device's mix mode follows Pen's mode).
void TeeSetTeePen(TPen* FPen, TChartPen* Pen, TColor AColor, TCanvas* Handle);
