#!/usr/bin/env python3
"""Opens a web page exported by Quenvar in headless Chromium (software WebGL)
and prints what its player wrote: the digests of ?frame=K, or the rate of
?bench=N.

  pageresult.py PAGE.html QUERY [ELEMENT]      e.g.  page.html frame=1,2,500

The browser is driven through its DevTools pipe, so the answer is read once
the player says it is done, however long the software renderer takes; no
time budget is guessed. Exit status 0 with the element's text on standard
output, 1 when the page reports an error or the browser fails, 2 for bad
arguments."""
import json
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile

TIMEOUT_S = 300


def browser():
    for name in ("chromium", "chromium-browser", "google-chrome"):
        path = shutil.which(name)
        if path:
            return path
    return None


class Pipe:
    def __init__(self, to_browser, from_browser):
        self.to_browser = to_browser
        self.from_browser = from_browser
        self.buffer = b""
        self.next_id = 0

    def send(self, method, params=None, session=None):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = session
        os.write(self.to_browser, json.dumps(message).encode() + b"\0")
        return self.wait(self.next_id)

    def wait(self, wanted):
        while True:
            while b"\0" not in self.buffer:
                chunk = os.read(self.from_browser, 1 << 16)
                if not chunk:
                    raise RuntimeError("the browser closed its pipe")
                self.buffer += chunk
            raw, self.buffer = self.buffer.split(b"\0", 1)
            message = json.loads(raw)
            if message.get("id") == wanted:
                if "error" in message:
                    raise RuntimeError(message["error"].get("message", "protocol error"))
                return message["result"]


# Waits for the player's promise (window.playerDone), then reads the element.
EXPRESSION = """new Promise((resolve) => {
  const read = () => document.getElementById(%s).textContent;
  const poll = () => window.playerDone
      ? window.playerDone.then(() => resolve(read()), () => resolve(read()))
      : setTimeout(poll, 20);
  poll();
})"""


def main():
    if len(sys.argv) not in (3, 4):
        print(__doc__, file=sys.stderr)
        return 2
    page, query = pathlib.Path(sys.argv[1]).resolve(), sys.argv[2]
    element = sys.argv[3] if len(sys.argv) == 4 else query.split("=")[0].replace("frame", "digest")
    path = browser()
    if not path:
        print("pageresult: no chromium found", file=sys.stderr)
        return 1
    profile = tempfile.mkdtemp(prefix="quenvar-chromium-")
    to_r, to_w = os.pipe()
    from_r, from_w = os.pipe()
    command = [path, "--headless=new", "--no-sandbox", "--use-gl=angle",
               "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
               "--disable-gpu-watchdog", "--no-first-run", "--disable-extensions",
               "--user-data-dir=" + profile, "--remote-debugging-pipe", "about:blank"]

    def child_fds():
        # The browser reads commands from descriptor 3 and answers on 4;
        # the pipe ends may themselves be 3 or 4, so move them out first.
        high_r, high_w = 100, 101
        os.dup2(to_r, high_r)
        os.dup2(from_w, high_w)
        os.dup2(high_r, 3)
        os.dup2(high_w, 4)

    process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, preexec_fn=child_fds, close_fds=False)
    os.close(to_r)
    os.close(from_w)
    try:
        pipe = Pipe(to_w, from_r)
        url = page.as_uri() + "?" + query
        target = pipe.send("Target.createTarget", {"url": url})["targetId"]
        session = pipe.send("Target.attachToTarget",
                            {"targetId": target, "flatten": True})["sessionId"]
        text = None
        for _ in range(50):
            # The first tries may meet the blank page the tab starts with,
            # whose context goes away when the page itself comes.
            try:
                result = pipe.send("Runtime.evaluate", {
                    "expression": EXPRESSION % json.dumps(element),
                    "awaitPromise": True, "returnByValue": True,
                    "timeout": TIMEOUT_S * 1000}, session)
            except RuntimeError as e:
                if "context" not in str(e):
                    raise
                continue
            text = result.get("result", {}).get("value")
            break
        try:
            pipe.send("Browser.close")
        except RuntimeError:
            pass
    finally:
        try:
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
        shutil.rmtree(profile, ignore_errors=True)
    if not isinstance(text, str) or text.startswith("error"):
        print("pageresult: the page says: %s" % text, file=sys.stderr)
        return 1
    print(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
