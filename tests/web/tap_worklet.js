// Test tap between the card's player and the speakers: passes the sound on
// unchanged and records what it passes, so a test can compare every sample
// the browser plays with the native player's. Recording starts at the tap's
// birth and stops at LIMIT_SECONDS.
const LIMIT_SECONDS = 20;
class Tap extends AudioWorkletProcessor {
  constructor() {
    super();
    this.limit = Math.round(LIMIT_SECONDS * sampleRate);
    this.left = new Float32Array(this.limit);
    this.right = new Float32Array(this.limit);
    this.frames = 0;
    this.port.onmessage = (e) => {
      if (e.data === 'count') {
        this.port.postMessage({frames: this.frames});
        return;
      }
      const left = this.left.slice(0, this.frames), right = this.right.slice(0, this.frames);
      this.port.postMessage({frames: this.frames, rate: sampleRate, left, right},
                            [left.buffer, right.buffer]);
    };
  }
  process(inputs, outputs) {
    const input = inputs[0], output = outputs[0], n = output[0].length;
    for (let c = 0; c < output.length; c++) {
      if (input && input[c]) output[c].set(input[c]);
      else output[c].fill(0);
    }
    const room = Math.min(n, this.limit - this.frames);
    if (room > 0) {
      // An unconnected input reads as silence.
      if (input && input[0]) this.left.set(input[0].subarray(0, room), this.frames);
      if (input && input[1]) this.right.set(input[1].subarray(0, room), this.frames);
      this.frames += room;
    }
    return true;
  }
}
registerProcessor('tap', Tap);
