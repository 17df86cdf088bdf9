#include "chart/editors/TChartListBox.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <algorithm>

#include "chart/editors/TTeeForm.h"
#include "chart/editors/TeeEditorBitmaps.h"
#include "chart/editors/TeeListenedPanel.h"
#include "chart/editors/TeeOwnerDraw.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/engine/TChartSeries.h"
#include "chart/engine/TCustomAxisPanel.h"
#include "chart/engine/TSeriesGroup.h"
#include "chart/engine/TTeeSeriesSource.h"
#include "chart/engine/TeeColorButton.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeProcs.h"
#include "chart/engine/TeeSeriesEdit.h"
#include "platform/Dialogs.h"
#include "platform/StoreChanged.h"
#include "platform/TCanvas.h"

TAddGalleryEvent TeeAddGalleryProc;
TChangeGalleryEvent TeeChangeGalleryProc;

TChartListBox::TChartListBox(QWidget* Parent) : QListWidget(Parent)
{
    static const bool hooks = (TeeInstallGalleryHooks(), true);
    (void)hooks;
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setMouseTracking(true);
    TeeOwnerDrawList(this, 24, [this](TCanvas* c, int i, const TRect& r, bool s) { DrawRow(c, i, r, s); });
}

TChartListBox::~TChartListBox()
{
    if (FChart) FChart->RemoveListener(this);
}

void TChartListBox::SetChart(TCustomAxisPanel* Value)
{
    if (FChart == Value) return;
    // A chart that is gone takes its series with it.
    TeeListenTo(FChart, Value, this, [this] { ClearSeries(); });
    if (FChart)
        FillSeries(nullptr);
    else
        ClearSeries();
}

void TChartListBox::ClearSeries()
{
    clear();
    CopyToOtherItems();
}

void TChartListBox::SetCheckStyle(TCheckBoxesStyle Value)
{
    if (!StoreChanged(FCheckStyle, Value)) return;
    if (Value == cbsRadio) {
        bool first = true;
        for (int i = 0; i < count(); ++i) {
            TChartSeries* s = GetSeries(i);
            if (!s || !s->GetActive()) continue;
            if (first)
                first = false;
            else
                s->SetActive(false);
        }
    }
    viewport()->update();
}

void TChartListBox::SetShowSection(TListBoxSection Section, bool Value)
{
    FSections[Section].Visible = Value;
    viewport()->update();
}

void TChartListBox::SetGroup(TSeriesGroup* Value)
{
    FGroup = Value;
    FillSeries(GetSelectedSeries());
}

void TChartListBox::SetNames(bool Value)
{
    FNames = Value;
    FillSeries(GetSelectedSeries());
}

AnsiString TChartListBox::RowText(const TChartSeries* Series) const
{
    return FNames ? Series->objectName().toStdString() : SeriesTitleOrName(Series);
}

void TChartListBox::CopyToOtherItems()
{
    if (!OtherItems) return;
    OtherItems->clear();
    for (int i = 0; i < count(); ++i) OtherItems->append(item(i)->text());
}

void TChartListBox::FillSeries(TChartSeries* Select)
{
    clear();
    if (FChart) {
        const TCustomSeriesList& list = FGroup ? FGroup->Series() : *FChart->SeriesList();
        for (TChartSeries* s : list) TeeAddListItem(this, RowText(s), s);
    }
    CopyToOtherItems();
    int row = -1;
    for (int i = 0; i < count(); ++i)
        if (GetSeries(i) == Select) row = i;
    if (row < 0 && count() > 0) row = 0;
    if (row >= 0) SelectSeries(row);
    if (OnOtherItemsChange) OnOtherItemsChange(this);
    if (OnRefresh) OnRefresh(this);
}

void TChartListBox::UpdateSeries()
{
    FillSeries(GetSelectedSeries());
}

TChartSeries* TChartListBox::GetSeries(int Row) const
{
    if (Row < 0 || Row >= count()) return nullptr;
    return static_cast<TChartSeries*>(const_cast<void*>(TeeListItemObject(this, Row)));
}

TChartSeries* TChartListBox::GetSelectedSeries() const
{
    const int row = currentRow();
    return row >= 0 && item(row)->isSelected() ? GetSeries(row) : nullptr;
}

void TChartListBox::SetSelectedSeries(TChartSeries* Series)
{
    for (int i = 0; i < count(); ++i)
        if (GetSeries(i) == Series) {
            SelectSeries(i);
            return;
        }
}

void TChartListBox::SelectSeries(int Row)
{
    if (Row < 0 || Row >= count()) return;
    clearSelection();
    setCurrentRow(Row);
    item(Row)->setSelected(true);
}

