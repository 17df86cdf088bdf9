#pragma once
// The chart's window control. It owns the chart canvas, keeps margins, border, bevels,
// shadow and the 3D switches, computes the plotting rectangle for every draw, runs the
// fixed draw sequence whose middle step (InternalDraw) derived panels fill, and hands
// mouse events and state changes to registered listeners.
//
// The widget paints through the chart canvas into its off-screen buffer, copies that into
// the window image (the "window canvas") and shows the window image in one step. Drawing
// between paints (the rubber band, XOR cursors) goes into the window image followed by
// update(); only Invalidate makes the next paint draw the chart again.
#include <QImage>
#include <functional>
#include <memory>

#include "chart/engine/TChartPen.h"
#include "chart/engine/TPropertySetters.h"
#include "chart/engine/TTeeZoom.h"
#include "chart/engine/TView3DOptions.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeFont.h"
#include "chart/engine/TeePanelTypes.h"
#include "platform/TCustomPanel.h"

class TMetafile;
class TPrinter;
class TPicture;
enum TPrinterOrientation : int;

// Library settings of the panel.
extern bool TeeClipWhenPrinting;
extern bool TeeClipWhenMetafiling;
extern bool TeeEraseBack;
// When set, printing also draws the panel's background, border and bevels.
extern bool PrintTeePanel;

// A panel that never shows its component name as caption.
class TCustomPanelNoCaption : public TCustomPanel {
    Q_OBJECT
public:
    using TCustomPanel::TCustomPanel;
};

using TBeforePrintEvent = std::function<void(QObject* Sender, TCanvas* Canvas, const TRect& R)>;

class TCustomTeePanel : public TCustomPanelNoCaption, public TPropertySetters<TCustomTeePanel> {
    Q_OBJECT
    Q_PROPERTY(bool BufferedDisplay READ GetBufferedDisplay WRITE SetBufferedDisplay)
    Q_PROPERTY(TChartHiddenPen* Border READ GetBorder WRITE SetBorder)
    Q_PROPERTY(int BorderRound READ GetBorderRound WRITE SetBorderRound)
    Q_PROPERTY(TColor Color READ GetColor WRITE SetColor)
    Q_PROPERTY(int MarginLeft READ GetMarginLeft WRITE SetMarginLeft)
    Q_PROPERTY(int MarginTop READ GetMarginTop WRITE SetMarginTop)
    Q_PROPERTY(int MarginRight READ GetMarginRight WRITE SetMarginRight)
    Q_PROPERTY(int MarginBottom READ GetMarginBottom WRITE SetMarginBottom)
    Q_PROPERTY(teeunits::TTeeUnits MarginUnits READ GetMarginUnits WRITE SetMarginUnits)
    Q_PROPERTY(bool Monochrome READ GetMonochrome WRITE SetMonochrome)
    Q_PROPERTY(bool PrintProportional READ GetPrintProportional WRITE SetPrintProportional)
    Q_PROPERTY(int PrintResolution READ GetPrintResolution WRITE SetPrintResolution)
    Q_PROPERTY(TTeeShadow* Shadow READ GetShadow WRITE SetShadow)
    Q_PROPERTY(bool View3D READ GetView3D WRITE SetView3D)
    Q_PROPERTY(TView3DOptions* View3DOptions READ GetView3DOptions WRITE SetView3DOptions)
    Q_PROPERTY(panelenums::TBevelCut BevelInner READ GetBevelInner WRITE SetBevelInner)
    Q_PROPERTY(panelenums::TBevelCut BevelOuter READ GetBevelOuter WRITE SetBevelOuter)
    Q_PROPERTY(int BevelWidth READ GetBevelWidth WRITE SetBevelWidth)
    Q_PROPERTY(int BorderWidth READ GetBorderWidth WRITE SetBorderWidth)
public:
    explicit TCustomTeePanel(QWidget* parent = nullptr);
    ~TCustomTeePanel() override;

    // ---- virtual operations added by the panel, in their order
    virtual TColor GetBackColor();
    // The drawing of the chart inside the frame; nothing here.
    virtual void InternalDraw(const TRect& UserRect);
    // The change notification of every owned pen, brush, font and gradient: repaints.
    virtual void CanvasChanged(QObject* Sender);
    virtual void Draw(TCanvas* UserCanvas, const TRect& UserRect);
    virtual TRect GetRectangle();
    // Marks the cached picture stale and the window for painting (only with AutoRepaint).
    Q_INVOKABLE virtual void Invalidate();
    // The window needs painting: the cached picture when it is still good, else a draw.
    virtual void Paint();
    // Border, outer bevel, border width and inner bevel inside Rect.
    virtual void DrawPanelBevels(TRect Rect);

    // Draws onto the window canvas over the client rectangle.
    void Draw();

