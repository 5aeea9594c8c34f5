#include "upload/Mop.h"

#include "core/Calendar.h"
#include "results/IofXml.h"

#include <pugixml.hpp>

#include <algorithm>
#include <charconv>
#include <unordered_map>

namespace quilo::mop {
namespace {

constexpr const char* kNamespace = "http://www.melin.nu/mop";

// XML 1.0 holds no control characters, and a receiver shows names on one line.
std::string Clean(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char ch : s)
        if (static_cast<unsigned char>(ch) >= 0x20) out += ch;
    return out;
}

template <typename T>
void SortById(std::vector<T>& v) {
    std::sort(v.begin(), v.end(), [](const T& a, const T& b) { return a.id < b.id; });
}

// ---- documents

struct Document {
    pugi::xml_document doc;
    pugi::xml_node root;
    explicit Document(const char* rootName) {
        pugi::xml_node decl = doc.append_child(pugi::node_declaration);
        decl.append_attribute("version").set_value("1.0");
        decl.append_attribute("encoding").set_value("UTF-8");
        root = doc.append_child(rootName);
        root.append_attribute("xmlns").set_value(kNamespace);
    }
    std::string Text() const {
        struct Writer final : pugi::xml_writer {
            std::string out;
            void write(const void* data, size_t size) override { out.append(static_cast<const char*>(data), size); }
        } writer;
        doc.save(writer, "  ", pugi::format_default, pugi::encoding_utf8);
        return writer.out;
    }
};

// The schema's order is competition, ctrl, cls, org, cmp, tm: every writer below is
// called in that order.
void AddCompetition(pugi::xml_node root, const Event& e) {
    pugi::xml_node node = root.append_child("competition");
    if (!e.date.empty()) node.append_attribute("date").set_value(e.date.c_str());
    node.text().set(e.name.c_str());
}

void AddClass(pugi::xml_node root, const Class& c) {
    pugi::xml_node node = root.append_child("cls");
    node.append_attribute("id").set_value(c.id);
    node.append_attribute("ord").set_value(c.ord);
    node.text().set(c.name.c_str());
}

void AddOrg(pugi::xml_node root, const Org& o) {
    pugi::xml_node node = root.append_child("org");
    node.append_attribute("id").set_value(o.id);
    node.text().set(o.name.c_str());
}

void AddCompetitor(pugi::xml_node root, const Competitor& c) {
    pugi::xml_node node = root.append_child("cmp");
    node.append_attribute("id").set_value(c.id);
    pugi::xml_node base = node.append_child("base");
    if (c.org != 0) base.append_attribute("org").set_value(c.org);
    base.append_attribute("cls").set_value(c.cls);
    base.append_attribute("stat").set_value(c.stat);
    base.append_attribute("st").set_value(c.st);
    if (c.rt != 0) base.append_attribute("rt").set_value(c.rt);
    base.text().set(c.name.c_str());
}

// The records of `now` whose id `accepted` does not hold or holds otherwise.
template <typename T, typename Add>
bool AddChanged(pugi::xml_node root, const std::vector<T>& accepted, const std::vector<T>& now, Add add) {
    std::unordered_map<int, const T*> before;
    for (const T& r : accepted) before[r.id] = &r;
    bool any = false;
    for (const T& r : now) {
        const auto it = before.find(r.id);
        if (it != before.end() && *it->second == r) continue;
        add(root, r);
        any = true;
    }
    return any;
}

// True when every id of `accepted` is still in `now`.
template <typename T>
bool Keeps(const std::vector<T>& accepted, const std::vector<T>& now) {
    std::unordered_map<int, bool> ids;
    for (const T& r : now) ids[r.id] = true;
    return std::all_of(accepted.begin(), accepted.end(), [&](const T& r) { return ids.contains(r.id); });
}

// ---- the state file: a line a record, fields split by tabs, names escaped

constexpr std::string_view kStateHead = "quilo-mop-state 1";

std::string Escaped(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char ch : s) {
        switch (ch) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += ch;
        }
    }
    return out;
}

std::optional<std::string> Unescaped(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\') {
            out += s[i];
            continue;
        }
        if (++i == s.size()) return std::nullopt;
        switch (s[i]) {
        case '\\': out += '\\'; break;
        case 't': out += '\t'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        default: return std::nullopt;
        }
    }
    return out;
}

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> out;
    while (true) {
        const std::size_t tab = line.find('\t');
        out.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos) return out;
        line.remove_prefix(tab + 1);
    }
}

