#include "chart/editors/TeePenDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <cstdlib>

#include "chart/editors/TPenDialog.h"
#include "chart/engine/ChartTextFormat.h"
#include "chart/engine/TChartSeries.h"
#include "chart/engine/TCustomAxisPanel.h"
#include "chart/engine/TeeColorButton.h"
#include "chart/engine/TeeConst.h"
#include "platform/Dialogs.h"
#include "platform/ScopedValue.h"
#include "platform/TBitmap.h"

TCustomAxisPanel* ChartOf(const TChartSeries* Series)
{
    return Series ? dynamic_cast<TCustomAxisPanel*>(Series->ParentChart()) : nullptr;
}

QWidget* TeeFormOwner(QObject* AOwner)
{
    auto* widget = qobject_cast<QWidget*>(AOwner);
    return widget ? widget->window() : nullptr;
}

void TeePrepareCreatedForm(TTeeForm* Form)
{
    Form->Position = Form->parentWidget() ? poOwnerFormCenter : poScreenCenter;
    Form->SetBorderStyle(fbsDialog);
}

namespace {

void EmbedForm(TTeeForm* Form, QWidget* Parent)
{
    Form->setAutoFillBackground(false);
    Form->Position = poDesigned;
    Form->setParent(Parent, Qt::Widget);
    Form->SetBorderStyle(fbsNone);
    // Qt knows the client heights of hidden controls, so the parent need not be shown.
    const int difference = std::abs(Parent->height() - Form->height()) / 2;
    Form->move(4, std::min(4, difference));
    Form->show();
}

}  // namespace

void AddFormTo(TTeeForm* Form, QWidget* Parent)
{
    AddFormTo(Form, Parent, 0);
}

void AddFormTo(TTeeForm* Form, QWidget* Parent, int Tag)
{
    Form->SetTag(Tag);
    EmbedForm(Form, Parent);
}

void AddFormTo(TTeeForm* Form, QWidget* Parent, QObject* Tag)
{
    Form->SetTag(Tag);
    EmbedForm(Form, Parent);
}

bool TeeYesNo(const AnsiString& Message, QWidget* Near)
{
    while (QGuiApplication::overrideCursor()) QGuiApplication::restoreOverrideCursor();
    constexpr int flags = MB_YESNO | MB_ICONQUESTION;
    if (!Near) return platform::dialogs().MessageBox(Message, "Confirm", flags) == IDYES;
    // Beside the control asked about: a little right of and below its client origin.
    const QPoint at = Near->mapToGlobal(QPoint(0, 0)) + QPoint(20, 30);
    return platform::dialogs().MessageBoxAt(Message, "Confirm", flags, at.x(), at.y()) == IDYES;
}

bool TeeYesNoDelete(const AnsiString& Name, QWidget* Near)
{
    return TeeYesNo(FormatChartText(TeeMsg_SureToDelete, {Name}), Near);
}

void ShowControls(bool Show, std::initializer_list<QWidget*> Controls)
{
    for (QWidget* c : Controls)
        if (c) c->setVisible(Show);
}

void TeeAddListItem(QListWidget* List, const AnsiString& Text, const void* Object)
{
    auto* item = new QListWidgetItem(QString::fromStdString(Text));
    item->setData(Qt::UserRole, QVariant::fromValue(quintptr(Object)));
    List->addItem(item);
}

const void* TeeListItemObject(const QListWidget* List, int Index)
{
    const QListWidgetItem* item = List->item(Index);
    return item ? reinterpret_cast<const void*>(item->data(Qt::UserRole).value<quintptr>()) : nullptr;
}

void MoveList(QListWidget* Source, QListWidget* Destination)
{
    for (int i = 0; i < Source->count(); ++i) {
        QListWidgetItem* item = Source->item(i);
        if (item->isSelected()) Destination->addItem(item->clone());
    }
    int i = 0;
    while (i < Source->count()) {
        if (Source->item(i)->isSelected())
            delete Source->takeItem(i);
        else
            ++i;
    }
}

void MoveListAll(QListWidget* Source, QListWidget* Destination)
{
    for (int i = 0; i < Source->count(); ++i) Destination->addItem(Source->item(i)->clone());
    Source->clear();
}

void AddDefaultValueFormats(QStringList& Items)
{
    Items << QString::fromStdString(TeeMsg_DefValueFormat) << "0"
          << "0.0"
          << "0.#"
          << "#.#"
          << "#,##0.00;(#,##0.00)"
          << "00e-0"
          << "#.0 \"x10\" E+0"
          << "#.# x10E-#";
}

