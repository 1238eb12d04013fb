// yulecard-record's videos in headless Chromium (playwright-core, Debian's
// /usr/bin/chromium), as a person's browser or chat app meets them: the
// browser says it can play them, loads them at their size and length, shows
// the held first frame and a frame of the show as yulecard-shot draws them,
// and plays them with sound.
//
//   node video_playback_test.js VIDEOS REFERENCES
// VIDEOS: card.mp4 and card.webm of SECONDS seconds; REFERENCES:
// frame-NNNNN.bmp from yulecard-shot for the frames below (see
// tests/e2e/record_in_browser.sh). Prints "N passed, N failed"; exit
// status 1 on a failure.
'use strict';
const fs = require('fs');
const http = require('http');
const path = require('path');
const {chromium} = require('playwright-core');
const {readBmp} = require('./bmp_file');

const [VIDEOS, REFERENCES] = process.argv.slice(2).map((p) => path.resolve(p));
const SECONDS = 4;
const FRAME_MS = 21;
const LEAD_IN_PICTURES = 48;  // the first frame held while the music starts
const SCALE = 2;
// Chromium's own conversion from YUV scores 38-40 dB against the show's
// frame, as the encoder's check does; a frame ten steps away about 18 dB.
const SAME_FRAME_DB = 36;
const VIDEOS_UNDER_TEST = [
  {file: 'card.mp4', type: 'video/mp4; codecs="avc1.640020, mp4a.40.2"'},
  {file: 'card.webm', type: 'video/webm; codecs="vp9, opus"'},
];

let passed = 0, failed = 0;
function check(name, ok, detail) {
  if (ok) passed++; else failed++;
  console.log(`${ok ? 'PASS' : 'FAIL'} ${name}${detail !== undefined ? ': ' + detail : ''}`);
}

