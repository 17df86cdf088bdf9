#pragma once
// The grid pen of an axis: a dotted grey pen with its own depth position and the axis'
// centred-grid switch.
#include "chart/engine/TChartPen.h"

class TAxisGridPen : public TDottedGrayPen {
    Q_OBJECT
    Q_PROPERTY(double ZPosition READ GetZ WRITE SetZ)

public:
    explicit TAxisGridPen(const TNotifyEvent& OnChangeEvent = {}, QObject* parent = nullptr);

    double GetZ() const { return FZ; }
    void SetZ(double value);
    bool GetCentered() const { return FCentered; }
    void SetCentered(bool value);
    // Set by the owning axis; ZPosition is stored only when it differs.
    double DefaultZ = 0;
    bool IsZStored() const { return FZ != DefaultZ; }
    bool IsPropertyStored(const char* Name) const override;
    void Assign(TPersistent* Source) override;

private:
    double FZ = 0;
    bool FCentered = false;
};
