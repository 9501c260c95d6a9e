"""The listener's level of Quilvo in the sound server: never touched by the player's fades, kept
by the server's restore, carried from stream to stream, read and written over MPRIS."""

import subprocess

import pytest

from conftest import lines, wait_until

PLAYER = "org.mpris.MediaPlayer2.Player"


def new_music_stream_level(pulse, procs):
    """The level another music player's new stream starts at."""
    other = procs.spawn("pacat", "--playback", "--raw", "--client-name=other", "--property=media.role=music",
                        "/dev/zero", env=pulse.env)
    assert wait_until(lambda: pulse.levels("other"))
    level = pulse.levels("other")[0]
    procs.kill(other)
    assert wait_until(lambda: not pulse.levels("other"))
    return level


@pytest.mark.parametrize("pulse", ["pulseaudio-restore", "pipewire"], indirect=True)
def test_the_listeners_level_holds_and_reaches_mpris(quilvo_cli, streams, pulse, procs, bus):
    stations = [("calm-1", streams.url("/stream?n=1"), "calm"), ("calm-2", streams.url("/stream?n=2"), "calm"),
                ("stalling", streams.url("/stream?stall=3"), "bright")]
    other = procs.spawn("pacat", "--playback", "--raw", "--client-name=other", "--property=media.role=music",
                        "/dev/zero", env=pulse.env)
    assert wait_until(lambda: pulse.sink_inputs("other"))
    pulse.pactl("set-sink-input-volume", str(pulse.sink_inputs("other")[0]["index"]), "70%")
    assert wait_until(lambda: pulse.levels("other") == [70])
    procs.kill(other)
    assert new_music_stream_level(pulse, procs) == 70

    # Playing, pausing and quitting, paused or playing, leave the music level as it was.
    for pause in (True, False):
        cli = quilvo_cli(stations, **bus.env)
        cli.do("mood calm", phase="playing")
        assert wait_until(lambda: pulse.levels() == [70]), pulse.levels()
        if pause:
            cli.do("toggle", phase="paused")
        assert cli.quit() == 0
        assert new_music_stream_level(pulse, procs) == 70

    cli = quilvo_cli(stations, **bus.env)
    cli.do("mood calm", phase="playing")
    assert wait_until(lambda: "quilvo" in bus.players())
    volumes = lines(procs.spawn("playerctl", "-p", "quilvo", "--follow", "volume", env=bus.env,
                                stdout=subprocess.PIPE))
    level = lambda: round(100 * bus.properties(PLAYER)["Volume"])
    followed = lambda: [round(100 * float(v)) for v in volumes if v]
    assert wait_until(lambda: level() == 70)
    pulse.pactl("set-sink-input-volume", str(pulse.sink_inputs()[0]["index"]), "30%")
    assert wait_until(lambda: level() == 30 and followed()[-1:] == [30]), volumes
    held = lambda: wait_until(lambda: set(pulse.levels()) == {30}, 3)
    # A station change, a pause and resume, a reconnect, the sleep fade and its cancelling.
    cli.do("next", phase="connecting")
    cli.wait(phase="playing")
    assert held(), pulse.levels()
    cli.do("toggle", phase="paused")
    cli.do("toggle", phase="playing")
    assert held(), pulse.levels()
    cli.do("mood bright", phase="playing")
    cli.wait(phase="connecting")
    cli.wait(phase="playing")
    assert held(), pulse.levels()
    cli.do("sleep 1", match=lambda s: s["sleep"] is not None)
    # Within the timer's last 20 s: a wait on the product's clock, not the lab's.
    cli.none(lambda s: s["phase"] == "idle", 45)
    assert held(), pulse.levels()
    cli.do("sleep 0", sleep=None)
    assert held(), pulse.levels()
    assert cli.quit() == 0

    cli = quilvo_cli(stations, **bus.env)
    cli.do("mood calm", phase="playing")
    assert wait_until(lambda: pulse.levels() == [30]), pulse.levels()
    assert wait_until(lambda: "quilvo" in bus.players())
    bus.playerctl("volume", "0.5")
    assert bus.code == 0
    assert wait_until(lambda: pulse.levels() == [50]), pulse.levels()
    assert wait_until(lambda: followed()[-1:] == [50]), volumes
