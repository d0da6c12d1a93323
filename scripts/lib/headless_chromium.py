"""Debian's headless Chromium, driven over its DevTools pipe (no network port,
no extra packages): open a page, wait for what its scripts put in the DOM,
read it, take a picture. Used by scripts/ci/line_page_check.py and
scripts/bench/bench_line_page.sh.

    with Chromium() as browser:
        browser.open("http://127.0.0.1:7171/#yield")
        browser.wait_for("document.body.dataset.updates >= 1", 20)
        text = browser.evaluate("document.body.innerText")

Every exception a page script throws is kept in `browser.exceptions`.
"""
import base64
import json
import os
import select
import shutil
import subprocess
import tempfile
import time

CHROMIUM = os.environ.get("CHROMIUM", "chromium")
FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--disable-extensions", "--remote-debugging-pipe"]


class ChromiumError(RuntimeError):
    pass


class Chromium:
    def __init__(self, width=1400, height=1000):
        self.width, self.height = width, height
        self.profile = tempfile.mkdtemp(prefix="plx71-chromium-")
        self.exceptions, self.console = [], []
        self._next_id, self._buffer, self._session = 0, b"", None
        to_browser_r, self._to_browser = os.pipe()
        self._from_browser, from_browser_w = os.pipe()

        def pipe_fds():
            # The browser reads commands on fd 3 and writes answers to fd 4.
            a, b = os.dup(to_browser_r), os.dup(from_browser_w)
            os.dup2(a, 3)
            os.dup2(b, 4)

        self.log = open(os.path.join(self.profile, "chromium.log"), "wb")
        self.proc = subprocess.Popen(
            [CHROMIUM, *FLAGS, "--user-data-dir=" + self.profile, f"--window-size={width},{height}", "about:blank"],
            stdin=subprocess.DEVNULL, stdout=self.log, stderr=self.log, close_fds=False, preexec_fn=pipe_fds)
        os.close(to_browser_r)
        os.close(from_browser_w)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def close(self):
        if self.proc.poll() is None:
            try:
                self.send("Browser.close", session=False, timeout=10)
            except (ChromiumError, OSError):
                pass
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        for fd in (self._to_browser, self._from_browser):
            try:
                os.close(fd)
            except OSError:
                pass
        self.log.close()
        shutil.rmtree(self.profile, ignore_errors=True)

    # --- The protocol: JSON messages, each ended by a NUL byte.
    def _read_message(self, deadline):
        while b"\0" not in self._buffer:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([self._from_browser], [], [], left)[0]:
                raise ChromiumError("no answer from Chromium in time")
            chunk = os.read(self._from_browser, 1 << 16)
            if not chunk:
                raise ChromiumError("Chromium ended (see its log: %s)" % self.log.name)
            self._buffer += chunk
        message, self._buffer = self._buffer.split(b"\0", 1)
        return json.loads(message)

    def _note_event(self, message):
        method, params = message.get("method"), message.get("params", {})
        if method == "Runtime.exceptionThrown":
            d = params.get("exceptionDetails", {})
            self.exceptions.append((d.get("exception") or {}).get("description") or d.get("text", "?"))
        elif method == "Runtime.consoleAPICalled" and params.get("type") in ("error", "assert"):
            self.console.append(" ".join(str(a.get("value", a.get("description", ""))) for a in params.get("args", [])))

    def send(self, method, params=None, session=True, timeout=30):
        self._next_id += 1
        message = {"id": self._next_id, "method": method, "params": params or {}}
        if session and self._session:
            message["sessionId"] = self._session
        os.write(self._to_browser, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + timeout
        while True:
            answer = self._read_message(deadline)
            if answer.get("id") != self._next_id:
                self._note_event(answer)
                continue
            if "error" in answer:
                raise ChromiumError("%s: %s" % (method, answer["error"].get("message")))
            return answer.get("result", {})

    # --- A page.
    def open(self, url):
        target = self.send("Target.createTarget", {"url": "about:blank"}, session=False)["targetId"]
        self._session = self.send("Target.attachToTarget", {"targetId": target, "flatten": True},
                                  session=False)["sessionId"]
        self.send("Runtime.enable")
        self.send("Page.enable")
        self.send("Emulation.setDeviceMetricsOverride",
                  {"width": self.width, "height": self.height, "deviceScaleFactor": 1, "mobile": False})
        self.navigate(url)

    def navigate(self, url):
        self.send("Page.navigate", {"url": url})

    def evaluate(self, expression):
        result = self.send("Runtime.evaluate", {"expression": expression, "returnByValue": True})
        if "exceptionDetails" in result:
            raise ChromiumError("%s: %s" % (expression, result["exceptionDetails"].get("text")))
        return result.get("result", {}).get("value")

    def wait_for(self, expression, timeout):
        """Waits until `expression` is true in the page; returns its value, or raises at the deadline."""
        deadline = time.monotonic() + timeout
        why = ""
        while True:
            try:
                value = self.evaluate(expression)
                if value:
                    return value
            except ChromiumError as e:  # the page is still loading
                why = " (%s)" % e
            if time.monotonic() > deadline:
                raise ChromiumError("the page did not reach %r in %s s%s" % (expression, timeout, why))
            time.sleep(0.05)

    def screenshot(self, path):
        data = self.send("Page.captureScreenshot", {"format": "png"})["data"]
        with open(path, "wb") as f:
            f.write(base64.b64decode(data))
