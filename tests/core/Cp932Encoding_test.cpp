// Which event files are read as UTF-8: a byte order mark, or valid UTF-8 beyond ASCII
// that is no valid CP932. Everything else reads as CP932, exactly as before.
#include "core/Cp932.h"
#include "core/Files.h"
#include "core/IniFile.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quilo {
namespace {

const std::string kBom(kUtf8Bom);

TEST(Encoding, DetectedFromTheBytes) {
    struct Case {
        std::string bytes;
        TextEncoding want;
        const char* why;
    };
    const std::string row = "10001,M21,10:00:00,101,渡辺拓也,0,みちの会\r\n";
    const Case cases[] = {
        {"", TextEncoding::Cp932, "empty"},
        {"10001,M21,10:00:00,101,A,0,c\r\n", TextEncoding::Cp932, "plain ASCII"},
        {kBom, TextEncoding::Utf8, "a mark alone"},
        {kBom + "TimeLimit=150\r\n", TextEncoding::Utf8, "a mark before ASCII"},
        {kBom + Utf8ToCp932("山田"), TextEncoding::Utf8, "the mark decides"},
        {"渡辺拓也", TextEncoding::Utf8, "UTF-8 name"},
        {"みちの会", TextEncoding::Utf8, "UTF-8 club"},
        {"東京OLクラブ", TextEncoding::Utf8, "UTF-8 mixed"},
        {"EventName=春の大会\r\n", TextEncoding::Utf8, "UTF-8 setting"},
        {row, TextEncoding::Utf8, "UTF-8 row"},
        {Utf8ToCp932(row), TextEncoding::Cp932, "CP932 row"},
        {Utf8ToCp932("東京OLクラブ"), TextEncoding::Cp932, "CP932 mixed"},
        {Utf8ToCp932("ｶﾅ"), TextEncoding::Cp932, "CP932 half-width kana"},
        // Valid both ways: read as CP932, as always.
        {"東京", TextEncoding::Cp932, "short UTF-8 that is valid CP932"},
        {"café", TextEncoding::Cp932, "Latin UTF-8 that is valid CP932"},
        // Neither: CP932 with its replacement characters, as always.
        {"\xFF\xFE\r\n", TextEncoding::Cp932, "no text at all"},
        {row + "\xFF", TextEncoding::Cp932, "UTF-8 with a stray byte"},
        {"\xC0\xAF", TextEncoding::Cp932, "overlong UTF-8"},
        {"\xED\xA0\x80\xE6\x9D\xB1", TextEncoding::Cp932, "a surrogate"},
        {"\xE6\x9D", TextEncoding::Cp932, "cut short"},
    };
    for (const auto& c : cases) EXPECT_EQ(DetectEncoding(c.bytes), c.want) << c.why;
}

TEST(Encoding, ValidityChecks) {
    struct Case {
        std::string bytes;
        bool utf8, cp932;
    };
    const Case cases[] = {
        {"", true, true},
        {"abc", true, true},
        {"渡辺拓也", true, false},
        {Utf8ToCp932("渡辺拓也"), false, true},
        {"\xF0\x9F\x98\x80", true, false},  // U+1F600
        {"\xF4\x90\x80\x80", false, false}, // above U+10FFFF
        {"\xE0\x80\xAF", false, true},      // overlong UTF-8, a kanji and a kana in CP932
        {"\x80\xA0\xFD", false, false},     // bytes the code page leaves undefined
        {"\x82", false, false},             // a lead byte at the end
        {"\x82\x20", false, false},         // a lead byte before no trail byte
        {"\x82\xA0", false, true},          // あ
        {"\xA1\xDF", false, true},          // half-width kana
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsValidUtf8(c.bytes), c.utf8) << c.bytes;
        EXPECT_EQ(IsValidCp932(c.bytes), c.cp932) << c.bytes;
    }
}

TEST(Encoding, Utf8LinesKeepTheLineRules) {
    struct Case {
        std::string bytes;
        std::vector<std::string> want;
    };
    const Case cases[] = {
        {"", {}},
        {kBom, {}},
        {kBom + "**:男子\r\n1:31\r\n", {"**:男子", "1:31"}},
        {"a\nb\rc\r\n\r\nd", {"a", "b", "c", "", "d"}},
        {"x" + kBom + "y", {"x\uFEFFy"}}, // only a leading mark is dropped
        {"名\xFF前\xE6\x9D", {"名\uFFFD前\uFFFD\uFFFD"}},
    };
    for (const auto& c : cases) EXPECT_EQ(TextLines(c.bytes, TextEncoding::Utf8), c.want) << c.bytes;
    // CP932 stays the default.
    EXPECT_EQ(TextLines(Utf8ToCp932("名前\r\n")), std::vector<std::string>{"名前"});
}

TEST(Encoding, SettingsKeepTheirEncoding) {
    struct Case {
        std::string file;        // as found
        std::string afterAppend; // after SetItem("TimeLimit", "150")
        std::string afterSave;   // after a changed value and Save
    };
    const Case cases[] = {
        {"EventName=春の大会\r\n", "EventName=春の大会\r\nTimeLimit=150\r\n", "EventName=秋の大会\r\nTimeLimit=150\r\n"},
        {kBom + "EventName=春の大会\r\n", kBom + "EventName=春の大会\r\nTimeLimit=150\r\n",
         kBom + "EventName=秋の大会\r\nTimeLimit=150\r\n"},
        {Utf8ToCp932("EventName=春の大会\r\n"), Utf8ToCp932("EventName=春の大会\r\nTimeLimit=150\r\n"),
         Utf8ToCp932("EventName=秋の大会\r\nTimeLimit=150\r\n")},
    };
    test::TempDir dir;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        const std::string path = dir.File("s" + std::to_string(i) + ".ini");
        test::WriteBytes(path, cases[i].file);
        IniFile ini;
        ASSERT_TRUE(ini.SetFileName(path));
        EXPECT_EQ(ini.Item("EventName"), "春の大会");
        ini.SetItem("TimeLimit", "150");
        EXPECT_EQ(test::ReadBytes(path), cases[i].afterAppend);
        ini.SetItem("EventName", "秋の大会");
        ASSERT_TRUE(ini.Save());
        EXPECT_EQ(test::ReadBytes(path), cases[i].afterSave);
    }
}

TEST(Encoding, ARewriteThatWouldReadAsCp932GetsTheMark) {
    IniFile ini;
    ini.LoadText("東京\r\nEventName=春の大会\r\n");
    ASSERT_EQ(ini.Encoding(), TextEncoding::Utf8);
    // "東京" alone passes as CP932: without the mark the next start would garble it.
    ini.SetItem("EventName", "東京");
    const std::string saved = ini.SavedText();
    EXPECT_EQ(saved, kBom + "EventName=東京\r\n");
    IniFile again;
    again.LoadText(saved);
    EXPECT_EQ(again.Item("EventName"), "東京");
}

} // namespace
} // namespace quilo
