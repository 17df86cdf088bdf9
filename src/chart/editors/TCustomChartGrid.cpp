#include "chart/editors/TCustomChartGrid.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPixmap>
#include <QStyledItemDelegate>
#include <algorithm>

#include "chart/editors/TTeeForm.h"
#include "chart/engine/TChartSeries.h"
#include "chart/engine/TChartValueList.h"
#include "chart/engine/TCustomAxisPanel.h"
#include "chart/engine/TCustomSeriesList.h"
#include "chart/engine/TTeeSeriesSource.h"
#include "chart/engine/TeeColorButton.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeSeriesEdit.h"
#include "platform/DateTime.h"
#include "platform/Exception.h"
#include "platform/FormatSettings.h"
#include "platform/FreeNotification.h"
#include "platform/TBitmap.h"

// ---- the model: every cell asks the grid -----------------------------------------------

class TChartGridModel : public QAbstractTableModel {
public:
    explicit TChartGridModel(TCustomChartGrid* Grid) : QAbstractTableModel(Grid), FGrid(Grid) {}
    int rowCount(const QModelIndex& Parent) const override { return Parent.isValid() ? 0 : FGrid->RowCount(); }
    int columnCount(const QModelIndex& Parent) const override { return Parent.isValid() ? 0 : FGrid->ColCount(); }
    QVariant data(const QModelIndex& Index, int Role) const override;
    bool setData(const QModelIndex& Index, const QVariant& Value, int Role) override;
    Qt::ItemFlags flags(const QModelIndex& Index) const override;
    void Reset()
    {
        beginResetModel();
        endResetModel();
    }
    void Refresh()
    {
        if (rowCount({}) > 0 && columnCount({}) > 0)
            emit dataChanged(index(0, 0), index(rowCount({}) - 1, columnCount({}) - 1));
    }

private:
    TCustomChartGrid* FGrid;
};

// The in-place editor: opened only where the grid allows it; the grid hears of it opening
// and closing.
class TChartGridDelegate : public QStyledItemDelegate {
public:
    explicit TChartGridDelegate(TCustomChartGrid* Grid) : QStyledItemDelegate(Grid), FGrid(Grid)
    {
        connect(this, &QAbstractItemDelegate::closeEditor, Grid,
                [Grid] { TTeeForm::Guard([Grid] { Grid->EditorClosed(); }); });
    }
    QWidget* createEditor(QWidget* Parent, const QStyleOptionViewItem& Option, const QModelIndex& Index) const override
    {
        if (!FGrid->CanEditShow()) return nullptr;
        auto* editor = qobject_cast<QLineEdit*>(QStyledItemDelegate::createEditor(Parent, Option, Index));
        if (!editor) return nullptr;
        FGrid->EditorOpened(Index.column(), Index.row());
        FEditor = editor;
        return editor;
    }
    void setModelData(QWidget* Editor, QAbstractItemModel*, const QModelIndex& Index) const override
    {
        auto* edit = qobject_cast<QLineEdit*>(Editor);
        if (!edit) return;
        const AnsiString text = edit->text().toStdString();
        // Leaving editor mode first: an empty text then makes the point null.
        FGrid->FEditorMode = false;
        TTeeForm::Guard([&] { FGrid->SetEditText(Index.column(), Index.row(), text); });
    }
    mutable QPointer<QLineEdit> FEditor;

private:
    TCustomChartGrid* FGrid;
};

