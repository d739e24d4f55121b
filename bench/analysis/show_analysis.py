"""Reads back what a bench show did: which change each frame at the virtual
DMX interface carries, and how long each change took to arrive there.

The host's show (bench/host/show_pattern.h) sets channels in sweeps 1..N;
sweep q writes (q + 1) mod 256 to every channel, and every channel starts at
0. After s changes, s = q*N + r, a frame holds channels 1..r at (q + 1) mod 256
and r+1..N at q mod 256. So a frame tells s modulo 256*N. Frames leave in the
order they were taken, so s never goes back; and a frame cannot carry a change
whose call returned after the frame arrived. Between those two bounds lies
one s of the right remainder, unless a frame waited more than 256 sweeps of
changes somewhere: then the smallest is taken and the frame counted as
ambiguous.
"""

import bisect
import math
import sys
from dataclasses import dataclass, field

LINE_BYTES_PER_S = 19200 / 11  # 19200 baud, 8N2: 11 bits a byte
FRAME_OVERHEAD = 3  # 'P', length, start code


def frame_time_us(channels):
    return (channels + FRAME_OVERHEAD) * 1e6 / LINE_BYTES_PER_S


def send_interval_ms(channels):
    """The driver's period for a count, trunc(n * 0.07 + 1) in exact arithmetic."""
    return (7 * channels + 100) // 100


def wine_tick_us(channels):
    """Wine ticks a window timer no faster than every 10.05 ms."""
    return max(10050, 1000 * send_interval_ms(channels))


def delay_floor_us(channels, tick_us):
    """A value set just after a frame was taken waits for that frame and the
    next, and for the tick that takes the next one."""
    return 2 * frame_time_us(channels) + tick_us


def change_gap_us(channels):
    """Mean gap between the show's changes: a channel is set again only after
    about twice the floor, so that each value gets its own frame (measured
    delays would otherwise favour values set just before a frame is taken)."""
    return max(2000, round(2 * delay_floor_us(channels, wine_tick_us(channels)) / channels))


def changes_mod(values):
    """How many changes a frame carries, modulo 256*N; None when the frame does
    not fit the show's pattern."""
    n = len(values)
    if n == 0:
        return None
    first = values[0]
    r = 1
    while r < n and values[r] == first:
        r += 1
    if r == n:
        return (first * n) % (256 * n)
    before = (first - 1) % 256
    if any(v != before for v in values[r:]):
        return None
    return (before * n + r) % (256 * n)


@dataclass
class FrameChanges:
    times_us: list = field(default_factory=list)  # arrival of each fitting frame
    changes: list = field(default_factory=list)  # changes it carries
    unfit: int = 0  # frames that do not show the pattern
    inconsistent: int = 0  # frames no count of changes fits
    ambiguous: int = 0  # frames more than one count fits


def frame_changes(frames, channels, returned_us):
    """frames: (t_us, values) in arrival order; returned_us: when each change's
    call returned, in order."""
    modulus = 256 * channels
    result = FrameChanges()
    last = 0
    for t_us, values in frames:
        mod = changes_mod(values) if len(values) == channels else None
        if mod is None:
            result.unfit += 1
            continue
        most = bisect.bisect_right(returned_us, t_us)  # changes made before it arrived
        lowest = last + (mod - last) % modulus
        if lowest > most:
            result.inconsistent += 1
            continue
        if lowest + modulus <= most:
            result.ambiguous += 1
        last = lowest
        result.times_us.append(t_us)
        result.changes.append(last)
    return result


@dataclass
class Delays:
    delays_us: list = field(default_factory=list)  # (change index, delay) of every change shown
    superseded: int = 0  # set again before any frame carried it: its value never went out
    not_arrived: int = 0  # no frame carried it before the end
    negative: int = 0  # arrived before its call returned: the clocks disagree


def change_delays(returned_us, carried, channels):
    """returned_us[k]: when the call of change k returned; carried: FrameChanges.
    A change's delay runs to the arrival of the first frame that carries it."""
    result = Delays()
    f = 0
    count = len(carried.changes)
    for k, t_us in enumerate(returned_us):
        while f < count and carried.changes[f] < k + 1:
            f += 1
        if f == count:
            result.not_arrived += 1
        elif carried.changes[f] >= k + 1 + channels:
            result.superseded += 1
        elif carried.times_us[f] < t_us:
            result.negative += 1
        else:
            result.delays_us.append((k, carried.times_us[f] - t_us))
    return result


def percentile(values, share):
    """Nearest-rank percentile of a list; None for an empty one."""
    if not values:
        return None
    ordered = sorted(values)
    rank = max(1, math.ceil(share * len(ordered)))
    return ordered[rank - 1]


if __name__ == "__main__":
    # show_analysis.py gap CHANNELS: the mean gap for the bench host
    if len(sys.argv) == 3 and sys.argv[1] == "gap":
        print(change_gap_us(int(sys.argv[2])))
    else:
        sys.exit("usage: show_analysis.py gap CHANNELS")
