"""Turns the raw data of a `make bench` run into bench/results/latest.md and
latest.png.

    bench_report.py RAW_DIR RESULTS_DIR
"""

import bisect
import json
import os
import random
import subprocess
import sys

import show_analysis as sa

CALLS_NEEDED = 254 * 44  # a host refreshing all 254 channels 44 times a second
NAIVE_MARKS_S = (10, 30, 60)
NAIVE_WINDOW_S = 10
NAIVE_MOMENTS = 500
CPU_TARGET = 0.01
FPS_TARGET = 0.98


def read_keys(path):
    """'key value...' lines; 'change K T' lines become a list of return times."""
    keys, changes = {}, []
    with open(path) as lines:
        for line in lines:
            parts = line.split()
            if not parts:
                continue
            if parts[0] == "change":
                changes.append(int(parts[2]))
            else:
                keys[parts[0]] = " ".join(parts[1:])
    return keys, changes


def read_calls(path):
    """'calls_per_s WAY RATE' lines."""
    with open(path) as lines:
        return {p[1]: float(p[2]) for p in (line.split() for line in lines)
                if len(p) == 3 and p[0] == "calls_per_s"}


def read_frames(path):
    with open(path) as f:
        report = json.load(f)
    frames = [(r["t_us"], r["channels"]) for r in report.get("frame_records", [])]
    return report, frames


def tick_interval_us(keys):
    ticks = int(keys["ticks"])
    if ticks < 2:
        return None
    return (int(keys["last_tick_us"]) - int(keys["first_tick_us"])) / (ticks - 1)


def frames_in(frames, start_us, end_us):
    return [f for f in frames if start_us <= f[0] <= end_us]


def frames_per_s(frames, start_us, end_us):
    """From the first to the last frame of the window, so that where a window
    cuts a frame interval counts for nothing."""
    inside = frames_in(frames, start_us, end_us)
    if len(inside) < 2:
        return 0.0
    return (len(inside) - 1) / ((inside[-1][0] - inside[0][0]) / 1e6)


def measure_ours(raw, n):
    keys, returned = read_keys(f"{raw}/on-{n}.host.txt")
    off, _ = read_keys(f"{raw}/off-{n}.host.txt")
    report, frames = read_frames(f"{raw}/on-{n}.json")
    start, end = int(keys["start_us"]), int(keys["end_us"])
    seconds = (end - start) / 1e6
    tick_us = tick_interval_us(keys)
    intervals = [int(v) for v in keys.get("tick_intervals_us", "").split()]
    fps = frames_per_s(frames, start, end)
    limit = min(sa.LINE_BYTES_PER_S / (n + sa.FRAME_OVERHEAD), 1e6 / tick_us)
    floor = sa.delay_floor_us(n, tick_us)
    carried = sa.frame_changes(frames, n, returned)
    # The last changes before Disable may never be sent: they are left out.
    counted = [t for t in returned if t <= end - 2 * floor]
    delays = sa.change_delays(counted, carried, n)
    values = [d for _, d in delays.delays_us]
    off_seconds = (int(off["end_us"]) - int(off["start_us"])) / 1e6
    return {
        "n": n,
        "period_ms": int(keys["period_ms"]),
        "tick_ms": tick_us / 1000,
        "tick_p99_ms": (sa.percentile(intervals, 0.99) or 0) / 1000,
        "fps": fps,
        "limit": limit,
        "ratio": fps / limit,
        "busy": fps * (n + sa.FRAME_OVERHEAD) / sa.LINE_BYTES_PER_S,
        "bad": report["bad_frames"]["total"],
        "stray": report["stray_bytes"],
        "unfit": carried.unfit + carried.inconsistent,
        "ambiguous": carried.ambiguous,
        "changes": len(counted),
        "measured": len(values),
        "superseded": delays.superseded,
        "lost": delays.not_arrived + delays.negative,
        "negative": delays.negative,
        "p50": sa.percentile(values, 0.50) / 1000,
        "p99": sa.percentile(values, 0.99) / 1000,
        "max": max(values) / 1000,
        "floor": floor / 1000,
        "cpu_on": float(keys["cpu_s"]) / seconds,
        "cpu_off": float(off["cpu_s"]) / off_seconds,
        "server_on": float(keys.get("wineserver_cpu_s", 0)) / seconds,
        "server_off": float(off.get("wineserver_cpu_s", 0)) / off_seconds,
        "rate_on": int(keys["changes"]) / seconds,
    }


