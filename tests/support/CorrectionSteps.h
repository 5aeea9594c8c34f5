#pragma once
// The steps the station property tests take at random: the small event of every state,
// the edit dialog and the spare-card question driven with random input, and the fields
// the lists and files use, one line per competitor, to compare two stations by.
#include "RandomEvent.h"
#include "TestSupport.h"
#include "station/EditLogic.h"
#include "station/SpareLogic.h"
#include "station/Station.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace quilo::test {

// Competitors in every state: valid, coded (P1, DNF, DNQ), read twice, still out, still
// to start, with an absence, a reference and a late start already recorded, and two
// spare cards read but not yet assigned. Each card is drawn as written ("10001") or with
// a leading zero ("01001"), the same in every file.
inline void WriteSmallEvent(const TempDir& dir, std::mt19937& rng) {
    std::vector<std::pair<std::string, std::string>> spelling;
    for (const char* card : {"10001", "10002", "10003", "10004", "10005", "10006", "10007", "20001", "20002", "20003", "20004",
                             "90001", "90002"}) {
        const std::string c = card;
        if (std::uniform_int_distribution<int>(0, 1)(rng)) spelling.emplace_back(c, "0" + c.substr(0, 1) + c.substr(2));
    }
    auto spell = [&](test::Strings lines) {
        for (std::string& line : lines)
            for (const auto& [from, to] : spelling)
                for (auto at = line.find(from); at != std::string::npos; at = line.find(from, at + 1))
                    line.replace(at, from.size(), to);
        return lines;
    };
    test::EventFiles files{
        .course = {"**:M21", "1:31", "2:32", "3:33", "99:100", "**:W21", "1:31", "2:34:35", "99:100"},
        .startList = {"10001,M21,10:00:00,101,山田 太郎,1,東京OLC", "10002,M21,10:02:00,102,鈴木 一郎,2,大阪OLC",
                      "10003,M21,10:04:00,103,高橋 三郎,3,京都OLC", "10004,M21,10:06:00,104,田中 四郎,4,東京OLC",
                      "10005,M21,10:08:00,105,伊藤 五郎,5,大阪OLC", "10006,M21,10:10:00,106,渡辺 六郎,6,京都OLC",
                      "10007,M21,11:30:00,107,中村 七郎,7,東京OLC", "20001,W21,10:01:00,201,佐藤 花子,1,東京OLC",
                      "20002,W21,10:03:00,202,小林 桜,2,大阪OLC", "20003,W21,10:05:00,203,加藤 梅,3,京都OLC",
                      "20004,W21,11:40:00,204,吉田 菊,4,東京OLC", "90001,**", "90002,**"},
        .changes = {"欠席/10006", "参考/20002", "遅刻/20003,4"},
        .finishLog = {"1,2,3,4,5,(10001),31,0:10:00,32,0:20:00,33,0:30:00,100,0:35:00",
                      "1,2,3,4,5,(10002),31,0:11:00,33,0:31:00,100,0:36:00",
                      "1,2,3,4,5,(10003),31,0:12:00,32,0:22:00,100,0:37:00",
                      "1,2,3,4,5,(10004),31,0:13:00,32,0:23:00,33,0:33:00",
                      "1,2,3,4,5,(10005),31,0:14:00,32,0:24:00,33,0:34:00,100,0:44:00",
                      "1,2,3,4,5,(20001),31,0:15:00,35,0:25:00,100,0:45:00",
                      "1,2,3,4,5,(90001),31,0:16:00,32,0:26:00,33,0:36:00,100,0:46:00",
                      "1,2,3,4,5,(10005),31,0:14:00,32,0:24:00,33,0:34:00,100,0:42:00",
                      "1,2,3,4,5,(20002),31,0:17:00,34,0:27:00,100,0:47:00",
                      "1,2,3,4,5,(90002),31,0:18:00,34,0:28:00,100,0:48:00"}};
    files.startList = spell(files.startList);
    files.changes = spell(files.changes);
    files.finishLog = spell(files.finishLog);
    test::WriteEventFiles(dir, files);
}

// Every field the lists and files use, one line per competitor; a confirmed result
// counts the same as a provisional one.
inline std::vector<std::string> StateLines(const Station& st) {
    const Event& ev = st.Tables();
    std::vector<std::string> out;
    for (int n = 0; n < ev.Cards.Count(); ++n) {
        const EntryRecord* e = ev.EntryOf(n);
        if (!e) continue;
        std::ostringstream s;
        s << e->BibNumber << " card=" << e->EcardNumber << "/" << e->EcardText
          << " status=" << (e->Status == "OK" ? "" : e->Status) << " time=" << e->RunningTime.Seconds()
          << " place=" << e->Place << " ref=" << e->Reference << " manual=" << e->ManualStatus << "/"
          << e->ManualTime.Seconds() << " late=" << e->LateAddition.Seconds() << " check=" << e->CheckStatus << "/"
          << e->CardTime.Seconds() << " read=" << e->CardRead << " punches=";
        for (int p = 1; p <= kPositions; ++p) s << ev.PunchTimes[n][p].Seconds() << ",";
        out.push_back(s.str());
    }
    return out;
}

