#pragma once
// The platform's panel: a widget with the panel properties of the class library (colour,
// bevels, border width, cursor) and its mouse, resize and paint hooks as virtual operations
// that derived controls override. Qt's events arrive here and run inside the guard, so an
// exception never crosses into Qt. Mouse tracking is on and the context menu off: charts
// pan with the right button.
#include <QWidget>
#include <functional>

#include "platform/AnsiString.h"
#include "platform/Exception.h"
#include "platform/GraphicsTypes.h"
#include "platform/MouseTypes.h"

namespace panelenums {
Q_NAMESPACE
enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
Q_ENUM_NS(TBevelCut)
}  // namespace panelenums
using panelenums::TBevelCut;
using enum panelenums::TBevelCut;

enum TBorderStyle { bsNone, bsSingle };

// Raised to abandon the handling of an input event without a message.
class EAbort : public Exception {
public:
    EAbort() : Exception("Operation aborted") {}
};

class TCustomPanel : public QWidget {
    Q_OBJECT
public:
    explicit TCustomPanel(QWidget* parent = nullptr);
    ~TCustomPanel() override;

    TColor GetColor() const { return FColor; }
    virtual void SetColor(TColor value);
    TBevelCut GetBevelInner() const { return FBevelInner; }
    virtual void SetBevelInner(TBevelCut value);
    TBevelCut GetBevelOuter() const { return FBevelOuter; }
    virtual void SetBevelOuter(TBevelCut value);
    int GetBevelWidth() const { return FBevelWidth; }
    virtual void SetBevelWidth(int value);
    int GetBorderWidth() const { return FBorderWidth; }
    virtual void SetBorderWidth(int value);
    TCursor GetCursor() const { return FCursor; }
    void SetCursor(TCursor value);
    int Width() const { return width(); }
    int Height() const { return height(); }
    void SetWidth(int value) { resize(value, height()); }
    void SetHeight(int value) { resize(width(), value); }
    // The component name.
    AnsiString Name() const { return objectName().toStdString(); }
    void SetName(const AnsiString& value) { setObjectName(QString::fromStdString(value)); }
    // The cursor position in client coordinates.
    TPoint GetCursorPos() const;
    // Client to screen coordinates.
    TPoint ClientToScreen(const TPoint& P) const;
    // The control's hint text and whether it may show (the application's hint window
    // shows it).
    AnsiString Hint;
    bool ShowHint = false;

    // Set while the control is read from a stored form; Loaded clears it.
    bool Loading = false;
    // Set for a control shown in a form designer.
    bool Designing = false;
    bool Destroying() const { return FDestroying; }
    virtual void Loaded() { Loading = false; }

    std::function<void(QObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)> OnMouseDown;
    std::function<void(QObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)> OnMouseUp;
    std::function<void(QObject* Sender, TShiftState Shift, int X, int Y)> OnMouseMove;
    std::function<void(QObject* Sender)> OnDblClick;
    std::function<void(QObject* Sender)> OnResize;

    // The control's hooks; the inherited behaviour calls the matching event.
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    virtual void DblClick();
    virtual void MouseLeave() {}
    virtual void Resize();
    virtual void SysColorChange() {}

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool FDestroying = false;

private:
    // A press or release of a button the controls know, passed to Handler.
    void ButtonEvent(QMouseEvent* event, void (TCustomPanel::*Handler)(TMouseButton, TShiftState, int, int));
    TColor FColor = clBtnFace;
    TBevelCut FBevelInner = bvNone;
    TBevelCut FBevelOuter = bvRaised;
    int FBevelWidth = 1;
    int FBorderWidth = 0;
    TCursor FCursor = crDefault;
};
