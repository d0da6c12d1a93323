#!/usr/bin/env python3
"""The line's page in a real browser (Debian's headless Chromium), against a
running plx71line that this script fills through its API:

  line_page_check.py URL TOKENS_DIR SERVER_PID PICTURES_DIR

TOKENS_DIR holds the files station, engineer and viewer (one token each).
Ships a few hundred jobs of two stations, their live state and one release,
opens the page with the viewer token, and checks that the page shows the two
stations, the yield figures the API gives, the boxes and the released
digest, that a label holding markup stays text, and that no script of the
page failed. Takes the pictures of the stations, yield and boxes views for
the guide. Last, stops the server (SERVER_PID) and checks the page says
"Line server not reachable" and keeps its numbers, greyed.
"""
import http.client
import json
import os
import signal
import sys
import time
import urllib.parse
import uuid

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "lib"))
from headless_chromium import Chromium  # noqa: E402

RELEASED = "5e1f" + "0c3a9b7d" * 7 + "2f6e"  # 64 hex digits
OTHER = "a0b1" * 16
HOSTILE = "<script>document.title='owned'</script>"
BOXES = {"line-a": ["/dev/serial/by-id/usb-PLX71_writer_A%d-if00" % n for n in range(1, 5)],
         "line-b": ["/dev/serial/by-id/usb-PLX71_writer_B%d-if00" % n for n in range(1, 4)]}
failures = []


def check(ok, what):
    print(("ok    " if ok else "FAIL  ") + what)
    if not ok:
        failures.append(what)


class Api:
    def __init__(self, url, tokens_dir):
        u = urllib.parse.urlsplit(url)
        self.host, self.port = u.hostname, u.port
        self.tokens = {}
        for role in ("station", "engineer", "viewer"):
            with open(os.path.join(tokens_dir, role)) as f:
                self.tokens[role] = f.read().strip()

    def call(self, method, path, role, body=None):
        conn = http.client.HTTPConnection(self.host, self.port, timeout=30)
        headers = {"Authorization": "Bearer " + self.tokens[role], "Content-Type": "application/json"}
        conn.request(method, path, json.dumps(body) if body is not None else None, headers)
        res = conn.getresponse()
        text = res.read()
        conn.close()
        if res.status >= 300:
            raise RuntimeError("%s %s: %d %s" % (method, path, res.status, text[:200]))
        return json.loads(text)


def record(n, station, port, slot, t):
    outcome = "success"
    for every, what in ((13, "verify-mismatch"), (17, "no-answer"), (29, "port-busy"), (41, "cancelled")):
        if n % every == 0:
            outcome = what
    command = "verify" if n % 25 == 0 else "download"
    if n % 100 == 0:
        outcome = "verify-mismatch"  # a check that found another job in the box
    r = {"jobId": str(uuid.uuid4()), "time": time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime(t)),
         "station": station, "host": station + "-pc", "programVersion": "1.30", "command": command,
         "outcome": outcome, "exitCode": 0 if outcome == "success" else 7, "stableName": port,
         "device": "M30624FGFP", "verified": outcome == "success", "slot": slot,
         "label": "board-7 #%d" % n, "durationMs": 9120,
         "jobDigest": RELEASED if station == "line-a" else OTHER}
    if outcome == "port-busy":
        r["portProblem"] = {"cause": "held by another program", "pid": 4711}
    return r


def seed(api):
    now = int(time.time())
    jobs = []
    for n in range(1, 301):
        station = "line-a" if n % 3 else "line-b"
        slot = (n // 3) % len(BOXES[station])
        jobs.append(record(n, station, BOXES[station][slot], slot + 1, now - 22 * 3600 + n * 260))
    for start in range(0, len(jobs), 50):
        batch = jobs[start:start + 50]
        api.call("POST", "/api/v1/records", "station", {"station": batch[0]["station"], "backlog": 0, "records": batch})
    api.call("POST", "/api/v1/releases", "engineer", {
        "jobDigest": RELEASED, "device": "M30624FGFP", "userRomChecksum": "3F2A", "bootRomChecksum": None,
        "files": ["board-7.pxp", "board-7.hex"], "note": "Lot 24-117, approved by quality"})


def post_status(api, hostile=False):
    states = {"line-a": [("Running", "pages", 37), ("Verified", None, None), ("Failed", None, None), ("No box", None, None)],
              "line-b": [("Idle", None, None), ("Running", "read-back", 82), ("Cancelled", None, None)]}
    for station, tiles in states.items():
        body = {"project": "board-7.pxp", "jobDigest": RELEASED if station == "line-a" else OTHER, "backlog": 0,
                "tiles": [{"slot": i + 1, "label": HOSTILE if hostile and i == 2 else "Fixture %s%d" % (station[-1].upper(), i + 1),
                           "port": BOXES[station][i], "state": state, "phase": phase, "percent": percent,
                           "counters": {"passed": 40 + 3 * i, "failed": i, "cancelled": 1 if i == 2 else 0}}
                          for i, (state, phase, percent) in enumerate(tiles)]}
        api.call("POST", "/api/v1/stations/%s/status" % station, "station", body)


def page_figures(browser):
    return browser.evaluate("""({
        stations: [...document.querySelectorAll('.station-card')].map(c => c.dataset.station),
        passed: document.getElementById('yield-passed').textContent,
        failed: document.getElementById('yield-failed').textContent,
        firstPass: document.getElementById('yield-first-pass').textContent,
        cause: document.querySelector('#cause-table tbody td') ? document.querySelector('#cause-table tbody td').textContent : '',
        boxes: document.querySelectorAll('#box-table tbody tr').length,
        released: [...document.querySelectorAll('#box-table tbody tr')].map(r => r.cells[8].textContent),
        jobs: document.querySelectorAll('#job-table tbody tr').length,
        releases: document.getElementById('release-table').textContent,
        errors: document.getElementById('page-errors').textContent,
    })""")


def since_iso():
    since = int(time.time()) // 3600 * 3600 - 23 * 3600  # as the page asks: 24 hours, the current one last
    return time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime(since))


