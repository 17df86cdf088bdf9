// Every window of the program, built as the program builds it, on the screen this run is given
// (the offscreen platform's configuration file): it opens wholly on the screen, every text it
// shows fits its control, and in a maximised channel window the pages use the window. The
// checks measure with the widgets' own fonts, in German and in English.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <set>
#include <sstream>

#include "ChannelTestSupport.h"
#include "app/RecordedDataWriter.h"
#include "app/TFileCommands.h"
#include "app/classFileReader.h"
#include "channel/ChannelTexts.h"
#include "channel/ProgramForms.h"
#include "chart/engine/TChartLegend.h"
#include "chart/engine/TCustomChart.h"
#include "programmer/ProgrammerDialogs.h"
#include "programmer/TfrmDateTimePicker.h"
#include "programmer/TfrmSingleRamp.h"
#include "support/FakeDataFileView.h"

using namespace channeltest;

namespace {

QString Plain(QString text)
{
    // A mnemonic's ampersand takes no room.
    text.remove(QRegularExpression("&(?!&)"));
    return text;
}

QString Name(const QWidget* w)
{
    QString name = w->objectName();
    for (const QWidget* p = w->parentWidget(); p && name.isEmpty(); p = p->parentWidget())
        if (!p->objectName().isEmpty()) name = "(in " + p->objectName() + ")";
    return name;
}

// The widths a control needs for its text, measured with its own font and style.
class TFitCheck {
public:
    explicit TFitCheck(std::ostringstream& out) : FOut(out) {}

    void Window(QWidget* top)
    {
        const QString where = top->objectName().isEmpty() ? top->windowTitle() : top->objectName();
        if (top->isWindow()) OnScreen(top, where);
        Texts(top, where);
    }

    void OnScreen(QWidget* top, const QString& where)
    {
        QScreen* screen = top->screen() ? top->screen() : QGuiApplication::primaryScreen();
        const QRect frame = top->frameGeometry();
        if (!screen->availableGeometry().contains(frame))
            Fail(where, "window " + Rect(frame) + " leaves the screen " + Rect(screen->availableGeometry()));
    }

    void Texts(QWidget* top, const QString& where)
    {
        QList<QWidget*> all = top->findChildren<QWidget*>();
        all.prepend(top);
        for (QWidget* w : all) {
            // Dialogs owned by this window are windows of their own, checked by themselves.
            if (!w->isVisible() || w->width() <= 0 || w->window() != top->window()) continue;
            const QFontMetrics fm(w->font());
            if (auto* l = qobject_cast<QLabel*>(w)) {
                if (l->wordWrap() || l->text().isEmpty() || l->textFormat() == Qt::RichText) continue;
                Need(where, w, Plain(l->text()), fm.horizontalAdvance(Plain(l->text())) + 2 * l->margin() + l->indent(),
                     l->contentsRect().width());
            } else if (auto* c = qobject_cast<QCheckBox*>(w)) {
                Need(where, w, c->text(),
                     Indicator(w, QStyle::PM_IndicatorWidth) + fm.horizontalAdvance(Plain(c->text())), c->width());
            } else if (auto* r = qobject_cast<QRadioButton*>(w)) {
                Need(where, w, r->text(),
                     Indicator(w, QStyle::PM_ExclusiveIndicatorWidth) + fm.horizontalAdvance(Plain(r->text())),
                     r->width());
            } else if (auto* b = qobject_cast<QPushButton*>(w)) {
                if (b->text().isEmpty()) continue;
                const int icon = b->icon().isNull() ? 0 : b->iconSize().width() + 4;
                Need(where, w, b->text(), fm.horizontalAdvance(Plain(b->text())) + icon + 6, b->width());
            } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
                if (g->title().isEmpty()) continue;
                QFont bold = g->font();
                Need(where, w, g->title(), QFontMetrics(bold).horizontalAdvance(Plain(g->title())) + 8, g->width());
            } else if (auto* box = qobject_cast<QComboBox*>(w)) {
                if (box->isEditable() || box->currentText().isEmpty()) continue;
                QStyleOptionComboBox option;
                option.initFrom(box);
                option.editable = false;
                const QRect field =
                    box->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, box);
                Need(where, w, box->currentText(), fm.horizontalAdvance(box->currentText()), field.width());
            } else if (auto* bar = qobject_cast<QTabBar*>(w)) {
                for (int i = 0; i < bar->count(); ++i) {
                    if (!bar->isTabVisible(i)) continue;
                    const QRect tab = bar->tabRect(i);
                    if (!bar->rect().contains(tab)) Fail(where, "tab \"" + bar->tabText(i) + "\" lies outside its bar");
                    Need(where, w, bar->tabText(i), QFontMetrics(bar->font()).horizontalAdvance(Plain(bar->tabText(i))),
                         tab.width());
                }
            } else if (auto* tree = qobject_cast<QTreeWidget*>(w)) {
                Columns(where, tree);
            }
        }
    }

    // Column headers and cells of a list: each text within its column.
    void Columns(const QString& where, QTreeWidget* tree)
    {
        const QHeaderView* header = tree->header();
        const QFontMetrics fm(tree->font());
        for (int col = 0; col < tree->columnCount(); ++col) {
            if (header->isSectionHidden(col)) continue;
            const int width = header->sectionSize(col);
            if (!tree->isHeaderHidden()) {
                const QString title = tree->headerItem()->text(col);
                Need(where, tree, title, QFontMetrics(header->font()).horizontalAdvance(title) + 8, width);
            }
            for (int i = 0; i < tree->topLevelItemCount(); ++i) {
                QTreeWidgetItem* item = tree->topLevelItem(i);
                const QRect cell = tree->visualItemRect(item);
                if (cell.isEmpty()) continue;
                int need = fm.horizontalAdvance(item->text(col)) + 6;
                if (item->data(col, Qt::CheckStateRole).isValid()) need += Indicator(tree, QStyle::PM_IndicatorWidth);
                if (col == 0 && tree->rootIsDecorated()) need += tree->indentation();
                Need(where, tree, item->text(col), need, width);
            }
        }
    }

