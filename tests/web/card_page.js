// Driving the card's page in any engine (tests/web/engines/): waiting on
// it, opening it as a person does, and reading back its pictures and sound
// through its test aids (test=1).
'use strict';

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Polls `fn(arg)` in the page until it is true; false after `timeout` ms.
async function waitFor(page, fn, arg, timeout) {
  for (const end = Date.now() + timeout; Date.now() < end; await sleep(50)) {
    if (await page.evaluate(fn, arg)) return true;
  }
  return false;
}

const stats = (page) => page.evaluate(() => window.yulecardTest.stats());

// A click in the middle of the invitation, as a person opens the card.
async function clickInvitation(page) {
  const r = await page.evaluate(() => {
    const b = document.getElementById('invitation').getBoundingClientRect();
    return {x: b.left + b.width / 2, y: b.top + b.height / 2};
  });
  await page.click(r.x, r.y);
}

// Holds the show after `frame` and counts the pixels of its 1:1 picture
// that differ from `reference` (-1: another size); `reached` when the show
// got there, `frames` the frames it has shown.
async function heldPicture(page, frame, reference) {
  await page.evaluate((n) => window.yulecardTest.holdAfterFrame(n), frame);
  const reached = await waitFor(page, (n) => window.yulecardTest.stats().frames >= n, frame + 1, 60000);
  const shown = await page.evaluate(() => window.yulecardTest.picture());
  const rgb = Buffer.from(shown.rgb, 'base64');
  let differ = -1;
  if (shown.width === reference.width && shown.height === reference.height) {
    differ = 0;
    for (let i = 0; i < rgb.length; i += 3) {
      if (rgb[i] !== reference.rgb[i] || rgb[i + 1] !== reference.rgb[i + 1] || rgb[i + 2] !== reference.rgb[i + 2]) {
        differ++;
      }
    }
  }
  const s = await stats(page);
  return {reached, differ, frames: s.frames};
}

// What the page's sound tap has recorded, as float left, right pairs.
async function tapSound(page) {
  const d = await page.evaluate(() => window.yulecardTest.tapSound());
  if (!d) return {rate: 0, pairs: new Float32Array(0)};
  const bytes = Buffer.from(d.sound, 'base64');
  return {rate: d.rate, pairs: new Float32Array(bytes.buffer, bytes.byteOffset, d.frames * 2)};
}

async function waitTap(page, frames) {
  return waitFor(page, (n) => window.yulecardTest.tapFrames().then((f) => f >= n), frames, 30000);
}

module.exports = {sleep, waitFor, stats, clickInvitation, heldPicture, tapSound, waitTap};
