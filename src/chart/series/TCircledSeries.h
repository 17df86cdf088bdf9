#pragma once
// Base of the series drawn inside a circle or ellipse instead of against axes: the circle
// rectangle from the plotting rectangle, custom radii shared by the series of one class,
// rotation, the conversions between angles and screen points, the background of the
// circle, and the 3D view the series needs while it is shown.
#include <memory>
#include <vector>

#include "chart/engine/TChartSeries.h"
#include "chart/engine/TView3DOptions.h"
#include "chart/engine/TeeGradient.h"

class TCircledSeries : public TChartSeries {
    Q_OBJECT
    Q_PROPERTY(TColor CircleBackColor READ GetCircleBackColor WRITE SetCircleBackColor)
    Q_PROPERTY(bool Circled READ GetCircled WRITE SetCircled)
    Q_PROPERTY(int CustomXRadius READ GetCustomXRadius WRITE SetCustomXRadius)
    Q_PROPERTY(int CustomYRadius READ GetCustomYRadius WRITE SetCustomYRadius)
    Q_PROPERTY(int RotationAngle READ GetRotationAngle WRITE SetRotationAngle)

public:
    explicit TCircledSeries(QObject* owner = nullptr);
    ~TCircledSeries() override;

    void Assign(const TCustomChartElement& source) override;
    using TChartSeries::Assign;
    void SetActive(bool value) override;
    void SetParentChart(IChartHost* value) override;
    void DoBeforeDrawValues() override;
    void PrepareLegendCanvas(int valueIndex, TColor& backColor, TBrushStyle& brushStyle) override;
    bool UseAxis() const override { return false; }
    virtual void DrawCircleGradient();

    TColor GetCircleBackColor() const { return FCircleBackColor; }
    void SetCircleBackColor(TColor value) { SetColorProperty(FCircleBackColor, value); }
    bool GetCircled() const { return FCircled; }
    void SetCircled(bool value);
    int GetCustomXRadius() const { return FCustomXRadius; }
    void SetCustomXRadius(int value);
    int GetCustomYRadius() const { return FCustomYRadius; }
    void SetCustomYRadius(int value);
    int GetRotationAngle() const { return FRotationAngle; }
    void SetRotationAngle(int value);
    void Rotate(int angle) { SetRotationAngle((FRotationAngle + angle) % 360); }
    TTeeGradient* Gradient() const { return FGradient; }
    void SetCircleGradient(TTeeGradient* value) { FGradient->Assign(value); }

    // Screen point at angle (radians, counter-clockwise from the positive X direction,
    // rotation added) on the ellipse of the given radii round the centre.
    void AngleToPos(double angle, double xRadius, double yRadius, int& x, int& y) const;
    // Angle of a screen point in 0 .. 2*pi, rotation taken off.
    double PointToAngle(int x, int y) const;
    // Value of a screen point's distance from the centre on the vertical axis' scale.
    double PointToRadius(int x, int y) const;
    void CalcRadius();
    void AdjustCircleRect();
    // Moves the circle rectangle's sides in by dx and dy, then adjusts it.
    void InsetCircleRect(int dx, int dy);
    TColor CalcCircleBackColor() const;
    bool HasBackColor() const { return FCircleBackColor != clDefault && FCircleBackColor != clNone; }

    double Rotation() const { return FRotation; }
    int RadiusX() const { return FRadiusX; }
    int RadiusY() const { return FRadiusY; }
    int CircleWidth() const { return FCircleWidth; }
    int CircleHeight() const { return FCircleHeight; }
    int CircleXCenter() const { return FCircleXCenter; }
    int CircleYCenter() const { return FCircleYCenter; }
    const TRect& CircleRect() const { return FCircleRect; }
    // Whether the chart's 3D view is replaced by this series' own.
    bool HasSavedView() const { return FSavedView != nullptr; }

protected:
    virtual void InitCustom3DOptions() {}
    void SetParentProperties(bool enableParentProps);
    void SetBackupProperties();
    virtual void CheckOtherSeriesMarks();
    // The rectangle the circle is laid into: the chart's plotting rectangle unless a
    // descendant gives its share of it.
    virtual TRect CirclePlotRect() const;
    // Whether other is of this series' class or of one of its parent classes.
    bool IsSameOrParentClass(const TChartSeries* other) const;
    // The other series in the chart of this class or of one of its parent classes: they
    // share Circled and the custom radii.
    std::vector<TCircledSeries*> RelatedSeries() const;

    TColor FCircleBackColor = clDefault;
    bool FCircled = false;
    int FCustomXRadius = 0;
    int FCustomYRadius = 0;
    int FRotationAngle = 0;
    double FRotation = 0;
    int FRadiusX = 0;
    int FRadiusY = 0;
    int FCircleWidth = 0;
    int FCircleHeight = 0;
    int FCircleXCenter = 0;
    int FCircleYCenter = 0;
    TRect FCircleRect;
    TTeeGradient* FGradient = nullptr;
    std::unique_ptr<TView3DOptions> FSavedView;
};
