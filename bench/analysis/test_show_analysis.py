"""Unit tests of the bench's read-back of frames (python3 -m unittest)."""

import random
import unittest

import show_analysis as sa


def picture_after(changes, channels):
    """The channel values after the show's first `changes` changes, by playing
    them as the host does (bench/host/show_pattern.cpp)."""
    values = [0] * channels
    for k in range(changes):
        values[k % channels] = (k // channels + 1) % 256
    return values


class FrameReadBackTest(unittest.TestCase):
    def test_a_frame_tells_its_changes_modulo_256_sweeps(self):
        rng = random.Random(7)
        for channels in (1, 2, 10, 24, 254):
            for changes in [0, 1, channels, 256 * channels - 1, 256 * channels] + [
                    rng.randrange(0, 1000 * channels) for _ in range(50)]:
                self.assertEqual(sa.changes_mod(picture_after(changes, channels)),
                                 changes % (256 * channels), (channels, changes))

    def test_frames_in_order_give_the_full_count_across_wraps(self):
        channels = 3
        carried = list(range(0, 3000, 7))  # past 256 * 3 several times
        frames = [(1000 * i + 500, picture_after(s, channels)) for i, s in enumerate(carried)]
        returned = [1000 * (k // 7) for k in range(3000)]  # each before its frame
        frames.insert(5, (4600, [9, 1, 200]))  # off the pattern
        frames.insert(9, (8600, [5]))  # wrong length
        result = sa.frame_changes(frames, channels, returned)
        self.assertEqual(result.changes, carried)
        self.assertEqual((result.unfit, result.inconsistent, result.ambiguous), (2, 0, 0))

    def test_a_jump_of_more_than_half_a_wrap_is_read_forward(self):
        channels = 2  # 512 changes to a wrap
        returned = list(range(1000))
        frames = [(10, picture_after(10, 2)), (401, picture_after(400, 2))]
        result = sa.frame_changes(frames, channels, returned)
        self.assertEqual(result.changes, [10, 400])
        self.assertEqual(result.ambiguous, 0)

    def test_a_frame_older_than_the_last_or_newer_than_the_calls_does_not_fit(self):
        returned = [0, 1, 2, 3, 100, 101]
        frames = [(50, picture_after(4, 4)), (60, picture_after(3, 4)), (70, picture_after(6, 4))]
        result = sa.frame_changes(frames, 4, returned)
        self.assertEqual(result.changes, [4])
        # 3 after 4 would mean 3 + 1024 changes; 6 had not been made by then.
        self.assertEqual(result.inconsistent, 2)


class DelayTest(unittest.TestCase):
    def test_each_change_runs_to_the_first_frame_that_carries_it(self):
        channels = 2
        carried = sa.FrameChanges(times_us=[100, 200, 300, 400], changes=[0, 1, 3, 7])
        # Change 0 first arrives in the frame at 200; 1 and 2 in the one at
        # 300; 3 to 6 in the one at 400, but by then changes 5 and 6 had set the
        # channels of 3 and 4 again; 7 never came.
        returned = [150, 210, 220, 230, 240, 250, 260, 270]
        result = sa.change_delays(returned, carried, channels)
        self.assertEqual(result.delays_us, [(0, 50), (1, 90), (2, 80), (5, 150), (6, 140)])
        self.assertEqual(result.superseded, 2)
        self.assertEqual(result.not_arrived, 1)

    def test_a_frame_before_the_call_returned_means_the_clocks_disagree(self):
        carried = sa.FrameChanges(times_us=[100], changes=[1])
        result = sa.change_delays([150], carried, 1)
        self.assertEqual(result.negative, 1)
        self.assertEqual(result.delays_us, [])

    def test_nearest_rank_percentile(self):
        values = list(range(1, 101))
        self.assertEqual(sa.percentile(values, 0.99), 99)
        self.assertEqual(sa.percentile(values, 0.5), 50)
        self.assertEqual(sa.percentile([5], 0.99), 5)
        self.assertIsNone(sa.percentile([], 0.5))

    def test_floor_and_send_interval(self):
        self.assertEqual([sa.send_interval_ms(n) for n in (0, 14, 15, 100, 200, 254)],
                         [1, 1, 2, 8, 15, 18])
        self.assertAlmostEqual(sa.delay_floor_us(254, 18000), 2 * 257 * 11e6 / 19200 + 18000)


if __name__ == "__main__":
    unittest.main()
