// The line rules and the settings over bytes in memory give what they give over the same
// bytes in a file.
#include "core/Cp932.h"
#include "core/Files.h"
#include "core/IniFile.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quilo {
namespace {

// Every line end, a last line with and without one, empty lines, a CR before the end,
// bytes that are not CP932, a NUL.
const std::vector<std::string> kCases = {
    "",
    "a",
    "a\r\nb\r\n",
    "a\nb\n",
    "a\rb\r",
    "a\r\nb",
    "\r\n\r\n",
    "\r",
    "\n\r",
    "a\r\r\nb\n\n",
    "x\r\n\xe6\x81\x95\x82\r\n",
    std::string("nul\0byte\r\nend", 14),
    "\x82\xa0\r\n\x81",
    std::string(70000, 'x') + "\r" + "\n" + "tail",
    std::string(65535, 'y') + "\r\nz\r",
};

std::vector<std::string> RawLines(LineReader& reader) {
    std::vector<std::string> lines;
    std::string_view l;
    while (reader.Next(l)) lines.emplace_back(l);
    return lines;
}

TEST(BytesSource, LineReaderSplitsMemoryAsItSplitsAFile) {
    test::TempDir dir;
    for (std::size_t i = 0; i < kCases.size(); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        test::WriteBytes(dir.File("f"), kCases[i]);
        LineReader fromFile(dir.File("f"));
        LineReader fromBytes(LineReader::Bytes{kCases[i]});
        ASSERT_TRUE(fromBytes.IsOpen());
        EXPECT_EQ(RawLines(fromBytes), RawLines(fromFile));

        const Result<std::vector<std::string>> decoded = ReadTextLines(dir.File("f"));
        ASSERT_TRUE(decoded);
        EXPECT_EQ(TextLines(kCases[i]), *decoded);

        const Result<std::string> bytes = ReadFileBytes(dir.File("f"));
        ASSERT_TRUE(bytes);
        EXPECT_EQ(*bytes, kCases[i]);
    }
}

TEST(BytesSource, ByteLimitCutsMemoryWhereItCutsAFile) {
    test::TempDir dir;
    const std::string data = "one\r\ntwo\r\nthree";
    test::WriteBytes(dir.File("f"), data);
    for (std::uint64_t limit : {0ull, 3ull, 4ull, 5ull, 7ull, 10ull, 15ull, 100ull}) {
        SCOPED_TRACE("limit " + std::to_string(limit));
        LineReader fromFile(dir.File("f"));
        fromFile.LimitTo(limit);
        LineReader fromBytes(LineReader::Bytes{data});
        fromBytes.LimitTo(limit);
        EXPECT_EQ(RawLines(fromBytes), RawLines(fromFile));
    }
}

TEST(BytesSource, ReadFileBytesRefusesWhatLineReaderRefuses) {
    test::TempDir dir;
    const Result<std::string> missing = ReadFileBytes(dir.File("missing"));
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.Failure().errnum, ENOENT);
    const Result<std::string> folder = ReadFileBytes(dir.Path());
    ASSERT_FALSE(folder);
    EXPECT_EQ(folder.Failure().kind, Error::Kind::NotRegularFile);
}

TEST(BytesSource, SettingsFromBytesMatchTheFile) {
    const std::vector<std::string> cases = {
        "",
        "TimeLimit=120\r\nSeisekiOutput = out.txt \r\n",
        "a=1\nA=2\rb==3\r\nno equals\r\n=empty key\r\n  c  =  \r\n",
        Utf8ToCp932("名前=値\r\nkey=東京\r\n") + "\x81",
    };
    test::TempDir dir;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        const std::string path = dir.File("s" + std::to_string(i) + ".ini");
        test::WriteBytes(path, cases[i]);
        IniFile fromFile;
        ASSERT_TRUE(fromFile.SetFileName(path));
        IniFile fromBytes;
        fromBytes.LoadText(cases[i]);
        ASSERT_EQ(fromBytes.Keys(), fromFile.Keys());
        for (const auto& k : fromFile.Keys()) EXPECT_EQ(fromBytes.Item(k), fromFile.Item(k)) << k;
        EXPECT_FALSE(fromBytes.Dirty());

        // What Save writes is SavedText.
        if (!fromFile.Keys().empty()) {
            fromFile.SetItem(fromFile.Keys().front(), "changed");
            ASSERT_TRUE(fromFile.Save());
            EXPECT_EQ(test::ReadBytes(path), fromFile.SavedText());
        }
    }
}

} // namespace
} // namespace quilo