QVariant TChartGridModel::data(const QModelIndex& Index, int Role) const
{
    const int c = Index.column(), r = Index.row();
    switch (Role) {
        case Qt::DisplayRole: return QString::fromStdString(FGrid->Cells(c, r));
        case Qt::EditRole:
            return QString::fromStdString(FGrid->FEditorMode && FGrid->FEditingNull ? AnsiString()
                                                                                    : FGrid->Cells(c, r));
        case Qt::BackgroundRole:
            if (c == 0 || r < FGrid->FirstRowNum()) return TColorToQColor(ColorToRGB(clBtnFace));
            if (c == FGrid->ColorsColumn()) return TColorToQColor(ColorToRGB(FGrid->CellColor(r)));
            return {};
        case Qt::DecorationRole: {
            if (r != 0 || c >= FGrid->ColCount()) return {};
            const TCustomChartGrid::TColumn& col = FGrid->FColumns[std::size_t(c)];
            if (!col.Series || (c > 0 && FGrid->FColumns[std::size_t(c - 1)].Series == col.Series)) return {};
            TBitmap symbol;
            symbol.SetSize(12, 12);
            symbol.Canvas()->Brush()->SetColor(ColorToRGB(clBtnFace));
            symbol.Canvas()->FillRect(TRect{0, 0, 12, 12});
            PaintSeriesLegend(col.Series, symbol.Canvas(), TRect{0, 0, 12, 12}, FGrid->FChart);
            return QPixmap::fromImage(symbol.Image());
        }
        default: return {};
    }
}

bool TChartGridModel::setData(const QModelIndex&, const QVariant&, int)
{
    // The delegate writes through the grid itself.
    return false;
}

Qt::ItemFlags TChartGridModel::flags(const QModelIndex& Index) const
{
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (FGrid->IsDataCell(Index.column(), Index.row()) && Index.column() != FGrid->ColorsColumn())
        f |= Qt::ItemIsEditable;
    return f;
}

// ---- the grid --------------------------------------------------------------------------

TCustomChartGrid::TCustomChartGrid(QWidget* Parent) : QTableView(Parent)
{
    FModel = new TChartGridModel(this);
    FDelegate = new TChartGridDelegate(this);
    setModel(FModel);
    setItemDelegate(FDelegate);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setTabKeyNavigation(true);
    RecalcDimensions();
}

TCustomChartGrid::~TCustomChartGrid()
{
    Forget();
}

void TCustomChartGrid::Listen(TCustomAxisPanel* Chart)
{
    if (!Chart) return;
    Chart->Listeners.Add(this);
    TeeFreeNotification(Chart, this, [this](QObject*) {
        // The chart and its series are gone; their listener list went with them.
        FChart = nullptr;
        FSeries = nullptr;
        RecalcDimensions();
    });
}

void TCustomChartGrid::Forget()
{
    if (FSeries) TeeRemoveFreeNotification(FSeries, this);
    auto* listened = FChart ? FChart : (FSeries ? dynamic_cast<TCustomAxisPanel*>(FSeries->ParentChart()) : nullptr);
    if (listened) {
        listened->RemoveListener(this);
        TeeRemoveFreeNotification(listened, this);
    }
}

void TCustomChartGrid::SetChart(TCustomAxisPanel* Value)
{
    if (FChart == Value && !FSeries) return;
    Forget();
    FSeries = nullptr;
    FChart = Value;
    Listen(FChart);
    Regenerate();
}

void TCustomChartGrid::SetSeries(TChartSeries* Value)
{
    Forget();
    FChart = nullptr;
    FSeries = Value;
    if (FSeries) {
        Listen(dynamic_cast<TCustomAxisPanel*>(FSeries->ParentChart()));
        TeeFreeNotification(FSeries, this, [this](QObject*) {
            FSeries = nullptr;
            RecalcDimensions();
        });
    }
    Regenerate();
}

void TCustomChartGrid::SetNavigator(TCustomTeeNavigator* Value)
{
    FNavigator = Value;
    NotifyState();
}

std::vector<TChartSeries*> TCustomChartGrid::ShownSeries() const
{
    std::vector<TChartSeries*> result;
    if (FSeries) {
        result.push_back(FSeries);
    } else if (FChart) {
        for (TChartSeries* s : *FChart->SeriesList())
            if (!s->InternalUse && s != FRemoving) result.push_back(s);
    }
    return result;
}

bool TCustomChartGrid::XShown(const TChartSeries* Series) const
{
    for (const auto& [s, shown] : FXShown)
        if (s == Series) return shown;
    return false;
}

