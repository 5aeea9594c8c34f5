#!/usr/bin/env python3
"""Plays a finish into an event folder the way a card reader writes its log, so that a
live station (AutoRead=1) can be watched following it.

    scripts/live-finish.py FOLDER [--pace SECONDS] [--seed N]

Every competitor of the start list whose card is not in Regnly.log yet comes in, in
start order: whole CP932 lines with CR LF appended to Regnly.log, now and then two at
once, now and then a line written in two pieces a moment apart. Ctrl+C stops it.
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
    runners = []
    for line in read_lines(os.path.join(folder, "Startlst.dat")):
        f = [x.strip('"') for x in line.split(",")]
        if len(f) >= 3 and f[1] in courses and f[0] not in read:
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

    try:
        i = 0
        while i < len(runners):
            data = line_for(runners[i][1], runners[i][2])
            i += 1
            roll = rnd.random()
            if roll < 0.2 and i < len(runners):
                data += line_for(runners[i][1], runners[i][2])  # two cards read at once
                i += 1
                write(data)
            elif roll < 0.4:
                cut = rnd.randint(len(data) // 2, len(data) - 3)  # a line in two pieces
                write(data[:cut])
                time.sleep(0.7)
                write(data[cut:])
            else:
                write(data)
            print("live-finish: %d of %d read" % (i, len(runners)), flush=True)
            time.sleep(args.pace)
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    sys.exit(main())
