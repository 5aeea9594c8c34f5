#include "station/Messages.h"

#include <cerrno>
#include <cstring>

namespace quilo {

std::string ReasonText(const Error& r) {
    switch (r.kind) {
    case Error::Kind::NotRegularFile: return "通常のファイルではありません";
    case Error::Kind::NoPath: return "出力先が設定されていません";
    case Error::Kind::SettingsNamedTwice: return "FileName プロパティは１回のみ設定可能です。";
    case Error::Kind::NoCp932Converter: return "CP932 の文字コード変換がこのシステムにありません";
    case Error::Kind::System: break;
    }
    switch (r.errnum) {
    case ENOENT: return "フォルダまたはファイルが見つかりません";
    case EACCES:
    case EPERM: return "書き込みの権限がありません";
    case ENOSPC:
    case EDQUOT: return "ディスクの空き容量が不足しています";
    case EFBIG: return "ファイルが大きすぎます";
    case EROFS: return "読み取り専用の場所です";
    case EISDIR: return "同じ名前のフォルダがあります";
    case ENOTDIR: return "パスの途中がフォルダではありません";
    case ENAMETOOLONG: return "パスが長すぎます";
    case EIO: return "入出力エラーが発生しました";
    default: return std::string("書き込めません (") + std::strerror(r.errnum) + ")";
    }
}

std::string FailureText(const std::string& heading, const Error& r) { return heading + "\n" + r.path + "\n" + ReasonText(r); }

std::string ChangeNotSavedText(const Error& r) { return FailureText(kChangeNotSaved, r) + "\n" + kChangeLostAtRestart; }

} // namespace quilo
