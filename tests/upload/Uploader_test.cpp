// The uploader against the tests' receivers and a real nginx: each fault the network can
// throw, what the history says about it, the outbox, and that every target ends holding
// the station's results.
#include "Clock.h"
#include "MopReceiverModel.h"
#include "NginxDav.h"
#include "Receiver.h"
#include "TestSupport.h"
#include "app/Publishing.h"
#include "core/Files.h"
#include "results/IofXml.h"
#include "serve/ServeEvent.h"
#include "station/Station.h"
#include "upload/Mop.h"
#include "upload/Outbox.h"

#include <gtest/gtest.h>

#include <dirent.h>

#include <chrono>
#include <fstream>
#include <set>
#include <sstream>

namespace quilo {
namespace {

using namespace std::chrono_literals;
using test::Fault;
using test::Receiver;

constexpr const char* kPassword = "p@ss:パス";

UploaderOptions Quick(const std::string& outbox) {
    UploaderOptions o;
    o.outbox = outbox;
    o.timeouts = {1, 1};
    o.firstPause = 50ms;
    o.longestPause = 200ms;
    o.remindEvery = 500ms;
    o.settle = o.quiet = 0ms;
    return o;
}

std::string Base64(std::string_view in) {
    static const char* k = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < in.size(); i += 3) {
        unsigned v = static_cast<unsigned char>(in[i]) << 16;
        if (i + 1 < in.size()) v |= static_cast<unsigned char>(in[i + 1]) << 8;
        if (i + 2 < in.size()) v |= static_cast<unsigned char>(in[i + 2]);
        out += k[(v >> 18) & 63];
        out += k[(v >> 12) & 63];
        out += i + 1 < in.size() ? k[(v >> 6) & 63] : '=';
        out += i + 2 < in.size() ? k[v & 63] : '=';
    }
    return out;
}

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* d = opendir(folder.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') names.push_back(e->d_name);
        closedir(d);
    }
    return names;
}

// The notes taken so far, kept across calls.
struct Notes {
    std::vector<UploadNote> all;
    bool WaitFor(Uploader& up, const std::function<bool(const UploadNote&)>& match, int ms = 15000) {
        return Receiver::WaitFor(
            [&] {
                for (UploadNote& n : up.TakeNotes()) all.push_back(std::move(n));
                return std::any_of(all.begin(), all.end(), match);
            },
            ms);
    }
    int Count(const std::function<bool(const UploadNote&)>& match) const {
        return static_cast<int>(std::count_if(all.begin(), all.end(), match));
    }
};

struct FaultCase {
    const char* name;
    Receiver::Kind kind;
    Fault fault;
    const char* mopStatus;
    const char* reason;
};

const FaultCase kFaults[] = {
    {"MopRefused", Receiver::Kind::Mop, Fault::Refuse, "", "接続できません"},
    {"MopServerError", Receiver::Kind::Mop, Fault::Status500, "", "HTTP 500"},
    {"MopTimeout", Receiver::Kind::Mop, Fault::Timeout, "", "応答がありません"},
    {"MopReset", Receiver::Kind::Mop, Fault::ResetMidBody, "", "接続が切れました"},
    {"MopSlow", Receiver::Kind::Mop, Fault::Slow, "", "応答がありません"},
    {"MopBadPassword", Receiver::Kind::Mop, Fault::MopStatus, "BADPWD", "MOP BADPWD"},
    {"IofRefused", Receiver::Kind::Iof, Fault::Refuse, "", "接続できません"},
    {"IofServerError", Receiver::Kind::Iof, Fault::Status500, "", "HTTP 500"},
    {"IofTimeout", Receiver::Kind::Iof, Fault::Timeout, "", "応答がありません"},
    {"IofReset", Receiver::Kind::Iof, Fault::ResetMidBody, "", "接続が切れました"},
    {"IofSlow", Receiver::Kind::Iof, Fault::Slow, "", "応答がありません"},
};

class UploadFaultTest : public ::testing::TestWithParam<FaultCase> {};

