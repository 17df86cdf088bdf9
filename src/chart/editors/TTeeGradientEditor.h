#pragma once
// The gradient editor: presets, the three colours, direction, balance and radial offset
// of a gradient, changed in place with a small preview. A modal dialog (Cancel puts the
// gradient back) or a page embedded in another editor.
#include <memory>

#include "chart/editors/TTeeForm.h"
#include "chart/engine/TCustomTeePanelExtended.h"

class QScrollBar;
class TCustomTeeGradient;
class TTeeGradient;

// A panel that paints only its background: its own gradient.
class TPreviewGradient : public TCustomTeePanelExtended {
    Q_OBJECT
public:
    explicit TPreviewGradient(QWidget* Parent = nullptr);
    void InternalDraw(const TRect& UserRect) override;
};

struct TTeeGradientPreset {
    const char* Name;
    TColor Start;
    TColor Middle;
    TColor End;
    int Balance;
    int Direction;
};
constexpr int TeeGradientPresetCount = 17;
extern const TTeeGradientPreset TeeGradientPresets[TeeGradientPresetCount];

class TTeeGradientEditor : public TTeeForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TTeeGradientEditor(QWidget* Owner = nullptr);
    // For embedding: edits Gradient (may be null) without the OK and Cancel buttons.
    TTeeGradientEditor(QWidget* Owner, TCustomTeeGradient* Gradient);
    ~TTeeGradientEditor() override;

    QTabWidget* PageControl1 = nullptr;
    QListWidget* Gallery = nullptr;
    QPushButton* BSwap = nullptr;
    TButtonColor* BStart = nullptr;
    TButtonColor* BEnd = nullptr;
    TButtonColor* BMid = nullptr;
    QCheckBox* CBMid = nullptr;
    QScrollBar* SBBalance = nullptr;
    QLabel* LabelBalance = nullptr;
    QLabel* Label2 = nullptr;
    QSlider* TrackBar1 = nullptr;
    QLabel* LRadialX = nullptr;
    QLabel* Label3 = nullptr;
    QSlider* TrackBar2 = nullptr;
    QLabel* LRadialY = nullptr;
    QCheckBox* CBVisible = nullptr;
    QComboBox* CBDirection = nullptr;
    QWidget* Panel1 = nullptr;
    QPushButton* BOk = nullptr;
    QPushButton* BCancel = nullptr;

    // The end colour comes from the series: start, middle and direction stay editable
    // even while the gradient is hidden.
    bool EndColorFromSeries = false;
    TPreviewGradient* Preview = nullptr;
    TCustomTeeGradient* EditedGradient = nullptr;
    bool Modified() const { return FModified; }

    // Points the editor at another gradient.
    void RefreshGradient(TCustomTeeGradient* Gradient);

    void FormShow() override;
    void GalleryClick();
    void CBVisibleClick();
    void CBDirectionChange();
    void BSwapClick();
    void CBMidClick();
    void BMidClick();
    void BStartClick();
    void SBBalanceChange();
    void TrackBar1Change();
    void TrackBar2Change();
    void BCancelClick();

private:
    void BuildControls();
    void RefreshControls();
    void CheckVisible();
    void CheckDirection();
    void SetPreview();
    void ShowBalance();

    std::unique_ptr<TTeeGradient> BackupGradient;
    bool FModified = false;
    bool FRefreshing = false;
};

// Edits Gradient in the gradient dialog; true when the user pressed OK. With
// EndColorFromSeries the end colour and swap buttons are hidden; with HideVisible the
// visible box.
bool EditTeeGradient(QObject* AOwner, TCustomTeeGradient* Gradient, bool EndColorFromSeries = false,
                     bool HideVisible = false);
