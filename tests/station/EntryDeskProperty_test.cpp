// Random sequences of entry-desk work mixed with the rest of a day at the finish: new
// entries, fixes of every start-list field, spare cards answered inside reads and given
// again, corrections through the edit dialog, and cards read at random. After each step
// the station must hold what a fresh start on a copy of the folder holds (tables, lists
// and the four output files), and a refused step must leave every file as it was.
//
//   QUILO_ENTRY_PROPERTY_SEQUENCES=N   how many sequences (default 100)
//   QUILO_ENTRY_PROPERTY_STEPS=N       steps per sequence (default 25)
//   QUILO_ENTRY_PROPERTY_SEED=S        first seed (sequence i uses S + i)
//   QUILO_ENTRY_PROPERTY_LOG=1         print every sequence's steps
#include "Clock.h"
#include "CorrectionSteps.h"
#include "EventText.h"
#include "TableChecks.h"
#include "TestSupport.h"
#include "core/Cp932.h"
#include "station/EntryDesk.h"
#include "station/SpareLogic.h"
#include "station/Station.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <sstream>

namespace quilo {
namespace {

namespace fs = std::filesystem;
using test::Coin;
using test::EnvNumber;
using test::Pick;
using test::ReadBytes;
using test::TempDir;

const Time kNow = Time::Hms(11, 0, 0);
const LocalDate kDay{2026, 12, 8, 540};
const char* const kOutputs[] = {"E_Result.txt", "E_NoRet.txt", "E_Result.xml", "E_Result.html", "E_Start.xml"};
// Named in the settings: an event named after its folder would differ in the copy.
const char* const kIni = "EventName=Entry\r\nEventDate=2026-12-08\r\n";

int Uniform(std::mt19937& rng, int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }

// Every file of the folder by name.
std::map<std::string, std::string> FolderFiles(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::directory_iterator(folder)) files[e.path().filename().string()] = ReadBytes(e.path().string());
    return files;
}

std::string Changed(const std::map<std::string, std::string>& before, const std::map<std::string, std::string>& after) {
    std::string out;
    for (const auto& [name, bytes] : after)
        if (!before.count(name) || before.at(name) != bytes) out += " " + name;
    for (const auto& [name, bytes] : before)
        if (!after.count(name)) out += " -" + name;
    return out;
}

// The row the desk must write for a form, built here on its own: a field with a comma
// in quotes, the rest as typed.
std::string ExpectedRow(const EntryForm& form) {
    const EntryForm f = EntryDesk::Trimmed(form);
    std::string row;
    for (const std::string* field : {&f.card, &f.className, &f.start, &f.bib, &f.name, &f.number, &f.club}) {
        if (!row.empty()) row += ",";
        row += field->find(',') == std::string::npos ? *field : "\"" + *field + "\"";
    }
    return row;
}

// "" when competitor n holds the form's fields.
std::string HoldsForm(const Event& ev, int n, const EntryForm& form) {
    const EntryForm f = EntryDesk::Trimmed(form);
    const EntryRecord* e = ev.EntryOf(n);
    if (!e) return "competitor " + std::to_string(n) + " missing";
    const auto row = static_cast<std::size_t>(n);
    const auto start = ParseTime(f.start);
    if (ev.CardTexts[row] != f.card || ev.ClassNames[static_cast<std::size_t>(ev.EntryClass[row])] != f.className ||
        e->Name != f.name || e->Club != f.club || std::to_string(e->BibNumber) != std::to_string(std::stoi(f.bib)) || !start ||
        e->StartTime != *start || e->ExtraNumber != std::stoi(f.number))
        return "competitor " + std::to_string(n) + " does not hold the form's fields";
    return "";
}

// "" when every competitor's card leads back to them in the card index: a card given
// to another leaves nobody running on it.
std::string CardsLeadHome(const Event& ev) {
    for (int n = 0; n < ev.Rows(); ++n) {
        const EntryRecord* e = ev.EntryOf(n);
        if (!e) continue;
        if (ev.Cards.Find(e->EcardText) != std::optional<int>(n))
            return "competitor " + std::to_string(n) + " runs on " + e->EcardText + ", which leads elsewhere";
    }
    return "";
}

class EntrySequence {
public:
    EntrySequence(const TempDir& dir, std::mt19937& rng, std::map<std::string, int>& tally)
        : dir_(dir), rng_(rng), tally_(tally), st_(dir.Path(), test::FixedClock(kNow)) {
        st_.SetCalendar([] { return kDay; });
        st_.Startup();
    }

