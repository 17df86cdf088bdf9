#include "chart/editors/TeePenDlg.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QListWidget>
#include <cstdlib>

#include "chart/editors/TPenDialog.h"
#include "chart/engine/ChartTextFormat.h"
#include "chart/engine/TeeColorButton.h"
#include "chart/engine/TeeConst.h"
#include "platform/Dialogs.h"
#include "platform/TBitmap.h"

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

bool TeeYesNo(const AnsiString& Message, QWidget*)
{
    while (QGuiApplication::overrideCursor()) QGuiApplication::restoreOverrideCursor();
    return platform::dialogs().MessageBox(Message, "Confirm", MB_YESNO | MB_ICONQUESTION) == IDYES;
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
