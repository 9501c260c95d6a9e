#!/usr/bin/env python3
"""A loopback stream server that misbehaves on request, for the streaming tests."""

# It loops a 128 kbit/s CBR MP3 file in real time. The path picks the behaviour, the query
# tunes it:
#
#   /stream      paced MP3, optional ICY titles
#                  burst=S      send the first S seconds at once
#                  stall=S      after S seconds of audio stop sending, keep the socket open
#                  close=S      after S seconds of audio close the connection
#                  gapat=S&gap=G  pause G seconds after S seconds of audio, then go on
#                  die=S        as stall=S for the first listener of this exact URL; every later
#                               one is accepted and never answered, as a hung server does
#                  title=T      ICY StreamTitle (repeatable; the next one every `every` seconds)
#                  every=S      seconds between titles (default 2)
#                  metaint=N    ICY metadata interval in bytes (default 8000)
#                  (titles are bytes: percent-escape them in the encoding to be sent)
#   /list        a playlist, or what claims to be one: type=Content-Type (default audio/x-scpls)
#                  and body=TEXT, or noise=N random bytes, or flat=N bytes without a line break
#   /moved       302 to=URL
#   /file/NAME   the file NAME of the server's `folder` (a Path the test sets), at once, unsized
#   /hls/NAME    a live HLS playlist over the folder's seg<N>.ts (AAC in MPEG-TS, 2 s each)
#   /404         HTTP 404
#   /never       accepts and reads the request, never answers
#   /silence     sends the response headers, then nothing
#   /garbage     200 audio/mpeg, then random bytes that are not audio
#   /html        200 text/html, then a web page
#
# Run as a program it prints "PORT <n>" once it listens and serves until killed; tests start
# it in-process with start() and read `requests`: (monotonic time, path) of every request.

import argparse, itertools, os, select, socketserver, threading, time, urllib.parse

BYTES_PER_SECOND = 16000
CHUNK = BYTES_PER_SECOND // 50


