#!/usr/bin/env python3
# tools/bench/bench.py: runs the launcher's benchmarks and writes their table; run through tools/bench/run.sh.
"""Usage: bench.py --win WINBUILDDIR --host HOSTBUILDDIR --out OUTDIR [--runs N] [--disc-runs N]
       bench.py --bytes-only --win WINBUILDDIR --out OUTDIR [--disc-runs N]

1. Start to painted menu under Wine from a simulated optical drive at 24x and 4x, against a floor program
   that reads both skin files whole and shows one empty window: times, bytes, reads and seeks per file.
2. The same start times from the local disk.
3. The bitmap reader's throughput on the host (Google Benchmark) against memcpy and stb_image.
4. Size, sections and imports of Launch.exe.

--bytes-only runs only the starts from the drive, at its first speed, and reports their bytes: an emulated
launcher's times measure the emulator, but the bytes it fetches are counts.
"""
import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_DIR = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(SOURCE_DIR, "tests", "e2e"))
import harness  # noqa: E402
import disc_drive  # noqa: E402

BACK_SKIN = "Autorun/English/ZoBack_Eng.bmp"


def run_wine(session, args, name):
    """Runs a Wine program to its end with output in files (never a pipe); returns its exit status."""
    with open(os.path.join(session.dir, name + ".out"), "ab") as out:
        return subprocess.run(session.wine + args, env=session.env, stdin=subprocess.DEVNULL,
                              stdout=out, stderr=subprocess.STDOUT, timeout=900).returncode


def read_lines(path):
    with open(path) as f:
        return [line.split() for line in f if line.strip()]


def start_times(session, win, medium, back, runs):
    """Start times from the local disk: startwatch alternates floor and launcher itself."""
    out = os.path.join(session.dir, "startwatch.txt")
    status = run_wine(session, [os.path.join(win, "tools", "bench", "startwatch.exe"), harness.windows_path(out),
                                str(runs), harness.windows_path(medium), harness.windows_path(back)], "startwatch")
    return parse_times(out, status)


def parse_times(out, status):
    lines = read_lines(out)
    errors = [" ".join(l) for l in lines if l[0] == "error"]
    if status != 0 or errors:
        raise SystemExit("startwatch failed (%d): %s" % (status, "; ".join(errors)))
    times = {"floor": [], "launcher": []}
    for name, ms in lines:
        times[name].append(float(ms))
    return times


def disc_starts(session, win, medium, back, runs, models):
    """Per drive model: start times and per-file reads of floor and launcher, each start on a fresh mount,
    floor and launcher alternated after one unrecorded start of each."""
    results = {}
    mountpoint = os.path.join(session.dir, "disc")
    for model in models:
        rate, seek = disc_drive.SPEEDS[model]
        times = {"floor": [], "launcher": []}
        files = {"floor": [], "launcher": []}
        for run in range(runs + 1):
            for program in ("floor", "launcher"):
                log = os.path.join(session.dir, "disc-%s-%d-%s.log" % (model, run, program))
                out = log + ".txt"
                with disc_drive.Drive(medium, mountpoint, log, rate, seek) as drive:
                    status = run_wine(session, [os.path.join(win, "tools", "bench", "startwatch.exe"),
                                                harness.windows_path(out), program, harness.windows_path(mountpoint),
                                                harness.windows_path(back)], "startwatch-disc")
                ms = parse_times(out, status)[program][0]
                if run > 0:  # the first round warms Wine's own files in the cache
                    times[program].append(ms)
                    files[program].append(disc_drive.per_file(drive.reads))
        results[model] = (times, files)
    return results


def median_files(starts):
    """Per file, the median bytes, reads and seeks over the starts."""
    paths = sorted({p for start in starts for p in start})
    zero = disc_drive.FileFigures(0, 0, 0)
    return {p: disc_drive.FileFigures(*(int(statistics.median(getattr(s.get(p, zero), f) for s in starts))
                                        for f in disc_drive.FileFigures._fields)) for p in paths}


