#!/usr/bin/env python3
"""The results server under load, on the capacity event (make bench-serve).

1. quilo-serve on 127.0.0.1 (a free port) follows a copy of the capacity event whose
   finish log's last 300 lines were held back (each with its finish time moved, so that
   each changes a result); they are appended one every 100 ms while
   1,000 clients hold /events open (bench/sse_clients.py) and wrk asks for /class/0 over
   200 connections for 10 s (then 10 s more with gzip, as browsers ask, a figure).
   Marks: requests/s, wrk's p99, every client seeing every version, quilo-serve's peak
   resident memory.
2. quilo_serve_window_bench: the window's refresh on each appended line with its server
   started, once alone and once under the same load; mark: within 20 % of the first.

Each figure is printed with its mark, met or MISSED, and all marks again at the end. A
MISSED mark is a figure, not a failure: the run fails only when a program does. Every
child is ended on any exit, and each wait is bounded.

    python3 bench/serve_bench.py [BUILD_DIR]   (build-bench; make bench-serve builds it)
"""
import argparse
import atexit
import json
import os
import queue
import re
import resource
import shutil
import signal
import subprocess
import sys
import threading
import time
import urllib.error
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)

MIN_RPS = 5000
MAX_P99_MS = 50
MAX_MB = 64
MAX_SLOWDOWN = 0.20
FINISH_CODE = 100  # the finish punch's code in the capacity event's log

children = []
marks = []


def end_children():
    for p in reversed(children):
        if p.poll() is None:
            p.terminate()
            try:
                p.wait(5)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()


def on_signal(signum, _frame):
    sys.exit(128 + signum)


def spawn(cmd, **kw):
    p = subprocess.Popen(cmd, **kw)
    children.append(p)
    return p


class Lines:
    """A child's stdout read on a thread, so that each wait for a line is bounded."""

    def __init__(self, stream):
        self.q = queue.Queue()
        self.all = []
        threading.Thread(target=self._read, args=(stream,), daemon=True).start()

    def _read(self, stream):
        for line in stream:
            self.q.put(line.rstrip("\n"))
        self.q.put(None)

    def until(self, pattern, seconds):
        """The first line that matches, or None at the stream's end or the time's."""
        deadline = time.monotonic() + seconds
        while True:
            try:
                line = self.q.get(timeout=max(0.01, deadline - time.monotonic()))
            except queue.Empty:
                return None
            if line is None:
                return None
            self.all.append(line)
            if re.search(pattern, line):
                return line


def served_url(p, seconds, missing):
    """The child's stdout and the first URL it printed; None (with `missing` said) when it
    printed none in time."""
    out = Lines(p.stdout)
    line = out.until(r"^http://", seconds)
    if not line:
        print(missing, flush=True)
        return out, None
    return out, line.strip()


def mark(what, figure, met, target):
    line = "%s: %s (target %s: %s)" % (what, figure, target, "met" if met else "MISSED")
    marks.append(line)
    print(line, flush=True)


def raise_file_limit(wanted=8192):
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    if soft != resource.RLIM_INFINITY and soft < wanted:
        resource.setrlimit(resource.RLIMIT_NOFILE, (wanted if hard == resource.RLIM_INFINITY else min(wanted, hard), hard))


