// The web card in one browser engine, as a recipient opens it: one page
// session runs every check, so that each engine costs one start.
//
//   node engine_test.js ENGINE PAGE REFERENCES OUT
// ENGINE: chromium, firefox or webkit (tests/web/engines/); PAGE: the built
// site's folder (served here on 127.0.0.1) or any page URL, http or file;
// REFERENCES: frame-NNNNN.bmp from yulecard-shot and track.wav from
// xmrender (see tests/e2e/web_engines.sh); OUT: a screenshot and figures.
// Prints "N passed, N failed"; exit status 1 on a failure.
//
// Firefox and WebKit run an AudioContext only with a sound device: the
// caller gives them a sound server (PULSE_SERVER); WebKit needs an X
// display (DISPLAY).
'use strict';
const fs = require('fs');
const path = require('path');
const {readBmp} = require('./bmp_file');
const {CARD_RATE, readWav, compareSound, convertedDifference} = require('./card_sound');
const {serveSite} = require('./site_server');

const [ENGINE, PAGE, REFERENCES, OUT] = process.argv.slice(2);
const CLOCK = 1765000000;
const FRAMES = [0, 190, 330, 1200];
const SHOW_RATE = 1000 / 21;  // show frames a second
const CONVERTED_RATE = 48000;  // what phones often run at (forced here)
const VIEWPORT = {width: 1024, height: 768};

let passed = 0, failed = 0;
function check(name, ok, detail) {
  if (ok) passed++; else failed++;
  console.log(`${ok ? 'PASS' : 'FAIL'} ${ENGINE}: ${name}${detail !== undefined ? ': ' + detail : ''}`);
}
const figures = [];
function figure(name, value) {
  figures.push(`${ENGINE} ${name}: ${value}`);
  console.log(`  figure ${ENGINE} ${name}: ${value}`);
}
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

