// The page that writes a greeting: as the sender types, the card's own
// parser checks the text (its messages, line by line), the card in the
// frame beside writes it, and the link that carries it is ready to copy.
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
  const cardAddress = new URL('index.html', location.href);
  let card = null;
  let settle = 0;

  // "greeting:3:14: reason" as a person reads it.
  function readable(error) {
    const m = /^greeting:(\d+)(?::(\d+))?: (.*)$/.exec(error);
    if (!m) return error.replace(/^greeting: /, '');
    return 'Line ' + m[1] + (m[2] ? ', column ' + m[2] : '') + ': ' + m[3];
  }

  function withText(value, use) {
    return withCardText(card, value, 'greeting: too long to be written on the card', use);
  }

  function update() {
    const error = withText(text.value, (at) => card.UTF8ToString(card._yuleCheckGreeting(at)));
    problem.textContent = error ? readable(error) : '';
    text.setAttribute('aria-invalid', String(!!error));
    copy.disabled = !!error;
    copied.textContent = '';
    if (error) {
      link.value = '';
      return;
    }
    const fragment = withText(text.value, (at) => card.UTF8ToString(card._yuleGreetingFragment(at)));
    cardAddress.hash = fragment;
    link.value = cardAddress.href;
    clearTimeout(settle);
    settle = setTimeout(() => {
      preview.contentWindow.location.replace('index.html?preview=1#' + fragment);
    }, SETTLE_MS);
  }

  copy.addEventListener('click', () => {
    const done = () => { copied.textContent = 'The link is copied: paste it into a message.'; };
    if (navigator.clipboard && window.isSecureContext) {
      navigator.clipboard.writeText(link.value).then(done, () => {
        link.select();
        copied.textContent = 'Copying was refused here: the link is selected, copy it by hand.';
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