// A fault after a first accepted send: the history's warning once, a reminder while
// behind, one waiting state however many changes came, then " (送信)" and the
// receiver holding the newest results.
TEST_P(UploadFaultTest, DelaysTheResultsAndLosesNothing) {
    const FaultCase& c = GetParam();
    const bool mop = c.kind == Receiver::Kind::Mop;
    test::ServeEvent ev;
    Receiver rx(c.kind);
    rx.Expect(
        mop ? std::map<std::string, std::string>{{"competition", "7"}, {"pwd", kPassword}}
            : std::map<std::string, std::string>{{"authorization", "Basic " + Base64(std::string("club:") + kPassword)}});
    test::TempDir dir;
    UploaderOptions o = Quick(dir.Path() + "/Outbox");
    UploadTarget t;
    t.kind = mop ? TargetKind::Mop : TargetKind::Iof;
    t.url = rx.Url();
    t.password = kPassword;
    (mop ? t.competition : t.user) = mop ? "7" : "club";
    o.targets = {t};
    const std::string name = t.Name();
    Uploader up(o);
    up.Publish(ev.Snapshot(1));
    ASSERT_TRUE(up.WaitSent(10s));

    rx.SetFault(c.fault, c.mopStatus, 3000);
    ev.e.Read(ev.out, "31,0:05:30,32,0:10:30,33,0:15:30,100,0:39:00");
    up.Publish(ev.Snapshot(2));
    Notes notes;
    const auto warned = [&](const UploadNote& n) { return n.warning && n.line == FailedLine(name, c.reason, 0min); };
    ASSERT_TRUE(notes.WaitFor(up, warned)) << (notes.all.empty() ? "no note" : notes.all.back().line);
    ev.e.Rec(ev.late).Status = "DNS";
    const auto newest = ev.Snapshot(3);
    up.Publish(newest);
    ASSERT_TRUE(notes.WaitFor(up, [&](const UploadNote& n) {
        return n.warning && n.line == FailedLine(name, c.reason, 1min);
    })) << "no reminder";
    EXPECT_EQ(notes.Count(warned), 1);
    const std::string box = dir.Path() + "/Outbox/" + t.Folder();
    for (const std::string& f : FilesIn(box)) {
        EXPECT_EQ(f.find(kTempSuffix), std::string::npos) << f;
        EXPECT_EQ(ReadFileBytes(box + "/" + f)->find(kPassword), std::string::npos) << f;
    }

    rx.SetFault(Fault::None);
    ASSERT_TRUE(up.WaitSent(20s));
    ASSERT_TRUE(notes.WaitFor(up, [&](const UploadNote& n) { return !n.warning && n.line == SentLine(name); }));
    for (const UploadNote& n : notes.all) EXPECT_EQ(n.line.find(kPassword), std::string::npos);
    const auto left = FilesIn(box);
    EXPECT_EQ(std::count(left.begin(), left.end(), "waiting"), 0);

    const auto requests = rx.Requests();
    for (const auto& r : requests) EXPECT_EQ(r.invalid, "") << r.body.substr(0, 200);
    const std::vector<std::string> bodies = rx.AcceptedBodies();
    if (mop) {
        test::MopReceiverModel model;
        for (const std::string& b : bodies) ASSERT_TRUE(model.Apply(b));
        mop::ClubIds clubs = mop::ClubIds::Load(*ReadFileBytes(box + "/clubs"));
        EXPECT_EQ(model.Picture(), mop::FromSnapshot(*newest, clubs));
        // What the receiver holds was unknown after the fault: a whole picture came first.
        ASSERT_GE(bodies.size(), 2u);
        EXPECT_NE(bodies[1].find("<MOPComplete"), std::string::npos);
    } else {
        std::string results;
        int starts = 0;
        for (const std::string& b : bodies) {
            if (b.find("<StartList") != std::string::npos) ++starts;
            else results = b;
        }
        EXPECT_EQ(starts, 1) << "the start list did not change";
        EXPECT_EQ(ContentHash(results), ContentHash(BuildIofResultList(*newest)));
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, UploadFaultTest, ::testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.name); });

// Quitting does not wait on a receiver that never answers; the next start sends what
// waited, as a whole picture.
TEST(UploaderRestart, QuitsAtOnceAndTheNextStartSendsWhatWaited) {
    test::ServeEvent ev;
    Receiver rx(Receiver::Kind::Mop);
    rx.SetFault(Fault::Timeout);
    test::TempDir dir;
    UploaderOptions o = Quick(dir.Path() + "/Outbox");
    o.timeouts = {10, 30};
    UploadTarget t;
    t.kind = TargetKind::Mop;
    t.url = rx.Url();
    o.targets = {t};
    const auto snap = ev.Snapshot(1);
    auto up = std::make_unique<Uploader>(o);
    up->Publish(snap);
    ASSERT_TRUE(Receiver::WaitFor([&] { return !rx.Requests().empty(); }, 5000));
    const auto quit = std::chrono::steady_clock::now();
    up.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - quit, 2s);
    rx.SetFault(Fault::None);
    Uploader again(o);
    ASSERT_TRUE(again.WaitSent(10s));
    ASSERT_FALSE(rx.AcceptedBodies().empty());
    EXPECT_NE(rx.AcceptedBodies().back().find("<MOPComplete"), std::string::npos);
    test::MopReceiverModel model;
    model.Apply(rx.AcceptedBodies().back());
    mop::ClubIds clubs;
    EXPECT_EQ(model.Picture(), mop::FromSnapshot(*snap, clubs));
}

