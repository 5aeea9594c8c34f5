#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets (fuzz/corpus/<target>/), small CP932
files taken from the demo event and from the cases the tests use (and a few UTF-8 ones,
which the readers take as such).

    python3 fuzz/make_corpus.py
"""
import os
import shutil

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEMO = os.path.join(ROOT, "examples", "demo-event")
OUT = os.path.join(ROOT, "fuzz", "corpus")


def cp932(lines, end_last=True):
    text = "\r\n".join(lines) + ("\r\n" if end_last and lines else "")
    return text.encode("cp932")


def utf8(lines, bom=False):
    return (b"\xef\xbb\xbf" if bom else b"") + ("\r\n".join(lines) + "\r\n").encode("utf-8")


def demo(name, first=None):
    with open(os.path.join(DEMO, name), "rb") as f:
        data = f.read()
    if first is not None:
        data = b"".join(data.splitlines(keepends=True)[:first])
    return data


def write(target, name, data):
    folder = os.path.join(OUT, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def course_file():
    t = "fuzz_course_file"
    write(t, "demo", demo("Control.dat"))
    write(t, "two-classes", cp932(["**:M21", "1:31", "2:32", "3:33", "99:100", "**:W21", "1:31", "2:32", "3:33", "99:100"]))
    write(t, "alternatives", cp932(["", "コメント行", "**:Ｍ２１Ａ ", "1:31", "2: 32 ", "4:34", "5:121", "5:131", "5:141",
                                    "5:151", "99:100", "99:101", "**:W21:extra", "\"1\":\"41\"", "31:200", "99:300"]))
    write(t, "skipped", cp932(["1:31"] + ["**:C%d" % c for c in range(10)] +
                              ["31:60", "32:61", "099:62", "x:63", "3:", "99:abc", "**:C10", "1:70"]))
    write(t, "all-positions", cp932(["**:Long"] + ["%d:%d" % (p, 40 + p + 100 * a) for p in range(1, 32) for a in range(3)]
                                    + ["99:100"]))
    write(t, "empty", b"")
    write(t, "invalid-bytes", b"**:\x81\x20\xff\x80\r\n1:\x82\r\n99:1\x00\r\n")
    write(t, "utf8", utf8(["**:男子エリート", "1:31", "99:100"]))
    write(t, "utf8-bom", utf8(["**:M21", "1:31", "99:100"], bom=True))
    # Past the old limit of ten classes.
    write(t, "classes-11", cp932([line for c in range(1, 12) for line in ("**:C%d" % c, "1:%d" % (30 + c), "99:100")]))
    write(t, "classes-60", cp932([line for c in range(1, 61) for line in
                                  ["**:C%d" % c] + ["%d:%d" % (p, 31 + (c + p) % 60) for p in range(1, c % 5 + 2)] +
                                  (["2:%d" % (200 + c)] if c % 7 == 0 else []) + ["99:100"]]))


TEMPLATE_CLASSES = ["M21", "Ｗ２１", "Open", "Big", "Long"]
# Every class of the template event (FuzzSupport.cpp).
ALL_CLASSES = TEMPLATE_CLASSES + ["C%d" % c for c in range(6, 61)]


def short_rows(classes, first_card=20001):
    """One start-list row a class, as short as the reader keeps them (a start of "1:0",
    no name or club, LF only), so that 5,000 rows keep within the target's max_len."""
    return "".join("%d,%s,1:0,1,,0\n" % (first_card + i, c) for i, c in enumerate(classes)).encode("cp932")


