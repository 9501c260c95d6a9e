"""Several Quilvo processes in one session: one tray application, and one statistics queue that
every process shares without losing, doubling or resending an event."""

import http.server, json, select, socket, time

from conftest import BIN, SLOWDOWN, TIMEOUT, http_endpoint, refused_url, run, wait_until


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
    # Answers each batch after a second. Its events count as taken only if the answer goes to a
    # client still waiting for it: a client killed meanwhile never learns that they arrived.
    log_message = lambda *args: None

    def do_POST(self):
        events = json.loads(self.rfile.read(int(self.headers["Content-Length"])))["events"]
        self.server.waiting.append(self.path)
        time.sleep(1)
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
    again = start("first")
    for _ in range(5):
        record(again, second)
    assert again.quit() == 0 and second.quit() == 0

    # Later runs send what is still stored, a batch as each starts and one as it quits.
    queue = lambda: json.loads((state / "quilvo/state.json").read_text())["quilvo.stats.queue"]
    for _ in range(15):
        if not queue():
            break
        assert start("drain").quit() == 0
    endpoint.shutdown()
    assert not queue()
    recorded = {e["event_id"] for cli in clis for e in cli.stats}
    assert len(endpoint.taken) == len(set(endpoint.taken)), "an event was sent twice"
    assert recorded <= set(endpoint.taken), "an event never arrived"
