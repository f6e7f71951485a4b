#!/usr/bin/env python3
"""Plays files that quenzel-convert wrote in headless Chromium, as a web page would.

For MP4 (H.264 + AAC) and WebM (VP9 + Opus): the page loads the file from a local web server,
waits for its metadata, seeks into it and draws the picture there onto a canvas. The browser
reports what it saw back to the server; the test passes when each file shows a picture of the
written size with detail in it, and the duration that was written.

    browser_playback.py QUENZEL_CONVERT
"""
import functools
import http.server
import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading

WIDTH, HEIGHT, SECONDS = 320, 240, 3.0
FORMATS = ("mp4", "webm")

PAGE = """<!doctype html>
<html><body>
<video id="video" muted preload="auto"></video>
<canvas id="canvas" width="%(width)d" height="%(height)d"></canvas>
<script>
const video = document.getElementById('video');
const report = (result) =>
  fetch('/result', {method: 'POST', body: JSON.stringify(result)});
video.onerror = () => report({error: 'cannot play: ' + (video.error && video.error.message)});
video.onloadedmetadata = () => { video.currentTime = 1.5; };
// Under load the seek can end before the picture there is decoded, and the canvas stays empty:
// the drawing is tried again for up to two seconds.
const draw = (attempt) => {
  const canvas = document.getElementById('canvas');
  const context = canvas.getContext('2d');
  context.drawImage(video, 0, 0, canvas.width, canvas.height);
  const pixels = context.getImageData(0, 0, canvas.width, canvas.height).data;
  let sum = 0, squares = 0;
  for (let i = 0; i < pixels.length; i += 4) {
    const gray = (pixels[i] + pixels[i + 1] + pixels[i + 2]) / 3;
    sum += gray;
    squares += gray * gray;
  }
  const count = pixels.length / 4;
  const mean = sum / count;
  if (squares === 0 && attempt < 20) {
    setTimeout(() => draw(attempt + 1), 100);
    return;
  }
  report({width: video.videoWidth, height: video.videoHeight, duration: video.duration,
          time: video.currentTime, mean: mean, deviation: Math.sqrt(squares / count - mean * mean)});
};
video.onseeked = () => draw(0);
video.src = '/%(file)s';
</script>
</body></html>
"""


def make_source(folder):
    source = os.path.join(folder, "camera source.mp4")
    subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                    "testsrc2=size=640x480:rate=30:duration=5", "-f", "lavfi", "-i",
                    "sine=frequency=440:duration=5", "-c:v", "libx264", "-preset", "ultrafast",
                    "-pix_fmt", "yuv420p", "-c:a", "aac", source], check=True)
    return source


def convert(quenzel_convert, source, folder, format_name):
    target = os.path.join(folder, "quenzel." + format_name)
    environment = dict(os.environ, XDG_CONFIG_HOME=os.path.join(folder, "config"))
    subprocess.run([quenzel_convert, source, "-o", target, "--format", format_name, "--start",
                    "1", "--end", str(1 + SECONDS), "--size", "%dx%d" % (WIDTH, HEIGHT), "--fps",
                    "30"], check=True, env=environment, stdin=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    return os.path.basename(target)


class Server(http.server.ThreadingHTTPServer):
    def __init__(self, folder):
        self.folder = folder
        self.results = {}
        self.arrived = threading.Condition()
        super().__init__(("127.0.0.1", 0), functools.partial(Handler, directory=folder))


class Handler(http.server.SimpleHTTPRequestHandler):
    """Serves the folder with byte ranges, as every web server does: browsers seek by them."""

    def do_GET(self):
        wanted = self.headers.get("Range", "")
        path = self.translate_path(self.path)
        if not wanted.startswith("bytes=") or not os.path.isfile(path):
            return super().do_GET()
        size = os.path.getsize(path)
        first, _, last = wanted[len("bytes="):].split(",")[0].partition("-")
        start = int(first) if first else max(size - int(last), 0)
        end = min(int(last), size - 1) if first and last else size - 1
        if start >= size:
            self.send_error(416)
            return
        self.send_response(206)
        self.send_header("Content-Type", self.guess_type(path))
        self.send_header("Accept-Ranges", "bytes")
        self.send_header("Content-Range", "bytes %d-%d/%d" % (start, end, size))
        self.send_header("Content-Length", str(end - start + 1))
        self.end_headers()
        with open(path, "rb") as source:
            source.seek(start)
            self.wfile.write(source.read(end - start + 1))

    def do_POST(self):
        length = int(self.headers.get("Content-Length", 0))
        result = json.loads(self.rfile.read(length))
        self.send_response(204)
        self.end_headers()
        with self.server.arrived:
            self.server.results[self.headers.get("Referer", "").rsplit("/", 1)[-1]] = result
            self.server.arrived.notify_all()

    def log_message(self, *arguments):
        pass


def play(server, page, profile):
    url = "http://127.0.0.1:%d/%s" % (server.server_address[1], page)
    browser = subprocess.Popen(
        ["chromium", "--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic",
         "--no-first-run", "--disable-background-networking", "--disable-component-update",
         "--disable-sync", "--mute-audio", "--user-data-dir=" + profile, url],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        with server.arrived:
            server.arrived.wait_for(lambda: page in server.results, timeout=60)
    finally:
        browser.kill()
        browser.wait()
    return server.results.get(page, {"error": "the browser reported nothing within 60 s"})


def check(format_name, result):
    problems = []
    if "error" in result:
        return [result["error"]]
    if (result["width"], result["height"]) != (WIDTH, HEIGHT):
        problems.append("picture %dx%d" % (result["width"], result["height"]))
    if abs(result["duration"] - SECONDS) > 0.05:
        problems.append("duration %.3f s" % result["duration"])
    if abs(result["time"] - 1.5) > 0.05:
        problems.append("sought to %.3f s" % result["time"])
    if result["deviation"] < 10:  # testsrc2 is anything but flat
        problems.append("no picture drawn (mean %.1f, deviation %.1f)"
                        % (result["mean"], result["deviation"]))
    return problems


def main():
    if shutil.which("chromium") is None:
        print("chromium is not installed (scripts/setup installs it)")
        return 1
    folder = tempfile.mkdtemp(prefix="quenzel-browser-")
    try:
        source = make_source(folder)
        server = Server(folder)
        threading.Thread(target=server.serve_forever, daemon=True).start()
        failures = 0
        for format_name in FORMATS:
            written = convert(sys.argv[1], source, folder, format_name)
            page = "play-%s.html" % format_name
            with open(os.path.join(folder, page), "w") as out:
                out.write(PAGE % {"width": WIDTH, "height": HEIGHT, "file": written})
            result = play(server, page, os.path.join(folder, "profile-" + format_name))
            problems = check(format_name, result)
            print("%s: %s" % (format_name, "; ".join(problems) if problems else
                              "plays, %dx%d, %.3f s, picture at 1.5 s (deviation %.1f)"
                              % (result["width"], result["height"], result["duration"],
                                 result["deviation"])))
            failures += bool(problems)
        server.shutdown()
        return 1 if failures else 0
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