    // ---- property plumbing: store and invalidate only when the value changes. The shapes a
    // panel owns store their own values through it.
    using TPropertySetters::SetBooleanProperty;
    using TPropertySetters::SetColorProperty;

    // ---- properties
    TChartHiddenPen* GetBorder() const { return FBorder; }
    void SetBorder(TChartPen* Value) { FBorder->Assign(Value); }
    int GetBorderRound() const { return FBorderRound; }
    void SetBorderRound(int Value);
    TBorderStyle GetBorderStyle() const { return FBorder->GetVisible() ? bsSingle : bsNone; }
    void SetBorderStyle(TBorderStyle Value) { FBorder->SetVisible(Value == bsSingle); }
    // Reads the stored "BorderStyle" of older chart files: the border shows for "bsSingle".
    void ReadBorderStyle(const AnsiString& Identifier);
    int GetMargin(int Index) const { return FMargins[Index & 3]; }
    void SetMargin(int Index, int Value) { SetIntegerProperty(FMargins[Index & 3], Value); }
    int GetMarginLeft() const { return FMargins[0]; }
    void SetMarginLeft(int v) { SetMargin(0, v); }
    int GetMarginTop() const { return FMargins[1]; }
    void SetMarginTop(int v) { SetMargin(1, v); }
    int GetMarginRight() const { return FMargins[2]; }
    void SetMarginRight(int v) { SetMargin(2, v); }
    int GetMarginBottom() const { return FMargins[3]; }
    void SetMarginBottom(int v) { SetMargin(3, v); }
    TTeeUnits GetMarginUnits() const { return FMarginUnits; }
    void SetMarginUnits(TTeeUnits Value) { SetProperty(FMarginUnits, Value); }
    bool GetMonochrome() const { return FCanvas->GetMonochrome(); }
    void SetMonochrome(bool Value) { FCanvas->SetMonochrome(Value); }
    bool GetBufferedDisplay() const { return FCanvas->GetUseBuffer(); }
    void SetBufferedDisplay(bool Value) { FCanvas->SetUseBuffer(Value); }
    bool GetPrintProportional() const { return PrintProportional; }
    void SetPrintProportional(bool Value) { PrintProportional = Value; }
    int GetPrintResolution() const { return PrintResolution; }
    void SetPrintResolution(int Value) { PrintResolution = Value; }
    TTeeShadow* GetShadow() const { return FShadow; }
    void SetShadow(TTeeShadow* Value) { FShadow->Assign(Value); }
    bool GetView3D() const { return FView3D; }
    // Sends a TTeeView3DEvent when the value changed.
    void SetView3D(bool Value);
    TView3DOptions* GetView3DOptions() const { return FView3DOptions; }
    void SetView3DOptions(TView3DOptions* Value) { FView3DOptions->Assign(Value); }
    void SetColor(TColor Value) override;
    void SetBevelInner(TBevelCut Value) override;
    void SetBevelOuter(TBevelCut Value) override;
    void SetBevelWidth(int Value) override;
    void SetBorderWidth(int Value) override;

    // ---- canvas
    TCanvas3D* GetCanvas() const { return FCanvas.get(); }
    // Installs NewCanvas (the panel takes it over), copying the old canvas's settings into
    // it; null is ignored.
    void SetInternalCanvas(TCanvas3D* NewCanvas);
    bool IsScreenHighColor();
    // Whether drawing may clip to rectangles now (screen, or printing/metafiling when the
    // library settings allow).
    bool CanClip();
    // The canvas brush from ABrush in AColor with ABackColor as hatch background; a hatch
    // in the background colour is drawn black (white on black) so that it stays visible.
    void SetBrushCanvas(TColor AColor, TChartBrush* ABrush, TColor ABackColor);
    // The window canvas: the default destination of Draw.
    TCanvas* WindowCanvas() const { return FWindowCanvas.get(); }
    // The picture the window shows.
    const QImage& WindowImage() const { return FWindowImage; }
    // Brings the window image up to date as a paint event would (without showing it).
    void PaintWindow();

    // ---- window shape
    void SetControlRounded();
    // The window's region: empty when the whole window is used.
    const QRegion& WindowRegion() const { return FRegion; }
    void Loaded() override;
    void Resize() override;

    // ---- mouse and listeners
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    // False when a handler set CancelMouse: the click is abandoned.
    void DblClick() override;
    void MouseLeave() override;
    void SysColorChange() override;
    virtual void BroadcastMouseEvent(TTeeMouseEventKind Kind, TMouseButton Button, TShiftState Shift, int X, int Y);
    TTeeEvent* BroadcastTeeEvent(TTeeEvent* Event);
    void RemoveListener(ITeeEventListener* Listener) { Listeners.Remove(Listener); }

    // Whether the named property differs from its default and is written to chart files.
    virtual bool IsPropertyStored(const char* Name) const;