def check_page(api, figures):
    buckets = api.call("GET", "/api/v1/yield?by=hour&since=" + since_iso(), "viewer")["buckets"]
    summary = api.call("GET", "/api/v1/summary?since=" + since_iso(), "viewer")
    passed, failed = sum(b["passed"] for b in buckets), sum(b["failed"] for b in buckets)
    check(figures["stations"] == ["line-a", "line-b"], "the two stations: %s" % figures["stations"])
    check(figures["passed"] == str(passed) and figures["failed"] == str(failed),
          "yield as the API gives it: passed %s failed %s (API %d, %d)" % (figures["passed"], figures["failed"], passed, failed))
    first = summary["firstPass"]["yield"]
    check(figures["firstPass"] == "%.1f %%" % (first * 100), "first-pass yield %s (API %s)" % (figures["firstPass"], first))
    check(figures["cause"] == summary["causes"][0]["outcome"], "top failure cause %s" % figures["cause"])
    boxes = api.call("GET", "/api/v1/boxes", "viewer")["boxes"]
    check(figures["boxes"] == len(boxes) == 7 and {"Released", "Not released"} <= set(figures["released"]),
          "%d boxes, released and not: %s" % (figures["boxes"], figures["released"]))
    check(figures["jobs"] == 100, "the newest 100 jobs: %d rows" % figures["jobs"])
    check(RELEASED in figures["releases"] and "Lot 24-117" in figures["releases"], "the released digest and its note")


def pictures(browser, folder):
    for view in os.environ.get("PLX71_LINE_VIEWS", "stations yield boxes").split():
        browser.evaluate("location.hash = '%s'" % view)
        browser.wait_for("!document.getElementById('view-%s').hidden" % view, 10)
        if view == "yield":
            browser.wait_for("document.getElementById('timing').dataset.firstChartMs", 10)
        time.sleep(0.3)
        browser.screenshot(os.path.join(folder, "line-%s.png" % view))


def check_markup_stays_text(api, browser):
    post_status(api, hostile=True)
    api.call("POST", "/api/v1/records", "station", {"station": "line-a", "records": [
        dict(record(1, "line-a", BOXES["line-a"][0], 1, int(time.time())), label=HOSTILE)]})
    try:
        browser.wait_for("[...document.querySelectorAll('.tile-title, #job-table td')]"
                         ".filter(t => t.textContent.includes(\"<script>document.title\")).length >= 2", 20)
        shown = True
    except RuntimeError:
        shown = False
    executed = browser.evaluate("[document.title, document.querySelectorAll('main script, main img').length]")
    check(shown and executed == ["PLX71 line", 0], "labels holding <script> show as text: %s" % executed)


def check_unreachable(api, browser, server_pid):
    # The page first shows what the server holds now, then the server stops.
    before = str(sum(b["passed"] for b in api.call("GET", "/api/v1/yield?by=hour&since=" + since_iso(), "viewer")["buckets"]))
    browser.wait_for("document.getElementById('yield-passed').textContent === '%s'" % before, 20)
    os.kill(server_pid, signal.SIGTERM)
    try:
        browser.wait_for("document.getElementById('connection').textContent.startsWith('Line server not reachable')", 20)
        reached = True
    except RuntimeError:
        reached = False
    check(reached, "server stopped: the page says \"Line server not reachable\"")
    kept = browser.evaluate("[document.body.classList.contains('stale'), document.getElementById('yield-passed').textContent]")
    check(kept == [True, before], "the last numbers stay, greyed: %s" % kept)


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    url, tokens_dir, server_pid, folder = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
    api = Api(url, tokens_dir)
    seed(api)
    post_status(api)  # just before the page opens: both stations are online
    with Chromium(1400, 1000) as browser:
        browser.open(url + "/#stations&token=" + api.tokens["viewer"])
        browser.wait_for("Number(document.body.dataset.updates) >= 1", 30)
        figures = page_figures(browser)
        check_page(api, figures)
        pictures(browser, folder)
        check_markup_stays_text(api, browser)
        check_unreachable(api, browser, server_pid)
        errors = browser.evaluate("document.getElementById('page-errors').textContent")
        check(not errors and not browser.exceptions and not browser.console,
              "no script of the page failed: %r %r %r" % (errors, browser.exceptions, browser.console))
    if failures:
        sys.exit("line page check: %d failed" % len(failures))
    print("line page check: all passed")


if __name__ == "__main__":
    main()