def start_list():
    t = "fuzz_start_list"
    rows = []
    for i, line in enumerate(demo("Startlst.dat").decode("cp932").splitlines()[:30]):
        f = line.split(",")
        if f[1] != "**":
            f[1] = TEMPLATE_CLASSES[i % len(TEMPLATE_CLASSES)]
        rows.append(",".join(f))
    write(t, "demo", cp932(rows))
    write(t, "fields", cp932(["ヘッダ行", "01001,M21,10:00:00,101,山田 太郎,7,\"クラブ,A\",ignored",
                              "1002,Ｗ２１,0:00:00,201,花子,0,B", "9001,**,,,,,", "1003,M21,09:30:00,102,次郎,3,C",
                              "1004,Ｗ２１,10:20:00,202,x,1,D", "1005,Ｗ２１,10:01:00,203,y,1,E"]))
    write(t, "skipped", cp932(["x1,M21,10:00:00,1,a,0,c", "2,M21,10:00,1,a,0,c", "3,M21,ten,1,a,0,c",
                               "4,M21,10:00:00,,a,0,c", "5,M21,10:00:00,1,a,z,c", "6,M21,10:00:00,1,a",
                               "2,M21,10:00:00,1,名前,0,クラブ", "7,**,,,,,", "2,**,,,,,"]))
    write(t, "undefined-class", cp932(["1,M21,10:00:00,1,a,0,c", "2,M21 ,10:00:00,1,a,0,c", "3,M21,10:00:00,1,a,0,c"]))
    write(t, "empty-class", cp932(["1,,10:00:00,1,a,0,c"]))
    write(t, "utf8", utf8(["1,M21,10:00:00,1,渡辺拓也,0,みちの会", "2,Ｗ２１,10:01:00,2,a,0,東京OLクラブ"]))
    write(t, "utf8-bom", utf8(["1,M21,10:00:00,1,山田,0,東京"], bom=True))
    write(t, "empty", b"")
    # Past the old limits, over the template's 60 classes (M21, Ｗ２１, Open, Big, Long, C6 to
    # C60): 11 classes in use, all 60, 301 in a class, 502 and 5,000 rows.
    write(t, "classes-11", cp932(["%d,%s,10:%02d:00,%d,名前%d,0,クラブ" % (20001 + i, ALL_CLASSES[i % 11], i, 101 + i, i)
                                  for i in range(33)]))
    write(t, "classes-60", cp932(["%d,%s,10:%02d:00,%d,名前%d,%d,クラブ" % (20001 + i, ALL_CLASSES[i], i, 101 + i, i, i % 4)
                                  for i in range(60)] + ["90101,**,,,,,"]))
    write(t, "class-301", short_rows(["M21"] * 301 + ["Open"]) + b"90101,**\n")
    write(t, "rows-502", short_rows([["M21", "Open", "C11", "C60"][i % 4] for i in range(500)]) + b"90101,**\n90102,**\n")
    write(t, "rows-5000", short_rows([ALL_CLASSES[i % 60] for i in range(4997)]) + b"90101,**\n90102,**\n90103,**\n")


LOG_HEAD = "1,2026/12/06,11:00:20,0001,R,"


def finish_log(t):
    write(t, "demo", demo("Regnly.log", 12))
    lines = [
        LOG_HEAD + "(10001),31,0:10:00,32,0:20:00,33,0:30:00,100,0:35:00",
        LOG_HEAD + "(10002),31,0:10:00,33,0:30:00,100,0:40:00",
        LOG_HEAD + "(10003),31,0:10:00,32,0:20:00,31,0:30:00,200,0:41:00",
        LOG_HEAD + "(10004),100,0:05:00,31,0:10:00,32,0:20:00",
        LOG_HEAD + "(10005),100,0:38:00",
        LOG_HEAD + "(10006)," + ",".join("%d,0:%02d:00" % (40 + p, p) for p in range(1, 32)) + ",100,0:59:00",
        LOG_HEAD + "(01234),31,0:10:00,,0:11:00,x,0:12:00,33",
        LOG_HEAD + "(10007),1023,0:10:00,-7,0:20:00,5000,0:30:00,100000,0:40:00",
        LOG_HEAD + "(10007),\"1023\",0:10:00,\"1024,x\",0:20:00,5000,0:30:00,100000,0:40:00",
        LOG_HEAD + "(90001),31,0:10:00,32,0:20:00,33,0:30:00,100,0:35:00",
        LOG_HEAD + "(90002),100,0:30:00",
        LOG_HEAD + "(55555),31,0:10:00",
        "no comma here",
        "12345,without parenthesis",
        LOG_HEAD + "(10001),31,0:1x:00,100,25:00:00",
    ]
    write(t, "cases", cp932(lines))
    write(t, "open-last-line", cp932(lines[:2] + [LOG_HEAD + "(10003),31,0:1"], end_last=False))
    write(t, "empty", b"")


