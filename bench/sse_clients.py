#!/usr/bin/env python3
"""Many clients on a results server's events stream, for bench/serve_bench.py.

Opens N connections to URL (an `/events` address), prints "connected K of N" once they
are all answered (or the connect time ran out), then records every event id each one
gets until a line arrives on stdin (or --max-seconds pass), and prints one JSON summary:
the versions all clients saw together, how many clients saw exactly those, the clients
that missed one or saw a gap, and how far apart the clients got each version.

    python3 bench/sse_clients.py URL [--clients N] [--max-seconds S]
"""
import argparse
import asyncio
import json
import sys
import time
import urllib.parse


class Client:
    def __init__(self):
        self.status = 0
        self.ids = []  # in arrival order
        self.comments = 0
        self.error = ""
        self.closed = False  # the server ended the stream before we stopped


def parse_stream(client, text, state, seen):
    """Feeds decoded stream text; state carries the unfinished line and the event's id."""
    buf = state["rest"] + text
    lines = buf.split("\n")
    state["rest"] = lines.pop()
    for line in lines:
        line = line.rstrip("\r")
        if line == "":
            if state["id"] is not None:
                try:
                    v = int(state["id"])
                except ValueError:
                    v = -1
                client.ids.append(v)
                now = time.monotonic()
                first, last = seen.get(v, (now, now))
                seen[v] = (min(first, now), max(last, now))
            state["id"] = None
        elif line.startswith(":"):
            client.comments += 1
        elif line.startswith("id:"):
            state["id"] = line[3:].strip()


async def run_client(host, port, path, client, connected, seen):
    writer = None
    try:
        reader, writer = await asyncio.open_connection(host, port)
        writer.write(("GET %s HTTP/1.1\r\nHost: %s:%d\r\nAccept: text/event-stream\r\n"
                      "Cache-Control: no-cache\r\n\r\n" % (path, host, port)).encode())
        await writer.drain()
        head = await reader.readuntil(b"\r\n\r\n")
        lines = head.decode("latin-1").split("\r\n")
        client.status = int(lines[0].split()[1])
        headers = {k.strip().lower(): v.strip() for k, _, v in (l.partition(":") for l in lines[1:] if l)}
        connected()
        chunked = headers.get("transfer-encoding", "").lower() == "chunked"
        state = {"rest": "", "id": None}
        while True:
            if chunked:
                size_line = await reader.readuntil(b"\r\n")
                size = int(size_line.split(b";")[0].strip() or b"0", 16)
                if size == 0:
                    break
                data = await reader.readexactly(size + 2)
                parse_stream(client, data[:-2].decode("utf-8", "replace"), state, seen)
            else:
                data = await reader.read(4096)
                if not data:
                    break
                parse_stream(client, data.decode("utf-8", "replace"), state, seen)
        client.closed = True
    except asyncio.CancelledError:
        pass
    except (OSError, asyncio.IncompleteReadError, asyncio.LimitOverrunError, ValueError, IndexError) as e:
        client.error = type(e).__name__ + ": " + str(e)
        client.closed = True
        if not client.status:
            connected()
    finally:
        if writer is not None:
            writer.close()


async def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("url")
    ap.add_argument("--clients", type=int, default=1000)
    ap.add_argument("--connect-seconds", type=float, default=30)
    ap.add_argument("--max-seconds", type=float, default=120)
    args = ap.parse_args()
    u = urllib.parse.urlsplit(args.url)
    host, port, path = u.hostname, u.port or 80, u.path or "/events"

    clients = [Client() for _ in range(args.clients)]
    seen = {}  # version -> (first arrival, last arrival) over all clients
    answered = 0
    all_in = asyncio.Event()

    def connected():
        nonlocal answered
        answered += 1
        if answered == len(clients):
            all_in.set()

    tasks = []
    for i, c in enumerate(clients):
        tasks.append(asyncio.create_task(run_client(host, port, path, c, connected, seen)))
        if i % 50 == 49:
            await asyncio.sleep(0.01)  # a burst of a thousand SYNs would overflow the backlog
    try:
        await asyncio.wait_for(all_in.wait(), args.connect_seconds)
    except asyncio.TimeoutError:
        pass
    ok = sum(1 for c in clients if c.status == 200 and not c.closed)
    print("connected %d of %d" % (ok, len(clients)), flush=True)
    start = time.monotonic()

    # A line on stdin (or its end) stops the recording.
    loop = asyncio.get_running_loop()
    stop = asyncio.Event()
    try:
        loop.add_reader(sys.stdin.fileno(), stop.set)
        watching = True
    except (OSError, ValueError):  # stdin a file or /dev/null: --max-seconds alone
        watching = False
    try:
        await asyncio.wait_for(stop.wait(), args.max_seconds)
    except asyncio.TimeoutError:
        pass
    if watching:
        loop.remove_reader(sys.stdin.fileno())
    for t in tasks:
        t.cancel()
    await asyncio.gather(*tasks, return_exceptions=True)

    union = set()
    for c in clients:
        union.update(c.ids)
    versions = sorted(union)
    same = sum(1 for c in clients if set(c.ids) == union)
    gaps = 0
    for c in clients:
        got = sorted(set(c.ids))
        if got and len([v for v in versions if got[0] <= v <= got[-1]]) != len(got):
            gaps += 1
    repeated = sum(1 for c in clients if len(c.ids) != len(set(c.ids)))
    spread = max((last - first for first, last in seen.values()), default=0.0)
    summary = {
        "clients": len(clients),
        "connected": ok,
        "statuses": sorted({c.status for c in clients}),
        "closed_early": sum(1 for c in clients if c.closed),
        "errors": sorted({c.error for c in clients if c.error})[:5],
        "versions": len(versions),
        "first": versions[0] if versions else None,
        "last": versions[-1] if versions else None,
        "serials_skipped": (versions[-1] - versions[0] + 1 - len(versions)) if versions else 0,
        "clients_with_all": same,
        "clients_with_gap": gaps,
        "clients_with_repeat": repeated,
        "keepalive_comments": sum(c.comments for c in clients),
        "spread_ms": round(spread * 1000, 1),
        "seconds": round(time.monotonic() - start, 1),
    }
    print(json.dumps(summary), flush=True)


if __name__ == "__main__":
    asyncio.run(main())
