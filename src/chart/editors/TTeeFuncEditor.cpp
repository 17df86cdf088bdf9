#include "chart/editors/TTeeFuncEditor.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>
#include <memory>

#include "chart/editors/TSelectListForm.h"
#include "chart/editors/TeeEditorClasses.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/engine/TChartSeries.h"
#include "chart/engine/TCustomAxisPanel.h"
#include "chart/engine/TTeeFunction.h"
#include "chart/engine/TTeeSeriesSource.h"
#include "chart/engine/TeeColorButton.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeProcs.h"
#include "chart/engine/TeeSeriesEdit.h"
#include "chart/series/TeeFunctions.h"
#include "platform/Dialogs.h"

// ---- the base of source editors

TBaseSourceEditor::TBaseSourceEditor(QWidget* Owner) : TTeeForm(Owner)
{
    setObjectName("BaseSourceEditor");
    SetClientSize(400, 230);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* topPanel = new QWidget(this);
    topPanel->setFixedHeight(30);
    auto* top = new QHBoxLayout(topPanel);
    top->setContentsMargins(4, 2, 4, 2);
    LLabel = new QLabel("&Source:", topPanel);
    top->addWidget(LLabel);
    CBSources = new TComboFlat(topPanel);
    CBSources->setMinimumWidth(160);
    LLabel->setBuddy(CBSources);
    top->addWidget(CBSources);
    top->addStretch();
    BApply = new QPushButton("&Apply", topPanel);
    BApply->setObjectName("BApply");
    BApply->setEnabled(false);
    top->addWidget(BApply);
    layout->addWidget(topPanel);
    layout->addStretch();
    Bind(CBSources, &QComboBox::activated, [this] { CBSourcesChange(); });
    Bind(BApply, &QPushButton::clicked, [this] { BApplyClick(); });
}

TCustomAxisPanel* TBaseSourceEditor::Chart() const
{
    return TheSeries ? dynamic_cast<TCustomAxisPanel*>(TheSeries->ParentChart()) : nullptr;
}

void TBaseSourceEditor::FormShow()
{
    TheSeries = qobject_cast<TChartSeries*>(TagObject());
    BApply->setEnabled(false);
}

void TBaseSourceEditor::CBSourcesChange()
{
    BApply->setEnabled(true);
}

void TBaseSourceEditor::FormCloseQuery(bool& CanClose)
{
    CanClose = true;
    if (!BApply->isEnabled()) return;
    switch (platform::dialogs().MessageBox(TeeMsg_SureToApply, "Confirm", MB_YESNOCANCEL | MB_ICONQUESTION)) {
        case IDYES:
            BApply->click();
            CanClose = !BApply->isEnabled();
            break;
        case IDNO: BApply->setEnabled(false); break;
        default: CanClose = false;
    }
}

void TBaseSourceEditor::CheckReplaceSource(TTeeSeriesSource* Source)
{
    if (!TheSeries || TheSeries->DataSource() == Source) return;
    if (auto* old = qobject_cast<TTeeSeriesSource*>(TheSeries->DataSource()); old && old->Series() == TheSeries) {
        TheSeries->SetDataSource(nullptr);
        delete old;
    }
    TheSeries->SetDataSource(nullptr);
    if (Source && !Source->Series()) Source->SetSeries(TheSeries);
    TheSeries->SetDataSource(Source);
}

void TBaseSourceEditor::AddComponentDataSource(QObject* Component, QComboBox* Items, bool AddCurrent)
{
    if (!Component || !TheSeries) return;
    for (int i = 0; i < Items->count(); ++i)
        if (Items->itemData(i).value<QObject*>() == Component) return;
    if (!AddCurrent && TheSeries->DataSources().IndexOf(Component) >= 0) return;
    if (!IsValid(Component)) return;
    TCustomAxisPanel* chart = Chart();
    if (!SkipValidation && (!chart || !chart->IsValidDataSource(TheSeries, Component))) return;
    AnsiString text;
    if (auto* series = qobject_cast<TChartSeries*>(Component))
        text = SeriesTitleOrName(series);
    else
        text = Component->objectName().toStdString();
    if (Component->parent() && Component->parent() != TheSeries->parent())
        text = Component->parent()->objectName().toStdString() + "." + text;
    Items->addItem(QString::fromStdString(text), QVariant::fromValue(Component));
}

