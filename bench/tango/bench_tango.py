#!/usr/bin/python3
"""Figures of the Tango device server against veksim, through a Tango
database of the benchmark's own. Prints figures; asserts nothing.

    /usr/bin/python3 bench/tango/bench_tango.py [--build build] [--moves 60] [--window 5]
    /usr/bin/python3 bench/tango/bench_tango.py --long 10 [--sample 30]

1. write Position -> MOVING change event at the client: p50, p90, min, max;
2. Position events/s with 10 motor devices all moving and 5 client
   processes subscribed to all 10 Positions, and the server's CPU meanwhile;
   the same with one axis moving and one client; and beside each, the CPU
   of a bare Tango server (bare_server.py) pushing as many events to as
   many clients, which is what Tango itself costs for them;
3. CPU (% of one core) and resident memory of 1, 2 and 8 server instances,
   each on its own veksim with 10 motor devices, idle and with every axis moving;
4. with --long MINUTES, instead: the server's resident memory over a long run
   of short moves (one after the other, a client following State and
   Position), sampled every --sample seconds, and how fast it grows.

The machine is shared: read the figures of one run against each other.
"""

import argparse
import json
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import textwrap
import threading
import time
from typing import Callable, Dict, List, Sequence, Tuple

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "tango", "tests"))

import tango  # noqa: E402
from tango import DevState  # noqa: E402

import harness  # noqa: E402

AXES = "XYZTUVRSWK"
TICKS = os.sysconf("SC_CLK_TCK")
FAR = 10_000_000  # steps: a move that lasts far beyond a measuring window


def cpu_seconds(pid: int) -> float:
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS  # utime + stime


def rss_kib(pid: int) -> int:
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def rss_mib(pid: int) -> float:
    return rss_kib(pid) / 1024.0


def cpu_percent(pids: Sequence[int], seconds: float) -> List[float]:
    """CPU of each process over the next ``seconds``, % of one core."""
    before = [cpu_seconds(p) for p in pids]
    start = time.monotonic()
    time.sleep(seconds)
    elapsed = time.monotonic() - start
    return [100.0 * (cpu_seconds(p) - b) / elapsed for p, b in zip(pids, before)]


def ten_motor_server(instance: str, sim: harness.Veksim) -> harness.Server:
    return harness.Server(instance, {"Host": "127.0.0.1", "Port": sim.port},
                          motors={letter.lower(): {"Axis": letter} for letter in AXES})


def wait_all(server: harness.Server, state: DevState, timeout: float = 60) -> None:
    proxies = [server.proxy(name) for name in server.motors]
    harness.wait_for(lambda: all(p.state() == state for p in proxies), timeout, "all motors %s" % state)


def move_all(server: harness.Server, direction: int) -> None:
    server.proxy().MoveMultiple([[direction * FAR] * len(AXES), list(AXES)])


def percentile(values: Sequence[float], fraction: float) -> float:
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(fraction * len(ordered)))]


def bench_latency(server: harness.Server, moves: int) -> None:
    motor = server.proxy("x")
    moving = threading.Event()
    stamps: List[float] = []

    def push(event: tango.EventData) -> None:
        if not event.err and event.attr_value.value == DevState.MOVING:
            stamps.append(time.perf_counter())
            moving.set()

    subscription = motor.subscribe_event("State", tango.EventType.CHANGE_EVENT, push)
    latencies, writes = [], []
    target = 0.0
    for _ in range(moves):
        harness.wait_for(lambda: motor.state() == DevState.ON, 5, "X at rest")
        # A random pause: a fixed one would fall at the same point of the
        # server's rest polls every time (at rest it polls every 100 ms, and
        # a write that comes during a poll waits for its end).
        time.sleep(random.uniform(0.05, 0.15))
        moving.clear()
        target = 500.0 - target
        start = time.perf_counter()
        motor.Position = target
        writes.append(time.perf_counter() - start)
        if moving.wait(3):
            latencies.append(stamps[-1] - start)
    motor.unsubscribe_event(subscription)
    ms = [1000 * v for v in latencies]
    print("write Position -> MOVING event (%d moves): p50 %.1f ms, p90 %.1f ms, min %.1f ms, max %.1f ms; "
          "the write call itself p50 %.1f ms" % (len(ms), statistics.median(ms), percentile(ms, 0.9), min(ms), max(ms),
                                                 1000 * statistics.median(writes)))


CLIENT = textwrap.dedent("""
    import json, os, sys, time, tango
    start, end = float(sys.argv[1]), float(sys.argv[2])
    counts = {}
    def push(event):
        now = time.time()
        if not event.err and start <= now < end:
            counts[event.device.dev_name()] = counts.get(event.device.dev_name(), 0) + 1
    proxies = [tango.DeviceProxy(name) for name in sys.argv[3:]]
    ids = [(p, p.subscribe_event("Position", tango.EventType.CHANGE_EVENT, push)) for p in proxies]
    print("subscribed", flush=True)
    time.sleep(max(0.0, end - time.time()) + 0.3)
    for proxy, subscription in ids:
        proxy.unsubscribe_event(subscription)
    print(json.dumps(counts), flush=True)
    os._exit(0)  # Tango 9.3's client clean-up at exit can hang
    """)


