#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

#include "chart/engine/TeeHtml.h"
#include "support/RecordingCanvas.h"

namespace {

// The recording canvas, with each text output also noting the font it was written in:
// "Bold@0,0 [B 8 0x000000]" (styles B I U S, size in points, colour).
class HtmlCanvas : public support::TRecordingCanvas {
public:
    HtmlCanvas()
    {
        CharWidth = 10;
        LineHeight = 10;
        Font->SetColor(clBlack);
        Font->SetSize(8);
        Font->SetStyle({});
    }
    using TTeeCanvas::TextOut;
    std::vector<std::string> Texts;
    void TextOut(int X, int Y, const AnsiString& Text) override
    {
        support::TRecordingCanvas::TextOut(X, Y, Text);
        std::string styles;
        const TFontStyles st = Font->GetStyle();
        if (st.testFlag(fsBold)) styles += "B";
        if (st.testFlag(fsItalic)) styles += "I";
        if (st.testFlag(fsUnderline)) styles += "U";
        if (st.testFlag(fsStrikeOut)) styles += "S";
        Texts.push_back(Text + "@" + std::to_string(X) + "," + std::to_string(Y) + " [" + styles + " " +
                        std::to_string(Font->GetSize()) + " 0x" + IntToHex(Font->GetColor(), 6) + "]");
    }
};

std::string ErrorOf(const AnsiString& text)
{
    HtmlCanvas c;
    try {
        HtmlTextOut(&c, 0, 0, text);
    } catch (const Exception& e) {
        EXPECT_TRUE(c.Calls.empty()) << "drew before failing: " << c.Calls.front();
        return e.Message;
    }
    return "";
}

}  // namespace

TEST(HtmlText, StylesAndTheirClosingTagsInAnyLetterCase)
{
    HtmlCanvas c;
    HtmlTextOut(&c, 5, 7, "<b>Bold</b> text <I>it</i><U>u</U><strike>s</STRIKE><Strong>x</strong>");
    EXPECT_EQ(c.Texts, (std::vector<std::string>{"Bold@5,7 [B 8 0x000000]", " text @45,7 [ 8 0x000000]",
                                                 "it@105,7 [I 8 0x000000]", "u@125,7 [U 8 0x000000]",
                                                 "s@135,7 [S 8 0x000000]", "x@145,7 [B 8 0x000000]"}));
    // Tags not in the list, an anchor for one, are text.
    c.Texts.clear();
    HtmlTextOut(&c, 0, 0, "<a href=x>y");
    EXPECT_EQ(c.Texts, (std::vector<std::string>{"<a href=x>@0,0 [ 8 0x000000]", "y@100,0 [ 8 0x000000]"}));
}

TEST(HtmlText, LineBreaks)
{
    HtmlCanvas c;
    // The break adds one font height and, the line height being 0, the first text of the
    // new line another.
    HtmlTextOut(&c, 3, 0, "A<BR>B<p>C");
    EXPECT_EQ(c.CallsStartingWith("TextOut"),
              (std::vector<std::string>{"TextOut(3,0,\"A\")", "TextOut(3,20,\"B\")", "TextOut(3,40,\"C\")"}));

    // A text ending with CR LF before the next tag moves down only one font height.
    c.Clear();
    HtmlTextOut(&c, 0, 0, "A\r\n<B>B</B>");
    EXPECT_EQ(c.CallsStartingWith("TextOut"), (std::vector<std::string>{"TextOut(0,0,\"A\")", "TextOut(0,10,\"B\")"}));

    // A text starting with CR LF breaks like <BR>; one with CR LF inside is one piece.
    c.Clear();
    HtmlTextOut(&c, 0, 0, "<b>A</b>\r\nC");
    EXPECT_EQ(c.CallsStartingWith("TextOut"), (std::vector<std::string>{"TextOut(0,0,\"A\")", "TextOut(0,20,\"C\")"}));
    c.Clear();
    HtmlTextOut(&c, 0, 0, "A\r\nB");
    EXPECT_EQ(c.CallsStartingWith("TextOut"), (std::vector<std::string>{"TextOut(0,0,\"A\r\nB\")"}));

    // A rule starts at the left margin, is 100 pixels long and takes a line.
    c.Clear();
    HtmlTextOut(&c, 4, 2, "ab<HR>c");
    EXPECT_NE(c.IndexOf("DoHorizLine(4,104,2)"), -1);
    EXPECT_EQ(c.Pen->GetColor(), 0x808080);
    EXPECT_EQ(c.CallsStartingWith("TextOut").back(), "TextOut(4,12,\"c\")");
}

TEST(HtmlText, ClosingWithTheEmptyTag)
{
    HtmlCanvas c;
    // Right after a FONT tag "</>" restores the font; otherwise it closes the last style.
    HtmlTextOut(&c, 0, 0, "<font color=red>x</>y<b>z</>w");
    EXPECT_EQ(c.Texts, (std::vector<std::string>{"x@0,0 [ 8 0x0000FF]", "y@10,0 [ 8 0x000000]", "z@20,0 [B 8 0x000000]",
                                                 "w@30,0 [ 8 0x000000]"}));
    // With nothing open it closes nothing and draws nothing of its own.
    c.Texts.clear();
    HtmlTextOut(&c, 0, 0, "a</>b");
    EXPECT_EQ(c.Texts, (std::vector<std::string>{"a@0,0 [ 8 0x000000]", "b@10,0 [ 8 0x000000]"}));
}

