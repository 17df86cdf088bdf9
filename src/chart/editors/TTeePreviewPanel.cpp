#include "chart/editors/TTeePreviewPanel.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cstdlib>

#include "chart/editors/TeeEditorBitmaps.h"
#include "chart/editors/TeeHourGlass.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeBitmapResample.h"
#include "chart/engine/TeeShadow.h"
#include "platform/GraphicsObjects.h"
#include "platform/Round.h"
#include "platform/TBitmap.h"
#include "platform/TMetafile.h"
#include "platform/TPrinter.h"

namespace {

// Whether P lies in R, right and bottom edges excluded.
bool PtInRect(const TRect& R, int X, int Y)
{
    return X >= R.Left && X < R.Right && Y >= R.Top && Y < R.Bottom;
}

bool Near(int A, int B)
{
    return std::abs(A - B) < 5;
}

}  // namespace

TPreviewChartPen::TPreviewChartPen(const TNotifyEvent& OnChangeEvent, QObject* parent)
    : TChartPen(OnChangeEvent, parent)
{
    SetSmallDots(true);
    SetStyle(psDot);
}

TTeePreviewPanel::TTeePreviewPanel(QWidget* parent) : TCustomTeePanelExtended(parent)
{
    const TNotifyEvent repaint = [this](QObject*) { Invalidate(); };
    FMargins = new TPreviewChartPen(repaint, this);
    FPaperShadow = new TTeeShadow(repaint, this);
    FPaperShadow->SetColor(TColor(0x808080));
    FPaperShadow->SetSize(4);
    FPaperShadow->DefaultColor = TColor(0x808080);
    FPaperShadow->DefaultSize = 4;
    SetView3D(false);
    resize(432, 312);
}

TTeePreviewPanel::~TTeePreviewPanel()
{
    disconnect(FPanelDestroyed);
}

void TTeePreviewPanel::SetAsBitmap(bool Value)
{
    SetBooleanProperty(FAsBitmap, Value);
}

void TTeePreviewPanel::SetShowImage(bool Value)
{
    SetBooleanProperty(FShowImage, Value);
}

void TTeePreviewPanel::SetPanel(TCustomTeePanel* Value)
{
    if (Value == FPanel || Value == this) return;
    disconnect(FPanelDestroyed);
    FPanel = Value;
    if (Value) {
        FPanelDestroyed = connect(Value, &QObject::destroyed, this, [this] { Invalidate(); });
        // A canvas that cannot be recorded into a picture is drawn as a bitmap.
        FAsBitmap = Value->GetCanvas()->GetSupportsFullRotation();
    }
    Invalidate();
}

TRect TTeePreviewPanel::CalcPaperRect()
{
    const int CW = Width(), CH = Height();
    int PW, PH;
    TPrinter* printer = Printer();
    if (printer->Present()) {
        PW = printer->PageWidth();
        PH = printer->PageHeight();
    } else {
        const QScreen* screen = QGuiApplication::primaryScreen();
        PW = screen ? screen->geometry().width() : 1024;
        PH = screen ? screen->geometry().height() : 768;
    }
    // The paper fills the side it is tight in but a tenth at each end, and stands centred on
    // the other side with the paper's proportions.
    const auto fit = [](int Client, int Paper, int OtherClient, int OtherPaper, int& Low, int& High, int& OtherLow,
                        int& OtherHigh) {
        const int size = Client - Round(Client / 5.0);
        Low = Round(Client / 10.0);
        High = Low + size;
        const int otherSize = Paper < 1 ? OtherClient : MulDiv(size, OtherPaper, Paper);
        OtherLow = (OtherClient - otherSize) / 2;
        OtherHigh = OtherLow + otherSize;
    };
    TRect R;
    if (std::int64_t(CW) * PH <= std::int64_t(CH) * PW)
        fit(CW, PW, CH, PH, R.Left, R.Right, R.Top, R.Bottom);
    else
        fit(CH, PH, CW, PW, R.Top, R.Bottom, R.Left, R.Right);
    if (OnGetPaperRect) OnGetPaperRect(this, R);
    return R;
}

TRect TTeePreviewPanel::CalcImagePrintMargins(TCustomTeePanel* APanel)
{
    const TRect P = FPaperRect;
    const int W = P.Width(), H = P.Height();
    TRect m(15, 15, 15, 15);
    if (APanel) {
        if (APanel->PrintProportional && Printer()->Present()) APanel->PrintMargins = APanel->CalcProportionalMargins();
        m = APanel->PrintMargins;
    }
    return TRect(P.Left + MulDiv(m.Left, W, 100), P.Top + MulDiv(m.Top, H, 100), P.Right - MulDiv(m.Right, W, 100),
                 P.Bottom - MulDiv(m.Bottom, H, 100));
}

void TTeePreviewPanel::InternalDraw(const TRect& UserRect)
{
    PanelPaint(UserRect);
    FPaperRect = CalcPaperRect();
    DrawPaper();
    FImageRect = CalcImagePrintMargins(FPanel);
    if (FPanel) DrawPanelImage(FPanel);
    DrawMarginLines(GetCanvas()->GetHandle(), FImageRect);
    if (OnAfterDraw) OnAfterDraw(this);
}