private:
    static int Indicator(QWidget* w, QStyle::PixelMetric metric)
    {
        return w->style()->pixelMetric(metric, nullptr, w) +
               w->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, w);
    }
    static QString Rect(const QRect& r)
    {
        return QString("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    }
    void Need(const QString& where, const QWidget* w, const QString& text, int need, int have)
    {
        if (need > have)
            Fail(where,
                 Name(w) + " \"" + text + "\" needs " + QString::number(need) + " px, has " + QString::number(have));
    }
    void Fail(const QString& where, const QString& what)
    {
        FOut << where.toStdString() << ": " << what.toStdString() << "\n";
    }

    std::ostringstream& FOut;
};

class WindowFitTest : public ChannelFixture {
protected:
    void TearDown() override
    {
        forms.reset();
        CLanguage::Instance()->SetCurrentLanguage(CLanguage::German);
        ChannelFixture::TearDown();
    }

    void Start(int language)
    {
        forms = std::make_unique<TProgramForms>(language);
        main = forms->MainWindow.get();
        main->tmrPopUp->stop();
        main->FreeResizing = 1;
        main->showMaximized();
        Settle();
    }
    static void Settle()
    {
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    }
    TmdiSubWindow* Active() const { return dynamic_cast<TmdiSubWindow*>(main->ChannelForm(main->ActiveChannel())); }

    // Every window on the screen now, with its texts.
    void CheckShownWindows(const char* step)
    {
        Settle();
        std::ostringstream out;
        TFitCheck check(out);
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->isVisible() && !qobject_cast<QMenu*>(top)) check.Window(top);
        for (QMdiSubWindow* sub : main->MdiArea()->subWindowList()) {
            if (!sub->isVisible()) continue;
            if (!main->MdiArea()->viewport()->rect().contains(sub->geometry()) && !sub->isMaximized())
                out << sub->windowTitle().toStdString() << ": leaves the main window\n";
        }
        Report(std::string("after ") + step, out.str());
    }
    // Each fault once, under the first step that shows it.
    void Report(const std::string& step, const std::string& lines)
    {
        std::istringstream in(lines);
        std::string line, fresh;
        while (std::getline(in, line))
            if (reported.insert(line).second) fresh += line + "\n";
        if (!fresh.empty()) failures << step << ":\n" << fresh;
    }

    void CheckArranged(const char* step, TmdiSubWindow* connected)
    {
        Settle();
        std::ostringstream out;
        const QList<QMdiSubWindow*> windows = main->MdiArea()->subWindowList();
        const QRect area = main->MdiArea()->viewport()->rect();
        for (QMdiSubWindow* sub : windows) {
            if (!area.contains(sub->geometry())) out << sub->windowTitle().toStdString() << " leaves the client area\n";
            if (sub->width() * 3 < area.width() / 2 || sub->height() * 3 < area.height() / 2)
                out << sub->windowTitle().toStdString() << " is only " << sub->width() << "x" << sub->height() << "\n";
        }
        for (int i = 0; i < windows.size(); ++i)
            for (int k = i + 1; k < windows.size(); ++k)
                if (windows[i]->geometry().intersects(windows[k]->geometry())) out << "tiled windows overlap\n";
        // The connected window's chart keeps a plot beside its legend.
        connected->tabDataControl->setCurrentWidget(connected->tabDataGraph);
        Settle();
        TChart* chart = connected->graDataGraph;
        chart->PaintWindow();
        const TRect plot = chart->ChartRect;
        if (plot.Right - plot.Left < chart->width() / 3 || plot.Bottom - plot.Top < chart->height() / 4)
            out << "the plot is " << plot.Right - plot.Left << "x" << plot.Bottom - plot.Top << " in a chart of "
                << chart->width() << "x" << chart->height() << "\n";
        Report(std::string("arranged ") + step, out.str());
    }

    // A maximised channel window: every page's controls take most of the page, the charts'
    // legends stay inside their charts.
    void CheckMaximisedPages(TmdiSubWindow* w, const char* step)
    {
        w->SubWindow()->showMaximized();
        Settle();
        std::ostringstream out;
        TFitCheck check(out);
        QTabWidget* tabs = w->tabDataControl;
        for (int i = 0; i < tabs->count(); ++i) {
            if (!tabs->isTabVisible(i)) continue;
            tabs->setCurrentIndex(i);
            Settle();
            QWidget* page = tabs->widget(i);
            const QRect used = page->childrenRect() & page->rect();
            if (used.width() < page->width() * 8 / 10 || used.height() < page->height() * 8 / 10)
                out << "page " << page->objectName().toStdString() << " " << page->width() << "x" << page->height()
                    << " uses only " << used.width() << "x" << used.height() << "\n";
            if (page->width() < main->MdiArea()->viewport()->width() * 8 / 10)
                out << "page " << page->objectName().toStdString() << " is " << page->width()
                    << " px wide in a maximised window\n";
            check.Texts(page, page->objectName());
            // The profile keeps most of its row beside its legend.
            if (page == w->tabProgrammerGraph && w->graProgrammerGraph->width() < page->width() / 2)
                out << "the profile chart is " << w->graProgrammerGraph->width() << " px of " << page->width() << "\n";
            // The run's protocol shows its lines whole, wrapped at the pane's edge.
            if (page == w->tabProgrammerGraph && w->memProtocol->horizontalScrollBar()->maximum() > 0)
                out << "the program protocol's lines run past its edge\n";
        }
        Report(std::string("maximised ") + step, out.str());
    }

    // The control panel covers nothing of a maximised channel window.
    void CheckPanelBesideMaximised(TmdiSubWindow* w)
    {
        w->SubWindow()->showMaximized();
        Settle();
        QWidget* panel = forms->PanelControl;
        if (!panel->isVisible()) return;
        const QRect window(w->SubWindow()->mapToGlobal(QPoint(0, 0)), w->SubWindow()->size());
        if (window.intersects(panel->frameGeometry())) failures << "the control panel covers the maximised window\n";
    }

    void RunAll(int language)
    {
        Start(language);
        CheckShownWindows("start");

        TmdiSubWindow* recording = nullptr;
        main->mnuDatenaufzeichnung->trigger();
        recording = Active();
        ASSERT_NE(recording, nullptr);
        CheckShownWindows("new recording");

        // A programmer window connected to a unit: the identification window on the way.
        support::SimulatedUnitLine line;
        support::UnitState unit;
        unit.controlMode = 'I';
        line.AddUnit(unit);
        AnsiString error;
        ASSERT_TRUE(line.StartTcp(0, &error)) << error;
        main->mnuProgrammgeber->trigger();
        TmdiSubWindow* programmer = Active();
        ASSERT_NE(programmer, nullptr);
        programmer->cmbInterface->setCurrentIndex(programmer->cmbInterface->findText("TCP/IP"));
        programmer->edPort->setText(QString::number(line.TcpPort()));
        support::TestDialogs().QueueFileName(Path(language == 0 ? "de" : "en"));
        programmer->cmdEstablishConnectionClick();
        CIdentification* id = programmer->Session().ChannelObject()->Identification;
        ASSERT_TRUE(Await([&] { return id->IdentificationWindow() && id->IdentificationWindow()->OkEnabled(); }));
        TfrmIdentification* identification = id->IdentificationWindow();
        CheckShownWindows("identification");
        if (identification->memIdentification->verticalScrollBar()->value() != 0)
            failures << "the identification window opens scrolled past its first line\n";
        identification->bitOKClick();
        ASSERT_TRUE(Await([&] { return programmer->IsConnected(); }));
        CheckShownWindows("connected programmer");

        main->mnuTPScout->trigger();
        TmdiSubWindow* scout = Active();
        ASSERT_NE(scout, nullptr);
        scout->mnuCreateProgramClick();
        scout->mnuAddSegmentClick();
        CheckShownWindows("TP Scout");

        support::TestDialogs().QueueFileName(Path("rec_11.csv"));
        main->mnuVisualisierung->trigger();
        forms->FileCommands->WaitIdle();
        CheckShownWindows("view");

        forms->ProgrammerDialogs->SingleRamp()->hide();
        main->cmdAutomaticStart->trigger();
        CheckShownWindows("automatic start");
        forms->ProgrammerDialogs->DateTimePicker()->hide();
        forms->ProgrammerDialogs->ShowSingleRamp(programmer->Channel());
        CheckShownWindows("single ramp");
        forms->ProgrammerDialogs->SingleRamp()->hide();
        forms->FileReader->show();
        CheckShownWindows("file reader");
        forms->FileReader->hide();

        // The other language and back: the panel's title changes its width.
        (language == CLanguage::German ? main->mnuEnglish : main->mnuGerman)->trigger();
        CheckShownWindows("language switch");
        (language == CLanguage::German ? main->mnuGerman : main->mnuEnglish)->trigger();
        CheckShownWindows("language switched back");

        // One of the run's longer protocol lines, as a run writes it.
        programmer->Session().AddMemoLine(
            TSessionMemo::Protocol,
            DateToStr(Now()) + " " + TimeToStr(Now()) + " " +
                ChannelText(resources::RowStepsDoNotReachUnit,
                            {"Temperierprogramm", ChannelText(resources::RowReasonConnectionLost)}) +
                " " + ChannelText(resources::RowNoStepTaken) + " " + ChannelText(resources::RowProgramKeepsTiming));
        for (TmdiSubWindow* w : {programmer, scout, recording}) {
            CheckMaximisedPages(w, w->windowTitle().toUtf8().constData());
            CheckPanelBesideMaximised(w);
        }
        programmer->SubWindow()->showNormal();
        // Five windows arranged: each within the client area, each chart with a plot.
        main->mnuDatenaufzeichnung->trigger();
        for (QAction* arrange : {main->mnuWindowTileItem, main->mnuWindowTileItem2}) {
            arrange->trigger();
            CheckArranged(arrange->objectName().toUtf8().constData(), programmer);
        }
        // A new window joins the arrangement in force.
        main->mnuTPScout->trigger();
        CheckArranged("new window while tiled", programmer);
        main->mnuWindowCascadeItem->trigger();
        CheckShownWindows("cascade");
    }

    std::unique_ptr<TProgramForms> forms;
    TfrmMainWindow* main = nullptr;
    std::ostringstream failures;
    std::set<std::string> reported;
};

void WriteRecording(const AnsiString& path)
{
    FakeDataFileView v;
    v.Record(3, 30, EncodeDate(2026, 3, 27));
    v.fileName = path;
    ASSERT_TRUE(FileSave1Execute(&v, 1));
}

}  // namespace

TEST_F(WindowFitTest, GermanWindowsFitTheScreen)
{
    WriteRecording(Path("rec.csv"));
    RunAll(CLanguage::German);
    EXPECT_EQ(failures.str(), "");
}

TEST_F(WindowFitTest, EnglishWindowsFitTheScreen)
{
    WriteRecording(Path("rec.csv"));
    RunAll(CLanguage::English);
    EXPECT_EQ(failures.str(), "");
}