bool TChartListBox::AnySelected() const
{
    return !selectedItems().isEmpty();
}

void TChartListBox::SelectAll()
{
    for (int i = 0; i < count(); ++i) item(i)->setSelected(true);
}

std::vector<TChartSeries*> TChartListBox::SelectedSeriesList() const
{
    std::vector<TChartSeries*> result;
    for (int i = 0; i < count(); ++i)
        if (item(i)->isSelected()) result.push_back(GetSeries(i));
    return result;
}

void TChartListBox::SwapSeries(int Row1, int Row2)
{
    TChartSeries* a = GetSeries(Row1);
    TChartSeries* b = GetSeries(Row2);
    if (!a || !b || Row1 == Row2) return;
    {
        FSwapping = true;
        QListWidgetItem* first = takeItem(std::min(Row1, Row2));
        QListWidgetItem* second = takeItem(std::max(Row1, Row2) - 1);
        insertItem(std::min(Row1, Row2), second);
        insertItem(std::max(Row1, Row2), first);
        CopyToOtherItems();
        if (FChart) FChart->ExchangeSeries(a, b);
        FSwapping = false;
    }
    if (OnChangeOrder) OnChangeOrder(this, a, b);
    if (focusPolicy() != Qt::NoFocus) setFocus();
    SelectSeries(Row2);
    if (OnRefresh) OnRefresh(this);
}

void TChartListBox::MoveCurrentUp()
{
    const int row = currentRow();
    if (row > 0) SwapSeries(row, row - 1);
}

void TChartListBox::MoveCurrentDown()
{
    const int row = currentRow();
    if (row >= 0 && row < count() - 1) SwapSeries(row, row + 1);
}

bool TChartListBox::DeleteSeries()
{
    const std::vector<TChartSeries*> doomed = SelectedSeriesList();
    if (doomed.empty()) return false;
    if (AskDelete) {
        const AnsiString name = doomed.size() > 1 ? AnsiString("(Selected Series)") : SeriesTitleOrName(doomed[0]);
        if (!TeeYesNoDelete(name, this)) return false;
    }
    // Each series leaves the chart as it goes, and the chart tells this list.
    for (TChartSeries* s : doomed) delete s;
    if (count() > 0) SelectSeries(0);
    if (OnRefresh) OnRefresh(this);
    return true;
}

void TChartListBox::CloneSeries()
{
    if (TChartSeries* s = GetSelectedSeries()) CloneChartSeries(s);
}

void TChartListBox::ChangeTypeSeries(QObject*)
{
    std::vector<TChartSeries*> selected = SelectedSeriesList();
    if (selected.empty() || !FChart || !TeeChangeGalleryProc) return;
    TChartSeries* first = selected[0];
    const TChartSeriesClass newClass = TeeChangeGalleryProc(window(), first);
    if (!newClass) return;
    std::vector<TChartSeries*> changed{first};
    for (std::size_t i = 1; i < selected.size(); ++i) {
        TChartSeries* s = selected[i];
        ChangeSeriesType(s, newClass);
        changed.push_back(s);
    }
    clearSelection();
    for (int i = 0; i < count(); ++i)
        if (std::find(changed.begin(), changed.end(), GetSeries(i)) != changed.end()) item(i)->setSelected(true);
    if (OnRefresh) OnRefresh(this);
}

void TChartListBox::AddSeriesGallery()
{
    if (!FChart || !TeeAddGalleryProc) return;
    if (TChartSeries* s = TeeAddGalleryProc(window(), FChart, GetSelectedSeries())) {
        SetSelectedSeries(s);
        if (OnRefresh) OnRefresh(this);
    }
}

bool TChartListBox::RenameSeries()
{
    TChartSeries* s = GetSelectedSeries();
    if (!s) return false;
    const AnsiString before = RowText(s);
    AnsiString text = before;
    if (!platform::dialogs().InputQuery(TeeMsg_ChangeSeriesTitle, TeeMsg_NewSeriesTitle, text)) return false;
    if (FNames)
        s->setObjectName(QString::fromStdString(text));
    else
        s->SetTitle(text == s->objectName().toStdString() ? AnsiString() : text);
    const int row = currentRow();
    if (row >= 0) item(row)->setText(QString::fromStdString(RowText(s)));
    CopyToOtherItems();
    return RowText(s) != before;
}

