#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <set>

#include "FakeChannelForm.h"
#include "app/CLanguage.h"
#include "app/CLogoThread.h"
#include "app/TfrmMainWindow.h"
#include "app/TfrmSerialNumber.h"
#include "app/TfrmTitleControl.h"
#include "app/TfrmWait.h"
#include "app/ToolkitTranslation.h"
#include "platform/Dialogs.h"
#include "platform/UiDispatcher.h"
#include "resources/TextRows.h"
#include "support/ScriptedDialogs.h"

using namespace resources;

namespace {

void Type(QWidget* target, const QString& keys)
{
    for (QChar ch : keys) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QCoreApplication::sendEvent(target, &press);
    }
}

void PressEnter(QWidget* target)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &press);
}

bool WaitFor(const std::function<bool()>& done)
{
    return platform::UiDispatcher::Instance().WaitRunning(done, 5000);
}

class TitleWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = std::make_unique<TfrmMainWindow>(&factory, CLanguage::English);
        window->tmrPopUp->stop();
        title = new TfrmTitleControl(window.get());
    }
    void TearDown() override
    {
        window.reset();
        CLanguage::Instance()->SetCurrentLanguage(CLanguage::German);
    }
    FakeChannelFactory factory;
    std::unique_ptr<TfrmMainWindow> window;
    TfrmTitleControl* title = nullptr;
};

}  // namespace

TEST_F(TitleWindowTest, StartUpPopUpShowsAndHidesTheTitleAndFixesTheFrame)
{
    EXPECT_EQ(window->TitleWindow(), title);
    EXPECT_EQ(title->txtTitle->text(), "NoxControl 1.2");
    // The window carries a picture of its own, not an empty grey box.
    const QImage picture = title->TitleImage->pixmap().toImage();
    ASSERT_EQ(picture.size(), QSize(327, 453));
    std::set<QRgb> colours;
    for (int y = 0; y < picture.height(); y += 3)
        for (int x = 0; x < picture.width(); x += 3) colours.insert(picture.pixel(x, y));
    EXPECT_GT(colours.size(), 50u);
    EXPECT_NE(picture.pixel(163, 215), picture.pixel(5, 440));

    window->tmrPopUpTimer();
    EXPECT_TRUE(window->tmrKillThread->isActive());
    ASSERT_TRUE(WaitFor([&] { return title->isVisible() && window->FreeResizing == 0; }));
    EXPECT_EQ(window->minimumSize(), window->size());

    // Until the pop-up has ended the information command does nothing.
    window->mnuInformationClick();
    EXPECT_EQ(window->TitleShown, 0);

    window->tmrKillThreadTimerTimer();
    ASSERT_TRUE(WaitFor([&] { return window->tmrPopUpTag == 0; }));
    EXPECT_FALSE(title->isVisible());
    EXPECT_FALSE(window->tmrKillThread->isActive());
    EXPECT_TRUE(WaitFor([&] { return window->LogoThread()->Finished(); }));

    // The information box, with a border once a channel window is open; a second request
    // while it is up does nothing.
    window->mnuDatenaufzeichnungClick();
    window->mnuInformation->trigger();
    EXPECT_EQ(window->TitleShown, 1);
    CLogoThread* info = window->LogoThread();
    ASSERT_TRUE(WaitFor([&] { return title->isVisible(); }));
    EXPECT_TRUE(title->PanelBorder());
    window->mnuInformationClick();
    EXPECT_EQ(window->LogoThread(), info);
    window->tmrKillThreadTimerTimer();
    ASSERT_TRUE(WaitFor([&] { return window->TitleShown == 0; }));
    EXPECT_FALSE(title->isVisible());
    EXPECT_TRUE(WaitFor([&] { return window->LogoThread()->Finished(); }));
    EXPECT_FALSE(CLogoThread::TitleUp());
}

