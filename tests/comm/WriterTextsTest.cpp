// The lines the device layer, the channel windows and the programmer write into the event
// protocol, the programmer protocol and the data file come from the text table: a scan of
// their sources finds no text of their own in a call that writes a line, and no pair of
// German and English texts kept beside the table. Only the two lines the protocol has in
// English in both languages are written as they are.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The source without its comments; string literals are kept whole.
std::string WithoutComments(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"' || c == '\'') {
            const std::size_t start = i;
            for (++i; i < text.size() && text[i] != c; ++i)
                if (text[i] == '\\') ++i;
            out.append(text, start, i - start + 1);
        } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
            while (i < text.size() && text[i] != '\n') ++i;
            out += '\n';
        } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
            i = text.find("*/", i + 2);
            if (i == std::string::npos) break;
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

// The arguments of the call whose '(' is at `open`, up to its ')'.
std::string Arguments(const std::string& text, std::size_t open)
{
    int depth = 0;
    for (std::size_t i = open; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            for (++i; i < text.size() && text[i] != '"'; ++i)
                if (text[i] == '\\') ++i;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')' && --depth == 0) {
            return text.substr(open + 1, i - open - 1);
        }
    }
    return text.substr(open + 1);
}

// The string literals of `code` that hold words: not the fixed lines, not date and time
// patterns.
std::vector<std::string> Words(const std::string& code)
{
    static const std::regex literal(R"re("((?:[^"\\]|\\.)*)")re");
    static const std::regex word("[A-Za-z]{2,}");
    static const std::regex datePattern("[dmyhns:. ]*");
    std::vector<std::string> found;
    for (auto it = std::sregex_iterator(code.begin(), code.end(), literal); it != std::sregex_iterator(); ++it) {
        const std::string text = (*it)[1];
        if (text == " Timeout !" || text == " Error in synchronising !") continue;
        if (std::regex_match(text, datePattern) || !std::regex_search(text, word)) continue;
        found.push_back(text);
    }
    return found;
}

// The body of the block whose '{' is at `open`, up to its '}'.
std::string Body(const std::string& text, std::size_t open)
{
    int depth = 0;
    for (std::size_t i = open; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            for (++i; i < text.size() && text[i] != '"'; ++i)
                if (text[i] == '\\') ++i;
        } else if (c == '{') {
            ++depth;
        } else if (c == '}' && --depth == 0) {
            return text.substr(open + 1, i - open - 1);
        }
    }
    return text.substr(open + 1);
}

const std::regex& Writers()
{
    static const std::regex writer(
        "\\b(LinkLost|CheckUnitFirst|DeliverError|ErrorLine|LogErrorLine|MemoAdd|AddMemoLine|AddProtocolLine|"
        "ReportOtherUnit)\\s*\\(");
    return writer;
}

// The texts of their own that the calls of `code` hand to a writer: to one of the writers,
// or to a local wrapper of one (a lambda that passes its line on, such as the
// identification's memo), which writes lines just as well.
std::vector<std::pair<std::string, std::string>> WrittenTexts(const std::string& code)
{
    static const std::regex lambda(
        "\\bauto\\s+(\\w+)\\s*=\\s*\\[[^\\]]*\\]\\s*(\\([^)]*\\))?\\s*(mutable\\s*)?(->\\s*[\\w:<>&]+\\s*)?\\{");
    std::string wrappers;
    for (auto it = std::sregex_iterator(code.begin(), code.end(), lambda); it != std::sregex_iterator(); ++it) {
        const std::string body = Body(code, std::size_t(it->position(0) + it->length(0) - 1));
        if (std::regex_search(body, Writers())) wrappers += "|" + (*it)[1].str();
    }
    const std::regex wrapped(wrappers.empty() ? std::string("$^") : "\\b(" + wrappers.substr(1) + ")\\s*\\(");
    std::vector<std::pair<std::string, std::string>> found;
    for (const std::regex* calls : {&Writers(), &wrapped}) {
        for (auto it = std::sregex_iterator(code.begin(), code.end(), *calls); it != std::sregex_iterator(); ++it) {
            const std::size_t open = std::size_t(it->position(0) + it->length(0) - 1);
            for (const std::string& text : Words(Arguments(code, open))) found.emplace_back((*it)[1].str(), text);
        }
    }
    return found;
}

// Every writing call of the folders' sources with a text of its own, and every text pair.
std::vector<std::string> Findings(const fs::path& src)
{
    static const std::regex pair("\\b(LanguageText|ChannelText|Pick)\\s*\\(\\s*\"");
    std::vector<std::string> findings;
    for (const char* folder : {"comm", "channel", "programmer"}) {
        for (const auto& entry : fs::recursive_directory_iterator(src / folder)) {
            const std::string ext = entry.path().extension().string();
            if (ext != ".cpp" && ext != ".h") continue;
            std::ifstream in(entry.path(), std::ios::binary);
            std::stringstream buffer;
            buffer << in.rdbuf();
            const std::string code = WithoutComments(buffer.str());
            const std::string name = fs::relative(entry.path(), src).string();
            for (const auto& [call, text] : WrittenTexts(code))
                findings.push_back(name + ": " + call + "(\"" + text + "\")");
            for (auto it = std::sregex_iterator(code.begin(), code.end(), pair); it != std::sregex_iterator(); ++it)
                findings.push_back(name + ": " + it->str());
        }
    }
    return findings;
}

}  // namespace

TEST(WriterTextsTest, ProtocolLinesComeFromTheTextTable)
{
    const fs::path src = fs::path(NOX_TEST_DATA_DIR) / ".." / ".." / "src";
    ASSERT_TRUE(fs::is_directory(src / "comm")) << src;
    std::string all;
    for (const std::string& f : Findings(src)) all += f + "\n";
    EXPECT_EQ(all, "");
}

// The scan itself sees a text written past the table, in a call over several lines, behind
// a comment and through a local wrapper of a writer, and lets the fixed lines, date patterns
// and row lookups through.
TEST(WriterTextsTest, TheScanFindsTextsOfTheirOwn)
{
    const std::string code = WithoutComments(
        "LinkLost(\" Connection to \" + peer + \" lost !\", // \"not this\"\n"
        "         {RowPortReopened, name});\n"
        "DeliverError(\" Timeout !\"); AddProtocolLine(FormatDateTime(\"hh:nn:ss\", t) + Text(RowX));\n"
        "/* AddProtocolLine(\"in a comment\") */ MemoAdd(m, ErrorLine(\"Fehler (\" + x + \")\"));\n"
        "auto memo = [this](const AnsiString& line) {\n"
        "    if (Window) Window->MemoAdd(line);\n"
        "};\n"
        "auto count = [&](int n) { return n + 1; };\n"
        "memo(LookupText(RowSerialNumberIs) + number); memo(\"The device did not report a serial number.\");\n"
        "count(\"not a line\");\n");
    std::vector<std::string> seen;
    for (const auto& [call, text] : WrittenTexts(code)) seen.push_back(call + ": " + text);
    EXPECT_EQ(seen,
              (std::vector<std::string>{"LinkLost:  Connection to ", "LinkLost:  lost !", "MemoAdd: Fehler (",
                                        "ErrorLine: Fehler (", "memo: The device did not report a serial number."}));
}
