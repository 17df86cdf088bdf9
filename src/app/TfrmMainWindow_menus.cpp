// The main window's menus, tool bar and caption pass.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QProxyStyle>
#include <QStatusBar>
#include <QToolBar>
#include <string>

#include "app/CLanguage.h"
#include "app/IControlPanel.h"
#include "app/IShellHooks.h"
#include "app/ProgramPictures.h"
#include "app/ReasonWords.h"
#include "app/TfrmMainWindow.h"
#include "app/TfrmWait.h"
#include "app/ToolkitTranslation.h"
#include "platform/Dialogs.h"
#include "platform/TextLines.h"
#include "platform/UiThread.h"
#include "resources/TextRows.h"

using namespace resources;

namespace {

// An action whose trigger runs handler under the program's exception guard.
template <class F>
QAction* Item(QObject* owner, QMenu* menu, const char* name, const QKeySequence& shortcut, F handler)
{
    auto* action = new QAction(owner);
    action->setObjectName(name);
    if (!shortcut.isEmpty()) action->setShortcut(shortcut);
    QObject::connect(action, &QAction::triggered, owner, [handler] { platform::GuardedCall(handler); });
    if (menu) menu->addAction(action);
    return action;
}

QMenu* SubMenu(QWidget* owner, QMenu* parent, const char* name)
{
    auto* menu = new QMenu(owner);
    menu->setObjectName(name);
    if (parent) parent->addMenu(menu);
    return menu;
}

// Hints are "short|long": the short part is the tool tip, the long part the status line.
void SetHint(QAction* action, const AnsiString& hint)
{
    const auto bar = hint.find('|');
    const AnsiString shortHint = bar == AnsiString::npos ? hint : hint.substr(0, bar);
    const AnsiString longHint = bar == AnsiString::npos ? hint : hint.substr(bar + 1);
    action->setToolTip(Q(shortHint));
    action->setStatusTip(Q(longHint));
}

// A menu shows the status tip of a greyed item the pointer is on only when its style lets
// greyed items be the current one: so a greyed file item can say why it is greyed. They
// still cannot be chosen.
class TGreyedItemsStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == QStyle::SH_Menu_AllowActiveAndDisabled) return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

}  // namespace

