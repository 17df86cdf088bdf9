#pragma once
// The grid of small live charts from which the user picks a series type: one cell (a
// TGalleryChart) per registered type of a gallery page, the focused cell drawn raised on a
// gradient, keys and mouse to move between cells, and a pop-up of the type's variants.
#include <QPointer>
#include <memory>
#include <vector>

#include "chart/engine/TCustomChart.h"
#include "chart/engine/TeePalette.h"
#include "chart/engine/TeeSeriesTypes.h"
#include "platform/TCustomPanel.h"

class TChartGalleryPanel;
class TChartSeries;
class TTeeForm;
struct TTeeSeriesType;

// The end colour of the focused cell's gradient.
extern TColor clTeeGallery;
// Cells show their axis labels while their form is maximised.
extern bool TeeGalleryCheckMaximize;

// One cell of the gallery: a small chart showing one series type (or one variant).
class TGalleryChart : public TChart {
    Q_OBJECT
public:
    explicit TGalleryChart(TChartGalleryPanel* Panel);

    TChartGalleryPanel* GalleryPanel() const { return FPanel; }
    // Cells that cannot take the checked series as their source are disabled.
    bool CellEnabled() const { return GetCursor() == crHandPoint; }
    bool Smooth = false;
    // Set while the smooth picture is drawn.
    bool Painting = false;
    // The variant index of a cell in a variants pop-up.
    int Tag = 0;
    // The type the cell shows.
    TTeeSeriesType Type;
    bool Hovered() const { return FHover; }

    // The selected cell: grey gradient, raised bevel, bold black title, turned a little.
    void Focus() { ShowFocus(true); }
    void UnFocus()
    {
        if (Focused()) ShowFocus(false);
    }
    bool Focused() const;
    void CheckShowLabels();

    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void DblClick() override;

protected:
    void paintEvent(QPaintEvent* Event) override;
    void enterEvent(QEnterEvent* Event) override;
    void leaveEvent(QEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;
    void focusInEvent(QFocusEvent* Event) override;

private:
    void ShowFocus(bool Focus);
    // The window image, or the smooth picture with the title on top, plus the hover frame
    // and the variant arrow.
    QImage ComposeFrame();
    TChartGalleryPanel* FPanel;
    bool FHover = false;
};

// The cells of a panel, which it owns.
class TChartList : public std::vector<TGalleryChart*> {
public:
    TChartList() = default;
    TChartList(const TChartList&) = delete;
    TChartList& operator=(const TChartList&) = delete;
    ~TChartList() { Clear(); }
    TGalleryChart* GetChart(int Index) const { return at(std::size_t(Index)); }
    int Count() const { return int(size()); }
    // Frees every cell, then empties the list.
    void Clear();
};

class TChartGalleryPanel : public TCustomPanelNoCaption {
    Q_OBJECT
public:
    explicit TChartGalleryPanel(QWidget* Parent = nullptr);
    ~TChartGalleryPanel() override;

    // ---- properties
    bool DisplaySub = true;
    bool FocusRotation = true;
    int GetNumRows() const { return FNumRows; }
    void SetNumRows(int Value);
    int GetNumCols() const { return FNumCols; }
    void SetNumCols(int Value);
    bool GetSmooth() const { return FSmooth; }
    void SetSmooth(bool Value);
    bool GetView3D() const { return FView3D; }
    void SetView3D(bool Value);
    TNotifyEvent OnSelectedChart;
    TNotifyEvent OnChangeChart;
    TNotifyEvent OnSubSelected;

    // ---- state
    int ChartWidth = 0;
    int ChartHeight = 0;
    TGalleryChart* SelectedChart = nullptr;
    TChartList Charts;
    bool FunctionsGallery = false;
    bool CheckValidSource = false;
    QPointer<TChartSeries> CheckSeries;
    bool IsSubGallery = false;

    // ---- operations
    void CreateGalleryPage(const AnsiString& Page);
    // One cell per class, as plain series types.
    void CreateChartList(const std::vector<TChartSeriesClass>& Classes);
    TGalleryChart* CreateChart(const TTeeSeriesType& Type);
    // A cell for the variant type being built (the callback of a series' variant list).
    TGalleryChart* CreateSubChart(const AnsiString& Caption);
    // Replaces the cells by one per variant of Type (Tag = variant index).
    void CreateVariants(const TTeeSeriesType& Type);
    virtual void SelectChart(TGalleryChart* Chart);
    void ShowSelectedChart();
    void FindSelectedChart();
    bool GetSeriesClass(TChartSeriesClass& Series, TTeeFunctionClass& Function, int& SubIndex) const;
    void GetChartXY(const TGalleryChart* Chart, int& X, int& Y) const;
    void ResizeCharts();
    // Opens the variants pop-up of the selected cell.
    void ShowSubGallery();
    bool ValidSeries(const TTeeSeriesType& Type, const AnsiString& Page) const;
    // Gives every cell a theme of that class; the cells' series keep the gallery's look.
    void UseTheme(const TChartThemeClass& ThemeClass);
    // Arrow keys, Alt+Down and Enter (Qt key codes).
    void KeyDown(int Key, TShiftState Shift);
    // A double click or Enter on a cell: records the choice and raises OnSelectedChart.
    void ChartOnDblClick(TGalleryChart* Chart);
    // A left press on a cell at (X, Y): selects it; on the variant arrow, opens the variants.
    void ChartMouseDown(TGalleryChart* Chart, int X, int Y);
    // The square of the variant arrow of Chart (12 x 12, lower-left corner at the arrow).
    TRect SubArrowRect(const TGalleryChart* Chart) const;
    // The pop-up while it is open (for tests).
    TTeeForm* SubGalleryForm() const { return FSubForm; }
    TChartGalleryPanel* SubGalleryPanel() const { return FSubPanel; }

    void Resize() override;

protected:
    void keyPressEvent(QKeyEvent* Event) override;
    // The panel's colour and bevels around and between the cells: the room a page with
    // fewer cells leaves free must not keep the pictures of the page shown before.
    void paintEvent(QPaintEvent* Event) override;

private:
    void PlaceChart(TGalleryChart* Chart, int Index);
    void CalcChartSize();
    void FillCell(TGalleryChart* Chart, const TTeeSeriesType& Type);
    void SubSelected();
    // The series class a type's cells are made of (plain line series for functions).
    static TChartSeriesClass CellSeriesClass(const TTeeSeriesType& Type);

    int FNumRows = 3;
    int FNumCols = 4;
    bool FSmooth = false;
    bool FSmoothAtStart = false;
    bool FView3D = true;
    // The type whose cells are being built (pages and variants).
    TTeeSeriesType FBuildType;
    TTeeForm* FSubForm = nullptr;
    TChartGalleryPanel* FSubPanel = nullptr;
};

// The gallery options in the user's settings.
bool DefaultSmooth();
int DefaultMode();
void SaveSmooth(bool Value);
void SaveMode(int Value);
