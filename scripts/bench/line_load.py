#!/usr/bin/env python3
"""Load for the line server, from one client on one kept-alive connection.

  line_load.py ingest URL TOKENFILE BATCH LINES   ships LINES record lines in
      batches of BATCH (new jobIds), prints "LINES/s" and the seconds taken
  line_load.py latency URL TOKENFILE PATH COUNT   GETs PATH COUNT times,
      prints the median and the 95th percentile in milliseconds

The record lines look like those a station writes (about 1 KiB each).
"""
import http.client
import json
import statistics
import sys
import time
import urllib.parse
import uuid


def record(n):
    return {
        "time": time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime()), "host": "bench-pc",
        "programVersion": "1.30", "command": "download", "outcome": "success", "exitCode": 0,
        "port": "slot%d" % (n % 16 + 1), "devicePath": "/dev/ttyUSB%d" % (n % 16),
        "stableName": "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A%05d-if00-port0" % (n % 16),
        "portGiven": None, "deviceNode": None, "portProblem": None, "bootVersion": "1.31",
        "firmwareVersion": "1.31", "device": "M30624FGFP",
        "files": [{"role": "project", "path": "/srv/line/projects/board-7.pxp", "sha256": "ab" * 32}],
        "userRomFileName": "board-7.hex", "bootRomFileName": None, "userRomChecksum": "3F2A",
        "bootRomChecksum": None, "idCode": "00,00,00,00,00,00,00", "operationBlockMask": 255,
        "lockBitMask": 0, "pagesWritten": 1024, "pagesVerified": 1024, "skipBlank": True,
        "pagesSkipped": 96, "verified": True, "mismatch": None, "note": None, "failedCommand": None,
        "failedPage": None, "filePath": None, "linkRate": 115200, "resyncs": 0, "restarts": 0,
        "durationMs": 9120, "slot": n % 16 + 1, "label": "board-7 #%d" % n,
        "jobId": str(uuid.uuid4()), "station": "bench-station", "jobDigest": "cd" * 32,
    }


def connect(url, token_file):
    u = urllib.parse.urlsplit(url)
    with open(token_file) as f:
        token = f.read().strip()
    return http.client.HTTPConnection(u.hostname, u.port, timeout=60), {"Authorization": "Bearer " + token}


def ingest(url, token_file, batch, lines):
    conn, headers = connect(url, token_file)
    headers["Content-Type"] = "application/json"
    bodies = []
    for start in range(0, lines, batch):
        records = [record(n) for n in range(start, min(start + batch, lines))]
        bodies.append(json.dumps({"station": "bench-station", "backlog": 0, "records": records}))
    began = time.monotonic()
    stored = 0
    for body in bodies:
        conn.request("POST", "/api/v1/records", body, headers)
        res = conn.getresponse()
        answer = res.read()
        if res.status != 200:
            sys.exit("POST answered %d: %s" % (res.status, answer[:200]))
        stored += json.loads(answer)["stored"]
    took = time.monotonic() - began
    if stored != lines:
        sys.exit("stored %d of %d lines" % (stored, lines))
    print("%.0f lines/s (%d lines in %.2f s)" % (lines / took, lines, took))


def latency(url, token_file, path, count):
    conn, headers = connect(url, token_file)
    times = []
    for _ in range(count):
        began = time.monotonic()
        conn.request("GET", path, headers=headers)
        res = conn.getresponse()
        body = res.read()
        times.append((time.monotonic() - began) * 1000)
        if res.status != 200:
            sys.exit("GET %s answered %d: %s" % (path, res.status, body[:200]))
    times.sort()
    p95 = times[min(len(times) - 1, int(round(0.95 * len(times))) - 1)]
    print("median %.1f ms, p95 %.1f ms (%d requests, %d bytes each)" % (statistics.median(times), p95, count, len(body)))


if __name__ == "__main__":
    what, args = sys.argv[1], sys.argv[2:]
    if what == "ingest":
        ingest(args[0], args[1], int(args[2]), int(args[3]))
    elif what == "latency":
        latency(args[0], args[1], args[2], int(args[3]))
    else:
        sys.exit(__doc__)