void TfrmMainWindow::BuildMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName("mnuMainMenu");
    mnuFile = SubMenu(this, nullptr, "mnuFile");
    mnuEdit = SubMenu(this, nullptr, "mnuEdit");
    mnuWindow = SubMenu(this, nullptr, "mnuWindow");
    mnuDevice = SubMenu(this, nullptr, "mnuDevice");
    mnuZoom = SubMenu(this, nullptr, "mnuZoom");
    mnuLanguage = SubMenu(this, nullptr, "mnuLanguage");
    mnuHelp = SubMenu(this, nullptr, "mnuHelp");
    for (QMenu* m : {mnuFile, mnuEdit, mnuWindow, mnuDevice, mnuZoom, mnuLanguage, mnuHelp}) bar->addMenu(m);

    mnuFileNewItem = SubMenu(this, mnuFile, "mnuFileNewItem");
    mnuDatenaufzeichnung = Item(this, mnuFileNewItem, "mnuDatenaufzeichnung", QKeySequence("Ctrl+N"),
                                [this] { mnuDatenaufzeichnungClick(); });
    // The file view is opened through the file dialog, which then loads the file into it.
    mnuVisualisierung =
        Item(this, mnuFileNewItem, "mnuVisualisierung", QKeySequence("Ctrl+G"), [this] { actFileOpenExecute(true); });
    mnuProgrammgeber =
        Item(this, mnuFileNewItem, "mnuProgrammgeber", QKeySequence("Ctrl+P"), [this] { mnuProgrammgeberClick(); });
    mnuTPScout = Item(this, mnuFileNewItem, "mnuTPScout", QKeySequence("Ctrl+E"), [this] { mnuTPScoutClick(); });
    mnuTPScout->setText("TP Scout");
    mnuOpenFile = Item(this, mnuFile, "mnuOpenFile", QKeySequence("Ctrl+O"), [this] { actFileOpenExecute(); });
    mnuFileCloseItem =
        Item(this, mnuFile, "mnuFileCloseItem", QKeySequence("Ctrl+K"), [this] { actFileCloseExecute(); });
    mnuFileSaveItem = Item(this, mnuFile, "mnuFileSaveItem", QKeySequence("Ctrl+S"), [this] { btnFileSaveClick(); });
    mnuFile->addSeparator();
    mnuPrint = SubMenu(this, mnuFile, "mnuPrint");
    mnuPrintGraph = Item(this, mnuPrint, "mnuPrintGraph", {}, [this] {
        if (FFileCommands) FFileCommands->PrintGraph(ActiveChannel());
    });
    mnuPrintProtocol = Item(this, mnuPrint, "mnuPrintProtocol", {}, [this] {
        if (FFileCommands) FFileCommands->PrintProtocol(ActiveChannel());
    });
    mnuPrintMemo = Item(this, mnuPrint, "mnuPrintMemo", {}, [this] {
        if (FFileCommands) FFileCommands->PrintMemo(ActiveChannel());
    });
    mnuPrintMemo->setText("Memo");
    mnuDruckereinstellungen = Item(this, mnuFile, "mnuDruckereinstellungen", {}, [this] {
        if (FFileCommands) FFileCommands->PrinterSetup();
    });
    mnuExport = Item(this, mnuFile, "mnuExport", {}, [this] {
        if (FFileCommands) FFileCommands->Export(ActiveChannel());
    });
    mnuFile->addSeparator();
    mnuFileExitItem = Item(this, mnuFile, "mnuFileExitItem", QKeySequence("Ctrl+X"), [this] { actFileExitExecute(); });

    mnuCutItem = Item(this, mnuEdit, "mnuCutItem", {}, [this] { EditCommand("cut"); });
    mnuCopyItem = Item(this, mnuEdit, "mnuCopyItem", {}, [this] { EditCommand("copy"); });
    mnuPasteItem = Item(this, mnuEdit, "mnuPasteItem", {}, [this] { EditCommand("paste"); });

    mnuWindowCascadeItem = Item(this, mnuWindow, "mnuWindowCascadeItem", {}, [this] { actWindowCascadeExecute(); });
    mnuWindowTileItem = Item(this, mnuWindow, "mnuWindowTileItem", {}, [this] { actWindowTileHorizontalExecute(); });
    mnuWindowTileItem2 = Item(this, mnuWindow, "mnuWindowTileItem2", {}, [this] { actWindowTileVerticalExecute(); });
    mnuWindowMinimizeItem = Item(this, mnuWindow, "mnuWindowMinimizeItem", {}, [this] {
        for (QMdiSubWindow* w : mdiArea->subWindowList()) w->showMinimized();
    });
    mnuWindowArrangeItem = Item(this, mnuWindow, "mnuWindowArrangeItem", {}, [this] { actWindowArrangeExecute(); });
    mnuWindow->addSeparator();
    mnuControlPanel = Item(this, mnuWindow, "mnuControlPanel", QKeySequence("F2"), [this] { mnuControlPanelClick(); });
    mnuControlPanel->setCheckable(true);

    mnuCirculationON =
        Item(this, mnuDevice, "mnuCirculationON", QKeySequence("F6"), [this] { mnuCirculationONClick(); });
    mnuDeviceON = Item(this, mnuDevice, "mnuDeviceON", QKeySequence("F5"), [this] { mnuDeviceONClick(); });
    mnuDeviceOFF = Item(this, mnuDevice, "mnuDeviceOFF", QKeySequence("F8"), [this] { mnuDeviceOFFClick(); });
    mnuSetSetpoint = Item(this, mnuDevice, "mnuSetSetpoint", QKeySequence("F9"), [this] { mnuSetSetpointClick(); });

    mnuTotalFocus = Item(this, mnuZoom, "mnuTotalFocus", QKeySequence("Ctrl+T"), [this] { cmdTotalFocusClick(); });
    mnuSeriesShowLeft =
        Item(this, mnuZoom, "mnuSeriesShowLeft", QKeySequence("Ctrl+W"), [this] { cmdSeriesShowLeftClick(); });
    mnuSeriesShowRight =
        Item(this, mnuZoom, "mnuSeriesShowRight", QKeySequence("Ctrl+Alt+W"), [this] { cmdSeriesShowRightClick(); });
    mnuSaveZoom = Item(this, mnuZoom, "mnuSaveZoom", QKeySequence("Ctrl+R"), [this] { cmdSaveZoomClick(); });

    mnuGerman = Item(this, mnuLanguage, "mnuGerman", {}, [this] { mnuGermanClick(); });
    mnuEnglish = Item(this, mnuLanguage, "mnuEnglish", {}, [this] { mnuEnglishClick(); });
    mnuGerman->setCheckable(true);
    mnuEnglish->setCheckable(true);

    mnuUsage = Item(this, mnuHelp, "mnuUsage", {}, [] {});
    mnuUsage->setVisible(false);
    mnuInformation = Item(this, mnuHelp, "mnuInformation", QKeySequence("Ctrl+I"), [this] { mnuInformationClick(); });

    mdiArea->setObjectName("mdiArea");
}

