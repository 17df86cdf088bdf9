#pragma once
// The panel with what a chart's background needs: a gradient, a back image (stretched,
// tiled, centred or placed), the panel's shadow, the zoom settings and drag state, the
// panning mode and the events around zooming and scrolling. PanelPaint is the background
// step of every chart draw.
#include <QList>

#include "chart/engine/TCustomTeePanel.h"
#include "chart/engine/TPropertySetters.h"
#include "chart/engine/TTeeZoom.h"
#include "chart/engine/TeeGradient.h"
#include "platform/TBitmap.h"

class TBackImage : public TPicture, public TPropertySetters<TBackImage> {
    Q_OBJECT
    Q_PROPERTY(bool Inside READ GetInside WRITE SetInside)
    Q_PROPERTY(int Left READ GetLeft WRITE SetLeft)
    Q_PROPERTY(teepanel::TTeeBackImageMode Mode READ GetMode WRITE SetMode)
    Q_PROPERTY(int Top READ GetTop WRITE SetTop)
public:
    using TPicture::TPicture;
    void Assign(TPersistent* Source) override;

    // The back wall draws the image instead of the panel background.
    bool GetInside() const { return FInside; }
    void SetInside(bool Value) { SetProperty(FInside, Value); }
    int GetLeft() const { return FLeft; }
    void SetLeft(int Value) { SetProperty(FLeft, Value); }
    TTeeBackImageMode GetMode() const { return FMode; }
    void SetMode(TTeeBackImageMode Value) { SetProperty(FMode, Value); }
    int GetTop() const { return FTop; }
    void SetTop(int Value) { SetProperty(FTop, Value); }

private:
    friend class TPropertySetters<TBackImage>;
    // Sends OnChange.
    void PropertyChanged();
    bool FInside = false;
    int FLeft = 0;
    TTeeBackImageMode FMode = pbmStretch;
    int FTop = 0;
};

class TCustomTeePanelExtended : public TCustomTeePanel {
    Q_OBJECT
    Q_PROPERTY(teepanel::TPanningMode AllowPanning READ GetAllowPanning WRITE SetAllowPanning)
    Q_PROPERTY(TBackImage* BackImage READ GetBackImage WRITE SetBackImage)
    Q_PROPERTY(TTeeGradient* Gradient READ GetGradient WRITE SetGradient)
    Q_PROPERTY(TTeeZoom* Zoom READ GetZoom WRITE SetZoom)
    Q_PROPERTY(QList<int> PrintMargins READ GetPrintMarginsList WRITE SetPrintMarginsList)
    // Older chart files keep these at panel level; they are read into Zoom, never written.
    Q_PROPERTY(bool AllowZoom READ GetAllowZoom WRITE SetAllowZoom STORED false)
    Q_PROPERTY(bool AnimatedZoom READ GetAnimatedZoom WRITE SetAnimatedZoom STORED false)
    Q_PROPERTY(int AnimatedZoomSteps READ GetAnimatedZoomSteps WRITE SetAnimatedZoomSteps STORED false)
public:
    explicit TCustomTeePanelExtended(QWidget* parent = nullptr);
    ~TCustomTeePanelExtended() override;

    // ---- virtual operations added here, in their order
    // The panel's colour or gradient over Rect.
    virtual void FillPanelRect(const TRect& Rect);
    // The background of a draw: shadow, fill, back image, border and bevels.
    virtual void PanelPaint(const TRect& Rect);
    // Calls OnUndoZoom, repaints and clears Zoomed.
    virtual void UndoZoom();

    // The rubber band of Zoom in not-xor mode: drawing it twice erases it.
    void DrawZoomRectangle();
    // The back image into Rect at depth Z.
    void DrawBitmap(const TRect& Rect, int Z);

    TPanningMode GetAllowPanning() const { return FAllowPanning; }
    void SetAllowPanning(TPanningMode Value) { FAllowPanning = Value; }
    // Created on first read; null frees it.
    TTeeGradient* GetGradient();
    void SetGradient(TTeeGradient* Value);
    TTeeGradient* StoredGradient() const { return FGradient; }
    TTeeZoom* GetZoom() const { return FZoom; }
    void SetZoom(TTeeZoom* Value) { FZoom->Assign(Value); }
    bool GetAllowZoom() const { return FZoom->Allow; }
    void SetAllowZoom(bool Value) { FZoom->Allow = Value; }
    bool GetAnimatedZoom() const { return FZoom->Animated; }
    void SetAnimatedZoom(bool Value) { FZoom->Animated = Value; }
    int GetAnimatedZoomSteps() const { return FZoom->AnimatedSteps; }
    void SetAnimatedZoomSteps(int Value) { FZoom->SetAnimatedSteps(Value); }
    // Created on first read; its changes repaint the panel; null frees it.
    TBackImage* GetBackImage();
    void SetBackImage(TBackImage* Value);
    TBackImage* StoredBackImage() const { return FBackImage; }
    bool HasBackImage() const { return FBackImage && FBackImage->GetGraphic(); }
    bool GetBackImageInside() const { return HasBackImage() && FBackImage->GetInside(); }
    void SetBackImageInside(bool Value) { GetBackImage()->SetInside(Value); }
    TTeeBackImageMode GetBackImageMode() const { return FBackImage ? FBackImage->GetMode() : pbmStretch; }
    void SetBackImageMode(TTeeBackImageMode Value) { GetBackImage()->SetMode(Value); }
    bool GetBackImageTransp() const { return HasBackImage() && FBackImage->GetGraphic()->GetTransparent(); }
    void SetBackImageTransp(bool Value);
    QList<int> GetPrintMarginsList() const;
    void SetPrintMarginsList(const QList<int>& Value);

    bool IsPropertyStored(const char* Name) const override;
    void Assign(QObject* Source) override;

    bool Zoomed = false;
    TNotifyEvent OnAfterDraw;
    TNotifyEvent OnScroll;
    TNotifyEvent OnUndoZoom;
    TNotifyEvent OnZoom;

protected:
    TPanningMode FAllowPanning = pmBoth;
    TTeeGradient* FGradient = nullptr;
    TTeeZoom* FZoom = nullptr;
    TBackImage* FBackImage = nullptr;
};
