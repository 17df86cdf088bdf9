#include "chart/editors/TTeeToolsGallery.h"

#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <memory>

#include "chart/editors/TeeEditorBitmaps.h"
#include "chart/editors/TeeOwnerDraw.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/engine/TTeeCustomTool.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeProcs.h"
#include "platform/TCanvas.h"

TTeeCustomTool* TeeCreateTool(TTeeCustomToolClass Class, QObject* Owner)
{
    if (!Class) return nullptr;
    QObject* made = Class->newInstance(Q_ARG(QObject*, Owner));
    auto* tool = qobject_cast<TTeeCustomTool*>(made);
    if (!tool) delete made;
    return tool;
}

AnsiString TeeToolDescription(TTeeCustomToolClass Class)
{
    std::unique_ptr<TTeeCustomTool> tool(TeeCreateTool(Class));
    if (tool && !tool->Description().empty()) return tool->Description();
    const AnsiString name = Class ? Class->className() : "";
    return name.size() > 1 && name[0] == 'T' ? name.substr(1) : name;
}

void TeeDrawTool(TCanvas* Canvas, const AnsiString& Text, const TRect& Rect, bool Selected, TTeeCustomTool* Tool)
{
    Canvas->Brush()->SetColor(TeeRowBackColor(Selected));
    Canvas->FillRect(Rect);
    TeeDrawBitmapEditor(Canvas, Tool, Rect.Left + 2, Rect.Top + 1);
    Canvas->Font()->SetColor(TeeRowTextColor(Selected));
    Canvas->Brush()->SetStyle(bsClear);
    Canvas->SetBkMode(TRANSPARENT);
    Canvas->TextOut(Rect.Left + 22, Rect.Top + 2, Text);
    Canvas->Brush()->SetStyle(bsSolid);
}

TTeeToolsGallery::TTeeToolsGallery(QWidget* Owner) : TTeeForm(Owner)
{
    setObjectName("TeeToolsGallery");
    setWindowTitle("Chart Tools Gallery");
    SetClientSize(300, 300);

    TabControl1 = TeePlace(new QTabBar(this), 4, 4, 292, 24);
    TabControl1->setDrawBase(false);
    LBTool = TeePlace(new QListWidget(this), 4, 28, 292, 228);
    LBTool->setSortingEnabled(true);
    TeeOwnerDrawList(LBTool, 20, [this](TCanvas* c, int i, const TRect& r, bool s) { LBToolDrawItem(c, i, r, s); });
    auto* bottom = TeePlace(new QWidget(this), 0, 260, 300, 40);
    auto* buttons = TeePlace(new QWidget(bottom), 132, 0, 168, 40);
    BOk = TeePlace(new QPushButton("&Add", buttons), 4, 8, 75, 25);
    auto* cancel = TeePlace(new QPushButton("Cancel", buttons), 86, 8, 75, 25);

    BindOkCancel(BOk, cancel);
    Bind(TabControl1, &QTabBar::currentChanged, [this] { TabControl1Change(); });
    Bind(LBTool, &QListWidget::itemDoubleClicked, [this] { LBToolDblClick(); });
}

TTeeToolsGallery::~TTeeToolsGallery() = default;

void TTeeToolsGallery::FormShow()
{
    {
        TFilling filling(this);
        while (TabControl1->count() > 0) TabControl1->removeTab(0);
        TabControl1->addTab(QString::fromStdString(TeeMsg_Series));
        TabControl1->addTab("Axis");
        TabControl1->addTab(QString::fromStdString(TeeMsg_PieOther));
        TabControl1->setCurrentIndex(0);
    }
    FillTools();
    TeeTranslateControl(this);
}

void TTeeToolsGallery::TabControl1Change()
{
    FillTools();
}

void TTeeToolsGallery::FillTools()
{
    LBTool->clear();
    const int tab = TabControl1->currentIndex();
    for (TTeeCustomToolClass c : TeeToolTypes()) {
        const bool series = c->inherits(&TTeeCustomToolSeries::staticMetaObject);
        const bool axis = c->inherits(&TTeeCustomToolAxis::staticMetaObject);
        const bool listed = tab == 0 ? series : tab == 1 ? axis : tab == 2 ? (!series && !axis) : true;
        if (listed) TeeAddListItem(LBTool, TeeToolDescription(c), c);
    }
    if (LBTool->count() > 0) LBTool->setCurrentRow(0);
}

TTeeCustomToolClass TTeeToolsGallery::ToolAtIndex(int Index) const
{
    return static_cast<TTeeCustomToolClass>(TeeListItemObject(LBTool, Index));
}

TTeeCustomToolClass TTeeToolsGallery::SelectedTool() const
{
    return ToolAtIndex(LBTool->currentRow());
}

void TTeeToolsGallery::LBToolDrawItem(TCanvas* Canvas, int Index, const TRect& Rect, bool Selected)
{
    std::unique_ptr<TTeeCustomTool> tool(TeeCreateTool(ToolAtIndex(Index)));
    TeeDrawTool(Canvas, LBTool->item(Index)->text().toStdString(), Rect, Selected, tool.get());
}

void TTeeToolsGallery::LBToolDblClick()
{
    SetModalResult(mrOk);
}
