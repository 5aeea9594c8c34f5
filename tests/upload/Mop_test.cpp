#include "upload/Mop.h"

#include "Clock.h"
#include "MopReceiverModel.h"
#include "MopSchema.h"
#include "TestSupport.h"
#include "serve/ServeEvent.h"

#include <gtest/gtest.h>

#include <functional>

namespace quilo::test {
namespace {

using mop::Competitor;

class MopTest : public ::testing::Test {
public:
    ServeEvent ev;
    mop::ClubIds clubs;

    mop::Event Now(Time now = T(12, 0), const char* name = "テスト大会") {
        for (int c = 0; c <= ev.e.Tables().LastClassIndex; ++c) AssignClassPlaces(ev.e.Tables(), c);
        ExportInfo info = FixedInfo(now);
        info.eventName = name;
        return mop::FromSnapshot(TakeSnapshot(ev.e.Tables(), info), clubs);
    }

    static std::string Root(const std::string& doc) {
        pugi::xml_document d;
        return d.load_string(doc.c_str()) ? d.document_element().name() : "";
    }
};

TEST_F(MopTest, EveryCompetitorHasItsStatusTimesClassAndClub) {
    const mop::Event e = Now();
    // Clubs are numbered in the snapshot's order: results first, then those still out.
    const struct {
        int ServeEvent::*who;
        Competitor want;
    } cases[] = {
        {&ServeEvent::yamada, {0, "山田　太郎", 1, 1, 1, 360000, 24000}},
        {&ServeEvent::suzuki, {0, "鈴木　一郎", 1, 2, 1, 361200, 24900}},
        {&ServeEvent::sato, {0, "佐藤　花子", 1, 3, 20, 362400, 0}}, // absent
        {&ServeEvent::out, {0, "高橋　次郎", 1, 0, 0, 414000, 0}},   // started, not back, no club
        {&ServeEvent::late, {0, "田中　三郎", 1, 4, 0, 450000, 0}},  // not started yet
        {&ServeEvent::ref, {0, "渡辺　楓", 2, 5, 99, 367200, 0}},    // reference: no time sent
        {&ServeEvent::mp, {0, "伊藤　桜", 2, 5, 3, 366000, 0}},      // missing punch
        {&ServeEvent::kid, {0, "小林　陸", 3, 0, 0, 396000, 0}},
    };
    ASSERT_EQ(e.competitors.size(), std::size(cases));
    for (const auto& c : cases) {
        Competitor want = c.want;
        want.id = ev.*c.who + 1;
        const auto it = std::find_if(e.competitors.begin(), e.competitors.end(), [&](auto& x) { return x.id == want.id; });
        ASSERT_NE(it, e.competitors.end()) << want.name;
        EXPECT_EQ(*it, want) << want.name << " stat " << it->stat << " rt " << it->rt << " org " << it->org;
    }
    EXPECT_EQ(e.classes, (std::vector<mop::Class>{{1, 1, "M21"}, {2, 2, "W21"}, {3, 3, "Ｍ１２"}}));
    EXPECT_EQ(e.orgs,
              (std::vector<mop::Org>{{1, "東京OLC"}, {2, "大阪OLC"}, {3, "京都OLK"}, {4, "名古屋OLC"}, {5, "横浜OC"}}));
    EXPECT_EQ(e.name, "テスト大会");
    EXPECT_EQ(e.date, "2024-05-12");
}

TEST_F(MopTest, ARowWithoutANumberIsNotSent) {
    ResultsSnapshot snap = TakeSnapshot(ev.e.Tables(), FixedInfo());
    snap.classes[2].competitors[0].number = -1;
    const mop::Event e = mop::FromSnapshot(snap, clubs);
    EXPECT_EQ(e.competitors.size(), 7u);
    EXPECT_TRUE(std::none_of(e.competitors.begin(), e.competitors.end(), [](const Competitor& c) { return c.cls == 3; }));
}

TEST_F(MopTest, StatusCodesFollowTheIofReading) {
    const struct {
        const char* status;
        const char* manual;
        int minutes;
        bool reference;
        Time start;
        int want;
    } cases[] = {
        {"", "", 0, false, T(11, 0), mop::kNotBack},
        {"", "", 0, false, T(13, 0), mop::kNotBack},
        {"", "", 50, false, T(10, 0), mop::kOk},
        {"OK", "", 50, false, T(10, 0), mop::kOk},
        {"", "", 151, false, T(9, 0), mop::kOverTime},
        {"", "", 50, true, T(10, 0), mop::kNotCompeting},
        {"P2", "", 0, false, T(10, 0), mop::kMissingPunch},
        {"DNF", "", 0, false, T(10, 0), mop::kMissingPunch},
        {"DNF", "DNF", 0, false, T(10, 0), mop::kDidNotFinish},
        {"DNQ", "", 0, false, T(10, 0), mop::kDidNotFinish},
        {"DSQ", "DSQ", 0, false, T(10, 0), mop::kDisqualified},
        {"DNS", "", 0, false, T(10, 0), mop::kDidNotStart},
    };
    for (const auto& c : cases) {
        EntryRecord r;
        r.Status = c.status;
        r.ManualStatus = c.manual;
        r.RunningTime = Time::Minutes(c.minutes);
        r.Reference = c.reference;
        r.StartTime = c.start;
        EXPECT_EQ(mop::StatusCode(r, Time::Minutes(150), T(12, 0)), c.want) << c.status << " " << c.minutes;
    }
}

// A receiver given the first state whole and then each diff sees what one given the
// newest state whole sees; a step that deletes is sent whole.
TEST_F(MopTest, DiffsBringTheReceiverToTheNewestState) {
    const struct {
        const char* what;
        std::function<mop::Event(MopTest&)> step;
        const char* root; // "" for nothing to send
    } steps[] = {
        {"nothing changed", [](MopTest& t) { return t.Now(); }, ""},
        {"the clock moved past a start", [](MopTest& t) { return t.Now(T(12, 40)); }, ""},
        {"a card read",
         [](MopTest& t) {
             t.ev.e.Read(t.ev.out, "31,0:05:00,32,0:10:00,33,0:15:00,100,0:45:00");
             return t.Now(T(12, 40));
         },
         "MOPDiff"},
        {"an entry with a new club",
         [](MopTest& t) {
             t.ev.e.Runner(2, T(12, 50), 302, "木村　翼", "札幌OLC");
             return t.Now(T(12, 40));
         },
         "MOPDiff"},
        {"a disqualification",
         [](MopTest& t) {
             t.ev.e.Rec(t.ev.suzuki).Status = "DSQ";
             t.ev.e.Rec(t.ev.suzuki).ManualStatus = "DSQ";
             return t.Now(T(12, 40));
         },
         "MOPDiff"},
        {"the event renamed", [](MopTest& t) { return t.Now(T(12, 40), "秋季大会"); }, "MOPDiff"},
        {"a club no one runs for any more",
         [](MopTest& t) {
             t.ev.e.Rec(t.ev.yamada).Club = "大阪OLC";
             return t.Now(T(12, 40), "秋季大会");
         },
         "MOPComplete"},
        {"an entry removed",
         [](MopTest& t) {
             mop::Event e = t.Now(T(12, 40), "秋季大会");
             std::erase_if(e.competitors, [&](const Competitor& c) { return c.id == t.ev.kid + 1; });
             return e;
         },
         "MOPComplete"},
    };
    mop::Event accepted = Now();
    const std::string first = mop::Complete(accepted);
    EXPECT_EQ(MopSchemaErrors(first), "") << first;
    MopReceiverModel receiver;
    ASSERT_TRUE(receiver.Apply(first));
    EXPECT_EQ(receiver.Picture(), accepted);
    for (const auto& s : steps) {
        const mop::Event now = s.step(*this);
        const std::string doc = mop::Diff(accepted, now);
        EXPECT_EQ(Root(doc), s.root) << s.what << "\n" << doc;
        if (!doc.empty()) {
            EXPECT_EQ(MopSchemaErrors(doc), "") << s.what << "\n" << doc;
            ASSERT_TRUE(receiver.Apply(doc)) << s.what;
        }
        MopReceiverModel whole;
        ASSERT_TRUE(whole.Apply(mop::Complete(now)));
        EXPECT_EQ(receiver.Picture(), whole.Picture()) << s.what;
        EXPECT_EQ(receiver.Picture(), now) << s.what;
        accepted = now;
    }
}

TEST_F(MopTest, ADiffHoldsOnlyWhatChanged) {
    const mop::Event before = Now();
    ev.e.Read(ev.out, "31,0:05:00,32,0:10:00,33,0:15:00,100,0:45:00");
    const std::string doc = mop::Diff(before, Now());
    pugi::xml_document d;
    ASSERT_TRUE(d.load_string(doc.c_str()));
    const pugi::xml_node root = d.child("MOPDiff");
    EXPECT_FALSE(root.child("competition"));
    EXPECT_FALSE(root.child("cls"));
    EXPECT_FALSE(root.child("org"));
    ASSERT_EQ(std::distance(root.children("cmp").begin(), root.children("cmp").end()), 1);
    EXPECT_EQ(root.child("cmp").attribute("id").as_int(), ev.out + 1);
    EXPECT_EQ(root.child("cmp").child("base").attribute("rt").as_int(), 27000);
    EXPECT_TRUE(doc.starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\"?>")) << doc;
    // The schema check is not one that passes everything.
    EXPECT_NE(MopSchemaErrors("<MOPDiff xmlns=\"http://www.melin.nu/mop\"><cls>M21</cls></MOPDiff>"), "");
}

TEST_F(MopTest, ClubNumbersSurviveASave) {
    Now();
    const std::string saved = clubs.Save();
    mop::ClubIds loaded = mop::ClubIds::Load(saved);
    EXPECT_EQ(loaded.Save(), saved);
    EXPECT_EQ(loaded.IdOf("横浜OC"), 5);
    EXPECT_EQ(loaded.IdOf("東京OLC"), 1);
    EXPECT_EQ(loaded.IdOf(""), 0);
    EXPECT_EQ(loaded.IdOf("a\tb\\c"), 6);
    EXPECT_EQ(mop::ClubIds::Load(loaded.Save()).IdOf("a\tb\\c"), 6);
    // Cut inside the third line: the two whole ones stay.
    EXPECT_EQ(mop::ClubIds::Load(saved.substr(0, saved.find("京都") + 2)).Count(), 2);
}

TEST_F(MopTest, TheStateFileReadsBackAndACutOneNotAtAll) {
    ev.e.Runner(2, T(12, 50), 302, "odd\\name\twith\ttabs", "");
    mop::Event e = Now();
    e.orgs.push_back({9, "line\nbreak\r"});
    const std::string saved = mop::Save(e);
    EXPECT_EQ(mop::Load(saved), e);
    for (std::size_t n = 0; n < saved.size(); ++n) EXPECT_EQ(mop::Load(saved.substr(0, n)), std::nullopt) << n;
    EXPECT_EQ(mop::Load(saved + "cmp\t1\n"), std::nullopt);
    EXPECT_EQ(mop::Load("garbage"), std::nullopt);
}

// A state file whose fields were mangled is refused as a whole, never half read: the
// next message is then a MOPComplete.
TEST_F(MopTest, AMangledStateFileIsRefused) {
    const std::string saved = mop::Save(Now());
    std::vector<std::string> lines = SplitOn(saved, "\n");
    lines.pop_back(); // after the last line end
    const auto joined = [](const std::vector<std::string>& ls) {
        std::string out;
        for (const std::string& l : ls) out += l + '\n';
        return out;
    };
    const auto kindAt = [&](const char* kind) {
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (lines[i].starts_with(std::string(kind) + '\t')) return i;
        return lines.size();
    };
    std::vector<std::pair<std::string, std::string>> bad;
    // Every number of every kind of line, in turn, not a number.
    for (const char* kind : {"cls", "org", "cmp"}) {
        const std::size_t i = kindAt(kind);
        ASSERT_LT(i, lines.size()) << kind;
        const std::vector<std::string> f = SplitOn(lines[i], "\t");
        for (std::size_t k = 1; k + 1 < f.size(); ++k) {
            std::vector<std::string> ls = lines;
            std::vector<std::string> g = f;
            g[k] = k % 2 ? "x" : "";
            ls[i].clear();
            for (std::size_t j = 0; j < g.size(); ++j) ls[i] += (j ? "\t" : "") + g[j];
            bad.emplace_back(std::string(kind) + " field " + std::to_string(k), joined(ls));
        }
        // The same id twice, the count mended to match.
        std::vector<std::string> ls = lines;
        ls.insert(ls.begin() + static_cast<std::ptrdiff_t>(i), lines[i]);
        ls.back() = "end\t" + std::to_string(ls.size() - 2);
        bad.emplace_back(std::string(kind) + " twice", joined(ls));
        // A field too many.
        ls = lines;
        ls[i] += "\tmore";
        bad.emplace_back(std::string(kind) + " too long", joined(ls));
    }
    const std::size_t c = kindAt("competition");
    for (const auto& [what, line] :
         std::vector<std::pair<const char*, std::string>>{{"name ends in a backslash", "competition\tname\\\t2026-12-06"},
                                                          {"unknown escape", "competition\tna\\qme\t2026-12-06"},
                                                          {"date ends in a backslash", "competition\tname\t2026\\"},
                                                          {"unknown kind", "rogue\t1\tx"}}) {
        std::vector<std::string> ls = lines;
        ls[c] = line;
        bad.emplace_back(what, joined(ls));
    }
    std::vector<std::string> ls = lines;
    ls.insert(ls.begin() + 2, lines[c]);
    ls.back() = "end\t" + std::to_string(ls.size() - 2);
    bad.emplace_back("two competition lines", joined(ls));
    for (const char* end : {"end\t999", "end", "fin\t1", "end\tx"}) {
        ls = lines;
        ls.back() = end;
        bad.emplace_back(end, joined(ls));
    }
    for (const auto& [what, text] : bad) EXPECT_EQ(mop::Load(text), std::nullopt) << what;
    EXPECT_NE(mop::Load(joined(lines)), std::nullopt); // the edits above, not the joining, spoil it
}

TEST_F(MopTest, TheReplyIsReadOnlyFromAStatusDocument) {
    const struct {
        const char* body;
        std::optional<std::string> want;
    } cases[] = {
        {R"(<?xml version="1.0"?><MOPStatus status="OK"></MOPStatus>)", "OK"},
        {R"(<?xml version="1.0"?><MOPStatus status="BADPWD"></MOPStatus>)", "BADPWD"},
        {"<MOPStatus status=\"BADCMP\"/>\r\n", "BADCMP"},
        {"<m:MOPStatus xmlns:m=\"http://www.melin.nu/mop\" status=\"OK\"/>", "OK"},
        {"<MOPStatus status=\"\"/>", std::nullopt},
        {"<MOPStatus></MOPStatus>", std::nullopt},
        {"<html><body>OK</body></html>", std::nullopt},
        {"<MOPStatus status=\"OK\"", std::nullopt},
        {"OK", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(mop::ReplyStatus(c.body), c.want) << c.body;
}

} // namespace
} // namespace quilo::test
