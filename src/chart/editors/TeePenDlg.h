#pragma once
// Services every chart editor dialog uses: creating a dialog form, embedding a form as a
// page of another control, yes/no questions, moving items between lists, the default
// value formats, the arrow bitmaps, the cursor names, and the pen editor's entry point.
#include <QStringList>
#include <initializer_list>
#include <memory>

#include "chart/editors/TTeeForm.h"
#include "chart/editors/TeeEditorBitmaps.h"
#include "platform/AnsiString.h"
#include "platform/MouseTypes.h"

class QComboBox;
class QListWidget;
class QObject;
class QWidget;
class TBitmap;
class TPen;

// The widget that owns a new form for AOwner: a control's form, else AOwner when it is a
// widget of its own, else none.
QWidget* TeeFormOwner(QObject* AOwner);
// Placement of a form made by TeeCreateForm: centred over its owner form when it has
// one, else on the screen, with a dialog border.
void TeePrepareCreatedForm(TTeeForm* Form);

// A new form of class F for AOwner (see TeeFormOwner). The caller shows it and frees it.
template <class F>
std::unique_ptr<F> TeeCreateForm(QObject* AOwner)
{
    auto form = std::make_unique<F>(TeeFormOwner(AOwner));
    TeePrepareCreatedForm(form.get());
    return form;
}

// Embeds Form as a borderless page of Parent with Tag 0, an integer or an object, 4
// pixels from the left and at most 4 pixels down (half the difference of the client
// heights), and shows it.
void AddFormTo(TTeeForm* Form, QWidget* Parent);
void AddFormTo(TTeeForm* Form, QWidget* Parent, int Tag);
void AddFormTo(TTeeForm* Form, QWidget* Parent, QObject* Tag);

// A question with the buttons Yes and No; true only for Yes. Near is the control the
// question is about (may be null).
bool TeeYesNo(const AnsiString& Message, QWidget* Near = nullptr);
// "Delete <Name> ?"
bool TeeYesNoDelete(const AnsiString& Name, QWidget* Near = nullptr);

void ShowControls(bool Show, std::initializer_list<QWidget*> Controls);

// List items carry an object: any pointer, kept with the item's text.
void TeeAddListItem(QListWidget* List, const AnsiString& Text, const void* Object);
const void* TeeListItemObject(const QListWidget* List, int Index);
// Appends the selected items of Source (in order, with their objects) to Destination and
// removes them from Source.
void MoveList(QListWidget* Source, QListWidget* Destination);
// Appends every item of Source to Destination and clears Source.
void MoveListAll(QListWidget* Source, QListWidget* Destination);

// The number formats offered by the value-format combo boxes, default first.
void AddDefaultValueFormats(QStringList& Items);
void AddDefaultValueFormats(QComboBox* Combo);

void TeeLoadArrowBitmaps(TBitmap* Up, TBitmap* Down);

// "crTeeHand" and the platform's cursor identifiers, both ways.
bool TeeIdentToCursor(const AnsiString& Ident, int& Cursor);
bool TeeCursorToIdent(int Cursor, AnsiString& Ident);
// The cursor named "cr" + Name, else Default.
TCursor TeeSetCursor(TCursor Default, const AnsiString& Name);
// Fills Combo with every cursor name without its "cr" ("TeeHand" last) and selects
// Current.
void TeeFillCursors(QComboBox* Combo, TCursor Current);

// Edits Pen in the pen dialog; true when the user pressed OK.
bool EditChartPen(QObject* AOwner, TPen* Pen, bool HideColor = false);