def appended_read():
    t = "fuzz_appended_read"
    grow, read, read_inside, pressed, correct, change, refresh = 0, 2, 3, 4, 5, 6, 7

    def steps(*pairs):
        return bytes(b for pair in pairs for b in pair)

    demo_log = demo("Regnly.log", 30)
    live = steps((grow, 255), (read, 0), (grow, 200), (read, 0), (grow, 90), (read_inside, 3), (grow, 255), (read, 0),
                 (correct, 8 * 1 + 1, 0), (grow, 255), (read, 0), (refresh, 0), (grow, 255), (read, 0))
    write(t, "demo-live", live + b"\x1e" + demo_log)
    cases = cp932([
        LOG_HEAD + "(10001),31,0:10:00,32,0:20:00,33,0:30:00,100,0:35:00",
        LOG_HEAD + "(90001),31,0:10:00,100,0:36:00",
        LOG_HEAD + "(55555),31,0:10:00",
        LOG_HEAD + "(10002),31,0:1x:00,100,0:40:00",
        LOG_HEAD + "(90002),100,0:30:00",
        LOG_HEAD + "(10001),31,0:10:00,100,0:37:00",
        LOG_HEAD + "(90001),100,0:38:00",
        LOG_HEAD + "(10003),31,0:10:00,32,0:2",
    ], end_last=False)
    # Spare cards asked, cancelled and assigned; corrections between the reads (late
    # minutes, a hand time, a spare card given by record).
    spares = steps((grow, 60), (read, 0), (grow, 60), (read, 0), (correct, 8 * 0 + 1, 1), (grow, 60), (read, 0),
                   (correct, 8 * 8 + 7, 5), (grow, 60), (read, 0), (grow, 120), (read, 0), (pressed, 0), (grow, 255),
                   (read, 0))
    write(t, "spares", spares + b"\x1e" + cases + b"\x1e" + b";0201;;0101")
    write(t, "spares-asked-again", spares + b"\x1e" + cases + b"\x1e" + b"*;;0201")
    # Corrections of every kind between appended reads.
    kinds = steps(*[p for k in range(8) for p in ((grow, 50), (read, 0), (correct, 8 * k + k, k))], (grow, 255), (read, 0))
    write(t, "corrections", kinds + b"\x1e" + cases + b"\x1e" + b"0201")
    # The log changed other than by appending: a byte rewritten, cut, replaced.
    changed = steps((grow, 255), (read, 0), (change, 4 * 5 + 0), (grow, 80), (read, 0), (change, 4 * 2 + 1), (read, 0),
                    (grow, 255), (read, 0), (change, 2), (grow, 40), (read, 0), (change, 3), (read, 0))
    write(t, "changed", changed + b"\x1e" + cases + b"\x1e" + b"0101")
    write(t, "empty", b"")


def change_file():
    t = "fuzz_change_file"
    write(t, "demo", demo("Change.dat"))
    write(t, "kinds", cp932(["欠席/10001", "遅刻/10002,5", "ＯＫ/10003,1:23:45", "ＮＧ/10004,P3", "取消/10001",
                             "参考/10005", "公式/10005", "予備/90001,10006", "欠席/90001", "OK/10001,1:00:00",
                             "no slash", "遅刻/10002,99999", "ＯＫ/10003,1:7x"]))
    write(t, "unknown-card", cp932(["参考/10002", "欠席/55555", "欠席/10001"]))
    write(t, "spare-chain", cp932(["予備/90002,10001", "予備/90003,90002", "予備/90001,77777", "遅刻/90003,2"]))
    write(t, "cut-off", cp932(["欠席/10001", "ＯＫ/10002,0:5"], end_last=False))
    write(t, "empty", b"")