template <class T>
const T& Pick(std::mt19937& rng, const std::vector<T>& v) {
    return v[std::uniform_int_distribution<std::size_t>(0, v.size() - 1)(rng)];
}

inline bool Coin(std::mt19937& rng) { return std::uniform_int_distribution<int>(0, 1)(rng) == 1; }

// One edit dialog session on a random competitor: random ticks, options and texts, then
// the apply (a refused apply changes nothing and the dialog is left), whose outcome is
// returned.
inline DialogOutcome RandomEdit(Station& st, std::mt19937& rng, std::ostream& log) {
    const Event& ev = st.Tables();
    std::vector<int> competitors;
    for (int n = 0; n < ev.Cards.Count(); ++n)
        if (ev.EntryOf(n)) competitors.push_back(n);
    const int n = Pick(rng, competitors);
    const std::string card = ev.EntryOf(n)->EcardText;
    EditLogic l(st, n);
    if (!l.Load()) {
        ADD_FAILURE() << "competitor " << n << " (" << card << ") not found";
        return {};
    }
    static const std::vector<std::string> minutes{"5", "0", "-3", "１０", "abc", "2.5", "40000", "－２", "7,2"};
    static const std::vector<std::string> times{"1:05:00", "0:00:00", "bad", "１：００：００", "0:45", "23:59:59", ""};
    static const std::vector<std::string> codes{"DSQ", "p3", "dq/x", "ok", "DNF", "ｐ２", "", " dq ", "P1", "MP"};
    log << "edit " << card << ":";
    const int actions = std::uniform_int_distribution<int>(1, 5)(rng);
    for (int i = 0; i < actions; ++i) {
        switch (std::uniform_int_distribution<int>(0, 7)(rng)) {
        case 0: {
            bool b = Coin(rng);
            l.SetAbsent(b);
            log << " absent=" << b;
            break;
        }
        case 1: {
            bool b = Coin(rng);
            l.SetReference(b);
            log << " reference=" << b;
            break;
        }
        case 2: {
            const std::string& m = Pick(rng, minutes);
            l.SetLate(true);
            l.SetLateMinutes(m);
            log << " late='" << m << "'";
            break;
        }
        case 3: {
            bool b = Coin(rng);
            l.SetLate(b);
            log << " late=" << b;
            break;
        }
        case 4: {
            const std::string& t = Pick(rng, times);
            l.SetByHand(true);
            l.SelectValid();
            l.SetHandTime(t);
            log << " time='" << t << "'";
            break;
        }
        case 5: {
            const std::string& c = Pick(rng, codes);
            l.SetByHand(true);
            l.SelectDisqualified();
            l.SetCode(c);
            log << " code='" << c << "'";
            break;
        }
        case 6: {
            bool b = Coin(rng);
            l.SetByHand(b);
            log << " byHand=" << b;
            break;
        }
        default: {
            bool b = Coin(rng);
            l.SetAbsent(false);
            l.SetLate(false);
            l.SetByHand(b);
            log << " clear";
            break;
        }
        }
    }
    const DialogOutcome r = l.Apply();
    log << (r.refused ? " -> refused: " + r.message : " -> applied") << "\n";
    return r;
}

inline const std::vector<std::string> kSmallEventBibs{"0101", "0102", "0103", "0105", "0107", "0201", "0204", "0999", "101"};

// A pressed read in which the spare-card question is answered with a random bib.
inline void RandomSpareRead(Station& st, std::mt19937& rng, const std::vector<std::string>& bibs, std::ostream& log) {
    st.SetSparePrompt([&](int spareRow) {
        SpareLogic l(st, spareRow);
        l.Load();
        const std::string& bib = Pick(rng, bibs);
        l.SetBibText(bib);
        const bool reference = Coin(rng) && Coin(rng);
        if (reference) l.SetReference(!l.Reference());
        const bool cancel = Coin(rng) && Coin(rng);
        log << "spare " << l.SpareCardText() << " bib=" << bib << (reference ? " toggle-ref" : "");
        if (cancel) {
            log << " -> cancel\n";
            return SpareAnswer::Cancelled;
        }
        DialogOutcome r = l.Ok();
        if (r.confirm) {
            const bool yes = Coin(rng);
            log << (yes ? " asked: yes" : " asked: no");
            if (!yes) {
                log << " -> cancel\n";
                return SpareAnswer::Cancelled;
            }
            r = l.Ok(true);
        }
        log << (r.refused ? " -> refused\n" : " -> assigned\n");
        return l.Answer();
    });
    log << "read\n";
    st.ReadFinishLog();
    st.SetSparePrompt(nullptr);
}

inline long EnvNumber(const char* name, long fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::strtol(v, nullptr, 10) : fallback;
}

} // namespace quilo::test
