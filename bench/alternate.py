"""Runs commands alternately and reports each one's median wall time, CPU time and peak memory.

    from alternate import Command, measure, report
    rows = measure([Command("lopewell", [...]), Command("du -s -B1", [...])], runs=3)
    report(rows)

One warm-up round first, then RUNS rounds (default 3, or the environment's RUNS); within a round
every command runs once, in the given order, so a busy moment on a shared machine hurts all of
them alike. Each run's CPU time (user + system) and peak resident memory come from GNU time
(/usr/bin/time), which measures just that child: a child forked from this script would count
the interpreter's pages in its own peak. Output goes to /dev/null unless a command asks to keep it.
"""
import os
import statistics
import subprocess
import tempfile
import time
from dataclasses import dataclass, field


@dataclass
class Command:
    name: str
    argv: list
    keep_output: bool = False  # the last run's stdout lands in Row.output
    env: dict = None
    cwd: str = None


@dataclass
class Row:
    name: str
    seconds: list = field(default_factory=list)
    cpu: list = field(default_factory=list)
    peak_kib: list = field(default_factory=list)
    output: bytes = b""

    @property
    def median(self):
        return statistics.median(self.seconds)

    @property
    def median_cpu(self):
        return statistics.median(self.cpu)

    @property
    def peak_mib(self):
        return max(self.peak_kib) / 1024


def run_once(command):
    env = None
    if command.env:
        env = dict(os.environ)
        env.update(command.env)
    stdout = subprocess.PIPE if command.keep_output else subprocess.DEVNULL
    with tempfile.NamedTemporaryFile("r", prefix="alternate-") as report_file:
        argv = ["/usr/bin/time", "-q", "-f", "%x %U %S %M", "-o", report_file.name, *map(str, command.argv)]
        start = time.perf_counter()
        child = subprocess.Popen(argv, stdout=stdout, stderr=subprocess.DEVNULL, env=env, cwd=command.cwd)
        output = child.stdout.read() if command.keep_output else b""
        child.wait()
        elapsed = time.perf_counter() - start
        fields = report_file.read().split()
    status, user, system, peak = int(fields[-4]), float(fields[-3]), float(fields[-2]), int(fields[-1])
    if status not in (0, 1):
        raise SystemExit(f"{command.name} failed with exit status {status}: {' '.join(map(str, command.argv))}")
    return elapsed, user + system, peak, output


def measure(commands, runs=None, warmup=1):
    runs = runs or int(os.environ.get("RUNS", "3"))
    rows = [Row(command.name) for command in commands]
    for round_index in range(warmup + runs):
        for command, row in zip(commands, rows):
            elapsed, cpu, peak, output = run_once(command)
            if round_index >= warmup:
                row.seconds.append(elapsed)
                row.cpu.append(cpu)
                row.peak_kib.append(peak)
            if command.keep_output:
                row.output = output
    return rows


def report(rows, reference=None, label=None):
    """Prints one line per row; the first row's median is compared with `reference`'s (a row name)."""
    if label:
        print(label)
    print(f"  {'command':46} {'median s':>9} {'min s':>7} {'max s':>7} {'cpu s':>7} {'peak MiB':>9}")
    for row in rows:
        print(f"  {row.name:46} {row.median:9.3f} {min(row.seconds):7.3f} {max(row.seconds):7.3f} "
              f"{row.median_cpu:7.3f} {row.peak_mib:9.1f}")
    if reference:
        peer = next(row for row in rows if row.name == reference)
        ours = rows[0]
        print(f"  ratio {ours.name} / {peer.name}: {ours.median / peer.median:.3f} by median wall time, "
              f"{ours.median_cpu / peer.median_cpu:.3f} by CPU time")


def load_line():
    return f"load average {os.getloadavg()[0]:.2f} on {os.cpu_count()} cores"
