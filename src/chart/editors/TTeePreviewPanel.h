#pragma once
// The print preview's page: a picture of the printer page with the chart drawn inside the
// panel's print margins. The margin lines, their corners and the whole image can be
// dragged with the mouse; the margins (in percent of the page) go into the previewed
// panel's print settings, so the chart's own printing uses them.
#include <QPointer>
#include <functional>
#include <memory>

#include "chart/engine/TChartPen.h"
#include "chart/engine/TCustomTeePanelExtended.h"

class TBitmap;
class TCanvas;
class TTeeShadow;

// The pen of the margin lines: small dots, dotted.
class TPreviewChartPen : public TChartPen {
    Q_OBJECT
public:
    explicit TPreviewChartPen(const TNotifyEvent& OnChangeEvent = {}, QObject* parent = nullptr);
};

enum TTeePreviewOrientation { ppoDefault, ppoPortrait, ppoLandscape };

// What the mouse holds: nothing, an edge, the whole image or a corner.
enum TTeePreviewDrag : int {
    pdNone = 0,
    pdLeft = 1,
    pdTop = 2,
    pdRight = 3,
    pdBottom = 4,
    pdMove = 5,
    pdTopLeft = 6,
    pdTopRight = 7,
    pdBottomLeft = 8,
    pdBottomRight = 9,
};

using TOnChangeMarginsEvent = std::function<void(QObject* Sender, bool DisableProportional, const TRect& Margins)>;
using TOnGetPaperRect = std::function<void(QObject* Sender, TRect& PaperRect)>;

class TTeePreviewPanel : public TCustomTeePanelExtended {
    Q_OBJECT
public:
    explicit TTeePreviewPanel(QWidget* parent = nullptr);
    ~TTeePreviewPanel() override;

    // Margin lines and corners can be dragged.
    bool AllowResize = true;
    // The image can be dragged as a whole.
    bool AllowMove = true;
    // While dragging, the whole preview is drawn again instead of only the margin lines.
    bool DragImage = false;
    TTeePreviewOrientation Orientation = ppoDefault;
    TColor PaperColor = clWhite;
    // A bitmap image is reduced with smoothing.
    bool SmoothBitmap = true;
    // The print job's title.
    AnsiString Title;
    TOnChangeMarginsEvent OnChangeMargins;
    TOnGetPaperRect OnGetPaperRect;

    // The chart is drawn and printed as a bitmap instead of a recorded picture.
    bool GetAsBitmap() const { return FAsBitmap; }
    void SetAsBitmap(bool Value);
    bool GetShowImage() const { return FShowImage; }
    void SetShowImage(bool Value);
    TPreviewChartPen* GetMargins() const { return FMargins; }
    TTeeShadow* GetPaperShadow() const { return FPaperShadow; }

    // The panel shown; freeing it leaves an empty page.
    TCustomTeePanel* GetPanel() const { return FPanel; }
    void SetPanel(TCustomTeePanel* Value);

    // Prints the panel inside its print margins.
    void Print();
    // The page and the image as the last draw computed them.
    TRect PaperRect() const { return FPaperRect; }
    TRect ImageRect() const { return FImageRect; }
    TTeePreviewDrag Drag() const { return FDrag; }

    // The page for the current client size and printer page.
    TRect CalcPaperRect();
    // The image inside the page: the panel's margins (its proportional ones when it
    // prints proportionally and there is a printer), 15 % on every side without a panel.
    TRect CalcImagePrintMargins(TCustomTeePanel* APanel);
    TTeePreviewDrag WhereIsCursor(int X, int Y) const;
    // The panel as a bitmap stretched into R of the printer's canvas or of Canvas.
    void SendAsBitmap(TCustomTeePanel* APanel, const TRect& R);
    void SendAsBitmap(TCustomTeePanel* APanel, TCanvas* Canvas, const TRect& R);
    // The panel drawn at its print size on the paper colour (24 bits).
    std::unique_ptr<TBitmap> GetPrintingBitmap(TCustomTeePanel* APanel);
    void DrawPaper();
    // The margin lines around R in not-xor mode (drawing them twice erases them), shown
    // at once.
    void DrawMargins(const TRect& R);
    void DrawPanelImage(TCustomTeePanel* APanel);
    // Gives the printer the orientation chosen here.
    void CheckPrinterOrientation();

    void InternalDraw(const TRect& UserRect) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    void DrawMarginLines(TCanvas* Canvas, const TRect& R);
    void ShowCursor(TTeePreviewDrag Kind);

    bool FAsBitmap = false;
    bool FShowImage = true;
    TPreviewChartPen* FMargins = nullptr;
    TTeeShadow* FPaperShadow = nullptr;
    QPointer<TCustomTeePanel> FPanel;
    QMetaObject::Connection FPanelDestroyed;
    TRect FPaperRect;
    TRect FImageRect;
    TTeePreviewDrag FDrag = pdNone;
    int FOldX = 0;
    int FOldY = 0;
    TRect FOldRect;
};
