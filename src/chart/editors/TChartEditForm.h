#pragma once
// The chart editor: one form that edits every property of one chart. It is a shell of
// pages: the series list (its own controls), eight chart pages, the series page, the data
// grid, the tools page, the export page and the print preview. Every page but the series
// list is a form of its own, created the first time its tab is shown and embedded in the
// tab. Tree mode shows the same structure as a tree beside the pages (their tab bars then
// hidden). The window's place and size are kept in the user's settings.
#include <QPointer>
#include <functional>
#include <vector>

#include "chart/editors/TTeeForm.h"

class QAction;
class QListWidgetItem;
class QMenu;
class QTreeWidget;
class QTreeWidgetItem;
class TChartAxis;
class TChartGrid;
class TChartListBox;
class TChartSeries;
class TChartTitle;
class TChartWall;
class TCustomChart;
class TFormTeeSeries;
class TFormTeeTools;
class TSeriesGroup;
class TTeeCustomTool;

enum TChartEditorTab : unsigned char {
    cetMain,
    cetGeneral,
    cetAxis,
    cetTitles,
    cetLegend,
    cetPanel,
    cetPaging,
    cetWalls,
    cet3D,
    cetSeriesGeneral,
    cetSeriesMarks,
    cetAllSeries,
    cetSeriesData,
    cetExport,
    cetExportNative,
    cetTools,
    cetPrintPreview
};
// A set of tabs: bit (1 << tab).
using TChartEditorHiddenTabs = unsigned;
constexpr TChartEditorHiddenTabs TeeTabBit(TChartEditorTab Tab)
{
    return 1u << Tab;
}

enum TChartEditorOption { ceAdd, ceDelete, ceChange, ceClone, ceDataSource, ceTitle, ceHelp, ceGroups, ceGroupAll };
// A set of options: bit (1 << option).
using TChartEditorOptions = unsigned;
constexpr TChartEditorOptions TeeOptionBit(TChartEditorOption Option)
{
    return 1u << Option;
}
// Every option but ceGroups.
constexpr TChartEditorOptions TeeDefaultEditorOptions = 383;
// DefaultTab without a tab to open.
constexpr int TeeNoDefaultTab = 255;

class TChartEditForm;
// Called with the editor and the tab shown (null at the first show) whenever a page is
// shown, in list order.
using TTeeOnShowEditor = std::function<void(TChartEditForm* Editor, QWidget* Tab)>;
std::vector<TTeeOnShowEditor>& TeeOnShowEditor();
// Offers "View Series Names" outside design time too.
extern bool TeeSeriesNamesRuntime;

// The export and print preview pages come from the export dialog and the print preview,
// which install these (InstallTeeExportPreviewPages); without a Create function the tab
// stays hidden. Create makes the page form embedded in Tab; Show runs at every later show.
struct TChartEditorPageHooks {
    std::function<TTeeForm*(TChartEditForm& Editor, QWidget* Tab)> CreateExport;
    std::function<void(TChartEditForm& Editor, TTeeForm* Page)> ShowExport;
    std::function<TTeeForm*(TChartEditForm& Editor, QWidget* Tab)> CreatePreview;
    std::function<void(TChartEditForm& Editor, TTeeForm* Page)> ShowPreview;
};
TChartEditorPageHooks& TeeChartEditorPageHooks();

// The help of the editor: the help file (empty when none is installed) and how help is
// shown for a help context. Nothing is installed by default, and then the editor offers
// no help button.
extern std::function<AnsiString()> TeeEditorHelpFile;
extern std::function<void(const AnsiString& HelpFile, int Context)> TeeEditorShowHelp;