def measure_naive(raw, n, followed_s):
    """A value the show sets at a mark goes out in the first frame built after
    it (the naive driver loses none under Wine, so the interface's k-th frame
    is the k-th built)."""
    keys, _ = read_keys(f"{raw}/naive-{n}.host.txt")
    report, frames = read_frames(f"{raw}/naive-{n}.json")
    built = [int(t) for t in keys["frames_built_us"].split()]
    start = int(keys["start_us"])
    end = start + followed_s * 1_000_000
    def delay_s(at):
        k = bisect.bisect_left(built, at)
        return (frames[k][0] - at) / 1e6 if k < len(frames) else None

    # A writer that blocks for seconds makes the delay swing: the mean and the
    # worst over moments spread at random over the 10 s around each mark (an
    # even grid would meet the ticks always at the same phase).
    spread = random.Random(n)
    marks = {}
    for mark in NAIVE_MARKS_S:
        if mark > followed_s:
            continue
        first = start + max(mark - NAIVE_WINDOW_S / 2, 0) * 1_000_000
        last = start + min(mark + NAIVE_WINDOW_S / 2, followed_s) * 1_000_000
        delays = [delay_s(spread.uniform(first, last)) for _ in range(NAIVE_MOMENTS)]
        if delays and None not in delays:
            marks[mark] = (sum(delays) / len(delays), max(delays))
    return {
        "n": n,
        "fps": frames_per_s(frames, start, end),
        "bad": report["bad_frames"]["total"],
        "stray": report["stray_bytes"],
        "unread": len(built) - len(frames),
        "marks": marks,
        "blocked": int(keys["blocked_us"]) / (int(keys["end_us"]) - start),
        "longest_block_s": int(keys["longest_block_us"]) / 1e6,
    }


def sections(path):
    """(header, values) for each row of a file of '#header ...' lines, each
    followed by rows of blank-separated values."""
    header = None
    with open(path) as lines:
        for line in lines:
            parts = line.split()
            if not parts:
                continue
            if parts[0].startswith("#"):
                header = parts
            elif header:
                yield header, parts


def read_simulation(path):
    engine, naive = [], []
    for header, parts in sections(path):
        if header[0] == "#ticks":
            names = ["ticks", "n", "tick_ms", "fps", "limit", "ratio", "busy", "skipped",
                     "p50", "p99", "max", "floor", "p99_floor", "whole"]
            row = dict(zip(names, parts))
            engine.append({k: (v if k in ("ticks", "whole") else float(v))
                           for k, v in row.items()})
        elif header[0] == "#naive-uart":
            names = ["ticks", "n", "intact", "decoded", "torn", "other", "stray"]
            row = dict(zip(names, parts))
            naive.append({k: (v if k == "ticks" else float(v)) for k, v in row.items()})
    return engine, naive


def read_drivers(path):
    """'#name col...' header lines, each followed by rows of values."""
    if not os.path.exists(path):
        return {}
    return {parts[0]: {k: float(v) for k, v in zip(header[1:], parts[1:])}
            for header, parts in sections(path)}


def drivers_headline(drivers):
    lines = []
    usb, slow = drivers.get("usb-adapter"), drivers.get("slow-port")
    if usb:
        cut = int(usb["torn"] + usb["bad"])
        lines.append(f"- USB adapter model (drops its buffer at the close), {int(usb['cycles'])} "
                     f"random Disable/Enable cycles at 254 channels on Windows' clock: {cut} cut "
                     f"frames, {int(usb['whole'])} whole, longest Disable "
                     f"{usb['longest_disable_ms']:.1f} ms; target 0 cut: {verdict(cut == 0)}.")
    if slow:
        lines.append(f"- A lost port whose every open takes {slow['open_s']:.0f} s and fails, for "
                     f"{slow['lost_s']:.0f} s: {int(slow['tries'])} tries, the host's thread held up "
                     f"{pct(slow['held_share'])} of the time, longest stall "
                     f"{slow['longest_stall_ms']:.1f} ms; output back {slow['resumed_ms']:.0f} ms "
                     f"after the device; target ≤ 10 %: {verdict(slow['held_share'] <= 0.10)}.")
    return lines


