// The card's sound against xmrender's: reading the reference, lining the
// recording up with it, comparing sample for sample (the card's own rate)
// or within the rate converter's tolerance (a rate the browser chose).
'use strict';
const fs = require('fs');

const CARD_RATE = 44000;

// The interleaved 16-bit samples of a WAV file written by xmrender.
function readWav(file) {
  const b = fs.readFileSync(file);
  let at = 12;
  while (at + 8 <= b.length) {
    const id = b.toString('ascii', at, at + 4), size = b.readUInt32LE(at + 4);
    if (id === 'data') return new Int16Array(b.buffer.slice(b.byteOffset + at + 8, b.byteOffset + at + 8 + size));
    at += 8 + size + (size & 1);
  }
  throw new Error(`${file}: no data`);
}

// The card's sound starts after some silence (the player's start); the
// first non-zero sample lines it up with the reference.
function firstSound(samples) {
  for (let i = 0; i < samples.length; i++) if (samples[i] !== 0) return i & ~1;
  return -1;
}

// Float pairs recorded at the card's rate against the reference's 16-bit
// pairs: every sample of the first `frames` frames (all that were recorded,
// with `frames` 0, at least three seconds) must be the same whole 16-bit value.
function compareSound(pairs, reference, frames) {
  const a = firstSound(pairs), b = firstSound(reference);
  if (a < 0 || b < 0 || a < b) return {ok: false, detail: 'no sound to line up'};
  const start = a - b;
  const available = Math.min((pairs.length - start) >> 1, reference.length >> 1);
  if (frames === 0) frames = Math.max(available, 3 * CARD_RATE);
  if (available < frames) return {ok: false, detail: `only ${available} frames recorded after ${a >> 1} silent ones`};
  let differ = 0, first = -1;
  for (let i = 0; i < frames * 2; i++) {
    if (Math.round(pairs[start + i] * 32768) !== reference[i] || pairs[start + i] * 32768 % 1 !== 0) {
      if (first < 0) first = i >> 1;
      differ++;
    }
  }
  return {ok: differ === 0, detail: `${differ} samples differ` + (first >= 0 ? `, first at frame ${first}` : '') +
          `, ${(frames / CARD_RATE).toFixed(2)} s compared`};
}

// Plain Blackman-windowed sinc, 64 taps a side: slow and simple, for the check only.
function resample(pcm, from, to) {
  const frames = pcm.length >> 1, outFrames = Math.floor(frames * to / from), half = 64;
  const cutoff = Math.min(1, to / from) * 0.92;
  const out = new Float32Array(outFrames * 2);
  for (let n = 0; n < outFrames; n++) {
    const t = n * from / to, base = Math.floor(t);
    let l = 0, r = 0;
    for (let k = base - half + 1; k <= base + half; k++) {
      if (k < 0 || k >= frames) continue;
      const x = t - k;
      const w = 0.42 + 0.5 * Math.cos(Math.PI * x / half) + 0.08 * Math.cos(2 * Math.PI * x / half);
      const s = x === 0 ? cutoff : Math.sin(Math.PI * cutoff * x) / (Math.PI * x);
      l += pcm[2 * k] / 32768 * s * w;
      r += pcm[2 * k + 1] / 32768 * s * w;
    }
    out[2 * n] = l;
    out[2 * n + 1] = r;
  }
  return out;
}

// Sound the card converted to `rate`, against the reference converted
// here: the relative RMS difference at the best lag near the first sound.
// A sound that skipped, repeated or went silent is far off; the two
// converters' rounding is not (under 1 %).
function convertedDifference(pairs, reference, rate, seconds) {
  const ref = resample(reference.subarray(0, (seconds + 2) * CARD_RATE * 2), CARD_RATE, rate);
  const lag = (firstSound(pairs) - firstSound(ref)) >> 1;
  const compared = seconds * rate;
  if (lag < 0 || pairs.length < 2 * (lag + 40 + compared)) return Infinity;
  let best = Infinity;
  for (let shift = Math.max(0, lag - 40); shift <= lag + 40; shift++) {
    let error = 0, power = 0;
    for (let i = 0; i < compared * 2; i++) {
      const d = pairs[2 * shift + i] - ref[i];
      error += d * d;
      power += ref[i] * ref[i];
    }
    best = Math.min(best, Math.sqrt(error / power));
  }
  return best;
}

module.exports = {CARD_RATE, readWav, firstSound, compareSound, convertedDifference};
