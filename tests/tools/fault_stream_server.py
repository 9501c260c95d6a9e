#!/usr/bin/env python3
"""A loopback MP3 stream server that misbehaves on request, for the streaming tests.

The path picks the behaviour, the query tunes it:

  /stream      paced MP3 (looped), optional ICY titles
                 burst=S      send the first S seconds at once
                 rate=R       send at R times real time (0.5 starves the player)
                 stall=S      after S seconds of audio stop sending, keep the socket open
                 close=S      after S seconds of audio close the connection
                 gapat=S&gap=G  pause G seconds after S seconds of audio, then go on
                 title=T      ICY StreamTitle (repeatable; the next one every `every` seconds)
                 every=S      seconds between titles (default 2)
                 metaint=N    ICY metadata interval in bytes (default 8000)
  /404         HTTP 404
  /never       accepts and reads the request, never answers
  /silence     sends the response headers, then nothing
  /garbage     200 audio/mpeg, then random bytes that are not audio
  /html        200 text/html, then a web page

The server prints "PORT <n>" once it listens, and serves until it is killed.
"""

import argparse
import os
import select
import socket
import socketserver
import sys
import time
import urllib.parse

BITRATES_V1_L3 = [0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320]
SAMPLE_RATES_V1 = [44100, 48000, 32000]


def mp3_frames(data):
    """Splits MPEG-1 Layer III data into frames; returns (frames, seconds per frame)."""
    if data[:3] == b"ID3":
        size = 0
        for b in data[6:10]:
            size = (size << 7) | (b & 0x7F)
        data = data[10 + size:]
    frames = []
    seconds = None
    pos = 0
    while pos + 4 <= len(data):
        h = int.from_bytes(data[pos:pos + 4], "big")
        sync, version, layer = h >> 21, (h >> 19) & 3, (h >> 17) & 3
        bitrate_index, rate_index = (h >> 12) & 0xF, (h >> 10) & 3
        if sync != 0x7FF or version != 3 or layer != 1 or bitrate_index in (0, 15) or rate_index == 3:
            pos += 1
            continue
        rate = SAMPLE_RATES_V1[rate_index]
        length = 144000 * BITRATES_V1_L3[bitrate_index] // rate + ((h >> 9) & 1)
        frames.append(data[pos:pos + length])
        seconds = 1152 / rate
        pos += length
    if not frames:
        sys.exit("no MPEG-1 Layer III frames in the audio file")
    return frames, seconds


class ClientGone(Exception):
    pass


class Handler(socketserver.BaseRequestHandler):
    def setup(self):
        self.request.settimeout(30)

    def handle(self):
        try:
            head = self.read_request()
            if head is None:
                return
            request_line, headers = head
            parts = request_line.split(" ")
            if len(parts) < 2:
                return
            url = urllib.parse.urlsplit(parts[1])
            query = urllib.parse.parse_qs(url.query)
            route = {
                "/stream": self.stream,
                "/404": self.not_found,
                "/never": self.never,
                "/silence": self.silence,
                "/garbage": self.garbage,
                "/html": self.html,
            }.get(url.path, self.not_found)
            route(query, headers)
        except (ClientGone, OSError):
            pass

    def read_request(self):
        data = b""
        while b"\r\n\r\n" not in data:
            chunk = self.request.recv(4096)
            if not chunk:
                return None
            data += chunk
        lines = data.split(b"\r\n\r\n", 1)[0].decode("latin-1").split("\r\n")
        headers = {}
        for line in lines[1:]:
            name, _, value = line.partition(":")
            headers[name.strip().lower()] = value.strip()
        return lines[0], headers

    def send(self, data):
        try:
            self.request.sendall(data)
        except OSError as e:
            raise ClientGone() from e

    def send_head(self, status, content_type, extra=()):
        lines = [f"HTTP/1.0 {status}", f"Content-Type: {content_type}", "Connection: close",
                 "icy-name: Fault Lab", *extra]
        self.send(("\r\n".join(lines) + "\r\n\r\n").encode("latin-1"))

    def hold_until_client_leaves(self):
        while True:
            readable, _, _ = select.select([self.request], [], [], 60)
            if readable and not self.request.recv(4096):
                return

    def not_found(self, query, headers):
        body = b"not found\n"
        self.send(b"HTTP/1.0 404 Not Found\r\nContent-Type: text/plain\r\nContent-Length: "
                  + str(len(body)).encode() + b"\r\nConnection: close\r\n\r\n" + body)

    def never(self, query, headers):
        self.hold_until_client_leaves()

    def silence(self, query, headers):
        self.send_head("200 OK", "audio/mpeg")
        self.hold_until_client_leaves()

    def garbage(self, query, headers):
        self.send_head("200 OK", "audio/mpeg")
        for _ in range(600):
            self.send(os.urandom(2000))
            time.sleep(0.1)

    def html(self, query, headers):
        body = b"<!DOCTYPE html><html><head><title>Login</title></head><body>" + b"<p>Sign in</p>" * 400 + b"</body></html>\n"
        self.send_head("200 OK", "text/html; charset=utf-8", [f"Content-Length: {len(body)}"])
        self.send(body)
        self.hold_until_client_leaves()

    def stream(self, query, headers):
        def number(name, default):
            return float(query[name][0]) if name in query else default

        burst, rate = number("burst", 0.0), number("rate", 1.0)
        stall, close = number("stall", None), number("close", None)
        gap_at, gap = number("gapat", None), number("gap", 0.0)
        titles, every = query.get("title", []), number("every", 2.0)
        metaint = int(number("metaint", 8000))
        icy = bool(titles) and headers.get("icy-metadata") == "1"

        extra = [f"icy-metaint: {metaint}"] if icy else []
        self.send_head("200 OK", "audio/mpeg", extra)

        frames, frame_seconds = self.server.frames, self.server.frame_seconds
        start = time.monotonic()
        audio_seconds = 0.0
        until_meta = metaint
        index = 0
        shown_title = None
        paused = 0.0
        while True:
            if stall is not None and audio_seconds >= stall:
                self.hold_until_client_leaves()
                return
            if close is not None and audio_seconds >= close:
                return
            if gap_at is not None and audio_seconds >= gap_at and paused == 0.0 and gap > 0:
                time.sleep(gap)
                paused = gap
            due = start + paused + max(0.0, audio_seconds - burst) / rate
            delay = due - time.monotonic()
            if delay > 0:
                time.sleep(delay)
            frame = frames[index % len(frames)]
            index += 1
            audio_seconds += frame_seconds
            if not icy:
                self.send(frame)
                continue
            title = titles[min(int((time.monotonic() - start) / every), len(titles) - 1)]
            while frame:
                piece, frame = frame[:until_meta], frame[until_meta:]
                self.send(piece)
                until_meta -= len(piece)
                if until_meta == 0:
                    self.send(self.metadata_block(title if title != shown_title else None))
                    shown_title = title
                    until_meta = metaint

    @staticmethod
    def metadata_block(title):
        if title is None:
            return b"\x00"
        text = f"StreamTitle='{title}';".encode("utf-8")
        blocks = (len(text) + 15) // 16
        return bytes([blocks]) + text.ljust(blocks * 16, b"\x00")


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--audio", required=True, help="an MPEG-1 Layer III file to loop")
    args = parser.parse_args()
    with open(args.audio, "rb") as f:
        frames, frame_seconds = mp3_frames(f.read())
    server = Server(("127.0.0.1", args.port), Handler)
    server.frames, server.frame_seconds = frames, frame_seconds
    print(f"PORT {server.server_address[1]}", flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
