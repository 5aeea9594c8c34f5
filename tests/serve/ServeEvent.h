#pragma once
// The results server's test event: three classes with every standing a competitor can
// have (finished with splits, coded, absent, out, still to start, reference), as a
// snapshot the server's site is built from.
#include "ExportEvent.h"
#include "results/Evaluation.h"
#include "results/ResultsSnapshot.h"

#include <memory>

namespace quilo::test {

struct ServeEvent {
    ExportEvent e{"M21", "W21", "Ｍ１２"};
    int yamada = 0, suzuki = 0, sato = 0, out = 0, late = 0, mp = 0, ref = 0, kid = 0;

    ServeEvent() {
        e.Course(0, {{31}, {32, 132}, {33}});
        e.Course(1, {{41}, {42}});
        e.Course(2, {{51}});
        yamada = e.Runner(0, T(10, 0), 101, "山田　太郎", "東京OLC");
        suzuki = e.Runner(0, T(10, 2), 102, "鈴木　一郎", "大阪OLC");
        sato = e.Runner(0, T(10, 4), 103, "佐藤　花子", "京都OLK");
        out = e.Runner(0, T(11, 30), 104, "高橋　次郎", "");
        late = e.Runner(0, T(12, 30), 105, "田中　三郎", "名古屋OLC");
        e.Read(yamada, "31,0:05:00,32,0:10:00,33,0:15:00,100,0:40:00");
        e.Read(suzuki, "31,0:05:10,132,0:11:00,33,0:16:30,100,0:41:30");
        e.Rec(sato).Status = "DNS";
        mp = e.Runner(1, T(10, 10), 201, "伊藤　桜", "横浜OC");
        ref = e.Runner(1, T(10, 12), 202, "渡辺　楓", "横浜OC");
        e.Read(mp, "41,0:06:00,100,0:30:00");
        e.Rec(ref).Reference = true;
        e.Rec(ref).RunningTime = T(0, 35);
        kid = e.Runner(2, T(11, 0), 301, "小林　陸", "");
    }

    std::shared_ptr<const ResultsSnapshot> Snapshot(std::uint64_t serial, Time now = T(12, 0)) {
        for (int c = 0; c <= e.Tables().LastClassIndex; ++c) AssignClassPlaces(e.Tables(), c);
        auto snap = std::make_shared<ResultsSnapshot>(TakeSnapshot(e.Tables(), FixedInfo(now)));
        snap->serial = serial;
        snap->exportSerial = serial;
        return snap;
    }
};

} // namespace quilo::test