def reader_throughput(host):
    out = os.path.join(host, "bitmap_read_bench.json")
    subprocess.run([os.path.join(host, "tools", "bench", "bitmap_read_bench"), "--benchmark_min_time=0.5",
                    "--benchmark_repetitions=3", "--benchmark_report_aggregates_only=true",
                    "--benchmark_out_format=json", "--benchmark_out=" + out],
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True,
                   timeout=300)
    with open(out) as f:
        data = json.load(f)
    medians = {}
    for b in data["benchmarks"]:
        if b.get("aggregate_name") == "median":
            medians[b["run_name"]] = (b["real_time"], b["time_unit"], b["bytes_per_second"])
    return medians


# Which launcher each run measures.
LAUNCHERS = {
    "win32": "the 32-bit launcher, which the medium ships, in a 32-bit prefix",
    "win64": "the 32-bit launcher, which the medium ships, under WOW64 in a 64-bit prefix",
    "x64": "the x86-64 launcher in a 64-bit prefix, since the 32-bit one cannot run natively on this host",
}


def objdump_of(win):
    """The objdump of the toolchain that built win, as its CMake cache names it."""
    with open(os.path.join(win, "CMakeCache.txt")) as f:
        for line in f:
            if line.startswith("CMAKE_OBJDUMP:"):
                return line.split("=", 1)[1].strip()
    raise SystemExit("no CMAKE_OBJDUMP in " + os.path.join(win, "CMakeCache.txt"))


def executable_facts(win):
    exe = os.path.join(win, "Launch.exe")
    objdump = objdump_of(win)
    headers = subprocess.run([objdump, "-h", exe], stdout=subprocess.PIPE, check=True, text=True).stdout
    sections = {}
    for line in headers.splitlines():
        parts = line.split()
        if len(parts) >= 7 and parts[0].isdigit():
            sections[parts[1]] = int(parts[2], 16)
    private = subprocess.run([objdump, "-p", exe], stdout=subprocess.PIPE, check=True, text=True).stdout
    dlls = [line.split(":", 1)[1].strip() for line in private.splitlines() if "DLL Name:" in line]
    return os.path.getsize(exe), sections, dlls


def kib(n):
    return "%.1f KiB" % (n / 1024.0)


def grouped(n):
    return "{:,}".format(int(round(n)))


def disc_tables(results):
    """The drive table (times, ratio, bytes) and the per-file table (bytes, reads, seeks) of each model."""
    summary = ["| Drive model | Launcher: start to painted menu | Floor | Ratio (goal <= 1.10) "
               "| Bytes fetched per start, launcher / floor (goal: floor + 100 KiB) |", "|---|---|---|---|---|"]
    detail = ["| Drive model | Program | File | Bytes fetched | Reads | Seeks |", "|---|---|---|---|---|---|"]
    for model, (times, files) in results.items():
        rate, seek = disc_drive.SPEEDS[model]
        launcher, floor = statistics.median(times["launcher"]), statistics.median(times["floor"])
        fetched = {p: statistics.median(sum(f.bytes for f in start.values()) for start in files[p])
                   for p in files}
        summary.append("| %s: %s KB/s, %d ms per seek | %s ms | %s ms | %.2f | %s / %s (%+.1f KiB) |" % (
            model, grouped(rate), seek, grouped(launcher), grouped(floor), launcher / floor,
            grouped(fetched["launcher"]), grouped(fetched["floor"]),
            (fetched["launcher"] - fetched["floor"]) / 1024.0))
        summary.append("|   spread, min..max | %s..%s ms | %s..%s ms | | medians of %d starts each |" % (
            grouped(min(times["launcher"])), grouped(max(times["launcher"])), grouped(min(times["floor"])),
            grouped(max(times["floor"])), len(times["launcher"])))
        for program in ("launcher", "floor"):
            for path, f in median_files(files[program]).items():
                detail.append("| %s | %s | %s | %s | %d | %d |" % (model, program, path.replace("/", "\\"),
                                                                   grouped(f.bytes), f.reads, f.seeks))
    return summary, detail


