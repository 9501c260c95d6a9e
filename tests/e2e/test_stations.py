"""Stations as they are published: playlists and their mirrors, hostile playlists, every codec
and live HLS, and the same with only the GStreamer plugins the package declares."""

import re, urllib.parse
from pathlib import Path

import pytest

from conftest import FFMPEG, SLOWDOWN, refused_url, run
from test_streams import draw

q = urllib.parse.quote
SINE = ("-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100:duration={}", "-af", "volume=3", "-ac", "2")


def listed(streams, body, type="audio/x-scpls", path="/list"):
    return streams.url(f"{path}?type={q(type)}&body={q(body)}")


@pytest.fixture(scope="session")
def encoded(tmp_path_factory):
    """The tone as AAC (ADTS), FLAC and Opus, and 30 s of it as HLS segments (AAC in MPEG-TS).
    ffmpeg's own AAC encoder writes AAC-LC only: there is no HE-AAC fixture."""
    folder = tmp_path_factory.mktemp("encoded")
    sine = lambda seconds: [a.format(seconds) for a in SINE]
    for name, codec in (("tone.aac", ["-c:a", "aac", "-f", "adts"]), ("tone.flac", ["-c:a", "flac"]),
                        ("tone.opus", ["-c:a", "libopus", "-metadata", "title=Tön", "-metadata", "artist=Lab"])):
        assert run(*FFMPEG, "-y", *sine(10), *codec, folder / name, timeout=60).returncode == 0
    assert run(*FFMPEG, "-y", *sine(30), "-c:a", "aac", "-f", "hls", "-hls_time", "2", "-hls_list_size", "0",
               "-hls_segment_filename", folder / "seg%d.ts", folder / "vod.m3u8", timeout=60).returncode == 0
    return folder


def package_plugins(folder):
    """GStreamer restricted to the plugins of the packages the .deb declares, and the core's."""
    depends = re.search(r'CPACK_DEBIAN_PACKAGE_DEPENDS\s+"([^"]+)"',
                        (Path(__file__).parents[2] / "packaging/CMakeLists.txt").read_text())[1]
    packages = [p.strip() for p in depends.split(",") if p.strip().startswith("gstreamer1.0-")]
    (plugins := folder / "plugins").mkdir()
    for package in packages + ["libgstreamer1.0-0"]:
        files = run("dpkg", "-L", package)
        assert files.returncode == 0, files.stderr
        for file in files.stdout.split():
            if "/gstreamer-1.0/" in file and file.endswith(".so"):
                (plugins / Path(file).name).symlink_to(file)
    return {"GST_PLUGIN_SYSTEM_PATH_1_0": plugins, "GST_PLUGIN_PATH_1_0": "", "GST_REGISTRY_1_0": folder / "registry"}


FORMATS = {"everything": [("aac", "/file/tone.aac"), ("flac", "/file/tone.flac"), ("hls", "/hls/live.m3u8"),
                          ("hls-bare", "/hls/live")],
           "package": [("mp3", "/stream"), ("aac", "/file/tone.aac"), ("opus", "/file/tone.opus"),
                       ("hls", "/hls/live")]}


@pytest.mark.parametrize("plugins", FORMATS)
def test_every_codec_and_live_hls_is_heard(quilvo_cli, streams, encoded, sink, tmp_path, plugins):
    streams.folder = encoded
    env = package_plugins(tmp_path) if plugins == "package" else {}
    if env:
        # AAC from ffmpeg's decoder, which reads HE-AAC (SBR, PS) right; HLS needs the TS demuxer.
        for element in ("avdec_aac", "tsdemux", "hlsdemux2"):
            assert run("gst-inspect-1.0", element, env=env).returncode == 0, element
    recorder = sink()
    moods = ("bright", "calm", "energy", "sleep")
    cli = quilvo_cli([(name, streams.url(path), mood) for (name, path), mood in zip(FORMATS[plugins], moods)], **env)
    for (name, _), mood in zip(FORMATS[plugins], moods):
        began = cli.do(f"mood {mood}", station=name, phase="connecting")["t"]
        cli.wait(station=name, phase="playing")
        assert recorder.sound(began), f"{name} was not heard"
        # Vorbis comments are titles as well, and UTF-8 as they are.
        assert name != "opus" or cli.wait(song="Tön · Lab", station=name)


