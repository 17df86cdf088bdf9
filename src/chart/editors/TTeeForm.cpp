#include "chart/editors/TTeeForm.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>

#include "platform/Dialogs.h"
#include "platform/TCustomPanel.h"

namespace {

TTeeModalRunner& ModalRunner()
{
    static TTeeModalRunner runner;
    return runner;
}

}  // namespace

TTeeModalRunner SetTeeModalRunner(TTeeModalRunner Runner)
{
    TTeeModalRunner old = std::move(ModalRunner());
    ModalRunner() = std::move(Runner);
    return old;
}

TTeeForm::TTeeForm(QWidget* Owner) : QDialog(Owner)
{
    // The editors were laid out for an 8-point sans-serif face.
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(11);
    setFont(f);
    SetBorderStyle(fbsSizeable);
}

TTeeForm::~TTeeForm() = default;

bool TTeeForm::Guard(const std::function<void()>& Handler)
{
    try {
        Handler();
        return true;
    } catch (const EAbort&) {
        // The silent exception: the handler gave up without anything to report.
        return false;
    } catch (...) {
        return platform::GuardedCall([&] { throw; });
    }
}

int TTeeForm::ShowModal()
{
    FModalResult = mrNone;
    if (ModalRunner()) {
        TTeeModalRunner runner = ModalRunner();
        const int result = runner(*this);
        // A runner that leaves the form open ends it with its answer, as the loop would.
        if (isVisible()) done(result);
        if (isVisible()) QDialog::done(mrNone);
        return FModalResult != mrNone ? FModalResult : result;
    }
    exec();
    return FModalResult;
}

void TTeeForm::SetModalResult(int Value)
{
    FModalResult = Value;
    if (Value != mrNone) done(Value);
}

void TTeeForm::Close()
{
    done(mrNone);
}

void TTeeForm::done(int Result)
{
    if (FClosing) return;
    bool canClose = true;
    if (!Guard([&] { FormCloseQuery(canClose); })) canClose = false;
    if (!canClose) {
        FModalResult = mrNone;
        return;
    }
    FModalResult = Result;
    FClosing = true;
    Guard([this] { FormClose(); });
    FClosing = false;
    if (isWindow())
        QDialog::done(Result);
    else
        hide();
}

void TTeeForm::reject()
{
    if (FCancelButton && FCancelButton->isVisible() && FCancelButton->isEnabled())
        FCancelButton->click();
    else
        done(mrCancel);
}

void TTeeForm::closeEvent(QCloseEvent* Event)
{
    // The close box cancels: through the cancel button when the form has one.
    Event->ignore();
    if (isVisible()) reject();
}

void TTeeForm::SetTag(int Value)
{
    FTag = Value;
    FTagObject = nullptr;
}

void TTeeForm::SetTag(QObject* Value)
{
    FTag = 0;
    FTagObject = Value;
}

void TTeeForm::SetBorderStyle(TFormBorderStyle Value)
{
    FBorderStyle = Value;
    if (!isWindow()) return;
    Qt::WindowFlags flags = Qt::Dialog;
    switch (Value) {
        case fbsNone: flags = Qt::Dialog | Qt::FramelessWindowHint; break;
        case fbsDialog:
        case fbsSingle:
            flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
            break;
        case fbsSizeable: flags = Qt::Dialog | Qt::WindowCloseButtonHint; break;
    }
    const bool wasVisible = isVisible();
    setWindowFlags(flags);
    if (wasVisible) show();
}

void TTeeForm::SetClientSize(int Width, int Height)
{
    resize(Width, Height);
}

void TTeeForm::SetDefaultButton(QAbstractButton* Button)
{
    if (auto* push = qobject_cast<QPushButton*>(Button)) push->setDefault(true);
}

void TTeeForm::BindModal(QAbstractButton* Button, int Result, std::function<void()> Handler)
{
    connect(Button, &QAbstractButton::clicked, this, [this, Result, Fn = std::move(Handler)] {
        if (Fn && !Guard(Fn)) return;
        SetModalResult(Result);
    });
}

void TTeeForm::BindOkCancel(QAbstractButton* Ok, QAbstractButton* Cancel, std::function<void()> OnCancel)
{
    BindModal(Ok, mrOk);
    BindModal(Cancel, mrCancel, std::move(OnCancel));
    SetDefaultButton(Ok);
    SetCancelButton(Cancel);
}

void TTeeForm::showEvent(QShowEvent* Event)
{
    QDialog::showEvent(Event);
    if (Event->spontaneous()) return;
    if (isWindow()) PlaceOnShow();
    Guard([this] { FormShow(); });
}

void TTeeForm::PlaceOnShow()
{
    if (Position == poDesigned) return;
    QRect area;
    QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    if (Position == poOwnerFormCenter && owner)
        area = owner->frameGeometry();
    else if (QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (area.isEmpty()) return;
    move(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
}
