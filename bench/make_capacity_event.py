#!/usr/bin/env python3
"""Builds the capacity event: every table of the station filled to its limit.

10 classes with 30-control courses (some positions with alternative codes), 501
start-list rows (495 competitors, 6 spare cards), and a finish log of 100,000 reads in
which cards are read many times over and unknown cards turn up. Written into the given
folder as Control.dat, Startlst.dat and Regnly.log, CP932 with CR LF. Spare cards never
appear in the log, so a headless run asks nothing. Deterministic: the same files every run.

    python3 bench/make_capacity_event.py FOLDER
"""
import os
import random
import sys

FINISH = 100
CONTROLS = 30
LOG_LINES = 100_000
rng = random.Random(20261206)

# Class name and number of competitors: 495 in all, the largest at the class limit of 300.
CLASSES = [
    ("M21E", 300), ("W21E", 40), ("M20", 25), ("W20", 20), ("M40", 25),
    ("W40", 20), ("M50", 20), ("W50", 15), ("M18", 15), ("オープン", 15),
]
SPARES = [90001, 90002, 90003, 90004, 90005, 90006]

FAMILY = ["佐藤", "鈴木", "高橋", "田中", "伊藤", "渡辺", "山本", "中村", "小林", "加藤",
          "吉田", "山田", "佐々木", "山口", "松本", "井上", "木村", "林", "斎藤", "清水",
          "長谷川", "村上", "近藤", "石井", "坂本", "遠藤", "青木", "藤井", "西村", "福田"]
GIVEN = ["翔太", "大輔", "健一", "拓也", "浩二", "誠", "亮", "直樹", "和也", "隆",
         "美咲", "陽子", "恵", "由美", "真由美", "彩", "結衣", "葵", "さくら", "千尋"]
CLUBS = ["東京OLクラブ", "京葉OLクラブ", "大阪OLC", "名古屋大学OLC", "横浜OLクラブ",
         "入間市OLC", "みちの会", "札幌オリエンテーリングクラブ", "静岡OLC", "練馬OLC",
         "ワンダラーズ", "つるぎ会", "OLCふるはうす", "渋谷で走る会"]


def hms(s):
    return "%d:%02d:%02d" % (s // 3600, s // 60 % 60, s % 60)


def write(folder, name, lines):
    with open(os.path.join(folder, name), "wb") as f:
        f.write(b"".join(line.encode("cp932") + b"\r\n" for line in lines))


def main(folder):
    os.makedirs(folder, exist_ok=True)

    # Courses: 30 positions drawn from codes 31-99; a few positions accept 2 or 3 codes
    # (the code plus 100, plus 200).
    control_lines, courses = [], {}
    for name, _ in CLASSES:
        control_lines.append("**:" + name)
        course = rng.sample(range(31, 100), CONTROLS)
        alternatives = {}
        for pos in rng.sample(range(1, CONTROLS + 1), 4):
            alternatives[pos] = [course[pos - 1] + 100 * k for k in range(1, rng.choice((2, 3)))]
        courses[name] = (course, alternatives)
        for pos, code in enumerate(course, 1):
            control_lines.append("%d:%d" % (pos, code))
            for alt in alternatives.get(pos, []):
                control_lines.append("%d:%d" % (pos, alt))
        control_lines.append("99:%d" % FINISH)
        control_lines.append("")

    # Start list: cards 10001 up, starts one minute apart within a class.
    start_lines, runners = [], []
    card, bib = 10001, 1001
    for ci, (name, size) in enumerate(CLASSES):
        first = 10 * 3600 + ci * 60
        for i in range(size):
            start = first + i * 60
            start_lines.append("%d,%s,%s,%d,%s,%d,%s" % (
                card, name, hms(start), bib, rng.choice(FAMILY) + rng.choice(GIVEN),
                rng.randint(0, 3), rng.choice(CLUBS)))
            runners.append({"card": card, "cls": name, "start": start})
            card += 1
            bib += 1
    for spare in SPARES:
        start_lines.append("%d,**,0:00:00,0,予備,0,予備カード" % spare)
    assert len(start_lines) == 501

    # One card record per returned runner: most complete, some with a control skipped,
    # the last control missing, no finish, an alternative or an extra punch.
    def record(r):
        course, alternatives = courses[r["cls"]]
        total = rng.randint(35 * 60, 140 * 60)
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
            del pts[rng.randrange(len(pts) - 1)]       # P1
        elif kind < 0.07:
            pts.pop()                                  # DNF
        elif kind < 0.09:
            finish = None                              # DNQ
        elif kind < 0.15:
            pts.insert(rng.randrange(len(pts)), (rng.randint(300, 399), step))  # extra punch
        fields = []
        for code, el in pts:
            fields += [str(code), hms(max(el, 1))]
        if finish is not None:
            fields += [str(FINISH), hms(finish)]
        return "(%05d)," % r["card"] + ",".join(fields)

    returned = [r for r in runners if rng.random() < 0.85]
    records = [record(r) for r in returned]
    unknown = ["(%05d)," % c + "31,0:05:00,32,0:10:00,%d,0:15:00" % FINISH
               for c in rng.sample(range(70000, 80000), 50)]

    # The log: every returned card read once in turn, then reads drawn at random, so
    # each card is read about 200 times; about 1 in 100 lines is an unknown card.
    log = []
    for serial in range(1, LOG_LINES + 1):
        if serial <= len(records):
            body = records[serial - 1]
        elif rng.random() < 0.01:
            body = rng.choice(unknown)
        else:
            body = rng.choice(records)
        t = (9 * 3600 + serial) % 86400
        log.append("%d,2026/12/06,%02d:%02d:%02d,0001,R,%s" % (serial, t // 3600, t // 60 % 60, t % 60, body))

    write(folder, "Control.dat", control_lines)
    write(folder, "Startlst.dat", start_lines)
    write(folder, "Regnly.log", log)
    print("capacity event written to %s: %d classes, %d start-list rows, %d finish reads"
          % (folder, len(CLASSES), len(start_lines), len(log)))


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: make_capacity_event.py FOLDER")
    main(sys.argv[1])