void TChartListBox::ShowEditor()
{
    TChartSeries* s = GetSelectedSeries();
    if (!s || !FSections[lbSeriesTitle].Visible) return;
    if (!FEditor) {
        FEditor = new QLineEdit(viewport());
        FEditor->installEventFilter(this);
    }
    const QRect r = visualItemRect(item(currentRow()));
    const int left = SectionLeft(lbSeriesTitle);
    FEditor->setGeometry(r.left() + left, r.top() + 2, std::max(20, r.width() - left), r.height() - 4);
    FEditor->setText(QString::fromStdString(s->GetTitle()));
    FEditor->show();
    FEditor->setFocus();
    FEditing = true;
}

void TChartListBox::HideEditor()
{
    FEditing = false;
    if (FEditor) FEditor->hide();
    viewport()->update();
}

void TChartListBox::EndEditor(bool Store)
{
    if (!FEditor || !FEditing) return;
    if (Store)
        if (TChartSeries* s = GetSelectedSeries()) s->SetTitle(FEditor->text().toStdString());
    HideEditor();
    setFocus();
}

bool TChartListBox::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Watched == FEditor && Event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(Event)->key()) {
            case Qt::Key_Escape: TTeeForm::Guard([this] { EndEditor(false); }); return true;
            case Qt::Key_Return:
            case Qt::Key_Enter:
            case Qt::Key_Up:
            case Qt::Key_Down:
            case Qt::Key_F2: TTeeForm::Guard([this] { EndEditor(true); }); return true;
            default: break;
        }
    }
    return QListWidget::eventFilter(Watched, Event);
}

int TChartListBox::SectionLeft(TListBoxSection Section) const
{
    int left = 0;
    for (int i = 0; i < Section; ++i)
        if (FSections[i].Visible) left += FSections[i].Width;
    return left;
}

bool TChartListBox::PointInSection(const QPoint& P, TListBoxSection Section) const
{
    if (!FSections[Section].Visible) return false;
    const int left = SectionLeft(Section);
    return P.x() >= left && P.x() < left + FSections[Section].Width;
}

int TChartListBox::SeriesAtMousePos(const QPoint& P) const
{
    const QModelIndex index = indexAt(P);
    return index.isValid() ? index.row() : -1;
}

void TChartListBox::DrawRow(TCanvas* Canvas, int Index, const TRect& Rect, bool Selected)
{
    Canvas->Brush()->SetColor(TeeRowBackColor(Selected));
    Canvas->FillRect(Rect);
    TChartSeries* s = GetSeries(Index);
    if (!s) return;
    if (FSections[lbSeriesIcon].Visible) {
        const int left = SectionLeft(lbSeriesIcon);
        TeeDrawBitmapEditor(Canvas, s, Rect.Left + left + 5, Rect.Top + 4);
    }
    if (FSections[lbActiveCheck].Visible) {
        const int left = SectionLeft(lbActiveCheck);
        TeeDrawCheckBox(Rect.Left + left + 1, Rect.Top + 5, Canvas, s->GetActive(), TeeRowBackColor(Selected),
                        FCheckStyle == cbsCheck);
    }
    if (FSections[lbSeriesColor].Visible) {
        const int left = SectionLeft(lbSeriesColor);
        PaintSeriesLegend(s, Canvas, TRect{Rect.Left + left + 4, Rect.Top + 6, Rect.Left + left + 22, Rect.Bottom - 6},
                          FChart);
    }
    if (FSections[lbSeriesTitle].Visible) {
        const int left = SectionLeft(lbSeriesTitle);
        Canvas->Brush()->SetStyle(bsClear);
        Canvas->SetBkMode(TRANSPARENT);
        Canvas->Font()->SetColor(TeeRowTextColor(Selected));
        Canvas->TextOut(Rect.Left + left + 2, Rect.Top + 5, item(Index)->text().toStdString());
        Canvas->Brush()->SetStyle(bsSolid);
    }
}

void TChartListBox::RemoveRow(int Row)
{
    delete takeItem(Row);
    CopyToOtherItems();
}

void TChartListBox::TeeEvent(TTeeEvent* Event)
{
    if (auto* e = dynamic_cast<TTeeSeriesEvent*>(Event)) {
        switch (e->Event) {
            case seAdd: UpdateSeries(); break;
            case seSwap:
                if (!FSwapping) UpdateSeries();
                break;
            case seRemove:
                for (int i = count() - 1; i >= 0; --i)
                    if (GetSeries(i) == e->Series) {
                        RemoveRow(i);
                        if (OnRemovedSeries) OnRemovedSeries(this, static_cast<TChartSeries*>(e->Series));
                    }
                break;
            case seChangeTitle:
                for (int i = 0; i < count(); ++i)
                    if (TChartSeries* s = GetSeries(i); s == e->Series)
                        item(i)->setText(QString::fromStdString(RowText(s)));
                CopyToOtherItems();
                break;
            case seChangeColor:
            case seChangeActive: viewport()->update(); break;
            case seDataChanged: break;
        }
    } else if (dynamic_cast<TTeeView3DEvent*>(Event)) {
        viewport()->update();
    }
}