def settings():
    t = "fuzz_settings"
    write(t, "defaults", cp932(["SeisekiOutput=/event/E_Result.txt", "MikikanOutput=/event/E_NoRet.txt", "TimeLimit=150",
                                "ClassListFontSize=9", "HistoryListFontSize=9", "EntryListFontSize=9"]))
    write(t, "trimmed", b"  TimeLimit = 120 \r\nSeisekiOutput=/a=b/E.txt\r\nno equals\r\n\r\ntimelimit=7\r\nClassListFontSize=")
    write(t, "numbers", cp932(["TimeLimit=1e308", "ClassListFontSize=-3", "HistoryListFontSize=1e40",
                               "EntryListFontSize=９", "TimeLimit=99999"]))
    write(t, "utf8", utf8(["EventName=春の大会", "TimeLimit="]))
    write(t, "utf8-bom", utf8(["EventName=東京", "TimeLimit=120"], bom=True))
    write(t, "empty", b"")


def station():
    t = "fuzz_station"
    parts = [b"0101;0102;;0201", demo("Control.dat"), demo("Startlst.dat"), demo("Change.dat"), demo("Regnly.log", 40)]
    write(t, "demo", b"\x1e".join(parts))
    small = [b"0101",
             cp932(["**:M21", "1:31", "2:32", "3:33", "99:100"]),
             cp932(["12345,M21,10:00:00,101,山田太郎,1,東京OLC", "12346,M21,10:02:00,102,鈴木花子,2,大阪OLC",
                    "90001,**,,,,,"]),
             cp932(["参考/12346"]),
             cp932(["1,2,3,4,5,(12345),31,0:10:00,32,0:20:00,33,0:30:00,100,0:35:00",
                    "1,2,3,4,5,(90001),31,0:10:00,100,0:36:00"]),
             cp932(["TimeLimit=30", "SeisekiOutput=E_Result.txt"])]
    write(t, "small", b"\x1e".join(small))
    write(t, "folders", b"\x1e".join(small[:2] + [small[2], b"\x1d", b"\x1d", b"\x1d"]))
    write(t, "undefined-class", b"\x1e".join(small[:2] + [cp932(["1,M22,10:00:00,1,a,0,c"])] + small[3:]))
    write(t, "empty", b"")
    # Past the old limits: 11 and 60 classes, 301 in a class, 502 and 5,000 rows.
    write(t, "classes-11", big_station(11, [i % 11 for i in range(33)], spares=1, reads=12))
    write(t, "classes-60", big_station(60, [i % 60 for i in range(120)], spares=2, reads=20))
    write(t, "class-301", big_station(2, [0] * 301 + [1] * 3, spares=1, reads=20))
    write(t, "rows-502", big_station(12, [i % 12 for i in range(500)], spares=2, reads=30))
    write(t, "rows-5000", big_station(60, [i % 60 for i in range(4996)], spares=4, reads=40))


# One-character class names, so that a start list of 5,000 rows keeps within max_len.
STATION_CLASSES = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"


def big_station(classes, members, spares, reads):
    """A whole-station input: `classes` classes of two controls (31 + class, 100 + class),
    a start list of short rows (the class of each competitor in `members`, cards 10001..),
    spare cards 90001.., a change record, and `reads` finish reads: valid, a control
    missed, no finish, and a spare card (answered with bib 1)."""
    names = STATION_CLASSES[:classes]
    course = []
    for c, name in enumerate(names):
        course += ["**:" + name, "1:%d" % (31 + c), "2:%d" % (100 + c), "99:100"]
    start = "".join("%d,%s,1:%d,%d,,0\n" % (10001 + i, names[c], i % 10, 1 + i % 9) for i, c in enumerate(members))
    start += "".join("%d,**\n" % (90001 + k) for k in range(spares))
    log = []
    for k in range(reads):
        i = (k * 37) % len(members)
        c = members[i]
        punches = ["%d,0:10:%02d" % (31 + c, k % 60), "%d,0:20:00" % (100 + c), "100,0:30:%02d" % (k % 60)]
        if k % 5 == 1:
            del punches[0]
        elif k % 5 == 2:
            punches.pop()
        log.append("1,2,3,4,5,(%d)," % (10001 + i) + ",".join(punches))
    log.append("1,2,3,4,5,(90001),%d,0:10:00,100,0:30:00" % (31 + members[0]))
    return b"\x1e".join([b"0001", cp932(course), start.encode("cp932"), cp932(["欠席/10002", "参考/10003"]),
                          "\n".join(log).encode("cp932") + b"\n", cp932(["TimeLimit=150"])])


