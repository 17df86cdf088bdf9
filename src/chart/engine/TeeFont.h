#pragma once
// The chart font, with outline, shadow, gradient and character spacing.
#include <algorithm>

#include "chart/engine/TChartPen.h"
#include "chart/engine/TeCanvasTypes.h"
#include "chart/engine/TeeGradient.h"
#include "chart/engine/TeeShadow.h"
#include "platform/GraphicsObjects.h"

class TTeeCanvas;

class TTeeFont : public TFont {
    Q_OBJECT
    Q_PROPERTY(int InterCharSize READ GetInterCharSize WRITE SetInterCharSize)
    Q_PROPERTY(TChartHiddenPen* OutLine READ GetOutLine WRITE SetOutLine)
    Q_PROPERTY(TTeeShadow* Shadow READ GetShadow WRITE SetShadow)
    Q_PROPERTY(TTeeFontGradient* Gradient READ GetGradient WRITE SetGradient)
public:
    explicit TTeeFont(const TNotifyEvent& OnChangeEvent = {}, QObject* parent = nullptr);
    ~TTeeFont() override;
    void Assign(TPersistent* Source) override;
    bool IsPropertyStored(const char* Name) const override;

    int GetInterCharSize() const { return FInterCharSize; }
    void SetInterCharSize(int value);
    // Sub-objects are created on first read; setting null frees them, otherwise the value
    // is copied.
    TChartHiddenPen* GetOutLine();
    void SetOutLine(TChartHiddenPen* value);
    TTeeShadow* GetShadow();
    void SetShadow(TTeeShadow* value);
    TTeeFontGradient* GetGradient();
    void SetGradient(TTeeFontGradient* value);
    // The sub-objects if they exist (not created).
    TChartHiddenPen* StoredOutLine() const { return FOutLine; }
    TTeeShadow* StoredShadow() const { return FShadow; }
    TTeeFontGradient* StoredGradient() const { return FGradient; }

    // The canvas this font was last assigned to (AssignFont).
    TTeeCanvas* FCanvas = nullptr;

private:
    void SubChanged();
    // The sub-object in Field, created on first use with this font's change notice.
    template <typename T>
    T* Part(T*& Field);
    int FInterCharSize = 0;
    TChartHiddenPen* FOutLine = nullptr;
    TTeeShadow* FShadow = nullptr;
    TTeeFontGradient* FGradient = nullptr;
};