void TTeePreviewPanel::DrawPaper()
{
    TCanvas3D* c = GetCanvas();
    if (FPaperShadow->GetSize() > 0) FPaperShadow->Draw(c, FPaperRect);
    c->Pen->SetStyle(psSolid);
    c->Pen->SetWidth(1);
    c->Pen->SetColor(clBlack);
    c->Pen->SetMode(pmCopy);
    c->Brush->SetStyle(bsSolid);
    c->Brush->SetColor(PaperColor);
    c->Rectangle(FPaperRect);
}

std::unique_ptr<TBitmap> TTeePreviewPanel::GetPrintingBitmap(TCustomTeePanel* APanel)
{
    // The size the panel is laid out at when printed: its own, changed by the detail.
    TRect R(0, 0, 1, 1);
    int winW, winH, viewW, viewH;
    APanel->CalcMetaBounds(R, APanel->GetRectangle(), winW, winH, viewW, viewH);
    return APanel->TeeCreateBitmap(PaperColor, TRect(0, 0, winW, winH), gfx::pf24bit);
}

void TTeePreviewPanel::DrawPanelImage(TCustomTeePanel* APanel)
{
    TCanvas3D* c = GetCanvas();
    const TRect image = FImageRect;
    APanel->Printing = true;
    const auto done = [&] {
        c->UnClipRectangle();
        APanel->Printing = false;
    };
    c->ClipRectangle(APanel->CanClip() ? image : FPaperRect);
    try {
        if (FShowImage && image.Width() > 0 && image.Height() > 0) {
            if (FAsBitmap) {
                auto bitmap = GetPrintingBitmap(APanel);
                if (SmoothBitmap) {
                    TBitmap smooth;
                    smooth.SetPixelFormat(gfx::pf24bit);
                    smooth.SetSize(image.Width(), image.Height());
                    SmoothStretch(bitmap.get(), &smooth);
                    c->Draw(image.Left, image.Top, &smooth);
                } else {
                    c->StretchDraw(image, bitmap.get());
                }
            } else {
                TRect R(0, 0, image.Width(), image.Height());
                int winW, winH, viewW, viewH;
                APanel->CalcMetaBounds(R, APanel->GetRectangle(), winW, winH, viewW, viewH);
                auto meta = APanel->TeeCreateMetafile(true, TRect(0, 0, winW, winH));
                c->StretchDraw(image, meta.get());
            }
        }
    } catch (...) {
        done();
        throw;
    }
    done();
}

void TTeePreviewPanel::DrawMarginLines(TCanvas* Canvas, const TRect& R)
{
    if (!Canvas || !FMargins->GetVisible()) return;
    const TRect P = FPaperRect;
    TeeSetTeePen(Canvas->Pen(), FMargins, FMargins->GetColor(), Canvas);
    Canvas->Pen()->SetMode(pmNotXor);
    Canvas->Brush()->SetStyle(bsClear);
    const int oldBk = Canvas->SetBkMode(TRANSPARENT);
    Canvas->MoveTo(R.Left - 1, P.Top + 1);
    Canvas->LineTo(R.Left - 1, P.Bottom);
    Canvas->MoveTo(R.Right, P.Top + 1);
    Canvas->LineTo(R.Right, P.Bottom);
    Canvas->MoveTo(P.Left + 1, R.Top - 1);
    Canvas->LineTo(P.Right, R.Top - 1);
    Canvas->MoveTo(P.Left + 1, R.Bottom);
    Canvas->LineTo(P.Right, R.Bottom);
    Canvas->SetBkMode(oldBk);
    Canvas->Pen()->SetMode(pmCopy);
}

void TTeePreviewPanel::DrawMargins(const TRect& R)
{
    EnsureWindowImage();
    DrawMarginLines(WindowCanvas(), R);
    update();
}

TTeePreviewDrag TTeePreviewPanel::WhereIsCursor(int X, int Y) const
{
    // Rows: near the top edge, neither, near the bottom one; columns: near the left edge,
    // neither, near the right one.
    static constexpr TTeePreviewDrag Edges[3][3] = {
        {pdTopLeft, pdTop, pdTopRight}, {pdLeft, pdNone, pdRight}, {pdBottomLeft, pdBottom, pdBottomRight}};
    const TRect& R = FImageRect;
    const int col = Near(X, R.Left) ? 0 : (Near(X, R.Right) ? 2 : 1);
    const int row = Near(Y, R.Top) ? 0 : (Near(Y, R.Bottom) ? 2 : 1);
    const TTeePreviewDrag edge = Edges[row][col];
    if (edge == pdNone && PtInRect(R, X, Y)) return AllowMove ? pdMove : pdNone;
    return AllowResize ? edge : pdNone;
}

