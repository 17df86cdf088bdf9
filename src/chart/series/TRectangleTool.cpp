#include "chart/series/TRectangleTool.h"

#include <algorithm>
#include <cstdlib>

#include "chart/engine/TCustomTeePanel.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeProCo.h"
#include "chart/series/TeeToolSupport.h"
#include "platform/ScopedValue.h"
#include "platform/TBitmap.h"

TRectangleTool::TRectangleTool(QObject* owner) : TAnnotationTool(owner)
{
    FAutoSize = false;
    FShape->SetCustomPosition(true);
    FShape->DefaultCustomPosition = true;
    FShape->GetShadow()->SetSize(0);
    FShape->GetShadow()->DefaultSize = 0;
    FShape->SetTransparency(75);
    FShape->DefaultTransparency = 75;
    FShape->ShapeBounds.Left = 10;
    FShape->ShapeBounds.Top = 10;
    FShape->SetWidth(50);
    FShape->SetHeight(50);
    FPositionUnits = muPixels;
    FCursor = crHandPoint;
}

AnsiString TRectangleTool::Description() const
{
    return TeeMsg_RectangleTool;
}

int TRectangleTool::ClickedEdge(int X, int Y)
{
    if (!Clicked(X, Y)) return -1;
    const TRect& b = FShape->ShapeBounds;
    if (std::abs(X - b.Left) < 4) return 0;
    if (std::abs(Y - b.Top) < 4) return 1;
    if (std::abs(X - b.Right) < 4) return 2;
    if (std::abs(Y - b.Bottom) < 4) return 3;
    return -1;
}

void TRectangleTool::ChartMouseEvent(TChartMouseEvent event, TMouseButton button, TShiftState shift, int x, int y)
{
    TAnnotationTool::ChartMouseEvent(event, button, shift, x, y);
    if (!GetActive()) return;
    TRect& b = FShape->ShapeBounds;
    switch (event) {
        case cmeDown: {
            if (button != mbLeft) break;
            FEdge = ClickedEdge(x, y);
            if (FEdge == -1) {
                if (!Clicked(x, y)) break;
                FOffset = TPoint(x - b.Left, y - b.Top);
                FDragging = true;
            } else
                FOffset = TPoint(FEdge == 2 ? x - b.Right : x - b.Left, FEdge == 3 ? y - b.Bottom : y - b.Top);
            teetools::SetMouseHandled(FParentChart, true);
            break;
        }
        case cmeMove:
            if (FDragging) {
                // Any place is a place for the box, the chart's top-left corner included.
                FShape->SetLeft(x - FOffset.X);
                FShape->SetTop(y - FOffset.Y);
                if (OnDragging) OnDragging(this);
            } else if (FEdge != -1) {
                // A box never gets narrower or lower than 3 pixels by dragging.
                switch (FEdge) {
                    case 0: b.Left = std::min(b.Right - 3, x - FOffset.X); break;
                    case 1: b.Top = std::min(b.Bottom - 3, y - FOffset.Y); break;
                    case 2: b.Right = std::max(b.Left + 3, x - FOffset.X); break;
                    case 3: b.Bottom = std::max(b.Top + 3, y - FOffset.Y); break;
                }
                Repaint();
                if (OnResizing) OnResizing(this);
            } else {
                const int edge = ClickedEdge(x, y);
                bool handled = true;
                if (edge == 0 || edge == 2)
                    teetools::SetCursor(FParentChart, crSizeWE);
                else if (edge == 1 || edge == 3)
                    teetools::SetCursor(FParentChart, crSizeNS);
                else if (FCursor != crDefault && Clicked(x, y))
                    teetools::SetCursor(FParentChart, FCursor);
                else
                    handled = false;
                teetools::SetMouseHandled(FParentChart, handled);
            }
            break;
        case cmeUp:
            FDragging = false;
            FEdge = -1;
            break;
    }
}

std::unique_ptr<TBitmap> TRectangleTool::Bitmap(bool Refresh)
{
    const TRect b = FShape->ShapeBounds;
    auto result = std::make_unique<TBitmap>();
    result->SetSize(FShape->GetWidth(), FShape->GetHeight());
    TCustomTeePanel* panel = Panel();
    if (!panel) return result;
    QImage source;
    if (Refresh) {
        TScopedValue inactive(FActive, false);
        source = panel->TeeCreateBitmap(panel->GetColor(), panel->GetRectangle())->Image();
    } else {
        auto* canvas = dynamic_cast<TTeeCanvas3D*>(panel->GetCanvas());
        if (canvas && !canvas->Bitmap) panel->Draw();
        // Without a buffer (unbuffered display) the window shows the last drawing.
        source = canvas && canvas->Bitmap ? canvas->Bitmap->Image() : panel->WindowImage();
    }
    result->SetImage(source.copy(b.Left, b.Top, result->GetWidth(), result->GetHeight()));
    return result;
}
