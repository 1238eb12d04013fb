// The card as one file in one browser engine, opened from disk as a
// recipient opens an attachment: one browser start runs every check.
//
//   node one_file_test.js ENGINE DIR
// DIR holds card.html (yulecard-pack's, with greeting.txt, a module and a
// language other than the browser's),
// reference/frame-00450.bmp (yulecard-shot's for the same) and
// reference/music.wav (xmrender's); the damaged copies are written there.
// Prints "N passed, N failed"; exit status 1 on a failure.
'use strict';
const fs = require('fs');
const http = require('http');
const path = require('path');
const {pathToFileURL} = require('url');
const {readBmp} = require('./bmp_file');
const {CARD_RATE, readWav, compareSound, convertedDifference} = require('./card_sound');
const {sleep, waitFor, stats, clickInvitation, heldPicture, tapSound, waitTap} = require('./card_page');

const [ENGINE, DIR] = process.argv.slice(2);
const CLOCK = 1765000000;
const FRAME = 450;  // the greeting's first lines are on the palm
const VIEWPORT = {width: 1024, height: 768};

let passed = 0, failed = 0;
function check(name, ok, detail) {
  if (ok) passed++; else failed++;
  console.log(`${ok ? 'PASS' : 'FAIL'} ${ENGINE}: ${name}${detail !== undefined ? ': ' + detail : ''}`);
}

const notice = (page) => page.evaluate(() => {
  const n = document.getElementById('notice');
  return n && !n.hidden ? n.textContent : '';
});

// The card as sent: its frames, its sound, its greeting as letters and no
// script but its own, no network.
async function sentCard(page, url, greeting) {
  const listener = http.createServer((req, res) => {
    reached++;
    res.end();
  });
  let reached = 0;
  await new Promise((resolve) => listener.listen(0, '127.0.0.1', resolve));
  const tap = fs.readFileSync(path.join(__dirname, 'tap_worklet.js'), 'utf8');
  try {
    await page.goto(`${url}?test=1&tap=1&clock=${CLOCK}&hold=0`);
    const ready = await waitFor(page, () => window.yulecardTest && window.yulecardTest.ready(), null, 30000);
    check('the file opens from disk to its invitation', ready, await notice(page));
    if (!ready) return;
    const language = Buffer.from(slotText(fs.readFileSync(path.join(DIR, 'card.html'), 'latin1'),
                                          'card-language')[2], 'base64').toString();
    const spoken = await page.evaluate((tag) => ({
      page: document.documentElement.lang,
      invitation: document.getElementById('invitation').textContent,
      own: yulecardWords.table(tag).invitation,
      english: yulecardWords.table('en').invitation,
    }), language);
    check(`the page's words are in the file's language, ${language}, not the browser's`,
          spoken.page === language && spoken.invitation === spoken.own && spoken.own !== spoken.english,
          JSON.stringify(spoken));
    const own = await page.evaluate(() => Array.from(document.scripts, (s) => s.src ? 'data:' : 'inline'));
    await page.evaluate((source) => window.yulecardTest.useTap(source), tap);
    await clickInvitation(page);
    const shot = readBmp(path.join(DIR, 'reference', `frame-${String(FRAME).padStart(5, '0')}.bmp`));
    const {reached: shown, differ, frames} = await heldPicture(page, FRAME, shot);
    check(`frame ${FRAME} equals yulecard-shot's for the same greeting and module`,
          shown && differ === 0 && frames === FRAME + 1, `${differ} pixels differ, ${frames} frames shown`);

    const track = readWav(path.join(DIR, 'reference', 'music.wav'));
    const s = await stats(page);
    const recorded = await waitTap(page, 4 * s.sampleRate);
    const sound = await tapSound(page);
    if (s.sampleRate === CARD_RATE) {
      const three = compareSound(sound.pairs, track, 3 * CARD_RATE);
      check('the module it carries plays: 3 s equal xmrender\'s sample for sample', recorded && three.ok, three.detail);
    } else {
      const off = recorded ? convertedDifference(sound.pairs, track, s.sampleRate, 3) : Infinity;
      check(`the module it carries plays: 3 s, converted to ${s.sampleRate} Hz, follow xmrender's`, off < 0.01,
            `relative difference ${(off * 100).toFixed(3)} %`);
    }

    const read = await page.evaluate(() => document.getElementById('greeting').textContent);
    const after = await page.evaluate(() => document.scripts.length);
    const dialogs = await page.dialogs();
    check('a greeting like markup is written as letters, and nothing in it runs',
          read.trim() === greeting.trim() && after === own.length && dialogs.length === 0,
          `read ${JSON.stringify(read)}; ${after} scripts, the page's own ${own.length}; dialogs ${dialogs}`);

    await page.press('Escape');
    const errors = page.errors().concat(await page.evaluate(() => window.yulecardTest.errors()));
    check('no page error', errors.length === 0, errors.slice(0, 3).join(' | '));
    // Last: the refusal is itself reported as an error.
    const fetched = await page.evaluate((to) => fetch(to).then(() => 'fetched', (e) => 'refused: ' + e),
                                        `http://127.0.0.1:${listener.address().port}/`);
    check('the page reaches no network', fetched.startsWith('refused') && reached === 0,
          `${fetched}, ${reached} requests arrived`);
  } finally {
    listener.close();
  }
}

