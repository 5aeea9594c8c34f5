#!/usr/bin/env python3
"""Builds the demo event: a one-day orienteering event with six classes.

Writes Control.dat, Startlst.dat, Regnly.log and Change.dat into the given folder,
CP932 with CR LF, as the card-reading software and the station would leave them at
about 12:00. Deterministic: the same files every run.

    python3 examples/make_demo_event.py examples/demo-event
"""
import os
import random
import sys

FINISH = 100
rng = random.Random(20261206)

# Class name, number of controls, number of competitors, first start.
CLASSES = [
    ("M21A", 18, 20, "10:00"),
    ("W21A", 14, 16, "10:01"),
    ("M40", 15, 14, "10:02"),
    ("W40", 11, 12, "10:03"),
    ("M15", 8, 10, "10:30"),
    ("初心者", 8, 12, "10:40"),
]

FAMILY = ["佐藤", "鈴木", "高橋", "田中", "伊藤", "渡辺", "山本", "中村", "小林", "加藤",
          "吉田", "山田", "佐々木", "山口", "松本", "井上", "木村", "林", "斎藤", "清水",
          "山崎", "森", "池田", "橋本", "阿部", "石川", "前田", "藤田", "小川", "岡田",
          "長谷川", "村上", "近藤", "石井", "坂本", "遠藤", "青木", "藤井", "西村", "福田"]
MALE = ["翔太", "大輔", "健一", "拓也", "浩二", "誠", "亮", "直樹", "和也", "隆",
        "悠斗", "蓮", "大和", "陽翔", "湊", "一郎", "修", "剛", "聡", "裕太"]
FEMALE = ["美咲", "陽子", "恵", "由美", "真由美", "彩", "結衣", "葵", "さくら", "愛",
          "舞", "直子", "香織", "智子", "明美", "千尋", "凛", "陽菜", "花子", "優子"]
CLUBS = ["東京OLクラブ", "京葉OLクラブ", "大阪OLC", "名古屋大学OLC", "横浜OLクラブ",
         "入間市OLC", "みちの会", "札幌オリエンテーリングクラブ", "静岡OLC", "練馬OLC",
         "ワンダラーズ", "つるぎ会", "OLCふるはうす", "渋谷で走る会"]