// Holds the show after `frame` and compares its 1:1 picture with yulecard-shot's.
async function holdAndCompare(page, frame, reference) {
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
  check(`frame ${frame} equals yulecard-shot's pixel for pixel`, reached && differ === 0 && s.frames === frame + 1,
        `${differ} pixels differ, ${s.frames} frames shown`);
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

// The show's pace and the browser's share over `ms` of show.
async function measurePace(page, ms) {
  const a = await stats(page);
  await sleep(ms);
  const b = await stats(page);
  // From callback to callback: after each, every frame then due has run.
  const seconds = (b.lastCallbackMs - a.lastCallbackMs) / 1000;
  const frames = b.frames - a.frames;
  const given = seconds - (b.skippedMs - a.skippedMs) / 1000;
  return {
    showFps: frames / seconds,
    // Over the show time the browser gave: less what it withheld by
    // calling back later than the rule catches up (a machine too busy).
    givenFps: frames / given,
    callbackHz: (b.callbacks - a.callbacks) / seconds,
    drawnHz: (b.picturesDrawn - a.picturesDrawn) / seconds,
    pageMsPerFrame: (b.callbackMsTotal - a.callbackMsTotal) / frames,
    presentMsPerFrame: (b.presentMsTotal - a.presentMsTotal) / frames,
    longPauses: b.longPauses - a.longPauses,
  };
}

async function run(page, shots, track, url) {
  await page.goto(url + (url.includes('?') ? '&' : '?') + `test=1&tap=1&clock=${CLOCK}&hold=0`);
  const ready = await waitFor(page, () => window.yulecardTest && window.yulecardTest.ready(), null, 20000);
  check('the page shows its invitation', ready);
  if (!ready) return;

  // The opening click; then the page is slow for a second right after the
  // player's first request, as a busy machine makes it.
  await page.evaluate(() => window.yulecardTest.busyAtStart(1000));
  await clickInvitation(page);
  await holdAndCompare(page, 0, shots[0]);
  await holdAndCompare(page, 190, shots[190]);
  // Half a second with the main thread busy: the player's queue plays on.
  await page.evaluate(() => {
    const t = performance.now();
    while (performance.now() - t < 500) { /* busy */ }
  });
  await holdAndCompare(page, 330, shots[330]);

  await page.evaluate(() => window.yulecardTest.holdAfterFrame(1200));
  const pace = await measurePace(page, 10000);
  // The pace the rule keeps whatever the callback rate; what a machine too
  // busy to call back within 100 ms takes from it is shown beside.
  check('the show runs at 47.6 frames a second within 2 %', Math.abs(pace.givenFps / SHOW_RATE - 1) <= 0.02,
        `${pace.givenFps.toFixed(2)} over the show time given, ${pace.showFps.toFixed(2)} over all; ` +
        `${pace.longPauses} callbacks more than 100 ms late`);
  figure('show frames a second', pace.showFps.toFixed(2));
  figure('callbacks more than 100 ms late', pace.longPauses);
  figure('browser callbacks a second while showing', pace.callbackHz.toFixed(1));
  figure('pictures drawn a second', pace.drawnHz.toFixed(1));
  figure('page ms a show frame (frames, drawing)', pace.pageMsPerFrame.toFixed(2));
  figure('of which the page\'s drawing (ms)', pace.presentMsPerFrame.toFixed(2));

  const heard = await stats(page);
  const sound = await tapSound(page);
  figure('sound context rate (Hz)', heard.sampleRate);
  check('the sound starts inside the click\'s own handler', heard.soundOpenedInGesture !== false &&
        heard.audioState === 'running', `user activation ${heard.soundOpenedInGesture}, context ${heard.audioState}`);
  if (heard.sampleRate === CARD_RATE) {
    const three = compareSound(sound.pairs, track, 3 * CARD_RATE);
    check('the first 3 s of sound equal xmrender\'s sample for sample', three.ok, three.detail);
    const all = compareSound(sound.pairs, track, 0);
    check('the sound through a slow start and a 500 ms stall has no gap', all.ok && heard.starved === 0 &&
          heard.underruns === 0, `${all.detail}; player starved ${heard.starved} frames`);
  } else {
    const off = convertedDifference(sound.pairs, track, heard.sampleRate, 3);
    check(`the first 3 s of sound, converted to ${heard.sampleRate} Hz, follow xmrender's`, off < 0.01,
          `relative difference ${(off * 100).toFixed(3)} %`);
    check('the sound through a slow start and a 500 ms stall has no gap', heard.starved === 0 &&
          heard.underruns === 0, `player starved ${heard.starved} frames`);
  }
  await holdAndCompare(page, 1200, shots[1200]);
  await page.screenshot(path.join(OUT, `${ENGINE}-card.png`));

  await page.press('Escape');
  const ended = await waitFor(page, () => !window.yulecardTest.stats().showing, null, 5000);
  const e0 = await stats(page);
  await sleep(500);
  const e1 = await stats(page);
  check('Esc ends the show: picture and sound stop', ended && e0.frames === e1.frames &&
        e1.audioState === 'closed' && !e1.playerRunning, `frames ${e0.frames} -> ${e1.frames}, sound ${e1.audioState}`);

  // Opened again at a rate the card does not ask for, as a phone may run:
  // the card converts its sound, without a gap.
  await page.evaluate((rate) => {
    window.yulecardTest.forceRate(rate);
    window.yulecardTest.holdAfterFrame(-1);
  }, CONVERTED_RATE);
  await waitFor(page, () => !document.getElementById('invitation').hidden, null, 5000);
  await clickInvitation(page);
  const recorded = await waitTap(page, 5 * CONVERTED_RATE);
  const again = await stats(page);
  const converted = await tapSound(page);
  const off = recorded ? convertedDifference(converted.pairs, track, again.sampleRate, 3) : Infinity;
  check(`opened again at a forced ${CONVERTED_RATE} Hz: the converted sound follows xmrender's`,
        again.sampleRate === CONVERTED_RATE && off < 0.01 && again.starved === 0,
        `${again.sampleRate} Hz, relative difference ${(off * 100).toFixed(3)} %, starved ${again.starved}`);
  await page.press('Escape');
  check('Esc ends the second opening', await waitFor(page, () => !window.yulecardTest.stats().showing, null, 5000));

  const errors = page.errors().concat(await page.evaluate(() => window.yulecardTest.errors()));
  check('no page error', errors.length === 0, errors.slice(0, 3).join(' | '));
}

(async () => {
  const drivers = {chromium: './engines/chromium', firefox: './engines/firefox', webkit: './engines/webkit'};
  if (!drivers[ENGINE]) throw new Error(`no such engine: ${ENGINE} (chromium, firefox or webkit)`);
  fs.mkdirSync(OUT, {recursive: true});
  const shots = {};
  for (const f of FRAMES) shots[f] = readBmp(path.join(REFERENCES, `frame-${String(f).padStart(5, '0')}.bmp`));
  const track = readWav(path.join(REFERENCES, 'track.wav'));
  let server = null, url = PAGE;
  if (fs.existsSync(PAGE) && fs.statSync(PAGE).isDirectory()) {
    server = await serveSite(path.resolve(PAGE));
    url = `http://127.0.0.1:${server.address().port}/`;
  }
  const page = await require(drivers[ENGINE]).launch(VIEWPORT);
  try {
    await run(page, shots, track, url);
  } finally {
    await page.close().catch(() => {});
    if (server) server.close();
  }
  fs.writeFileSync(path.join(OUT, `${ENGINE}-figures.txt`), figures.join('\n') + '\n');
  console.log(`${passed} passed, ${failed} failed`);
  process.exit(failed ? 1 : 0);
})().catch((e) => {
  console.error(e);
  console.log(`${passed} passed, ${failed + 1} failed`);
  process.exit(1);
});