// The slot `id` of `page` with its text and length as given.
function withSlot(page, id, length, text) {
  const slot = new RegExp(`<div id="${id}" hidden data-bytes="\\d+">[^<]*</div>`);
  if (!slot.test(page)) throw new Error(`card.html has no filled ${id}`);
  return page.replace(slot, () => `<div id="${id}" hidden data-bytes="${length}">${text}</div>`);
}
function slotText(page, id) {
  return page.match(new RegExp(`<div id="${id}" hidden data-bytes="(\\d+)">([^<]*)</div>`));
}

// The file damaged in the ways a file is on its way or by a hand: what the
// page says (in the browser's language, English, once the file's language is
// empty or refused), and whether the card still opens (with its own part instead).
function damagedCopies(sent) {
  const card = sent.replace(/<div id="card-language" hidden data-bytes="\d+">[^<]*<\/div>/,
                            '<div id="card-language" hidden></div>');
  const [, musicLength, music] = slotText(card, 'card-music');
  const base64 = (text) => Buffer.from(text).toString('base64');
  const refused = 'not a module\n';
  const tooLong = 'Weihnachtsbaumschmuckes\n';
  const program = card.indexOf('<div id="card-program"');
  const scripts = card.indexOf('<div id="card-scripts"');
  return [
    {name: 'a language the card does not speak', text: withSlot(sent, 'card-language', 2, base64('xx')),
     says: /damaged.*the language "xx" is not one the card speaks.*shown in this language/, opens: true},
    {name: 'its music cut short', text: withSlot(card, 'card-music', musicLength, music.slice(0, music.length >> 1)),
     says: /damaged.*the music is cut short.*plays its own music/, opens: true},
    {name: 'a module the loader refuses', text: withSlot(card, 'card-music', refused.length, base64(refused)),
     says: /damaged.*music: .*plays its own music/, opens: true},
    {name: 'a greeting the parser refuses', text: withSlot(card, 'card-greeting', tooLong.length, base64(tooLong)),
     says: /damaged.*line 1 of its greeting: .*longer than a line.*writes its own greeting/, opens: true},
    {name: 'the file cut inside its program', text: card.slice(0, program + ((card.length - program) >> 1)),
     says: /damaged.*program/, opens: false},
    {name: 'the file cut inside its scripts', text: card.slice(0, scripts + 2000), unopened: true},
  ];
}

async function damaged(page, card) {
  for (const c of damagedCopies(card)) {
    const file = path.join(DIR, `damaged-${c.name.replace(/\W+/g, '-')}.html`);
    fs.writeFileSync(file, c.text);
    await page.goto(`${pathToFileURL(file).href}?test=1`);
    if (c.unopened) {
      // The page's line for a file whose scripts never ran shows after a moment.
      const shows = await waitFor(page, () => {
        const line = document.querySelector('.unopened');
        return line && getComputedStyle(line).visibility === 'visible' && getComputedStyle(line).display !== 'none';
      }, null, 10000);
      const text = await page.evaluate(() => document.querySelector('.unopened').textContent);
      check(`${c.name}: the page says it did not open`, shows, text);
      continue;
    }
    const said = await waitFor(page, () => !document.getElementById('notice').hidden, null, 30000);
    const text = await notice(page);
    const opens = await waitFor(page, () => !!(window.yulecardTest && window.yulecardTest.ready()), null,
                                c.opens ? 30000 : 500);
    check(`${c.name}: one line says so${c.opens ? ', and the card opens with its own' : ''}`,
          said && c.says.test(text) && !text.includes('\n') && opens === c.opens, text);
  }
}

(async () => {
  const drivers = {chromium: './engines/chromium', firefox: './engines/firefox', webkit: './engines/webkit'};
  if (!drivers[ENGINE]) throw new Error(`no such engine: ${ENGINE} (chromium, firefox or webkit)`);
  const cardFile = path.join(DIR, 'card.html');
  const greeting = fs.readFileSync(path.join(DIR, 'greeting.txt'), 'utf8');
  // Opened as a person's browser opens a file: no flag that lets files fetch files.
  const page = await require(drivers[ENGINE]).launch(Object.assign({asOpened: true}, VIEWPORT));
  try {
    await sentCard(page, pathToFileURL(cardFile).href, greeting);
    await damaged(page, fs.readFileSync(cardFile, 'latin1'));
  } finally {
    await page.close().catch(() => {});
  }
  console.log(`${passed} passed, ${failed} failed`);
  process.exit(failed ? 1 : 0);
})().catch((e) => {
  console.error(e);
  console.log(`${passed} passed, ${failed + 1} failed`);
  process.exit(1);
});
