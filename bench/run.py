#!/usr/bin/env python3
"""Times pairtone against the cost of moving the same bytes (cat) and against
the joiners people use today (sox, ffmpeg's concat demuxer with -c copy).

Each comparison runs pairtone and one peer alternately (A B A B ...) after one
warm-up run of each; every run writes to its own output path, removed and
synced away before the run, so no tool pays for another's writeback.
"""
import argparse
import ctypes
import os
import resource
import shutil
import signal
import statistics
import subprocess
import sys
import time
from dataclasses import dataclass, field
from itertools import chain
from pathlib import Path
from typing import Iterable, Iterator

ROOT = Path(__file__).resolve().parent.parent
MIB = 1024 * 1024
SMALL_MIB = 64  # the second input size of the memory table
HEADER = 44  # wavgen and pairtone both write a 44-byte header
PEERS = ("cat", "sox", "ffmpeg")
OUTPUTS = ("file", "/dev/null")

# A tool's peak memory comes from wait4, which counts the memory of the process
# a child was forked from until its exec: a tool forked from this Python would
# show Python's 10 MiB. So a small shell forks each tool, prints its pid on fd 3
# and exits; the tool, orphaned, becomes our child (we are a child subreaper)
# and is waited for with wait4.
LAUNCHER = '"$@" 3>&- & echo $! >&3'
PR_SET_CHILD_SUBREAPER = 36


class BenchError(Exception):
    """Ends the benchmark with `bench: MESSAGE` and status 1."""


@dataclass(frozen=True)
class Inputs:
    a: Path
    b: Path
    concat_list: Path  # ffmpeg's concat demuxer reads the two names from it


@dataclass(frozen=True)
class Run:
    wall: float  # seconds
    cpu: float  # user + system seconds
    rss_kib: int  # peak resident memory


@dataclass
class Comparison:
    output: str  # "file" or "/dev/null"
    peer: str
    pairtone_runs: list[Run] = field(default_factory=list)
    peer_runs: list[Run] = field(default_factory=list)
    same_samples: bool | None = None  # checked for file output only

    def wall_ratios(self) -> list[float]:
        return [p.wall / q.wall for p, q in zip(self.pairtone_runs, self.peer_runs)]

    def cpu_ratios(self) -> list[float]:
        return [p.cpu / q.cpu for p, q in zip(self.pairtone_runs, self.peer_runs) if p.cpu > 0 and q.cpu > 0]


@dataclass(frozen=True)
class Bench:
    work: Path
    pairtone: str
    data_bytes: int
    trace: bool


# ---- set-up ---------------------------------------------------------------


def parse_args() -> argparse.Namespace:
    parser = argparse.ArgumentParser(
        prog="bench/run.py",
        allow_abbrev=False,
        description=__doc__.split("\n\n")[0],
        epilog="PAIRTONE_BIN=FILE times that pairtone binary instead of the one built;\n"
        "BENCH_TRACE=1 prints every run.",
        formatter_class=argparse.RawDescriptionHelpFormatter,
    )
    parser.add_argument("--size", type=int, default=512, metavar="MIB",
                        help="data bytes of each of the two inputs, in MiB (default 512, at most 2047)")
    parser.add_argument("--pairs", type=int, default=5, metavar="N",
                        help="timed A/B pairs per comparison after one warm-up pair (default 5)")
    parser.add_argument("--dir", type=Path, metavar="DIR",
                        help="where inputs and outputs go (default BUILD/work); it needs about 6 x SIZE + 1 GiB free")
    parser.add_argument("--build", type=Path, default=ROOT / "build-bench", metavar="DIR",
                        help="CMake build directory, configured as Release (default build-bench)")
    parser.add_argument("--keep", action="store_true", help="keep the inputs and outputs afterwards")
    args = parser.parse_args()
    if not 1 <= args.size <= 2047:
        parser.error("--size takes 1 to 2047 MiB (the joined data must fit a WAVE header)")
    if args.pairs < 1:
        parser.error("--pairs takes a whole number of at least 1")
    return args


def available_peers() -> list[str]:
    peers = []
    for tool in PEERS:
        if shutil.which(tool):
            peers.append(tool)
        else:
            print(f"bench: {tool} not found, its comparison is skipped (Debian: apt-get install {tool})")
    return peers


def cmake_build_type(cache: Path) -> str:
    for line in cache.read_text(errors="replace").splitlines():
        name, _, value = line.partition("=")
        if name.split(":")[0] == "CMAKE_BUILD_TYPE":
            return value
    return ""