    std::string Log() const { return log_.str(); }

    // One random step; "" when the station still agrees with a fresh start.
    std::string Step() {
        const auto before = FolderFiles(dir_.Path());
        refused_ = false;
        switch (Uniform(rng_, 0, 9)) {
        case 0:
        case 1: NewEntry(); break;
        case 2:
        case 3: EditRow(); break;
        case 4: SpareRead(); break;
        case 5: GiveSpareAgain(); break;
        case 6:
        case 7: Correction(); break;
        default: CardRead(); break;
        }
        st_.RefreshStatus();
        if (refused_)
            if (const std::string changed = Changed(before, FolderFiles(dir_.Path())); !changed.empty())
                return "a refused step changed:" + changed;
        return AgreesWithFreshStart();
    }

private:
    // The competitors' bibs as the spare dialog takes them, and one nobody has.
    std::vector<std::string> Bibs() const {
        const Event& ev = st_.Tables();
        std::vector<std::string> bibs{"0999"};
        for (int n = 0; n < ev.Rows(); ++n)
            if (const EntryRecord* e = ev.EntryOf(n); e && e->BibNumber >= 0 && e->BibNumber < 10000) {
                std::string b = std::to_string(e->BibNumber);
                bibs.push_back(std::string(4 - b.size(), '0') + b);
            }
        return bibs;
    }

    std::vector<std::string> SpareCards() const {
        const Event& ev = st_.Tables();
        std::vector<std::string> cards;
        for (int n = 0; n < ev.Rows(); ++n)
            if (ev.EntryClass[static_cast<std::size_t>(n)] < 0) cards.push_back(ev.CardTexts[static_cast<std::size_t>(n)]);
        return cards;
    }

    // A card for a form: mostly one never used, else one a refusal or an old read awaits.
    std::string FormCard() {
        const Event& ev = st_.Tables();
        switch (Uniform(rng_, 0, 9)) {
        case 0: return ev.CardTexts[static_cast<std::size_t>(Uniform(rng_, 0, ev.Rows() - 1))]; // taken or spare
        case 1: return Pick(rng_, std::vector<std::string>{"1234", "123456", "abcde", "", " 3000x"});
        case 2:
            if (!freed_.empty()) return Pick(rng_, freed_); // read before under its old holder
            [[fallthrough]];
        default: return std::to_string(nextCard_++);
        }
    }

    void Mutate(EntryForm& f, int field) {
        static const std::vector<std::string> classes{"M21", "W21", "W21", " M21 ", "X99", ""};
        static const std::vector<std::string> starts{"10:30:00", "9:00:00", "11:45:00", "10:04", "bad", "　10:15:00"};
        static const std::vector<std::string> bibs{"101", "301", "302", "7", "abc", " 303 ", "0"};
        static const std::vector<std::string> names{"新人 一郎", "Smith, John",   "田中,花子", "引用\"符", "　山田　",
                                                    "",          "Ｏ’Ｂｒｉｅｎ", "改\t行"};
        static const std::vector<std::string> numbers{"0", "5", "12", "x", "-1"};
        static const std::vector<std::string> clubs{"東京OLC", "Club, A", "", "大阪,京都OLC", "名古屋 OLC", "①"};
        switch (field) {
        case 0: f.className = Pick(rng_, classes); break;
        case 1: f.card = FormCard(); break;
        case 2: f.start = Pick(rng_, starts); break;
        case 3: f.bib = Pick(rng_, bibs); break;
        case 4: f.name = Pick(rng_, names); break;
        case 5: f.number = Pick(rng_, numbers); break;
        default: f.club = Pick(rng_, clubs); break;
        }
    }

    static std::string FormText(const EntryForm& f) {
        return "[" + f.card + "|" + f.className + "|" + f.start + "|" + f.bib + "|" + f.name + "|" + f.number + "|" + f.club +
               "]";
    }

