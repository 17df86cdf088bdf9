#include "chart/editors/TeeEditorClasses.h"

#include <QWidget>
#include <algorithm>
#include <cstring>
#include <vector>

#include "chart/editors/TFormTeeSeries.h"
#include "chart/editors/TTeeForm.h"
#include "chart/engine/TCustomChartElement.h"
#include "chart/engine/TTeeFunction.h"
#include "platform/Exception.h"

namespace {

std::vector<TTeeFormClass>& Classes()
{
    static std::vector<TTeeFormClass> classes;
    return classes;
}

}  // namespace

void RegisterTeeEditorClasses(std::initializer_list<TTeeFormClass> List)
{
    for (TTeeFormClass c : List) {
        if (!c || !c->inherits(&TTeeForm::staticMetaObject))
            throw Exception(AnsiString("Not an editor form class: ") + (c ? c->className() : "(null)"));
        if (!FindTeeEditorClass(c->className())) Classes().push_back(c);
    }
}

void UnRegisterTeeEditorClasses(std::initializer_list<TTeeFormClass> List)
{
    auto& classes = Classes();
    for (TTeeFormClass c : List) classes.erase(std::remove(classes.begin(), classes.end(), c), classes.end());
}

TTeeFormClass FindTeeEditorClass(const AnsiString& ClassName)
{
    if (ClassName.empty()) return nullptr;
    for (TTeeFormClass c : Classes())
        if (std::strcmp(c->className(), ClassName.c_str()) == 0) return c;
    return nullptr;
}

TTeeForm* CreateTeeEditorForm(TTeeFormClass FormClass, QWidget* Owner)
{
    if (!FormClass) return nullptr;
    QObject* object = FormClass->newInstance(Q_ARG(QWidget*, Owner));
    auto* form = qobject_cast<TTeeForm*>(object);
    if (!form) {
        delete object;
        throw Exception(AnsiString("Cannot create the editor ") + FormClass->className());
    }
    return form;
}

TTeeForm* CreateTeeEditorFor(QObject* Element, QWidget* Owner)
{
    AnsiString name;
    if (auto* element = qobject_cast<TCustomChartElement*>(Element))
        name = element->GetEditorClass();
    else if (auto* function = qobject_cast<TTeeFunction*>(Element))
        name = function->GetEditorClass();
    return CreateTeeEditorForm(FindTeeEditorClass(name), Owner);
}

TTeeForm* TeeInsertSeriesForm(QWidget* Parent, TTeeFormClass FormClass, int Position, const AnsiString& Caption,
                              QObject* Object)
{
    for (QObject* o = Parent; o; o = o->parent())
        if (auto* page = qobject_cast<TFormTeeSeries*>(o))
            return page->InsertSeriesForm(FormClass, Position, Caption, Object);
    return nullptr;
}