// ---- the function editor

namespace {

// The series that may feed the edited one, with their texts.
std::vector<TChartSeries*> CandidateSources(TChartSeries* Series, TCustomAxisPanel* Chart)
{
    std::vector<TChartSeries*> result;
    if (!Series || !Chart) return result;
    QObject* owner = Series->parent();
    std::vector<TChartSeries*> all;
    if (owner)
        for (QObject* c : owner->children())
            if (auto* s = qobject_cast<TChartSeries*>(c)) all.push_back(s);
    for (int i = 0; i < Chart->SeriesCount(); ++i)
        if (std::find(all.begin(), all.end(), Chart->GetSeries(i)) == all.end()) all.push_back(Chart->GetSeries(i));
    for (TChartSeries* s : all)
        if (Chart->IsValidDataSource(Series, s)) result.push_back(s);
    return result;
}

TChartSeries* ListSeries(const QListWidget* List, int Row)
{
    return static_cast<TChartSeries*>(const_cast<void*>(TeeListItemObject(List, Row)));
}

// Only the equation function computes its points without a source series.
bool NeedsSource(const TTeeFunction* Function)
{
    return !qobject_cast<const TCustomTeeFunction*>(Function);
}

}  // namespace

TTeeFuncEditor::TTeeFuncEditor(QWidget* Owner) : TBaseSourceEditor(Owner)
{
    setObjectName("TeeFuncEditor");
    LLabel->setText("&Functions:");
    PageControl1 = new QTabWidget(this);
    static_cast<QVBoxLayout*>(layout())->insertWidget(1, PageControl1, 1);
    TabSource = TeeAddTab(PageControl1, "Source Series");
    PanSingle = TeePlace(new QWidget(TabSource), 0, 0, 380, 60);
    CBSingle = TeeAddCombo(PanSingle, 60, 8, 150, {}, TeeAddLabel(PanSingle, "&Series:", 8, 12));
    CBValues = TeeAddCombo(PanSingle, 60, 36, 150, {}, TeeAddLabel(PanSingle, "&Values:", 8, 40));
    CBValues->setEnabled(false);
    BNone = TeeAddButton(PanSingle, "&None", 220, 8);
    BNone->setEnabled(false);
    TabOptions = TeeAddTab(PageControl1, "Options");

    // FormCreate: "Copy" first, then every registered function type once.
    {
        const QSignalBlocker block(CBSources);
        CBSources->addItem(QString::fromStdString(TeeMsg_FunctionNone));
        QStringList texts;
        std::vector<TTeeFunctionClass> classes;
        for (const TTeeSeriesType& t : TeeSeriesTypes()) {
            if (!t.FunctionClass || t.SeriesClass) continue;
            if (std::find(classes.begin(), classes.end(), t.FunctionClass) != classes.end()) continue;
            classes.push_back(t.FunctionClass);
            QString text =
                QString::fromStdString(t.Description ? *t.Description : AnsiString(t.FunctionClass->className()));
            text.replace(QChar(TeeLineSeparator), ' ');
            CBSources->addItem(text, QVariant::fromValue(static_cast<const void*>(t.FunctionClass)));
        }
        CBSources->model()->sort(0);
    }
    Bind(CBSingle, &QComboBox::activated, [this] { CBSingleChange(); });
    Bind(BNone, &QPushButton::clicked, [this] { BNoneClick(); });
    Bind(CBValues, &QComboBox::activated, [this] { BApply->setEnabled(true); });
}

TTeeFuncEditor::~TTeeFuncEditor()
{
    FDestroying = true;
    if (FListened) FListened->RemoveListener(this);
}

TTeeFunctionClass TTeeFuncEditor::FunctionClass() const
{
    return static_cast<TTeeFunctionClass>(CBSources->currentData().value<const void*>());
}