def hms(s):
    return "%d:%02d:%02d" % (s // 3600, s // 60 % 60, s % 60)


def write(folder, name, lines):
    with open(os.path.join(folder, name), "wb") as f:
        for line in lines:
            f.write(line.encode("cp932") + b"\r\n")


def main(folder):
    os.makedirs(folder, exist_ok=True)
    codes = list(range(31, 90))

    # Courses: each class draws its controls; a few positions accept a second code.
    control_lines, courses = [], {}
    for name, count, _, _ in CLASSES:
        control_lines.append("**:" + name)
        course = rng.sample(codes, count)
        courses[name] = course
        for pos, code in enumerate(course, 1):
            control_lines.append("%d:%d" % (pos, code))
            if pos in (5, 11) and count > 8:
                control_lines.append("%d:%d" % (pos, code + 100))  # alternative control
        control_lines.append("99:%d" % FINISH)
        control_lines.append("")

    # Start list: consecutive bibs and cards, starts two minutes apart within a class.
    start_lines, runners = [], []
    bib, card = 101, 10001
    for name, _, size, first in CLASSES:
        h, m = map(int, first.split(":"))
        female = name.startswith("W") or (name == "初心者" and rng.random() < 0.5)
        for i in range(size):
            given = FEMALE if (female or (name == "初心者" and i % 2)) else MALE
            person = rng.choice(FAMILY) + rng.choice(given)
            club = rng.choice(CLUBS)
            start = h * 3600 + m * 60 + i * 120
            start_lines.append("%d,%s,%s,%d,%s,%d,%s" % (card, name, hms(start), bib, person, rng.randint(0, 3), club))
            runners.append({"card": card, "cls": name, "start": start, "bib": bib, "name": person})
            bib += 1
            card += 1
    for spare in (90001, 90002, 90003):
        start_lines.append("%d,**,0:00:00,0,予備,0,予備カード" % spare)

    now = 12 * 3600
    log, serial = [], [0]

    def read(card_no, punches, finish):
        serial[0] += 1
        t = now - 3600 + serial[0] * 20
        fields = [str(serial[0]), "2026/12/06", hms(t), "0001", "R", "(%05d)" % card_no]
        for code, el in punches:
            fields += [str(code), hms(el)]
        if finish is not None:
            fields += [str(FINISH), hms(finish)]
        log.append(",".join(fields))

    def punches_for(r, total):
        course = courses[r["cls"]]
        step = total // (len(course) + 1)
        return [(code, step * (i + 1) + rng.randint(-20, 20)) for i, code in enumerate(course)], total

    special = {}
    for r in runners:
        total = rng.randint(35 * 60, 95 * 60)
        if r["start"] + total > now - 5 * 60 or rng.random() < 0.12:
            continue  # still out
        special.setdefault(r["cls"], []).append(r)
        pts, fin = punches_for(r, total)
        read(r["card"], pts, fin)

    m21 = special["M21A"]
    # A tie for first in M21A, an over-time run, a skipped control, a missing last
    # control, a missed finish, a card read twice, an alternative control punched.
    tie = m21[0]["card"], m21[1]["card"]
    pts, _ = punches_for(m21[0], 41 * 60 + 10)
    read(tie[0], pts, 41 * 60 + 10)
    pts, _ = punches_for(m21[1], 41 * 60 + 10)
    read(tie[1], pts, 41 * 60 + 10)
    w21 = special["W21A"]
    pts, fin = punches_for(w21[0], 155 * 60)
    read(w21[0]["card"], pts, fin)                           # over the 150-minute limit
    pts, fin = punches_for(w21[1], 70 * 60)
    read(w21[1]["card"], pts[:3] + pts[4:], fin)             # one control missing: P1
    m40 = special["M40"]
    pts, fin = punches_for(m40[0], 64 * 60)
    read(m40[0]["card"], pts[:-1], fin)                      # last control missing: DNF
    pts, fin = punches_for(m40[1], 58 * 60)
    read(m40[1]["card"], pts, None)                          # no finish punch: DNQ
    w40 = special["W40"]
    pts, fin = punches_for(w40[0], 61 * 60)
    read(w40[0]["card"], pts[:2] + pts[3:5] + pts[6:], fin)  # two missing: P2
    pts, fin = punches_for(w40[0], 61 * 60)
    read(w40[0]["card"], pts, fin)                           # read again, complete
    m15 = special["M15"]
    pts, fin = punches_for(m15[0], 47 * 60)
    pts[4] = (pts[4][0] + 100, pts[4][1]) if len(courses["M15"]) > 8 else pts[4]
    read(m15[0]["card"], pts, fin)
    read(77777, [(31, 300), (32, 600)], 900)                 # a card not in the start list

    # Spare cards: 90001 was used by a runner still listed as out (assigned in the change
    # file); 90002 is read but not assigned yet, so the station asks for it.
    out = [r for r in runners if r["card"] not in {x["card"] for v in special.values() for x in v}]
    spare_user, spare_user2 = out[0], out[1]
    pts, fin = punches_for(spare_user, 66 * 60)
    read(90001, pts, fin)
    pts, fin = punches_for(spare_user2, 72 * 60)
    read(90002, pts, fin)

    beginner = special["初心者"]
    absent = out[2]
    change = [
        "予備/90001,%d" % spare_user["card"],
        "欠席/%d" % absent["card"],
        "遅刻/%d,3" % beginner[0]["card"],
        "参考/%d" % beginner[1]["card"],
        "ＯＫ/%d,0:58:20" % m40[1]["card"],
        "ＮＧ/%d,DSQ" % special["M15"][1]["card"],
    ]

    write(folder, "Control.dat", control_lines)
    write(folder, "Startlst.dat", start_lines)
    write(folder, "Regnly.log", log)
    write(folder, "Change.dat", change)
    # A live station: it follows the log and keeps the published files fresh. The name
    # and the day are those the guide's pictures and the results-page pictures show.
    write(folder, "Quilo.ini", ["EventName=Quilo デモ大会", "EventDate=2026-12-06", "AutoRead=1", "AutoPublish=1",
                                 "ServerPort=8080", "ServerAddress=127.0.0.1"])
    print("demo event written to %s: %d classes, %d competitors, %d finish reads; "
          "spare card 90002 was used by bib %04d" % (folder, len(CLASSES), len(runners), len(log), spare_user2["bib"]))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "demo-event"))
