// The pages' word tables (web/site/words.js, web/site/words/*.js) outside a
// browser: every language has every key of the English table with the same
// placeholders and nothing left in English, both pages load every table, and
// the language is picked as the pages pick it.
//
//   node words_test.js SITE
// Prints "N passed, N failed"; exit status 1 on a failure.
'use strict';
const fs = require('fs');
const path = require('path');
const vm = require('vm');

const SITE = process.argv[2];
// The languages the pages must speak.
const REQUIRED = ['en', 'de', 'fr', 'es', 'it', 'pt', 'nl', 'pl', 'cs', 'ru', 'uk', 'el'];

let passed = 0, failed = 0;
function check(name, ok, detail) {
  if (ok) passed++; else failed++;
  console.log(`${ok ? 'PASS' : 'FAIL'} words: ${name}${detail !== undefined && !ok ? ': ' + detail : ''}`);
}

// words.js and every table, run as the pages run them: the words object,
// the tables as written (before English completes them) and the tags each
// file added.
function load() {
  const sandbox = {};
  vm.createContext(sandbox);
  const run = (file) => vm.runInContext(fs.readFileSync(path.join(SITE, file), 'utf8'), sandbox, {filename: file});
  run('words.js');
  // `const` at a script's top level is not a property of the context.
  const words = vm.runInContext('yulecardWords', sandbox);
  const files = fs.readdirSync(path.join(SITE, 'words')).filter((f) => f.endsWith('.js')).sort();
  const raw = {}, added = {};
  const add = words.add;
  let file = '';
  words.add = (tag, table) => {
    raw[tag] = table;
    (added[file] = added[file] || []).push(tag);
    add(tag, table);
  };
  for (file of files) run(`words/${file}`);
  words.add = add;
  return {words, files, added, raw};
}

const placeholders = (text) => (text.match(/\{\w+\}/g) || []).sort().join(' ');

// Each key's text (problems as "problems.key") of a table as it is written,
// not as table() completes it from English.
function flat(table) {
  const out = {};
  for (const [key, value] of Object.entries(table)) {
    if (key === 'problems') {
      for (const [problem, text] of Object.entries(value)) out[`problems.${problem}`] = text;
    } else {
      out[key] = value;
    }
  }
  return out;
}

// One check per rule over every table, naming each table that breaks it.
function checkTables(raw) {
  const english = flat(raw.en);
  const absent = REQUIRED.filter((tag) => !(tag in raw));
  check(`a table for each of ${REQUIRED.join(' ')}`, !absent.length, absent.join(', '));
  const faults = {keys: [], empty: [], placeholders: [], english: [], pause: [], names: []};
  const names = new Map();
  for (const [tag, table] of Object.entries(raw)) {
    const own = flat(table);
    const missing = Object.keys(english).filter((k) => !(k in own));
    const extra = Object.keys(own).filter((k) => !(k in english));
    if (missing.length || extra.length) faults.keys.push(`${tag} lacks ${missing} has ${extra}`);
    const empty = Object.keys(own).filter((k) => typeof own[k] !== 'string' || !own[k].trim());
    if (empty.length) faults.empty.push(`${tag}: ${empty}`);
    for (const k of Object.keys(english)) {
      if (k in own && placeholders(own[k]) !== placeholders(english[k])) {
        faults.placeholders.push(`${tag} ${k}: ${placeholders(own[k])}`);
      }
      if (tag !== 'en' && own[k] === english[k]) faults.english.push(`${tag} ${k}`);
    }
    // The card reads "[pause N]" in every language: its keyword is not translated.
    const pauseForm = own['problems.pause-form'] || '';
    if (!String(own.sample).includes('\n[pause 4]\n') || !/\[pause \S+\]/.test(pauseForm) ||
        !pauseForm.includes('[pause 2.5]')) {
      faults.pause.push(tag);
    }
    if (names.has(table.name)) faults.names.push(`${tag} and ${names.get(table.name)}`);
    names.set(table.name, tag);
  }
  check('every table has every key of the English one and no other', !faults.keys.length, faults.keys.join('; '));
  check('no empty words', !faults.empty.length, faults.empty.join('; '));
  check('every text has the placeholders of its English', !faults.placeholders.length,
        faults.placeholders.join('; '));
  check('nothing left in English in another language', !faults.english.length, faults.english.join('; '));
  check('the sample greeting and the pause\'s help keep the card\'s own [pause]', !faults.pause.length,
        faults.pause.join(', '));
  check('each language has a name of its own', !faults.names.length, faults.names.join('; '));
}