def drivers_section(drivers):
    if not drivers:
        return []
    usb, slow = drivers.get("usb-adapter", {}), drivers.get("slow-port", {})
    return ["", "## The COM port on models of real drivers (Windows' clock)", "",
            "build/win32/bench/drivers/driver-model-report.exe under Wine: the plug-in's own COM "
            "port code on models of drivers (tests/wine/drivers), in the models' time, with "
            "Windows' 15.625 ms ticks and sleeps that end on them up to 1 ms early.", "",
            "| case | what | result |", "|---|---|---|",
            f"| USB adapter: 4 KB buffer, 1 ms USB frame, dropped at the close | "
            f"{int(usb.get('cycles', 0))} Disable/Enable cycles 20–220 ms apart at 254 channels | "
            f"{int(usb.get('whole', 0))} whole frames, {int(usb.get('torn', 0))} torn, "
            f"{int(usb.get('bad', 0))} bad; longest Disable {usb.get('longest_disable_ms', 0):.1f} ms |",
            f"| slow port: every open takes {slow.get('open_s', 0):.0f} s and fails | lost for "
            f"{slow.get('lost_s', 0):.0f} s, then back | {int(slow.get('tries', 0))} tries aside; "
            f"ticks held up {slow.get('held_ms', 0):.1f} ms in all "
            f"({pct(slow.get('held_share', 0))}), longest {slow.get('longest_stall_ms', 0):.1f} ms; "
            f"first byte {slow.get('resumed_ms', 0):.0f} ms after the return |"]


def pct(share):
    return f"{100 * share:.2f} %"


def verdict(met):
    return "met" if met else "**missed**"


def headline(ours, naive, calls, clock):
    worst_fps = min(ours, key=lambda r: r["ratio"])
    worst_delay = max(ours, key=lambda r: r["p99"] / r["floor"])
    bad = sum(r["bad"] + r["stray"] for r in ours)
    lines = [
        f"- Frames per second against the limit: lowest {worst_fps['ratio']:.3f} "
        f"(N = {worst_fps['n']}); target ≥ {FPS_TARGET}: {verdict(worst_fps['ratio'] >= FPS_TARGET)}.",
        f"- Bad frames and stray bytes: {bad} in all runs; target 0: {verdict(bad == 0)}.",
        f"- Delay p99 against the floor (2 × frame time + one tick): highest "
        f"{worst_delay['p99'] / worst_delay['floor']:.2f} (N = {worst_delay['n']}: "
        f"{worst_delay['p99']:.1f} ms against {worst_delay['floor']:.1f} ms); target ≤ 1: "
        f"{verdict(worst_delay['p99'] <= worst_delay['floor'])}. A timer of the same period in "
        f"the same process ticked every {worst_delay['tick_ms']:.2f} ms on average, "
        f"{worst_delay['tick_p99_ms']:.2f} ms at the 99th percentile.",
    ]
    for n in (10, 254):
        row = next((r for r in ours if r["n"] == n), None)
        if row:
            cost = row["cpu_on"] - row["cpu_off"]
            lines.append(
                f"- Host CPU for output at N = {n}: {pct(cost)} of a core (on {pct(row['cpu_on'])}, "
                f"off {pct(row['cpu_off'])}); target ≤ 1 %: {verdict(cost <= CPU_TARGET)}; "
                f"with output on in all {pct(row['cpu_on'])}.")
    if "dispatch_by_value" in calls:
        rate = float(calls["dispatch_by_value"])
        lines.append(
            f"- SetChannel through IDispatch::Invoke: {rate:,.0f} calls/s = "
            f"{rate / CALLS_NEEDED:.1f} × what refreshing 254 channels 44 times a second needs; "
            f"target ≥ 10 ×: {verdict(rate >= 10 * CALLS_NEEDED)}.")
    worst_naive = max(naive, key=lambda r: max((m for m, _ in r["marks"].values()), default=0))
    if worst_naive["marks"]:
        mark, (delay, _) = max(worst_naive["marks"].items())
        ours_p99 = next(r for r in ours if r["n"] == worst_naive["n"])["p99"]
        lines.append(
            f"- The naive driver under Wine: at N = {worst_naive['n']} a value set {mark} s into "
            f"the show reached the interface {delay:.1f} s later on average (the plug-in: {ours_p99:.0f} ms at "
            f"p99), and its host sat in WriteFile {pct(worst_naive['blocked'])} of the time, once "
            f"{worst_naive['longest_block_s']:.1f} s at a stretch.")
    lines.append(
        f"- Clocks: {clock.get('inside_bracket')} of {clock.get('probes')} readings of the host's "
        f"clock under Wine fell between two native CLOCK_REALTIME readings taken around them "
        f"(median bracket {clock.get('bracket_median_us')} µs, median offset "
        f"{clock.get('offset_median_us')} µs).")
    return lines


