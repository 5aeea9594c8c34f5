#pragma once
// The operator's words for what went wrong with a file, in one place.
#include "core/Result.h"

#include <string>

namespace quilo {

// Headings of the messages the window shows.
inline constexpr const char* kResultsNotWritten = "成績ファイルを書き込めませんでした。";
inline constexpr const char* kXmlNotWritten = "XML成績ファイルを書き込めませんでした。";
inline constexpr const char* kHtmlNotWritten = "HTML成績ページを書き込めませんでした。";
inline constexpr const char* kStartXmlNotWritten = "XMLスタートリストを書き込めませんでした。";
inline constexpr const char* kNotReturnedNotWritten = "未帰還者ファイルを書き込めませんでした。";
inline constexpr const char* kSettingsNotWritten = "設定ファイルを書き込めませんでした。";
inline constexpr const char* kChangeNotSaved = "変更データを保存できませんでした。";
inline constexpr const char* kChangeLostAtRestart = "次回起動時にこの変更は反映されません。";

inline constexpr const char* kStartListNotWritten = "スタートリストを書き込めませんでした。";
inline constexpr const char* kStartListChanged =
    "Startlst.dat は Quilo が読み込んだ後に書き換えられています。\r\n"
    "手で直した内容を消さないよう、何も書き込みませんでした。Quilo を起動し直してから受け付けてください。";

inline constexpr const char* kStartupFailed = "起動できませんでした。";

// Why, in Japanese: "書き込みの権限がありません" and the like.
std::string ReasonText(const Error& error);
// Nothing for a result that holds its value.
template <class T>
std::string ReasonText(const Result<T>& result) {
    return result ? std::string() : ReasonText(result.Failure());
}
// The heading, the path and the reason, one a line.
std::string FailureText(const std::string& heading, const Error& error);
// A change record that could not be written: the correction stands until the next start.
std::string ChangeNotSavedText(const Error& error);

} // namespace quilo