class TChartEditForm : public TTeeForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TChartEditForm(QWidget* Owner = nullptr);
    ~TChartEditForm() override;

    // ---- controls
    TTeePageControl* MainPage = nullptr;
    QWidget* TabChart = nullptr;
    QWidget* TabSeries = nullptr;
    QWidget* TabData = nullptr;
    QWidget* TabTools = nullptr;
    QWidget* TabExport = nullptr;
    QWidget* TabPrint = nullptr;
    TTeePageControl* SubPage = nullptr;
    QWidget* TabSeriesList = nullptr;
    QWidget* TabGeneral = nullptr;
    QWidget* TabAxis = nullptr;
    QWidget* TabTitle = nullptr;
    QWidget* TabLegend = nullptr;
    QWidget* TabPanel = nullptr;
    QWidget* TabPaging = nullptr;
    QWidget* TabWalls = nullptr;
    QWidget* Tab3D = nullptr;
    TChartListBox* LBSeries = nullptr;
    QToolButton* BMoveUP = nullptr;
    QToolButton* BMoveDown = nullptr;
    QPushButton* BAddSeries = nullptr;
    QPushButton* BDeleteSeries = nullptr;
    QPushButton* BRenameSeries = nullptr;
    QPushButton* BCloneSeries = nullptr;
    QPushButton* BChangeTypeSeries = nullptr;
    QToolButton* BAddGroup = nullptr;
    QToolButton* BDeleteGroup = nullptr;
    QToolButton* BRenameGroup = nullptr;
    QCheckBox* CBNames = nullptr;
    QWidget* PanelGroups = nullptr;
    QListWidget* Groups = nullptr;
    TChartGrid* ChartGrid1 = nullptr;
    QToolButton* SBGridText = nullptr;
    QToolButton* SBGridCol = nullptr;
    QToolButton* SBGrid3D = nullptr;
    QToolButton* SBGridX = nullptr;
    QWidget* PanBottom = nullptr;
    QPushButton* ButtonHelp = nullptr;
    QPushButton* BClose = nullptr;
    QTreeWidget* Tree = nullptr;
    QSplitter* TreeSplitter = nullptr;
    QMenu* PopupData = nullptr;
    QAction* EditColor1 = nullptr;
    QAction* DefaultColor1 = nullptr;
    QAction* Makenullpoint1 = nullptr;
    QAction* N1 = nullptr;

    // ---- state
    int OldWidth = 0;
    TCustomChart* Chart() const;
    TTeeForm* PreviewForm = nullptr;
    TTeeForm* ExportForm = nullptr;
    QTreeWidgetItem* SeriesNode = nullptr;
    QTreeWidgetItem* ToolsNode = nullptr;
    TChartAxis* InitialAxis = nullptr;
    TChartTitle* InitialTitle = nullptr;
    TTeeCustomTool* InitialTool = nullptr;
    TChartWall* InitialWall = nullptr;
    TChartSeries* NewFunctionSeries = nullptr;
    TChartSeries* InitialSeries = nullptr;
    int DefaultTab = TeeNoDefaultTab;
    TChartEditorHiddenTabs HideTabs = 0;
    TChartEditorOptions Options = TeeDefaultEditorOptions;
    bool IsDSSChart = false;
    TFormTeeSeries* SeriesForm = nullptr;
    bool HighLightTabs = false;
    bool RememberPosition = true;
    bool RememberSize = true;
    // The help file found by CheckHelpFile (empty: no help).
    AnsiString HelpFile;
    static constexpr int HelpContext = 726;

    // The size the editor opens with when none is remembered (and which is not stored).
    static int DefaultWidth();
    static int DefaultHeight();

    bool HasOption(TChartEditorOption Option) const { return (Options & TeeOptionBit(Option)) != 0; }
    bool TabHidden(TChartEditorTab Tab) const { return (HideTabs & TeeTabBit(Tab)) != 0; }
    bool TreeMode() const;
    void SetTreeMode(bool Value);

    // The page form embedded in a tab (null until the tab was shown).
    TTeeForm* PageForm(QWidget* Tab) const;
    TFormTeeTools* ToolsForm() const;

    // ---- operations
    void SetChart(TCustomChart* Value);
    void CheckHelpFile();
    void ButtonHelpClick();
    void FormShow() override;
    void FormCloseQuery(bool& CanClose) override;
    // Stores the window's place and size (the form's destruction does it too).
    void SaveGeometry();

    bool MainPageChanging();
    void MainPageChange();
    void SubPageChanging();
    void SubPageChange(QObject* Sender = nullptr);
    void TreeChange();
    void SetTabSeries();
    void TreeSelectSeries(TChartSeries* Series);
    QTreeWidgetItem* TreeNodeCurrentSeries() const;
    void SelectTreeNodeData(const void* Data);
    void AddSeriesNodes();
    void PrepareTree();
    void BroadCastShowEditor(QWidget* Tab);
    void CreateToolsForm();
    void AddedTool(TTeeCustomTool* Tool);
    void DeletedTool(TTeeCustomTool* Tool);
    void AxisNotifyCustom();
    void InternalSetupFormSeries();

    // ---- the series list
    void BAddSeriesClick();
    void BDeleteSeriesClick();
    void BRenameSeriesClick();
    void BCloneSeriesClick();
    void BChangeTypeSeriesClick();
    void BMoveUPClick();
    void BMoveDownClick();
    void LBSeriesEditSeries();
    void LBSeriesRefreshButtons();
    void LBSeriesOtherItemsChange();
    void LBSeriesChangeActive();
    void CBNamesClick();

    // ---- series groups
    void FillGroups();
    int DeltaGroup() const;
    TSeriesGroup* CurrentGroup() const;
    void EnableGroupButtons();
    void GroupsClick();
    void GroupsClickCheck(int Row);
    // Whether the list's selected series may be dropped on a group row.
    bool GroupsDragOver(QObject* Source, int Row) const;
    void GroupsDragDrop(int Row);
    void BAddGroupClick();
    void BRenameGroupClick();
    void BDeleteGroupClick();

    // ---- the data page
    void SBGridTextClick();
    void SBGridColClick();
    void SBGrid3DClick();
    void SBGridXClick();
    void GridMouseDown(bool RightButton, bool Alt);
    void PopupDataPopup();
    void EditColor1Click();
    void DefaultColor1Click();
    void Makenullpoint1Click();
    void Insertrow1Click();
    void Deleterow1Click();
    void extfont1Click();
    void BCloseClick();

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;

private:
    void BuildSeriesList();
    void BuildDataPage();
    void OpenDefaultTab();
    void ReadGeometry();
    void SetHighlight(QTabWidget* Pages, int Index, bool On);
    void MainPageCurrentChanged(int Index);
    void DataSetup();
    void ExportSetup();
    void PreviewSetup();
    TTeeForm* CreateChartPage(int Index);
    QTreeWidgetItem* AddNode(QTreeWidgetItem* Parent, const QString& Text, const void* Data);
    static const void* NodeData(const QTreeWidgetItem* Node);
    void RefillTreeTools();

    QPointer<TCustomChart> FChart;
    int FMainIndex = 0;
    bool FRevertingPage = false;
    bool FGeometryStored = false;
    bool FShown = false;
};