template <typename T>
bool Parse(std::string_view text, T& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty();
}

// The whole lines of the text: nullopt when the last one has no line end.
std::optional<std::vector<std::string_view>> WholeLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) return std::nullopt;
        lines.push_back(text.substr(0, end));
        text.remove_prefix(end + 1);
    }
    return lines;
}

template <typename T>
bool UniqueIds(const std::vector<T>& sorted) {
    return std::adjacent_find(sorted.begin(), sorted.end(), [](const T& a, const T& b) { return a.id == b.id; }) ==
           sorted.end();
}

} // namespace

// ---- clubs

int ClubIds::IdOf(const std::string& club) {
    if (club.empty()) return 0;
    const auto [it, added] = ids_.try_emplace(club, Count() + 1);
    if (added) names_.push_back(club);
    return it->second;
}

std::string ClubIds::Save() const {
    std::string out;
    for (std::size_t i = 0; i < names_.size(); ++i) out += std::to_string(i + 1) + '\t' + Escaped(names_[i]) + '\n';
    return out;
}

ClubIds ClubIds::Load(std::string_view text) {
    ClubIds clubs;
    while (true) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) return clubs;
        const std::vector<std::string_view> f = Fields(text.substr(0, end));
        text.remove_prefix(end + 1);
        int id = 0;
        if (f.size() != 2 || !Parse(f[0], id) || id != clubs.Count() + 1) return clubs;
        const std::optional<std::string> name = Unescaped(f[1]);
        if (!name || name->empty() || clubs.ids_.contains(*name)) return clubs;
        clubs.IdOf(*name);
    }
}

// ---- the event

int StatusCode(const EntryRecord& r, Time limit, Time now) {
    static const std::unordered_map<std::string_view, int> codes = {
        {"OK", kOk},
        {"MissingPunch", kMissingPunch},
        {"DidNotFinish", kDidNotFinish},
        {"Disqualified", kDisqualified},
        {"OverTime", kOverTime},
        {"DidNotStart", kDidNotStart},
        {"NotCompeting", kNotCompeting},
    };
    // Everything else (Active, Inactive) is still to come.
    const auto it = codes.find(IofStatus(r, limit, now));
    return it == codes.end() ? kNotBack : it->second;
}

Event FromSnapshot(const ResultsSnapshot& snap, ClubIds& clubs) {
    const ExportInfo& info = snap.info;
    Event e;
    e.name = Clean(info.eventName);
    e.date = IsoDate(info.eventDate);
    std::unordered_map<int, bool> used;
    for (std::size_t c = 0; c < snap.classes.size(); ++c) {
        const ClassResult& cls = snap.classes[c];
        const int classId = static_cast<int>(c) + 1;
        e.classes.push_back({classId, classId, Clean(cls.name)});
        for (const CompetitorResult& cr : cls.competitors) {
            if (cr.number < 0) continue;
            const EntryRecord& r = cr.record;
            const std::string club = Clean(r.Club);
            const int org = clubs.IdOf(club);
            if (org != 0 && !used[org]) {
                used[org] = true;
                e.orgs.push_back({org, club});
            }
            const int stat = StatusCode(r, info.limit, info.now);
            e.competitors.push_back({cr.number + 1, Clean(r.Name), classId, org, stat, r.StartTime.Seconds() * 10,
                                     stat == kOk ? r.RunningTime.Seconds() * 10 : 0});
        }
    }
    SortById(e.orgs);
    SortById(e.competitors);
    return e;
}

std::string Complete(const Event& now) {
    Document d("MOPComplete");
    AddCompetition(d.root, now);
    for (const Class& c : now.classes) AddClass(d.root, c);
    for (const Org& o : now.orgs) AddOrg(d.root, o);
    for (const Competitor& c : now.competitors) AddCompetitor(d.root, c);
    return d.Text();
}