void TfrmMainWindow::BuildToolBar()
{
    brToolBar = addToolBar("brToolBar");
    brToolBar->setObjectName("brToolBar");
    brToolBar->setMovable(false);
    brToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    auto button = [this](const char* name, TToolPicture picture, auto handler) {
        QAction* a = Item(this, nullptr, name, {}, handler);
        a->setIcon(ToolPicture(picture));
        brToolBar->addAction(a);
        return a;
    };
    using P = TToolPicture;
    btnFileOpen = button("btnFileOpen", P::Open, [this] { actFileOpenExecute(); });
    btnFileSave = button("btnFileSave", P::Save, [this] { btnFileSaveClick(); });
    brToolBar->addSeparator();
    btnCut = button("btnCut", P::Cut, [this] { EditCommand("cut"); });
    btnCopy = button("btnCopy", P::Copy, [this] { EditCommand("copy"); });
    btnPaste = button("btnPaste", P::Paste, [this] { EditCommand("paste"); });
    brToolBar->addSeparator();
    btnCascade = button("btnCascade", P::Cascade, [this] { actWindowCascadeExecute(); });
    btnVertical = button("btnVertical", P::TileHorizontally, [this] { actWindowTileHorizontalExecute(); });
    btnHorizontal = button("btnHorizontal", P::TileVertically, [this] { actWindowTileVerticalExecute(); });
    brToolBar->addSeparator();
    cmdTotalFocus = button("cmdTotalFocus", P::Overview, [this] { cmdTotalFocusClick(); });
    cmdSeriesShowLeft = button("cmdSeriesShowLeft", P::ArrangeLeftAxis, [this] { cmdSeriesShowLeftClick(); });
    cmdSeriesShowRight = button("cmdSeriesShowRight", P::ArrangeRightAxis, [this] { cmdSeriesShowRightClick(); });
    cmdSaveZoom = button("cmdSaveZoom", P::ZoomLimit, [this] { cmdSaveZoomClick(); });
    brToolBar->addSeparator();
    cmdAutomaticStart = button("cmdAutomaticStart", P::AutomaticStart, [this] { cmdAutomaticStartClick(); });
    cmdRamp = button("cmdRamp", P::Ramp, [this] { cmdRampClick(); });
}

void TfrmMainWindow::EditCommand(const char* slot)
{
    // Only a text field has the commands; anything else with the focus has nothing to cut.
    QWidget* focus = QApplication::focusWidget();
    if (focus && focus->metaObject()->indexOfMethod((std::string(slot) + "()").c_str()) >= 0)
        QMetaObject::invokeMethod(focus, slot);
}

void TfrmMainWindow::SetMenuLanguageMarks()
{
    mnuGerman->setChecked(FLanguageIndex == 0);
    mnuEnglish->setChecked(FLanguageIndex == 1);
}

