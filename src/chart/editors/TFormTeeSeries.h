#pragma once
// The "Series" page of the chart editor: one series at a time, chosen in the header, with
// the tabs "Format" (the series type's own editor, found by class name and embedded),
// "General" (legend, cursor, depth, value formats, axes, sort order), "Marks" (the marks,
// their callout arrow and symbol) and "Data Source" (manual data in a grid, random sample
// values, a function, or another registered source, each with its embedded editor).
// Series type and source editors live inside its tabs and may add tabs of their own.
#include <QPointer>
#include <QWidget>
#include <functional>
#include <vector>

#include "chart/editors/TTeeForm.h"
#include "chart/editors/TeeEditorClasses.h"
#include "chart/engine/TeePanelTypes.h"

class TChartGrid;
class TChartGridNavigator;
class TChartListBox;
class TChartSeries;
class TCustomAxisPanel;
class TFormTeeShape;
class TSeriesMarksSymbol;

class TFormTeeSeries;
// Called at every show of the page that has a series, with the page and the series' chart.
extern std::function<void(TFormTeeSeries* Form, TCustomAxisPanel* Chart)> InternalOnCreateEditSeries;
extern std::function<void(TFormTeeSeries* Form, TCustomAxisPanel* Chart)> InternalOnCreateEditSeriesObj;

// The series' colour swatch of the header: a click opens the colour dialog.
class TSeriesColorBox : public QWidget {
    Q_OBJECT
public:
    explicit TSeriesColorBox(QWidget* Parent = nullptr) : QWidget(Parent) {}
    std::function<TChartSeries*()> GetSeries;
    std::function<void()> OnClick;

protected:
    void paintEvent(QPaintEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
};

class TFormTeeSeries : public TTeeForm, public ITeeEventListener {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TFormTeeSeries(QWidget* Owner = nullptr);
    ~TFormTeeSeries() override;

    // ---- controls
    QCheckBox* CBPersistent = nullptr;
    TTeePageControl* PageSeries = nullptr;
    QWidget* TheTabSheet = nullptr;
    QWidget* TabGeneral = nullptr;
    QCheckBox* CBShowInLegend = nullptr;
    TComboFlat* CBCursor = nullptr;
    QLabel* LDepth = nullptr;
    QSpinBox* EDepth = nullptr;
    QCheckBox* CBDepth = nullptr;
    QComboBox* CBFormat = nullptr;
    QPushButton* Button1 = nullptr;
    QLineEdit* EPercentFormat = nullptr;
    QPushButton* Button2 = nullptr;
    QWidget* GBHorizAxis = nullptr;
    QComboBox* CBHorizAxis = nullptr;
    QCheckBox* CBXDateTime = nullptr;
    QWidget* GBVertAxis = nullptr;
    QComboBox* CBVertAxis = nullptr;
    QCheckBox* CBYDateTime = nullptr;
    QLabel* LSort = nullptr;
    QComboBox* CBSort = nullptr;
    QCheckBox* CBZDateTime = nullptr;
    QWidget* TabMarks = nullptr;
    QTabWidget* PageControlMarks = nullptr;
    QCheckBox* CBMarksVisible = nullptr;
    QCheckBox* CBAllVisible = nullptr;
    QComboBox* RGMarkStyle = nullptr;
    QSpinBox* EMarksEvery = nullptr;
    QCheckBox* CBMarkClip = nullptr;
    QSpinBox* SEMarksAngle = nullptr;
    QCheckBox* CBMultiLine = nullptr;
    TButtonPen* BMarkLinCol = nullptr;
    QSpinBox* SEArrowLength = nullptr;
    QSpinBox* EArrowDist = nullptr;
    QComboBox* CBHead = nullptr;
    QSpinBox* Edit1 = nullptr;
    QWidget* TabSymbol = nullptr;
    QWidget* TabDataSource = nullptr;
    QComboBox* CBDataSourcestyle = nullptr;
    QPushButton* NewDataButton = nullptr;
    QPushButton* EditDataButton = nullptr;
    QPushButton* DeleteDataButton = nullptr;
    QWidget* Panel2 = nullptr;
    TChartGrid* ChartGrid1 = nullptr;
    TChartGridNavigator* ChartGridNavigator1 = nullptr;
    QWidget* Panel4 = nullptr;
    QLineEdit* ESamples = nullptr;
    QCheckBox* CBSamplesDefault = nullptr;
    QPushButton* BApplyRandom = nullptr;
    QPushButton* Button3 = nullptr;
    QWidget* Panel1 = nullptr;
    TComboFlat* CBSeries = nullptr;
    QLabel* ImageSeries = nullptr;
    QLabel* LabelSeriesClass = nullptr;
    TSeriesColorBox* PaintBox1 = nullptr;