void AddDefaultValueFormats(QComboBox* Combo)
{
    QStringList items;
    AddDefaultValueFormats(items);
    Combo->addItems(items);
}

void TeeLoadArrowBitmaps(TBitmap* Up, TBitmap* Down)
{
    TeeDrawArrowBitmap(Up, true);
    TeeDrawArrowBitmap(Down, false);
}

void TeeSetArrowIcons(QToolButton* Up, QToolButton* Down)
{
    TBitmap up, down;
    TeeLoadArrowBitmaps(&up, &down);
    Up->setIcon(QPixmap::fromImage(up.Image()));
    Down->setIcon(QPixmap::fromImage(down.Image()));
    Up->setIconSize(QSize(24, 14));
    Down->setIconSize(QSize(24, 14));
}

bool TeeIdentToCursor(const AnsiString& Ident, int& Cursor)
{
    if (Ident == "crTeeHand") {
        Cursor = crTeeHand;
        return true;
    }
    return IdentToCursor(Ident.c_str(), Cursor);
}

bool TeeCursorToIdent(int Cursor, AnsiString& Ident)
{
    if (Cursor == crTeeHand) {
        Ident = "crTeeHand";
        return true;
    }
    const char* name = nullptr;
    if (!CursorToIdent(Cursor, name)) return false;
    Ident = name;
    return true;
}

TCursor TeeSetCursor(TCursor Default, const AnsiString& Name)
{
    int cursor = Default;
    return TeeIdentToCursor("cr" + Name, cursor) ? cursor : Default;
}

namespace {

QString WithoutCr(const AnsiString& Ident)
{
    return QString::fromStdString(Ident.compare(0, 2, "cr") == 0 ? Ident.substr(2) : Ident);
}

}  // namespace

void TeeFillCursors(QComboBox* Combo, TCursor Current)
{
    const QSignalBlocker block(Combo);
    Combo->clear();
    int count = 0;
    const TCursorIdent* idents = CursorIdents(count);
    for (int i = 0; i < count; ++i) Combo->addItem(WithoutCr(idents[i].Ident));
    Combo->addItem(WithoutCr("crTeeHand"));
    AnsiString ident;
    Combo->setCurrentIndex(TeeCursorToIdent(Current, ident) ? Combo->findText(WithoutCr(ident), Qt::MatchExactly) : -1);
}

bool EditChartPen(QObject* AOwner, TPen* Pen, bool HideColor)
{
    auto dialog = TeeCreateForm<TPenDialog>(AOwner);
    dialog->EditedPen = Pen;
    if (HideColor) dialog->BColor->hide();
    return dialog->ShowModal() == mrOk;
}

QLabel* TeeAddLabel(QWidget* Parent, const char* Caption, int X, int Y, int Width)
{
    auto* label = new QLabel(Caption, Parent);
    label->adjustSize();
    label->move(X, Y);
    if (Width > 0) label->resize(Width, label->height());
    return label;
}

QCheckBox* TeeAddCheck(QWidget* Parent, const char* Caption, int X, int Y, int Width)
{
    auto* check = new QCheckBox(Caption, Parent);
    check->adjustSize();
    check->move(X, Y);
    if (Width > 0) check->resize(Width, check->height());
    return check;
}

QSpinBox* TeeAddSpin(QWidget* Parent, int X, int Y, int Width, int Min, int Max, int Step, QLabel* Label)
{
    auto* spin = TeePlace(new QSpinBox(Parent), X, Y, Width, 21);
    spin->setRange(Min, Max);
    spin->setSingleStep(Step);
    if (Label) Label->setBuddy(spin);
    return spin;
}

QComboBox* TeeAddCombo(QWidget* Parent, int X, int Y, int Width, const QStringList& Items, QLabel* Label)
{
    auto* combo = TeePlace(new QComboBox(Parent), X, Y, Width, 21);
    combo->addItems(Items);
    if (Label) Label->setBuddy(combo);
    return combo;
}

void TeeAlignClientWidget(QWidget* Control)
{
    QWidget* parent = Control->parentWidget();
    if (!parent) return;
    if (!parent->layout()) {
        auto* layout = new QVBoxLayout(parent);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
    }
    parent->layout()->addWidget(Control);
}

QWidget* TeeAddTab(QTabWidget* Pages, const char* Caption)
{
    auto* page = new QWidget;
    Pages->addTab(page, Caption);
    return page;
}

