#include "station/Publisher.h"

#include "core/Cp932.h"
#include "results/HtmlResults.h"
#include "results/IofStartList.h"
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

Publisher::Publisher(Station& station) : station_(station) {
    subscription_ = station_.Subscribe([this](const std::shared_ptr<const ResultsSnapshot>& snap) { Publish(*snap); });
    Publish(*station_.Snapshot());
}

void Publisher::Write(Output& out, const std::string& path, std::uint64_t serial, bool keepBytes,
                      const std::function<std::string()>& build) {
    const bool same = path == out.path && !out.failed;
    if (same && out.serial == serial) return;
    History& history = station_.OperationHistory();
    // The output button wrote this very snapshot: written, bytes unknown.
    if (station_.WrittenAt(path) == serial) {
        if (out.failed) history.Report(" (出力)" + FileName(path));
        out = {path, serial, std::nullopt, false};
        return;
    }
    std::string bytes = build();
    // The text files carry no moment: the same bytes are not written again.
    if (same && out.bytes == bytes) {
        out.serial = serial;
        return;
    }
    const Result<> r = ReplaceFileBytes(path, bytes);
    if (!r) {
        if (!out.failed || path != out.path)
            history.Warning({"　" + path + " を書き込めませんでした（" + ReasonText(r) + "）"});
        out.failed = true;
        out.path = path;
        return;
    }
    if (out.failed) history.Report(" (出力)" + FileName(path));
    out = {path, serial, keepBytes ? std::optional<std::string>(std::move(bytes)) : std::nullopt, false};
    ++lastWritten_;
}

void Publisher::Publish(const ResultsSnapshot& snap) {
    lastWritten_ = 0;
    Write(outputs_[0], station_.OutputPath("SeisekiOutput"), snap.serial, true,
          [&] { return Cp932File(BuildResultsFile(snap)); });
    Write(outputs_[1], station_.OutputPath("MikikanOutput"), snap.serial, true,
          [&] { return Cp932File(BuildNotReturnedFile(snap)); });
    // The exports carry the moment they were made: written only when what they show
    // changed, an export keeps its bytes otherwise.
    Write(outputs_[2], station_.ExportPath(Station::ExportKind::Xml), snap.exportSerial, false,
          [&] { return BuildIofResultList(snap); });
    Write(outputs_[3], station_.ExportPath(Station::ExportKind::Html), snap.exportSerial, false,
          [&] { return BuildHtmlResults(snap); });
    Write(outputs_[4], station_.ExportPath(Station::ExportKind::StartXml), snap.exportSerial, false,
          [&] { return BuildIofStartList(snap); });
}

} // namespace quilo
