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
const {sleep, waitFor, stats, clickInvitation, heldPicture, tapSound, waitTap} = require('./card_page');

// Holds the show after `frame` and compares its 1:1 picture with yulecard-shot's.
async function holdAndCompare(page, frame, reference) {
  const {reached, differ, frames} = await heldPicture(page, frame, reference);
  check(`frame ${frame} equals yulecard-shot's pixel for pixel`, reached && differ === 0 && frames === frame + 1,
        `${differ} pixels differ, ${frames} frames shown`);
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

// A card from a link in Polish, whatever the browser's own language: the
// page's words in Polish, and the greeting's screen-reader text marked so.
async function languagePath(page, url) {
  const greeting = 'Wesołych Świąt!';
  const fragment = 'greeting=' + Buffer.from(greeting, 'utf8').toString('base64url') + '&lang=pl';
  await page.goto(url + (url.includes('?') ? '&' : '?') + 'test=1#' + fragment);
  const ready = await waitFor(page, () => window.yulecardTest && window.yulecardTest.ready(), null, 20000);
  const invited = ready && await page.evaluate(() => [document.documentElement.lang,
                                                      document.getElementById('invitation').textContent]);
  if (ready) await clickInvitation(page);
  const opened = ready && await waitFor(page, () => document.getElementById('greeting').textContent !== '', null,
                                        10000);
  const read = opened && await page.evaluate(() => {
    const g = document.getElementById('greeting');
    return {text: g.textContent, lang: g.lang, stop: document.getElementById('stop').getAttribute('aria-label'),
            errors: window.yulecardTest.errors()};
  });
  check('a link in Polish: the page speaks Polish, the greeting is marked Polish',
        !!read && invited[0] === 'pl' && /^Kliknij, dotknij/.test(invited[1]) && read.text === greeting &&
        read.lang === 'pl' && read.stop === 'Zatrzymaj kartkę' && !read.errors.length,
        JSON.stringify({invited, read}));
  if (opened) await page.press('Escape');
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
    await languagePath(page, url);
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