void TChartListBox::ClickAt(const QPoint& P)
{
    const int row = SeriesAtMousePos(P);
    TChartSeries* s = GetSeries(row);
    if (!s || !PointInSection(P, lbActiveCheck)) return;
    if (FCheckStyle == cbsCheck) {
        s->SetActive(!s->GetActive());
    } else {
        for (int i = 0; i < count(); ++i)
            if (TChartSeries* other = GetSeries(i); other && other != s) other->SetActive(false);
        s->SetActive(true);
    }
    viewport()->update();
    if (OnChangeActive) OnChangeActive(this, s);
}

void TChartListBox::DblClickAt(const QPoint& P)
{
    const int row = SeriesAtMousePos(P);
    TChartSeries* s = GetSeries(row);
    if (!s || !item(row)->isSelected()) return;
    if (PointInSection(P, lbSeriesIcon)) {
        if (EnableChangeType) ChangeTypeSeries(this);
    } else if (PointInSection(P, lbSeriesColor)) {
        TColor color = s->GetSeriesColor();
        if (EnableChangeColor && EditColorDialog(this, color)) {
            s->SetSeriesColor(color);
            s->SetColorEachPoint(false);
            if (OnChangeColor) OnChangeColor(this, s);
        }
    } else if (PointInSection(P, lbSeriesTitle)) {
        if (OnDblClickSeries) OnDblClickSeries(this, row);
    }
}

void TChartListBox::DragDrop(int FromRow, int ToRow)
{
    if (!EnableDragSeries || FromRow < 0 || ToRow < 0 || FromRow == ToRow) return;
    SwapSeries(FromRow, ToRow);
}

void TChartListBox::KeyUp(int Key)
{
    switch (Key) {
        case Qt::Key_Insert:
            if (AllowAddSeries) AddSeriesGallery();
            break;
        case Qt::Key_Delete:
            if (AllowDeleteSeries) DeleteSeries();
            break;
        case Qt::Key_F2:
            if (GetSelectedSeries()) ShowEditor();
            break;
        default: break;
    }
}

void TChartListBox::mousePressEvent(QMouseEvent* Event)
{
    QListWidget::mousePressEvent(Event);
    const QPoint p = Event->position().toPoint();
    FDragRow = -1;
    FDragging = false;
    if (Event->button() == Qt::LeftButton) {
        TTeeForm::Guard([&] { ClickAt(p); });
        if (EnableDragSeries && !FAfterDblClick && PointInSection(p, lbSeriesTitle)) {
            FDragRow = SeriesAtMousePos(p);
            FPressPos = p;
        }
    }
    FAfterDblClick = false;
}

void TChartListBox::mouseMoveEvent(QMouseEvent* Event)
{
    const QPoint p = Event->position().toPoint();
    if (FDragRow >= 0 && (Event->buttons() & Qt::LeftButton) &&
        (p - FPressPos).manhattanLength() >= QApplication::startDragDistance())
        FDragging = true;
    const bool hand = (EnableChangeType && PointInSection(p, lbSeriesIcon)) ||
                      (EnableChangeColor && PointInSection(p, lbSeriesColor));
    viewport()->setCursor(hand ? Qt::PointingHandCursor : Qt::ArrowCursor);
    if (FDragging) viewport()->setCursor(Qt::DragMoveCursor);
    // Selection follows the pointer only when not dragging a row.
    if (!FDragging) QListWidget::mouseMoveEvent(Event);
}

void TChartListBox::mouseReleaseEvent(QMouseEvent* Event)
{
    const QPoint p = Event->position().toPoint();
    if (FDragging) {
        const int from = FDragRow, to = SeriesAtMousePos(p);
        FDragging = false;
        FDragRow = -1;
        viewport()->unsetCursor();
        TTeeForm::Guard([&] { DragDrop(from, to); });
        return;
    }
    FDragRow = -1;
    QListWidget::mouseReleaseEvent(Event);
}

void TChartListBox::mouseDoubleClickEvent(QMouseEvent* Event)
{
    QListWidget::mouseDoubleClickEvent(Event);
    FAfterDblClick = true;
    const QPoint p = Event->position().toPoint();
    TTeeForm::Guard([&] { DblClickAt(p); });
}

void TChartListBox::keyReleaseEvent(QKeyEvent* Event)
{
    QListWidget::keyReleaseEvent(Event);
    const int key = Event->key();
    TTeeForm::Guard([&] { KeyUp(key); });
}
