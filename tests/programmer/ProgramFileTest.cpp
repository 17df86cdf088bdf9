// The temperature-program file: exact bytes written, round trips of every segment kind,
// both encodings and line ends, the malformed-file corpus, and the save and load commands
// of the program tree with their messages and their all-or-nothing loading.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "app/CLanguage.h"
#include "platform/DateTime.h"
#include "platform/FormatSettings.h"
#include "platform/TTreeNode.h"
#include "platform/TextCodec.h"
#include "programmer/CProgramFile.h"
#include "programmer/CProgrammer.h"
#include "programmer/ProgramFileCommands.h"
#include "support/ScriptedDialogs.h"

namespace fs = std::filesystem;

namespace {

const fs::path Corpus = fs::path(NOX_TEST_DATA_DIR) / "tp";

std::string Bytes(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<fs::path> Files(const fs::path& dir)
{
    std::vector<fs::path> out;
    for (const auto& e : fs::directory_iterator(dir)) out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
}

// The two-segment program of the format's example.
TProgramFile Example()
{
    TProgramFile f;
    f.Settings = {0, 1, "20", 0, 0};
    f.Segments.push_back({"Heat up", 1800, 80.0, -1, 2, 0, 0, 0});
    f.Segments.push_back({"Hold", 600, 80.5, -1, 2, 0, 1, 1});
    return f;
}

void ExpectSameProgram(const TProgramFile& a, const TProgramFile& b)
{
    EXPECT_EQ(a.Settings.RepeatMode, b.Settings.RepeatMode);
    EXPECT_EQ(a.Settings.EndAction, b.Settings.EndAction);
    EXPECT_EQ(a.Settings.StartTemperature, b.Settings.StartTemperature);
    EXPECT_EQ(a.Settings.StirrerUsed, b.Settings.StirrerUsed);
    EXPECT_EQ(a.Settings.ContactUsed, b.Settings.ContactUsed);
    ASSERT_EQ(a.Segments.size(), b.Segments.size());
    for (size_t i = 0; i < a.Segments.size(); ++i) {
        SCOPED_TRACE("segment " + std::to_string(i + 1));
        const auto& x = a.Segments[i];
        const auto& y = b.Segments[i];
        EXPECT_EQ(x.Name, y.Name);
        EXPECT_EQ(x.Duration, y.Duration);
        EXPECT_EQ(x.Setpoint, y.Setpoint);
        EXPECT_EQ(x.AnalogOutput, y.AnalogOutput);
        EXPECT_EQ(x.Contact, y.Contact);
        EXPECT_EQ(x.ControlMode, y.ControlMode);
        EXPECT_EQ(x.WaitFlag, y.WaitFlag);
    }
}

class TempDir {
public:
    TempDir()
    {
        path_ = fs::temp_directory_path() / ("nox_tp_" + std::to_string(getpid()) + "_" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TempDir()
    {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

// The channel window as the file commands see it.
class FakeWindow : public IProgramFileWindow {
public:
    CProgrammer programmer{1};
    TTreeNodes items;
    TTreeNode* selected = nullptr;
    TProgramFileSettings controls{0, 1, "20", 0, 0};
    AnsiString fileName = "before.tp";
    int loadedCalls = 0;
    TTreeNode* loadedLast = nullptr;

    CProgrammer* Programmer() override { return &programmer; }
    TTreeNodes& ProgramTreeItems() override { return items; }
    TTreeNode* SelectedProgramNode() override { return selected; }
    void SelectProgramNode(TTreeNode* node) override { selected = node; }
    TProgramFileSettings ProgramControls() override { return controls; }
    void SetProgramControls(const TProgramFileSettings& s) override { controls = s; }
    void SetProgramFileName(const AnsiString& name) override { fileName = name; }
    void ProgramFileLoaded(TTreeNode* last) override
    {
        ++loadedCalls;
        loadedLast = last;
    }

    // A program as the editor builds it, in the next slot.
    TTreeNode* AddProgram(const AnsiString& name, const std::vector<TProgramFileSegment>& segments)
    {
        const int slot = programmer.FindFreeSlot();
        TTreeNode* p = items.Add(nullptr, name);
        EXPECT_TRUE(programmer.CreateProgram(slot, p, name));
        for (const auto& s : segments) {
            TTreeNode* n = items.AddChild(p, s.Name);
            n->ImageIndex = n->SelectedIndex = SegmentNodeImage;
            EXPECT_TRUE(programmer.AddSegment(n, s.Name, slot));
            programmer.SetSegmentValues(n, s.Duration, std::uint8_t(s.WaitFlag), std::uint8_t(s.ControlMode), s.Contact,
                                        s.AnalogOutput, s.Setpoint);
        }
        return p;
    }

    // What a reader of the window could see, to prove a failed load changed nothing.
    AnsiString Snapshot() const
    {
        AnsiString s = fileName + "|" + IntToStr(controls.RepeatMode) + IntToStr(controls.EndAction) +
                       controls.StartTemperature + IntToStr(controls.StirrerUsed) + IntToStr(controls.ContactUsed) +
                       "|" + IntToStr(items.Count()) + "|free " + IntToStr(programmer.FindFreeSlot());
        for (int slot = 0; slot < CProgrammer::MaxPrograms; ++slot) {
            const CTemperatureProgram* head = programmer.GetProgramHead(slot);
            if (!head) continue;
            s += "|" + head->name;
            for (const CTemperatureProgram* n = head->next; n; n = n->next)
                s += ";" + n->name + ":" + FloatToStr(n->setpoint);
        }
        return s;
    }
};

class ProgramFileCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        CLanguage::Instance()->SetCurrentLanguage(CLanguage::English);
        support::TestDialogs().Clear();
        clock_.Set(EncodeDate(2006, 2, 1) + EncodeTime(10, 20, 30, 0));
        platform::SetClock(&clock_);
    }
    void TearDown() override
    {
        platform::SetClock(nullptr);
        CLanguage::Instance()->SetCurrentLanguage(CLanguage::German);
        support::TestDialogs().Clear();
    }
    static std::vector<support::ShownMessage> Messages() { return support::TestDialogs().Messages(); }

    platform::ManualClock clock_;
    TempDir dir_;
};

TEST(ProgramFileFormat, ExampleIsWrittenByteExact)
{
    const std::vector<AnsiString> lines =
        programfile::BuildLines(Example(), EncodeDate(2006, 2, 1) + EncodeTime(10, 20, 30, 0), "c:\\programs\\heat.tp");
    TempDir dir;
    ASSERT_TRUE(platform::WriteTextLines(dir / "out.tp", lines));
    EXPECT_EQ(Bytes(dir / "out.tp"), Bytes(Corpus / "good" / "heat.tp"));
}

TEST(ProgramFileFormat, SetpointsAreShortestTextsThatReadBackExactly)
{
    EXPECT_EQ(programfile::SetpointToText(80.0), "80");
    EXPECT_EQ(programfile::SetpointToText(80.5), "80,5");
    EXPECT_EQ(programfile::SetpointToText(-0.0), "0");
    EXPECT_EQ(programfile::SetpointToText(-327.27), "-327,27");
    EXPECT_EQ(programfile::SetpointToText(0.00001), "0,00001");
    for (double v : {0.1, 1.0 / 3.0, 655.35, -327.27, 20.000000000000004, 99.99, 1e-300, -12.345678901234567}) {
        double back = 0.0;
        ASSERT_TRUE(TryStrToFloat(programfile::SetpointToText(v), back)) << programfile::SetpointToText(v);
        EXPECT_EQ(back, v) << programfile::SetpointToText(v);
    }
}

TEST(ProgramFileFormat, EverySegmentKindSurvivesWriteAndRead)
{
    TProgramFile f;
    f.Settings = {1, 0, "-12,75", 1, 1};
    int n = 0;
    for (int wait : {0, 1})
        for (int mode : {0, 1})
            for (int contact : {0, 1, 2})
                for (int analog : {-1, 0, 1000}) {
                    ++n;
                    f.Segments.push_back({"Segment " + IntToStr(n) + " Kühlen °C", (n * 7919) % 359941,
                                          -327.27 + n * 9.17 + 1.0 / 3.0, analog, contact, 0, mode, wait});
                }
    f.Segments.push_back({"", 0, 655.35, 55, 1, 0, 1, 1});
    f.Segments.push_back({"Longest", programfile::MaxDuration, -327.27, -1, 2, 0, 0, 0});
    TempDir dir;
    ASSERT_TRUE(programfile::Write(dir / "all.tp", f));
    TProgramFile back;
    bool readable = false;
    AnsiString error;
    ASSERT_TRUE(programfile::Read(dir / "all.tp", back, &readable, &error)) << error;
    ExpectSameProgram(f, back);
}

// A name with a character Windows-1252 has not (a Greek letter, Chinese) reads back as it was
// written, and so do the Windows-1252 ones beside it; a file without such a name stays
// Windows-1252 byte for byte.
TEST(ProgramFileFormat, NamesBeyondWindows1252ReadBackAsWritten)
{
    TProgramFile f = Example();
    f.Segments[0].Name = "\xCE\x94T-Rampe K\xC3\xBChlen \xE2\x82\xAC";  // ΔT-Rampe Kühlen €
    f.Segments[1].Name = "\xE5\x8D\x87\xE6\xB8\xA9";                    // 升温
    TempDir dir;
    AnsiString error;
    ASSERT_TRUE(programfile::Write(dir / "wide.tp", f, &error)) << error;
    TProgramFile back;
    bool readable = false;
    ASSERT_TRUE(programfile::Read(dir / "wide.tp", back, &readable, &error)) << error;
    ExpectSameProgram(f, back);
    EXPECT_EQ(Bytes(dir / "wide.tp").find('?'), std::string::npos);

    const std::string plain = dir / "plain.tp";
    ASSERT_TRUE(programfile::Write(plain, Example(), &error)) << error;
    const std::string bytes = Bytes(plain);
    EXPECT_EQ(bytes.substr(0, 2), "\xA7;");
    EXPECT_FALSE(platform::IsValidUtf8(bytes));
}

TEST(ProgramFileFormat, EncodingsAndLineEndsReadAlike)
{
    TProgramFile heat, other;
    AnsiString error;
    ASSERT_TRUE(programfile::Read((Corpus / "good" / "heat.tp").string(), heat, nullptr, &error)) << error;
    ExpectSameProgram(heat, Example());
    for (const char* name : {"heat_utf8_lf.tp", "heat_utf8_bom_crlf.tp", "heat_cp1252_lf_no_final_eol.tp"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(programfile::Read((Corpus / "good" / name).string(), other, nullptr, &error)) << error;
        ExpectSameProgram(heat, other);
    }
    TProgramFile ansi, utf8;
    ASSERT_TRUE(programfile::Read((Corpus / "good" / "umlaut_cp1252.tp").string(), ansi, nullptr, &error)) << error;
    ASSERT_TRUE(programfile::Read((Corpus / "good" / "umlaut_utf8.tp").string(), utf8, nullptr, &error)) << error;
    ExpectSameProgram(ansi, utf8);
    ASSERT_EQ(ansi.Segments.size(), 3u);
    EXPECT_EQ(ansi.Segments[0].Name, "Kühlen auf -40 °C");
    EXPECT_EQ(ansi.Segments[1].Name, "Aufwärmen µ");
    EXPECT_EQ(ansi.Settings.StartTemperature, "-12,5");
    // The bounds themselves are accepted.
    EXPECT_EQ(ansi.Segments[1].Setpoint, -327.27);
    EXPECT_EQ(ansi.Segments[1].AnalogOutput, 1000);
    EXPECT_EQ(ansi.Segments[2].Setpoint, 655.35);
    EXPECT_EQ(ansi.Segments[2].Duration, 359940);
}

TEST(ProgramFileFormat, EveryMalformedFileIsRefusedWholeAtItsFault)
{
    // The reasons in the English window's words.
    CLanguage::Instance()->SetCurrentLanguage(CLanguage::English);
    // Each file of the corpus with the line and the field that make it faulty.
    const std::map<std::string, std::string> faults = {
        {"analog_output_above_range.tp", "line 5: analogue output"},
        {"analog_output_below_range.tp", "line 5: analogue output"},
        {"binary.tp", "line 1: no program-file header"},
        {"contact_3.tp", "line 5: floating contact"},
        {"control_mode_2.tp", "line 5: control mode"},
        {"data_before_init.tp", "line 2: expected section [INIT]"},
        {"data_missing.tp", "line 4: expected section [DATA]"},
        {"dollar_missing.tp", "line 7: missing end mark"},
        {"duration_fraction.tp", "line 5: duration"},
        {"duration_hex.tp", "line 5: duration"},
        {"duration_negative.tp", "line 5: duration"},
        {"duration_overflow.tp", "line 5: duration"},
        {"duration_too_long.tp", "line 5: duration"},
        {"empty.tp", "line 1: the file is empty"},
        {"end_marks_missing.tp", "line 6: the file ends"},
        {"header_not_section_mark.tp", "line 1: no program-file header"},
        {"init_missing.tp", "line 2: expected section [INIT]"},
        {"missing_header.tp", "line 1: no program-file header"},
        {"only_header.tp", "line 2: missing section [INIT]"},
        {"segment_empty_line.tp", "line 6: a segment needs 9 fields"},
        {"segment_line_too_long.tp", "line 5: a segment needs 9 fields"},
        {"segment_line_truncated.tp", "line 5: a segment needs 9 fields"},
        {"segment_number_text.tp", "line 5: segment number"},
        {"setpoint_above_range.tp", "line 5: setpoint"},
        {"setpoint_below_range.tp", "line 5: setpoint"},
        {"setpoint_decimal_point.tp", "line 5: setpoint \"25.5\""},
        {"setpoint_empty.tp", "line 5: setpoint"},
        {"setpoint_nan.tp", "line 5: setpoint"},
        {"setpoint_text.tp", "line 5: setpoint"},
        {"settings_repeat_2.tp", "line 3: repeat mode"},
        {"settings_start_temperature_bad.tp", "line 3: start temperature"},
        {"settings_start_temperature_point.tp", "line 3: start temperature"},
        {"settings_stirrer_text.tp", "line 3: stirrer choice"},
        {"settings_truncated.tp", "line 3: program settings need 5 fields"},
        {"too_many_segments.tp", "line 205: more than 200 segments"},
        {"truncated_mid_line.tp", "line 5: a segment needs 9 fields"},
        {"two_programs.tp", "line 8: text after the end mark"},
        {"wait_flag_text.tp", "line 5: wait flag"},
        {"wrong_header_version.tp", "line 1: no program-file header"},
    };
    const std::vector<fs::path> bad = Files(Corpus / "bad");
    ASSERT_EQ(bad.size(), faults.size());
    for (const fs::path& p : bad) {
        SCOPED_TRACE(p.filename().string());
        ASSERT_TRUE(faults.count(p.filename().string()));
        TProgramFile program = Example();
        bool readable = false;
        AnsiString error;
        EXPECT_FALSE(programfile::Read(p.string(), program, &readable, &error));
        EXPECT_TRUE(readable);
        EXPECT_EQ(error.rfind(faults.at(p.filename().string()), 0), 0u) << error;
        ExpectSameProgram(program, Example());
    }
    CLanguage::Instance()->SetCurrentLanguage(CLanguage::German);
}

// The details of a file that does not parse are in the window's language, in German with
// the German window.
TEST(ProgramFileFormat, TheFaultIsToldInTheWindowsLanguage)
{
    const struct {
        const char* file;
        const char* german;
        const char* english;
    } cases[] = {
        {"segment_line_too_long.tp", "Zeile 5: ein Segment braucht 9 Felder, gefunden 10",
         "line 5: a segment needs 9 fields, found 10"},
        {"settings_repeat_2.tp", "Zeile 3: Wiederholung \"2\" liegt nicht in 0..1",
         "line 3: repeat mode \"2\" is not 0..1"},
        {"two_programs.tp", "Zeile 8: Text nach der Endmarke \"$;\"", "line 8: text after the end mark \"$;\""},
    };
    for (const auto& c : cases) {
        for (int language : {CLanguage::German, CLanguage::English}) {
            CLanguage::Instance()->SetCurrentLanguage(language);
            TProgramFile program;
            AnsiString error;
            EXPECT_FALSE(programfile::Read((Corpus / "bad" / c.file).string(), program, nullptr, &error));
            EXPECT_EQ(error, language == CLanguage::German ? c.german : c.english);
        }
    }
    CLanguage::Instance()->SetCurrentLanguage(CLanguage::German);
}

TEST(ProgramFileFormat, TwoHundredSegmentsAreAProgramTwoHundredAndOneAreNot)
{
    CLanguage::Instance()->SetCurrentLanguage(CLanguage::English);
    TProgramFile f = Example();
    f.Segments.assign(200, {"Step", 60, 20.5, -1, 2, 0, 0, 0});
    std::vector<AnsiString> lines = programfile::BuildLines(f, 0.0, "x.tp");
    TProgramFile back;
    ASSERT_TRUE(programfile::ParseLines(lines, back));
    EXPECT_EQ(back.Segments.size(), 200u);
    lines.insert(lines.end() - 2, "201;Step;60;20,5;-1;2;0;0;0;");
    AnsiString error;
    EXPECT_FALSE(programfile::ParseLines(lines, back, &error));
    EXPECT_NE(error.find("segments"), AnsiString::npos) << error;
    CLanguage::Instance()->SetCurrentLanguage(CLanguage::German);
}

TEST(ProgramFileFormat, NamesCannotBreakTheLineTheyStandIn)
{
    TProgramFile f = Example();
    f.Segments[0].Name = "Heat; fast\r\nnow";
    TProgramFile back;
    ASSERT_TRUE(programfile::ParseLines(programfile::BuildLines(f, 0.0, "/tmp/a;b/x.tp"), back));
    EXPECT_EQ(back.Segments[0].Name, "Heat, fast  now");
    EXPECT_EQ(back.Segments.size(), 2u);

    // Nor can the folder the file is saved into: what was saved opens again.
    TempDir dir;
    const fs::path folder = dir / "run\nday;2\r";
    ASSERT_TRUE(fs::create_directory(folder));
    AnsiString error;
    ASSERT_TRUE(programfile::Write(folder / "x.tp", f, &error)) << error;
    ASSERT_TRUE(programfile::Read(folder / "x.tp", back, nullptr, &error)) << error;
    EXPECT_EQ(back.Segments[1].Name, "Hold");
    const std::string bytes = Bytes(folder / "x.tp");
    EXPECT_NE(bytes.find("/run day;2 /x.tp;ZQ1.0.0.0;\r\n"), std::string::npos) << bytes;
}

TEST_F(ProgramFileCommands, LoadingBuildsTreeProgramAndControls)
{
    FakeWindow w;
    support::TestDialogs().QueueFileName((Corpus / "good" / "umlaut_cp1252.tp").string());
    ASSERT_EQ(ReadProgramFile(w, 0), 1);
    EXPECT_TRUE(Messages().empty());

    TProgramFile file;
    ASSERT_TRUE(programfile::Read((Corpus / "good" / "umlaut_cp1252.tp").string(), file));
    EXPECT_EQ(w.programmer.GetProgramName(0), "UMLAUT_CP1252");
    ExpectSameProgram(programfile::FromProgrammer(w.programmer, 0, w.controls), file);
    TTreeNode* p = w.items.GetFirstNode();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->Text, "UMLAUT_CP1252");
    EXPECT_EQ(w.programmer.GetProgramNode(0), p);
    ASSERT_EQ(p->Count(), 3);
    EXPECT_EQ(p->Item(0)->Text, "Kühlen auf -40 °C");
    EXPECT_EQ(p->Item(1)->ImageIndex, SegmentNodeImage);
    EXPECT_EQ(p->Item(1)->SelectedIndex, SegmentNodeImage);
    EXPECT_EQ(w.fileName, "umlaut_cp1252.tp");
    EXPECT_EQ(w.programmer.GetRepeatMode(0), 1);
    EXPECT_EQ(w.programmer.GetEndAction(0), 0);
    EXPECT_EQ(w.programmer.GetStartTemperature(0), -12.5);
    EXPECT_TRUE(w.programmer.IsStirrerUsed(0));
    EXPECT_TRUE(w.programmer.IsContactUsed(0));
    EXPECT_EQ(w.loadedCalls, 1);
    EXPECT_EQ(w.loadedLast, p->Item(2));
    EXPECT_EQ(w.selected, p->Item(2));
}

TEST_F(ProgramFileCommands, TheSameFileIsNotLoadedTwice)
{
    FakeWindow w;
    const std::string path = dir_ / "Ramp.tp";
    ASSERT_TRUE(programfile::Write(path, Example()));
    support::TestDialogs().QueueFileName(path);
    ASSERT_EQ(ReadProgramFile(w, 0), 1);
    EXPECT_EQ(w.programmer.GetProgramName(0), "RAMP");
    const AnsiString before = w.Snapshot();
    support::TestDialogs().QueueFileName(path);
    EXPECT_EQ(ReadProgramFile(w, 1), 0);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text, "That temperature program has already been loaded.");
    EXPECT_EQ(Messages()[0].caption, "Warning");
    EXPECT_EQ(w.Snapshot(), before);
}

TEST_F(ProgramFileCommands, AFaultyFileChangesNothingAndSaysSo)
{
    FakeWindow w;
    w.AddProgram("KEEP", {{"kept", 120, 42.0, -1, 2, 0, 0, 0}});
    const AnsiString before = w.Snapshot();
    for (const fs::path& p : Files(Corpus / "bad")) {
        SCOPED_TRACE(p.filename().string());
        support::TestDialogs().Clear();
        support::TestDialogs().QueueFileName(p.string());
        EXPECT_EQ(ReadProgramFile(w, 1), 0);
        ASSERT_EQ(Messages().size(), 1u);
        EXPECT_EQ(Messages()[0].text.rfind("The file contains faulty data!", 0), 0u) << Messages()[0].text;
        EXPECT_EQ(Messages()[0].caption, "Warning");
        EXPECT_EQ(w.Snapshot(), before);
        EXPECT_EQ(w.loadedCalls, 0);
    }
}

TEST_F(ProgramFileCommands, MissingFileCancelledDialogAndFullSlotsAreRefused)
{
    FakeWindow w;
    support::TestDialogs().QueueFileName(dir_ / "nothing_here.tp");
    EXPECT_EQ(ReadProgramFile(w, 0), 0);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text.rfind("The file cannot be opened!", 0), 0u);

    support::TestDialogs().Clear();
    EXPECT_EQ(ReadProgramFile(w, 0), 0);  // no file queued: the dialog is cancelled
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(w.items.Count(), 0);

    w.AddProgram("A", {});
    support::TestDialogs().QueueFileName((Corpus / "good" / "heat.tp").string());
    EXPECT_EQ(ReadProgramFile(w, 0), 0);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text, "The maximum number of temperature programs is displayed!");
    EXPECT_EQ(w.programmer.GetProgramName(0), "A");
}

TEST_F(ProgramFileCommands, SavingWritesTheSelectedProgramAndMarksItSaved)
{
    FakeWindow w;
    w.AddProgram("Other", {{"x", 60, 1.0, -1, 2, 0, 0, 0}});
    TTreeNode* p = w.AddProgram("Heat", Example().Segments);
    w.programmer.SetProgramSettings(1, false, false, false, 20.0, true);
    w.selected = p->Item(1);  // a segment: its program is saved
    const std::string chosen = dir_ / "Progs_Heat";
    support::TestDialogs().QueueFileName(chosen);
    ASSERT_TRUE(SaveSelectedProgram(w));
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(w.selected, p);
    EXPECT_TRUE(w.programmer.IsProgramSaved(1));
    EXPECT_FALSE(w.programmer.IsProgramSaved(0));

    // The name keeps its case (folders on this system are case-sensitive) and gets ".tp".
    const std::string written = chosen + ".tp";
    ASSERT_TRUE(fs::exists(written));
    std::string expected = Bytes(Corpus / "good" / "heat.tp");
    const std::string examplePath = "c:\\programs\\heat.tp";
    expected.replace(expected.find(examplePath), examplePath.size(), written);
    EXPECT_EQ(Bytes(written), expected);

    // A name that has the extension already keeps it as it is.
    support::TestDialogs().QueueFileName(dir_ / "again.TP");
    ASSERT_TRUE(SaveSelectedProgram(w));
    EXPECT_TRUE(fs::exists(dir_ / "again.TP"));
    EXPECT_FALSE(fs::exists(dir_ / "again.TP.tp"));

    // What was saved loads back as the same program.
    FakeWindow reader;
    support::TestDialogs().QueueFileName(written);
    ASSERT_EQ(ReadProgramFile(reader, 0), 1);
    ExpectSameProgram(programfile::FromProgrammer(reader.programmer, 0, reader.controls),
                      programfile::FromProgrammer(w.programmer, 1, w.controls));
}

TEST_F(ProgramFileCommands, FailedSavesAreReportedAndNeverMarkedSaved)
{
    FakeWindow w;
    TTreeNode* empty = w.AddProgram("Empty", {});
    w.selected = empty;
    support::TestDialogs().QueueFileName(dir_ / "empty.tp");
    EXPECT_FALSE(SaveSelectedProgram(w));
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text, "That temperature program contains no segments!");
    EXPECT_FALSE(fs::exists(dir_ / "empty.tp"));
    support::TestDialogs().Clear();