// Two programs on one event folder (the window and quilo-report --publish): the second
// waits for the outbox rather than sending from a state the first one keeps.
TEST(UploaderRestart, OneProgramAtATimeSendsFromAnOutbox) {
    test::ServeEvent ev;
    Receiver rx(Receiver::Kind::Mop);
    test::TempDir dir;
    UploaderOptions o = Quick(dir.Path() + "/Outbox");
    UploadTarget t;
    t.kind = TargetKind::Mop;
    t.url = rx.Url();
    o.targets = {t};
    auto first = std::make_unique<Uploader>(o);
    first->Publish(ev.Snapshot(1));
    ASSERT_TRUE(first->WaitSent(10s));
    Uploader second(o);
    ev.e.Read(ev.out, "31,0:05:30,32,0:10:30,33,0:15:30,100,0:39:00");
    const auto newest = ev.Snapshot(2);
    second.Publish(newest);
    Notes notes;
    ASSERT_TRUE(notes.WaitFor(second, [&](const UploadNote& n) {
        return n.line == FailedLine(t.Name(), "ほかのプログラムがこの宛先に送信しています", 0min);
    }));
    EXPECT_EQ(rx.AcceptedBodies().size(), 1u);
    first.reset();
    ASSERT_TRUE(second.WaitSent(10s));
    test::MopReceiverModel model;
    for (const std::string& b : rx.AcceptedBodies()) model.Apply(b);
    mop::ClubIds clubs = mop::ClubIds::Load(*ReadFileBytes(dir.Path() + "/Outbox/mop/clubs"));
    EXPECT_EQ(model.Picture(), mop::FromSnapshot(*newest, clubs));
}

// The web host: a real nginx with WebDAV and Basic auth, set up from the settings file;
// with MOVE and without (whole files straight to their names then).
class UploaderWebHost : public ::testing::TestWithParam<bool> {};

TEST_P(UploaderWebHost, KeepsTheHostsFilesAsTheStationBuiltThemSendingOnlyWhatChanged) {
    test::NginxDav dav("club", kPassword, GetParam());
    QUILO_REQUIRE_NGINX(dav);
    test::TempDir dir;
    test::WriteEventFiles(dir, {.course = {"**:M21", "1:31", "2:32", "99:100", "**:W21", "1:41", "99:100"},
                                .startList = {"10001,M21,10:00:00,101,山田 太郎,1,東京OLC",
                                              "10002,M21,10:02:00,102,鈴木 一郎,2,大阪OLC",
                                              "20001,W21,10:01:00,201,伊藤 桜,3,横浜OC"},
                                .finishLog = {"1,2,3,4,5,(10001),31,0:11:00,32,0:21:00,100,0:30:00"}});
    std::string url = dav.Url();
    url.pop_back(); // a folder URL typed without its last slash
    {
        std::ofstream ini(dir.Path() + "/Quilo.ini", std::ios::binary);
        ini << "UploadUrl= " << url << " \r\nUploadUser=club\r\nUploadPassword=" << Utf8ToCp932(kPassword) << "\r\n";
    }
    Station station(dir.Path(), test::FixedClock(12, 0, 0));
    station.Startup();
    UploaderOptions o = PublishingOptions(station.Settings(), station.PathOf("Outbox"));
    o.firstPause = 50ms;
    o.settle = o.quiet = 0ms;
    ASSERT_EQ(o.targets.size(), 1u);

    const auto sameAsBuilt = [&](const ResultsSnapshot& snap) {
        for (const StaticFile& f : StaticSiteFiles(snap)) {
            const auto held = ReadFileBytes(dav.Root() + "/" + f.path);
            ASSERT_TRUE(held) << f.path;
            if (f.path == "start.xml") {
                EXPECT_EQ(ContentHash(*held), ContentHash(f.bytes)) << f.path;
            } else {
                EXPECT_EQ(*held, f.bytes) << f.path;
            }
        }
    };
    // The files a round of sends replaced (a MOVE's destination, or a PUT straight to the name).
    const auto sentSince = [&](std::size_t from) {
        std::set<std::string> sent;
        const auto lines = dav.Access();
        for (std::size_t i = from; i < lines.size(); ++i) {
            if (lines[i].method == "PUT" || lines[i].method == "MOVE") {
                EXPECT_LT(lines[i].status, 300) << lines[i].method << " " << lines[i].path;
            }
            if (lines[i].method == "MOVE") sent.insert(lines[i].destination);
            else if (lines[i].method == "PUT" && lines[i].path.find(".quilo-up") == std::string::npos)
                sent.insert(lines[i].path);
        }
        return sent;
    };

    auto up = std::make_unique<Uploader>(o);
    up->Publish(station.Snapshot());
    ASSERT_TRUE(up->WaitSent(20s)) << up->Status()[0].reason;
    sameAsBuilt(*station.Snapshot());
    const std::size_t first = dav.Access().size();

    {
        std::ofstream log(dir.Path() + "/Regnly.log", std::ios::binary | std::ios::app);
        log << "1,2,3,4,5,(20001),41,0:09:00,100,0:25:00\r\n";
    }
    station.ReadFinishLog();
    up->Publish(station.Snapshot());
    ASSERT_TRUE(up->WaitSent(20s));
    sameAsBuilt(*station.Snapshot());
    const std::set<std::string> sent = sentSince(first);
    std::string list;
    for (const std::string& f : sent) list += f + " ";
    EXPECT_TRUE(sent.count("/site/class/1.html") && sent.count("/site/index.html") && sent.count("/site/results.xml")) << list;
    for (const char* same : {"/site/class/0.html", "/site/api/v1/class/0.json", "/site/style.css", "/site/start.xml"})
        EXPECT_FALSE(sent.count(same)) << same << " was sent again";

    // A restart over the same outbox sends nothing the host already holds.
    up.reset();
    const std::size_t second = dav.Access().size();
    up = std::make_unique<Uploader>(o);
    up->Publish(station.Snapshot());
    ASSERT_TRUE(up->WaitSent(20s));
    EXPECT_EQ(sentSince(second), std::set<std::string>{});
    for (const std::string& f : FilesIn(station.PathOf("Outbox/web")))
        EXPECT_EQ(ReadFileBytes(station.PathOf("Outbox/web/" + f))->find(kPassword), std::string::npos);
    for (const std::string& f : FilesIn(dav.Root() + "/class")) EXPECT_EQ(f.find(".quilo-up"), std::string::npos) << f;
}

