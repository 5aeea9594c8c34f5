#include "setup/EventTables.h"

#include "core/Fields.h"

namespace quilo {

std::vector<CourseClass> CourseClassesOf(const Event& ev) {
    std::vector<CourseClass> classes;
    for (int c = 0; c < ev.ClassesInUse(); ++c) {
        CourseClass k;
        k.name = ev.ClassNames[static_cast<std::size_t>(c)];
        for (int p = 1; p <= ev.ControlCount[static_cast<std::size_t>(c)]; ++p) k.positions.push_back(ev.CourseControls[c][p]);
        k.finish = ev.CourseControls[c][kFinishPosition];
        classes.push_back(std::move(k));
    }
    return classes;
}

std::vector<StartRow> StartRowsOf(const Event& ev) {
    std::vector<StartRow> rows;
    for (int n = 0; n < ev.Rows(); ++n) {
        StartRow row;
        row.card = ev.CardTexts[static_cast<std::size_t>(n)];
        const EntryRecord* e = ev.EntryOf(n);
        if (!e) {
            row.spare = true;
        } else {
            row.className = ev.ClassNames[static_cast<std::size_t>(ev.EntryClass[static_cast<std::size_t>(n)])];
            row.start = e->StartTime;
            row.bib = e->BibNumber;
            row.name = e->Name;
            row.extra = e->ExtraNumber;
            row.club = e->Club;
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

namespace {

bool ReadsBack(const std::string& line, const std::vector<std::string>& fields, std::string_view sep) {
    FieldSplitter split(line, sep);
    for (const std::string& f : fields)
        if (split.Done() || split.Next() != f) return false;
    return split.Done();
}

} // namespace

std::optional<std::string> SeparatedLine(const std::vector<std::string>& fields, std::string_view sep) {
    // Quoted where needed first; a lone quote without a separator also reads back bare.
    for (bool quoteLoneQuotes : {true, false}) {
        std::string line;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const std::string& f = fields[i];
            const bool hasSep = f.find(sep) != std::string::npos;
            const bool hasQuote = f.find('"') != std::string::npos;
            if (i > 0) line += sep;
            line += hasSep || (hasQuote && quoteLoneQuotes) ? "\"" + f + "\"" : f;
        }
        if (ReadsBack(line, fields, sep)) return line;
    }
    return std::nullopt;
}

std::optional<std::string> ClassLine(const CourseClass& c) { return SeparatedLine({"**", c.name}, ":"); }

std::vector<std::string> CourseFileLines(const std::vector<CourseClass>& classes) {
    std::vector<std::string> lines;
    for (const CourseClass& c : classes) {
        lines.push_back(ClassLine(c).value_or("**:"));
        for (std::size_t p = 0; p < c.positions.size(); ++p)
            for (int code : c.positions[p])
                if (code != 0) lines.push_back(std::to_string(p + 1) + ":" + std::to_string(code));
        for (int code : c.finish)
            if (code != 0) lines.push_back("99:" + std::to_string(code));
    }
    return lines;
}

std::optional<std::string> StartListLine(const StartRow& r) {
    if (r.spare) return SeparatedLine({r.card, "**"}, ",");
    return SeparatedLine({r.card, r.className, FormatHhNnSs(r.start), std::to_string(r.bib), r.name, std::to_string(r.extra),
                          r.club},
                         ",");
}

std::vector<std::string> StartListLines(const std::vector<StartRow>& rows) {
    std::vector<std::string> lines;
    for (const StartRow& r : rows) lines.push_back(StartListLine(r).value_or(""));
    return lines;
}

} // namespace quilo
