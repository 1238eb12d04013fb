#!/usr/bin/python3
"""Listens to a render of the card's music by measurement.

    /usr/bin/python3 tools/track/measure_track.py render.wav

The WAV must be 16-bit stereo and hold the intro, one whole pass of the loop
and at least a little of the next pass. The player counts whole frames per
tick (859 at 44,000 frames per second and 128 BPM), so the pattern lengths
are worked out the same way rather than taken as 7.5 seconds. Prints the peak, the loudness of the
pass, the longest near-silence after the intro and how the loop seam compares
with its neighbourhood. Standard library only.
"""

import argparse
import array
import math
import sys
import wave


def db(x):
    return 20.0 * math.log10(x / 32768.0) if x > 0 else float("-inf")


def rms(samples):
    if not samples:
        return 0.0
    return math.sqrt(sum(v * v for v in samples) / len(samples))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("wav")
    ap.add_argument("--bpm", type=int, default=128)
    ap.add_argument("--speed", type=int, default=6)
    ap.add_argument("--intro-patterns", type=int, default=1)
    ap.add_argument("--loop-patterns", type=int, default=8)
    ap.add_argument("--silence-db", type=float, default=-60.0)
    args = ap.parse_args()

    with wave.open(args.wav, "rb") as w:
        if w.getsampwidth() != 2 or w.getnchannels() != 2:
            sys.exit("need a 16-bit stereo WAV")
        rate = w.getframerate()
        data = array.array("h", w.readframes(w.getnframes()))
    if sys.byteorder != "little":
        data.byteswap()
    left, right = data[0::2], data[1::2]
    frames = len(left)
    tick = int(rate * 2.5 / args.bpm + 1e-6)
    pattern = 64 * args.speed * tick
    start = args.intro_patterns * pattern
    seam = start + args.loop_patterns * pattern
    if seam + rate // 10 > frames:
        sys.exit(f"render too short: {frames / rate:.2f} s, need {(seam + rate // 10) / rate:.2f} s")

    mono_pass = [(left[i] + right[i]) / 2 for i in range(start, seam)]
    both_pass = list(left[start:seam]) + list(right[start:seam])
    peak = max(abs(v) for v in data[2 * start:2 * seam])
    peak_all = max(abs(v) for v in data)
    clipped = sum(1 for v in data if v >= 32767 or v <= -32768)
    print(f"rate {rate} Hz, {frames / rate:.2f} s rendered")
    print(f"peak (whole render)  {db(peak_all):7.2f} dBFS  ({peak_all}), clipped samples {clipped}")
    print(f"peak (one pass)      {db(peak):7.2f} dBFS")
    print(f"RMS (one pass, L+R)  {db(rms(both_pass)):7.2f} dBFS")
    print(f"RMS (one pass, mid)  {db(rms(mono_pass)):7.2f} dBFS")

    # Longest stretch of 10 ms windows below the silence threshold.
    win = rate // 100
    limit = 32768.0 * 10 ** (args.silence_db / 20.0)
    longest = run = 0
    for i in range(start, frames - win, win):
        level = rms([v for v in data[2 * i:2 * (i + win)]])
        run = run + 1 if level < limit else 0
        longest = max(longest, run)
    print(f"longest gap below {args.silence_db:.0f} dBFS after the intro: {longest * win / rate:.2f} s")
    half = rate // 2
    quietest = min(rms(data[2 * i:2 * (i + half)]) for i in range(start, seam - half, win))
    print(f"quietest half second after the intro {db(quietest):7.2f} dBFS RMS")

    # The seam: the last 20 ms of the pass against the first 20 ms of the
    # loop (as first heard and as heard again), and the largest step between
    # neighbouring frames right at the seam against the pass as a whole.
    n20 = rate // 50
    tail = list(left[seam - n20:seam]) + list(right[seam - n20:seam])
    head = list(left[start:start + n20]) + list(right[start:start + n20])
    again = list(left[seam:seam + n20]) + list(right[seam:seam + n20])
    print(f"last 20 ms of the pass   {db(rms(tail)):7.2f} dBFS RMS")
    print(f"first 20 ms of the loop  {db(rms(head)):7.2f} dBFS RMS (first time)")
    print(f"first 20 ms after seam   {db(rms(again)):7.2f} dBFS RMS (second time)")

    def steps(a, b):
        return [max(abs(left[i] - left[i - 1]), abs(right[i] - right[i - 1])) for i in range(a, b)]

    around = steps(seam - rate // 500, seam + rate // 500)
    overall = sorted(steps(start + 1, seam))
    p999 = overall[int(len(overall) * 0.999)]
    print(f"largest frame step within 2 ms of the seam {max(around)}; "
          f"99.9th percentile over the pass {p999}; maximum over the pass {overall[-1]}")


if __name__ == "__main__":
    main()