void TTeeFuncEditor::FormShow()
{
    TBaseSourceEditor::FormShow();
    PageControl1->setCurrentWidget(TabSource);
    if (TCustomAxisPanel* chart = Chart(); chart && chart != FListened) {
        if (FListened) FListened->RemoveListener(this);
        FListened = chart;
        chart->Listeners.Add(this);
    }
    if (!SelectListForm) {
        SelectListForm = new TSelectListForm(this);
        SelectListForm->FromList->resize(SelectListForm->FromList->width(), SelectListForm->FromList->height() - 5);
        SelectListForm->ToList->resize(SelectListForm->ToList->width(), SelectListForm->ToList->height() - 5);
        SelectListForm->resize(SelectListForm->width(), SelectListForm->height() - 8);
        SelectListForm->OnChange = [this](QObject*) { CBSourcesChange(); };
        AddFormTo(SelectListForm, TabSource, TheSeries);
        SelectListForm->move(0, 0);
        TeeTranslateControl(SelectListForm);
    }
    if (TheSeries) {
        FillSeries();
        {
            const QSignalBlocker block(CBSources);
            // "Copy" (no class) unless the series has a function.
            const void* wanted = TheSeries->FunctionType() ? TheSeries->FunctionType()->metaObject() : nullptr;
            int index = 0;
            for (int i = 0; i < CBSources->count(); ++i)
                if (CBSources->itemData(i).value<const void*>() == wanted) index = i;
            CBSources->setCurrentIndex(index);
        }
        CBSourcesChange();
        BApply->setEnabled(!TheSeries->FunctionType() && !TheSeries->DataSource());
    }
    SelectListForm->EnableButtons();
    TeeTranslateControl(this);
}

void TTeeFuncEditor::FillSeries()
{
    CBSingle->clear();
    QListWidget* from = SelectListForm ? SelectListForm->FromList : nullptr;
    QListWidget* to = SelectListForm ? SelectListForm->ToList : nullptr;
    if (from) from->clear();
    if (to) to->clear();
    if (!TheSeries) return;
    const TDataSourcesList& sources = TheSeries->DataSources();
    for (TChartSeries* s : CandidateSources(TheSeries, Chart())) {
        const QString text = QString::fromStdString(SeriesTitleOrName(s));
        CBSingle->addItem(text, QVariant::fromValue(static_cast<QObject*>(s)));
        if (from && sources.IndexOf(s) < 0) TeeAddListItem(from, text.toStdString(), s);
    }
    if (to && TheSeries->DataSource())
        for (QObject* c : sources)
            if (auto* s = qobject_cast<TChartSeries*>(c)) TeeAddListItem(to, SeriesTitleOrName(s), s);
    if (PanSingle->isVisibleTo(this)) {
        auto* source = qobject_cast<TChartSeries*>(TheSeries->DataSource());
        const int index = source ? CBSingle->findData(QVariant::fromValue(static_cast<QObject*>(source))) : -1;
        if (index != CBSingle->currentIndex()) {
            CBSingle->setCurrentIndex(index);
            CBSingleChange();
        }
        if (source)
            CBValues->setCurrentIndex(
                CBValues->findText(QString::fromStdString(TheSeries->MandatoryValueList()->GetValueSource())));
    }
}

void TTeeFuncEditor::TryCreateNewFunction()
{
    if (!TheSeries) return;
    const TTeeFunctionClass cls = FunctionClass();
    TTeeFunction* current = TheSeries->FunctionType();
    if (cls) {
        if (!current || current->metaObject() != cls) {
            TheSeries->SetFunction(nullptr);
            CreateNewTeeFunction(TheSeries, cls);
            BApply->setEnabled(false);
        }
    } else
        TheSeries->SetFunction(nullptr);
}

