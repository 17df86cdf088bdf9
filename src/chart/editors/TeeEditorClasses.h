#pragma once
// The editor forms known by class name. A series, function or tool names the form that
// edits it (GetEditorClass); the chart editor finds the form class here and creates it.
// A form class is its meta object, with an invokable constructor taking the owner widget
// (Q_INVOKABLE explicit TMyEditor(QWidget* Owner = nullptr)), derived from TTeeForm.
#include <QMetaObject>
#include <initializer_list>

#include "platform/AnsiString.h"

class QWidget;
class TTeeForm;

using TTeeFormClass = const QMetaObject*;

// Adds each class not yet registered (by class name); a class that is not a TTeeForm is
// refused with an Exception.
void RegisterTeeEditorClasses(std::initializer_list<TTeeFormClass> Classes);
void UnRegisterTeeEditorClasses(std::initializer_list<TTeeFormClass> Classes);
// The registered class of that name, or null (an empty name finds nothing).
TTeeFormClass FindTeeEditorClass(const AnsiString& ClassName);
// A new form of the class owned by Owner, or null for a null class.
TTeeForm* CreateTeeEditorForm(TTeeFormClass FormClass, QWidget* Owner);
// The registered editor of Element's GetEditorClass (series, function or tool), created
// for Owner and embedded nowhere; null when the element names no registered form.
TTeeForm* CreateTeeEditorFor(QObject* Element, QWidget* Owner);
// A form of the class on Object, in a new tab at Position of the series page that Parent
// belongs to; null when Parent is on no series page.
TTeeForm* TeeInsertSeriesForm(QWidget* Parent, TTeeFormClass FormClass, int Position, const AnsiString& Caption,
                              QObject* Object);