def client_counts(process: subprocess.Popen) -> Dict[str, int]:
    try:
        output = process.communicate(timeout=30)[0]
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()
    return json.loads(output.strip().splitlines()[-1])


class BareServer:
    """bare_server.py registered with ten devices: Tango's own cost of the events."""

    def __init__(self, instance: str, period_ms: float, axes: str) -> None:
        self.names = ["%s/bare/%s" % (instance, letter.lower()) for letter in AXES]
        self.instance = instance
        self.env = dict(os.environ, BARE_PERIOD_MS="%.3f" % period_ms, BARE_AXES=axes)
        self.process: "subprocess.Popen[bytes] | None" = None
        infos = []
        for name in self.names:
            info = tango.DbDevInfo()
            info.name, info._class, info.server = name, "BarePosition", "bare_server/" + instance
            infos.append(info)
        tango.Database().add_server("bare_server/" + instance, infos)

    def __enter__(self) -> "BareServer":
        self.process = subprocess.Popen([sys.executable, os.path.join(HERE, "bare_server.py"), self.instance],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=self.env)
        proxy = tango.DeviceProxy(self.names[-1])
        harness.wait_for(lambda: proxy.ping() or True, 30, "the bare server to export its devices", step=0.2)
        return self

    def __exit__(self, *exc: object) -> None:
        harness.stop_process(self.process, 15)
        tango.Database().delete_server("bare_server/" + self.instance)


def follow(names: Sequence[str], clients: int, window: float, pid: int,
           begin: Callable[[], None]) -> Tuple[List[Dict[str, int]], float]:
    """Starts ``clients`` processes subscribed to the Position of ``names``,
    calls ``begin()``, and measures the CPU of ``pid`` over ``window``
    seconds: (events each client counted per device, CPU %)."""
    start = time.time() + 4.0
    end = start + window
    processes = [subprocess.Popen([sys.executable, "-c", CLIENT, str(start), str(end)] + list(names),
                                  stdout=subprocess.PIPE, text=True) for _ in range(clients)]
    for p in processes:
        assert p.stdout is not None and p.stdout.readline().strip() == "subscribed"
    begin()
    time.sleep(max(0.0, start - time.time()))
    cpu = cpu_percent([pid], window)[0]
    return [client_counts(p) for p in processes], cpu


def bench_events(server: harness.Server, clients: int, axes: str, window: float) -> None:
    """Position events/s seen by each of ``clients`` processes subscribed to
    every motor, while the motors of ``axes`` move; the server's CPU meanwhile,
    and that of a bare server pushing as many events to as many clients."""
    names = [server.motors[letter.lower()] for letter in AXES]
    ctl = server.proxy()
    assert server.process is not None
    counts, cpu = follow(names, clients, window, server.process.pid,
                         lambda: ctl.MoveMultiple([[FAR] * len(axes), list(axes)]))
    ctl.AbortAll()
    wait_all(server, DevState.ON)
    moving = [server.motors[letter.lower()] for letter in axes]
    rates = [c.get(name, 0) / window for c in counts for name in moving]
    rate = statistics.mean(rates)
    print("%d moving axes, %d clients subscribed to 10 Positions: Position events/s per moving motor and client "
          "mean %.1f, min %.1f, max %.1f (%d events/s reach the clients in all); server CPU %.1f %% of a core"
          % (len(axes), clients, rate, min(rates), max(rates), sum(rates), cpu))
    if rate <= 0:
        return
    with BareServer("bare%d" % clients, 1000.0 / rate, axes) as bare:
        assert bare.process is not None
        bare_counts, bare_cpu = follow(bare.names, clients, window, bare.process.pid, lambda: None)
    bare_rate = statistics.mean(c.get(name, 0) / window for c in bare_counts for name in bare.names
                                 if name[-1].upper() in axes)
    print("  Tango alone, a bare server pushing %.1f Position events/s on %d devices to %d clients: CPU %.1f %% "
          "of a core; VekKestraDS costs %.2f times that" % (bare_rate, len(axes), clients, bare_cpu,
                                                            cpu / bare_cpu if bare_cpu else float("nan")))


