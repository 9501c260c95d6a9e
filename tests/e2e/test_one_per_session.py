"""Several Quilvo processes in one session: one tray application, and one statistics queue that
every process shares without losing, doubling or resending an event, also where the state folder
cannot be written."""

import http.server, json, os, select, socket, subprocess, time

import pytest

from conftest import (BIN, SLOWDOWN, TIMEOUT, Uploads, http_endpoint, quilvo_env, refused_url, run,
                      wait_until, write_catalogue)


def test_a_second_launch_opens_the_panel_of_the_first_and_leaves(screen, tray_app, sni_host, bus):
    first = tray_app()
    assert first.running()
    assert run(BIN / "quilvo", "--version", env={**bus.env, **screen.env}).returncode == 0

    started = time.monotonic()
    assert tray_app().wait(TIMEOUT) == 0
    took = time.monotonic() - started
    print(f"second launch, exec to exit: {took:.3f} s")
    assert took < 1.0 * SLOWDOWN
    screen.wait(lambda w: w.width == 330, what="the first one's panel")
    assert len(sni_host.items()) == 1
    assert bus.players() == ["quilvo"]


class SlowUploads(http.server.BaseHTTPRequestHandler):
    # Answers each batch to /first after a second, others at once. Its events count as taken only
    # if the answer goes to a client still waiting for it: a client killed meanwhile never learns
    # that they arrived.
    log_message = lambda *args: None

    def do_POST(self):
        events = json.loads(self.rfile.read(int(self.headers["Content-Length"])))["events"]
        self.server.waiting.append(self.path)
        time.sleep(1 if self.path == "/first" else 0)
        self.server.waiting.remove(self.path)
        if select.select([self.connection], [], [], 0)[0] and not self.connection.recv(1, socket.MSG_PEEK):
            return
        self.server.taken.extend(e["event_id"] for e in events)
        self.send_response(200)
        self.end_headers()


def test_processes_sharing_the_state_file_send_every_event_once(quilvo_cli, procs, tmp_path):
    endpoint = http_endpoint(SlowUploads)
    endpoint.waiting, endpoint.taken = [], []
    stations = [("c", refused_url(), "calm"), ("b", refused_url(), "bright")]
    state, clis = tmp_path / "shared", []

    def start(who):
        clis.append(quilvo_cli(stations, XDG_STATE_HOME=state,
                               QUILVO_STATS_ENDPOINT=f"{endpoint.url}/{who}"))
        return clis[-1]

    rounds = []

    def record(*running):
        rounds.append("calm" if len(rounds) % 2 else "bright")
        for cli in running:
            cli.send(f"mood {rounds[-1]}")

    # The first records until it is in the middle of an upload, which it never finishes; the
    # second records meanwhile. Had both recorded from the start, the second could take every
    # upload turn.
    first, second = start("first"), start("second")
    assert wait_until(lambda: record(first) or "/first" in endpoint.waiting, every=0.3)
    record(second)
    procs.kill(first.p)
    again = start("again")
    for _ in range(5):
        record(again, second)
    assert again.quit() == 0 and second.quit() == 0

    # Later runs send what is still stored, a batch as each starts (once it has gone: a loaded
    # machine may need longer than quitting waits) and one as it quits.
    queue = lambda: json.loads((state / "quilvo/state.json").read_text())["quilvo.stats.queue"]
    for _ in range(15):
        if not (stored := len(queue())):
            break
        drain = start("drain")
        wait_until(lambda: stored < 9 or len(queue()) < stored)
        assert drain.quit() == 0
    endpoint.shutdown()
    assert not queue()
    recorded = {e["event_id"] for cli in clis for e in cli.stats}
    assert len(endpoint.taken) == len(set(endpoint.taken)), "an event was sent twice"
    assert recorded <= set(endpoint.taken), "an event never arrived"


def test_processes_started_together_on_a_fresh_folder_share_one_device_key(procs, tmp_path):
    catalogue = write_catalogue(tmp_path, [("c", refused_url(), "calm")])
    for pair in range(10):
        folder = tmp_path / f"pair{pair}"
        clis = [procs.spawn(BIN / "quilvo-cli", "--json", "--catalogue", catalogue, env=quilvo_env(folder),
                            stdout=subprocess.PIPE) for _ in range(2)]
        keys = {json.loads(line)["event"]["device_key"] for cli in clis
                for line in cli.communicate(timeout=TIMEOUT)[0].splitlines() if b'"stat"' in line}
        stored = json.loads((folder / "state/quilvo/state.json").read_text())
        keys |= {stored["quilvo.stats.device"]} | {json.loads(e)["device_key"] for e in stored["quilvo.stats.queue"]}
        assert len(keys) == 1, f"pair {pair}: {keys}"