TEST_F(TitleWindowTest, FrameKeepsItsSizeOnceTheTitleWasShown)
{
    const int width = window->width();
    EXPECT_TRUE(window->FormCanResize(width + 200, 300));
    window->FreeResizing = 0;
    EXPECT_FALSE(window->FormCanResize(width + 20, window->height()));
    EXPECT_FALSE(window->FormCanResize(width - 20, window->height()));
    EXPECT_FALSE(window->FormCanResize(width, window->height() - 50));  // same width, other height
    EXPECT_TRUE(window->FormCanResize(width + 19, window->height()));
    EXPECT_TRUE(window->FormCanResize(width - 1, window->height()));
}

TEST(SerialNumberDialogTest, DigitsOnlyAndEnterConfirms)
{
    {
        TfrmSerialNumber dialog;
        dialog.bitSerialNumberClick();  // untouched: "00000"
        EXPECT_EQ(dialog.GetSerialNumber(), 0);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    {
        TfrmSerialNumber dialog;
        dialog.edSerialNumber->clear();
        dialog.edSerialNumber->setFocus();
        Type(dialog.edSerialNumber, "12a3x4567");
        EXPECT_EQ(dialog.edSerialNumber->text(), "12345");  // letters refused, five places
        PressEnter(dialog.edSerialNumber);
        EXPECT_EQ(dialog.GetSerialNumber(), 12345);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    {
        TfrmSerialNumber dialog;
        dialog.edSerialNumber->clear();
        dialog.bitSerialNumberClick();  // nothing entered
        EXPECT_EQ(dialog.GetSerialNumber(), 0);
    }
}

TEST(SerialNumberDialogTest, AskedInTheProgramLanguage)
{
    CLanguage::Instance()->SetCurrentLanguage(CLanguage::English);
    AnsiString caption, prompt;
    QTimer::singleShot(0, [&] {
        ASSERT_NE(frmSerialNumber, nullptr);
        caption = frmSerialNumber->windowTitle().toStdString();
        prompt = frmSerialNumber->txtSerialNumber->text().toStdString();
        frmSerialNumber->edSerialNumber->setText("42");
        frmSerialNumber->bitSerialNumberClick();
    });
    EXPECT_EQ(AskSerialNumber(nullptr), 42);
    AnsiString out;
    EXPECT_EQ(caption, CLanguage::Instance()->LookupText(1, RowNotice, out));
    EXPECT_EQ(prompt, CLanguage::Instance()->LookupText(1, RowEnterSerialNumber, out));
    CLanguage::Instance()->SetCurrentLanguage(CLanguage::German);
}

TEST(YesNoBoxTest, ButtonsSpeakTheProgramLanguage)
{
    FakeChannelFactory factory;
    TfrmMainWindow window(&factory, CLanguage::German);
    window.tmrPopUp->stop();
    platform::Dialogs& scripted = platform::dialogs();
    platform::QtDialogs qtDialogs;
    platform::SetDialogs(&qtDialogs);
    struct Seen {
        QString caption;
        QStringList buttons;
    };
    auto answer = [](Seen& seen, const QString& press) {
        QTimer::singleShot(0, [&seen, press] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            seen.caption = box->windowTitle();
            for (QAbstractButton* b : box->buttons()) {
                seen.buttons << b->text();
                if (b->text() == press) b->click();
            }
        });
    };
    Seen german, english;
    answer(german, "&Nein");
    const bool first = window.AskYesNo("?");
    window.mnuEnglishClick();
    answer(english, "&Yes");
    const bool second = window.AskYesNo("?");
    platform::SetDialogs(&scripted);
    CLanguage::Instance()->SetCurrentLanguage(CLanguage::German);

    EXPECT_EQ(german.caption, "Warnung");
    EXPECT_TRUE(german.buttons.contains("&Ja") && german.buttons.contains("&Nein"));
    EXPECT_FALSE(first);
    EXPECT_EQ(english.caption, "Warning");
    EXPECT_TRUE(english.buttons.contains("&Yes") && english.buttons.contains("&No"));
    EXPECT_TRUE(second);
}

TEST(WaitBoxTest, HoldsItsWholeTextInBothLanguages)
{
    // The box of a program's stop grows with its text: the German one was cut at its end.
    TfrmWait box;
    AnsiString text;
    for (int language : {CLanguage::German, CLanguage::English}) {
        CLanguage::Instance()->LookupText(language, RowProgramIsStopped, text);
        const QString shown = QString::fromStdString(text);
        box.ShowText(shown);
        const QLabel* label = box.txtWait;
        EXPECT_EQ(label->text(), shown);
        EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(shown)) << text;
        EXPECT_LE(label->geometry().right(), box.width()) << text;
        box.hide();
    }
    // A longer text grows it further.
    const QString longer = QString(3, 'W') + QString::fromStdString(text) + QString(3, 'W');
    box.ShowText(longer);
    EXPECT_GE(box.txtWait->width(), box.txtWait->fontMetrics().horizontalAdvance(longer));
    box.hide();
}

