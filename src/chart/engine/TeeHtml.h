#pragma once
// Chart texts with a small set of HTML-like tags: bold, italic, underline, strike-out,
// sizes, colours, fonts, sub- and superscript, headings, line breaks, centring, rules and
// inline pictures. One left-to-right pass, no document tree.
#include <functional>
#include <memory>
#include <vector>

#include "platform/AnsiString.h"
#include "platform/Exception.h"
#include "platform/Graphics.h"

class TTeeCanvas;

// Raised for a tag without its closing ">".
class HtmlParserException : public Exception {
public:
    using Exception::Exception;
};

// Draws Text with its tags from (X, Y). Every error (a tag without ">", an unknown FONT
// field, a bad number or colour) is raised before anything is drawn; the canvas font is the
// same after the call as before it.
void HtmlTextOut(TTeeCanvas* ACanvas, int X, int Y, const AnsiString& Text);
// The same pass from (0, 0) without drawing: cx is the widest X reached, cy the tallest
// line height.
TSize HtmlTextExtent(TTeeCanvas* ACanvas, const AnsiString& Text);
// The extent of what TTeeCanvas::TextOut with AllowHtml draws: the tagged text, or a
// malformed one as it stands (it is drawn literally then).
TSize ChartHtmlTextExtent(TTeeCanvas* ACanvas, const AnsiString& Text);

// Picture hooks. GraphicFileExtension (upper-case extension with its leading point, ".BMP")
// gives a new graphic able to read that file type, or none; the picture export formats
// install it. GraphicDownload fills Stream with the bytes of Source and returns 0 on
// success. The program installs no download hook: pictures are never fetched, so every
// picture tag draws its placeholder unless a caller supplies one.
using TGraphicFileExtensionHook = std::function<std::unique_ptr<TGraphic>(const AnsiString& Extension)>;
using TGraphicDownloadHook = std::function<int(const AnsiString& Source, std::vector<unsigned char>& Stream)>;
extern TGraphicFileExtensionHook GraphicFileExtension;
extern TGraphicDownloadHook GraphicDownload;

// Largest picture side a picture tag may ask for or a picture may bring, in pixels.
constexpr int TeeHtmlMaxPictureSize = 4096;
// Font sizes reached through tags are kept in this range (points).
constexpr int TeeHtmlMinFontSize = 1;
constexpr int TeeHtmlMaxFontSize = 1000;