TEST(HtmlText, FontTagsSizesAndColours)
{
    HtmlCanvas c;
    HtmlTextOut(&c, 0, 0,
                "<H1>T</FONT><font size=+2>p</font><font size=-2>m</font><FONT color=#FF0000>r</FONT>"
                "<font color=RED>q</font><font color=clBlue>b</font><font color=65280>g</font>"
                "<B><I><FONT color=red>x</FONT>y");
    EXPECT_EQ(c.Texts,
              (std::vector<std::string>{"T@0,0 [ 48 0x000000]", "p@10,0 [ 10 0x000000]", "m@20,0 [ 6 0x000000]",
                                        "r@30,0 [ 8 0x0000FF]", "q@40,0 [ 8 0x0000FF]", "b@50,0 [ 8 0xFF0000]",
                                        "g@60,0 [ 8 0x00FF00]", "x@70,0 [BI 8 0x0000FF]", "y@80,0 [BI 8 0x000000]"}));

    // Names may hold spaces (and arrive in capitals); WEIGHT sets exactly the styles listed.
    c.Texts.clear();
    HtmlTextOut(&c, 0, 0, "<b><font name=Liberation Sans size=12 weight=italic, underline>n");
    EXPECT_EQ(c.Texts, (std::vector<std::string>{"n@0,0 [IU 12 0x000000]"}));
    c.Texts.clear();
    HtmlTextOut(&c, 0, 0, "<PRE>x</PRE><font name=\"Liberation Serif\">y");
    EXPECT_EQ(c.Texts.size(), 2u);

    // Sizes reached through tags stay within 1..1000 points.
    c.Texts.clear();
    HtmlTextOut(&c, 0, 0,
                "<font size=5000>a</font><font size=1><SUB>b</SUB><SUPER>c</SUPER><small>d</font>"
                "<font size=-100>e");
    EXPECT_EQ(c.Texts,
              (std::vector<std::string>{"a@0,0 [ 1000 0x000000]", "b@10,10 [ 1 0x000000]", "c@20,-5 [ 1 0x000000]",
                                        "d@30,0 [ 1 0x000000]", "e@40,0 [ 1 0x000000]"}));
}

TEST(HtmlText, EntitiesAreReplacedInTheirOrder)
{
    HtmlCanvas c;
    HtmlTextOut(&c, 0, 0, "&lt;b&gt; &amp;lt; &quot;q&quot;");
    EXPECT_EQ(c.CallsStartingWith("TextOut"), (std::vector<std::string>{"TextOut(0,0,\"<b> &lt; \"q\"\")"}));
}

TEST(HtmlText, ErrorsAreRaisedBeforeAnythingIsDrawn)
{
    EXPECT_EQ(ErrorOf("a<b"), "Missing > at b");
    EXPECT_EQ(ErrorOf("x<font foo=1>y"), "Unknown field in FONT: FOO");
    EXPECT_EQ(ErrorOf("<font weight=heavy>y"), "Unknown field in FONT WEIGHT=HEAVY");
    // A value that runs into the next name cannot be split.
    EXPECT_EQ(ErrorOf("<font size=10color=red>y"), "Unknown field in FONT: 10COLOR");
    // "#" colours need six hexadecimal digits.
    EXPECT_NE(ErrorOf("<font color=#FF>y"), "");
    EXPECT_NE(ErrorOf("<font color=#GG0000>y"), "");
    EXPECT_NE(ErrorOf("<font color=purplish>y"), "");
    EXPECT_NE(ErrorOf("<font size=big>y"), "");
    EXPECT_NE(ErrorOf("<img src=a.bmp width=wide>"), "");
    try {
        HtmlCanvas c;
        HtmlTextOut(&c, 0, 0, "ok<");
        FAIL() << "no exception";
    } catch (const HtmlParserException& e) {
        EXPECT_EQ(e.Message, "Missing > at ");
    }
}

TEST(HtmlText, TagsOfOneTextNeverReachTheNext)
{
    HtmlCanvas c;
    HtmlTextOut(&c, 0, 0, "<b><font color=red><H2>unclosed");
    // The canvas font is as it was before the text.
    EXPECT_FALSE(c.Font->GetStyle().testFlag(fsBold));
    EXPECT_EQ(c.Font->GetColor(), clBlack);
    EXPECT_EQ(c.Font->GetSize(), 8);
    // And the next text finds no open tags to close.
    c.Texts.clear();
    for (int repaint = 0; repaint < 3; ++repaint) HtmlTextOut(&c, 0, 0, "</>next");
    EXPECT_EQ(c.Texts.back(), "next@0,0 [ 8 0x000000]");

    // Measuring changes nothing either.
    HtmlTextExtent(&c, "<b><font size=30>big");
    EXPECT_EQ(c.Font->GetSize(), 8);
    EXPECT_FALSE(c.Font->GetStyle().testFlag(fsBold));
}