def build_tools(build: Path) -> None:
    """Builds pairtone and wavgen. A build directory made here has no tests; one
    that exists is only built, and must be a Release build (the project's
    default when no type is given)."""
    if not shutil.which("cmake"):
        raise BenchError("cmake is missing (Debian: apt-get install cmake g++)")
    print(f"building pairtone and wavgen (Release) in {build}")
    build.mkdir(parents=True, exist_ok=True)
    cache = build / "CMakeCache.txt"
    steps = []
    if cache.exists():
        build_type = cmake_build_type(cache)
        if build_type not in ("", "Release"):
            raise BenchError(f"{build} is a '{build_type}' build; the benchmark needs Release")
    else:
        steps.append(["cmake", "-S", ROOT, "-B", build, "-DCMAKE_BUILD_TYPE=Release", "-DBUILD_TESTING=OFF"])
    steps.append(["cmake", "--build", build, "-j2", "--target", "pairtone", "wavgen"])
    log_path = build / "bench-build.log"
    with open(log_path, "w") as log:
        for step in steps:
            if subprocess.run(step, stdout=log, stderr=subprocess.STDOUT).returncode != 0:
                raise BenchError(f"the build failed, see {log_path}")


def remove_work_files(work: Path) -> None:
    for path in chain(work.glob("*.wav"), work.glob("*.txt")):
        path.unlink(missing_ok=True)


def check_free_space(work: Path, size_mib: int) -> None:
    # Two inputs, two joined outputs at a time, the small inputs and their outputs.
    need_mib = 6 * size_mib + 4 * SMALL_MIB + 512
    fs = os.statvfs(work)
    free_mib = fs.f_bavail * fs.f_frsize // MIB
    if free_mib < need_mib:
        raise BenchError(f"{work} has {free_mib} MiB free, the benchmark at --size {size_mib} needs {need_mib} MiB; "
                         "free some space, choose a smaller --size or another --dir")


def make_inputs(wavgen: Path, work: Path, prefix: str, data_bytes: int) -> Inputs:
    inputs = Inputs(work / f"{prefix}a.wav", work / f"{prefix}b.wav", work / f"list-{prefix}ab.txt")
    for path, tone_hz in ((inputs.a, 440), (inputs.b, 660)):
        if subprocess.run([wavgen, path, str(data_bytes), str(tone_hz)]).returncode != 0:
            raise BenchError(f"wavgen could not write {path}")
    inputs.concat_list.write_text(f"file '{inputs.a}'\nfile '{inputs.b}'\n")
    return inputs


def become_subreaper() -> None:
    libc = ctypes.CDLL(None, use_errno=True)
    if libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) != 0:
        raise BenchError(f"prctl(PR_SET_CHILD_SUBREAPER): {os.strerror(ctypes.get_errno())}")


# ---- one run --------------------------------------------------------------


def join_command(bench: Bench, tool: str, inputs: Inputs, out: Path | None) -> tuple[list[str], str]:
    """TOOL's command joining INPUTS into OUT (None: /dev/null), and the path its
    standard output goes to."""
    a, b, target = str(inputs.a), str(inputs.b), str(out or os.devnull)
    to_null = out is None
    if tool == "pairtone":
        return [bench.pairtone, a, b, target], os.devnull
    if tool == "cat":
        return ["cat", a, b], target
    if tool == "sox":
        return ["sox", a, b, *(["-t", "wav"] if to_null else []), target], os.devnull
    if tool == "ffmpeg":
        return (["ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "concat", "-safe", "0",
                 "-i", str(inputs.concat_list), "-c", "copy", *(["-f", "wav"] if to_null else []), target],
                os.devnull)
    raise ValueError(tool)


def run_measured(argv: list[str], stdout: str, stderr: Path) -> tuple[int, resource.struct_rusage]:
    """Runs ARGV through the launcher; returns its exit code and resource usage."""
    pid_read, pid_write = os.pipe()
    writing = os.O_WRONLY | os.O_CREAT | os.O_TRUNC
    launcher = os.posix_spawn("/bin/sh", ["sh", "-c", LAUNCHER, "sh", *argv], os.environ, file_actions=[
        (os.POSIX_SPAWN_OPEN, 0, os.devnull, os.O_RDONLY, 0),
        (os.POSIX_SPAWN_OPEN, 1, stdout, writing, 0o644),
        (os.POSIX_SPAWN_OPEN, 2, str(stderr), writing, 0o644),
        (os.POSIX_SPAWN_DUP2, pid_write, 3),
    ])
    os.close(pid_write)
    with os.fdopen(pid_read) as pid_pipe:
        pid = int(pid_pipe.read())
    os.waitpid(launcher, 0)
    try:
        _, status, usage = os.wait4(pid, 0)
    except BaseException:
        os.kill(pid, signal.SIGKILL)
        os.wait4(pid, 0)
        raise
    return os.waitstatus_to_exitcode(status), usage


