// Shared by the card's page and the compose page: hands a string to the
// card's WebAssembly as UTF-8 in memory of its own (a link or a pasted
// greeting may be far longer than the call stack the usual string passing
// uses), or bytes as they are (a module, a page). `use` gets the address;
// `tooLong` is returned when no memory is left.
'use strict';
// What to take for the card's answer when no memory was left for the text:
// a problem in the card's own form (greeting/greeting_error.h).
const CARD_TEXT_NO_MEMORY = '{"problem":"no-memory","line":0,"column":0,"values":{}}';
function withCardText(card, text, tooLong, use) {
  const bytes = card.lengthBytesUTF8(text) + 1;
  const at = card._malloc(bytes);
  if (!at) return tooLong;
  try {
    card.stringToUTF8(text, at, bytes);
    return use(at);
  } finally {
    card._free(at);
  }
}

function withCardBytes(card, bytes, tooLong, use) {
  const at = card._malloc(Math.max(1, bytes.length));
  if (!at) return tooLong;
  try {
    card.HEAPU8.set(bytes, at);
    return use(at);
  } finally {
    card._free(at);
  }
}
