#pragma once
// A random event of a given shape (classes, start-list rows, size of the largest class),
// as the property tests use to go past the old limits: competitors in every state
// (valid, P1, DNF, DNQ, read twice, still out, still to start, absent, reference, late
// start) and spare cards, some read and not yet assigned.
#include "TestSupport.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace quilo::test {

struct EventShape {
    const char* name;
    int classes;
    int rows;     // start-list rows in all, spare cards among them
    int bigClass; // competitors of class 0; the rest spread over the others
};

struct RandomEvent {
    EventFiles files;
    // Every competitor's bib as the spare dialog takes it ("0101"), and one nobody has.
    std::vector<std::string> bibs;
};

inline std::string Hms(int s) {
    char t[16];
    std::snprintf(t, sizeof t, "%d:%02d:%02d", s / 3600, s / 60 % 60, s % 60);
    return t;
}

// Starts lie between 9:00 and 11:30, the test's clock at 11:00, so a few are still to
// start; five-digit cards 10001.. and spare cards 90001.. (six at most).
inline RandomEvent MakeRandomEvent(const EventShape& shape, std::mt19937& rng) {
    auto uniform = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    RandomEvent out;
    const int spares = std::min(shape.rows - shape.bigClass, uniform(2, 6));
    const int competitors = shape.rows - spares;

    std::vector<std::vector<std::vector<int>>> courses(static_cast<std::size_t>(shape.classes));
    for (int c = 0; c < shape.classes; ++c) {
        out.files.course.push_back("**:C" + std::to_string(c + 1));
        const int length = uniform(2, 6);
        for (int p = 1; p <= length; ++p) {
            std::vector<int> codes{uniform(31, 99)};
            if (uniform(0, 9) == 0) codes.push_back(codes[0] + 100);
            for (int code : codes) out.files.course.push_back(std::to_string(p) + ":" + std::to_string(code));
            courses[static_cast<std::size_t>(c)].push_back(codes);
        }
        out.files.course.push_back("99:100");
    }

    std::vector<int> classOf(static_cast<std::size_t>(competitors));
    for (int i = 0; i < competitors; ++i)
        classOf[static_cast<std::size_t>(i)] =
            i < shape.bigClass || shape.classes == 1 ? 0 : 1 + (i - shape.bigClass) % (shape.classes - 1);
    std::vector<std::string> cards;
    for (int i = 0; i < competitors; ++i) {
        const std::string card = std::to_string(10001 + i);
        const int bib = 1001 + i;
        const int start = uniform(0, 24) == 0 ? 11 * 3600 + uniform(1, 30) * 60 : 9 * 3600 + uniform(0, 120) * 60;
        out.files.startList.push_back(card + ",C" + std::to_string(classOf[static_cast<std::size_t>(i)] + 1) + "," +
                                      Hms(start) + "," + std::to_string(bib) + ",選手" + std::to_string(i) + "," +
                                      std::to_string(uniform(0, 3)) + ",クラブ" + std::to_string(i % 37));
        out.bibs.push_back(std::to_string(bib));
        cards.push_back(card);
    }
    for (int s = 0; s < spares; ++s) out.files.startList.push_back(std::to_string(90001 + s) + ",**");
    out.bibs.push_back("0999");

    auto read = [&](const std::string& card, const std::vector<std::vector<int>>& course, int kind) {
        std::string line = "1,2,3,4,5,(" + card + ")";
        int t = 0;
        for (std::size_t p = 0; p < course.size(); ++p) {
            t += uniform(60, 600);
            if (kind == 1 && p == 0) continue;                 // P1
            if (kind == 2 && p + 1 == course.size()) continue; // the last control missed
            const auto& codes = course[p];
            line += "," + std::to_string(codes[static_cast<std::size_t>(uniform(0, static_cast<int>(codes.size()) - 1))]) +
                    "," + Hms(t);
        }
        if (kind != 3) line += ",100," + Hms(t + uniform(30, 120)); // DNQ: no finish
        return line;
    };
    for (int i = 0; i < competitors; ++i) {
        const int r = uniform(0, 9);
        if (r >= 8) continue; // still out
        const auto& course = courses[static_cast<std::size_t>(classOf[static_cast<std::size_t>(i)])];
        const int kind = r < 5 ? 0 : r - 4;
        out.files.finishLog.push_back(read(cards[static_cast<std::size_t>(i)], course, kind));
        if (uniform(0, 19) == 0) out.files.finishLog.push_back(read(cards[static_cast<std::size_t>(i)], course, 0));
    }
    for (int s = 0; s < std::min(spares, 2); ++s)
        out.files.finishLog.push_back("1,2,3,4,5,(" + std::to_string(90001 + s) + "),31,0:10:00,100,0:40:00");
    std::shuffle(out.files.finishLog.begin(), out.files.finishLog.end(), rng);

    const int changes = std::min(competitors, uniform(2, 6));
    for (int k = 0; k < changes; ++k) {
        const std::string& card = cards[static_cast<std::size_t>(uniform(0, competitors - 1))];
        switch (uniform(0, 2)) {
        case 0: out.files.changes.push_back("欠席/" + card); break;
        case 1: out.files.changes.push_back("参考/" + card); break;
        default: out.files.changes.push_back("遅刻/" + card + "," + std::to_string(uniform(1, 9))); break;
        }
    }
    return out;
}

} // namespace quilo::test
