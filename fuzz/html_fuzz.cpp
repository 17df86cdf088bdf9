// Fuzz target of the tagged (HTML) text of legends, titles and marks: any text is measured
// and drawn, literally when it is malformed, and never raises; the canvas font is the same
// after a tagged text as before it.
#include <cstdlib>

#include "FuzzSupport.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeHtml.h"
#include "platform/TBitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    fuzzing::Init();
    // Long texts only repeat what short ones find, at a much higher cost per run.
    if (Size > 4096) return 0;
    const AnsiString text(fuzzing::Bytes(Data, Size));
    TBitmap bitmap;
    bitmap.SetSize(160, 80);
    TTeeCanvas3D canvas;
    canvas.InitWindow(bitmap.Canvas(), nullptr, clWhite, false, TRect(0, 0, 160, 80));
    canvas.ResetState();
    const int size = canvas.Font->GetSize();
    const TFontStyles style = canvas.Font->GetStyle();
    ChartHtmlTextExtent(&canvas, text);
    canvas.TextOut(4, 4, text, true);
    if (canvas.Font->GetSize() != size || canvas.Font->GetStyle() != style) std::abort();
    return 0;
}