void TfrmMainWindow::ApplyLanguage(int language)
{
    NOX_ASSERT_UI_THREAD();
    Language = CLanguage::Instance();
    Language->SetCurrentLanguage(language);
    FLanguageIndex = language;
    UseReasonWords(language);
    // The toolkit's dialogs and the key names of the menus' shortcuts follow.
    UseToolkitTranslation(language);
    auto text = [&](int row) {
        AnsiString out;
        return Language->LookupText(language, row, out);
    };
    struct Row {
        QAction* action;
        int caption;  // -1: keep
        int hint;     // -1: none
    };
    const Row rows[] = {
        {mnuFile->menuAction(), RowMenuFile, RowHintFileMenu},
        {mnuEdit->menuAction(), RowMenuEdit, RowHintEditMenu},
        {mnuWindow->menuAction(), RowMenuWindow, RowHintWindowMenu},
        {mnuZoom->menuAction(), RowMenuZoom, RowHintZoomMenu},
        {mnuLanguage->menuAction(), RowMenuLanguage, RowHintLanguageMenu},
        {mnuHelp->menuAction(), RowMenuHelp, RowHintHelpMenu},
        {mnuFileNewItem->menuAction(), RowMenuNew, RowHintNew},
        {mnuDatenaufzeichnung, RowMenuDataRecording, RowHintDataRecording},
        {mnuVisualisierung, RowMenuView, RowHintView},
        {mnuProgrammgeber, RowMenuProgrammer, RowHintProgrammer},
        {mnuOpenFile, RowMenuOpen, RowHintOpen},
        {mnuFileCloseItem, RowMenuClose, RowHintClose},
        {mnuFileSaveItem, RowMenuSave, RowHintSave},
        {mnuPrint->menuAction(), RowMenuPrint, RowHintPrint},
        {mnuPrintGraph, RowMenuPrintGraph, -1},
        {mnuPrintProtocol, RowTabEventReport, -1},
        {mnuDruckereinstellungen, RowMenuPrinterSettings, RowHintPrinterSettings},
        {mnuFileExitItem, RowMenuExit, RowHintExit},
        {mnuCutItem, RowMenuCut, RowHintCut},
        {mnuCopyItem, RowMenuCopy, RowHintCopy},
        {mnuPasteItem, RowMenuPaste, RowHintPaste},
        {mnuWindowCascadeItem, RowMenuCascade, RowHintCascade},
        {mnuWindowTileItem, RowMenuTileHorizontally, RowHintTileHorizontally},
        {mnuWindowTileItem2, RowMenuTileVertically, RowHintTileVertically},
        {mnuWindowMinimizeItem, RowMenuMinimizeAll, RowHintMinimizeAll},
        {mnuWindowArrangeItem, RowMenuArrangeAll, RowHintArrangeAll},
        {mnuTotalFocus, RowMenuOverview, RowHintOverview},
        {mnuSeriesShowLeft, RowMenuArrangeLeftAxis, RowHintArrangeLeftAxis},
        {mnuSeriesShowRight, RowMenuArrangeRightAxis, RowMenuArrangeRightAxis},
        {mnuSaveZoom, RowMenuSetZoomLimit, RowHintSetZoomLimit},
        {mnuGerman, RowMenuGerman, -1},
        {mnuEnglish, RowMenuEnglish, -1},
        {mnuUsage, RowMenuHandbook, RowHintHandbook},
        {mnuInformation, RowMenuInformation, RowHintInformation},
        {mnuControlPanel, RowControlPanel, RowHintControlPanel},
        {mnuCirculationON, RowMenuActivateCirculation, RowMenuActivateCirculation},
        {mnuDeviceON, RowActivateTemperatureControl, RowActivateTemperatureControl},
        {mnuDeviceOFF, RowDeactivateTemperatureControl, RowDeactivateTemperatureControl},
        {mnuSetSetpoint, RowSetSetpoint, RowSetSetpoint},
        {mnuDevice->menuAction(), RowDeviceMenu, RowHintDeviceMenu},
        {mnuExport, RowMenuExportGraph, -1},
        {btnFileOpen, -1, RowHintOpen},
        {btnFileSave, -1, RowHintSave},
        // The edit buttons' hints are the menu captions, without a long form.
        {btnCut, -1, RowMenuCut},
        {btnCopy, -1, RowMenuCopy},
        {btnPaste, -1, RowMenuPaste},
        {btnCascade, -1, RowHintCascade},
        // btnVertical arranges the windows horizontally and btnHorizontal vertically (the
        // names are the other way round); each hint says what its button does.
        {btnVertical, -1, RowHintTileHorizontally},
        {btnHorizontal, -1, RowHintTileVertically},
        {cmdTotalFocus, -1, RowButtonOverview},
        {cmdSeriesShowLeft, -1, RowButtonArrangeLeftAxis},
        {cmdSeriesShowRight, -1, RowButtonArrangeRightAxis},
        {cmdSaveZoom, -1, RowButtonSetZoomLimit},
        {cmdAutomaticStart, -1, RowSetUpAutomaticStart},
        {cmdRamp, -1, RowSetUpSingleRamp},
    };
    for (const Row& r : rows) {
        if (r.caption >= 0) r.action->setText(Q(text(r.caption)));
        if (r.hint >= 0) SetHint(r.action, text(r.hint));
        // A tool button shows its picture; its short hint also names it (screen readers).
        if (r.caption < 0) r.action->setText(r.action->toolTip());
    }
    ExplainGreyedItems();
    if (frmWait) frmWait->txtWait->setText(Q(text(RowFileLoadingPleaseWait)));
    OpenDialogTitle = text(RowOpenDataFile);
    OpenDialogFilter = text(RowOpenDataFileFilter);
    SaveDialogTitle = text(RowSaveDataFile);
    SaveDialogFilter = text(RowSaveDataFileFilter);
    // The control panel speaks the main window's language, with or without channel windows.
    if (FPanelControl) FPanelControl->SetLanguage(language);
}