def moved_finish(line, seconds):
    """The read with its finish punch's time `seconds` later (a line without one as it is)."""
    at = line.rfind(b",%d," % FINISH_CODE)
    if at < 0:
        return line
    start = at + len(b",%d," % FINISH_CODE)
    end = line.find(b",", start)
    end = len(line) if end < 0 else end
    h, m, s = (int(x) for x in line[start:end].split(b":"))
    t = h * 3600 + m * 60 + s + seconds
    return line[:start] + b"%d:%02d:%02d" % (t // 3600, t // 60 % 60, t % 60) + line[end:]


def hold_back(event, folder, hold):
    """The event copied into `folder` without its finish log's last `hold` lines, which are
    returned, each with its CR LF. The capacity log reads the same cards over and over, so
    that its last lines change nothing: each held line's finish time is moved by one second
    more than the line before, so that every append changes a result (a new version)."""
    shutil.rmtree(folder, ignore_errors=True)
    shutil.copytree(event, folder)
    path = os.path.join(folder, "Regnly.log")
    with open(path, "rb") as f:
        lines = f.read().split(b"\r\n")
    if lines and lines[-1] == b"":
        lines.pop()
    held = [moved_finish(line, k + 1) + b"\r\n" for k, line in enumerate(lines[-hold:])]
    with open(path, "wb") as f:
        f.write(b"".join(line + b"\r\n" for line in lines[:-hold]))
    return held


class Appender(threading.Thread):
    """One held-back line appended every 100 ms (a whole line per write), until stopped."""

    def __init__(self, folder, lines):
        super().__init__(daemon=True)
        self.path = os.path.join(folder, "Regnly.log")
        self.lines = lines
        self.stop = threading.Event()
        self.count = 0

    def run(self):
        fd = os.open(self.path, os.O_WRONLY | os.O_APPEND)
        try:
            start = time.monotonic()
            while self.count < len(self.lines) and not self.stop.is_set():
                os.write(fd, self.lines[self.count])
                self.count += 1
                self.stop.wait(max(0.0, start + 0.1 * self.count - time.monotonic()))
        finally:
            os.close(fd)


def http_status(url):
    try:
        with urllib.request.urlopen(url, timeout=2) as r:
            r.read()
            return r.status
    except urllib.error.HTTPError as e:
        return e.code
    except OSError:
        return 0


def wait_for_page(url, seconds=60):
    deadline = time.monotonic() + seconds
    status = 0
    while time.monotonic() < deadline:
        status = http_status(url)
        if status == 200:
            break
        time.sleep(0.2)
    return status


def niced(cmd, nice):
    return ["nice", "-n", "19"] + cmd if nice else cmd


def start_clients(url, clients, nice=False):
    p = spawn(niced([sys.executable, os.path.join(HERE, "sse_clients.py"), url + "events", "--clients", str(clients),
               "--max-seconds", "120"], nice), stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    out = Lines(p.stdout)
    line = out.until(r"^connected ", 60)
    print("events clients: %s" % (line or "no answer within 60 s"), flush=True)
    return p, out


def stop_clients(p, out):
    try:
        p.stdin.write("stop\n")
        p.stdin.flush()
    except OSError:
        pass
    line = out.until(r"^\{", 60)
    p.wait(10)
    return json.loads(line) if line else None


def start_wrk(url, connections, seconds, gzip=False, nice=False):
    header = ["-H", "Accept-Encoding: gzip"] if gzip else []
    return spawn(niced(["wrk", "-t2", "-c%d" % connections, "-d%ds" % seconds, "--latency"] + header + [url + "class/0"],
                       nice), stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)


def body_size(url, gzip):
    request = urllib.request.Request(url, headers={"Accept-Encoding": "gzip"} if gzip else {})
    try:
        with urllib.request.urlopen(request, timeout=5) as r:
            return len(r.read())
    except OSError:
        return 0


def wrk_figures(text):
    def ms(value, unit):
        return float(value) * {"us": 1e-3, "ms": 1.0, "s": 1e3}[unit]

    f = {"text": text}
    m = re.search(r"Requests/sec:\s+([\d.]+)", text)
    f["rps"] = float(m.group(1)) if m else 0.0
    m = re.search(r"^\s+99%\s+([\d.]+)(us|ms|s)\s*$", text, re.M)
    f["p99"] = ms(*m.groups()) if m else float("inf")
    m = re.search(r"^\s+50%\s+([\d.]+)(us|ms|s)\s*$", text, re.M)
    f["p50"] = ms(*m.groups()) if m else float("inf")
    m = re.search(r"(\d+) requests in ([\d.]+)", text)
    f["requests"] = int(m.group(1)) if m else 0
    m = re.search(r"Non-2xx or 3xx responses: (\d+)", text)
    f["non2xx"] = int(m.group(1)) if m else 0
    m = re.search(r"Socket errors: (.*)", text)
    f["socket_errors"] = m.group(1) if m else "none"
    return f


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def peak_kb(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0


def report_streams(label, s, marked=True):
    if not s and not marked:
        print("%s: no summary from the events clients" % label, flush=True)
        return
    if not s:
        mark(label + ", every client sees every version", "no summary from the clients", False, "all")
        return
    print("%s: %d of %d clients held the stream to the end (statuses %s, errors %s); %d versions (%s..%s, "
          "%d serials skipped by the server), %d keep-alive comments; a version reached all clients within %.1f ms"
          % (label, s["clients"] - s["closed_early"], s["clients"], s["statuses"], s["errors"] or "none",
             s["versions"], s["first"], s["last"], s["serials_skipped"], s["keepalive_comments"], s["spread_ms"]),
          flush=True)
    print("%s: clients that saw a gap: %d, saw a version twice: %d" % (label, s["clients_with_gap"], s["clients_with_repeat"]),
          flush=True)
    figure = "%d of %d clients saw all %d versions" % (s["clients_with_all"], s["clients"], s["versions"])
    if not marked:
        print("%s, every client sees every version: %s" % (label, figure), flush=True)
        return
    mark(label + ", every client sees every version", figure,
         s["clients_with_all"] == s["clients"] and s["closed_early"] == 0 and s["versions"] > 0, "all")


def print_wrk(label, w):
    print("%s: wrk %d requests, %.0f requests/s, p50 %.2f ms, p99 %.2f ms, non-2xx %d, socket errors: %s"
          % (label, w["requests"], w["rps"], w["p50"], w["p99"], w["non2xx"], w["socket_errors"]), flush=True)


def serve_run(build, event, work, args):
    program = os.path.join(build, "quilo-serve")
    if not os.access(program, os.X_OK):
        print("no quilo-serve in %s: the server's figures are not taken" % build, flush=True)
        return None
    folder = os.path.join(work, "serve-event")
    held = hold_back(event, folder, args.hold)
    p = spawn([program, folder, "--port", "0", "--address", "127.0.0.1"],
              stdout=subprocess.PIPE, stderr=open(os.path.join(work, "quilo-serve.log"), "w"), text=True)
    _out, url = served_url(p, 60, "quilo-serve printed no address (see %s/quilo-serve.log)" % work)
    if not url:
        return None
    print("== quilo-serve on %s" % url, flush=True)
    status = wait_for_page(url + "class/0")
    print("/class/0 answers %d: %d bytes, %d with gzip" % (status, body_size(url + "class/0", False),
                                                          body_size(url + "class/0", True)), flush=True)

    clients, clients_out = start_clients(url, args.clients)
    appender = Appender(folder, held)
    appender.start()
    cpu0 = cpu_seconds(p.pid)
    wrk = start_wrk(url, args.connections, args.seconds)
    text, _ = wrk.communicate(timeout=args.seconds + 60)
    # The same page as browsers ask for it (compressed), under the same load: a figure.
    gz_text, _ = start_wrk(url, args.connections, args.seconds, gzip=True).communicate(timeout=args.seconds + 60)
    cpu2 = cpu_seconds(p.pid)
    appender.stop.set()
    appender.join(5)
    time.sleep(2)  # the follower's last read reaches the streams
    streams = stop_clients(clients, clients_out)
    hwm = peak_kb(p.pid)
    p.terminate()
    p.wait(10)

    w = wrk_figures(text)
    gz = wrk_figures(gz_text)
    print("log lines appended: %d (one every 100 ms)" % appender.count, flush=True)
    print_wrk("quilo-serve", w)
    mark("quilo-serve, /class/0 requests/s (wrk, 200 connections, 1,000 events clients)", "%.0f requests/s" % w["rps"],
         w["rps"] >= MIN_RPS and w["non2xx"] == 0, ">= %d requests/s" % MIN_RPS)
    mark("quilo-serve, /class/0 latency p99", "%.2f ms" % w["p99"], w["p99"] <= MAX_P99_MS, "<= %d ms" % MAX_P99_MS)
    print_wrk("quilo-serve, then with Accept-Encoding: gzip as browsers ask", gz)
    report_streams("quilo-serve (both wrk runs)", streams)
    mark("quilo-serve, peak resident memory (VmHWM)", "%.1f MB" % (hwm / 1024), hwm <= MAX_MB * 1024,
         "<= %d MB" % MAX_MB)
    versions = streams["versions"] if streams else 0
    requests = w["requests"] + gz["requests"]
    return {"requests": requests, "versions": versions, "cpu_us": (cpu2 - cpu0) / requests * 1e6 if requests else 0}


def window_event(event, work, hold):
    """The capacity event with its held lines beside the log, for the window bench."""
    folder = os.path.join(work, "window-event")
    held = hold_back(event, folder, hold)
    with open(os.path.join(folder, "Regnly.held"), "wb") as f:
        f.write(b"".join(held))
    return folder


def window_run(bench, event, args, load, nice=False):
    label = ("window, under load at nice 19" if nice else "window, under load") if load else "window, alone"
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    p = spawn([bench, "--event=" + event, "--hold=%d" % args.hold, "--seconds=%d" % args.window_seconds, "--wait"],
              stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, env=env)
    out, url = served_url(p, 120, "%s: the window bench printed no address" % label)
    if not url:
        return None
    build_line = out.until(r"^site build", 60) or ""
    print("== %s: server on %s; %s" % (label, url, build_line), flush=True)
    wrk = None
    if load:
        clients, clients_out = start_clients(url, args.clients, nice)
        wrk = start_wrk(url, args.connections, args.seconds, nice=nice)
        time.sleep(0.5)
    try:
        p.stdin.write("go\n")
        p.stdin.flush()
    except OSError:
        pass
    result = out.until(r"^window refresh", args.window_seconds + 120)
    print("%s: %s" % (label, result or "no figures"), flush=True)
    if load:
        text, _ = wrk.communicate(timeout=args.seconds + 60)
        print_wrk(label, wrk_figures(text))
        report_streams(label, stop_clients(clients, clients_out), marked=not nice)
    try:
        p.stdin.write("quit\n")
        p.stdin.flush()
    except OSError:
        pass
    p.wait(30)
    m = re.search(r"median ([\d.]+) ms, p90 ([\d.]+) ms", result or "")
    build_ms = re.search(r"site build: ([\d.]+) ms", build_line)
    return {"median": float(m.group(1)), "p90": float(m.group(2)),
            "build_ms": float(build_ms.group(1)) if build_ms else None} if m else None


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build", nargs="?", default=os.path.join(ROOT, "build-bench"))
    ap.add_argument("--clients", type=int, default=1000)
    ap.add_argument("--connections", type=int, default=200)
    ap.add_argument("--seconds", type=int, default=10, help="wrk's duration")
    ap.add_argument("--window-seconds", type=int, default=9, help="the window's appends, within wrk's run")
    ap.add_argument("--hold", type=int, default=300, help="log lines held back and appended")
    ap.add_argument("--no-nice-run", action="store_true", help="without the window run under load at nice 19")
    args = ap.parse_args()
    build = os.path.abspath(args.build)

    atexit.register(end_children)
    for s in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        signal.signal(s, on_signal)
    raise_file_limit()
    for tool in ("wrk",):
        if not shutil.which(tool):
            sys.exit("serve_bench: %s is not installed (make test-deps)" % tool)

    print("machine: %d processors, load average %.1f %.1f %.1f" % ((os.cpu_count() or 0,) + os.getloadavg()),
          flush=True)
    work = os.path.join(build, "serve-bench")
    os.makedirs(work, exist_ok=True)
    event = os.path.join(work, "capacity-event")
    shutil.rmtree(event, ignore_errors=True)
    subprocess.run([sys.executable, os.path.join(HERE, "make_capacity_event.py"), event], check=True, timeout=300)

    ok = True
    served = serve_run(build, event, work, args)
    ok = ok and served is not None

    bench = os.path.join(build, "bench", "quilo_serve_window_bench")
    if not os.access(bench, os.X_OK):
        print("no %s: the window's figures are not taken" % bench, flush=True)
        return 1
    event = window_event(event, work, args.hold)
    alone = window_run(bench, event, args, load=False)
    loaded = window_run(bench, event, args, load=True)
    if alone and loaded:
        slower = loaded["median"] / alone["median"] - 1
        mark("window refresh under load (median)", "%.2f ms against %.2f ms alone, %+.0f %%"
             % (loaded["median"], alone["median"], slower * 100), slower <= MAX_SLOWDOWN,
             "<= +%d %%" % (MAX_SLOWDOWN * 100))
        print("window refresh p90: %.2f ms under load, %.2f ms alone" % (loaded["p90"], alone["p90"]), flush=True)
    else:
        ok = False
    # The load generators stand for phones on other machines: on this machine they take
    # CPU from the window too. Run again with them at the lowest priority, as a figure.
    if alone and not args.no_nice_run:
        gentle = window_run(bench, event, args, load=True, nice=True)
        if gentle:
            print("window refresh with the load generators at nice 19: median %.2f ms (%+.0f %% against alone), "
                  "p90 %.2f ms" % (gentle["median"], (gentle["median"] / alone["median"] - 1) * 100, gentle["p90"]),
                  flush=True)
    if served and alone and alone["build_ms"]:
        print("pages once per snapshot: %d requests for /class/0 (both wrk runs) over %d versions; quilo-serve used "
              "%.1f us of CPU per request, against %.2f ms for one build of every page"
              % (served["requests"], served["versions"], served["cpu_us"], alone["build_ms"]), flush=True)

    print("\nload average at the end: %.1f %.1f %.1f" % os.getloadavg())
    print("== marks")
    for line in marks:
        print(line)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
