// The card's player, in the browser's audio thread. It plays a queue of
// about a second of sound, starting once the queue is full, and asks the
// page for more, a chunk at a time, whenever what it holds and what it has
// asked for fall below that. The page's main thread may be busy for half a
// second (a slow frame, another tab's work) without a gap: the queue plays
// on meanwhile. Requests are message events, which browsers do not throttle
// like timers.
class CardPlayer extends AudioWorkletProcessor {
  constructor(options) {
    super();
    const o = options.processorOptions;
    this.queueFrames = o.queueFrames;    // frames to hold, at the context's rate
    this.chunkFrames = o.chunkFrames;    // frames of the card's rate per request
    this.chunkEstimate = Math.ceil(o.chunkFrames * o.ratio);  // the same at this rate
    this.capacity = this.queueFrames + 4 * this.chunkEstimate;
    this.fifo = new Float32Array(this.capacity * 2);
    this.read = 0;
    this.level = 0;
    this.pending = 0;  // frames asked for and not yet come (estimated)
    // Silent until the queue first holds its target (less a chunk, for the
    // estimate's rounding): a main thread slow to answer at the start, while
    // the show opens, would otherwise drain a queue of one chunk at once.
    this.startFrames = Math.max(1, this.queueFrames - this.chunkEstimate);
    this.started = false;
    this.starved = 0;  // frames played as silence after the sound had started
    this.live = true;
    this.port.onmessage = (e) => this.receive(e.data);
    this.ask();
  }

  receive(data) {
    if (data === 'stop') {
      this.live = false;
      return;
    }
    const frames = data.length >> 1;
    let write = (this.read + this.level) % this.capacity;
    for (let i = 0; i < frames; i++) {
      if (this.level === this.capacity) break;  // never reached: the requests bound the level
      this.fifo[2 * write] = data[2 * i];
      this.fifo[2 * write + 1] = data[2 * i + 1];
      if (++write === this.capacity) write = 0;
      this.level++;
    }
    this.pending = Math.max(0, this.pending - this.chunkEstimate);
    if (this.level >= this.startFrames) this.started = true;
    this.ask();
  }

  ask() {
    while (this.live && this.level + this.pending < this.queueFrames) {
      this.port.postMessage({need: this.chunkFrames, starved: this.starved});
      this.pending += this.chunkEstimate;
    }
  }

  process(inputs, outputs) {
    const out = outputs[0];
    const left = out[0], right = out[1], n = left.length;  // two channels, as the page made it
    for (let i = 0; i < n; i++) {
      if (this.started && this.level > 0) {
        left[i] = this.fifo[2 * this.read];
        right[i] = this.fifo[2 * this.read + 1];
        if (++this.read === this.capacity) this.read = 0;
        this.level--;
      } else {
        left[i] = 0;
        right[i] = 0;
        if (this.started) this.starved++;
      }
    }
    this.ask();
    return this.live;
  }
}
registerProcessor('card-player', CardPlayer);
