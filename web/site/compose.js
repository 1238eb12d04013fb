// The page that writes a greeting: as the sender types, the card's own
// parser checks the text (its messages, line by line), the card in the
// frame beside writes it, and the link that carries it is ready to copy.
// The sender picks the language of this page and of the card's page (their
// browser's at first); the link carries it. A module the sender picks is
// checked by the card's own loader and played by the preview; "Download the
// card" writes the card as one file with the greeting, the music and the
// page's language inside, the same bytes yulecard-pack writes.
'use strict';
(function () {
  // Typing pauses this long before the preview writes the greeting anew.
  const SETTLE_MS = 400;
  // A downloaded card is named after the greeting's first words, as many as
  // make a name a person recognises among their downloads.
  const NAME_WORDS = 5;
  const NAME_LETTERS = 40;

  const text = document.getElementById('greeting-file');
  const problem = document.getElementById('problem');
  const link = document.getElementById('link');
  const copy = document.getElementById('copy');
  const copied = document.getElementById('copied');
  const download = document.getElementById('download');
  const musicInput = document.getElementById('music');
  const ownMusic = document.getElementById('own-music');
  const musicProblem = document.getElementById('music-problem');
  const preview = document.getElementById('preview');
  const picker = document.getElementById('language');
  const howPause = document.getElementById('how-pause');
  const cardAddress = new URL('index.html', location.href);
  // The preview's address; its test aids with the page's own (test=1).
  const previewAddress = 'index.html?preview=1' +
                         (new URLSearchParams(location.search).get('test') === '1' ? '&test=1' : '');
  let card = null;
  let settle = 0;
  let music = null;  // the picked module's bytes, once the card's loader took them
  let emptyCard = null;  // the one-file page, fetched at the first download
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
    download.disabled = !!error;
    copied.textContent = '';
    if (error) {
      link.value = '';
      return;
    }
    cardAddress.hash = fragment;
    link.value = cardAddress.href;
    clearTimeout(settle);
    settle = setTimeout(() => {
      preview.contentWindow.location.replace(previewAddress + '#' + fragment);
    }, SETTLE_MS);
  }

  // The preview plays the picked module (or, with none, is silent).
  function sendMusic() {
    if (!preview.contentWindow) return;
    const bytes = music ? music.slice().buffer : null;
    preview.contentWindow.postMessage({music: bytes}, location.origin, bytes ? [bytes] : []);
    preview.title = music ? words.previewFrameMusic : words.previewFrame;
  }

  function pickMusic() {
    const file = musicInput.files && musicInput.files[0];
    musicProblem.textContent = '';
    if (!file) return;
    file.arrayBuffer().then((buffer) => {
      const bytes = new Uint8Array(buffer);
      const error = withCardBytes(card, bytes, 'music: ' + words.problems['no-memory'],
                                  (at) => card.UTF8ToString(card._yuleCheckMusic(at, bytes.length)));
      if (error) {
        musicProblem.textContent = file.name + ': ' + error.replace(/^music: /, '');
        musicInput.value = '';
        return;
      }
      music = bytes;
      ownMusic.hidden = false;
      sendMusic();
    }, (e) => {
      musicProblem.textContent = yulecardWords.format(words.musicUnreadable, {file: file.name, reason: e});
    });
  }

  function dropMusic() {
    music = null;
    musicInput.value = '';
    musicProblem.textContent = '';
    ownMusic.hidden = true;
    sendMusic();
  }

  // The greeting's first words, for the file's name: letters and digits of
  // any script, a page's "[pause N]" line left out.
  function cardFileName(greeting) {
    const written = greeting.split('\n').filter((line) => !/^\s*\[pause\b[^\]]*\]\s*$/i.test(line)).join(' ');
    const found = written.match(/[\p{L}\p{N}]+/gu) || [];
    let name = '';
    for (const word of found.slice(0, NAME_WORDS)) {
      if (name && name.length + 1 + word.length > NAME_LETTERS) break;
      name = name ? name + ' ' + word : word.slice(0, NAME_LETTERS);
    }
    return (name || words.fileName) + '.html';
  }

  // The card as one file: the site's empty one-file page filled in by the
  // card's own code, then handed to the browser as a download.
  function downloadCard() {
    copied.textContent = '';
    const page = emptyCard || fetch('yulecard.html', {cache: 'no-store'}).then((r) => {
      if (!r.ok) throw new Error('yulecard.html: ' + r.status);
      return r.arrayBuffer();
    }).then((b) => new Uint8Array(b));
    emptyCard = page;
    page.then((bytes) => {
      const noMemory = words.problems['no-memory'];
      // The card's page speaks this page's language.
      const error = withCardBytes(card, bytes, noMemory, (pageAt) =>
        withCardText(card, text.value, noMemory, (greetingAt) =>
          withCardText(card, language, noMemory, (languageAt) => {
            const call = (musicAt) => card.UTF8ToString(card._yulePackCard(pageAt, bytes.length, greetingAt,
                                                                           languageAt, musicAt,
                                                                           music ? music.length : 0));
            return music ? withCardBytes(card, music, noMemory, call) : call(0);
          })));
      if (error) throw new Error(error);
      const at = card._yulePackedCard();
      const made = new Blob([card.HEAPU8.slice(at, at + card._yulePackedCardBytes())], {type: 'text/html'});
      card._yuleDropPackedCard();
      const anchor = document.createElement('a');
      anchor.href = URL.createObjectURL(made);
      anchor.download = cardFileName(text.value);
      document.body.appendChild(anchor);
      anchor.click();
      anchor.remove();
      setTimeout(() => URL.revokeObjectURL(anchor.href), 60000);
      copied.textContent = yulecardWords.format(words.downloaded, {name: anchor.download});
    }).catch((e) => {
      emptyCard = null;
      copied.textContent = yulecardWords.format(words.downloadFailed, {reason: e.message || e});
    });
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
    if (music) preview.title = words.previewFrameMusic;
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
  musicInput.addEventListener('change', () => card && pickMusic());
  ownMusic.addEventListener('click', dropMusic);
  download.addEventListener('click', () => card && downloadCard());
  // A preview (re)loaded has no music until it is handed the module again.
  preview.addEventListener('load', () => music && sendMusic());
  if (preview.getAttribute('src') !== previewAddress) preview.src = previewAddress;
  createYulecard({page: null}).then((module) => {
    card = module;
    update();
  });
})();
