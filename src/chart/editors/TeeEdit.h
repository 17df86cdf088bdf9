#pragma once
// Components that open the chart editor and the print preview from a form: TChartEditor
// and TChartPreviewer keep the settings and open the dialog on Execute; TChartEditorPanel
// embeds the chart editor inside a panel.
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

#include "chart/editors/TChartEditForm.h"
#include "chart/engine/TCustomChart.h"
#include "platform/GraphicsTypes.h"

class TChartSeries;
class TCustomChart;
class TTeeForm;

class TCustomChartEditor : public QObject {
    Q_OBJECT
public:
    explicit TCustomChartEditor(QObject* Owner = nullptr);
    ~TCustomChartEditor() override;

    TCustomChart* Chart() const { return FChart; }
    // Follows the chart: a chart that is freed leaves the component without one.
    virtual void SetChart(TCustomChart* Value);
    AnsiString Title;
    TNotifyEvent OnClose;
    TNotifyEvent OnShow;
    // Opens the dialog (nothing here).
    virtual void Execute() {}

private:
    QPointer<TCustomChart> FChart;
};

class TChartEditor : public TCustomChartEditor {
    Q_OBJECT
public:
    explicit TChartEditor(QObject* Owner = nullptr);

    bool AutoRepaint = true;
    TChartEditorTab DefaultTab = cetMain;
    TChartEditorHiddenTabs HideTabs = 0;
    bool HighLightTabs = false;
    TChartEditorOptions Options = TeeDefaultEditorOptions;
    bool RememberPosition = false;
    bool TreeView = false;
    TChartSeries* Series() const;
    void SetSeries(TChartSeries* Value);
    std::function<void(TChartEditor* Sender, TChartSeries* Series1, TChartSeries* Series2)> OnChangeSeriesOrder;

    // Shows the editor modally. Without AutoRepaint the chart does not repaint while it
    // is open and repaints once afterwards; the chart's own setting comes back however the
    // dialog ends.
    void Execute() override;
    // The editor while Execute shows it.
    TChartEditForm* Form() const { return FForm; }

private:
    QPointer<TChartSeries> FSeries;
    TChartEditForm* FForm = nullptr;
};

enum TChartPreviewOption {
    cpoChangePrinter,
    cpoSetupPrinter,
    cpoResizeChart,
    cpoMoveChart,
    cpoChangeDetail,
    cpoChangePaperOrientation,
    cpoChangeMargins,
    cpoProportional,
    cpoDragChart,
    cpoPrintPanel,
    cpoAsBitmap
};
// A set of preview options: bit (1 << option); the default holds the first eight.
using TChartPreviewOptions = unsigned;
constexpr TChartPreviewOptions TeeDefaultPreviewOptions = 255;

enum TWindowState { wsNormal, wsMinimized, wsMaximized };

class TChartPreviewer;
// Makes the print preview form for a previewer (caption, panel, events and the option
// switches of its controls applied). Execute installs the print preview's own
// (InstallTeeExportPreviewPages) when none is set; another one replaces the dialog.
using TChartPreviewFactory = std::function<std::unique_ptr<TTeeForm>(TChartPreviewer& Previewer)>;
TChartPreviewFactory& TeeChartPreviewFactory();

class TChartPreviewer : public TCustomChartEditor {
    Q_OBJECT
public:
    explicit TChartPreviewer(QObject* Owner = nullptr);

    TChartPreviewOptions Options = TeeDefaultPreviewOptions;
    bool HasOption(TChartPreviewOption Option) const { return (Options & (1u << Option)) != 0; }
    TColor PaperColor = clWhite;
    TWindowState WindowState = wsNormal;
    TNotifyEvent OnAfterDraw;

    // Shows the print preview modally. The library's panel-printing flag and the chart's
    // repaint follow the dialog however it ends.
    void Execute() override;
    // The open preview form, or null.
    TTeeForm* Preview() const { return FPreview; }

private:
    TTeeForm* FPreview = nullptr;
};

// The chart editor inside a panel: no border, no help and close buttons, no remembered
// place or size.
class TChartEditorPanel : public TCustomPanelNoCaption {
    Q_OBJECT
public:
    explicit TChartEditorPanel(QWidget* Parent = nullptr);
    ~TChartEditorPanel() override;

    TCustomChart* Chart() const { return FChart; }
    void SetChart(TCustomChart* Value);
    bool Locked = false;
    TChartEditForm* Editor() const { return FEditor; }

    // Turns the editor to the page of the chart part under the mouse pointer.
    void SelectUnderMouse();
    // The same for a point of the chart (client coordinates).
    void SelectPartAt(const TPoint& P);

private:
    QPointer<TCustomChart> FChart;
    TChartEditForm* FEditor = nullptr;
};