    // OK, and yes or no when asked; a written start list keeps its old bytes as .bak.
    void Submit(EntryDesk& desk, const EntryForm& form) {
        const std::string old = ReadBytes(st_.PathOf("Startlst.dat"));
        const std::string oldCard = desk.IsEdit() ? desk.Form().card : std::string();
        // Asked first: a new entry's desk then names the competitor it entered.
        const std::string what = desk.IsEdit() ? "fix " : "entry ";
        DialogOutcome r = Coin(rng_) ? desk.Ok(form, true) : desk.Ok(form);
        if (r.confirm) {
            const bool yes = Coin(rng_);
            log_ << " asked: " << (yes ? "yes" : "no");
            if (yes) r = desk.Ok(form, true);
            else refused_ = true;
        }
        if (r.refused) {
            log_ << " -> refused: " << r.message << "\n";
            refused_ = true;
            ++tally_[what + "refused"];
            return;
        }
        if (r.confirm) {
            ++tally_[what + "not confirmed"];
            return;
        }
        const std::string now = ReadBytes(st_.PathOf("Startlst.dat"));
        if (now == old) {
            log_ << " -> nothing to write\n";
            ++tally_[what + "unchanged"];
            return;
        }
        log_ << " -> written\n";
        ++tally_[what + "written"];
        if (ReadBytes(st_.PathOf("Startlst.dat.bak")) != old) ADD_FAILURE() << "Startlst.dat.bak is not the previous file";
        const std::string row = Utf8ToCp932(ExpectedRow(form));
        const int n = desk.Competitor();
        if (what == "entry ") {
            if (now != old + row + "\r\n") ADD_FAILURE() << "the new row is not the old file and the row appended";
            if (n != st_.Tables().Rows() - 1) ADD_FAILURE() << "the new entry is not the last row";
        } else {
            std::vector<std::string> was = test::SplitOn(old, "\r\n"), is = test::SplitOn(now, "\r\n");
            const auto line = static_cast<std::size_t>(st_.StartList().rowLines[static_cast<std::size_t>(n)]);
            if (was.size() != is.size() || line >= is.size() || is[line] != row) ADD_FAILURE() << "the row is not replaced";
            else if (is[line] = was[line]; is != was) ADD_FAILURE() << "a line other than the row's changed";
        }
        if (const std::string why = HoldsForm(st_.Tables(), n, form); !why.empty()) ADD_FAILURE() << why;
        if (desk.IsEdit() && !oldCard.empty() && EntryDesk::Trimmed(form).card != oldCard) freed_.push_back(oldCard);
    }

    void NewEntry() {
        EntryDesk desk(st_);
        EntryForm f = desk.Form();
        f.card = std::to_string(nextCard_++);
        f.start = "10:20:00";
        f.bib = std::to_string(300 + Uniform(rng_, 0, 20));
        f.name = "当日 " + std::to_string(nextCard_);
        for (int i = Uniform(rng_, 0, 4); i > 0; --i) Mutate(f, Uniform(rng_, 0, 6));
        log_ << "new " << FormText(f);
        Submit(desk, f);
    }

    void EditRow() {
        const int n = Uniform(rng_, 0, st_.Tables().Rows() - 1);
        EntryDesk desk(st_, n);
        log_ << "fix " << n;
        if (!desk.CanOpen()) {
            log_ << " -> cannot open: " << desk.Why() << "\n";
            const DialogOutcome r = desk.Ok(desk.Form(), true);
            if (!r.refused) ADD_FAILURE() << "a desk that cannot open wrote";
            refused_ = true;
            return;
        }
        EntryForm f = desk.Form();
        for (int i = Uniform(rng_, 1, 3); i > 0; --i) Mutate(f, Uniform(rng_, 0, 6));
        log_ << " " << FormText(desk.Form()) << " to " << FormText(f);
        Submit(desk, f);
    }

    // A spare card comes to the finish and its question is answered at random.
    void SpareRead() {
        const std::vector<std::string> spares = SpareCards();
        if (spares.empty()) return CardRead();
        AppendRead(Pick(rng_, spares));
        test::RandomSpareRead(st_, rng_, Bibs(), log_);
    }

