#include "station/Publisher.h"

#include "core/Cp932.h"
#include "results/HtmlResults.h"
#include "results/IofXml.h"
#include "results/OutputFiles.h"
#include "station/Messages.h"

namespace quilo {
namespace {

std::string Cp932File(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const auto& line : lines) bytes += Utf8ToCp932(line) + "\r\n";
    return bytes;
}

std::string FileName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

} // namespace

void Publisher::Write(Output& out, const std::string& path, const std::string& bytes) {
    if (path == out.path && bytes == out.bytes && !out.failed) return;
    const Result<> r = ReplaceFileBytes(path, bytes);
    History& history = station_.OperationHistory();
    if (!r) {
        if (!out.failed || path != out.path)
            history.Warning({"　" + path + " を書き込めませんでした（" + ReasonText(r) + "）"});
        out.failed = true;
        out.path = path;
        return;
    }
    if (out.failed) history.Report(" (出力)" + FileName(path));
    out.failed = false;
    out.path = path;
    out.bytes = bytes;
    ++lastWritten_;
}

void Publisher::Publish() {
    lastWritten_ = 0;
    const Event& ev = station_.Tables();
    const Time limit = station_.TimeLimit();
    Write(outputs_[0], station_.OutputPath("SeisekiOutput"), Cp932File(BuildResultsFile(ev, limit)));
    Write(outputs_[1], station_.OutputPath("MikikanOutput"), Cp932File(BuildNotReturnedFile(ev)));

    // The exports carry the moment they were made: built first with the moment of the
    // last write, an export whose content did not change keeps its bytes.
    const ExportInfo now = station_.ExportDetails();
    auto publishExport = [&](Output& out, const std::string& path, std::string (*build)(const Event&, const ExportInfo&)) {
        ExportInfo info = now;
        if (out.stamp && !out.failed) {
            info.stamp = out.stamp;
            if (std::string same = build(ev, info); same == out.bytes && path == out.path) return;
        }
        info.stamp = std::make_pair(now.today, now.now);
        Write(out, path, build(ev, info));
        if (!out.failed) out.stamp = info.stamp;
    };
    publishExport(outputs_[2], station_.ExportPath(Station::ExportKind::Xml), BuildIofResultList);
    publishExport(outputs_[3], station_.ExportPath(Station::ExportKind::Html), BuildHtmlResults);
}

} // namespace quilo
