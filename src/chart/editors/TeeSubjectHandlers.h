#pragma once
// Handlers of editor forms that act on their subject: a pointer member of the form (Series,
// Pointer...) read each time a handler runs, so that a handler does nothing before the form
// is shown on a subject or after the subject is gone. The tables bind several controls to
// setters of the subject at once (through TTeeForm::BindTo).
#include <QCheckBox>
#include <QSpinBox>
#include <initializer_list>
#include <utility>

#include "chart/editors/TTeeForm.h"

// A handler calling Write(Subject) when there is a subject.
template <class T, class Fn>
auto OnSubject(T* const& Subject, Fn Write)
{
    return [&Subject, Write = std::move(Write)] {
        if (Subject) Write(Subject);
    };
}

// A check box whose clicks set a switch of the subject.
template <class T>
struct TSubjectCheck {
    QCheckBox* Box;
    void (T::*Set)(bool);
};

template <class T>
void BindChecks(TTeeForm* Form, T* const& Subject, std::initializer_list<TSubjectCheck<T>> Checks)
{
    for (const TSubjectCheck<T>& c : Checks) Form->BindTo(c.Box, &QCheckBox::clicked, Subject, c.Set);
}

// A spin box whose changes set a number of the subject; with WhileShown only the changes
// made while the form is visible.
template <class T>
struct TSubjectSpin {
    QSpinBox* Box;
    void (T::*Set)(int);
};

template <class T>
void BindSpins(TTeeForm* Form, T* const& Subject, std::initializer_list<TSubjectSpin<T>> Spins, bool WhileShown = false)
{
    for (const TSubjectSpin<T>& c : Spins)
        if (WhileShown)
            Form->BindTo(c.Box, &QSpinBox::valueChanged, Subject, [Form, Set = c.Set](T* s, int Value) {
                if (Form->isVisible()) (s->*Set)(Value);
            });
        else
            Form->BindTo(c.Box, &QSpinBox::valueChanged, Subject, c.Set);
}