namespace {

// The series' X column: the list that is not drawn on the value axis.
TChartValueList* XList(const TChartSeries* Series)
{
    return Series->NotMandatoryValueList();
}

bool HasOwnX(const TChartSeries* Series)
{
    const TChartValueList* x = XList(Series);
    for (int i = 0; i < x->Count(); ++i)
        if (x->Value(i) != double(i)) return true;
    return false;
}

TChartValueList* ZList(const TChartSeries* Series)
{
    return Series->GetYValueList("Z");
}

}  // namespace

TChartSeries* TCustomChartGrid::MatrixSeries() const
{
    for (TChartSeries* s : ShownSeries())
        if (s->HasThirdValues && ZList(s) && ZList(s) != s->YValues()) return s;
    return nullptr;
}

int TCustomChartGrid::FindXYZIndex(int X, int Z) const
{
    TChartSeries* s = MatrixSeries();
    if (!s) return -1;
    const TChartValueList* z = ZList(s);
    for (int i = 0; i < s->Count(); ++i)
        if (s->XValues()->Value(i) == X && z->Value(i) == Z) return i;
    return -1;
}

void TCustomChartGrid::RecalcDimensions()
{
    FColumns.clear();
    FXShown.clear();
    FColumns.push_back({ckIndex, nullptr, nullptr, 0});
    int points = 0;
    if (TChartSeries* matrix = FGrid3DMode ? MatrixSeries() : nullptr) {
        int maxX = -1, maxZ = -1;
        for (int i = 0; i < matrix->Count(); ++i) {
            maxX = std::max(maxX, int(matrix->XValues()->Value(i)));
            maxZ = std::max(maxZ, int(ZList(matrix)->Value(i)));
        }
        for (int z = 0; z <= maxZ; ++z) FColumns.push_back({ckMatrix, matrix, matrix->MandatoryValueList(), z});
        points = maxX + 1;
    } else {
        if (FShowColors) FColumns.push_back({ckColors, nullptr, nullptr, 0});
        if (FShowLabels) FColumns.push_back({ckLabels, nullptr, nullptr, 0});
        for (TChartSeries* s : ShownSeries()) {
            const bool x = FShowXValues == cgsYes || (FShowXValues == cgsAuto && HasOwnX(s));
            FXShown.emplace_back(s, x);
            if (x) FColumns.push_back({ckValue, s, XList(s), 0});
            FColumns.push_back({ckValue, s, s->MandatoryValueList(), 0});
            const TChartValueLists& lists = s->ValuesList();
            for (int i = 2; i < lists.Count(); ++i) FColumns.push_back({ckValue, s, lists[i], 0});
            points = std::max(points, s->Count());
        }
    }
    const int oldCol = Col(), oldRow = Row();
    FRowCount = FirstRowNum() + std::max(1, points);
    FModel->Reset();
    for (int c = 0; c < ColCount(); ++c)
        setColumnWidth(c, FColumns[std::size_t(c)].Kind == ckIndex    ? 30
                          : FColumns[std::size_t(c)].Kind == ckColors ? 40
                                                                      : 64);
    for (int r = 0; r < FRowCount; ++r) setRowHeight(r, r == 0 ? 20 : 16);
    SetCell(std::clamp(oldCol, std::min(1, ColCount() - 1), ColCount() - 1),
            std::clamp(oldRow, FirstRowNum(), FRowCount - 1));
    NotifyState();
}

void TCustomChartGrid::Regenerate()
{
    RecalcDimensions();
    SetCell(std::min(1, ColCount() - 1), FirstRowNum());
}

int TCustomChartGrid::Col() const
{
    return currentIndex().isValid() ? currentIndex().column() : -1;
}

int TCustomChartGrid::Row() const
{
    return currentIndex().isValid() ? currentIndex().row() : -1;
}

void TCustomChartGrid::SetCell(int ACol, int ARow)
{
    if (ACol < 0 || ARow < 0 || ACol >= ColCount() || ARow >= RowCount()) return;
    setCurrentIndex(FModel->index(ARow, ACol));
}