def bench_instances(counts: Sequence[int], window: float) -> Dict[int, Tuple[List[float], List[float], List[float],
                                                                              List[float]]]:
    results = {}
    for count in counts:
        sims = [harness.Veksim().start() for _ in range(count)]
        servers = [ten_motor_server("scale%d_%d" % (count, n), sim) for n, sim in enumerate(sims)]
        try:
            for server in servers:
                server.start()
            for server in servers:
                wait_all(server, DevState.ON)
            pids = [s.process.pid for s in servers]
            time.sleep(2)
            idle = cpu_percent(pids, window)
            idle_rss = [rss_mib(p) for p in pids]
            for server in servers:
                move_all(server, 1)
            time.sleep(1)
            sim_cpu_and_servers = cpu_percent(pids + [s.process.pid for s in sims], window)
            moving, sim_cpu = sim_cpu_and_servers[:count], sim_cpu_and_servers[count:]
            moving_rss = [rss_mib(p) for p in pids]
            for server in servers:
                server.proxy().AbortAll()
            results[count] = (idle, moving, idle_rss, moving_rss)
            print("%d instance%s of 10 motors: CPU idle %.1f %% of a core each (%.1f in all), moving %.1f %% each "
                  "(%.1f in all); RSS %.1f MiB each idle, %.1f moving; the veksims took %.1f %% meanwhile"
                  % (count, "" if count == 1 else "s", statistics.mean(idle), sum(idle), statistics.mean(moving),
                     sum(moving), statistics.mean(idle_rss), statistics.mean(moving_rss), sum(sim_cpu)))
        finally:
            for server in servers:
                server.stop()
            for sim in sims:
                sim.stop()
    return results


def slope(points: Sequence[Tuple[float, float]]) -> float:
    """The least-squares slope of y over x."""
    mean_x = statistics.mean(x for x, _ in points)
    mean_y = statistics.mean(y for _, y in points)
    spread = sum((x - mean_x) ** 2 for x, _ in points)
    return sum((x - mean_x) * (y - mean_y) for x, y in points) / spread if spread else 0.0


def bench_long(server: harness.Server, minutes: float, sample: float) -> None:
    """Short moves of X, one after the other, for ``minutes``, a client
    following X's State and Position; the server's RSS every ``sample``
    seconds, and its growth per second and per move over the second half
    (the first half holds the allocator's and Tango's warm-up)."""
    assert server.process is not None
    pid = server.process.pid
    motor = server.proxy("x")
    ended = threading.Event()

    def push(event: tango.EventData) -> None:
        if not event.err and event.attr_value.value == DevState.ON:
            ended.set()

    subscriptions = [motor.subscribe_event("State", tango.EventType.CHANGE_EVENT, push),
                     motor.subscribe_event("Position", tango.EventType.CHANGE_EVENT, lambda event: None)]
    print("long run: %.0f min of 200-step moves of X; RSS of the server every %.0f s" % (minutes, sample))
    print("   time   moves   RSS KiB")
    start = time.monotonic()
    end = start + 60 * minutes
    next_sample = start
    moves, target = 0, 0.0
    samples: List[Tuple[float, int, int]] = []  # (seconds, moves, RSS KiB)
    while True:
        now = time.monotonic()
        if now >= next_sample:
            samples.append((now - start, moves, rss_kib(pid)))
            print("%6.0f s %7d %9d" % samples[-1], flush=True)
            next_sample += sample
        if now >= end:
            break
        target = 200.0 - target
        ended.clear()
        try:
            motor.Position = target
            moves += 1
            ended.wait(5)
        except tango.DevFailed as error:
            print("a move failed: %s" % harness.reason(error))
            time.sleep(0.5)
    for subscription in subscriptions:
        motor.unsubscribe_event(subscription)
    late = samples[len(samples) // 2:]
    if len(late) < 2:
        return
    per_second = slope([(t, kib) for t, _, kib in late])
    per_move = slope([(n, kib) for _, n, kib in late])
    print("RSS %d KiB at the start, %d KiB after %.0f min and %d moves (%.1f moves/s); over the second half it "
          "grew %.2f kB/s, %.3f kB per move" % (samples[0][2], samples[-1][2], minutes, moves,
                                                moves / samples[-1][0], per_second * 1.024, per_move * 1.024))


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--moves", type=int, default=60)
    parser.add_argument("--window", type=float, default=5.0)
    parser.add_argument("--no-instances", action="store_true", help="skip the 1, 2 and 8 instance figures")
    parser.add_argument("--long", type=float, metavar="MINUTES",
                        help="only the long run: the server's memory over MINUTES of moves")
    parser.add_argument("--sample", type=float, default=30.0, help="seconds between RSS samples of --long")
    args = parser.parse_args()
    os.environ.setdefault("VEKSIM", os.path.join(args.build, "sim", "veksim"))
    os.environ.setdefault("VEKKESTRA_LIBRARY", os.path.join(args.build, "libvekkestra.so"))
    why = harness.missing_prerequisite()
    if why:
        print("cannot run: " + why)
        return 1
    print("host: %d cores; %s" % (os.cpu_count() or 0, open("/proc/loadavg").read().split()[0] + " load average"))
    run_dir = tempfile.mkdtemp(prefix="vek-tango-bench-")
    database = harness.Database(run_dir).start()
    try:
        sim = harness.Veksim().start()
        server = ten_motor_server("bench", sim).start()
        try:
            wait_all(server, DevState.ON)
            if args.long:
                bench_long(server, args.long, args.sample)
            else:
                bench_latency(server, args.moves)
                bench_events(server, 1, "X", args.window)
                bench_events(server, 5, AXES, args.window)
        finally:
            server.stop()
            sim.stop()
        if not args.no_instances and not args.long:
            bench_instances((1, 2, 8), args.window)
    finally:
        database.stop()
        shutil.rmtree(run_dir, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
