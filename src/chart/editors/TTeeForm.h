#pragma once
// Base of every chart editor form. It gives the forms what the class library's forms had
// and Qt's dialogs lack:
// - a modal result: buttons bound with BindModal close the form with their result, and
//   ShowModal returns it;
// - one modal seam: ShowModal runs through a replaceable runner, so tests drive a form
//   offscreen (show it, set controls, press buttons) without a modal loop;
// - one handler guard: every handler bound with Bind/BindAlways/BindModal, and FormShow,
//   FormClose and FormCloseQuery, run inside it; an exception is shown in a box and never
//   reaches Qt, and a close query that raises answers "no";
// - a filling guard: while a form fills its controls from the edited object (a TFilling
//   scope is open), handlers bound with Bind are not run;
// - Tag: an integer or an object, the subject of an embedded editor page;
// - the placement rules of the class library (Position).
#include <QAbstractButton>
#include <QDialog>
#include <QPointer>
#include <functional>
#include <type_traits>

#include "platform/AnsiString.h"

// The controls the editor forms are built from.
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QSplitter;
class QTabBar;
class QTabWidget;
class QToolButton;
class TButtonColor;
class TButtonPen;
class TComboFlat;
class TOptionsRadioGroup;
class TTeePageControl;
class TTeeRadioGroup;

// Modal results (the values of the class library).
enum : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7 };

enum TPosition { poDesigned, poScreenCenter, poOwnerFormCenter };
enum TFormBorderStyle { fbsNone, fbsSingle, fbsSizeable, fbsDialog };

class TTeeForm : public QDialog {
    Q_OBJECT
public:
    explicit TTeeForm(QWidget* Owner = nullptr);
    ~TTeeForm() override;

    // Shows the form modally through the modal runner and returns its modal result.
    int ShowModal();
    int ModalResult() const { return FModalResult; }
    // Setting a result other than mrNone closes the form (after the close query agrees).
    void SetModalResult(int Value);
    // Closes the form without a result (as the window's close box does).
    void Close();

    // The subject of the form: an integer or an object (an object that is freed reads as
    // null). Setting one clears the other.
    int Tag() const { return FTag; }
    QObject* TagObject() const { return FTagObject; }
    void SetTag(int Value);
    void SetTag(QObject* Value);

    TPosition Position = poScreenCenter;
    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle Value);
    // Client size as the form was designed.
    void SetClientSize(int Width, int Height);
    // True while the form is embedded in another control (no window of its own).
    bool Embedded() const { return !isWindow(); }

    // The button pressed by Escape and by the window's close box: a cancel closes through
    // its handler, so whatever the handler restores is restored however the user leaves.
    void SetCancelButton(QAbstractButton* Button) { FCancelButton = Button; }
    void SetDefaultButton(QAbstractButton* Button);

    // Open while a form writes into its controls; handlers bound with Bind do not run.
    class TFilling {
    public:
        explicit TFilling(TTeeForm* Form) : FForm(Form) { ++FForm->FFilling; }
        ~TFilling() { --FForm->FFilling; }
        TFilling(const TFilling&) = delete;
        TFilling& operator=(const TFilling&) = delete;

    private:
        TTeeForm* FForm;
    };
    bool Filling() const { return FFilling > 0; }

    // Runs Handler inside the guard; false when it raised (the message was shown).
    static bool Guard(const std::function<void()>& Handler);

    // Connects a signal to a handler that runs inside the guard and not while filling.
    // The handler takes the signal's arguments or none.
    template <class Sender, class Signal, class Handler>
    void Bind(Sender* Source, Signal Sig, Handler Fn)
    {
        Connect(Source, Sig, std::move(Fn), true);
    }
    // The same, also while filling.
    template <class Sender, class Signal, class Handler>
    void BindAlways(Sender* Source, Signal Sig, Handler Fn)
    {
        Connect(Source, Sig, std::move(Fn), false);
    }
    // Connects a signal that carries the control's new state (a check box's clicked, a spin
    // box's valueChanged) to Set, which writes it to the object Target points to when the
    // signal comes; nothing is written while Target is null. Set is a member function of
    // the object or a callable taking the object and the state.
    template <class Sender, class Signal, class T, class Setter>
    void BindTo(Sender* Source, Signal Sig, T* const& Target, Setter Set)
    {
        Bind(Source, Sig, [&Target, Set](auto Value) {
            if (Target) std::invoke(Set, Target, Value);
        });
    }
    // A push button that runs Handler (when given) and then closes the form with Result.
    void BindModal(QAbstractButton* Button, int Result, std::function<void()> Handler = {});
    // The OK and Cancel buttons of a dialog: they close it with their results (OnCancel runs
    // first on Cancel), OK is the default button and Cancel the one Escape presses.
    void BindOkCancel(QAbstractButton* Ok, QAbstractButton* Cancel, std::function<void()> OnCancel = {});

    // Called inside the guard: after the form became visible, when it closes, and before
    // it closes (CanClose false keeps it open).
    virtual void FormShow() {}
    virtual void FormClose() {}
    virtual void FormCloseQuery(bool& CanClose) { CanClose = true; }

    void done(int Result) override;
    void reject() override;

protected:
    void showEvent(QShowEvent* Event) override;
    void closeEvent(QCloseEvent* Event) override;

private:
    template <class Sender, class Signal, class Handler>
    void Connect(Sender* Source, Signal Sig, Handler Fn, bool SkipWhileFilling)
    {
        connect(Source, Sig, this, [this, Fn = std::move(Fn), SkipWhileFilling](auto&&... Args) {
            if (SkipWhileFilling && Filling()) return;
            Guard([&] {
                if constexpr (std::is_invocable_v<const Handler&, decltype(Args)...>)
                    Fn(Args...);
                else
                    CallWithoutArguments(Fn, Args...);
            });
        });
    }
    // A handler that ignores the signal's arguments. The call goes through this template so
    // that it depends on the arguments: a compiler then checks it only where it is chosen.
    template <class Handler, class... Arguments>
    static void CallWithoutArguments(const Handler& Fn, Arguments&&...)
    {
        Fn();
    }
    void PlaceOnShow();

    int FModalResult = mrNone;
    int FFilling = 0;
    int FTag = 0;
    QPointer<QObject> FTagObject;
    TFormBorderStyle FBorderStyle = fbsSizeable;
    QPointer<QAbstractButton> FCancelButton;
    bool FClosing = false;
};

// The modal seam: runs a form modally and returns its modal result. The default shows
// the form with a modal loop; tests install a runner that drives the form instead.
using TTeeModalRunner = std::function<int(TTeeForm& Form)>;
// An empty runner puts the modal loop back. Returns the runner it replaced.
TTeeModalRunner SetTeeModalRunner(TTeeModalRunner Runner);
