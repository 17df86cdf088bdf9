#pragma once
// The points of one series, or of every series of a chart, as a table the user reads and
// types into. The grid keeps no data: every cell is read from and written to the series.
// Row 0 holds the series titles, row 1 (with ShowFields) the value-list names; column 0
// the point numbers, then the colour and label columns when shown, then each series' value
// columns. Cells are addressed by (column, row) through a column table built with the
// layout, so every column knows its series and value list.
#include <QPointer>
#include <QTableView>
#include <functional>
#include <vector>

#include "chart/editors/TCustomTeeNavigator.h"
#include "chart/engine/TeePanelTypes.h"
#include "platform/AnsiString.h"
#include "platform/GraphicsTypes.h"
#include "platform/MouseTypes.h"
#include "platform/TPersistent.h"

class QLineEdit;
class TChartGridModel;
class TChartGridDelegate;
class TChartSeries;
class TChartValueList;
class TCustomAxisPanel;
class TCustomChartGrid;

enum TChartGridShow { cgsAuto, cgsNo, cgsYes };

class TCustomChartGrid : public QTableView, public ITeeEventListener {
    Q_OBJECT
public:
    explicit TCustomChartGrid(QWidget* Parent = nullptr);
    ~TCustomChartGrid() override;

    // ---- properties
    TCustomAxisPanel* Chart() const { return FChart; }
    void SetChart(TCustomAxisPanel* Value);
    TChartSeries* Series() const { return FSeries; }
    // One series (its chart is listened to); clears Chart.
    void SetSeries(TChartSeries* Value);
    bool GetShowColors() const { return FShowColors; }
    void SetShowColors(bool Value) { SetLayoutOption(FShowColors, Value); }
    bool GetShowLabels() const { return FShowLabels; }
    void SetShowLabels(bool Value) { SetLayoutOption(FShowLabels, Value); }
    TChartGridShow GetShowXValues() const { return FShowXValues; }
    void SetShowXValues(TChartGridShow Value) { SetLayoutOption(FShowXValues, Value); }
    bool GetShowFields() const { return FShowFields; }
    void SetShowFields(bool Value) { SetLayoutOption(FShowFields, Value); }
    bool GetGrid3DMode() const { return FGrid3DMode; }
    void SetGrid3DMode(bool Value) { SetLayoutOption(FGrid3DMode, Value); }
    TCustomTeeNavigator* Navigator() const { return FNavigator; }
    void SetNavigator(TCustomTeeNavigator* Value);
    // The grid's editing option (on by default).
    bool AllowEditing = true;
    // Series fed from a data source are edited only with this switch on.
    bool EditSourcedSeries = false;

    TNotifyEvent OnChangeColor;
    std::function<void(QObject* Sender, int Col, int Row, bool& Allow)> OnEditingCell;
    std::function<void(QObject* Sender, int Col, int Row, const AnsiString& Text)> OnSetEditText;
    // The two notifications the navigator listens to: a change of state, a cell selected.
    std::function<void()> OnNavigatorState;
    std::function<void()> OnNavigatorSelect;

    // ---- the grid
    int ColCount() const { return int(FColumns.size()); }
    int RowCount() const { return FRowCount; }
    int FirstRowNum() const { return FShowFields ? 2 : 1; }
    int Col() const;
    int Row() const;
    void SetCell(int Col, int Row);
    bool EditorMode() const { return FEditorMode; }
    // The text a cell shows.
    AnsiString Cells(int Col, int Row) const;
    // The colour a colour cell is filled with.
    TColor CellColor(int Row) const;
    // The series and value list of a column (null for the fixed, colour and label columns).
    TChartSeries* GetSeries(int Col, TChartValueList*& List) const;
    // Whether the series' X column is shown.
    bool XShown(const TChartSeries* Series) const;
    // The series shown, in column order.
    std::vector<TChartSeries*> ShownSeries() const;
    QLineEdit* Editor() const;

    // ---- operations
    void Insert();
    void Delete();
    void AppendRow();
    void StartEditing();
    void StopEditing(bool Cancel);
    void ChangeColor();
    void ChangeColor(TColor Color);
    void Regenerate();
    bool HasPoints() const;
    int LabelsColumn() const;
    int ColorsColumn() const;
    void RecalcDimensions();
    // Writes Text into the cell's point (appending null points as needed).
    void SetEditText(int Col, int Row, const AnsiString& Text);
    bool CanEditShow() const;
    // The keys of the grid; false for keys left to the grid's default handling.
    bool KeyDown(int Key, TShiftState Shift);
    void DblClickCell();

    void TeeEvent(TTeeEvent* Event) override;

protected:
    void keyPressEvent(QKeyEvent* Event) override;
    void mouseDoubleClickEvent(QMouseEvent* Event) override;
    void currentChanged(const QModelIndex& Current, const QModelIndex& Previous) override;

private:
    friend class TChartGridModel;
    friend class TChartGridDelegate;
    // A layout option: stored, and the grid laid out again.
    template <class T>
    void SetLayoutOption(T& Field, T Value)
    {
        Field = Value;
        RecalcDimensions();
    }
    enum TColumnKind { ckIndex, ckColors, ckLabels, ckValue, ckMatrix };
    struct TColumn {
        TColumnKind Kind;
        TChartSeries* Series;
        TChartValueList* List;
        int Z;  // the Z value of a matrix column
    };
    void Listen(TCustomAxisPanel* Chart);
    void Forget();
    int PointIndex(int Row) const { return Row - FirstRowNum(); }
    bool IsDataCell(int Col, int Row) const;
    TChartSeries* ColumnSeries(int Col) const;
    // The point of a matrix cell, or -1.
    int FindXYZIndex(int X, int Z) const;
    TChartSeries* MatrixSeries() const;
    bool PointMissing(int Col, int Row) const;
    void MakeManual();
    void FillTo(TChartSeries* Series, int Index);
    void EditorOpened(int Col, int Row);
    void EditorClosed();
    void Changed();
    void NotifyState();

    TCustomAxisPanel* FChart = nullptr;
    TChartSeries* FSeries = nullptr;
    // The series being removed: the chart still lists it while it tells of the removal.
    TChartSeries* FRemoving = nullptr;
    bool FShowColors = false;
    bool FShowLabels = true;
    TChartGridShow FShowXValues = cgsAuto;
    bool FShowFields = true;
    bool FGrid3DMode = false;
    QPointer<TCustomTeeNavigator> FNavigator;
    std::vector<TColumn> FColumns;
    std::vector<std::pair<TChartSeries*, bool>> FXShown;
    int FRowCount = 0;
    bool FEditorMode = false;
    bool FEditingNull = false;
    AnsiString FEditText;
    TChartGridModel* FModel = nullptr;
    TChartGridDelegate* FDelegate = nullptr;
};

class TChartGrid : public TCustomChartGrid {
    Q_OBJECT
public:
    using TCustomChartGrid::TCustomChartGrid;
};

// The navigator of a chart grid: all nine buttons, acting on the grid.
class TChartGridNavigator : public TCustomTeeNavigator {
    Q_OBJECT
public:
    explicit TChartGridNavigator(QWidget* Parent = nullptr);
    ~TChartGridNavigator() override;

    TCustomChartGrid* Grid() const { return FGrid; }
    void SetGrid(TCustomChartGrid* Value);
    void EnableButtons() override;
    void BtnClick(TTeeNavigateBtn Index) override;

private:
    QPointer<TCustomChartGrid> FGrid;
};
