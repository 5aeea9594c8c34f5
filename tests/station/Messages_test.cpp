// The operator reads why a file failed: each reason has its own words, and a real
// failure of the file functions reaches the right ones.
#include "station/Messages.h"

#include "TestSupport.h"
#include "core/Files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <set>

namespace quilo {
namespace {

TEST(Messages, EachReasonHasItsOwnWords) {
    const std::pair<Error, const char*> cases[] = {
        {Error::Of(Error::Kind::NotRegularFile, "p"), "通常のファイルではありません"},
        {Error::Of(Error::Kind::NoPath, "p"), "出力先が設定されていません"},
        {Error::FromErrno("p", ENOENT), "フォルダまたはファイルが見つかりません"},
        {Error::FromErrno("p", EACCES), "書き込みの権限がありません"},
        {Error::FromErrno("p", EPERM), "書き込みの権限がありません"},
        {Error::FromErrno("p", ENOSPC), "ディスクの空き容量が不足しています"},
        {Error::FromErrno("p", EDQUOT), "ディスクの空き容量が不足しています"},
        {Error::FromErrno("p", EFBIG), "ファイルが大きすぎます"},
        {Error::FromErrno("p", EROFS), "読み取り専用の場所です"},
        {Error::FromErrno("p", EISDIR), "同じ名前のフォルダがあります"},
        {Error::FromErrno("p", ENOTDIR), "パスの途中がフォルダではありません"},
        {Error::FromErrno("p", ENAMETOOLONG), "パスが長すぎます"},
        {Error::FromErrno("p", EIO), "入出力エラーが発生しました"},
        {Error::Of(Error::Kind::SettingsNamedTwice, "p"), "FileName プロパティは１回のみ設定可能です。"},
        {Error::Of(Error::Kind::NoCp932Converter), "CP932 の文字コード変換がこのシステムにありません"},
    };
    for (const auto& [error, words] : cases) EXPECT_EQ(ReasonText(error), words) << error.errnum;
    EXPECT_EQ(ReasonText(Result<>()), "");
    // Any other error still says something, with the system's own words.
    const std::string other = ReasonText(Error::FromErrno("p", EBUSY));
    EXPECT_EQ(other.rfind("書き込めません (", 0), 0u) << other;
    EXPECT_GT(other.size(), std::string("書き込めません ()").size());
}

TEST(Messages, RealFailuresReachTheirWords) {
    test::TempDir dir;
    test::WriteBytes(dir.File("plain"), "x");
    ::mkdir(dir.File("folder").c_str(), 0755);
    const std::pair<Result<>, const char*> cases[] = {
        {ReplaceFile(dir.File("folder"), {"a"}), "同じ名前のフォルダがあります"},
        {ReplaceFile(dir.File("plain/Results.txt"), {"a"}), "パスの途中がフォルダではありません"},
        {AppendLine(dir.File("missing/Change.dat"), "a"), "フォルダまたはファイルが見つかりません"},
        {ReplaceFile(dir.File(std::string(300, 'n')), {"a"}), "パスが長すぎます"},
    };
    for (const auto& [result, words] : cases) EXPECT_EQ(ReasonText(result), words) << test::FailedPath(result);
}

TEST(Messages, HeadingPathAndReasonOneALine) {
    const Error r = Error::FromErrno("/event/Change.dat", ENOSPC);
    EXPECT_EQ(FailureText("見出し", r), "見出し\n/event/Change.dat\nディスクの空き容量が不足しています");
    EXPECT_EQ(ChangeNotSavedText(r), std::string(kChangeNotSaved) + "\n/event/Change.dat\n" +
                                         "ディスクの空き容量が不足しています\n" + kChangeLostAtRestart);
}

} // namespace
} // namespace quilo
