#pragma once
// Small controls of the chart editor dialogs: a push button that paints a symbol of the
// property it is linked to, the colour button, the flat combo box, and the colour dialog
// entry points.
#include <QComboBox>
#include <QMetaProperty>
#include <QPointer>
#include <QPushButton>
#include <functional>
#include <memory>
#include <vector>

#include "platform/AnsiString.h"
#include "platform/GraphicsTypes.h"
#include "platform/TPersistent.h"

class TTeeCanvas;

// The colour dialog's custom colours, kept for the program's lifetime so that colours
// defined in one dialog appear in the next. Created by the first dialog.
extern std::unique_ptr<std::vector<TColor>> TeeCustomEditColors;

// Shows the colour dialog; the chosen colour, or Color when the user cancels.
TColor EditColor(QWidget* Owner, TColor Color);
// True (and Color set) when the user chose a different colour.
bool EditColorDialog(QWidget* Owner, TColor& Color);

class TTeeButton : public QPushButton {
    Q_OBJECT
public:
    explicit TTeeButton(QWidget* Owner = nullptr);

    // Links the button to the property PropName of Instance (none without a name).
    void LinkProperty(QObject* Instance, const AnsiString& PropName);
    QObject* LinkedObject() const { return FInstance; }
    bool HasLinkedProperty() const { return FInstance && FProperty.isValid(); }

    // Draws the symbol of the linked property; nothing here.
    virtual void DrawSymbol(TTeeCanvas* Canvas);
    // The button was pressed: runs OnClick.
    virtual void Click();

    TNotifyEvent OnClick;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

    QPointer<QObject> FInstance;
    QMetaProperty FProperty;
};

class TButtonColor : public TTeeButton {
    Q_OBJECT
public:
    explicit TButtonColor(QWidget* Owner = nullptr);

    // Supplies the colour instead of the linked property when set.
    std::function<TColor()> GetColorProc;

    // The callback's colour, else the linked property's (system colours resolved), else
    // clNone.
    TColor GetTeeColor() const;
    void SetTeeColor(TColor Value);

    void Click() override;
    void DrawSymbol(TTeeCanvas* Canvas) override;
};

class TComboFlat : public QComboBox {
    Q_OBJECT
public:
    explicit TComboFlat(QWidget* Owner = nullptr);
    bool MouseInControl() const { return FMouseInControl; }
    int ItemHeight() const { return FItemHeight; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool FMouseInControl = false;
    int FItemHeight = 13;
};