def bytes_report(disc, win):
    """The bytes each program fetched per start, and the executables' sizes."""
    lines = ["| Drive model | Bytes fetched per start, launcher / floor (goal: floor + 100 KiB) |", "|---|---|"]
    for model, (_, files) in disc.items():
        fetched = {p: statistics.median(sum(f.bytes for f in start.values()) for start in files[p]) for p in files}
        lines.append("| %s | %s / %s (%+.1f KiB) |" % (model, grouped(fetched["launcher"]), grouped(fetched["floor"]),
                                                     (fetched["launcher"] - fetched["floor"]) / 1024.0))
    sizes = [(name, os.path.getsize(os.path.join(win, *path))) for name, path in
             (("Launch.exe", ("Launch.exe",)), ("the floor", ("tools", "bench", "bench_floor.exe")))]
    return lines + ["", "Sizes: %s." % ", ".join("%s %s bytes" % (n, grouped(b)) for n, b in sizes),
                    "Times are left out: through emulation they would measure the emulator."]


def main(argv):
    parser = argparse.ArgumentParser()
    parser.add_argument("--win", required=True)
    parser.add_argument("--host")
    parser.add_argument("--bytes-only", action="store_true", help="only the drive's starts, by their bytes")
    parser.add_argument("--out", required=True)
    parser.add_argument("--runs", type=int, default=15, help="starts of each program from the local disk")
    parser.add_argument("--disc-runs", type=int, default=7, help="starts of each program per drive model")
    args = parser.parse_args(argv[1:])
    if not args.bytes_only and not args.host:
        parser.error("--host is needed unless --bytes-only is given")
    win, out = os.path.abspath(args.win), os.path.abspath(args.out)

    template = os.path.join(out, "template-prefix-" + harness.wine_arch())
    probe = os.path.join(win, "tools", "probe", "probe.exe")
    if not os.path.isdir(template):
        harness.make_template(template, probe, harness.wine_arch())
    os.environ["E2E_TEMPLATE_PREFIX"] = template
    os.environ["E2E_PROBE"] = probe

    with harness.WineSession(win) as session:
        medium = harness.lay_out_medium(os.path.join(session.dir, "medium"), win)
        shutil.copy(os.path.join(win, "tools", "bench", "bench_floor.exe"), os.path.join(medium, "Floor.exe"))
        back = os.path.join(session.dir, "expected-back.bmp")
        shutil.copy(os.path.join(medium, *BACK_SKIN.split("/")), back)
        session.park_pointer()  # a pointer over an entry would light it up and change the pixels
        if args.bytes_only:
            disc = disc_starts(session, win, medium, back, args.disc_runs, list(disc_drive.SPEEDS)[:1])
            return write_report(out, ["## Bytes per start from the simulated optical drive", ""] +
                                bytes_report(disc, win))
        times = start_times(session, win, medium, back, args.runs)
        disc = disc_starts(session, win, medium, back, args.disc_runs, disc_drive.SPEEDS)
    throughput = reader_throughput(os.path.abspath(args.host))
    size, sections, dlls = executable_facts(win)

    floor = statistics.median(times["floor"])
    launcher = statistics.median(times["launcher"])
    system = all(d.lower() in SYSTEM_DLLS for d in dlls)
    rsrc = sections.get(".rsrc", 0)

    rows = [
        ("Start to painted menu from the local disk, median of %d (ms)" % len(times["launcher"]),
         "%.0f" % launcher, "floor %.0f" % floor, "%.2fx (goal <= 1.15x)" % (launcher / floor)),
        ("  spread: launcher min..max / floor min..max (ms)",
         "%.0f..%.0f" % (min(times["launcher"]), max(times["launcher"])),
         "%.0f..%.0f" % (min(times["floor"]), max(times["floor"])), ""),
    ]
    names = {"BM_ReadBitmapFile": "ReadBitmapFile", "BM_Memcpy": "memcpy", "BM_StbImage": "stbi_load_from_memory"}
    base = throughput.get("BM_Memcpy")
    for key, label in names.items():
        if key in throughput:
            t, unit, bps = throughput[key]
            rows.append(("600x400 24-bit file from memory: %s" % label, "%.1f %s" % (t, unit),
                         "%.0f MB/s" % (bps / 1e6), "%.1fx memcpy time" % (t / base[0]) if base else ""))
    rows += [
        ("Launch.exe size", kib(size), "goal < 150 KiB", "over" if size >= 150 * 1024 else "met"),
        ("  without resources (.rsrc %s)" % kib(rsrc), kib(size - rsrc), "goal < 150 KiB",
         "over" if size - rsrc >= 150 * 1024 else "met"),
        ("  code (.text)", kib(sections.get(".text", 0)), "", ""),
        ("  sections", ", ".join("%s %s" % (k, kib(v)) for k, v in sections.items()), "", ""),
        ("Imports", ", ".join(dlls), "system DLLs only", "yes" if system else "NO"),
    ]
    table = ["| Measure | Launcher | Floor / reference | Ratio / verdict |", "|---|---|---|---|"]
    table += ["| %s | %s | %s | %s |" % row for row in rows]
    summary, detail = disc_tables(disc)
    notes = [
        "",
        "Floor: a Win32 program without C++ runtime that reads both English skin files whole, then shows an empty",
        "607x425 window. Start time: from CreateProcess until a poller inside Wine (startwatch.exe, 1 ms sleep",
        "between polls) sees the window visible (the launcher's with the caption \"Welcome to Veltrana Setup\") and",
        "its 600x400 client pixels, read back with BitBlt from the screen, equal the English back image (the",
        "floor's: all white). Polling and read-back add the same latency (one poll and one screen read, a few ms)",
        "to both.",
        "From the local disk: runs alternate floor and launcher after one unrecorded warm-up run of each.",
        "From the simulated optical drive (tools/bench/disc_drive.py, a FUSE view of the medium): one head, a seek",
        "before every read that does not continue where the previous read ended, then the bytes at the drive's",
        "rate; a fresh mount for every start, so nothing is cached. Bytes fetched are what the drive delivered to",
        "the program: its own reads and the pages of its executable that the loader mapped and touched, with the",
        "kernel's read-ahead. Floor and launcher alternate after one unrecorded start of each per model; figures",
        "are medians.",
        "Reader throughput: Google Benchmark, median of 3 repetitions, host build (Release); bytes/s counts the",
        "file's bytes. ReadBitmapFile checks the headers and copies the pixels into a zero-filled buffer;",
        "stb_image also converts BGR to RGB.",
    ]
    write_report(out, ["## Start from the simulated optical drive", ""] + summary + [""] + detail +
                 ["", "## Local disk, reader and executable", ""] + table + notes)
    with open(os.path.join(out, "start-times.json"), "w") as f:
        json.dump({"local": times, "disc": {m: t for m, (t, _) in disc.items()}}, f, indent=1)
    return 0


def write_report(out, lines):
    """Writes results.md, headed by the launcher measured, and prints it."""
    text = "\n".join(["Measured: %s." % LAUNCHERS[harness.wine_arch()], ""] + lines) + "\n"
    os.makedirs(out, exist_ok=True)
    with open(os.path.join(out, "results.md"), "w") as f:
        f.write("# Benchmark results\n\n" + text)
    print(text)
    return 0


SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "winmm.dll", "msvcrt.dll",
               "shell32.dll", "comctl32.dll", "ole32.dll", "version.dll"}

if __name__ == "__main__":
    sys.exit(main(sys.argv))
