"""quilvo-cli and the services it lives with: the sound server's outputs, and the bus and sound
server going away and coming back."""

import time

from conftest import OUTPUT_CHANGED, wait_until


def test_joins_its_late_bus_and_sound_server_pauses_on_output_switches_and_outlives_restarts(
        media, bus, pulse, sink):
    bus.kill()
    pulse.stop()
    cli = media(listed=False)
    bus.start()
    pulse.start()
    assert wait_until(lambda: "quilvo" in bus.players()), "never joined the bus"
    assert wait_until(lambda: 'application.name = "Quilvo"' in (pulse.pactl("list", "clients") or "")), \
        "never joined the sound server"
    # While connecting, a switch changes nothing (the station may time out meanwhile).
    cli.do("mood energy", phase="connecting")
    pulse.set_default("sinkB")
    cli.none(lambda s: s["phase"] == "paused" or s["status"] == OUTPUT_CHANGED, 1)
    a, b = sink("sinkA"), sink("sinkB")
    assert b.sound(cli.do("mood bright", phase="playing")["t"])
    # The same default sink again, or another default source, is no switch.
    pulse.set_default("sinkB")
    pulse.pactl("set-default-source", "sinkA.monitor")
    cli.none(lambda s: s["phase"] != "playing", 1)

    pulse.set_default("sinkA")
    assert cli.wait(phase="paused")["status"] == OUTPUT_CHANGED
    assert bus.playerctl("status") == "Paused"
    # Further switches while paused change nothing; sinkA stays the default.
    pulse.set_default("sinkB")
    pulse.set_default("sinkA")
    cli.none(lambda s: (s["phase"], s["status"]) != ("paused", OUTPUT_CHANGED), 1)
    resumed = cli.do("toggle", phase="playing")
    assert resumed["status"] == ""
    assert a.sound(resumed["t"]), "no audio on the new sink"

    bus.kill()
    cli.do("toggle", phase="paused")
    bus.start()
    assert wait_until(lambda: "quilvo" in bus.players()), "not back on the new bus"
    assert bus.playerctl("metadata", "--format", "{{title}}|{{artist}} {{status}}") == "Quilvo|悦 Paused"
    bus.playerctl("play")
    cli.wait(phase="playing", station="bright-1")

    restarted = time.monotonic()
    pulse.stop()
    pulse.start()
    recorder = sink("sinkA")
    # The stream itself is fine: the session reconnects it on the new server.
    cli.wait(lambda s: s["phase"] != "playing")
    after = cli.wait(lambda s: s["phase"] in ("playing", "idle"))
    assert (after["phase"], after["station"]) == ("playing", "bright-1")
    assert recorder.sound(restarted), "no audio on the new server"
    assert "station_failed" not in [e["type"] for e in cli.stats]
    # Its device watch has joined the new server too.
    pulse.set_default("sinkB")
    assert cli.wait(phase="paused")["status"] == OUTPUT_CHANGED
