"""quilvo-cli as a media player of the desktop: MPRIS on a private session bus."""

import subprocess

import dbus

from conftest import ENCODED, GIVE_UP, MPRIS, SONG_ONE, SONG_TWO, encoded_titles, lines, wait_until

PATH, ROOT, PLAYER = "/org/mpris/MediaPlayer2", "org.mpris.MediaPlayer2", "org.mpris.MediaPlayer2.Player"


now_playing = lambda bus: (bus.playerctl("status"),
                           bus.playerctl("metadata", "--format", "{{title}}|{{artist}}"))
track = lambda bus: bus.properties(PLAYER)["Metadata"]["mpris:trackid"]


def test_now_playing_follows_the_player(media, bus, procs):
    cli = media()
    assert bus.playerctl("status") == "Stopped"
    cli.do("mood bright", phase="playing")
    assert now_playing(bus) == ("Playing", "Quilvo|悦")
    first = track(bus)
    seen = lines(procs.spawn("playerctl", "-p", "quilvo", "--follow", "metadata", "--format",
                             "{{title}}", env=bus.env, stdout=subprocess.PIPE))
    # A follower is shown what plays once it listens; everything later reaches it as signals.
    assert wait_until(lambda: "Quilvo" in seen), seen
    # The stream's title carries the artist; the artist shown is the mood's.
    cli.do("mood calm", song=SONG_TWO)
    assert wait_until(lambda: seen[-2:] == [SONG_ONE, SONG_TWO]), seen
    assert now_playing(bus) == ("Playing", f"{SONG_TWO}|静")
    song = track(bus)
    assert song != first
    # Clients take a new track id for a new song: it changes with the song only.
    cli.do("toggle", phase="paused")
    assert now_playing(bus) == ("Paused", f"{SONG_TWO}|静")
    assert track(bus) == song
    # Both sleep stations are refused: the player gives up and clears Now Playing.
    cli.do("mood sleep", status=GIVE_UP)
    assert now_playing(bus) == ("Stopped", "")


def test_titles_in_any_encoding_reach_the_desktop(quilvo_cli, streams, bus, procs):
    cli = quilvo_cli([("encoded", streams.url(encoded_titles(1.5)), "calm")], LANG="zh_CN.UTF-8", **bus.env)
    assert wait_until(lambda: "quilvo" in bus.players()), "not on the bus"
    seen = lines(procs.spawn("playerctl", "-p", "quilvo", "--follow", "metadata", "--format", "{{title}}",
                             env=bus.env, stdout=subprocess.PIPE))
    cli.do("mood calm", phase="playing")
    assert wait_until(lambda: all(text in seen for text, _ in ENCODED)), seen


def test_remote_commands_drive_the_model_by_its_rules(media, bus):
    cli = media()
    # Without a mood, next has nothing to skip. Events are recorded in order, so a skip would
    # show before the mood's choice.
    bus.playerctl("next")
    cli.settle()
    assert cli.states[-1]["mood"] is None
    station = cli.do("mood calm", phase="playing")["station"]
    cli.stat("mood_selected")
    assert "station_skip" not in [e["type"] for e in cli.stats]

    def after(command, phase, changes=False):
        """Runs `command`; it either leads to `phase` or changes nothing."""
        mark = len(cli.states)
        command()
        if changes:
            assert cli.wait(phase=phase)["station"] == station, command
            return
        cli.settle()
        assert {(s["phase"], s["station"]) for s in cli.states[mark:]} == {(phase, station)}, command

    # Play and pause do nothing when already so; play resumes the same station; stop pauses.
    for command, phase, changes in [("play", "playing", False), ("pause", "paused", True),
                                    ("pause", "paused", False), ("play", "playing", True),
                                    ("play-pause", "paused", True), ("play-pause", "playing", True),
                                    ("stop", "paused", True), ("play", "playing", True)]:
        after(lambda: bus.playerctl(command), phase, changes)

    # Next moves to the mood's other station and is recorded as a skip.
    bus.playerctl("next")
    skipped, station = station, cli.wait(lambda s: s["phase"] == "playing" and s["station"] != station)["station"]
    skip = cli.stat("station_skip")
    assert (skip["station_id"], skip["mood"]) == (skipped, "calm")
    # Previous is offered to no one, and direct calls to it or to Seek do nothing.
    bus.playerctl("previous")
    assert bus.code != 0
    after(lambda: bus.call(MPRIS, PATH, PLAYER, "Previous"), "playing")
    after(lambda: bus.call(MPRIS, PATH, PLAYER, "Seek", dbus.Int64(5_000_000)), "playing")

    # Pause while connecting does nothing; play while connecting toggles, which pauses.
    cli.do("mood energy", phase="connecting")
    mark = len(cli.states)
    bus.playerctl("pause")
    cli.settle()
    assert "paused" not in [s["phase"] for s in cli.states[mark:]]
    bus.playerctl("play")
    cli.wait(phase="paused")


def test_describes_a_live_stream_player_leaves_its_name_to_no_second_instance_and_quits_when_asked(
        media, bus):
    first, second = media(), media()
    root = {"Identity": "Quilvo", "DesktopEntry": "app.quilvo.Quilvo", "CanQuit": True, "CanRaise": False,
            "HasTrackList": False, "SupportedUriSchemes": [], "SupportedMimeTypes": []}
    player = {"CanGoNext": True, "CanGoPrevious": False, "CanPlay": True, "CanPause": True,
              "CanSeek": False, "CanControl": True, "Rate": 1.0, "MinimumRate": 1.0,
              "MaximumRate": 1.0, "Position": 0}
    for interface, expected in ((ROOT, root), (PLAYER, player)):
        assert {k: v for k, v in bus.properties(interface).items() if k in expected} == expected
    first.do("mood bright", phase="playing")
    second.do("mood calm", song=SONG_ONE)
    instance = f"quilvo.instance{second.p.pid}"
    assert wait_until(lambda: sorted(bus.players()) == ["quilvo", instance]), bus.players()

    title = lambda name: bus.properties(PLAYER, name=name)["Metadata"]["xesam:title"]
    assert title(MPRIS) == "Quilvo"
    assert title(f"org.mpris.MediaPlayer2.{instance}") in (SONG_ONE, SONG_TWO)
    bus.call(MPRIS, PATH, ROOT, "Quit")
    assert first.p.wait(15) == 0