void TTeePreviewPanel::ShowCursor(TTeePreviewDrag Kind)
{
    TCursor cursor = crDefault;
    switch (Kind) {
        case pdLeft:
        case pdRight: cursor = crHSplit; break;
        case pdTop:
        case pdBottom: cursor = crVSplit; break;
        case pdMove: cursor = crTeeHand; break;
        case pdTopLeft:
        case pdBottomRight: cursor = crSizeNWSE; break;
        case pdTopRight:
        case pdBottomLeft: cursor = crSizeNESW; break;
        case pdNone: break;
    }
    SetCursor(cursor);
    setCursor(TeeQtCursor(cursor));
}

void TTeePreviewPanel::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TCustomTeePanelExtended::MouseDown(Button, Shift, X, Y);
    FDrag = WhereIsCursor(X, Y);
    if (FDrag == pdMove) {
        FOldX = X;
        FOldY = Y;
        FOldRect = FImageRect;
    }
}

void TTeePreviewPanel::MouseMove(TShiftState Shift, int X, int Y)
{
    TCustomTeePanelExtended::MouseMove(Shift, X, Y);
    if (FDrag == pdNone) {
        ShowCursor(WhereIsCursor(X, Y));
        return;
    }
    const TRect P = FPaperRect;
    const int W = P.Width(), H = P.Height();
    // A page without width or height has no margins to move.
    if (W <= 0 || H <= 0 || !FPanel || !PtInRect(P, X, Y)) return;
    if (!DragImage) DrawMargins(FImageRect);

    TRect R = FImageRect;
    const bool leftOk = P.Left <= X && X < R.Right;
    const bool topOk = P.Top <= Y && Y < R.Bottom;
    const bool rightOk = R.Left < X && X <= P.Right;
    const bool bottomOk = R.Top < Y && Y <= P.Bottom;
    // The edges the handle moves; each of them must accept the new position.
    const bool left = FDrag == pdLeft || FDrag == pdTopLeft || FDrag == pdBottomLeft;
    const bool top = FDrag == pdTop || FDrag == pdTopLeft || FDrag == pdTopRight;
    const bool right = FDrag == pdRight || FDrag == pdTopRight || FDrag == pdBottomRight;
    const bool bottom = FDrag == pdBottom || FDrag == pdBottomLeft || FDrag == pdBottomRight;
    if (FDrag == pdMove) {
        TRect moved;
        moved.Left = std::max(P.Left, X - FOldX + FOldRect.Left);
        moved.Top = std::max(P.Top, Y - FOldY + FOldRect.Top);
        moved.Right = std::min(P.Right, moved.Left + FOldRect.Width());
        moved.Bottom = std::min(P.Bottom, moved.Top + FOldRect.Height());
        if (PtInRect(P, moved.Left, moved.Top) && PtInRect(P, moved.Right, moved.Bottom)) R = moved;
    } else if ((!left || leftOk) && (!top || topOk) && (!right || rightOk) && (!bottom || bottomOk)) {
        if (left) R.Left = X;
        if (top) R.Top = Y;
        if (right) R.Right = X;
        if (bottom) R.Bottom = Y;
    }
    FImageRect = R;

    FPanel->PrintProportional = false;
    FPanel->PrintMargins = TRect(MulDiv(R.Left - P.Left, 100, W), MulDiv(R.Top - P.Top, 100, H),
                                 MulDiv(P.Right - R.Right, 100, W), MulDiv(P.Bottom - R.Bottom, 100, H));
    if (OnChangeMargins) OnChangeMargins(this, true, FPanel->PrintMargins);
    if (DragImage)
        Invalidate();
    else
        DrawMargins(FImageRect);
}

void TTeePreviewPanel::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TCustomTeePanelExtended::MouseUp(Button, Shift, X, Y);
    FDrag = pdNone;
    if (!DragImage) Invalidate();
}

void TTeePreviewPanel::CheckPrinterOrientation()
{
    TPrinter* printer = Printer();
    if (!printer->Present()) return;
    if (Orientation == ppoPortrait)
        printer->SetOrientation(poPortrait);
    else if (Orientation == ppoLandscape)
        printer->SetOrientation(poLandscape);
}

void TTeePreviewPanel::SendAsBitmap(TCustomTeePanel* APanel, const TRect& R)
{
    SendAsBitmap(APanel, Printer()->Canvas(), R);
}

void TTeePreviewPanel::SendAsBitmap(TCustomTeePanel* APanel, TCanvas* Canvas, const TRect& R)
{
    auto bitmap = GetPrintingBitmap(APanel);
    Canvas->StretchDraw(R, bitmap.get());
}

void TTeePreviewPanel::Print()
{
    if (!FPanel) return;
    TTeeHourGlass wait;
    CheckPrinterOrientation();
    TPrinter* printer = Printer();
    if (!Title.empty())
        printer->Title = Title;
    else if (!FPanel->Name().empty())
        printer->Title = FPanel->Name();
    printer->BeginDoc();
    // A panel that fails while printing ends the job without a page.
    try {
        const TRect R = FPanel->ChartPrintRect();
        if (FAsBitmap)
            SendAsBitmap(FPanel, printer->Canvas(), R);
        else
            FPanel->PrintPartial(R);
        if (OnAfterDraw) OnAfterDraw(this);
    } catch (...) {
        printer->Abort();
        throw;
    }
    printer->EndDoc();
}