def serve_request():
    # Method, target, Accept-Encoding, If-None-Match and Last-Event-ID, a line each.
    t = "fuzz_serve_request"
    def request(*fields):
        return "\n".join(fields).encode("utf-8")
    write(t, "index", request("GET", "/", "gzip, deflate, br", "", ""))
    write(t, "class-head", request("HEAD", "/class/1?open=s3", "gzip;q=0, *", "W/\"v0\", \"v0-gzip\"", ""))
    write(t, "changes", request("GET", "/api/v1/changes?since=0&x=%31", "x-gzip;q=0.5", "*", ""))
    write(t, "events", request("GET", "/events", "", "", "18446744073709551615"))
    write(t, "encoded", request("GET", "/%61pi/v1/class/%3", "", "\"", "x"))
    write(t, "post", request("POST", "/screen?classes=0,2,5&seconds=15", "", "", ""))


def dict_entry(text):
    out = []
    for b in text.encode("cp932"):
        c = chr(b)
        out.append(c if 0x20 <= b < 0x7F and c not in '"\\' else "\\x%02X" % b)
    return '"%s"' % "".join(out)


DICTS = {
    "fuzz_serve_request": ["GET", "HEAD", "/class/", "/api/v1/class/", "/api/v1/changes?since=", "/events", "/app.js",
                           "/results.html", "%", "?", "&", "gzip", ";q=0", "W/", "\"v0\"", "*", "\n", ","],
    "fuzz_course_file": ["**:", "99:", ":", "\r\n", "\"", "31:", "32:", "0", "-1", "2147483648", "1e3", " "],
    "fuzz_start_list": [",", ",**,", ",M21,", ",Ｗ２１,", ",Open,", ",Big,", ",Long,", "10:00:00", "0:00:00", "23:59:59", "\"",
                        "\r\n", "90001", "01234"],
    "fuzz_finish_log": [",", "(", "(10001)", "(90001)", "(01234)", "(10007)", ",31,", ",100,", ",200,", "0:10:00", "23:59:59",
                        "1,2,3,4,5,", "\"", "\r\n"],
    "fuzz_punch_check": [",", "(", "(10001)", "(90001)", "(01234)", "(10007)", ",31,", ",100,", ",200,", "0:10:00",
                         "23:59:59", "1,2,3,4,5,", "\"", "\r\n"],
    "fuzz_appended_read": ["\x1e", "\x00\x7f", "\x02\x00", "\x03\x05", "\x04\x00", "\x05\x01", "\x06\x08",
                           "\x07\x00", "(10001)", "(90001)", ",100,", "0:10:00", "\r\n", ";", "0101"],
    "fuzz_change_file": ["欠席/", "遅刻/", "ＯＫ/", "ＮＧ/", "取消/", "参考/", "公式/", "予備/", "10001", "90001", ",",
                         "1:23:45", "P3", "\"", "\r\n"],
    "fuzz_settings": ["=", "SeisekiOutput", "MikikanOutput", "TimeLimit", "ClassListFontSize", "HistoryListFontSize",
                      "EntryListFontSize", "1e308", "-", "\r\n", " "],
    "fuzz_station": ["\x1e", "\x1d", "**:", "99:", ",**,", "(10001)", "欠席/", "予備/", "=", "TimeLimit", ";",
                     "0101", "\r\n"],
}


def dictionaries():
    folder = os.path.join(ROOT, "fuzz", "dict")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    for target, words in DICTS.items():
        with open(os.path.join(folder, target + ".dict"), "w") as f:
            for w in words:
                f.write(dict_entry(w) + "\n")


def main():
    shutil.rmtree(OUT, ignore_errors=True)
    dictionaries()
    course_file()
    start_list()
    # The punch check's target reads the same logs.
    finish_log("fuzz_finish_log")
    finish_log("fuzz_punch_check")
    appended_read()
    change_file()
    settings()
    station()
    serve_request()


if __name__ == "__main__":
    main()
