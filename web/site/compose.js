// The page that writes a greeting: as the sender types, the card's own
// parser checks the text (its messages, line by line), the card in the
// frame beside writes it, and the link that carries it is ready to copy.
// The sender picks the language of this page and of the card's page (their
// browser's at first); the link carries it.
'use strict';
(function () {
  // Typing pauses this long before the preview starts over.
  const SETTLE_MS = 400;

  const text = document.getElementById('greeting-file');
  const problem = document.getElementById('problem');
  const link = document.getElementById('link');
  const copy = document.getElementById('copy');
  const copied = document.getElementById('copied');
  const preview = document.getElementById('preview');
  const picker = document.getElementById('language');
  const howPause = document.getElementById('how-pause');
  const cardAddress = new URL('index.html', location.href);
  let card = null;
  let settle = 0;
  // The page as its HTML has it, until it speaks the sender's language.
  let language = 'en';
  let words = yulecardWords.table(language);

  // "Line 3, column 14: reason", in the page's language.
  function readable(error) {
    return yulecardWords.problem(words, error, words.atLine, words.atLineColumn);
  }

  function check(value) {
    const json = withCardText(card, value, CARD_TEXT_NO_MEMORY,
                              (at) => card.UTF8ToString(card._yuleCheckGreeting(at)));
    return json ? JSON.parse(json) : null;
  }

  // The link's fragment: the greeting and the language; "" when there was no memory for them.
  function fragmentOf(value) {
    return withCardText(card, value, '', (at) =>
      withCardText(card, language, '', (tag) => card.UTF8ToString(card._yuleGreetingFragment(at, tag))));
  }

  function update() {
    let error = check(text.value);
    const fragment = error ? '' : fragmentOf(text.value);
    if (!error && !fragment) error = JSON.parse(CARD_TEXT_NO_MEMORY);
    problem.textContent = error ? readable(error) : '';
    text.setAttribute('aria-invalid', String(!!error));
    copy.disabled = !!error;
    copied.textContent = '';
    if (error) {
      link.value = '';
      return;
    }
    cardAddress.hash = fragment;
    link.value = cardAddress.href;
    clearTimeout(settle);
    settle = setTimeout(() => {
      preview.contentWindow.location.replace('index.html?preview=1#' + fragment);
    }, SETTLE_MS);
  }

  // The page in `tag`'s words; a sample greeting nobody has changed yet
  // becomes that language's sample.
  function speak(tag) {
    const untouched = !text.value.trim() || text.value === words.sample;
    language = tag;
    words = yulecardWords.table(tag);
    document.documentElement.lang = tag;
    document.title = words.composeTitle;
    yulecardWords.apply(document, words);
    const [before, after] = words.howPause.split('{pause}');
    const code = document.createElement('code');
    code.textContent = '[pause 4]';
    howPause.replaceChildren(before, code, after);
    // The sender writes in it: the browser spells it so.
    text.lang = tag;
    if (untouched) text.value = words.sample;
    picker.value = tag;
  }

  for (const [tag, name] of yulecardWords.languages()) {
    const option = document.createElement('option');
    option.value = tag;
    option.lang = tag;
    option.textContent = name;
    picker.append(option);
  }
  speak(yulecardWords.pick(navigator.languages || [navigator.language]));

  picker.addEventListener('change', () => {
    speak(picker.value);
    if (card) update();
  });

  copy.addEventListener('click', () => {
    const done = () => { copied.textContent = words.copied; };
    if (navigator.clipboard && window.isSecureContext) {
      navigator.clipboard.writeText(link.value).then(done, () => {
        link.select();
        copied.textContent = words.copyRefused;
      });
      return;
    }
    link.select();
    document.execCommand('copy');
    done();
  });

  text.addEventListener('input', () => card && update());
  createYulecard({page: null}).then((module) => {
    card = module;
    update();
  });
})();