    // The spare card a competitor runs on, given again from its row.
    void GiveSpareAgain() {
        std::vector<std::pair<int, int>> held; // competitor, spare row
        for (int n = 0; n < st_.Tables().Rows(); ++n)
            if (const auto row = SpareRowHeldBy(st_, n)) held.emplace_back(n, *row);
        if (held.empty()) return SpareRead();
        const auto [n, row] = Pick(rng_, held);
        SpareLogic l(st_, row);
        l.Load();
        const std::string bib = Pick(rng_, Bibs());
        l.SetBibText(bib);
        log_ << "give again " << l.SpareCardText() << " held by " << n << " to " << bib;
        DialogOutcome r = l.Ok();
        if (r.confirm) {
            const bool yes = Coin(rng_);
            log_ << (yes ? " asked: yes" : " asked: no");
            if (yes) r = l.Ok(true);
        }
        if (l.Answer() != SpareAnswer::Assigned) {
            log_ << " -> not given\n";
            ++tally_["spare given again: no"];
            refused_ = true;
            return;
        }
        log_ << " -> given\n";
        ++tally_["spare given again"];
        st_.Reload();
        const Event& ev = st_.Tables();
        const int to = l.ChosenCompetitor();
        if (to != n && ev.EntryOf(n)->EcardText != ev.CardTexts[static_cast<std::size_t>(n)])
            ADD_FAILURE() << "the former holder does not run on their own card again";
        if (ev.EntryOf(to)->EcardText != l.SpareCardText()) ADD_FAILURE() << "the new holder does not run on the spare card";
    }

    void Correction() {
        refused_ = test::RandomEdit(st_, rng_, log_).refused;
        ++tally_[refused_ ? "correction refused" : "correction applied"];
    }

    void AppendRead(const std::string& card) {
        static const std::vector<std::string> punches{"31,0:10:00,32,0:20:00,33,0:30:00,100,0:35:00",
                                                      "31,0:11:00,34,0:21:00,35,0:25:00,100,0:39:00",
                                                      "31,0:12:00,33,0:30:00,100,0:41:00", "31,0:09:00,32,0:19:00,33,0:29:00",
                                                      ""};
        const std::string line = "1,2,3,4,5,(" + card + ")," + Pick(rng_, punches);
        log_ << "log " << line << "\n";
        const std::string path = st_.PathOf("Regnly.log");
        test::WriteBytes(path, ReadBytes(path) + Utf8ToCp932(line) + "\r\n");
    }

    // A card read: a competitor's, a spare one, an old one or one nobody has.
    void CardRead() {
        const Event& ev = st_.Tables();
        std::string card;
        switch (Uniform(rng_, 0, 4)) {
        case 0: card = "55555"; break;
        case 1:
            if (!freed_.empty()) {
                card = Pick(rng_, freed_);
                break;
            }
            [[fallthrough]];
        default: card = ev.CardTexts[static_cast<std::size_t>(Uniform(rng_, 0, ev.Rows() - 1))]; break;
        }
        AppendRead(card);
        test::RandomSpareRead(st_, rng_, Bibs(), log_);
    }

