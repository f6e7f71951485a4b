#!/usr/bin/env python3
"""Plays files that quenzel-convert wrote in headless Chromium, as a web page would.

For MP4 (H.264 + AAC) and WebM (VP9 + Opus), and for copied cuts into MP4 from closed and open
groups of pictures (the first pictures encoded again, then the source's own from a key frame on): the page loads the file from a local
web server, waits for its metadata, seeks into it and draws the picture there onto a canvas. The
browser reports what it saw back to the server; the test passes when each file shows a picture of
the written size with detail in it, and the duration that was written. The copied cut is sought
half a second past its first copied key frame: a browser that loses the stream at the seam shows
nothing there.

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

SECONDS = 3.0
# name, format, options, the picture's size, where it is sought.
JOBS = (
    ("mp4", "mp4", ["--start", "1", "--size", "320x240", "--fps", "30"], (320, 240), 1.5),
    ("webm", "webm", ["--start", "1", "--size", "320x240", "--fps", "30"], (320, 240), 1.5),
    # From 1.2 s: the source's key frame at 2 s is the first copied picture, at 0.8 s.
    ("copy", "mp4", ["--start", "1.2", "--video-compressor", "copy", "--audio-compressor",
                     "copy"], (640, 480), 1.3),
    # The same from a source of open groups: the copied key frame is made an IDR one.
    ("copy-open", "mp4", ["--start", "1.2", "--video-compressor", "copy", "--audio-compressor",
                          "copy"], (640, 480), 1.3),
)
# x264's options for each job's source: closed groups with 2 B-frames, or open ones.
SOURCES = {
    "copy-open": ["-bf", "3", "-x264-params", "open-gop=1:b-pyramid=normal"],
}

PAGE = """<!doctype html>
<html><body>
<video id="video" muted preload="auto"></video>
<canvas id="canvas" width="%(width)d" height="%(height)d"></canvas>
<script>
const video = document.getElementById('video');
const report = (result) =>
  fetch('/result', {method: 'POST', body: JSON.stringify(result)});
video.onerror = () => report({error: 'cannot play: ' + (video.error && video.error.message)});
video.onloadedmetadata = () => { video.currentTime = %(seek)s; };
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


def make_source(folder, name, groups):
    source = os.path.join(folder, "camera source %s.mp4" % name)
    subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                    "testsrc2=size=640x480:rate=30:duration=5", "-f", "lavfi", "-i",
                    "sine=frequency=440:duration=5", "-c:v", "libx264", "-preset", "veryfast",
                    "-g", "30", "-sc_threshold", "0"] + groups + ["-pix_fmt", "yuv420p", "-c:a",
                    "aac", source], check=True)
    return source


def convert(quenzel_convert, source, folder, name, format_name, options):
    target = os.path.join(folder, "quenzel-%s.%s" % (name, format_name))
    environment = dict(os.environ, XDG_CONFIG_HOME=os.path.join(folder, "config"))
    start = float(options[options.index("--start") + 1])
    subprocess.run([quenzel_convert, source, "-o", target, "--format", format_name, "--end",
                    str(start + SECONDS)] + options, check=True, env=environment,
                   stdin=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
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


def check(result, size, seek):
    problems = []
    if "error" in result:
        return [result["error"]]
    if (result["width"], result["height"]) != size:
        problems.append("picture %dx%d" % (result["width"], result["height"]))
    if abs(result["duration"] - SECONDS) > 0.05:
        problems.append("duration %.3f s" % result["duration"])
    if abs(result["time"] - seek) > 0.05:
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
        server = Server(folder)
        threading.Thread(target=server.serve_forever, daemon=True).start()
        failures = 0
        for name, format_name, options, size, seek in JOBS:
            source = make_source(folder, name, SOURCES.get(name, ["-bf", "2"]))
            written = convert(sys.argv[1], source, folder, name, format_name, options)
            page = "play-%s.html" % name
            with open(os.path.join(folder, page), "w") as out:
                out.write(PAGE % {"width": size[0], "height": size[1], "file": written,
                                  "seek": seek})
            result = play(server, page, os.path.join(folder, "profile-" + name))
            problems = check(result, size, seek)
            print("%s: %s" % (name, "; ".join(problems) if problems else
                              "plays, %dx%d, %.3f s, picture at %.1f s (deviation %.1f)"
                              % (result["width"], result["height"], result["duration"], seek,
                                 result["deviation"])))
            failures += bool(problems)
        server.shutdown()
        return 1 if failures else 0
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