def test_playlists_of_every_form_play_their_first_living_mirror_and_reconnect_to_it(quilvo_cli, streams, sink):
    recorder = sink()
    good = streams.url("/stream?stall=4")
    pls = f"[playlist]\nNumberOfEntries=1\nFile1={refused_url()}\nfile2={streams.url('/404')}\nFILE3={good}\n"
    # The M3U is behind a redirect, and its entry is relative to where it was found.
    m3u = listed(streams, "#EXTM3U\n#EXTINF:-1,Lab\n../stream\n", "audio/x-mpegurl", "/list/m3u")
    xspf = (f'<?xml version="1.0"?><playlist version="1" xmlns="http://xspf.org/ns/0/"><trackList>'
            f'<track><location>{streams.url("/stream")}</location></track></trackList></playlist>')
    asx = f'<ASX version="3.0"><Entry><Ref HREF="{streams.url("/stream")}"/></Entry></ASX>'
    cli_pls = listed(streams, pls, "text/plain")
    cli = quilvo_cli([("pls", cli_pls, "calm"),
                      ("m3u", streams.url(f"/moved/a/b?to={q(m3u)}"), "bright"),
                      ("xspf", listed(streams, xspf, "application/xspf+xml"), "energy"),
                      ("asx", listed(streams, asx, "video/x-ms-asf"), "sleep")])
    for station, mood in (("m3u", "bright"), ("xspf", "energy"), ("asx", "sleep"), ("pls", "calm")):
        began = cli.do(f"mood {mood}", station=station, phase="connecting")["t"]
        played = cli.wait(station=station, phase="playing")["t"]
        assert recorder.sound(began), f"{station} was not heard"
    # Two dead mirrors cost no wait: well inside the 8 s connect timeout.
    assert played - began < 2 * SLOWDOWN
    # The stall's reconnect goes straight to the mirror that played.
    cli.wait(phase="connecting", station="pls")
    cli.wait(phase="playing", station="pls")
    paths = [path for _, path in streams.requests]
    assert paths.count("/404") == 2 and paths.count(good[good.index("/stream"):]) == 2, paths
    assert paths.count(cli_pls[cli_pls.index("/list"):]) == 2
    cli.settle()
    assert cli.count("station_failed", "pls") == 0 and cli.count("station_start", "pls") == 1


def hostile(streams, tone):
    return {"all dead": listed(streams, f"[playlist]\nFile1={refused_url()}\nFile2={streams.url('/404')}\n"),
            # A local file would play if it were opened.
            "local": listed(streams, f"#EXTM3U\nfile://{tone}\nfile:///etc/passwd\nsmb://127.0.0.1/x\n",
                            "audio/x-mpegurl"),
            "entity": listed(streams, '<?xml version="1.0"?><!DOCTYPE p [<!ENTITY x SYSTEM "http://127.0.0.1/">]>'
                             f'<playlist><trackList><track><location>{streams.url("/stream")}&x;</location>'
                             '</track></trackList></playlist>', "application/xspf+xml"),
            "laughs": listed(streams, '<?xml version="1.0"?><!DOCTYPE p [<!ENTITY a "aaaaaaaaaaaaaaaa">'
                             + "".join(f'<!ENTITY {n} "{f"&{p};" * 16}">' for p, n in zip("abcdefg", "bcdefgh"))
                             + ']><playlist><trackList><track><location>&h;</location></track></trackList>'
                             '</playlist>', "application/xspf+xml"),
            "flat": streams.url(f"/list?flat={10 << 20}"),
            "noise": streams.url("/list?noise=30000&type=audio/x-mpegurl")}


@pytest.mark.parametrize("kind", ["all dead", "local", "entity", "laughs", "flat", "noise"])
def test_a_playlist_that_leads_nowhere_fails_once_and_the_next_station_plays(quilvo_cli, streams, tone, kind):
    cli = quilvo_cli([("listed", hostile(streams, tone)[kind], "calm"), ("good", streams.url("/stream"), "calm"),
                      ("warm", streams.url("/stream"), "bright")])
    cli.do("mood bright", phase="playing")
    rss = lambda: int(re.search(r"VmRSS:\s+(\d+)", Path(f"/proc/{cli.p.pid}/status").read_text())[1])
    before = rss()
    drawn = draw(cli, "calm", "listed")
    left = cli.wait(lambda s: s["station"] != "listed")
    assert left["station"] == "good" and left["t"] - drawn["t"] < 8.5, cli.transcript()
    cli.wait(station="good", phase="playing")
    assert cli.stat("station_failed", station_id="listed")
    cli.settle()
    assert cli.count("station_failed", "listed") == 1 and cli.count("station_start", "listed") == 0
    assert rss() - before < 30_000, "memory grew"