    // ---- copying: from another panel, the panel settings; otherwise EConvertError
    virtual void Assign(QObject* Source);
    // Into a picture or graphic: a bitmap of the panel.
    virtual void AssignTo(QObject* Dest);

    // ---- pictures and printing
    void NonBufferDraw(TCanvas* ACanvas, const TRect& R);
    void DrawToMetaCanvas(TCanvas* ACanvas, const TRect& R);
    // A new bitmap of R's size (the caller owns it) with the panel drawn into it.
    std::unique_ptr<TBitmap> TeeCreateBitmap(TColor ABackColor, const TRect& R,
                                             TPixelFormat APixelFormat = gfx::pfDevice);
    void SaveToBitmapFile(const AnsiString& FileName);
    void SaveToBitmapFile(const AnsiString& FileName, const TRect& R);
    std::unique_ptr<TMetafile> TeeCreateMetafile(bool Enhanced, const TRect& R);
    void SaveToMetafile(const AnsiString& FileName);
    void SaveToMetafileEnh(const AnsiString& FileName);
    void SaveToMetafileRect(bool Enhanced, const AnsiString& FileName, const TRect& R);
    void CopyToClipboardBitmap();
    void CopyToClipboardBitmap(const TRect& R);
    void CopyToClipboardMetafile(bool Enhanced);
    void CopyToClipboardMetafile(bool Enhanced, const TRect& R);
    void Print();
    void PrintPortrait();
    void PrintLandscape();
    void PrintOrientation(int Orientation);
    void PrintRect(const TRect& R);
    void PrintPartial(const TRect& R);
    void PrintPartialCanvas(TCanvas* PrintCanvas, const TRect& R);
    TRect ChartPrintRect();
    TRect CalcProportionalMargins();
    void CalcMetaBounds(TRect& R, const TRect& PanelRect, int& WinWidth, int& WinHeight, int& ViewWidth,
                        int& ViewHeight);

    // ---- fields read by the chart's parts during a draw
    bool ApplyZOrder = true;
    bool AutoRepaint = true;
    bool CancelMouse = false;
    TRect ChartBounds;
    int ChartWidth = 0, ChartHeight = 0;
    int ChartXCenter = 0, ChartYCenter = 0;
    int Height3D = 0;
    TBeforePrintEvent OnBeforePrint;
    TCursor SavedCursor = crDefault;
    TZoomPanning* Panning = nullptr;
    bool Printing = false;
    TRect PrintMargins{15, 15, 15, 15};
    bool PrintProportional = true;
    int PrintResolution = 0;
    int Width3D = 0;
    TTeeEventListeners Listeners;
    TRect ChartRect;

protected:
    void paintEvent(QPaintEvent* event) override;
    // The chart rectangle from ChartBounds, margins, border and bevels.
    void CalcChartRect();
    void ReCalcWidthHeight();
    // The printer used by the print operations (the process-wide one unless replaced).
    virtual TPrinter* GetPrinter();
    // The window image at the widget's size, with the window canvas drawing on it.
    void EnsureWindowImage();
    // The resolution of the window image as made (sharing a picture's pixels brings the
    // picture's resolution with them).
    int WindowDpi() const { return FWindowDpi; }

    TChartHiddenPen* FBorder = nullptr;
    int FBorderRound = 0;
    int FMargins[4] = {3, 4, 3, 4};
    TTeeUnits FMarginUnits = muPercent;
    TTeeShadow* FShadow = nullptr;
    bool FView3D = true;
    TView3DOptions* FView3DOptions = nullptr;
    std::unique_ptr<TCanvas3D> FCanvas;

private:
    friend class TPropertySetters<TCustomTeePanel>;
    void PropertyChanged() { Invalidate(); }
    bool FRoundGuard = false;
    QRegion FRegion;
    // A new window image at the widget's size in the panel's colour.
    void NewWindowImage();
    // A see-through panel (colour clNone) draws over what lies behind it: in its window the
    // parent's pixels under it, in a buffer for another destination white.
    void DrawBackdrop(TCanvas* UserCanvas, const TRect& UserRect);
    // Lets the window image share the buffered picture just drawn instead of copying it,
    // when the copy would be all of it unchanged; false leaves the copy to ShowImage.
    bool SharePicture(const TRect& UserRect);

    QImage FWindowImage;
    int FWindowDpi = 96;
    std::unique_ptr<TCanvas> FWindowCanvas;
    // The window needs a draw at its next paint (not only a copy of the window image).
    bool FWindowInvalid = true;
};

// A bevel inside R (which shrinks by its width): rounded when Round >= 1, else a 3D frame.
void DrawBevel(TTeeCanvas* Canvas, TBevelCut Bevel, TRect& R, int Round, int Width);
