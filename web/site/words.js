// The pages' words in every language they speak. Each words/<tag>.js adds
// its table with yulecardWords.add; a page picks one language at start and
// reads its words from it. Plain scripts rather than fetched files, so the
// pages work from any host, from file:// and inlined into one file.
//
// A table's strings may hold placeholders, "{name}", which the page fills in;
// a table has every key of the English one (tests/web/words_test.js).
'use strict';
const yulecardWords = (function () {
  const FALLBACK = 'en';
  const tables = Object.create(null);

  function add(tag, table) {
    tables[tag] = table;
  }

  // The languages there are tables for, as [tag, own name], English first.
  function languages() {
    return Object.keys(tables).map((tag) => [tag, tables[tag].name]);
  }

  // The first of `wanted` (language tags, most wanted first; blanks are
  // passed over) there is a table for, by the whole tag or its language
  // ("pt-BR" is "pt"); English when none.
  function pick(wanted) {
    for (const tag of wanted) {
      if (typeof tag !== 'string' || !tag) continue;
      const lower = tag.toLowerCase();
      if (lower in tables) return lower;
      const primary = lower.split('-')[0];
      if (primary in tables) return primary;
    }
    return FALLBACK;
  }

  // The table of `tag` (one `pick` returned); a key it lacks is read from
  // English, so a page never shows a hole.
  function table(tag) {
    const english = tables[FALLBACK], own = tables[tag] || english;
    return Object.assign({}, english, own,
                         {problems: Object.assign({}, english.problems, own.problems)});
  }

  // `text` with each "{name}" that `values` has replaced by its value.
  function format(text, values) {
    return text.replace(/\{(\w+)\}/g, (whole, name) =>
      Object.prototype.hasOwnProperty.call(values, name) ? String(values[name]) : whole);
  }

  // A problem the card names in parts (greeting/greeting_error.h: problem,
  // line, column, values) in `words`, placed on its line by the templates
  // `atLine` and `atLineColumn`. A problem the table does not know is said in
  // the card's own English.
  function problem(words, error, atLine, atLineColumn) {
    const template = words.problems[error.problem];
    const reason = template ? format(template, error.values || {}) : String(error.english || error.problem);
    if (!error.line) return reason;
    return format(error.column ? atLineColumn : atLine, {line: error.line, column: error.column, reason});
  }

  // A language tag as the link carries it: as the card's link parser takes
  // it (greeting/greeting_link.h), lower case; "" when it is not one.
  function tagOf(value) {
    const ok = typeof value === 'string' && value.length <= 35 &&
               /^[a-z]{2,3}(-[a-z0-9]{1,8})*$/i.test(value);
    return ok ? value.toLowerCase() : '';
  }

  // The value of the first `key` field of a link's fragment ("#a=1&b=2"), or "".
  function linkField(fragment, key) {
    for (const field of fragment.replace(/^#/, '').split('&')) {
      const equals = field.indexOf('=');
      if (equals >= 0 && field.slice(0, equals) === key) return field.slice(equals + 1);
    }
    return '';
  }

  // Sets the words of the elements that name a key: data-words (the text),
  // data-words-label (aria-label), data-words-title (title).
  function apply(root, words) {
    for (const e of root.querySelectorAll('[data-words]')) e.textContent = words[e.dataset.words];
    for (const e of root.querySelectorAll('[data-words-label]')) {
      e.setAttribute('aria-label', words[e.dataset.wordsLabel]);
    }
    for (const e of root.querySelectorAll('[data-words-title]')) e.title = words[e.dataset.wordsTitle];
  }

  return {add, languages, pick, table, format, problem, tagOf, linkField, apply};
})();