def run_once(bench: Bench, tool: str, inputs: Inputs, out: Path | None) -> Run:
    argv, stdout = join_command(bench, tool, inputs, out)
    errors = bench.work / "err.txt"
    if out:
        out.unlink(missing_ok=True)
    os.sync()
    start = time.perf_counter()
    status, usage = run_measured(argv, stdout, errors)
    wall = time.perf_counter() - start
    if status != 0:
        sys.stderr.write(errors.read_text(errors="replace"))
        raise BenchError(f"{tool} failed: {' '.join(argv)}")
    run = Run(wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss)
    if bench.trace:
        print(f"  {tool} {out.name if out else 'null'}: wall {run.wall:.4f} cpu {run.cpu:.3f} rss {run.rss_kib}",
              file=sys.stderr)
    return run


# ---- sample checks --------------------------------------------------------


def file_bytes(path: Path, start: int = 0, length: int | None = None) -> Iterator[bytes]:
    with open(path, "rb") as f:
        f.seek(start)
        left = length
        while left is None or left > 0:
            chunk = f.read(MIB if left is None else min(MIB, left))
            if not chunk:
                return
            if left is not None:
                left -= len(chunk)
            yield chunk


def command_bytes(argv: list[str]) -> Iterator[bytes]:
    with subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE) as proc:
        while chunk := proc.stdout.read(MIB):
            yield chunk


def same_bytes(left_chunks: Iterable[bytes], right_chunks: Iterable[bytes]) -> bool:
    left_chunks, right_chunks = iter(left_chunks), iter(right_chunks)
    left = right = b""
    while True:
        left = left or next(left_chunks, b"")
        right = right or next(right_chunks, b"")
        if not left or not right:
            return not left and not right
        n = min(len(left), len(right))
        if left[:n] != right[:n]:
            return False
        left, right = left[n:], right[n:]


def peer_samples(peer: str, out: Path, data_bytes: int) -> Iterator[bytes]:
    if peer == "cat":  # cat keeps both headers: take the data behind each of them
        return chain(file_bytes(out, HEADER, data_bytes), file_bytes(out, 2 * HEADER + data_bytes))
    if peer == "sox":
        return command_bytes(["sox", str(out), "-t", "raw", "-"])
    if peer == "ffmpeg":
        return command_bytes(["ffmpeg", "-nostdin", "-v", "error", "-i", str(out), "-f", "s16le", "-"])
    raise ValueError(peer)


def pairtone_samples(bench: Bench) -> Iterator[bytes]:
    """The joined samples of pairtone's output, the reference for every peer."""
    return file_bytes(bench.work / "pairtone-out.wav", HEADER)


# ---- comparisons ----------------------------------------------------------


def compare(bench: Bench, inputs: Inputs, peer: str, output: str, pairs: int) -> Comparison:
    to_file = output == "file"
    print(f"timing pairtone against {peer}, output to {'a file' if to_file else output}")
    pairtone_out = bench.work / "pairtone-out.wav" if to_file else None
    peer_out = bench.work / f"{peer}-out.wav" if to_file else None
    run_once(bench, "pairtone", inputs, pairtone_out)
    run_once(bench, peer, inputs, peer_out)
    result = Comparison(output, peer)
    for _ in range(pairs):
        result.pairtone_runs.append(run_once(bench, "pairtone", inputs, pairtone_out))
        result.peer_runs.append(run_once(bench, peer, inputs, peer_out))
    if to_file:
        result.same_samples = same_bytes(pairtone_samples(bench), peer_samples(peer, peer_out, bench.data_bytes))
        peer_out.unlink()
    return result