    std::string AgreesWithFreshStart() {
        if (std::string broken = test::TablesIntact(st_.Tables()); !broken.empty()) return "tables broken: " + broken;
        if (st_.StartList().bytes != ReadBytes(st_.PathOf("Startlst.dat")))
            return "the start list kept is not the file's bytes";
        if (st_.StartListIncomplete()) return "the start list was not read whole";
        if (std::string why = CardsLeadHome(st_.Tables()); !why.empty()) return why;

        const std::string copy = freshDir_.File("event");
        fs::remove_all(copy);
        fs::copy(dir_.Path(), copy, fs::copy_options::recursive);
        for (const char* f : kOutputs) fs::remove(copy + "/" + f);
        Station fresh(copy, test::FixedClock(kNow));
        fresh.SetCalendar([] { return kDay; });
        fresh.Startup();
        if (fresh.StartListIncomplete()) return "a fresh start did not read the start list whole";

        std::string why;
        if (test::EventText(st_.Tables()) != test::EventText(fresh.Tables()))
            why += "tables differ\nstation:\n" + testing::PrintToString(test::StateLines(st_)) + "\nfresh:\n" +
                   testing::PrintToString(test::StateLines(fresh)) + "\n";
        const StatusLists &a = st_.Lists(), &b = fresh.Lists();
        const struct {
            const char* name;
            const std::vector<ListLine>&mine, &theirs;
        } lists[] = {{"class list", a.classStatus, b.classStatus},
                     {"competitor list", a.competitors, b.competitors},
                     {"absent list", a.kesseki, b.kesseki},
                     {"not-returned list", a.mikikan, b.mikikan}};
        for (const auto& l : lists) {
            if (l.mine == l.theirs) continue;
            why += std::string(l.name) + " differs:\n";
            for (std::size_t i = 0; i < std::max(l.mine.size(), l.theirs.size()); ++i) {
                const ListLine none{"(none)", 0, -1};
                const ListLine& x = i < l.mine.size() ? l.mine[i] : none;
                const ListLine& y = i < l.theirs.size() ? l.theirs[i] : none;
                if (!(x == y))
                    why += "  station: " + x.text + " #" + std::to_string(x.competitor) + "\n  fresh:   " + y.text + " #" +
                           std::to_string(y.competitor) + "\n";
            }
        }

        for (Station* s : {&st_, &fresh}) {
            const Station::ResultOutputs out = s->WriteResultOutputs();
            if (!out.results || !out.xml || !out.html || !out.startXml || !s->WriteNotReturned())
                why += "an output was not written\n";
        }
        for (const char* f : kOutputs)
            if (ReadBytes(st_.PathOf(f)) != ReadBytes(copy + "/" + f)) why += std::string(f) + " differs\n";
        return why;
    }

    const TempDir& dir_;
    std::mt19937& rng_;
    std::map<std::string, int>& tally_; // what the steps came to, over all sequences
    Station st_;
    TempDir freshDir_{test::MemoryBackedTemp()};
    std::ostringstream log_;
    bool refused_ = false;
    int nextCard_ = 30001;
    std::vector<std::string> freed_; // cards edited away from their rows
};

TEST(EntryPropertyTest, DeskStepsAgreeWithAFreshStart) {
    const long sequences = EnvNumber("QUILO_ENTRY_PROPERTY_SEQUENCES", 100);
    const long steps = EnvNumber("QUILO_ENTRY_PROPERTY_STEPS", 25);
    const long firstSeed = EnvNumber("QUILO_ENTRY_PROPERTY_SEED", 20261208);
    std::map<std::string, int> tally;
    for (long i = 0; i < sequences; ++i) {
        const auto seed = static_cast<std::uint32_t>(firstSeed + i);
        std::mt19937 rng(seed);
        TempDir dir(test::MemoryBackedTemp());
        test::WriteSmallEvent(dir, rng);
        test::WriteBytes(dir.File("Quilo.ini"), kIni);
        EntrySequence sequence(dir, rng, tally);
        for (long step = 0; step < steps; ++step) {
            const std::string failure = sequence.Step();
            if (!failure.empty() || testing::Test::HasFailure()) {
                ADD_FAILURE() << "seed " << seed << ", step " << step << " (QUILO_ENTRY_PROPERTY_SEED=" << seed
                              << " QUILO_ENTRY_PROPERTY_SEQUENCES=1)\n"
                              << sequence.Log() << "\n"
                              << failure;
                return;
            }
        }
        const std::string log = sequence.Log();
        if (EnvNumber("QUILO_ENTRY_PROPERTY_LOG", 0)) std::printf("seed %u\n%s\n", seed, log.c_str());
        for (auto at = log.find(" -> assigned"); at != std::string::npos; at = log.find(" -> assigned", at + 1))
            ++tally["spare assigned in a read"];
    }
    std::printf("seeds %ld..%ld:", firstSeed, firstSeed + sequences - 1);
    for (const auto& [what, count] : tally) std::printf(" %s %d;", what.c_str(), count);
    std::printf("\n");
}

} // namespace
} // namespace quilo