    // ---- state
    QPointer<TChartSeries> EditedSeries;
    TChartListBox* SeriesListBox = nullptr;
    bool ShowPersistentBox = false;
    bool ShowDataSourceTab = true;
    bool ShowGeneralTab = true;
    bool ShowMarksTab = true;
    TCustomAxisPanel* ListenedChart = nullptr;
    // The embedded forms of "Format" and of inserted tabs (as many as the editors insert).
    std::vector<QPointer<TTeeForm>> SeriesForms;
    TFormTeeShape* MarksForm = nullptr;
    TFormTeeShape* SymbolForm = nullptr;
    QPointer<TTeeForm> DataSourceForm;
    TChartSeries* LastSeries = nullptr;
    bool ChangingSeries = true;
    bool Updating = false;

    // ---- operations
    void SetCBSeries();
    // The header's series chooser gets the rows of the editor's series list.
    void FillSeriesCombo();
    TTeeForm* InsertSeriesForm(TTeeFormClass FormClass, int APosition, const AnsiString& Caption, QObject* Object);
    void AddToTab(TTeeForm* Form, QWidget* Tab, QObject* Object);
    void FillAxes();
    // Frees the embedded forms; the data source form is asked first (AskSource) whether
    // it may close, unless the page or the series is going away.
    void DestroySeriesForms(bool AskSource = true);
    bool CheckCanClose();
    void PageSeriesChange();
    bool PageSeriesChanging();
    bool CanModifySeries() const;

    void FormShow() override;
    void FormCloseQuery(bool& CanClose) override;
    void TeeEvent(TTeeEvent* Event) override;

    void CBSeriesChange();
    void CBDataSourcestyleChange();
    void CreateDataSourceForm();
    void SetTabDataSource();
    void CheckCBSamples();

    // handlers
    void CBShowInLegendClick();
    void CBCursorChange();
    void EDepthChange();
    void CBDepthClick();
    void CBFormatChange();
    void Button1Click();
    void EPercentFormatChange();
    void Button2Click();
    void CBHorizAxisChange();
    void CBVertAxisChange();
    void CBXDateTimeClick();
    void CBYDateTimeClick();
    void CBZDateTimeClick();
    void CBSortChange();
    void CBPersistentClick();
    void PaintBox1Click();
    void RGMarkStyleClick();
    void CBMarksVisibleClick();
    void CBAllVisibleClick();
    void CBMarkClipClick();
    void CBMultiLineClick();
    void SEMarksAngleChange();
    void EMarksEveryChange();
    void SEArrowLengthChange();
    void EArrowDistChange();
    void CBHeadChange();
    void Edit1Change();
    void BCalloutPointerClick();
    void ESamplesChange();
    void CBSamplesDefaultClick();
    void BApplyRandomClick();
    void Button3Click();

private:
    void BuildTabs(const AnsiString& ActiveCaption);
    void FillGeneral();
    void FillMarks();
    void EnableMultiLine();
    void FillDataSourceStyles();
    void RemoveDataSource();
    void Listen(TCustomAxisPanel* Chart);
    void SetAllVisible();
    bool FDestroying = false;
};

// A shape editor for a marks symbol embedded in Parent: no colour button, no text tab,
// and a "Visible" check box in the colour button's place.
TFormTeeShape* MarkSymbolsForm(QWidget* Owner, TSeriesMarksSymbol* Symbol, QWidget* Parent);
// The editor form class a series names (GetEditorClass), or null when it is not registered.
TTeeFormClass SeriesEditorForm(const TChartSeries* Series);
