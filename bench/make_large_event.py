#!/usr/bin/env python3
"""Builds the large event: a regional championship with its age classes.

200 classes (M and W, 10 to 85, with A, B, E and open variants), 10,000 competitors and
40 spare cards, courses of 20 to 30 controls (so about 25 punches a card), and a finish
log of 40,000 reads: every returned card once, then reads drawn at random, about 1 in
100 an unknown card. Written into the given folder as Control.dat, Startlst.dat and
Regnly.log, CP932 with CR LF. Spare cards never appear in the log, so a headless run
asks nothing. Deterministic: the same files every run.

    python3 bench/make_large_event.py FOLDER
"""
import os
import random
import sys

FINISH = 100
COMPETITORS = 10_000
LOG_LINES = 40_000
rng = random.Random(20261208)

FAMILY = ["佐藤", "鈴木", "高橋", "田中", "伊藤", "渡辺", "山本", "中村", "小林", "加藤",
          "吉田", "山田", "佐々木", "山口", "松本", "井上", "木村", "林", "斎藤", "清水"]
GIVEN = ["翔太", "大輔", "健一", "拓也", "浩二", "誠", "亮", "直樹", "和也", "隆",
         "美咲", "陽子", "恵", "由美", "真由美", "彩", "結衣", "葵", "さくら", "千尋"]
CLUBS = ["東京OLクラブ", "京葉OLクラブ", "大阪OLC", "名古屋大学OLC", "横浜OLクラブ",
         "入間市OLC", "みちの会", "札幌オリエンテーリングクラブ", "静岡OLC", "練馬OLC"]


def hms(s):
    return "%d:%02d:%02d" % (s // 3600, s // 60 % 60, s % 60)


def write(folder, name, lines):
    with open(os.path.join(folder, name), "wb") as f:
        f.write(b"".join(line.encode("cp932") + b"\r\n" for line in lines))


def class_names():
    ages = [10, 12, 14, 16, 18, 20, 21, 35, 40, 45, 50, 55, 60, 65, 70, 75, 80, 85, 90, 95]
    names = []
    for variant in ["", "A", "B", "E", "オープン"]:
        for sex in "MW":
            for age in ages:
                names.append("%s%d%s" % (sex, age, variant))
    return names[:200]


def main(folder):
    os.makedirs(folder, exist_ok=True)
    names = class_names()
    assert len(names) == 200

    # Class sizes: 10,000 in all, from a handful to a few hundred.
    weights = [rng.uniform(0.2, 3.0) for _ in names]
    sizes = [max(5, int(COMPETITORS * w / sum(weights))) for w in weights]
    sizes[0] += COMPETITORS - sum(sizes)

    control_lines, courses = [], {}
    for name in names:
        control_lines.append("**:" + name)
        course = rng.sample(range(31, 300), rng.randint(20, 30))
        alternatives = {}
        for pos in rng.sample(range(1, len(course) + 1), 3):
            alternatives[pos] = [course[pos - 1] + 300 * k for k in range(1, rng.choice((2, 3)))]
        courses[name] = (course, alternatives)
        for pos, code in enumerate(course, 1):
            control_lines.append("%d:%d" % (pos, code))
            for alt in alternatives.get(pos, []):
                control_lines.append("%d:%d" % (pos, alt))
        control_lines.append("99:%d" % FINISH)

    # Start list: cards 20001 up (five characters, as the finish log gives them),
    # starts every minute within a class over the morning, classes interleaved.
    start_lines, runners = [], []
    card, bib = 20001, 1001
    for ci, (name, size) in enumerate(zip(names, sizes)):
        for i in range(size):
            start = 9 * 3600 + (ci % 30) * 60 + i * 60
            start_lines.append("%d,%s,%s,%d,%s,%d,%s" % (
                card, name, hms(start), bib, rng.choice(FAMILY) + " " + rng.choice(GIVEN),
                rng.randint(0, 3), rng.choice(CLUBS)))
            runners.append({"card": card, "cls": name, "start": start})
            card += 1
            bib += 1
    rng.shuffle(start_lines)
    for spare in range(90001, 90041):
        start_lines.append("%d,**,0:00:00,0,予備,0,予備カード" % spare)
    assert len(runners) == COMPETITORS

    def record(r):
        course, alternatives = courses[r["cls"]]
        total = rng.randint(30 * 60, 150 * 60)
        step = total // (len(course) + 1)
        pts = []
        for i, code in enumerate(course):
            pos = i + 1
            if pos in alternatives and rng.random() < 0.3:
                code = rng.choice(alternatives[pos])
            pts.append((code, step * pos + rng.randint(-20, 20)))
        kind = rng.random()
        finish = total
        if kind < 0.05:
            del pts[rng.randrange(len(pts) - 1)]
        elif kind < 0.07:
            pts.pop()
        elif kind < 0.09:
            finish = None
        elif kind < 0.15:
            pts.insert(rng.randrange(len(pts)), (rng.randint(600, 699), step))
        fields = []
        for code, el in pts:
            fields += [str(code), hms(max(el, 1))]
        if finish is not None:
            fields += [str(FINISH), hms(finish)]
        return "(%05d)," % r["card"] + ",".join(fields)

    returned = [r for r in runners if rng.random() < 0.9]
    records = [record(r) for r in returned]
    unknown = ["(%05d)," % c + "31,0:05:00,32,0:10:00,%d,0:15:00" % FINISH
               for c in rng.sample(range(70000, 80000), 50)]
    log = []
    for serial in range(1, LOG_LINES + 1):
        if serial <= len(records):
            body = records[serial - 1]
        elif rng.random() < 0.01:
            body = rng.choice(unknown)
        else:
            body = rng.choice(records)
        t = (10 * 3600 + serial) % 86400
        log.append("%d,2026/12/06,%02d:%02d:%02d,0001,R,%s" % (serial, t // 3600, t // 60 % 60, t % 60, body))

    write(folder, "Control.dat", control_lines)
    write(folder, "Startlst.dat", start_lines)
    write(folder, "Regnly.log", log)
    print("large event written to %s: %d classes, %d start-list rows, %d finish reads"
          % (folder, len(names), len(start_lines), len(log)))


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: make_large_event.py FOLDER")
    main(sys.argv[1])