class Handler(socketserver.StreamRequestHandler):
    timeout = 30

    def handle(self):
        try:
            # The request line and the headers, up to the blank line.
            header = itertools.takewhile(bytes.strip, self.rfile)
            request, *lines = [line.decode("latin-1").strip() for line in header]
            target = request.split(" ")[1]
            headers = {k.lower(): v.strip() for k, _, v in (l.partition(":") for l in lines)}
            with self.server.lock:
                earlier = [path for _, path in self.server.requests if path == target]
                self.server.requests.append((time.monotonic(), target))
            url = urllib.parse.urlsplit(target)
            query = urllib.parse.parse_qs(url.query, encoding="latin-1")
            self.path_ = url.path
            if url.path == "/stream" and earlier and "die" in query:
                return self.hold()
            route = getattr(self, "route_" + url.path.strip("/").split("/")[0], self.route_404)
            route(query, headers)
        except (OSError, IndexError, KeyError, ValueError):
            pass

    def head(self, content_type, extra=()):
        lines = ["HTTP/1.0 200 OK", f"Content-Type: {content_type}", "icy-name: Fault Lab", *extra]
        self.request.sendall(("\r\n".join(lines) + "\r\n\r\n").encode("latin-1"))

    def hold(self):
        while True:
            readable, _, _ = select.select([self.request], [], [], 60)
            if readable and not self.request.recv(4096):
                return

    def send(self, content_type, body, status="200 OK", extra=()):
        lines = [f"HTTP/1.0 {status}", f"Content-Type: {content_type}", f"Content-Length: {len(body)}", *extra]
        self.request.sendall(("\r\n".join(lines) + "\r\n\r\n").encode("latin-1") + body)

    def route_list(self, query, headers):
        size = lambda name: int(query.get(name, [0])[0])
        body = query.get("body", [""])[0].encode("latin-1") or os.urandom(size("noise")) or b"x" * size("flat")
        self.send(query.get("type", ["audio/x-scpls"])[0], body)

    def route_moved(self, query, headers):
        self.send("text/plain", b"", "302 Found", [f"Location: {query['to'][0]}"])

    def route_file(self, query, headers):
        # Without a length, as a live stream: a demuxer would otherwise seek to the end.
        self.head("application/octet-stream")
        self.request.sendall((self.server.folder / self.path_.split("/")[-1]).read_bytes())

    def route_hls(self, query, headers):
        name = self.path_.split("/")[-1]
        segments = len(list(self.server.folder.glob("seg*.ts")))
        if name.startswith("seg"):
            return self.send("video/mp2t", (self.server.folder / f"seg{int(name[3:-3]) % segments}.ts").read_bytes())
        now = int((time.monotonic() - self.server.started) / 2)
        lines = ["#EXTM3U", "#EXT-X-VERSION:3", "#EXT-X-TARGETDURATION:2", f"#EXT-X-MEDIA-SEQUENCE:{now}"]
        for n in range(now, now + 3):
            lines += ["#EXTINF:2.0,", f"seg{n}.ts"]
        self.send("application/octet-stream", "\n".join(lines).encode() + b"\n")

    def route_404(self, query, headers):
        self.request.sendall(b"HTTP/1.0 404 Not Found\r\nContent-Type: text/plain\r\n"
                             b"Content-Length: 10\r\n\r\nnot found\n")

    route_never = lambda self, query, headers: self.hold()

    def route_silence(self, query, headers):
        self.head("audio/mpeg")
        self.hold()

    def route_garbage(self, query, headers):
        self.head("audio/mpeg")
        for _ in range(600):
            self.request.sendall(os.urandom(10000))
            time.sleep(0.1)

    def route_html(self, query, headers):
        body = b"<!DOCTYPE html><html><title>Login</title><body>" + b"<p>Sign in</p>" * 400
        self.head("text/html; charset=utf-8", [f"Content-Length: {len(body)}"])
        self.request.sendall(body)
        self.hold()

    def route_stream(self, query, headers):
        number = lambda name, default=None: float(query[name][0]) if name in query else default

        burst, gap_at, gap = number("burst", 0.0), number("gapat"), number("gap", 0.0)
        stall, close = number("stall", number("die")), number("close")
        titles, every, metaint = query.get("title", []), number("every", 2.0), int(number("metaint", 8000))
        icy = bool(titles) and headers.get("icy-metadata") == "1"
        self.head("audio/mpeg", [f"icy-metaint: {metaint}"] if icy else [])
        audio = self.server.audio
        start, sent, until_meta, shown = time.monotonic(), 0, metaint, None
        while True:
            seconds = sent / BYTES_PER_SECOND
            if stall is not None and seconds >= stall:
                return self.hold()
            if close is not None and seconds >= close:
                return
            if gap_at is not None and seconds >= gap_at:
                time.sleep(gap)
                start, gap_at = start + gap, None
            delay = start + max(0.0, seconds - burst) - time.monotonic()
            if delay > 0:
                time.sleep(delay)
            offset = sent % len(audio)
            piece = audio[offset:offset + CHUNK]
            sent += len(piece)
            while icy and len(piece) >= until_meta:
                title = titles[min(int((time.monotonic() - start) / every), len(titles) - 1)]
                self.request.sendall(piece[:until_meta] + self.metadata(title if title != shown else None))
                piece, shown, until_meta = piece[until_meta:], title, metaint
            until_meta -= len(piece)
            self.request.sendall(piece)

    @staticmethod
    def metadata(title):
        if title is None:
            return b"\x00"
        text = f"StreamTitle='{title}';".encode("latin-1")
        blocks = (len(text) + 15) // 16
        return bytes([blocks]) + text.ljust(blocks * 16, b"\x00")


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = allow_reuse_address = True


def start(audio_file, port=0):
    """Serves `audio_file` on a thread; the caller calls shutdown() and server_close()."""
    server = Server(("127.0.0.1", port), Handler)
    server.audio = open(audio_file, "rb").read()
    server.requests, server.lock, server.started = [], threading.Lock(), time.monotonic()
    server.url = lambda path: f"http://127.0.0.1:{server.server_address[1]}{path}"
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


if __name__ == "__main__":
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--audio", required=True, help="a 128 kbit/s CBR MP3 file to loop")
    args = parser.parse_args()
    print(f"PORT {start(args.audio, args.port).server_address[1]}", flush=True)
    threading.Event().wait()
