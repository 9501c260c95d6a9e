"""quilvo-cli and the services it lives with: the sound server's outputs, and the bus and sound
server going away and coming back, on PulseAudio and on PipeWire."""

import time

import pytest

from conftest import NO_SOUND_SERVER, OUTPUT_CHANGED, SLOWDOWN, SOUND, wait_until


def start_server(pulse):
    """Starts the sound server; when it first answered a client."""
    answered, pactl = [], pulse.pactl

    def recording(*args):
        out = pactl(*args)
        if out is not None and not answered:
            answered.append(time.monotonic())
        return out

    pulse.pactl = recording
    pulse.start()
    del pulse.pactl
    return answered[0]


@pytest.mark.parametrize("pulse", ["pulseaudio", "pipewire"], indirect=True)
def test_joins_its_late_bus_and_sound_server_pauses_on_output_switches_and_outlives_restarts(
        media, bus, pulse, sink):
    bus.kill()
    pulse.stop()
    cli = media(listed=False)
    bus.start()
    # Without a sound server the station waits for one instead of failing.
    waiting = ("connecting", "bright-1", NO_SOUND_SERVER)
    cli.do("mood bright", phase="connecting", station="bright-1", status=NO_SOUND_SERVER)
    cli.none(lambda s: (s["phase"], s["station"], s["status"]) != waiting, 5)
    back = start_server(pulse)
    playing = cli.wait(phase="playing", station="bright-1", status="")
    print(f"sound server there to playing: {playing['t'] - back:.2f} s")
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

    switched = time.monotonic()
    pulse.set_default("sinkA")
    assert cli.wait(phase="paused")["status"] == OUTPUT_CHANGED
    # PipeWire moves the stream to the new default before anyone hears of the switch.
    time.sleep(1)
    heard = sum(rms > SOUND for t, rms in list(a.blocks) if t > switched) * 0.01
    print(f"sound on the new device after the switch: {heard * 1000:.0f} ms")
    assert heard <= 0.1, "the new device heard the music"
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

    # Killed while playing, back three seconds later: the same request plays on.
    cli.settle()
    # Statistics come in their own time: a start is told by when it was recorded.
    killed = time.time() * 1000
    pulse.stop()
    cli.wait(phase="connecting", station="bright-1", status=NO_SOUND_SERVER)
    time.sleep(3)
    back = start_server(pulse)
    recorder = sink("sinkA")
    after = cli.wait(lambda s: s["phase"] in ("playing", "idle"))
    assert (after["phase"], after["station"]) == ("playing", "bright-1")
    print(f"sound server back to playing: {after['t'] - back:.2f} s")
    assert after["t"] - back < 2 * SLOWDOWN
    assert recorder.sound(back), "no audio on the new server"
    cli.settle()
    assert "station_failed" not in [e["type"] for e in cli.stats]
    assert not [e for e in cli.stats if e["type"] == "station_start" and int(e["ts"]) >= killed]
    # Its device watch has joined the new server too. The first stream on a new server may stall
    # until the watchdog's reconnect, and a switch while connecting changes nothing.
    assert wait_until(lambda: cli.states[-1]["phase"] == "playing")
    pulse.set_default("sinkB")
    assert cli.wait(phase="paused")["status"] == OUTPUT_CHANGED