TEST(HtmlText, ChartTextOutputWritesAMalformedTextLiterally)
{
    HtmlCanvas c;
    c.TextOut(2, 3, "a<b", true);
    c.TextOut(2, 3, "<font color=#12>x", true);
    EXPECT_EQ(c.CallsStartingWith("TextOut"),
              (std::vector<std::string>{"TextOut(2,3,\"a<b\")", "TextOut(2,3,\"<font color=#12>x\")"}));
    c.Clear();
    c.TextOut(2, 3, "<b>ok</b>", true);
    c.TextOut(2, 3, "<b>raw</b>", false);
    EXPECT_EQ(c.CallsStartingWith("TextOut"),
              (std::vector<std::string>{"TextOut(2,3,\"ok\")", "TextOut(2,3,\"<b>raw</b>\")"}));
}

TEST(HtmlText, Extent)
{
    HtmlCanvas c;
    EXPECT_EQ(HtmlTextExtent(&c, "ab"), (TSize{20, 10}));
    EXPECT_EQ(HtmlTextExtent(&c, "abc<BR>d"), (TSize{30, 10}));
    EXPECT_EQ(HtmlTextExtent(&c, "a<BR>defg"), (TSize{40, 10}));
    EXPECT_EQ(HtmlTextExtent(&c, ""), (TSize{0, 0}));
    EXPECT_TRUE(c.Calls.empty());
}

TEST(HtmlText, CentredSegments)
{
    HtmlCanvas c;
    c.Bounds = TRect(0, 0, 101, 50);
    HtmlTextOut(&c, 0, 0, "<CENTER>abc</CENTER>d");
    // (0 + 101) div 2 - 30 div 2; after the centred text the next one follows it.
    EXPECT_EQ(c.CallsStartingWith("TextOut"),
              (std::vector<std::string>{"TextOut(35,0,\"abc\")", "TextOut(65,0,\"d\")"}));
}

TEST(HtmlText, PicturesWithoutHooksDrawAPlaceholder)
{
    HtmlCanvas c;
    HtmlTextOut(&c, 10, 20, "<IMG src=\"pic.bmp\" width=30 height=8>x<img src=a.png>");
    EXPECT_NE(c.IndexOf("Rectangle(10,20,40,28)"), -1);
    EXPECT_NE(c.IndexOf("Line(10,20,39,27)"), -1);
    EXPECT_NE(c.IndexOf("Line(10,27,39,20)"), -1);
    // A placeholder does not move the position; sizes of 0 become 40.
    EXPECT_NE(c.IndexOf("TextOut(10,20,\"x\")"), -1);
    EXPECT_NE(c.IndexOf("Rectangle(20,20,60,60)"), -1);
    EXPECT_EQ(c.Pen->GetColor(), clRed);

    // Requested sizes are bounded; an IMG without SRC does nothing.
    c.Clear();
    HtmlTextOut(&c, 0, 0, "<img src=a.bmp width=100000 height=-5><img width=3>");
    EXPECT_EQ(c.CallsStartingWith("Rectangle"), (std::vector<std::string>{"Rectangle(0,0,4096,40)"}));

    // Measuring leaves no marks on the chart.
    c.Clear();
    HtmlTextExtent(&c, "<img src=a.bmp>x");
    EXPECT_TRUE(c.Calls.empty());
}

TEST(HtmlText, PicturesThroughTheHooks)
{
    QImage picture(6, 4, QImage::Format_RGB32);
    picture.fill(qRgb(1, 2, 3));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");

    std::vector<AnsiString> asked;
    GraphicFileExtension = [&](const AnsiString& ext) -> std::unique_ptr<TGraphic> {
        asked.push_back(ext);
        return ext == ".PNG" ? std::make_unique<TBitmap>() : nullptr;
    };
    GraphicDownload = [&](const AnsiString& source, std::vector<unsigned char>& stream) {
        if (source == "broken.png") {
            stream = {1, 2, 3};
            return 0;
        }
        if (source != "pic.png") return 1;
        stream.assign(png.begin(), png.end());
        return 0;
    };

    HtmlCanvas c;
    HtmlTextOut(&c, 0, 0,
                "<img src=\"pic.png\">a<img src=pic.png width=12 height=8><img src=broken.png>"
                "<img src=missing.png><img src=x.gif>");
    GraphicFileExtension = nullptr;
    GraphicDownload = nullptr;

    EXPECT_EQ(asked, (std::vector<AnsiString>{".PNG", ".PNG", ".PNG", ".PNG", ".GIF"}));
    // Own size: drawn as it is, then the position moves by its size (down as well).
    EXPECT_NE(c.IndexOf("Draw(0,0,ptr)"), -1);
    EXPECT_NE(c.IndexOf("TextOut(6,4,\"a\")"), -1);
    EXPECT_NE(c.IndexOf("StretchDraw((16,4,28,12),ptr)"), -1);
    // Unreadable, missing and unknown pictures get the placeholder.
    EXPECT_EQ(c.CallsStartingWith("Rectangle").size(), 3u);
}
