// The page's sound player (web/site/player_worklet.js) outside a browser:
// its requests, its start once the queue holds its target, and its count
// of starved frames, with the main thread's answers in the test's hands.
//
//   node player_worklet_test.js SITE
// Prints "N passed, N failed"; exit status 1 on a failure.
'use strict';
const fs = require('fs');
const path = require('path');
const vm = require('vm');

const SITE = process.argv[2];
const RENDER_FRAMES = 128;  // what the browser asks of a worklet at a time

let passed = 0, failed = 0;
function check(name, ok, detail) {
  if (ok) passed++; else failed++;
  console.log(`${ok ? 'PASS' : 'FAIL'} player worklet: ${name}${detail !== undefined ? ': ' + detail : ''}`);
}

// The worklet's class, loaded as the browser loads it, with a port whose
// messages the test reads.
function loadPlayer() {
  let Player = null;
  const sandbox = {
    AudioWorkletProcessor: class {
      constructor() {
        this.port = {sent: [], postMessage(m) { this.sent.push(m); }};
      }
    },
    registerProcessor: (name, cls) => { Player = cls; },
  };
  vm.runInNewContext(fs.readFileSync(path.join(SITE, 'player_worklet.js'), 'utf8'), sandbox);
  return Player;
}

function newPlayer(Player, queueFrames, chunkFrames) {
  return new Player({processorOptions: {queueFrames, chunkFrames, ratio: 1}});
}

// One render quantum; returns the left channel.
function render(player) {
  const left = new Float32Array(RENDER_FRAMES), right = new Float32Array(RENDER_FRAMES);
  player.process([], [[left, right]]);
  return left;
}

// The main thread answers `count` of the player's waiting requests with
// chunks of the value `value`.
function answer(player, count, value) {
  for (let i = 0; i < count; i++) {
    const request = player.port.sent.shift();
    const chunk = new Float32Array(request.need * 2).fill(value);
    player.port.onmessage({data: chunk});
  }
}

const Player = loadPlayer();
{
  const player = newPlayer(Player, 8192, 1024);
  check('asks at once for its whole queue', player.port.sent.length === 8, `${player.port.sent.length} requests`);
  answer(player, 1, 0.5);
  const early = render(player);
  check('silent while the queue holds only the first chunk', early.every((v) => v === 0) && player.starved === 0,
        `first sample ${early[0]}, starved ${player.starved}`);
  // The main thread is busy: nothing more comes for a while; still no gap,
  // since nothing has been played yet.
  for (let i = 0; i < 50; i++) render(player);
  check('a main thread slow to answer at the start is no gap', player.starved === 0, `starved ${player.starved}`);
  answer(player, player.port.sent.length, 0.5);
  const playing = render(player);
  check('plays once the queue holds its target', playing.every((v) => v === 0.5));
  // Unanswered from here on: the queue drains, then the player starves.
  let played = RENDER_FRAMES;
  while (player.level > 0) {
    render(player);
    played += RENDER_FRAMES;
  }
  render(player);
  check('plays its whole queue, then counts the starved frames', played >= 8192 - 1024 && player.starved > 0,
        `${played} frames played, starved ${player.starved}`);
}
{
  const player = newPlayer(Player, 8192, 1024);
  player.port.onmessage({data: 'stop'});
  check('a stopped player ends', player.process([], [[new Float32Array(128), new Float32Array(128)]]) === false);
}

console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
