#!/usr/bin/env python3
"""Writes a random event into a folder, one per seed: Control.dat, Startlst.dat,
Change.dat, Regnly.log and now and then a Quilo.ini, CP932 with CR LF, with odd lines
among them (blank and comment lines, rows the readers skip, duplicate and unreadable
cards, unknown cards in the log, bad change records, a class the course file lacks).
By default within the old limits (at most 10 classes, 300 in a class, 501 rows), so
two builds can be held to the same bytes; the options go past them.

    python3 scripts/make_random_event.py FOLDER [--seed N] [--classes N]
        [--rows N] [--big-class N]

--classes, --rows and --big-class fix the number of classes, of start-list rows
(competitors and spare cards) and the size of the first class; without them each is
drawn within the old limits.
"""
import argparse
import os
import random

FINISH = 100

FAMILY = ["佐藤", "鈴木", "高橋", "田中", "伊藤", "渡辺", "山本", "中村", "小林", "加藤",
          "長谷川", "佐々木", "髙橋", "﨑山", "ｶﾀｶﾅ", "Smith"]
GIVEN = ["翔太", "大輔", "美咲", "陽子", "さくら", "千尋", "一郎", "花子", "ﾀﾛｳ", "John"]
CLUBS = ["東京OLクラブ", "大阪OLC", "みちの会", "札幌オリエンテーリングクラブ", "OLCふるはうす",
         "渋谷で走る会", "\"クラブ,A\"", "", "とても長いクラブ名のオリエンテーリングクラブ"]
CLASS_NAMES = ["M21E", "W21E", "M21A", "W21A", "M40", "W40", "M15", "初心者", "Ｍ２１Ｂ", "オープン",
               "M50", "W50", "M60", "W60", "Open"]


def hms(s):
    return "%d:%02d:%02d" % (s // 3600, s // 60 % 60, s % 60)


def write(folder, name, lines, end_last=True):
    data = "\r\n".join(lines) + ("\r\n" if end_last and lines else "")
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data.encode("cp932"))


def class_names(rng, count):
    names = rng.sample(CLASS_NAMES, min(count, len(CLASS_NAMES)))
    while len(names) < count:
        names.append("C%d" % (len(names) + 1))
    return names


def sizes_of(rng, classes, rows, big):
    """Competitors per class: `rows` in all, the first class `big` when given."""
    sizes = [0] * classes
    if big is not None:
        sizes[0] = big
    for _ in range(rows - sum(sizes)):
        sizes[rng.randrange(1 if big is not None and classes > 1 else 0, classes)] += 1
    return sizes