std::string Diff(const Event& accepted, const Event& now) {
    // Only a complete picture deletes on the receiver.
    if (!Keeps(accepted.classes, now.classes) || !Keeps(accepted.orgs, now.orgs) ||
        !Keeps(accepted.competitors, now.competitors))
        return Complete(now);
    Document d("MOPDiff");
    bool any = false;
    if (accepted.name != now.name || accepted.date != now.date) {
        AddCompetition(d.root, now);
        any = true;
    }
    any |= AddChanged(d.root, accepted.classes, now.classes, AddClass);
    any |= AddChanged(d.root, accepted.orgs, now.orgs, AddOrg);
    any |= AddChanged(d.root, accepted.competitors, now.competitors, AddCompetitor);
    return any ? d.Text() : std::string();
}

std::optional<std::string> ReplyStatus(std::string_view body) {
    pugi::xml_document doc;
    if (!doc.load_buffer(body.data(), body.size())) return std::nullopt;
    const pugi::xml_node root = doc.document_element();
    std::string_view name = root.name();
    if (const std::size_t colon = name.find(':'); colon != std::string_view::npos) name.remove_prefix(colon + 1);
    const pugi::xml_attribute status = root.attribute("status");
    if (name != "MOPStatus" || !status || !*status.value()) return std::nullopt;
    return std::string(status.value());
}

// ---- the state file

std::string Save(const Event& e) {
    std::string out(kStateHead);
    out += '\n';
    const auto line = [&out](std::initializer_list<std::string> fields) {
        bool first = true;
        for (const std::string& f : fields) {
            if (!first) out += '\t';
            out += f;
            first = false;
        }
        out += '\n';
    };
    using std::to_string;
    line({"competition", Escaped(e.name), Escaped(e.date)});
    for (const Class& c : e.classes) line({"cls", to_string(c.id), to_string(c.ord), Escaped(c.name)});
    for (const Org& o : e.orgs) line({"org", to_string(o.id), Escaped(o.name)});
    for (const Competitor& c : e.competitors)
        line({"cmp", to_string(c.id), to_string(c.cls), to_string(c.org), to_string(c.stat), to_string(c.st), to_string(c.rt),
              Escaped(c.name)});
    // The count closes the file: a file cut at a line end lacks it.
    line({"end", to_string(1 + e.classes.size() + e.orgs.size() + e.competitors.size())});
    return out;
}

std::optional<Event> Load(std::string_view text) {
    const std::optional<std::vector<std::string_view>> lines = WholeLines(text);
    if (!lines || lines->size() < 3 || lines->front() != kStateHead) return std::nullopt;
    Event e;
    bool competition = false;
    for (std::size_t i = 1; i + 1 < lines->size(); ++i) {
        const std::vector<std::string_view> f = Fields((*lines)[i]);
        const std::string_view kind = f[0];
        // The last field is the free text (a name; the date on the competition line).
        std::optional<std::string> last = Unescaped(f.back());
        if (!last) return std::nullopt;
        if (kind == "competition" && f.size() == 3 && !competition) {
            const std::optional<std::string> eventName = Unescaped(f[1]);
            if (!eventName) return std::nullopt;
            e.name = *eventName;
            e.date = std::move(*last);
            competition = true;
        } else if (kind == "cls" && f.size() == 4) {
            Class& c = e.classes.emplace_back();
            if (!Parse(f[1], c.id) || !Parse(f[2], c.ord)) return std::nullopt;
            c.name = std::move(*last);
        } else if (kind == "org" && f.size() == 3) {
            Org& o = e.orgs.emplace_back();
            if (!Parse(f[1], o.id)) return std::nullopt;
            o.name = std::move(*last);
        } else if (kind == "cmp" && f.size() == 8) {
            Competitor& c = e.competitors.emplace_back();
            if (!Parse(f[1], c.id) || !Parse(f[2], c.cls) || !Parse(f[3], c.org) || !Parse(f[4], c.stat) ||
                !Parse(f[5], c.st) || !Parse(f[6], c.rt))
                return std::nullopt;
            c.name = std::move(*last);
        } else {
            return std::nullopt;
        }
    }
    const std::vector<std::string_view> end = Fields(lines->back());
    std::size_t count = 0;
    if (!competition || end.size() != 2 || end[0] != "end" || !Parse(end[1], count) || count != lines->size() - 2)
        return std::nullopt;
    SortById(e.classes);
    SortById(e.orgs);
    SortById(e.competitors);
    if (!UniqueIds(e.classes) || !UniqueIds(e.orgs) || !UniqueIds(e.competitors)) return std::nullopt;
    return e;
}

} // namespace quilo::mop