def ours_table(ours):
    head = ("| N | period asked | tick mean / p99 | frames/s | limit | ratio | line busy | bad | stray "
            "| delay p50 | p99 | max | floor | p99/floor | CPU on | CPU off | on − off "
            "| wineserver on / off |")
    rows = [head, "|" + "---|" * 19]
    for r in ours:
        rows.append(
            f"| {r['n']} | {r['period_ms']} ms | {r['tick_ms']:.2f} / {r['tick_p99_ms']:.1f} ms | "
            f"{r['fps']:.1f} | "
            f"{r['limit']:.1f} | {r['ratio']:.3f} | {pct(r['busy'])} | {r['bad']} | {r['stray']} | "
            f"{r['p50']:.1f} ms | {r['p99']:.1f} ms | {r['max']:.1f} ms | {r['floor']:.1f} ms | "
            f"{r['p99'] / r['floor']:.2f} | {pct(r['cpu_on'])} | {pct(r['cpu_off'])} | "
            f"{pct(r['cpu_on'] - r['cpu_off'])} | {pct(r['server_on'])} / {pct(r['server_off'])} |")
    return rows


def seconds_text(value):
    return f"{value * 1000:.0f} ms" if value < 1 else f"{value:.1f} s"


def naive_table(naive, followed_s):
    marks = [m for m in NAIVE_MARKS_S if m <= followed_s]
    rows = ["| N | frames/s | bad | " + " | ".join(f"delay after {m} s, mean (max)" for m in marks)
            + " | host in WriteFile | longest there |",
            "|" + "---|" * (5 + len(marks))]
    for r in naive:
        cells = []
        for m in marks:
            mean, worst = r["marks"].get(m, (None, None))
            cells.append("–" if mean is None else f"{seconds_text(mean)} ({seconds_text(worst)})")
        unread = f" ({r['unread']} frames never read)" if r["unread"] else ""
        rows.append(f"| {r['n']} | {r['fps']:.1f}{unread} | {r['bad'] + r['stray']} | " + " | ".join(cells)
                    + f" | {pct(r['blocked'])} | {r['longest_block_s']:.2f} s |")
    return rows


def simulation_table(engine):
    rows = ["| N | ticks | tick | frames/s | limit | ratio | delay p50 | p99 | max | floor | p99/floor |",
            "|" + "---|" * 11]
    for r in sorted((r for r in engine if r["ticks"] != "as-asked"), key=lambda r: (r["n"], r["ticks"])):
        rows.append(f"| {int(r['n'])} | {r['ticks']} | {r['tick_ms']:.2f} ms | {r['fps']:.1f} | "
                    f"{r['limit']:.1f} | {r['ratio']:.3f} | {r['p50']:.1f} ms | {r['p99']:.1f} ms | "
                    f"{r['max']:.1f} ms | {r['floor']:.1f} ms | {r['p99_floor']:.2f} |")
    return rows


def uart_table(naive_uart):
    rows = ["| N | ticks | intact frames/s | torn frames/s | other bad/s |", "|" + "---|" * 5]
    for r in sorted(naive_uart, key=lambda r: (r["n"], r["ticks"])):
        rows.append(f"| {int(r['n'])} | {r['ticks']} | {r['intact']:.1f} | {r['torn']:.1f} | "
                    f"{r['other']:.1f} |")
    return rows