def make(folder, seed, classes=None, rows=None, big=None):
    rng = random.Random(seed)
    os.makedirs(folder, exist_ok=True)
    classes = classes or rng.randint(1, 10)
    spares = rng.randint(0, 6)
    if rows is None:
        rows = rng.choice([rng.randint(1, 60), rng.randint(60, 501)])
    rows = max(rows, spares + 1)
    competitors = rows - spares
    if big is None and classes > 1 and rng.random() < 0.2:
        big = min(300, competitors - (classes - 1))
    if big is not None:
        big = min(big, competitors)
    if big is None and classes == 1:
        big = competitors
    # Within the old limits no class may pass 300.
    sizes = sizes_of(rng, classes, competitors, big)
    while big is None and max(sizes) > 300:
        sizes = sizes_of(rng, classes, competitors, big)

    names = class_names(rng, classes)
    courses = {}
    course_lines = ["コメント行", ""] if rng.random() < 0.5 else []
    if rng.random() < 0.3:
        course_lines.append("1:31")  # before the first class
    for name in names:
        course_lines.append("**:" + name)
        length = rng.randint(0, 30) if rng.random() < 0.1 else rng.randint(5, 25)
        course = [rng.randint(31, 199) for _ in range(length)]
        alternatives = {}
        for pos in range(1, length + 1):
            if rng.random() < 0.1:
                alternatives[pos] = [course[pos - 1] + 200 * k for k in range(1, rng.randint(2, 3))]
        finishes = [FINISH] + ([200] if rng.random() < 0.2 else [])
        courses[name] = (course, alternatives, finishes)
        for pos, code in enumerate(course, 1):
            course_lines.append("%d:%d" % (pos, code))
            for alt in alternatives.get(pos, []):
                course_lines.append("%d:%d" % (pos, alt))
        for f in finishes:
            course_lines.append("99:%d" % f)
        if rng.random() < 0.2:
            course_lines.append(rng.choice(["x:63", "3:", "99:abc", "32:61", "0:40", " 4 : 44 "]))
        if rng.random() < 0.3:
            course_lines.append("")

    # Start list: five-digit cards, now and then one with a leading zero or of another
    # length (unreadable at the finish, but held).
    start_lines, runners, used = [], [], set()
    if rng.random() < 0.5:
        start_lines.append("Eカード番号 クラス スタート時刻")  # no comma: not a row
    bib = 101

    def new_card():
        while True:
            r = rng.random()
            card = ("0%04d" % rng.randint(1000, 9999) if r < 0.05 else
                    "%d" % rng.randint(100, 9999) if r < 0.07 else "%d" % rng.randint(10000, 89999))
            if card not in used:
                used.add(card)
                return card

    for ci, (name, size) in enumerate(zip(names, sizes)):
        first = 10 * 3600 + rng.randint(0, 60) * 60
        for i in range(size):
            card = new_card()
            start = 0 if rng.random() < 0.02 else first + i * 60 + rng.choice([0, 0, 0, 30])
            if rng.random() < 0.03:
                start = 12 * 3600 + rng.randint(1, 90) * 60  # still to start at 12:00
            full = rng.choice(FAMILY) + rng.choice([" ", "", "　"]) + rng.choice(GIVEN)
            if rng.random() < 0.05:
                full = full * 3
            club = rng.choice(CLUBS)
            start_lines.append("%s,%s,%s,%d,%s,%d,%s" % (card, name, hms(start), bib, full, rng.randint(0, 3), club))
            runners.append({"card": card, "cls": name, "start": start, "bib": bib})
            bib += 1 if rng.random() < 0.97 else 0  # a bib now and then shared
    if rng.random() < 0.3:
        rng.shuffle(start_lines)
    spare_cards = []
    for _ in range(spares):
        card = "9%04d" % rng.randint(0, 9999)
        if card in used:
            continue
        used.add(card)
        spare_cards.append(card)
        start_lines.append(card + ",**,0:00:00,0,予備,0,予備カード" if rng.random() < 0.5 else card + ",**")
    # Rows the reader skips, which take no row.
    if runners:
        r = rng.choice(runners)
        odd = ["x1,%s,10:00:00,1,a,0,c" % r["cls"], "77777,%s,ten,1,a,0,c" % r["cls"],
               "77778,%s,10:00:00,,a,0,c" % r["cls"], "77779,%s,10:00:00,1,a,z,c" % r["cls"],
               "%s,%s,10:00:00,1,重複,0,c" % (r["card"], r["cls"]), "x,**", "行の説明"]
        for line in rng.sample(odd, rng.randint(0, len(odd))):
            start_lines.insert(rng.randint(0, len(start_lines)), line)
    if rng.random() < 0.05:
        start_lines.append("77770,NOCLASS,10:00:00,1,a,0,c")  # a class the course file lacks
    if rng.random() < 0.05 and classes < 10:
        start_lines.append("77771,,10:00:00,1,空のクラス,0,c")

    # The finish log: most runners read, some twice, with punches missed, extra, an
    # alternative, no finish; unknown cards, spare cards, and lines of odd shape.
    def record(r):
        course, alternatives, finishes = courses[r["cls"]]
        total = rng.randint(20 * 60, 160 * 60)
        step = total // (len(course) + 1)
        pts = []
        for pos, code in enumerate(course, 1):
            if pos in alternatives and rng.random() < 0.3:
                code = rng.choice(alternatives[pos])
            pts.append((code, step * pos + rng.randint(-20, 20)))
        kind = rng.random()
        finish = total
        if kind < 0.06 and pts:
            del pts[rng.randrange(len(pts))]
        elif kind < 0.08 and pts:
            pts.pop()
        elif kind < 0.10:
            finish = None
        elif kind < 0.16:
            pts.insert(rng.randrange(len(pts) + 1), (rng.randint(300, 399), step))
        elif kind < 0.18:
            pts.reverse()
        fields = []
        for code, el in pts:
            fields += [str(code), hms(max(el, 1))]
        if finish is not None:
            fields += [str(rng.choice(finishes)), hms(finish)]
        return "(%s)," % r["card"] + ",".join(fields)

    bodies = []
    for r in runners:
        if r["start"] >= 12 * 3600 or rng.random() < 0.15:
            continue
        body = record(r)
        bodies.append(body)
        if rng.random() < 0.05:
            bodies.append(record(r))
    for card in spare_cards:
        if rng.random() < 0.5:
            bodies.append("(%s),31,0:10:00,%d,0:40:00" % (card, FINISH))
    for _ in range(rng.randint(0, 3)):
        bodies.append("(%05d),31,0:05:00,%d,0:15:00" % (rng.randint(70000, 79999), FINISH))
    rng.shuffle(bodies)
    log = []
    for serial, body in enumerate(bodies, 1):
        t = 10 * 3600 + serial * 20
        log.append("%d,2026/12/06,%s,0001,R,%s" % (serial, hms(t), body))
    for line in rng.sample(["no comma here", "12345,without parenthesis", "1,2,3,4,5,(55555),31,0:1x:00,100,25:00:00",
                            "1,2,3,4,5,\"(10001)\",31,0:10:00", ""], rng.randint(0, 3)):
        log.insert(rng.randint(0, len(log)), line)

    changes = []
    for _ in range(rng.randint(0, 8) if runners else 0):
        r = rng.choice(runners)
        changes.append(rng.choice([
            "欠席/%s" % r["card"], "遅刻/%s,%d" % (r["card"], rng.randint(1, 9)),
            "ＯＫ/%s,%s" % (r["card"], hms(rng.randint(1800, 7200))), "ＮＧ/%s,P%d" % (r["card"], rng.randint(1, 3)),
            "ＮＧ/%s,DSQ" % r["card"], "取消/%s" % r["card"], "参考/%s" % r["card"], "公式/%s" % r["card"]]))
    for card in spare_cards:
        if runners and rng.random() < 0.3:
            changes.append("予備/%s,%s" % (card, rng.choice(runners)["card"]))
    if rng.random() < 0.3:
        changes += rng.sample(["欠席/55555", "no slash", "遅刻/%s,abc" % (runners[0]["card"] if runners else "1"),
                               "ＯＫ/%s,1:7x" % (runners[0]["card"] if runners else "1")], 2)

    write(folder, "Control.dat", course_lines)
    write(folder, "Startlst.dat", start_lines, end_last=rng.random() < 0.9)
    if changes:
        write(folder, "Change.dat", changes)
    write(folder, "Regnly.log", log)
    if rng.random() < 0.4:
        ini = ["TimeLimit=%d" % rng.choice([60, 90, 120, 150])]
        if rng.random() < 0.5:
            ini += ["EventName=大会 %d" % seed, "EventDate=2026-12-06"]
        write(folder, "Quilo.ini", ini)
    return {"classes": classes, "rows": len(runners) + len(spare_cards), "largest": max(sizes) if sizes else 0}


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("folder")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--classes", type=int)
    ap.add_argument("--rows", type=int)
    ap.add_argument("--big-class", type=int)
    a = ap.parse_args()
    shape = make(a.folder, a.seed, a.classes, a.rows, a.big_class)
    print("random event %d written to %s: %d classes, %d rows, largest class %d"
          % (a.seed, a.folder, shape["classes"], shape["rows"], shape["largest"]))


if __name__ == "__main__":
    main()
