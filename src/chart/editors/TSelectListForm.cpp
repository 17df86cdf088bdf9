#include "chart/editors/TSelectListForm.h"

#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QToolButton>

#include "chart/editors/TeePenDlg.h"
#include "platform/TBitmap.h"

namespace {

// The row the user works on: the current row when it is selected, else none.
int SelectedIndex(const QListWidget* List)
{
    const QListWidgetItem* item = List->currentItem();
    return item && item->isSelected() ? List->currentRow() : -1;
}

QPushButton* AddButton(QWidget* Parent, const char* Text, int Y)
{
    auto* b = TeePlace(new QPushButton(Text, Parent), 4, Y, 32, 25);
    return b;
}

}  // namespace

TSelectListForm::TSelectListForm(QWidget* Owner) : TTeeForm(Owner)
{
    setObjectName("SelectListForm");
    SetClientSize(330, 190);

    // A titled list of several selectable items.
    auto list = [](QWidget* Panel, const char* Caption, int Width) {
        QLabel* label = TeePlace(new QLabel(Caption, Panel), 4, 4, 120, 13);
        auto* items = TeePlace(new QListWidget(Panel), 4, 20, Width, 166);
        items->setSelectionMode(QAbstractItemView::ExtendedSelection);
        label->setBuddy(items);
        return items;
    };
    Panel1 = TeePlace(new QWidget(this), 0, 0, 140, 190);
    FromList = list(Panel1, "A&vailable:", 132);
    QWidget* moves = TeePlace(new QWidget(this), 140, 0, 40, 190);
    BRightOne = AddButton(moves, ">", 30);
    BRightAll = AddButton(moves, ">>", 60);
    BLeftOne = AddButton(moves, "<", 100);
    BLeftAll = AddButton(moves, "<<", 130);
    QWidget* selected = TeePlace(new QWidget(this), 180, 0, 150, 190);
    ToList = list(selected, "&Selected: ", 112);
    BMoveUP = TeePlace(new QToolButton(selected), 120, 60, 26, 22);
    BMoveDown = TeePlace(new QToolButton(selected), 120, 90, 26, 22);

    // FormCreate
    TeeSetArrowIcons(BMoveUP, BMoveDown);

    Bind(BRightOne, &QPushButton::clicked, [this] { BRightOneClick(); });
    Bind(BRightAll, &QPushButton::clicked, [this] { BRightAllClick(); });
    Bind(BLeftOne, &QPushButton::clicked, [this] { BLeftOneClick(); });
    Bind(BLeftAll, &QPushButton::clicked, [this] { BLeftAllClick(); });
    Bind(BMoveUP, &QToolButton::clicked, [this] { BMoveUPClick(BMoveUP); });
    Bind(BMoveDown, &QToolButton::clicked, [this] { BMoveUPClick(BMoveDown); });
    Bind(FromList, &QListWidget::itemDoubleClicked, [this] { FromListDblClick(); });
    Bind(ToList, &QListWidget::itemDoubleClicked, [this] { ToListDblClick(); });
    Bind(ToList, &QListWidget::itemSelectionChanged, [this] { ToListClick(); });
    Bind(FromList, &QListWidget::itemSelectionChanged, [this] { ToListClick(); });
}

TSelectListForm::~TSelectListForm() = default;

void TSelectListForm::FormShow()
{
    EnableButtons();
    if (FromList->count() == 0)
        ToList->setFocus();
    else
        FromList->setFocus();
}

void TSelectListForm::EnableButtons()
{
    BRightOne->setEnabled(FromList->count() > 0);
    BRightAll->setEnabled(FromList->count() > 0);
    BLeftOne->setEnabled(ToList->count() > 0);
    BLeftAll->setEnabled(ToList->count() > 0);
    const int index = SelectedIndex(ToList);
    BMoveUP->setEnabled(index > 0);
    BMoveDown->setEnabled(index >= 0 && index < ToList->count() - 1);
}

void TSelectListForm::Changed()
{
    EnableButtons();
    if (OnChange) OnChange(this);
}

void TSelectListForm::ToListClick()
{
    EnableButtons();
}

void TSelectListForm::BRightOneClick()
{
    {
        TFilling filling(this);
        MoveList(FromList, ToList);
    }
    Changed();
    if (FromList->count() == 0) ToList->setFocus();
}

void TSelectListForm::BLeftOneClick()
{
    {
        TFilling filling(this);
        MoveList(ToList, FromList);
    }
    Changed();
}

void TSelectListForm::BRightAllClick()
{
    {
        TFilling filling(this);
        MoveListAll(FromList, ToList);
    }
    Changed();
}

void TSelectListForm::BLeftAllClick()
{
    {
        TFilling filling(this);
        MoveListAll(ToList, FromList);
    }
    Changed();
}

void TSelectListForm::FromListDblClick()
{
    BRightOneClick();
    if (ToList->count() > 0) {
        TFilling filling(this);
        ToList->clearSelection();
        ToList->setCurrentRow(ToList->count() - 1);
        ToList->currentItem()->setSelected(true);
    }
    EnableButtons();
}

void TSelectListForm::ToListDblClick()
{
    BLeftOneClick();
}

void TSelectListForm::BMoveUPClick(QObject* Sender)
{
    const int d = Sender == BMoveUP ? -1 : 1;
    const int i = SelectedIndex(ToList);
    if (i < 0 || i + d < 0 || i + d >= ToList->count()) return;
    {
        TFilling filling(this);
        QListWidgetItem* item = ToList->takeItem(i);
        ToList->insertItem(i + d, item);
        ToList->clearSelection();
        ToList->setCurrentRow(i + d);
        item->setSelected(true);
    }
    ToList->setFocus();
    Changed();
}