namespace {

// The toolkit's texts of a file dialog opened now: its cancel button and its folder label.
QStringList FileDialogTexts()
{
    QFileDialog dialog(nullptr, "?");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    const auto* box = dialog.findChild<QDialogButtonBox*>();
    const auto* lookIn = dialog.findChild<QLabel*>("lookInLabel");
    if (!box || !box->button(QDialogButtonBox::Cancel) || !lookIn) return {};
    return {box->button(QDialogButtonBox::Cancel)->text(), lookIn->text()};
}

}  // namespace

// The toolkit's own parts of the dialogs and its key names follow the program's language:
// German with the German window, its own English again after a switch to English, and the
// menus' shortcuts are named as the program's hints name them.
TEST(ToolkitTextsTest, DialogsAndKeyNamesFollowTheProgramLanguage)
{
    FakeChannelFactory factory;
    std::unique_ptr<TfrmMainWindow> window = std::make_unique<TfrmMainWindow>(&factory, CLanguage::German);
    window->tmrPopUp->stop();
    auto shortcutName = [](const QAction* a) { return a->shortcut().toString(QKeySequence::NativeText); };
    // Each zoom button's hint names the key of its menu item.
    auto hintsNameTheShortcuts = [&] {
        const std::pair<QAction*, QAction*> pairs[] = {{window->cmdTotalFocus, window->mnuTotalFocus},
                                                       {window->cmdSeriesShowLeft, window->mnuSeriesShowLeft},
                                                       {window->cmdSeriesShowRight, window->mnuSeriesShowRight},
                                                       {window->cmdSaveZoom, window->mnuSaveZoom}};
        for (const auto& [button, item] : pairs)
            if (!button->toolTip().contains("(" + shortcutName(item) + ")"))
                return button->toolTip() + " / " + shortcutName(item);
        return QString();
    };

    EXPECT_TRUE(ToolkitTranslationLoaded());
    EXPECT_EQ(FileDialogTexts(), QStringList({"Abbrechen", "Suchen in:"}));
    EXPECT_EQ(shortcutName(window->mnuOpenFile), "Strg+O");
    EXPECT_EQ(shortcutName(window->mnuSeriesShowRight), "Strg+Alt+W");
    EXPECT_EQ(hintsNameTheShortcuts(), "");

    window->mnuEnglishClick();
    EXPECT_FALSE(ToolkitTranslationLoaded());
    EXPECT_EQ(FileDialogTexts(), QStringList({"Cancel", "Look in:"}));
    EXPECT_EQ(shortcutName(window->mnuOpenFile), "Ctrl+O");
    EXPECT_EQ(hintsNameTheShortcuts(), "");

    window->mnuGermanClick();
    EXPECT_EQ(FileDialogTexts(), QStringList({"Abbrechen", "Suchen in:"}));
    // The window that chose the language takes the toolkit's translation with it.
    window.reset();
    EXPECT_FALSE(ToolkitTranslationLoaded());
    EXPECT_EQ(FileDialogTexts(), QStringList({"Cancel", "Look in:"}));
    CLanguage::Instance()->SetCurrentLanguage(CLanguage::German);
}
