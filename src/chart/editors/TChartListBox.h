#pragma once
// The list of a chart's series: one owner-drawn row per series with its type's picture, an
// active check box (or radio button), its legend symbol and its title. It follows the
// chart's series events, and lets the user switch series on and off, recolour, retype,
// rename, reorder by dragging, add, clone and delete them.
#include <QListWidget>
#include <QPointer>
#include <functional>

#include "chart/engine/TChartLegend.h"
#include "chart/engine/TeePanelTypes.h"
#include "chart/engine/TeeSeriesTypes.h"
#include "platform/AnsiString.h"
#include "platform/GraphicsTypes.h"

class QLineEdit;
class TCanvas;
class TChartSeries;
class TCustomAxisPanel;
class TSeriesGroup;

enum TListBoxSection { lbSeriesIcon, lbActiveCheck, lbSeriesColor, lbSeriesTitle };

// Installed by the series gallery: a new series for Chart (starting from Series' type),
// or null; and the type change of Series, returning its new class (null when cancelled).
using TAddGalleryEvent = std::function<TChartSeries*(QObject* Owner, TCustomAxisPanel* Chart, TChartSeries* Series)>;
using TChangeGalleryEvent = std::function<TChartSeriesClass(QObject* Owner, TChartSeries*& Series)>;
extern TAddGalleryEvent TeeAddGalleryProc;
extern TChangeGalleryEvent TeeChangeGalleryProc;
// Sets both hooks to the series gallery (done once when the first list box is made).
void TeeInstallGalleryHooks();

class TChartListBox : public QListWidget, public ITeeEventListener {
    Q_OBJECT
public:
    explicit TChartListBox(QWidget* Parent = nullptr);
    ~TChartListBox() override;

    // ---- properties
    TCustomAxisPanel* Chart() const { return FChart; }
    void SetChart(TCustomAxisPanel* Value);
    bool AllowAddSeries = true;
    bool AllowDeleteSeries = true;
    bool AskDelete = true;
    TCheckBoxesStyle GetCheckStyle() const { return FCheckStyle; }
    void SetCheckStyle(TCheckBoxesStyle Value);
    bool EnableChangeColor = true;
    bool EnableDragSeries = true;
    bool EnableChangeType = true;
    bool GetShowSection(TListBoxSection Section) const { return FSections[Section].Visible; }
    void SetShowSection(TListBoxSection Section, bool Value);
    void SetShowSeriesIcon(bool Value) { SetShowSection(lbSeriesIcon, Value); }
    void SetShowActiveCheck(bool Value) { SetShowSection(lbActiveCheck, Value); }
    void SetShowSeriesColor(bool Value) { SetShowSection(lbSeriesColor, Value); }
    void SetShowSeriesTitle(bool Value) { SetShowSection(lbSeriesTitle, Value); }
    // Shows the series of one group instead of every series (null: all).
    void SetGroup(TSeriesGroup* Value);
    // Shows component names instead of titles.
    void SetNames(bool Value);
    // A second list kept equal to the rows' texts (not owned).
    QStringList* OtherItems = nullptr;

    std::function<void(QObject* Sender, TChartSeries* Series)> OnChangeActive;
    std::function<void(QObject* Sender, TChartSeries* Series)> OnChangeColor;
    std::function<void(QObject* Sender, TChartSeries* Series1, TChartSeries* Series2)> OnChangeOrder;
    std::function<void(QObject* Sender, int Index)> OnDblClickSeries;
    std::function<void(QObject* Sender)> OnOtherItemsChange;
    std::function<void(QObject* Sender)> OnRefresh;
    std::function<void(QObject* Sender, TChartSeries* Series)> OnRemovedSeries;

    // ---- operations
    void FillSeries(TChartSeries* Select);
    void UpdateSeries();
    TChartSeries* GetSeries(int Row) const;
    TChartSeries* GetSelectedSeries() const;
    void SetSelectedSeries(TChartSeries* Series);
    void SelectSeries(int Row);
    bool AnySelected() const;
    void SelectAll();
    void SwapSeries(int Row1, int Row2);
    void MoveCurrentUp();
    void MoveCurrentDown();
    bool DeleteSeries();
    void CloneSeries();
    void ChangeTypeSeries(QObject* Sender);
    void AddSeriesGallery();
    bool RenameSeries();
    void ShowEditor();
    void HideEditor();
    QLineEdit* Editor() const { return FEditor; }
    int SectionLeft(TListBoxSection Section) const;
    bool PointInSection(const QPoint& P, TListBoxSection Section) const;
    // The row under P (list coordinates), or -1.
    int SeriesAtMousePos(const QPoint& P) const;

    // ---- user input, as the mouse and keys deliver it (row coordinates are the list's)
    void ClickAt(const QPoint& P);
    void DblClickAt(const QPoint& P);
    void DragDrop(int FromRow, int ToRow);
    void KeyUp(int Key);

    void TeeEvent(TTeeEvent* Event) override;

protected:
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    void mouseDoubleClickEvent(QMouseEvent* Event) override;
    void keyReleaseEvent(QKeyEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    struct TSectionInfo {
        int Width;
        bool Visible;
    };
    void DrawRow(TCanvas* Canvas, int Index, const TRect& Rect, bool Selected);
    void RemoveRow(int Row);
    void CopyToOtherItems();
    AnsiString RowText(const TChartSeries* Series) const;
    std::vector<TChartSeries*> SelectedSeriesList() const;
    // The list without a chart.
    void ClearSeries();
    void EndEditor(bool Store);

    TCustomAxisPanel* FChart = nullptr;
    QPointer<TSeriesGroup> FGroup;
    TCheckBoxesStyle FCheckStyle = cbsCheck;
    bool FNames = false;
    TSectionInfo FSections[4] = {{26, true}, {16, true}, {26, true}, {216, true}};
    QLineEdit* FEditor = nullptr;
    bool FEditing = false;
    int FDragRow = -1;
    bool FDragging = false;
    bool FAfterDblClick = false;
    QPoint FPressPos;
    bool FSwapping = false;
};
