// Where the card's program, its sound player and its content come from.
// Served, the program and the player are files beside the page. Sent as one
// file (yulecard.html), the page holds them itself: the program gzipped and
// the player as base64 text in elements of their own, undone here by the
// browser (nothing is fetched, so the page opens from a disk or an e-mail);
// and the page's language, a sender's greeting and music in the slots
// card_file/ fills in. The slots follow the page's scripts: they are read
// once the page is parsed.
'use strict';
const cardSources = (function () {
  const programSlot = () => document.getElementById('card-program');
  const playerSlot = () => document.getElementById('card-player');

  // Base64 text's bytes (atob is strict: a damaged text throws).
  function bytesOf(text) {
    const binary = atob(text);
    const bytes = new Uint8Array(binary.length);
    for (let i = 0; i < binary.length; i++) bytes[i] = binary.charCodeAt(i);
    return bytes;
  }

  // The options the program's factory takes: none when served; the
  // program's own bytes when the page holds them. A program that does not
  // come out whole rejects with an error marked `damaged`.
  function program() {
    const slot = programSlot();
    if (!slot) return Promise.resolve({});
    if (typeof DecompressionStream === 'undefined') {
      return Promise.reject(new Error('this browser cannot unpack the card\'s program'));
    }
    const damaged = () => Object.assign(new Error('the card\'s program is cut short or changed'), {damaged: true});
    return Promise.resolve().then(() => {
      const packed = new Blob([bytesOf(slot.textContent)]);
      return new Response(packed.stream().pipeThrough(new DecompressionStream('gzip'))).arrayBuffer();
    }).then((wasm) => {
      if (wasm.byteLength !== Number(slot.dataset.bytes)) throw damaged();
      return {wasmBinary: new Uint8Array(wasm)};
    }, () => {
      throw damaged();
    });
  }

  // The address of the player's worklet module: a data: URL in the one
  // file (engines refuse a blob: worklet module in a page opened from disk).
  function player() {
    const slot = playerSlot();
    if (!slot) return 'player_worklet.js';
    return 'data:text/javascript;base64,' + slot.textContent.trim();
  }

  // A slot's content as the card's program reads it, or null when the page
  // has no such slot or the slot is empty.
  function slot(id) {
    const element = document.getElementById(id);
    if (!element) return null;
    const declared = element.getAttribute('data-bytes');
    const text = element.textContent;
    if (declared === null && !text.trim()) return null;
    return {text, declared: declared === null ? '' : declared};
  }

  // Calls `start` once the whole page, slots and all, has been parsed.
  function whenParsed(start) {
    if (document.readyState === 'loading') {
      document.addEventListener('DOMContentLoaded', start, {once: true});
    } else {
      start();
    }
  }

  return {
    oneFile: () => !!programSlot(),
    whenParsed,
    program,
    player,
    language: () => slot('card-language'),
    greeting: () => slot('card-greeting'),
    music: () => slot('card-music'),
  };
})();