    TTreeNode* p = w.AddProgram("Heat", Example().Segments);
    w.selected = p;
    support::TestDialogs().QueueFileName(dir_ / "no_such_folder/heat.tp");
    EXPECT_FALSE(SaveSelectedProgram(w));
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text.rfind("Error in making the file!", 0), 0u);
    EXPECT_FALSE(w.programmer.IsProgramSaved(1));
    support::TestDialogs().Clear();

    // A start temperature the reader would refuse is not written into a file.
    const std::string path = dir_ / "heat.tp";
    ASSERT_TRUE(programfile::Write(path, Example()));
    const std::string good = Bytes(path);
    w.controls.StartTemperature = "20.5";
    support::TestDialogs().QueueFileName(path);
    EXPECT_FALSE(SaveSelectedProgram(w));
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text, "Input mask error!");
    EXPECT_EQ(Bytes(path), good);
    EXPECT_FALSE(w.programmer.IsProgramSaved(1));
}

TEST_F(ProgramFileCommands, MessagesFollowTheCurrentLanguage)
{
    CLanguage::Instance()->SetCurrentLanguage(CLanguage::German);
    FakeWindow w;
    support::TestDialogs().QueueFileName((Corpus / "bad" / "setpoint_decimal_point.tp").string());
    EXPECT_EQ(ReadProgramFile(w, 0), 0);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text.rfind("Datei enthält fehlerhafte Daten!", 0), 0u);
    EXPECT_EQ(Messages()[0].caption, "Warnung");
}

}  // namespace