void TCustomChartGrid::currentChanged(const QModelIndex& Current, const QModelIndex& Previous)
{
    QTableView::currentChanged(Current, Previous);
    if (OnNavigatorSelect) TTeeForm::Guard(OnNavigatorSelect);
}

void TCustomChartGrid::NotifyState()
{
    if (OnNavigatorState) TTeeForm::Guard(OnNavigatorState);
}

int TCustomChartGrid::LabelsColumn() const
{
    for (int c = 0; c < ColCount(); ++c)
        if (FColumns[std::size_t(c)].Kind == ckLabels) return c;
    return -1;
}

int TCustomChartGrid::ColorsColumn() const
{
    for (int c = 0; c < ColCount(); ++c)
        if (FColumns[std::size_t(c)].Kind == ckColors) return c;
    return -1;
}

TChartSeries* TCustomChartGrid::GetSeries(int ACol, TChartValueList*& List) const
{
    List = nullptr;
    if (ACol < 0 || ACol >= ColCount()) return nullptr;
    const TColumn& c = FColumns[std::size_t(ACol)];
    List = c.List;
    return c.Series;
}

TChartSeries* TCustomChartGrid::ColumnSeries(int ACol) const
{
    TChartValueList* list = nullptr;
    if (TChartSeries* s = GetSeries(ACol, list)) return s;
    const std::vector<TChartSeries*> shown = ShownSeries();
    return shown.empty() ? nullptr : shown.front();
}

bool TCustomChartGrid::IsDataCell(int ACol, int ARow) const
{
    return ACol > 0 && ACol < ColCount() && ARow >= FirstRowNum() && ARow < RowCount();
}

bool TCustomChartGrid::HasPoints() const
{
    for (TChartSeries* s : ShownSeries())
        if (s->Count() > 0) return true;
    return false;
}

QLineEdit* TCustomChartGrid::Editor() const
{
    return FDelegate->FEditor;
}

AnsiString TCustomChartGrid::Cells(int ACol, int ARow) const
{
    if (ACol < 0 || ACol >= ColCount() || ARow < 0 || ARow >= RowCount()) return AnsiString();
    const TColumn& c = FColumns[std::size_t(ACol)];
    const int index = PointIndex(ARow);
    if (ARow == 0) {
        if (c.Kind == ckMatrix) return IntToStr(c.Z);
        const bool first = c.Series && !(ACol > 0 && FColumns[std::size_t(ACol - 1)].Series == c.Series);
        return first ? SeriesTitleOrName(c.Series) : AnsiString();
    }
    if (FShowFields && ARow == 1) {
        switch (c.Kind) {
            case ckColors: return TeeMsg_Colors;
            case ckLabels: return TeeMsg_Text;
            case ckValue: return c.List->GetName();
            default: return AnsiString();
        }
    }
    switch (c.Kind) {
        case ckIndex: return IntToStr(index);
        case ckColors: return AnsiString();
        case ckLabels:
            for (TChartSeries* s : ShownSeries())
                if (index < s->Count()) return s->GetXLabel(index);
            return AnsiString();
        case ckValue:
            if (index >= c.Series->Count() || c.Series->IsNull(index)) return AnsiString();
            return c.List->GetDateTime() ? DateTimeToStr(c.List->Value(index)) : FloatToStr(c.List->Value(index));
        case ckMatrix: {
            const int point = FindXYZIndex(index, c.Z);
            if (point < 0 || c.Series->IsNull(point)) return AnsiString();
            return FloatToStr(c.List->Value(point));
        }
    }
    return AnsiString();
}

TColor TCustomChartGrid::CellColor(int ARow) const
{
    TChartSeries* s = ColumnSeries(ColorsColumn());
    const int index = PointIndex(ARow);
    if (!s || index < 0 || index >= s->Count() || s->IsNull(index)) return clWindow;
    return s->ValueColor(index);
}