// ---------------------------------------------------------------- greyed file items

AnsiString TfrmMainWindow::GreyedReason(const QAction* action) const
{
    if (action->isEnabled()) return {};
    const bool full = ChildWindowCount() >= MaxChannelWindows;
    const bool newItem = action == mnuFileNewItem->menuAction() || action == mnuDatenaufzeichnung ||
                         action == mnuVisualisierung || action == mnuProgrammgeber || action == mnuTPScout;
    if (newItem) return full ? LookupText(FLanguageIndex, RowOpenRefusedTenWindows) : AnsiString();
    // The items were set by the window activated last, for itself.
    const IChannelForm* form = ChannelForm(LastActivatedChannel);
    if (!form) form = ChannelForm(ActiveChannel());
    if (!form) return {};
    if (form->ViewMode == vmDataRecording) {
        // A recording window never takes a file; a new view for it needs a free channel.
        AnsiString reason = LookupText(FLanguageIndex, RowOpenRefusedRecording);
        if (full) reason += " " + LookupText(FLanguageIndex, RowOpenRefusedTenWindows);
        return reason;
    }
    if (form->ViewMode == vmProgrammer) {
        if (form->ProgramRunning) return LookupText(FLanguageIndex, RowOpenWhileProgramRuns);
        if (!form->IsConnected()) return LookupText(FLanguageIndex, RowOpenNeedsConnection);
    }
    return {};
}

void TfrmMainWindow::WatchGreyedItems()
{
    for (QMenu* menu : {mnuFile, mnuFileNewItem}) {
        auto* style = new TGreyedItemsStyle;
        style->setParent(menu);
        menu->setStyle(style);
    }
}

void TfrmMainWindow::ExplainGreyedItems(bool announce)
{
    NOX_ASSERT_UI_THREAD();
    // Setting a hint changes the action, which calls this again.
    if (FExplaining || !Language) return;
    FExplaining = true;
    struct TItem {
        QAction* action;
        int hint;  // -1: none
    };
    const TItem items[] = {
        {mnuOpenFile, RowHintOpen},
        {btnFileOpen, RowHintOpen},
        {mnuFileNewItem->menuAction(), RowHintNew},
        {mnuDatenaufzeichnung, RowHintDataRecording},
        {mnuVisualisierung, RowHintView},
        {mnuProgrammgeber, RowHintProgrammer},
        {mnuTPScout, -1},
    };
    for (const TItem& item : items) {
        const AnsiString reason = GreyedReason(item.action);
        if (!reason.empty()) {
            item.action->setStatusTip(Q(reason));
            item.action->setToolTip(Q(reason));
        } else if (item.hint >= 0) {
            SetHint(item.action, LookupText(FLanguageIndex, item.hint));
        } else {
            item.action->setStatusTip(QString());
            item.action->setToolTip(QString());
        }
    }
    if (announce) {
        AnsiString reason = GreyedReason(mnuOpenFile);
        if (reason.empty()) reason = GreyedReason(mnuFileNewItem->menuAction());
        if (!reason.empty()) statusBar()->showMessage(Q(reason));
    }
    FExplaining = false;
}
