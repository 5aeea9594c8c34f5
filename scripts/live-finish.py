#!/usr/bin/env python3
"""Plays a finish into an event folder the way a card reader writes its log, so that a
live station (AutoRead=1) can be watched following it.

    scripts/live-finish.py FOLDER [--pace SECONDS] [--seed N]

Every competitor still out comes in, in start order: their card is not in Regnly.log
yet, and the change file does not make them absent, give them a result by hand or say
they ran on a spare card (it is read again before each card, so a spare card assigned in
the window meanwhile counts). Whole CP932 lines with CR LF are appended to Regnly.log,
now and then two at once, now and then a line written in two pieces a moment apart.
Ctrl+C stops it; --pace 0 plays everything at once.
"""
import argparse
import os
import random
import sys
import time


def read_lines(path):
    if not os.path.exists(path):
        return []
    with open(path, "rb") as f:
        return [line.decode("cp932", "replace") for line in f.read().splitlines()]


def course_of(folder):
    courses, current = {}, None
    for line in read_lines(os.path.join(folder, "Control.dat")):
        key, _, value = line.partition(":")
        if key == "**":
            current = value
            courses[current] = {"positions": {}, "finish": None}
        elif current is not None and key.strip().isdigit() and value.strip().isdigit():
            position, code = int(key), int(value)
            if position == 99:
                courses[current]["finish"] = courses[current]["finish"] or code
            else:  # the first code of a position; later lines are its alternatives
                courses[current]["positions"].setdefault(position, code)
    for course in courses.values():
        course["controls"] = [course["positions"][p] for p in sorted(course["positions"])]
        course["finish"] = course["finish"] or 100
    return courses


def card_key(card):
    # Older change records name a card by its number ("1234" for "01234").
    card = card.strip().strip('"')
    return int(card) if card.isdigit() else card


def settled_cards(folder):
    """Cards whose competitors are not out as the change file leaves them."""
    spare_users, manual = set(), {}
    for line in read_lines(os.path.join(folder, "Change.dat")):
        kind, _, rest = line.partition("/")
        fields = rest.split(",")
        if kind == "予備" and len(fields) > 1:
            spare_users.add(card_key(fields[1]))  # their result came on the spare card
        elif kind in ("欠席", "ＯＫ", "ＮＧ"):
            manual[card_key(fields[0])] = True
        elif kind == "取消":
            manual[card_key(fields[0])] = False
    return spare_users | {card for card, settled in manual.items() if settled}


def hms(seconds):
    return "%d:%02d:%02d" % (seconds // 3600, seconds // 60 % 60, seconds % 60)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder")
    parser.add_argument("--pace", type=float, default=4.0, help="seconds between reads (default 4)")
    parser.add_argument("--seed", type=int, default=None)
    args = parser.parse_args()
    rnd = random.Random(args.seed)
    folder = args.folder
    log_path = os.path.join(folder, "Regnly.log")

    courses = course_of(folder)
    read = {line.split("(", 1)[1][:5] for line in read_lines(log_path) if "(" in line}
    settled = settled_cards(folder)
    runners = []
    for line in read_lines(os.path.join(folder, "Startlst.dat")):
        f = [x.strip('"') for x in line.split(",")]
        if len(f) >= 3 and f[1] in courses and f[0] not in read and card_key(f[0]) not in settled:
            runners.append((f[2], f[0], f[1]))
    runners.sort()
    if not runners:
        print("live-finish: every card of %s has been read already" % folder)
        return

    number = len(read_lines(log_path))
    print("live-finish: %d runners to come in at %s, one every %.1f s (Ctrl+C stops)" % (len(runners), folder, args.pace))

    def line_for(card, cls):
        nonlocal number
        number += 1
        course = courses[cls]
        fields = [str(number), time.strftime("%Y/%m/%d"), time.strftime("%H:%M:%S"), "0001", "R", "(%s)" % card]
        t = 0
        skip = rnd.randrange(len(course["controls"])) if course["controls"] and rnd.random() < 0.1 else -1
        for i, code in enumerate(course["controls"]):
            t += rnd.randint(90, 300)
            if i != skip:
                fields += [str(code), hms(t)]
        t += rnd.randint(20, 90)
        fields += [str(course["finish"]), hms(t)]
        return (",".join(fields) + "\r\n").encode("cp932")

    def write(data):
        with open(log_path, "ab") as f:
            f.write(data)
            f.flush()

    def still_out(runner):
        return card_key(runner[1]) not in settled_cards(folder)

    try:
        i = 0
        while i < len(runners):
            if not still_out(runners[i]):
                i += 1
                continue
            data = line_for(runners[i][1], runners[i][2])
            i += 1
            roll = rnd.random()
            if roll < 0.2 and i < len(runners) and still_out(runners[i]):
                data += line_for(runners[i][1], runners[i][2])  # two cards read at once
                i += 1
                write(data)
            elif roll < 0.4:
                cut = rnd.randint(len(data) // 2, len(data) - 3)  # a line in two pieces
                write(data[:cut])
                time.sleep(min(0.7, args.pace))
                write(data[cut:])
            else:
                write(data)
            print("live-finish: %d of %d read" % (i, len(runners)), flush=True)
            time.sleep(args.pace)
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    sys.exit(main())