bool TCustomChartGrid::PointMissing(int ACol, int ARow) const
{
    TChartSeries* s = ColumnSeries(ACol);
    const int index = PointIndex(ARow);
    if (FColumns[std::size_t(ACol)].Kind == ckMatrix) {
        const int point = FindXYZIndex(index, FColumns[std::size_t(ACol)].Z);
        return point < 0 || s->IsNull(point);
    }
    return !s || index >= s->Count() || s->IsNull(index);
}

void TCustomChartGrid::MakeManual()
{
    for (TChartSeries* s : ShownSeries()) {
        if (s->DataSource()) s->SetDataSource(nullptr);
        s->ManualData = true;
    }
}

void TCustomChartGrid::FillTo(TChartSeries* Series, int Index)
{
    while (Series->Count() <= Index) Series->AddNull(0);
}

void TCustomChartGrid::SetEditText(int ACol, int ARow, const AnsiString& Text)
{
    if (!IsDataCell(ACol, ARow)) return;
    const TColumn& c = FColumns[std::size_t(ACol)];
    const int index = PointIndex(ARow);
    MakeManual();
    TChartSeries* changed = c.Series;
    if (c.Kind == ckLabels) {
        for (TChartSeries* s : ShownSeries()) {
            FillTo(s, index);
            s->SetXLabel(index, Text);
        }
    } else if (c.Kind == ckValue || c.Kind == ckMatrix) {
        int point = index;
        if (c.Kind == ckMatrix) {
            point = FindXYZIndex(index, c.Z);
            if (point < 0) {
                point = c.Series->AddNullXY(index, 0);
                ZList(c.Series)->SetValue(point, c.Z);
            }
        } else {
            FillTo(c.Series, index);
        }
        const AnsiString text = Trim(Text);
        if (!text.empty()) {
            double value = 0;
            if (c.List->GetDateTime()) {
                TDateTime dt = 0;
                if (!TryStrToDateTime(text, dt)) throw EConvertError("'" + text + "' is not a valid date and time");
                value = dt;
            } else {
                value = StrToFloat(text);
            }
            const bool wasNull = c.Series->IsNull(point);
            c.List->SetValue(point, value);
            if (wasNull) c.Series->SetValueColor(point, clDefault);
        } else if (!FEditorMode) {
            c.Series->SetNull(point);
        }
    } else {
        return;
    }
    for (TChartSeries* s : ShownSeries()) s->RefreshSeries();
    if (changed) changed->Repaint();
    if (FChart) FChart->Invalidate();
    RecalcDimensions();
    if (OnSetEditText) OnSetEditText(this, ACol, ARow, Text);
}

bool TCustomChartGrid::CanEditShow() const
{
    const int c = Col(), r = Row();
    if (!AllowEditing || !IsDataCell(c, r) || c == ColorsColumn()) return false;
    TChartSeries* s = ColumnSeries(c);
    if (s && s->DataSource() && !EditSourcedSeries) return false;
    bool allow = true;
    if (OnEditingCell) OnEditingCell(const_cast<TCustomChartGrid*>(this), c, r, allow);
    return allow;
}

void TCustomChartGrid::EditorOpened(int ACol, int ARow)
{
    FEditingNull = PointMissing(ACol, ARow);
    FEditText = FEditingNull ? AnsiString() : Cells(ACol, ARow);
    FEditorMode = true;
    NotifyState();
}

void TCustomChartGrid::EditorClosed()
{
    FEditorMode = false;
    FDelegate->FEditor = nullptr;
    NotifyState();
}

void TCustomChartGrid::StartEditing()
{
    if (!AllowEditing || FEditorMode || !CanEditShow()) return;
    edit(currentIndex());
}

