"""Compares the wall clock a Windows program reads under Wine with this
machine's CLOCK_REALTIME (the virtual DMX interface's clock): asks the
program for its time over a pipe and brackets each answer between the native
times just before the question and just after the answer.

    clock_probe.py COMMAND...   (e.g. wine bench-host.exe clock)
prints "key value" lines."""

import subprocess
import sys
import time

PROBES = 200


def probe(command):
    host = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    samples = []
    try:
        for _ in range(PROBES + 1):
            before = time.clock_gettime_ns(time.CLOCK_REALTIME) // 1000
            host.stdin.write("t\n")
            host.stdin.flush()
            answer = host.stdout.readline()
            after = time.clock_gettime_ns(time.CLOCK_REALTIME) // 1000
            samples.append((before, int(answer), after))
    finally:
        host.stdin.close()
        host.wait(timeout=30)
    return samples[1:]  # the first answer waits for the program to start


def summary(samples):
    """Offsets of the program's clock from the middle of each bracket; the
    narrowest brackets say the most."""
    inside = sum(1 for before, seen, after in samples if before <= seen <= after)
    offsets = sorted(seen - (before + after) / 2 for before, seen, after in samples)
    widths = sorted(after - before for before, _, after in samples)
    return {
        "probes": len(samples),
        "inside_bracket": inside,
        "offset_median_us": offsets[len(offsets) // 2],
        "offset_max_abs_us": max(abs(o) for o in offsets),
        "bracket_median_us": widths[len(widths) // 2],
        "bracket_max_us": widths[-1],
    }


if __name__ == "__main__":
    for key, value in summary(probe(sys.argv[1:])).items():
        print(key, value)