function serve() {
  const types = {'.mp4': 'video/mp4', '.webm': 'video/webm', '.html': 'text/html; charset=utf-8'};
  const server = http.createServer((req, res) => {
    const name = path.basename(decodeURIComponent(new URL(req.url, 'http://127.0.0.1').pathname));
    if (name === 'index.html' || name === '') {
      res.writeHead(200, {'Content-Type': types['.html']});
      res.end('<!doctype html><video id="video" muted playsinline></video>');
      return;
    }
    fs.readFile(path.join(VIDEOS, name), (err, data) => {
      if (err) {
        res.writeHead(404);
        res.end();
        return;
      }
      // The browser seeks in a video only where the server serves byte ranges.
      const headers = {'Content-Type': types[path.extname(name)] || 'application/octet-stream',
                       'Accept-Ranges': 'bytes'};
      const range = /^bytes=(\d+)-(\d*)$/.exec(req.headers.range || '');
      if (!range) {
        res.writeHead(200, headers);
        res.end(data);
        return;
      }
      const start = Number(range[1]), end = Math.min(range[2] ? Number(range[2]) : data.length - 1, data.length - 1);
      headers['Content-Range'] = `bytes ${start}-${end}/${data.length}`;
      res.writeHead(206, headers);
      res.end(data.subarray(start, end + 1));
    });
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// The picture the page shows at `seconds`, as RGB bytes.
async function pictureAt(page, seconds) {
  const base64 = await page.evaluate(async (at) => {
    const video = document.getElementById('video');
    await new Promise((resolve) => {
      video.addEventListener('seeked', resolve, {once: true});
      video.currentTime = at;
    });
    const canvas = document.createElement('canvas');
    canvas.width = video.videoWidth;
    canvas.height = video.videoHeight;
    const context = canvas.getContext('2d');
    context.drawImage(video, 0, 0);
    // As base64: an array of millions of numbers would cross as JSON for a minute.
    const rgba = context.getImageData(0, 0, canvas.width, canvas.height).data;
    let text = '';
    for (let i = 0; i < rgba.length; i += 0x8000) text += String.fromCharCode(...rgba.subarray(i, i + 0x8000));
    return btoa(text);
  }, seconds);
  const rgba = Buffer.from(base64, 'base64');
  const rgb = Buffer.alloc(rgba.length / 4 * 3);
  for (let i = 0, o = 0; i < rgba.length; i += 4, o += 3) {
    rgb[o] = rgba[i];
    rgb[o + 1] = rgba[i + 1];
    rgb[o + 2] = rgba[i + 2];
  }
  return rgb;
}

// PSNR of a picture against a show frame enlarged by whole pixels.
function psnr(rgb, shot) {
  const width = shot.width * SCALE;
  let squares = 0;
  for (let y = 0; y < shot.height * SCALE; y++) {
    for (let x = 0; x < width; x++) {
      const from = ((y / SCALE | 0) * shot.width + (x / SCALE | 0)) * 3, at = (y * width + x) * 3;
      for (let c = 0; c < 3; c++) squares += (rgb[at + c] - shot.rgb[from + c]) ** 2;
    }
  }
  const mse = squares / (width * shot.height * SCALE * 3);
  return mse === 0 ? 99 : 10 * Math.log10(255 * 255 / mse);
}

const showFrameTime = (frame) => ((LEAD_IN_PICTURES + frame) * FRAME_MS + FRAME_MS / 2) / 1000;
const shot = (frame) => readBmp(path.join(REFERENCES, `frame-${String(frame).padStart(5, '0')}.bmp`));

async function checkVideo(page, {file, type}) {
  const canPlay = await page.evaluate((t) => document.getElementById('video').canPlayType(t), type);
  check(`${file}: the browser can play ${type}`, canPlay === 'probably', canPlay);
  const loaded = await page.evaluate((f) => new Promise((resolve) => {
    const video = document.getElementById('video');
    video.onloadeddata = () => resolve({ok: true, width: video.videoWidth, height: video.videoHeight,
                                        duration: video.duration});
    video.onerror = () => resolve({ok: false, error: video.error && video.error.message});
    video.src = f;
  }), file);
  check(`${file}: loads`, loaded.ok, loaded.error);
  if (!loaded.ok) return;
  check(`${file}: 1280x960`, loaded.width === 1280 && loaded.height === 960, `${loaded.width}x${loaded.height}`);
  check(`${file}: ${SECONDS} s long`, Math.abs(loaded.duration - SECONDS) < 0.05, loaded.duration);

  const first = shot(0), writing = shot(80), earlier = shot(70);
  const held = await pictureAt(page, 0.5);
  check(`${file}: the lead-in holds the first frame`, psnr(held, first) >= SAME_FRAME_DB,
        `${psnr(held, first).toFixed(2)} dB`);
  const shown = await pictureAt(page, showFrameTime(80));
  const same = psnr(shown, writing), other = psnr(shown, earlier);
  check(`${file}: show frame 80 as yulecard-shot draws it`, same >= SAME_FRAME_DB && other < SAME_FRAME_DB,
        `${same.toFixed(2)} dB; frame 70 ${other.toFixed(2)} dB`);

  const played = await page.evaluate(async () => {
    const video = document.getElementById('video');
    video.currentTime = 0;
    await video.play();
    await new Promise((resolve) => setTimeout(resolve, 1500));
    video.pause();
    return {time: video.currentTime, sound: video.webkitAudioDecodedByteCount,
            pictures: video.getVideoPlaybackQuality().totalVideoFrames};
  });
  check(`${file}: plays`, played.time > 1.0 && played.pictures > 30,
        `${played.time.toFixed(2)} s, ${played.pictures} pictures`);
  check(`${file}: with sound`, played.sound > 0, `${played.sound} bytes decoded`);
}

(async () => {
  const server = await serve();
  const browser = await chromium.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync', '--autoplay-policy=no-user-gesture-required'],
  });
  try {
    const page = await browser.newPage();
    page.on('pageerror', (e) => check('no page error', false, e.message));
    await page.goto(`http://127.0.0.1:${server.address().port}/index.html`);
    for (const video of VIDEOS_UNDER_TEST) await checkVideo(page, video);
  } catch (e) {
    check('the browser run', false, e.stack);
  } finally {
    await browser.close();
    server.close();
  }
  console.log(`${passed} passed, ${failed} failed`);
  process.exit(failed ? 1 : 0);
})();