def write_plot_data(ours, naive, engine, raw):
    curves = os.path.join(raw, "curves.dat")
    with open(curves, "w") as f:
        f.write("# N line_limit floor_wine_ms floor_windows15_ms\n")
        for n in range(1, 255):
            windows_tick = 15625 * -(-1000 * sa.send_interval_ms(n) // 15625)
            f.write(f"{n} {sa.LINE_BYTES_PER_S / (n + 3):.3f} "
                    f"{sa.delay_floor_us(n, sa.wine_tick_us(n)) / 1000:.3f} "
                    f"{sa.delay_floor_us(n, windows_tick) / 1000:.3f}\n")
    points = os.path.join(raw, "points.dat")
    naive_by_n = {r["n"]: r for r in naive}
    sim15 = {int(r["n"]): r for r in engine if r["ticks"] == "windows-15.6ms"}
    with open(points, "w") as f:
        f.write("# N fps naive_fps sim15_fps p99_ms naive_last_delay_ms sim15_p99_ms\n")
        for r in ours:
            nr = naive_by_n.get(r["n"])
            last = max(nr["marks"].items())[1][0] * 1000 if nr and nr["marks"] else float("nan")
            s15 = sim15.get(r["n"])
            f.write(f"{r['n']} {r['fps']:.3f} {nr['fps'] if nr else float('nan'):.3f} "
                    f"{s15['fps'] if s15 else float('nan')} {r['p99']:.3f} {last:.3f} "
                    f"{s15['p99'] if s15 else float('nan')}\n")
    return curves, points


def plot(curves, points, naive_mark, png):
    script = f"""
set terminal pngcairo size 1000,1100 font "DejaVu Sans,11"
set output "{png}"
set multiplot layout 2,1
set logscale x
set xrange [0.9:280]
set xtics (1, 10, 14, 24, 64, 128, 254)
set grid
set key top right
set xlabel "channels N"
set ylabel "whole frames per second"
set logscale y
set yrange [1:3000]
set title "Frames per second at the virtual DMX interface (19200 baud 8N2, 1745.45 bytes/s)"
plot "{curves}" using 1:2 with lines lw 2 lc rgb "#888888" title "line limit 1745.45/(N+3)", \\
     1000 / 10.05 with lines dt 2 lw 2 lc rgb "#aa6600" title "Wine's 10 ms tick ceiling (10.05 ms)", \\
     64 with lines dt 3 lw 1 lc rgb "#6666cc" title "Windows' 15.6 ms tick ceiling", \\
     "{points}" using 1:2 with points pt 7 ps 1.6 lc rgb "#0055cc" title "plug-in under Wine (measured)", \\
     "{points}" using 1:3 with points pt 6 ps 2.2 lw 2 lc rgb "#cc2222" title "naive driver under Wine (measured)", \\
     "{points}" using 1:4 with points pt 4 ps 1.2 lc rgb "#6666cc" title "plug-in, Windows 15.6 ms ticks (simulated)"
set title "Delay from SetChannel's return to the whole frame carrying the value at the interface"
set ylabel "delay (ms)"
set yrange [1:1000000]
set key top left
plot "{curves}" using 1:3 with lines lw 2 lc rgb "#888888" title "floor under Wine: 2 × frame time + one tick", \\
     "{curves}" using 1:4 with lines dt 3 lw 1 lc rgb "#6666cc" title "floor with Windows' 15.6 ms ticks", \\
     "{points}" using 1:5 with points pt 7 ps 1.6 lc rgb "#0055cc" title "plug-in under Wine, p99 (measured)", \\
     "{points}" using 1:7 with points pt 4 ps 1.2 lc rgb "#6666cc" title "plug-in, Windows 15.6 ms ticks, p99 (simulated)", \\
     "{points}" using 1:6 with points pt 6 ps 2.2 lw 2 lc rgb "#cc2222" title "naive driver under Wine, mean around {naive_mark} s (measured)"
unset multiplot
"""
    subprocess.run(["gnuplot"], input=script, text=True, check=True)


def main(raw, results):
    machine, _ = read_keys(f"{raw}/machine.txt")
    clock, _ = read_keys(f"{raw}/clock.txt")
    calls = read_calls(f"{raw}/calls.txt")
    counts = sorted(int(name[3:-9]) for name in os.listdir(raw)
                    if name.startswith("on-") and name.endswith(".host.txt"))
    followed_s = int(machine["naive_seconds"])
    ours = [measure_ours(raw, n) for n in counts]
    naive = [measure_naive(raw, n, followed_s) for n in counts
             if os.path.exists(f"{raw}/naive-{n}.json")]
    engine, naive_uart = read_simulation(f"{raw}/simulation.txt")
    drivers = read_drivers(f"{raw}/drivers.txt")
    naive_mark = max((m for m in NAIVE_MARKS_S if m <= followed_s), default=0)

    doc = ["# `make bench`: the 32-bit plug-in under Wine on the virtual DMX interface", "",
           f"Run {machine['date']} on {machine['cpu']} ({machine['cores']} cores, Linux "
           f"{machine['kernel']}), {machine['wine']}; load average {machine['load_before']} "
           f"before, {machine.get('load_after', '?')} after. Each show ran {machine['show_seconds']} s "
           f"per channel count; the naive driver ran {followed_s} s.", "",
           "## Headline", ""]
    doc += headline(ours, naive, calls, clock)
    doc += drivers_headline(drivers)
    doc += ["", "![frames per second and delay against N](latest.png)", "",
            "## The plug-in under Wine", "",
            "A host (bench/host) raises the count with `SetChannel(N, 0)` after `Enable` (counts "
            "below 10 through the configuration dialog) and then changes one channel every few ms "
            "in sweeps 1..N, at random gaps, through the interface's slots. The limit is "
            "min(1745.45 / (N + 3), measured tick rate); the floor is 2 × frame time + one measured "
            "tick interval. CPU is the host process's (GetProcessTimes) per second of show, with "
            "output on and with the same show never enabled; the wineserver's share (the work "
            "the Windows kernel would do) is given apart. Bad frames and stray bytes count over the "
            "whole session, set-up included (at N below 10 the dialog closes and reopens the port).",
            ""]
    doc += ours_table(ours)
    doc += ["", "Changes measured per count: " + ", ".join(
        f"N={r['n']}: {r['measured']} of {r['changes']}"
        + (f" ({r['superseded']} overwritten before sent)" if r["superseded"] else "")
        + (f" ({r['lost']} never arrived)" if r["lost"] else "")
        + (f" ({r['unfit']} frames off the pattern)" if r["unfit"] else "")
        + (f" ({r['ambiguous']} frames read ambiguously)" if r["ambiguous"] else "")
        for r in ours) + ".", ""]
    doc += ["## SetChannel calls per second (output on, 254 channels)", "",
            "| way | calls/s | × needed for 254 channels at 44 Hz |", "|---|---|---|"]
    for way, label in (("vtable", "interface slot (vtable)"),
                       ("dispatch_by_value", "IDispatch::Invoke, arguments by value (script host)"),
                       ("dispatch_by_reference", "IDispatch::Invoke, arguments by reference")):
        if way in calls:
            doc.append(f"| {label} | {float(calls[way]):,.0f} | {float(calls[way]) / CALLS_NEEDED:.1f} |")
    doc += ["", "## The naive driver under Wine", "",
            "The same show into the same interface, written the simple way by bench-host: at "
            "every tick of a timer of `SendInterval(N)` ms the whole frame, one `WriteFile` per "
            "byte, on a port opened without write timeouts. All counts ran at once, each on its "
            "own port and interface. Delay at a moment t: from t to the arrival of the first frame "
            "built after t, the first that can carry a value set at t (while the host sits in "
            "WriteFile it cannot even set one); taken at 500 random moments of the 10 s around each "
            "mark.",
            ""]
    doc += naive_table(naive, followed_s)
    doc += ["", "## Simulated: Windows' default timer resolution next to Wine's 10 ms ticks", "",
            "build/release/bench/line_pacing_report: the engine on a simulated 19200-baud line "
            "under a fake clock, 60 s per row. `wine-10ms`: ticks no shorter than 10.05 ms, late by "
            "up to 1.5 ms; `windows-15.6ms`: periods rounded up to whole 15.625 ms clock ticks "
            "(so 16–18 ms become 31.25 ms), each late by up to 1.5 ms.", ""]
    doc += simulation_table(engine)
    doc += ["", "A naive driver on a real UART whose classic 512-byte output buffer drops what "
            "does not fit (simulated): frames that reach the wire whole, and the torn frames the "
            "device sees.", ""]
    doc += uart_table(naive_uart)
    doc += drivers_section(drivers)
    doc += ["", "## How the clocks were related", "",
            "The interface stamps each frame with CLOCK_REALTIME when its last byte came off the "
            "line; the host stamps each change with GetSystemTimePreciseAsFileTime, which Wine "
            "reads from the same clock. Checked at the start of the run: " +
            " ".join(f"{k} {v}," for k, v in clock.items()).rstrip(",") + ".", ""]
    with open(os.path.join(results, "latest.md"), "w") as f:
        f.write("\n".join(doc))
    curves, points = write_plot_data(ours, naive, engine, raw)
    plot(curves, points, naive_mark, os.path.join(results, "latest.png"))


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: bench_report.py RAW_DIR RESULTS_DIR")
    main(sys.argv[1], sys.argv[2])
