#pragma once
// Handlers of editor forms that act on their subject: a pointer member of the form (Series,
// Pointer...) read each time a handler runs, so that a handler does nothing before the form
// is shown on a subject or after the subject is gone.
#include <QCheckBox>
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
    for (const TSubjectCheck<T>& c : Checks)
        Form->Bind(c.Box, &QCheckBox::clicked, OnSubject(Subject, [c](T* s) { (s->*c.Set)(c.Box->isChecked()); }));
}
