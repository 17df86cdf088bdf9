#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <fstream>

#include "platform/FileSave.h"
#include "platform/TextCodec.h"

using namespace platform;

TEST(TextCodec, AllBytesRoundTrip)
{
    std::string all;
    for (int b = 0; b < 256; ++b) all += char(b);
    std::string utf8 = Cp1252ToUtf8(all);
    EXPECT_TRUE(IsValidUtf8(utf8));
    EXPECT_EQ(Utf8ToCp1252(utf8), all);
    EXPECT_EQ(Cp1252ToUtf8("\x80"), "€");
    EXPECT_EQ(Cp1252ToUtf8("\x89"), "‰");
    EXPECT_EQ(Cp1252ToUtf8("\xA7"), "§");
    EXPECT_EQ(Cp1252ToUtf8("\xB0"), "°");
    EXPECT_EQ(Utf8ToCp1252("Ω"), "?");
}

TEST(TextCodec, ReaderAcceptsBothEncodingsAndLineEnds)
{
    EXPECT_EQ(DecodeText("Temp \xB0"
                         "C"),
              "Temp °C");
    EXPECT_EQ(DecodeText("Temp °C"), "Temp °C");
    EXPECT_EQ(DecodeText("\xEF\xBB\xBFx"), "x");
    auto lines = SplitLines("a\r\nb\nc\r\n\r\nd");
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "a");
    EXPECT_EQ(lines[3], "");
    EXPECT_EQ(lines[4], "d");
}

TEST(FileSave, WritesWindowsTextAndKeepsOldFileOnFailure)
{
    QTemporaryDir dir;
    std::string path = dir.path().toStdString() + "/data.csv";
    std::string err;
    ASSERT_TRUE(WriteTextLines(path, {"Temp;°C", "1,5;‰"}, &err)) << err;
    std::string bytes;
    ASSERT_TRUE(ReadFileBytes(path, bytes));
    EXPECT_EQ(bytes,
              "Temp;\xB0"
              "C\r\n1,5;\x89\r\n");
    std::vector<AnsiString> lines;
    ASSERT_TRUE(ReadTextLines(path, lines));
    EXPECT_EQ(lines, (std::vector<AnsiString>{"Temp;°C", "1,5;‰"}));

    if (geteuid() != 0) {
        // Root ignores directory permissions, so this half only runs for ordinary users.
        chmod(dir.path().toUtf8().constData(), 0555);
        EXPECT_FALSE(SaveFileAtomic(path, "new", &err));
        EXPECT_FALSE(err.empty());
        chmod(dir.path().toUtf8().constData(), 0755);
        ASSERT_TRUE(ReadFileBytes(path, bytes));
        EXPECT_EQ(bytes,
                  "Temp;\xB0"
                  "C\r\n1,5;\x89\r\n");
    }
    // A target that cannot be replaced (a directory) fails on every account, root included,
    // and leaves nothing behind.
    std::string sub = dir.path().toStdString() + "/sub";
    ASSERT_EQ(mkdir(sub.c_str(), 0755), 0);
    EXPECT_FALSE(SaveFileAtomic(sub, "x", &err));
    EXPECT_FALSE(err.empty());
    EXPECT_FALSE(SaveFileAtomic(dir.path().toStdString() + "/missing/x.csv", "x", &err));
    QDir d(dir.path());
    EXPECT_EQ(d.entryList(QDir::Files).size(), 1);  // only data.csv, no temporary left
}
