"""quilvo-cli when the network goes away and when the machine sleeps, as NetworkManager and
logind (python3-dbusmock on a private system bus) tell it."""

import contextlib
import time

import fault_stream_server
from conftest import GIVE_UP, OFFLINE, wait_until

LOCK = ("sleep", "Quilvo", "音乐在睡眠前淡出", "delay")


def test_an_outage_is_waited_out_on_the_same_station_and_sleep_silences_and_releases_the_lock(
        quilvo_cli, streams, tone, sink, system_bus):
    recorder = sink()
    cli = quilvo_cli([("stalling", streams.url("/stream?stall=3"), "calm"),
                      ("tone", streams.url("/stream"), "bright")], **system_bus.env)
    servers = [streams]

    def stream_server(up):
        # Down, the station's connections are refused; up again on the same port.
        if up:
            servers.append(fault_stream_server.start(tone, streams.server_address[1]))
        else:
            servers[-1].shutdown()
            servers[-1].server_close()

    with contextlib.ExitStack() as cleanup:
        cleanup.callback(lambda: stream_server(False))
        cli.do("mood calm", phase="playing")
        # Disconnected, but NetworkManager manages no device here: its word means nothing. A
        # stall is reconnected as ever; with the server down it fails and is given up.
        system_bus.online(False)
        cli.wait(phase="connecting", station="stalling", status="")
        cli.wait(phase="playing", station="stalling", status="")
        stream_server(False)
        cli.wait(status=GIVE_UP, phase="idle")
        cli.stat("station_failed", station_id="stalling")
        # The station is out for a while, but asking for its mood tries it again.
        stream_server(True)
        cli.do("mood calm", phase="playing", station="stalling")
        system_bus.online(True)

        # The lock is held while playing, released once the music has faded before sleep, and
        # taken again on resume, unless the listener paused.
        cli.do("mood bright", phase="playing", station="tone")
        assert wait_until(lambda: system_bus.inhibitors() == [LOCK])
        asleep = time.monotonic()
        system_bus.prepare_for_sleep(True)
        quiet = recorder.quiet(asleep)
        assert quiet and quiet - asleep < 1, "still heard going to sleep"
        assert wait_until(lambda: system_bus.inhibitors() == [], 2), "the sleep lock was kept"
        system_bus.prepare_for_sleep(False)
        assert recorder.sound(cli.wait(phase="playing", station="tone")["t"]), "not heard after resume"
        assert wait_until(lambda: system_bus.inhibitors() == [LOCK])
        cli.do("toggle", phase="paused")
        assert wait_until(lambda: system_bus.inhibitors() == [], 2)
        system_bus.prepare_for_sleep(True)
        system_bus.prepare_for_sleep(False)
        cli.settle()
        assert cli.states[-1]["phase"] == "paused"
        assert cli.count("station_start", "tone") == 1

        # A device it manages is disconnected and the connections are refused too: an outage.
        cli.do("mood calm", phase="playing", station="stalling")
        system_bus.add_device()
        system_bus.online(False)
        stream_server(False)
        cli.wait(status=OFFLINE, phase="connecting", station="stalling")
        # Longer than a whole attempt round: nothing fails, nothing gives up.
        cli.none(lambda s: (s["status"], s["station"]) != (OFFLINE, "stalling"), 32)
        stream_server(True)
        back = time.monotonic()
        system_bus.online(True)
        again = cli.wait(phase="playing", station="stalling", status="")
        print(f"connectivity back to playing: {again['t'] - back:.2f} s")
        assert again["t"] - back < 2
        assert len(servers[-1].requests) == 1
        assert recorder.sound(again["t"])
        cli.settle()
        assert cli.count("station_failed", "stalling") == 1
