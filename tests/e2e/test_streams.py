"""quilvo-cli playing local streams, good and faulty, into a private sound server."""

import pytest

from conftest import ENCODED, SOUND, encoded_titles, refused_url


def draw(cli, mood, station):
    """Chooses `mood` (`station` and one good station) until `station` is drawn: the draw order
    is random, so the other one may come first; it is let play and skipped. The state in which
    `station` began, as a request."""
    first = cli.do(f"mood {mood}", match=lambda s: s["station"] and s["phase"] == "connecting")
    if first["station"] == station:
        return first
    cli.wait(station=first["station"], phase="playing")
    return cli.do("next", station=station)


@pytest.mark.parametrize("burst", [True, False])
def test_icecast_station_plays_and_shows_the_titles_set_through_its_admin(quilvo_cli, icecast, burst):
    server = icecast(burst)
    cli = quilvo_cli([("icecast", server.url, "calm")])
    cli.do("mood calm", phase="playing", station="icecast")
    for song in ("Live Artist - First Song", "Other Artist - Second Song"):
        server.set_title(song)
        cli.wait(song=song, phase="playing", station="icecast")


def test_titles_in_any_encoding_read_right(quilvo_cli, streams):
    cli = quilvo_cli([("encoded", streams.url(encoded_titles(1.5)), "calm")], LANG="zh_CN.UTF-8")
    cli.do("mood calm", phase="playing")
    for text, _ in ENCODED:
        cli.wait(song=text, station="encoded")


# (path or None for a refused port, recorded as a failure of the stream, least and most
# seconds until the next station). A failure is acted on at once, well before the 8-second
# connect timeout (slack for a loaded, sanitized build); type finding gives up on the server's
# noise after about 1.5 s. A server that never answers is left by the connect timeout (checked
# on a one-second beat), not earlier.
FAULTS = {"refused": (None, True, 0, 5), "404": ("/404", True, 0, 5), "html": ("/html", True, 0, 5),
          "garbage": ("/garbage", True, 0, 5), "never": ("/never", False, 4, 10.5),
          "silence": ("/silence", False, 4, 10.5)}


@pytest.mark.parametrize("fault", FAULTS)
def test_a_station_that_never_plays_is_left_for_the_next_of_its_mood(quilvo_cli, streams, fault):
    path, reports_failure, least, most = FAULTS[fault]
    cli = quilvo_cli([("faulty", streams.url(path) if path else refused_url(), "calm"),
                      ("good", streams.url("/stream"), "calm"), ("warm", streams.url("/stream"), "bright")])
    # A first player loads GStreamer's plugins, which takes seconds on a slow (sanitized) build.
    cli.do("mood bright", phase="playing")
    drawn = draw(cli, "calm", "faulty")
    left = cli.wait(lambda s: s["station"] != "faulty")
    assert left["station"] == "good"
    assert least <= left["t"] - drawn["t"] <= most
    cli.wait(station="good", phase="playing")
    assert not reports_failure or cli.stat("station_failed", station_id="faulty")["mood"] == "calm"
    cli.stat("station_start", station_id="good")
    assert cli.count("station_start", "faulty") == 0


@pytest.mark.parametrize("end", ["stall=3", "close=3"])
def test_a_stream_that_stops_is_reconnected_and_heard_again_as_the_same_request(quilvo_cli, streams,
                                                                               sink, end):
    recorder = sink()
    cli = quilvo_cli([("stalling", streams.url(f"/stream?{end}"), "calm")])
    cli.do("mood calm", phase="playing")
    cli.stat("station_start", station_id="stalling")
    assert cli.wait(lambda s: s["phase"] != "playing")["phase"] == "connecting"
    again = cli.wait(lambda s: s["phase"] != "connecting")
    assert (again["phase"], again["station"], again["status"]) == ("playing", "stalling", "")
    # Faded in again, not left at the silent volume a new player starts with.
    assert recorder.sound(again["t"])
    cli.settle()
    assert cli.count("station_start", "stalling") == 1, cli.transcript()
    assert cli.count("station_failed", "stalling") == 0


@pytest.mark.parametrize("pulse", ["pulseaudio", "pipewire"], indirect=True)
@pytest.mark.parametrize("dip", ["burst=3&gapat=4&gap=1", "gapat=3&gap=0.6"])
def test_a_short_dip_in_the_stream_plays_on(quilvo_cli, streams, sink, dip):
    recorder = sink()
    cli = quilvo_cli([("dipping", streams.url(f"/stream?{dip}"), "calm")])
    start = cli.do("mood calm", phase="playing")["t"]
    with pytest.raises(AssertionError):
        cli.wait(lambda s: s["phase"] != "playing", timeout=6)
    # The audio after the dip really plays: late data is not thrown away.
    assert recorder.level(start + 5, start + 6) > 0.1


def test_a_dead_stream_is_reconnected_one_and_three_seconds_into_the_stall_and_left_after_ten(
        quilvo_cli, streams, sink):
    recorder = sink()
    dying = streams.url("/stream?die=3")
    cli = quilvo_cli([("dying", dying, "calm"), ("good", streams.url("/stream"), "calm")])
    draw(cli, "calm", "dying")
    started = cli.wait(station="dying", phase="playing")
    reconnect = cli.wait(lambda s: s["phase"] != "playing")
    assert (reconnect["phase"], reconnect["station"]) == ("connecting", "dying")
    left = cli.wait(lambda s: s["station"] != "dying", timeout=20)
    assert (left["station"], left["phase"]) == ("good", "connecting")

    # The first listener, then one connection per reconnect. The rules act on one-second beats
    # at 1, 3 and 10 seconds into the stall; a beat that lands a hair before a mark acts one
    # beat later, so each step may come a second late.
    connections = [t for t, path in streams.requests if path == dying[dying.index("/stream"):]]
    assert len(connections) == 3
    assert recorder.sound(started["t"] - 1, 0), "the station was never heard"
    # The stall began with the last sound before the first reconnect.
    silent = max(t for t, rms in list(recorder.blocks) if t < connections[1] and rms > SOUND)
    assert abs(reconnect["t"] - connections[1]) < 0.5
    assert 1.0 <= connections[1] - silent <= 4.0
    assert 0.8 <= connections[2] - connections[1] <= 3.5
    # From the second reconnect (3 or 4 s into the stall) to the failover (10 or 11 s).
    assert 5.5 <= left["t"] - connections[2] <= 8.5
    cli.wait(station="good", phase="playing")
    # A stall that outlasts its window is no failure of the stream itself.
    cli.settle()
    assert cli.count("station_failed", "dying") == 0, cli.transcript()