def peak_rss_of_small_runs(bench: Bench, inputs: Inputs, tool: str) -> dict[str, int]:
    """The largest peak memory of 3 runs of TOOL on the small inputs, by output."""
    out = bench.work / f"small-{tool}-out.wav"
    peaks = {output: 0 for output in OUTPUTS}
    for _ in range(3):
        peaks["file"] = max(peaks["file"], run_once(bench, tool, inputs, out).rss_kib)
        peaks["/dev/null"] = max(peaks["/dev/null"], run_once(bench, tool, inputs, None).rss_kib)
    out.unlink()
    return peaks


def peak_rss_of_timed_runs(comparisons: list[Comparison], tool: str) -> dict[str, int]:
    """The largest peak memory of TOOL's timed runs, by output."""
    peaks = {output: 0 for output in OUTPUTS}
    for c in comparisons:
        if tool == "pairtone":
            runs = c.pairtone_runs
        elif tool == c.peer:
            runs = c.peer_runs
        else:
            continue
        peaks[c.output] = max(peaks[c.output], *(r.rss_kib for r in runs))
    return peaks


# ---- report ---------------------------------------------------------------


def seconds(value: float) -> str:
    return f"{value:.3f} s"


def mib(kib: int) -> str:
    return f"{kib / 1024:.2f} MiB"


def ratio_summary(ratios: list[float]) -> str:
    return f"{statistics.median(ratios):.3f} ({min(ratios):.3f}–{max(ratios):.3f})"


def print_table(header: list[str], rows: list[list[str]]) -> None:
    widths = [max(len(cell) for cell in column) for column in zip(header, *rows)]

    def line(cells):
        return "| " + " | ".join(cell.ljust(width) for cell, width in zip(cells, widths)) + " |"

    print(line(header))
    print(line(["-" * width for width in widths]))
    for row in rows:
        print(line(row))


def print_machine(bench: Bench, size_mib: int, pairs: int) -> None:
    cpuinfo = Path("/proc/cpuinfo").read_text()
    model = next((line.split(": ", 1)[1] for line in cpuinfo.splitlines() if line.startswith("model name")),
                 "unknown CPU")
    meminfo = Path("/proc/meminfo").read_text().split()
    mem_gib = int(meminfo[meminfo.index("MemTotal:") + 1]) / MIB
    df = subprocess.run(["df", "-PT", bench.work], capture_output=True, text=True).stdout.splitlines()
    fs_type = df[1].split()[1] if len(df) > 1 else "unknown file system"
    print()
    print(f"machine: {len(os.sched_getaffinity(0))} cores, {model}, {mem_gib:.0f} GiB, "
          f"Linux {os.uname().release}, {fs_type} at {bench.work}")
    print("load average at the start: " + " ".join(f"{load:.2f}" for load in os.getloadavg()))
    print(f"inputs: 2 x {size_mib} MiB of 16-bit stereo data; {pairs} timed pair{'s' if pairs > 1 else ''} "
          "after one warm-up pair")


def print_time_table(comparisons: list[Comparison], skipped: list[str]) -> None:
    print()
    print("wall time: medians; pairtone / peer is the median of the per-pair ratios (min–max),")
    print("pairtone faster = 1 / that median; peak memory is the largest of the timed runs")
    rows = []
    for c in comparisons:
        ratio = statistics.median(c.wall_ratios())
        peak_peer = max(r.rss_kib for r in c.peer_runs)
        peak_pairtone = max(r.rss_kib for r in c.pairtone_runs)
        rows.append([c.output, c.peer, seconds(statistics.median(r.wall for r in c.peer_runs)),
                     seconds(statistics.median(r.wall for r in c.pairtone_runs)), ratio_summary(c.wall_ratios()),
                     f"{1 / ratio:.2f}×", f"{peak_peer / 1024:.2f} / {peak_pairtone / 1024:.2f} MiB"])
    print_table(["output", "peer", "peer median", "pairtone median", "pairtone / peer, per pair: median (min–max)",
                 "pairtone faster", "peak memory, peer / pairtone"], rows)
    for tool in skipped:
        print(f"{tool}: not compared, it is not installed")


def cpu_ratio_cell(c: Comparison) -> str:
    ratios = c.cpu_ratios()
    if not ratios:
        return "none*"
    return ratio_summary(ratios) + ("*" if len(ratios) < len(c.peer_runs) else "")


def print_cpu_table(comparisons: list[Comparison]) -> None:
    print()
    print("CPU time (user + system): medians, and the median of the per-pair ratios (min–max)")
    rows = [[c.output, c.peer, seconds(statistics.median(r.cpu for r in c.peer_runs)),
             seconds(statistics.median(r.cpu for r in c.pairtone_runs)), cpu_ratio_cell(c)] for c in comparisons]
    print_table(["output", "peer", "peer median", "pairtone median", "pairtone / peer, per pair: median (min–max)"],
                rows)
    if any(len(c.cpu_ratios()) < len(c.peer_runs) for c in comparisons):
        print("* pairs in which a run used no measurable CPU time have no ratio and are left out")


