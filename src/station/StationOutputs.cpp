// The exports written with the results file: the IOF XML result list and the HTML page.
#include "station/Station.h"

#include "core/Fields.h"
#include "results/HtmlResults.h"
#include "results/IofStartList.h"
#include "results/IofXml.h"

namespace quilo {
namespace {

struct ExportFile {
    const char* key;
    const char* defaultName;
};

constexpr ExportFile kXml{"XmlOutput", "E_Result.xml"};
constexpr ExportFile kHtml{"HtmlOutput", "E_Result.html"};
constexpr ExportFile kStartXml{"StartXmlOutput", "E_Start.xml"};

} // namespace

ExportInfo Station::ExportDetails() const {
    ExportInfo info;
    info.today = calendar_();
    info.now = clock_();
    info.limit = TimeLimit();
    info.creator = CreatorText();
    info.startListIncomplete = startListIncomplete_;
    info.identities = identities_;
    info.eventName = settings_ ? TrimBlanks(settings_->Item("EventName")) : std::string();
    if (info.eventName.empty()) {
        std::string folder = folder_;
        while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        info.eventName = folder.substr(folder.find_last_of('/') + 1);
    }
    // The offset stays today's: neither the setting nor the log carries one.
    info.eventDate = info.today;
    LocalDate day = firstReadDate_.value_or(info.today);
    if (settings_) ParseDate(TrimBlanks(settings_->Item("EventDate")), day);
    info.eventDate.year = day.year;
    info.eventDate.month = day.month;
    info.eventDate.day = day.day;
    return info;
}

std::string Station::ExportPath(ExportKind kind) const {
    // These keys are read when present but never added to the settings file.
    const ExportFile& f = kind == ExportKind::Xml ? kXml : kind == ExportKind::Html ? kHtml : kStartXml;
    std::string path = OutputPath(f.key);
    return path.empty() ? PathOf(f.defaultName) : path;
}

Station::ResultOutputs Station::WriteResultOutputs(const std::string& xmlPath, const std::string& htmlPath) {
    ResultOutputs out{WriteResults(), Error::Of(Error::Kind::NoPath), Error::Of(Error::Kind::NoPath),
                      Error::Of(Error::Kind::NoPath)};
    Busy(true);
    // Written as they are made: neither export is ever whole in memory.
    {
        const std::string path = xmlPath.empty() ? ExportPath(ExportKind::Xml) : xmlPath;
        FileReplacement file(path);
        if (!file.Failed()) WriteIofResultList(*snapshot_, file);
        out.xml = WithValue(file.Commit(), path);
    }
    {
        const std::string path = htmlPath.empty() ? ExportPath(ExportKind::Html) : htmlPath;
        FileReplacement file(path);
        if (!file.Failed()) WriteHtmlResults(*snapshot_, file);
        out.html = WithValue(file.Commit(), path);
    }
    {
        const std::string path = ExportPath(ExportKind::StartXml);
        FileReplacement file(path);
        if (!file.Failed()) WriteIofStartList(*snapshot_, file);
        out.startXml = WithValue(file.Commit(), path);
    }
    Busy(false);
    return out;
}

} // namespace quilo