INSTANTIATE_TEST_SUITE_P(Moves, UploaderWebHost, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "WithMove" : "WithoutMove"; });

// quilo-report --publish: exit 0 when every target took the results, 3 naming each one
// that did not (the history says it too), 2 when no target is set.
TEST(ReportPublish, ExitsNamingEachTargetNotReached) {
    struct Case {
        const char* name;
        Fault fault;
        bool configured;
        int status;
        const char* message;
    };
    for (const Case& c :
         {Case{"reached", Fault::None, true, 0, ""}, Case{"refused", Fault::Refuse, true, 3, ": 接続できません\n"},
          Case{"no target", Fault::None, false, 2, "--publish: no target is set"}}) {
        SCOPED_TRACE(c.name);
        Receiver rx(Receiver::Kind::Mop);
        rx.SetFault(c.fault);
        test::TempDir dir;
        test::WriteEventFiles(dir, {.course = {"**:M21", "1:31", "99:100"},
                                    .startList = {"10001,M21,10:00:00,101,山田 太郎,1,東京OLC"},
                                    .finishLog = {"1,2,3,4,5,(10001),31,0:11:00,100,0:30:00"}});
        if (c.configured) {
            std::ofstream ini(dir.Path() + "/Quilo.ini", std::ios::binary);
            ini << "MopUrl=" << rx.Url() << "\r\nMopCompetition=3\r\nMopPassword=hush\r\n";
        }
        std::ostringstream out, err;
        const int status =
            RunReport({"--now", "12:00:00", "--publish", "--timeout", "2", dir.Path()}, out, err, PublishOnceNow);
        EXPECT_EQ(status, c.status) << err.str();
        if (*c.message) {
            EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
        }
        if (c.status == 3) {
            EXPECT_NE(err.str().find("could not send to " + rx.Url()), std::string::npos) << err.str();
            EXPECT_NE(out.str().find(FailedLine(rx.Url(), "接続できません", 0min)), std::string::npos) << out.str();
        }
        if (c.status == 0) {
            EXPECT_EQ(rx.AcceptedBodies().size(), 1u);
        }
        EXPECT_EQ(out.str().find("hush"), std::string::npos);
        EXPECT_EQ(err.str().find("hush"), std::string::npos);
    }
}

} // namespace
} // namespace quilo
