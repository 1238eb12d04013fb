// Writes the card as one HTML file (yulecard.html) from the built site: the
// page with its styles inline, its scripts gzipped behind one small script
// that runs them, the program gzipped and its player as base64 text the
// page reads, and a Content Security Policy that lets the page run exactly
// its own scripts, its WebAssembly and its player, and fetch nothing at all.
// Run by the web build (node is emscripten's own).
//
//   node make_one_file.js SITE_DIR START_SCRIPT OUT.html
'use strict';
const crypto = require('crypto');
const fs = require('fs');
const path = require('path');
const zlib = require('zlib');

const [SITE, START, OUT] = process.argv.slice(2);

function fail(message) {
  console.error(`make_one_file: ${message}`);
  process.exit(1);
}

if (!SITE || !START || !OUT) fail('usage: node make_one_file.js SITE_DIR START_SCRIPT OUT.html');
const read = (name) => fs.readFileSync(path.join(SITE, name));

// Replaces `from`, which must stand in `text` exactly once.
function replaceOnce(text, from, to) {
  const at = text.indexOf(from);
  if (at < 0 || text.indexOf(from, at + 1) >= 0) fail(`index.html must hold "${from}" once`);
  return text.slice(0, at) + to + text.slice(at + from.length);
}

// Text inline in a <script> or <style> ends at the first "</script" or
// "</style" and may switch the parser's state at "<!--": none may stand there.
function inlineable(name, text, tag) {
  for (const bad of [`</${tag}`, '<!--', '<script']) {
    if (text.toLowerCase().includes(bad)) fail(`${name} holds "${bad}" and cannot be inlined`);
  }
  return text;
}

const hash = (text) => `'sha256-${crypto.createHash('sha256').update(text, 'utf8').digest('base64')}'`;
// The program and the scripts compress to a third; every engine the card
// supports undoes gzip with DecompressionStream.
const gzipBase64 = (bytes) => zlib.gzipSync(bytes, {level: 9}).toString('base64');

let page = read('index.html').toString('utf8');
const css = inlineable('card.css', read('card.css').toString('utf8'), 'style');
page = replaceOnce(page, '<link rel="stylesheet" href="card.css">', `<style>${css}</style>`);

// A script without its lines of comment only, which the sender's file need
// not carry; a script with a template literal over several lines (whose
// lines may begin with anything) is kept as it is.
function withoutCommentLines(text) {
  const lines = text.split('\n');
  if (lines.some((line) => (line.split('`').length - 1) % 2 === 1)) return text;
  return lines.filter((line) => !/^\s*\/\//.test(line)).join('\n');
}

// The page's scripts, in their order, out of the page and into one block.
const scripts = [];
const firstScript = page.indexOf('<script src=');
if (firstScript < 0) fail('index.html has no script');
page = page.replace(/<script src="([^"]+)"><\/script>\n?/g, (whole, name) => {
  scripts.push(withoutCommentLines(read(name).toString('utf8')));
  return '';
});
const start = inlineable('one_file_start.js', fs.readFileSync(START, 'utf8'), 'script');

// The scripts first, then the program and the player, then the greeting's
// and the music's slots: a file cut short anywhere in its data still runs
// the scripts, which say what is missing.
const wasm = read('yulecard.wasm');
const parts = [
  // Said only where the scripts never ran (card.css shows it after a moment),
  // so in the page's first language: there are no scripts to pick another.
  '<p class="notice unopened">This card did not open: its file may be damaged, or this browser too old for it.</p>',
  `<div id="card-scripts" hidden>${gzipBase64(Buffer.from(JSON.stringify(scripts), 'utf8'))}</div>`,
  `<script>${start}</script>`,
  `<div id="card-program" hidden data-bytes="${wasm.length}">${gzipBase64(wasm)}</div>`,
  `<div id="card-player" hidden>${read('player_worklet.js').toString('base64')}</div>`,
];
page = page.slice(0, firstScript) + parts.join('\n') + '\n' + page.slice(firstScript);

// Its one inline script by its hash, the scripts it starts and the player's
// worklet module from data: URLs it makes itself (an engine refuses a blob:
// worklet in a page opened from a file), WebAssembly compiled from bytes; no
// network at all, no plugins, no forms, no other base for links.
const policy = [
  "default-src 'none'",
  `script-src ${hash(start)} 'wasm-unsafe-eval' data:`,
  `style-src ${hash(css)}`,
  'img-src data:',
  "connect-src 'none'",
  "object-src 'none'",
  "base-uri 'none'",
  "form-action 'none'",
].join('; ');
page = replaceOnce(page, '<meta charset="utf-8">',
                   `<meta charset="utf-8">\n<meta http-equiv="Content-Security-Policy" content="${policy}">`);

fs.writeFileSync(OUT + '.part', page);
fs.renameSync(OUT + '.part', OUT);