def print_memory_table(size_mib: int, by_tool: dict[str, dict[tuple[str, int], int]]) -> None:
    """BY_TOOL maps each tool to its peak memory by (output, size)."""
    sizes = sorted({SMALL_MIB, size_mib})
    print()
    if size_mib == SMALL_MIB:
        print(f"peak resident memory at {size_mib} MiB (the largest of the timed runs)")
    else:
        print(f"peak resident memory by input size (the largest of 3 runs at {SMALL_MIB} MiB, "
              f"of the timed runs at {size_mib} MiB)")
    header = ["tool"] + [f"{output}, {size} MiB" for output in OUTPUTS for size in sizes]
    rows = [[tool] + [mib(peaks[output, size]) for output in OUTPUTS for size in sizes]
            for tool, peaks in by_tool.items()]
    print_table(header, rows)


def pairtone_joined_inputs(bench: Bench, inputs: Inputs) -> bool:
    expected = chain(file_bytes(inputs.a, HEADER, bench.data_bytes), file_bytes(inputs.b, HEADER))
    return same_bytes(pairtone_samples(bench), expected)


def print_samples_report(comparisons: list[Comparison], pairtone_right: bool) -> None:
    print()
    print("joined samples against pairtone's:")
    for c in comparisons:
        if c.same_samples is not None:
            print(f"  {c.peer}: {'same' if c.same_samples else 'DIFFERENT'} samples")
    print(f"  pairtone: its data is {'' if pairtone_right else 'NOT '}a.wav's data followed by b.wav's")


# ---- main -----------------------------------------------------------------


def benchmark(args: argparse.Namespace, work: Path) -> bool:
    peers = available_peers()
    build_tools(args.build)
    bench = Bench(work, os.environ.get("PAIRTONE_BIN") or str(args.build / "pairtone"), args.size * MIB,
                  bool(os.environ.get("BENCH_TRACE")))
    check_free_space(work, args.size)

    wavgen = args.build / "wavgen"
    print(f"making inputs: 2 x {args.size} MiB and 2 x {SMALL_MIB} MiB, 16-bit stereo 44.1 kHz")
    inputs = make_inputs(wavgen, work, "", bench.data_bytes)
    small_inputs = make_inputs(wavgen, work, "small-", SMALL_MIB * MIB)
    os.sync()

    become_subreaper()
    print_machine(bench, args.size, args.pairs)
    comparisons = [compare(bench, inputs, peer, output, args.pairs) for output in OUTPUTS for peer in peers]
    pairtone_right = pairtone_joined_inputs(bench, inputs)
    (work / "pairtone-out.wav").unlink()

    memory = {}
    for tool in ("pairtone", *peers):
        by_size = {args.size: peak_rss_of_timed_runs(comparisons, tool)}
        if args.size != SMALL_MIB:
            by_size[SMALL_MIB] = peak_rss_of_small_runs(bench, small_inputs, tool)
        memory[tool] = {(output, size): peaks[output] for size, peaks in by_size.items() for output in OUTPUTS}

    print_time_table(comparisons, [tool for tool in PEERS if tool not in peers])
    print_cpu_table(comparisons)
    print_samples_report(comparisons, pairtone_right)
    print_memory_table(args.size, memory)
    return pairtone_right and all(c.same_samples is not False for c in comparisons)


def exit_on_signal(signum: int, _frame) -> None:
    raise SystemExit(128 + signum)


def main() -> int:
    args = parse_args()
    signal.signal(signal.SIGTERM, exit_on_signal)  # stops the running tool and cleans up, as Ctrl-C does
    args.build = args.build.resolve()
    work = (args.dir or args.build / "work").resolve()
    try:
        work.mkdir(parents=True, exist_ok=True)
        remove_work_files(work)
        try:
            return 0 if benchmark(args, work) else 1
        finally:
            if not args.keep:
                remove_work_files(work)
    except BenchError as error:
        print(f"bench: {error}", file=sys.stderr)
        return 1
    except KeyboardInterrupt:
        print("bench: interrupted", file=sys.stderr)
        return 130


if __name__ == "__main__":
    sys.exit(main())
