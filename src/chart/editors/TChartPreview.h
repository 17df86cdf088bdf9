#pragma once
// The print preview dialog: the printer and its orientation, the print margins in percent
// (typed or dragged on the page), proportional margins, the print detail, smoothing and
// printing, around a preview page. The margins are the previewed panel's own print
// settings, so what is set here is what the chart prints with.
#include <functional>

#include "chart/editors/TTeeForm.h"
#include "platform/GraphicsTypes.h"

class TCustomTeeNavigator;
class TCustomTeePanel;
class TTeePreviewPanel;

// On showing the dialog with a printer, the printer is switched to landscape.
extern bool TeeChangePaperOrientation;

// Makes the page navigator of a dialog (in Parent); the preview has none without one.
using TTeeNavigatorClass = std::function<TCustomTeeNavigator*(QWidget* Parent)>;

class TChartPreview : public TTeeForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TChartPreview(QWidget* Owner = nullptr);
    ~TChartPreview() override;

    // ---- controls
    QComboBox* CBPrinters = nullptr;
    QWidget* PanelClose = nullptr;
    QPushButton* BClose = nullptr;
    QPushButton* BSetupPrinter = nullptr;
    QPushButton* BPrint = nullptr;
    QWidget* Panel2 = nullptr;
    TOptionsRadioGroup* Orientation = nullptr;
    QGroupBox* GBMargins = nullptr;
    // The margin boxes (edit and up-down in one).
    QSpinBox* UDLeftMa = nullptr;
    QSpinBox* UDTopMa = nullptr;
    QSpinBox* UDRightMa = nullptr;
    QSpinBox* UDBotMa = nullptr;
    QGroupBox* ChangeDetailGroup = nullptr;
    QSlider* Resolution = nullptr;
    QWidget* PanelMargins = nullptr;
    QPushButton* BReset = nullptr;
    QCheckBox* ShowMargins = nullptr;
    QCheckBox* CBProp = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    TTeePreviewPanel* TeePreviewPanel1 = nullptr;

    // Set before showing to give the dialog a page navigator.
    TTeeNavigatorClass PageNavigatorClass;
    TCustomTeeNavigator* PageNavigator() const { return FPageNavigator; }

    TTeePreviewPanel* PreviewPanel() const { return TeePreviewPanel1; }
    void HideCloseButton();
    // The panel's margins: its proportional ones when it prints proportionally and there
    // is a printer; the boxes follow and the page is drawn again.
    void ResetMargins();
    // The orientation buttons follow the printer.
    void CheckOrientation();
    // A margin box changed: the margin takes its value unless it and the opposite one
    // would reach 100 % together, in which case the box goes back.
    void ChangeMargin(QSpinBox* UpDown, int& Margin, int Opposite);

    // ---- handlers
    void FormShow() override;
    // A margin box changed: Margin of the panel's print margins, across from Opposite.
    void MarginBoxChange(QSpinBox* UpDown, int TRect::*Margin, int TRect::*Opposite);
    void TeePreviewPanel1ChangeMargins(QObject* Sender, bool DisableProportional, const TRect& Margins);
    void CBPropClick();
    void BResetClick();
    void OrientationClick();
    void CBPrintersChange();
    void BSetupPrinterClick();
    void ResolutionChange();
    void ShowMarginsClick();
    void CheckBox1Click();
    void BPrintClick();

private:
    TCustomTeePanel* PreviewedPanel() const;
    // The four boxes show the panel's margins.
    void ShowMarginValues(const TRect& Margins);
    void FillPrinters();

    int FUpdating = 0;
    int FChangingProp = 0;
    TRect FSavedMargins;
    TCustomTeeNavigator* FPageNavigator = nullptr;
};

// Shows the print preview of Panel modally and repaints the panel afterwards.
void TeePreview(QObject* AOwner, TCustomTeePanel* Panel);
