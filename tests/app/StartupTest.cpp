#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "app/ProgramStartup.h"
#include "app/SingleInstanceLock.h"
#include "support/ScriptedDialogs.h"

namespace {

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override { support::TestDialogs().Clear(); }
    void TearDown() override { support::TestDialogs().Clear(); }
};

}  // namespace

TEST_F(StartupTest, GermanOnlyForTheGermanSpeakingLocales)
{
    using startup::LanguageFromLocale;
    for (const char* german : {"de_DE", "de_CH.UTF-8", "de_AT@euro", "de_LU.ISO-8859-1", "de_LI.utf8"})
        EXPECT_EQ(LanguageFromLocale(german, nullptr, nullptr), 0) << german;
    for (const char* english : {"en_US.UTF-8", "de_BE.UTF-8", "de", "C", "POSIX", "it_IT", "de_DEX", "fr_CH"})
        EXPECT_EQ(LanguageFromLocale(english, nullptr, nullptr), 1) << english;
    // The first non-empty of LC_ALL, LC_MESSAGES and LANG decides.
    EXPECT_EQ(LanguageFromLocale("", "de_AT.UTF-8", "en_GB.UTF-8"), 0);
    EXPECT_EQ(LanguageFromLocale(nullptr, nullptr, "de_DE.UTF-8"), 0);
    EXPECT_EQ(LanguageFromLocale("en_US.UTF-8", "de_DE.UTF-8", "de_DE.UTF-8"), 1);
    EXPECT_EQ(LanguageFromLocale(nullptr, "", ""), 1);
}

TEST_F(StartupTest, SecondInstanceIsRefusedUntilTheFirstEnds)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const AnsiString path = dir.path().toStdString();

    SingleInstanceLock first;
    ASSERT_TRUE(startup::CheckSingleInstance(first, path, 0));
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);

    {
        SingleInstanceLock second;
        EXPECT_FALSE(startup::CheckSingleInstance(second, path, 0));
        EXPECT_FALSE(second.Held());
        ASSERT_EQ(support::TestDialogs().MessageCount(), 1u);
        EXPECT_EQ(support::TestDialogs().LastMessage().text, "Anwendung wurde bereits gestartet!");
        EXPECT_EQ(support::TestDialogs().LastMessage().caption, "Hinweis");
        EXPECT_EQ(support::TestDialogs().LastMessage().flags, 0);

        EXPECT_FALSE(startup::CheckSingleInstance(second, path, 1));
        EXPECT_EQ(support::TestDialogs().LastMessage().text, "Program is already running!");
        EXPECT_EQ(support::TestDialogs().LastMessage().caption, "Attention");
    }

    // The lock file stays behind, but an ended instance no longer holds it.
    first.Release();
    SingleInstanceLock third;
    EXPECT_TRUE(startup::CheckSingleInstance(third, path, 1));
    EXPECT_EQ(support::TestDialogs().MessageCount(), 2u);
}

TEST_F(StartupTest, MissingRuntimeDirectoryDoesNotStopTheProgram)
{
    SingleInstanceLock lock;
    EXPECT_TRUE(startup::CheckSingleInstance(lock, "/nonexistent/noxcontrol-test", 1));
    EXPECT_FALSE(lock.Error().empty());
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);
}

TEST_F(StartupTest, LowMemoryWarningBelowHundredMiB)
{
    EXPECT_TRUE(startup::WarnAboutLowMemory(99ull << 20, 1));
    EXPECT_EQ(support::TestDialogs().LastMessage().caption, "Warning");
    EXPECT_NE(support::TestDialogs().LastMessage().text.find("less than 128 MB"), AnsiString::npos);
    EXPECT_TRUE(startup::WarnAboutLowMemory((100ull << 20) - 1, 0));
    EXPECT_EQ(support::TestDialogs().LastMessage().caption, "Warning");  // English word in German too
    EXPECT_NE(support::TestDialogs().LastMessage().text.find("weniger als 128 MB"), AnsiString::npos);
    support::TestDialogs().Clear();
    EXPECT_FALSE(startup::WarnAboutLowMemory(100ull << 20, 1));
    EXPECT_EQ(support::TestDialogs().MessageCount(), 0u);
}