// Both pages include every table, after words.js and before their own script.
function checkPages(files) {
  for (const [page, script] of [['index.html', 'card.js'], ['compose.html', 'compose.js']]) {
    const html = fs.readFileSync(path.join(SITE, page), 'utf8');
    const scripts = [...html.matchAll(/<script src="([^"]+)"><\/script>/g)].map((m) => m[1]);
    const at = (src) => scripts.indexOf(src);
    const late = files.filter((f) => at(`words/${f}`) < 0 || at(`words/${f}`) < at('words.js') ||
                                     at(`words/${f}`) > at(script));
    check(`${page} loads every table between words.js and ${script}`, at('words.js') >= 0 && !late.length,
          late.join(', ') || 'no words.js');
  }
}

function checkPicking(words) {
  const cases = [
    [['pl'], 'pl', 'a language there is a table for'],
    [['pt-BR', 'en'], 'pt', 'a regional tag by its language'],
    [['DE-at'], 'de', 'tags in any case'],
    [['sk', 'cs'], 'cs', 'the first wanted that there is a table for'],
    [['', undefined, 'el'], 'el', 'blanks passed over'],
    [['sk'], 'en', 'English when there is none'],
    [[], 'en', 'English when nothing is wanted'],
    [['__proto__', 'constructor', 'toString'], 'en', 'no table from the object machinery'],
  ];
  const wrong = cases.filter(([wanted, tag]) => words.pick(wanted) !== tag)
                     .map(([wanted, tag, what]) => `${what}: ${JSON.stringify(wanted)} gave ${words.pick(wanted)}, not ${tag}`);
  check('the language is picked from the wanted ones', !wrong.length, wrong.join('; '));

  // As the card's link parser takes the lang field (tests/greeting/greeting_link_test.cpp).
  const link = [
    ['#greeting=YQ&lang=pl', 'pl'], ['lang=pt-BR&greeting=YQ', 'pt-br'], ['greeting=YQ&lang=x', ''],
    ['greeting=YQ&lang=pl&lang=de', 'pl'], ['greeting=YQ&lang=', ''], ['greeting=YQ&lang=p%6C', ''],
    ['greeting=YQ&lang=en-', ''], ['greeting=YQ&lang=de-1996-x-y', 'de-1996-x-y'], ['greeting=YQ', ''],
    ['greeting=YQ&xlang=pl', ''], ['greeting=YQ&lang=' + 'a'.repeat(36), ''],
  ];
  const misread = link.filter(([f, tag]) => words.tagOf(words.linkField(f, 'lang')) !== tag)
                      .map(([f, tag]) => `${f} gave "${words.tagOf(words.linkField(f, 'lang'))}", not "${tag}"`);
  check('the link\'s lang field is read as the card reads it', !misread.length, misread.join('; '));

  const filled = words.format('{a} and {b}, {c}', {a: 1, b: '{a}'});
  check('placeholders are filled once, unknown ones kept', filled === '1 and {a}, {c}', filled);
}

function checkCompletion(words) {
  words.add('zz', {name: 'Test', invitation: 'Zz', problems: {'link-empty': 'zz'}});
  const t = words.table('zz');
  check('a table without a key reads it from English, never a hole',
        t.invitation === 'Zz' && t.writeOwn === words.table('en').writeOwn &&
        t.problems['link-empty'] === 'zz' && t.problems.empty === words.table('en').problems.empty);
}

const {words, files, added, raw} = load();
const misnamed = files.filter((f) => (added[f] || []).join() + '.js' !== f);
check('each words/<tag>.js adds one table, that of <tag>', !misnamed.length,
      misnamed.map((f) => `${f}: ${added[f] || 'none'}`).join('; '));
checkTables(raw);
checkPages(files);
checkPicking(words);
checkCompletion(words);

console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