def taken(endpoint):
    return [e["event_id"] for body in endpoint.bodies for e in json.loads(body)["events"]]


# The folder is made read-only or full only for the program, in a mount namespace of its own.
@pytest.mark.parametrize("fault", ["read-only", "full", "directory"])
def test_a_state_folder_that_cannot_be_written_loses_no_event_and_sends_none_twice(quilvo_cli, tmp_path, fault):
    endpoint, folder = http_endpoint(Uploads), tmp_path / "state/quilvo"
    folder.mkdir(parents=True)
    old = [json.dumps({"event_id": f"OLD-{i}", "type": "app_open"}) for i in range(3)]
    (tmp_path / "old.json").write_text(json.dumps({"quilvo.stats.queue": old}))
    wrap = ("unshare", "-m", "sh", "-c", {
        "read-only": 'cp "$0/../../old.json" "$0/state.json" && mount --bind -o ro "$0" "$0"',
        "full": 'mount -t tmpfs -o size=8k tmpfs "$0" && cp "$0/../../old.json" "$0/state.json" && '
                '{ head -c 1M /dev/zero >"$0/fill" 2>/dev/null; true; }',
        "directory": 'mkdir "$0/state.json"'}[fault] + ' && exec "$@"', folder)
    cli = quilvo_cli([("c", refused_url(), "calm")], wrap=wrap, XDG_STATE_HOME=tmp_path / "state",
                     QUILVO_STATS_ENDPOINT=endpoint.url + "/api/event")
    for _ in range(12):
        cli.send("mood energy")
    cli.stat("mood_selected")
    assert wait_until(lambda: len(cli.stats) == 13)
    # A batch goes out while the program runs; quitting sends the rest.
    assert wait_until(lambda: endpoint.bodies)
    assert cli.quit() == 0
    endpoint.shutdown()
    sent = taken(endpoint)
    assert len(sent) == len(set(sent)), "an event was sent twice"
    assert {e["event_id"] for e in cli.stats} <= set(sent), "an event of the run never arrived"
    assert set(sent) - {e["event_id"] for e in cli.stats} <= {"OLD-0", "OLD-1", "OLD-2"}


def test_a_burst_of_a_thousand_events_costs_a_few_writes_of_the_state_file(quilvo_cli, tmp_path):
    endpoint, log = http_endpoint(Uploads), tmp_path / "renames"
    # LeakSanitizer cannot run under strace: a sanitized build leaves leaks to the other tests.
    cli = quilvo_cli([("c", refused_url(), "calm")], QUILVO_STATS_ENDPOINT=endpoint.url + "/api/event",
                     wrap=("strace", "-f", "-qq", "-e", "trace=rename,renameat,renameat2", "-o", log),
                     ASAN_OPTIONS=os.environ.get("ASAN_OPTIONS", "") + ":detect_leaks=0")
    cli.p.stdin.write(b"mood energy\n" * 1000)
    cli.p.stdin.flush()
    assert wait_until(lambda: len(cli.stats) == 1001, 30), len(cli.stats)
    assert cli.quit() == 0
    endpoint.shutdown()
    writes = sum('state.json"' in line for line in log.read_text().splitlines())
    print(f"1001 events: {writes} writes of the state file")
    assert writes <= 36
    # What quitting left unsent stays stored for the next run: the newest events, in order. Where
    # the uploads fell behind the burst (a loaded machine), the queue's limit of 200 pushed the
    # oldest out; nothing is sent twice.
    stored = json.loads((tmp_path / "cli0/state/quilvo/state.json").read_text())["quilvo.stats.queue"]
    sent, kept = taken(endpoint), [json.loads(e)["event_id"] for e in stored]
    recorded = [e["event_id"] for e in cli.stats]
    assert len(set(sent + kept)) == len(sent + kept) and set(sent + kept) <= set(recorded)
    assert kept == recorded[len(recorded) - len(kept):]