void TCustomChartGrid::StopEditing(bool Cancel)
{
    if (!FEditorMode) return;
    QLineEdit* editor = Editor();
    if (!editor) {
        EditorClosed();
        return;
    }
    if (Cancel) {
        // The point keeps what it had: nothing is written.
        editor->clear();
        FEditorMode = false;
        emit FDelegate->closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
    } else {
        emit FDelegate->commitData(editor);
        emit FDelegate->closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
    EditorClosed();
}

void TCustomChartGrid::AppendRow()
{
    TChartSeries* s = ColumnSeries(Col());
    if (!s) return;
    MakeManual();
    s->AddNull(0);
    const int c = Col();
    RecalcDimensions();
    SetCell(c, RowCount() - 1);
}

void TCustomChartGrid::Insert()
{
    // The rows follow the series' counts: a grid without points keeps its one empty row.
    MakeManual();
    for (TChartSeries* s : ShownSeries()) s->AddNullXY(s->Count(), 0);
    const int c = Col();
    RecalcDimensions();
    SetCell(c, RowCount() - 1);
}

void TCustomChartGrid::Delete()
{
    if (!AllowEditing) return;
    const int index = PointIndex(Row());
    if (index < 0) return;
    for (TChartSeries* s : ShownSeries()) {
        if (index >= s->Count()) continue;
        s->Delete(index);
        if (!XShown(s)) XList(s)->FillSequence();
        s->Repaint();
    }
    const int c = Col(), r = Row();
    RecalcDimensions();
    SetCell(c, std::min(r, RowCount() - 1));
}

void TCustomChartGrid::ChangeColor()
{
    if (Col() != ColorsColumn() || Col() < 0) return;
    TChartSeries* s = ColumnSeries(Col());
    const int index = PointIndex(Row());
    if (!s || index < 0 || index >= s->Count()) return;
    TColor color = s->ValueColor(index);
    if (EditColorDialog(this, color)) ChangeColor(color);
}

void TCustomChartGrid::ChangeColor(TColor Color)
{
    TChartSeries* s = ColumnSeries(ColorsColumn());
    const int index = PointIndex(Row());
    if (!s || index < 0 || index >= s->Count()) return;
    s->SetValueColor(index, Color);
    MakeManual();
    FModel->Refresh();
    if (OnChangeColor) OnChangeColor(this);
}

bool TCustomChartGrid::KeyDown(int Key, TShiftState Shift)
{
    if (Shift & ssCtrl) return false;
    const bool last = Row() == RowCount() - 1;
    const bool colours = FShowColors && Col() == ColorsColumn();
    switch (Key) {
        case Qt::Key_Down:
            if (!last || !AllowEditing) return false;
            AppendRow();
            return true;
        case Qt::Key_Up: {
            TChartSeries* s = ColumnSeries(Col());
            const int index = PointIndex(Row());
            if (!last || !s || index < 0 || index >= s->Count() || !s->IsNull(index) || !s->GetXLabel(index).empty())
                return false;
            s->Delete(index);
            const int c = Col();
            RecalcDimensions();
            SetCell(c, RowCount() - 1);
            return true;
        }
        case Qt::Key_Insert:
            if (!AllowEditing) return false;
            Insert();
            return true;
        case Qt::Key_Delete:
            StartEditing();
            if (QLineEdit* e = Editor()) e->clear();
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            if (!colours) return false;
            ChangeColor();
            return true;
        case Qt::Key_F2:
            if (colours)
                ChangeColor();
            else
                StartEditing();
            return true;
        case Qt::Key_Escape: StopEditing(true); return true;
        default: return false;
    }
}

void TCustomChartGrid::keyPressEvent(QKeyEvent* Event)
{
    bool handled = false;
    const int key = Event->key();
    const TShiftState shift = ShiftStateOf(Event->modifiers(), Qt::NoButton);
    TTeeForm::Guard([&] { handled = KeyDown(key, shift); });
    if (!handled) QTableView::keyPressEvent(Event);
}

void TCustomChartGrid::DblClickCell()
{
    if (AllowEditing && Col() >= 0 && Col() == ColorsColumn()) ChangeColor();
}

void TCustomChartGrid::mouseDoubleClickEvent(QMouseEvent* Event)
{
    if (Col() >= 0 && Col() == ColorsColumn()) {
        TTeeForm::Guard([this] { DblClickCell(); });
        return;
    }
    QTableView::mouseDoubleClickEvent(Event);
}

void TCustomChartGrid::TeeEvent(TTeeEvent* Event)
{
    auto* e = dynamic_cast<TTeeSeriesEvent*>(Event);
    if (!e) return;
    switch (e->Event) {
        case seRemove:
            if (e->Series == FSeries) {
                TeeRemoveFreeNotification(FSeries, this);
                FSeries = nullptr;
            }
            // The chart still lists the series while it tells of its removal.
            FRemoving = static_cast<TChartSeries*>(e->Series);
            RecalcDimensions();
            FRemoving = nullptr;
            break;
        case seAdd:
        case seSwap:
        case seDataChanged: RecalcDimensions(); break;
        case seChangeTitle:
        case seChangeColor:
        case seChangeActive: FModel->Refresh(); break;
    }
}

// ---- the navigator of the grid ---------------------------------------------------------

TChartGridNavigator::TChartGridNavigator(QWidget* Parent) : TCustomTeeNavigator(Parent)
{
    for (int i = 0; i <= nbCancel; ++i) Button(TTeeNavigateBtn(i))->setVisible(true);
    SetSize(width(), height());
}

TChartGridNavigator::~TChartGridNavigator()
{
    if (FGrid) {
        FGrid->OnNavigatorState = nullptr;
        FGrid->OnNavigatorSelect = nullptr;
    }
}

void TChartGridNavigator::SetGrid(TCustomChartGrid* Value)
{
    if (FGrid) {
        FGrid->OnNavigatorState = nullptr;
        FGrid->OnNavigatorSelect = nullptr;
    }
    FGrid = Value;
    if (FGrid) {
        FGrid->OnNavigatorState = [this] { EnableButtons(); };
        FGrid->OnNavigatorSelect = [this] { EnableButtons(); };
        FGrid->SetNavigator(this);
    }
    EnableButtons();
}

void TChartGridNavigator::EnableButtons()
{
    TCustomChartGrid* g = FGrid;
    if (!g) {
        for (int i = 0; i <= nbCancel; ++i) Button(TTeeNavigateBtn(i))->setEnabled(false);
        return;
    }
    const int row = g->Row(), first = g->FirstRowNum(), last = g->RowCount() - 1;
    Button(nbFirst)->setEnabled(row > first);
    Button(nbPrior)->setEnabled(row > first);
    Button(nbNext)->setEnabled(row >= 0 && row < last);
    Button(nbLast)->setEnabled(row >= 0 && row < last);
    const bool insert =
        g->AllowEditing && !g->EditorMode() && ((g->Chart() && g->Chart()->SeriesCount() > 0) || g->Series());
    Button(nbInsert)->setEnabled(insert);
    Button(nbDelete)->setEnabled(g->RowCount() > 1 && insert && g->HasPoints());
    Button(nbEdit)->setEnabled(insert);
    Button(nbPost)->setEnabled(g->EditorMode());
    Button(nbCancel)->setEnabled(g->EditorMode());
}

void TChartGridNavigator::BtnClick(TTeeNavigateBtn Index)
{
    if (TCustomChartGrid* g = FGrid) {
        const int col = g->Col();
        switch (Index) {
            case nbFirst: g->SetCell(col, g->FirstRowNum()); break;
            case nbPrior:
                if (g->Row() > g->FirstRowNum()) g->SetCell(col, g->Row() - 1);
                break;
            case nbNext:
                if (g->Row() < g->RowCount() - 1) g->SetCell(col, g->Row() + 1);
                break;
            case nbLast: g->SetCell(col, g->RowCount() - 1); break;
            case nbInsert: g->Insert(); break;
            case nbDelete: g->Delete(); break;
            case nbEdit:
                g->setFocus();
                g->StartEditing();
                break;
            case nbPost: g->StopEditing(false); break;
            case nbCancel: g->StopEditing(true); break;
        }
    }
    TCustomTeeNavigator::BtnClick(Index);
}
