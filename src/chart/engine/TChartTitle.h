#pragma once
// The chart's titles: framed text boxes above (Title, SubTitle) or below (Foot, SubFoot)
// the plot area that take their room from the chart rectangle before the axes are laid
// out, unless placed at a custom position.
#include <QStringList>

#include "chart/engine/TTeeCustomShape.h"
#include "platform/TextLines.h"

namespace titleenums {
Q_NAMESPACE
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
Q_ENUM_NS(TAlignment)
}  // namespace titleenums
using titleenums::TAlignment;
using enum titleenums::TAlignment;

// A shape that may stand at a custom position (Left, Top) instead of the automatic one.
class TTeeCustomShapePosition : public TTeeCustomShape {
    Q_OBJECT
    Q_PROPERTY(bool CustomPosition READ GetCustomPosition WRITE SetCustomPosition)
    Q_PROPERTY(int Left READ GetLeft WRITE SetLeft)
    Q_PROPERTY(int Top READ GetTop WRITE SetTop)
public:
    using TTeeCustomShape::TTeeCustomShape;
    void Assign(TPersistent* Source) override;
    bool IsPropertyStored(const char* Name) const override;

    bool GetCustomPosition() const { return FCustomPosition; }
    void SetCustomPosition(bool Value);
    int GetLeft() const { return ShapeBounds.Left; }
    void SetLeft(int Value);
    int GetTop() const { return ShapeBounds.Top; }
    void SetTop(int Value);

private:
    bool FCustomPosition = false;
};

// The lines of a title's text, kept by the chart's and the legend's titles; a change
// repaints the title (Owner derives from this and from a shape).
template <typename Owner>
class TTitleText {
public:
    const std::vector<AnsiString>& Text() const { return FText; }
    void SetText(const std::vector<AnsiString>& Value)
    {
        FText = Value;
        static_cast<Owner*>(this)->Repaint();
    }
    // The first line; setting it replaces all lines (none for an empty value).
    AnsiString GetCaption() const { return FText.empty() ? AnsiString() : FText.front(); }
    void SetCaption(const AnsiString& Value)
    {
        SetText(Value.empty() ? std::vector<AnsiString>() : std::vector<AnsiString>{Value});
    }

protected:
    // The stored "Text" property.
    QStringList GetTextList() const { return ToQStringList(FText); }
    void SetTextList(const QStringList& Value) { SetText(FromQStringList(Value)); }

    std::vector<AnsiString> FText;
};

class TChartTitle : public TTeeCustomShapePosition, public TTitleText<TChartTitle> {
    Q_OBJECT
    Q_PROPERTY(bool AdjustFrame READ GetAdjustFrame WRITE SetAdjustFrame)
    Q_PROPERTY(titleenums::TAlignment Alignment READ GetAlignment WRITE SetAlignment)
    Q_PROPERTY(QStringList Text READ GetTextList WRITE SetTextList)
public:
    explicit TChartTitle(TCustomTeePanel* AOwner = nullptr);
    void Assign(TPersistent* Source) override;
    bool IsPropertyStored(const char* Name) const override;

    bool GetAdjustFrame() const { return FAdjustFrame; }
    void SetAdjustFrame(bool Value) { SetProperty(FAdjustFrame, Value); }
    TAlignment GetAlignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value) { SetProperty(FAlignment, Value); }
    bool OnTop() const { return FOnTop; }

    // Whether the title is visible and (X, Y) lies inside its box.
    bool Clicked(int X, int Y) const;
    TRect GetShapeBounds() const { return ShapeBounds; }
    // Draws the title and, unless it is at a custom position, takes its room from the
    // panel's chart rectangle (the caller recomputes the panel's width and height).
    void DrawTitle();

protected:
    bool FOnTop = true;

private:
    bool FAdjustFrame = true;
    TAlignment FAlignment = taCenter;
};

class TChartFootTitle : public TChartTitle {
    Q_OBJECT
public:
    explicit TChartFootTitle(TCustomTeePanel* AOwner = nullptr);
};