TTeeRadioGroup::TTeeRadioGroup(const QString& Caption, const QStringList& Items, QWidget* Parent)
    : QGroupBox(Caption, Parent), FButtons(new QButtonGroup(this))
{
    for (int i = 0; i < Items.size(); ++i) {
        auto* button = TeePlace(new QRadioButton(Items[i], this), 8, 16 + 18 * i, 150, 17);
        FButtons->addButton(button, i);
    }
    connect(FButtons, &QButtonGroup::idClicked, this, [this] { emit Click(); });
}

int TTeeRadioGroup::ItemIndex() const
{
    return FButtons->checkedId();
}

void TTeeRadioGroup::SetItemIndex(int Index)
{
    if (QAbstractButton* b = FButtons->button(Index)) {
        b->setChecked(true);
        return;
    }
    // No button checked: the exclusive group must let go of the checked one first.
    if (QAbstractButton* checked = FButtons->checkedButton()) {
        FButtons->setExclusive(false);
        checked->setChecked(false);
        FButtons->setExclusive(true);
    }
}

int TTeeRadioGroup::Count() const
{
    return int(FButtons->buttons().size());
}

QRadioButton* TTeeRadioGroup::Button(int Index) const
{
    return qobject_cast<QRadioButton*>(FButtons->button(Index));
}

TTeeRadioGroup* TeeAddRadioGroup(QWidget* Parent, const char* Caption, const QStringList& Items, int X, int Y,
                                 int Width, int Height)
{
    auto* group = TeePlace(new TTeeRadioGroup(Caption, Items, Parent), X, Y, Width, Height);
    for (int i = 0; i < group->Count(); ++i) group->Button(i)->resize(Width - 12, 17);
    return group;
}

QTabWidget* TeePageControl(const QWidget* Page)
{
    if (!Page) return nullptr;
    auto* stack = qobject_cast<QStackedWidget*>(Page->parentWidget());
    return stack ? qobject_cast<QTabWidget*>(stack->parentWidget()) : nullptr;
}

bool TeeTabVisible(const QWidget* Page)
{
    QTabWidget* pages = TeePageControl(Page);
    if (!pages) return true;
    return pages->isTabVisible(pages->indexOf(const_cast<QWidget*>(Page)));
}

void TeeSetTabVisible(QWidget* Page, bool Visible)
{
    QTabWidget* pages = TeePageControl(Page);
    if (auto* control = qobject_cast<TTeePageControl*>(pages))
        control->SetPageVisible(Page, Visible);
    else if (pages)
        pages->setTabVisible(pages->indexOf(Page), Visible);
}

void TeeSelectTab(QWidget* Page)
{
    QTabWidget* pages = TeePageControl(Page);
    if (auto* control = qobject_cast<TTeePageControl*>(pages))
        control->SetActivePage(Page);
    else if (pages && TeeTabVisible(Page))
        pages->setCurrentWidget(Page);
}

TTeePageControl::TTeePageControl(QWidget* Parent) : QTabWidget(Parent)
{
    connect(this, &QTabWidget::currentChanged, this, [this](int Index) { CurrentChanged(Index); });
}

void TTeePageControl::SetActivePage(QWidget* Page)
{
    const TScopedValue quiet(FQuiet, true);
    setCurrentWidget(Page);
    FLast = currentIndex();
}

void TTeePageControl::SetPageVisible(QWidget* Page, bool Visible)
{
    const TScopedValue quiet(FQuiet, true);
    setTabVisible(indexOf(Page), Visible);
    FLast = currentIndex();
}

void TTeePageControl::CurrentChanged(int Index)
{
    if (FQuiet) {
        FLast = Index;
        return;
    }
    // The quiet page switches below move FLast along: the old page is kept here.
    const int old = FLast;
    FQuiet = true;
    if (OnChanging && old >= 0 && old < count() && old != Index) {
        // Asked with the old page in place, as it was before the click.
        setCurrentIndex(old);
        bool allowed = false;
        if (!TTeeForm::Guard([&] { allowed = OnChanging(); })) allowed = false;
        if (allowed) setCurrentIndex(Index);
    }
    FQuiet = false;
    FLast = currentIndex();
    if (FLast != old && OnChange) TTeeForm::Guard(OnChange);
}

QWidget* TeeActiveTab(const QTabWidget* Pages)
{
    return Pages ? Pages->currentWidget() : nullptr;
}
