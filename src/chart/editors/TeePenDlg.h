#pragma once
// Services every chart editor dialog uses: creating a dialog form, embedding a form as a
// page of another control, yes/no questions, moving items between lists, the default
// value formats, the arrow bitmaps, the cursor names, and the pen editor's entry point.
#include <QGroupBox>
#include <QPushButton>
#include <QStringList>
#include <QTabWidget>
#include <functional>
#include <initializer_list>
#include <memory>

#include "chart/editors/TTeeForm.h"
#include "chart/editors/TeeEditorBitmaps.h"
#include "platform/AnsiString.h"
#include "platform/MouseTypes.h"

class QButtonGroup;
class TBitmap;
class TPen;
class TChartSeries;
class TCustomAxisPanel;

// The widget that owns a new form for AOwner: a control's form, else AOwner when it is a
// widget of its own, else none.
QWidget* TeeFormOwner(QObject* AOwner);
// The chart a series edited by a form draws in; none without a series or chart.
TCustomAxisPanel* ChartOf(const TChartSeries* Series);
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
// Gives two move buttons the up and down arrows.
void TeeSetArrowIcons(QToolButton* Up, QToolButton* Down);

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

// ---- Building the controls of editor forms at their designed places (client pixels).
// Each returns the new control, parented to Parent and shown with it. A label takes its
// buddy from the control it is given to (so its hot key focuses the control).
QLabel* TeeAddLabel(QWidget* Parent, const char* Caption, int X, int Y, int Width = 0);
QCheckBox* TeeAddCheck(QWidget* Parent, const char* Caption, int X, int Y, int Width = 0);
// A button of class T (a plain push button, or a colour or pen button).
template <typename T = QPushButton>
T* TeeAddButton(QWidget* Parent, const char* Caption, int X, int Y, int Width = 75, int Height = 25)
{
    auto* button = new T(Parent);
    button->setText(Caption);
    button->setGeometry(X, Y, Width, Height);
    return button;
}
// An edit with its up-down is one spin box.
QSpinBox* TeeAddSpin(QWidget* Parent, int X, int Y, int Width, int Min, int Max, int Step = 1, QLabel* Label = nullptr);
QComboBox* TeeAddCombo(QWidget* Parent, int X, int Y, int Width, const QStringList& Items, QLabel* Label = nullptr);
// Puts a new control at its designed place and answers it.
template <typename T>
T* TeePlace(T* Control, int X, int Y, int Width, int Height)
{
    Control->setGeometry(X, Y, Width, Height);
    return Control;
}
// Makes Control fill its parent's client area (the parent gets a layout holding it) and
// answers it.
void TeeAlignClientWidget(QWidget* Control);
template <typename T>
T* TeeAlignClient(T* Control)
{
    TeeAlignClientWidget(Control);
    return Control;
}
// A new page of Pages with that caption.
QWidget* TeeAddTab(QTabWidget* Pages, const char* Caption);

// A titled group of radio buttons, one per item, with the index of the checked one. A
// click that checks another button emits Click (SetItemIndex does not).
class TTeeRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    TTeeRadioGroup(const QString& Caption, const QStringList& Items, QWidget* Parent = nullptr);
    // -1 when none is checked.
    int ItemIndex() const;
    void SetItemIndex(int Index);
    int Count() const;
    QRadioButton* Button(int Index) const;

signals:
    void Click();

private:
    QButtonGroup* FButtons;
};
TTeeRadioGroup* TeeAddRadioGroup(QWidget* Parent, const char* Caption, const QStringList& Items, int X, int Y,
                                 int Width, int Height);

// A page control whose page changes made by the user can be refused: OnChanging is asked
// with the old page still active and may answer false (or raise), which keeps the old
// page; OnChange follows an accepted change. Pages selected by the program
// (SetActivePage, or a page hidden by TeeSetTabVisible) raise neither, as the class
// library's page controls did not.
class TTeePageControl : public QTabWidget {
    Q_OBJECT
public:
    explicit TTeePageControl(QWidget* Parent = nullptr);
    QWidget* ActivePage() const { return currentWidget(); }
    void SetActivePage(QWidget* Page);
    void SetPageVisible(QWidget* Page, bool Visible);
    std::function<bool()> OnChanging;
    std::function<void()> OnChange;

private:
    void CurrentChanged(int Index);
    int FLast = -1;
    bool FQuiet = false;
};

// The page control a tab page belongs to (null for a page outside one).
QTabWidget* TeePageControl(const QWidget* Page);
// Whether a page is offered among its page control's tabs (a page outside a page
// control counts as offered), and offering or hiding it.
bool TeeTabVisible(const QWidget* Page);
void TeeSetTabVisible(QWidget* Page, bool Visible);
// Selects Page in its page control when it is offered.
void TeeSelectTab(QWidget* Page);
// The selected page of a page control (null when none).
QWidget* TeeActiveTab(const QTabWidget* Pages);