void TTeeFuncEditor::CBSourcesChange()
{
    TBaseSourceEditor::CBSourcesChange();
    const TTeeFunctionClass cls = FunctionClass();
    PageControl1->setTabVisible(PageControl1->indexOf(TabOptions), cls != nullptr);
    if (!cls) {
        PageControl1->setTabVisible(PageControl1->indexOf(TabSource), true);
        PanSingle->hide();
        if (SelectListForm) SelectListForm->show();
        return;
    }
    TryCreateNewFunction();
    std::unique_ptr<QObject> sample(cls->newInstance(Q_ARG(QObject*, nullptr)));
    auto* function = qobject_cast<TTeeFunction*>(sample.get());
    if (!function) return;
    const bool needsSource = NeedsSource(function);
    PanSingle->setVisible(needsSource && function->SingleSource);
    if (SelectListForm) SelectListForm->setVisible(needsSource && !function->SingleSource);
    delete OptionsForm;
    OptionsForm = nullptr;
    const AnsiString editor = function->GetEditorClass();
    if (editor.empty())
        PageControl1->setTabVisible(PageControl1->indexOf(TabOptions), false);
    else if (TTeeFormClass formClass = FindTeeEditorClass(editor)) {
        OptionsForm = CreateTeeEditorForm(formClass, this);
        TeeTranslateControl(OptionsForm);
        AddFormTo(OptionsForm, TabOptions, TheSeries ? TheSeries->FunctionType() : nullptr);
    } else
        PageControl1->setTabVisible(PageControl1->indexOf(TabOptions), false);
    PageControl1->setTabVisible(PageControl1->indexOf(TabSource), needsSource);
    if (!needsSource && OptionsForm) PageControl1->setCurrentWidget(TabOptions);
}

void TTeeFuncEditor::CBSingleChange()
{
    BApply->setEnabled(true);
    CBValues->clear();
    auto* source = qobject_cast<TChartSeries*>(CBSingle->currentData().value<QObject*>());
    CBValues->setEnabled(source != nullptr);
    BNone->setEnabled(source != nullptr);
    if (!source) return;
    const TChartValueLists& lists = source->ValuesList();
    for (int i = 1; i < lists.Count(); ++i) CBValues->addItem(QString::fromStdString(lists[i]->GetName()));
    CBValues->setCurrentIndex(0);
}

void TTeeFuncEditor::BNoneClick()
{
    CBSingle->setCurrentIndex(-1);
    CBSingleChange();
}

void TTeeFuncEditor::BApplyClick()
{
    if (!TheSeries) return;
    if (OptionsForm) {
        bool canClose = true;
        OptionsForm->FormCloseQuery(canClose);
    }
    {
        // However the changes end, the series leaves its update state.
        TSeriesUpdateGuard update(*TheSeries);
        if (!PanSingle->isVisibleTo(this)) {
            QListWidget* to = SelectListForm->ToList;
            if (to->count() == 0)
                TheSeries->SetDataSource(nullptr);
            else {
                for (int i = 0; i < to->count(); ++i) CheckOtherSeries(TheSeries, ListSeries(to, i));
                TheSeries->DataSources().Clear();
                for (int i = 0; i < to->count(); ++i) TheSeries->DataSources().Add(ListSeries(to, i));
            }
        } else {
            auto* source = qobject_cast<TChartSeries*>(CBSingle->currentData().value<QObject*>());
            if (!source) {
                TheSeries->SetDataSource(nullptr);
                TheSeries->MandatoryValueList()->SetValueSource(AnsiString());
            } else {
                TheSeries->SetDataSource(source);
                TheSeries->MandatoryValueList()->SetValueSource(CBValues->currentText().toStdString());
            }
        }
        TryCreateNewFunction();
    }
    TheSeries->CheckDataSource();
    BApply->setEnabled(false);
}

void TTeeFuncEditor::TeeEvent(TTeeEvent* Event)
{
    auto* e = dynamic_cast<TTeeSeriesEvent*>(Event);
    if (FDestroying || !e) return;
    if (e->Event != seAdd && e->Event != seRemove && e->Event != seSwap) return;
    if (e->Series == TheSeries)
        BApply->setEnabled(false);
    else if (e->Event == seRemove) {
        // The chart still lists the series being removed: leave it out.
        const TChartSeries* gone = static_cast<const TChartSeries*>(e->Series);
        FillSeries();
        for (QComboBox* box : {CBSingle})
            if (int i = box->findData(QVariant::fromValue(const_cast<QObject*>(static_cast<const QObject*>(gone))));
                i >= 0)
                box->removeItem(i);
        for (QListWidget* list : {SelectListForm->FromList, SelectListForm->ToList})
            for (int i = list->count() - 1; i >= 0; --i)
                if (TeeListItemObject(list, i) == gone) delete list->takeItem(i);
    } else
        FillSeries();
}
