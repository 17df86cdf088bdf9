#pragma once
// The data source editors of the series page. TBaseSourceEditor is their common base: a
// "Source" combo and an "Apply" button that every change enables and that is asked about
// before the editor closes. TTeeFuncEditor is the editor of the "Function" data source
// style: the function type (or "Copy", no function), the source series, and the
// function's own options form on a second tab.
#include "chart/editors/TTeeForm.h"
#include "chart/engine/TeePanelTypes.h"
#include "chart/engine/TeeSeriesTypes.h"

class TChartSeries;
class TCustomAxisPanel;
class TSelectListForm;
class TTeeSeriesSource;

class TBaseSourceEditor : public TTeeForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TBaseSourceEditor(QWidget* Owner = nullptr);

    QLabel* LLabel = nullptr;
    TComboFlat* CBSources = nullptr;
    QPushButton* BApply = nullptr;

    TChartSeries* TheSeries = nullptr;
    // Lists components without the chart's data source check.
    bool SkipValidation = false;

    void FormShow() override;
    void FormCloseQuery(bool& CanClose) override;
    virtual void CBSourcesChange();
    virtual void BApplyClick() {}
    // Makes Source the series' data source, freeing a series source of its own it replaces.
    void CheckReplaceSource(TTeeSeriesSource* Source);
    // Adds Component to Items (text and object) when it may feed the series.
    void AddComponentDataSource(QObject* Component, QComboBox* Items, bool AddCurrent);
    virtual bool IsValid(QObject*) { return false; }

protected:
    TCustomAxisPanel* Chart() const;
};

class TTeeFuncEditor : public TBaseSourceEditor, public ITeeEventListener {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TTeeFuncEditor(QWidget* Owner = nullptr);
    ~TTeeFuncEditor() override;

    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSource = nullptr;
    QWidget* PanSingle = nullptr;
    QComboBox* CBSingle = nullptr;
    QComboBox* CBValues = nullptr;
    QPushButton* BNone = nullptr;
    QWidget* TabOptions = nullptr;

    TTeeForm* OptionsForm = nullptr;
    TSelectListForm* SelectListForm = nullptr;

    // The function class of the selected item, or null ("Copy").
    TTeeFunctionClass FunctionClass() const;
    void FillSeries();
    void TryCreateNewFunction();

    void FormShow() override;
    void CBSourcesChange() override;
    void BApplyClick() override;
    void CBSingleChange();
    void BNoneClick();
    void TeeEvent(TTeeEvent* Event) override;

private:
    TCustomAxisPanel* FListened = nullptr;
    bool FDestroying = false;
};
