#pragma once
// A framed multi-line text box on the chart, in a corner or at a custom position, with
// an optional callout pointing at a point of the chart.
#include <functional>

#include "chart/engine/TChartTitle.h"
#include "chart/engine/TSeriesPointer.h"
#include "chart/engine/TTeeCustomTool.h"
#include "chart/engine/TeCanvasTypes.h"
#include "chart/engine/TeeUnits.h"
#include "chart/series/TeeToolEnums.h"

// The box of an annotation. Its owner may give it other defaults than a title's; only
// values that differ from them are stored.
class TTeeShapePosition : public TTeeCustomShapePosition {
    Q_OBJECT
public:
    explicit TTeeShapePosition(TCustomTeePanel* AOwner = nullptr);
    bool IsPropertyStored(const char* Name) const override;

    bool DefaultCustomPosition = false;
    TTeeTransparency DefaultTransparency = 0;
};

// The callout of an annotation: an arrow (and pointer) to a screen point.
class TAnnotationCallout : public TCallout {
    Q_OBJECT
    Q_PROPERTY(int XPosition READ GetXPosition WRITE SetXPosition)
    Q_PROPERTY(int YPosition READ GetYPosition WRITE SetYPosition)
    Q_PROPERTY(int ZPosition READ GetZPosition WRITE SetZPosition)
public:
    // Invisible, with its arrow hidden.
    TAnnotationCallout();
    void Assign(TPersistent* Source) override;
    bool IsPropertyStored(const char* Name) const override;

    int GetXPosition() const { return FPosition.X; }
    void SetXPosition(int value) { SetPosition(FPosition.X, value); }
    int GetYPosition() const { return FPosition.Y; }
    void SetYPosition(int value) { SetPosition(FPosition.Y, value); }
    int GetZPosition() const { return FPosition.Z; }
    void SetZPosition(int value) { SetPosition(FPosition.Z, value); }

private:
    void SetPosition(int& variable, int value);
    // The screen point the callout points at.
    TPoint3D FPosition;
};

class TAnnotationTool;
using TAnnotationClick =
    std::function<void(TAnnotationTool* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;

class TAnnotationTool : public TTeeCustomTool {
    Q_OBJECT
    Q_PROPERTY(bool AutoSize READ GetAutoSize WRITE SetAutoSize)
    Q_PROPERTY(TAnnotationCallout* Callout READ GetCallout WRITE SetCallout)
    Q_PROPERTY(int Cursor READ GetCursor WRITE SetCursor)
    Q_PROPERTY(ToolEnums::TAnnotationPosition Position READ GetPosition WRITE SetPosition)
    Q_PROPERTY(teeunits::TTeeUnits PositionUnits READ GetPositionUnits WRITE SetPositionUnits)
    Q_PROPERTY(TTeeShapePosition* Shape READ GetShape WRITE SetShape)
    Q_PROPERTY(AnsiString Text READ GetTextValue WRITE SetText)
    Q_PROPERTY(titleenums::TAlignment TextAlignment READ GetTextAlignment WRITE SetTextAlignment)
    Q_PROPERTY(int Width READ GetWidth WRITE SetWidth)
    Q_PROPERTY(int Height READ GetHeight WRITE SetHeight)
    Q_PROPERTY(int Left READ GetLeft WRITE SetLeft STORED false)
    Q_PROPERTY(int Top READ GetTop WRITE SetTop STORED false)
public:
    Q_INVOKABLE explicit TAnnotationTool(QObject* owner = nullptr);
    ~TAnnotationTool() override;

    AnsiString GetEditorClass() const override { return "TAnnotationToolEdit"; }
    AnsiString Description() const override;
    void SetParentChart(IChartHost* value) override;
    void ChartEvent(TChartToolEvent event) override;
    void ChartMouseEvent(TChartMouseEvent event, TMouseButton button, TShiftState shift, int x, int y) override;
    bool IsPropertyStored(const char* Name) const override;
    // The text drawn; descendants may show another.
    virtual AnsiString GetText() const { return FText; }

    // The box R, the number of text lines and the text origin (X, Y).
    void GetBounds(int& NumLines, TRect& R, int& X, int& Y);
    void DrawText();
    bool Clicked(int X, int Y);

    bool GetAutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value) { SetBooleanProperty(FAutoSize, value); }
    TAnnotationCallout* GetCallout() const { return FCallout; }
    void SetCallout(TAnnotationCallout* value) { FCallout->Assign(value); }
    TCursor GetCursor() const { return FCursor; }
    void SetCursor(TCursor value) { FCursor = value; }
    TAnnotationPosition GetPosition() const { return FPosition; }
    void SetPosition(TAnnotationPosition value);
    TTeeUnits GetPositionUnits() const { return FPositionUnits; }
    void SetPositionUnits(TTeeUnits value);
    TTeeShapePosition* GetShape() const { return FShape; }
    void SetShape(TTeeShapePosition* value) { FShape->Assign(value); }
    const AnsiString& GetTextValue() const { return FText; }
    void SetText(const AnsiString& value) { SetStringProperty(FText, value); }
    TAlignment GetTextAlignment() const { return FTextAlignment; }
    void SetTextAlignment(TAlignment value);
    // The box size; setting another value turns AutoSize off.
    int GetWidth() const { return FShape->GetWidth(); }
    void SetWidth(int value) { SetBoxSize(value, GetHeight()); }
    int GetHeight() const { return FShape->GetHeight(); }
    void SetHeight(int value) { SetBoxSize(GetWidth(), value); }
    // The box position; setting keeps the box's size.
    int GetLeft() const { return FShape->GetLeft(); }
    void SetLeft(int value) { FShape->SetLeft(value); }
    int GetTop() const { return FShape->GetTop(); }
    void SetTop(int value) { FShape->SetTop(value); }

    TAnnotationClick OnClick;

protected:
    TCustomTeePanel* Panel() const;
    // A new box size turns AutoSize off.
    void SetBoxSize(int width, int height);

    bool FAutoSize = true;
    TAnnotationCallout* FCallout;
    TCursor FCursor = crDefault;
    TAnnotationPosition FPosition = ppLeftTop;
    TTeeUnits FPositionUnits = muPixels;
    TTeeShapePosition* FShape;
    AnsiString FText;
    TAlignment FTextAlignment = titleenums::taLeftJustify;
};
