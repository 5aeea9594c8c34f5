#include "FuzzSupport.h"

#include "core/Cp932.h"
#include "readers/CourseFile.h"
#include "readers/StartList.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

namespace quilo::fuzz {

namespace fs = std::filesystem;

void Fail(const char* what) {
    std::fprintf(stderr, "quilo fuzz check failed: %s\n", what);
    std::abort();
}

Scratch::Scratch() {
    std::error_code ec;
    std::string base = "/dev/shm";
    if (!fs::is_directory(base, ec) || ::access(base.c_str(), W_OK) != 0) base = fs::temp_directory_path().string();
    std::string tmpl = base + "/quilo-fuzz-XXXXXX";
    if (!::mkdtemp(tmpl.data())) Fail("mkdtemp");
    path_ = tmpl;
    std::atexit([] {
        std::error_code e;
        fs::permissions(Get().path_, fs::perms::owner_all, fs::perm_options::add, e);
        fs::remove_all(Get().path_, e);
    });
}

Scratch& Scratch::Get() {
    static Scratch* scratch = new Scratch(); // lives to the end, for the exit handler
    return *scratch;
}

void Scratch::Reset() {
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    for (const auto& entry : fs::directory_iterator(path_, ec)) {
        fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(entry.path(), ec);
    }
}

void Scratch::Write(const std::string& name, std::string_view bytes) const {
    std::ofstream out(File(name), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void Scratch::MakeFolder(const std::string& name) const { ::mkdir(File(name).c_str(), 0755); }

void Scratch::Remove(const std::string& name) const { ::unlink(File(name).c_str()); }

std::vector<std::string_view> Split(std::string_view data, char sep, std::size_t maxParts) {
    std::vector<std::string_view> parts;
    while (parts.size() + 1 < maxParts) {
        auto p = data.find(sep);
        if (p == std::string_view::npos) break;
        parts.push_back(data.substr(0, p));
        data.remove_prefix(p + 1);
    }
    parts.push_back(data);
    return parts;
}

Clock FixedClock() {
    return [] { return Time::Hms(12, 0, 0); };
}

const char* const kTemplateCourse =
    "**:M21\r\n1:31\r\n2:32\r\n3:33\r\n99:100\r\n"
    "**:Ｗ２１\r\n1:31\r\n2:32\r\n2:42\r\n3:31\r\n99:100\r\n99:200\r\n"
    "**:Open\r\n99:100\r\n"
    "**:Big\r\n1:1023\r\n2:1024\r\n2:-7\r\n3:5000\r\n99:100000\r\n"
    "**:Long\r\n";

const char* const kTemplateStartList =
    "10001,M21,10:00:00,101,山田太郎,1,東京OLC\r\n"
    "10002,M21,10:02:00,102,鈴木花子,2,大阪OLC\r\n"
    "10003,Ｗ２１,10:04:00,201,佐藤,0,\"クラブ,A\"\r\n"
    "10004,Ｗ２１,0:00:00,202,ｶﾀｶﾅ,0,x\r\n"
    "10005,Open,10:10:00,301,Open runner,0,\r\n"
    "10006,Long,11:00:00,401,長い名前の競技者さんです,3,とても長いクラブ名のクラブですよ\r\n"
    "10007,Big,11:30:00,501,大きな番号,0,c\r\n"
    "90001,**,,,,,\r\n"
    "90002,**,,,,,\r\n"
    "01234,M21,10:20:00,103,ゼロ,0,z\r\n"
    "90003,**,,,,,\r\n"
    "10008,C11,11:40:00,1101,十一番目,0,c\r\n"
    "10009,C60,11:50:00,6001,六十番目,0,c\r\n";

namespace {

std::string LongCourse() {
    // All 31 positions with three alternatives each, and the finish.
    std::string s;
    for (int p = 1; p <= kPositions; ++p)
        for (int a = 0; a < kAlternatives; ++a) s += std::to_string(p) + ":" + std::to_string(40 + p + 100 * a) + "\r\n";
    return s + "99:100\r\n";
}

// Classes 6 to 60 after Long, past the old limit of ten: each a course of one control.
std::string MoreClasses() {
    std::string s;
    for (int c = 6; c <= 60; ++c) s += "**:C" + std::to_string(c) + "\r\n1:" + std::to_string(30 + c) + "\r\n99:100\r\n";
    return s;
}

std::unique_ptr<Event> BuildTemplate() {
    auto ev = std::make_unique<Event>();
    History history(FixedClock());
    // Built in a folder of its own: the scratch folder is emptied for every input.
    std::string tmpl = (fs::temp_directory_path() / "quilo-fuzz-template-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) Fail("mkdtemp");
    // The texts above are UTF-8; the readers take CP932.
    auto write = [&](const char* name, const std::string& utf8) {
        std::ofstream(tmpl + "/" + name, std::ios::binary) << Utf8ToCp932(utf8);
    };
    write("Control.dat", std::string(kTemplateCourse) + LongCourse() + MoreClasses());
    write("Startlst.dat", kTemplateStartList);
    if (!ReadCourseFile(*ev, tmpl + "/Control.dat")) Fail("template course file");
    const Result<StartListRead> read = ReadStartList(*ev, tmpl + "/Startlst.dat");
    if (!read || read->undefinedClass) Fail("template start list");
    std::error_code ec;
    fs::remove_all(tmpl, ec);
    return ev;
}

bool IsBlank(const EntryRecord& r) {
    return r.StartTime.IsZero() && r.BibNumber == 0 && r.EcardNumber == 0 && r.EcardText.empty() && r.Status.empty() &&
           r.CheckStatus.empty() && r.Name.empty() && r.Club.empty() && r.RunningTime.IsZero() && r.ExtraNumber == 0 &&
           r.Place == 0 && r.ManualStatus.empty() && r.ManualTime.IsZero() && r.CardTime.IsZero() && r.LateAddition.IsZero() &&
           !r.Reference;
}

} // namespace

void ResetEvent(Event& to, const Event& from) {
    // A fresh copy swapped in, so what the input grew is freed with the old tables.
    Event fresh(from);
    std::swap(to, fresh);
}

bool SameResults(const Event& a, const Event& b) {
    // The slots in use and the competitors of the card index; the walk over the rest is
    // CheckTables'.
    if (a.Entries.size() != b.Entries.size() || a.Rows() != b.Rows()) return false;
    for (std::size_t c = 0; c < a.Entries.size(); ++c) {
        if (a.Entries[c].size() != b.Entries[c].size()) return false;
        for (std::size_t s = 1; s < a.Entries[c].size(); ++s) {
            const EntryRecord &x = a.Entries[c][s], &y = b.Entries[c][s];
            if (x.Status != y.Status || x.CheckStatus != y.CheckStatus || x.RunningTime != y.RunningTime ||
                x.CardTime != y.CardTime || x.EcardNumber != y.EcardNumber || x.Place != y.Place)
                return false;
        }
    }
    return a.PunchTimes == b.PunchTimes;
}

const Event& TemplateEvent() {
    static const std::unique_ptr<Event> ev = BuildTemplate();
    return *ev;
}

void CheckTables(const Event& ev) {
    CheckCounts(ev);
    for (std::size_t c = 0; c < ev.Entries.size(); ++c)
        if (ev.Entries[c].size() != static_cast<std::size_t>(ev.ClassEntryCount[c]) + 1) Fail("slots beyond the class count");
}

void CheckCounts(const Event& ev) {
    const std::size_t classes = ev.ClassNames.size();
    if (classes < static_cast<std::size_t>(kMinClassEntries)) Fail("fewer class entries than ten");
    if (ev.CourseControls.size() != classes || ev.ControlCount.size() != classes || ev.ClassEntryCount.size() != classes ||
        ev.Entries.size() != classes || ev.FirstStart.size() != classes || ev.LastStart.size() != classes)
        Fail("class tables of different sizes");
    const auto rows = static_cast<std::size_t>(ev.Rows());
    if (ev.EntrySlot.size() != rows || ev.CardTexts.size() != rows || ev.PunchTimes.size() != rows ||
        ev.PunchCodes.size() != rows)
        Fail("competitor tables of different sizes");
    if (ev.LastClassIndex < -1 || ev.LastClassIndex >= ev.ClassEntries()) Fail("LastClassIndex out of range");
    if (ev.Cards.Count() > ev.Rows()) Fail("card index beyond the start-list rows");
    for (std::size_t c = 0; c < classes; ++c) {
        if (ev.ControlCount[c] < 0 || ev.ControlCount[c] > kPositions) Fail("ControlCount out of range");
        if (ev.ClassEntryCount[c] < 0 || ev.Entries[c].empty()) Fail("ClassEntryCount out of range");
        for (int a = 0; a < kAlternatives; ++a)
            if (ev.CourseControls[c][0][a] != 0) Fail("position 0 written");
        if (!IsBlank(ev.Entries[c][0])) Fail("slot 0 written");
        if (ev.ClassEntryCount[c] == 0 && (!ev.FirstStart[c].IsZero() || !ev.LastStart[c].IsZero()))
            Fail("start range of an empty class");
    }
    for (std::size_t n = 0; n < rows; ++n) {
        const int c = ev.EntryClass[n], s = ev.EntrySlot[n];
        if (c == -1) {
            if (s != -1) Fail("spare row with a slot");
        } else if (c < 0 || static_cast<std::size_t>(c) >= classes) {
            Fail("EntryClass out of range");
        } else if (s < 1 || s > ev.ClassEntryCount[static_cast<std::size_t>(c)]) {
            Fail("EntrySlot out of range");
        }
        if (!ev.PunchTimes[n][0].IsZero()) Fail("punch position 0 written");
    }
}

} // namespace quilo::fuzz
