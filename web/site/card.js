// The card's page: shows the invitation, opens the card on a click, tap or
// key (the browser lets a page make sound only after one), and gives the
// card its canvas and its sound. The card itself (yulecard.js/.wasm) draws
// every frame and makes every sample; this page only scales the pictures
// and plays the sound it is handed.
'use strict';
// The page's scripts ran: the line for a file cut short inside them stays hidden.
document.documentElement.classList.add('scripted');
(function () {
  // About a second of sound queued in the player: a main thread busy for
  // half a second is not heard.
  const QUEUE_SECONDS = 1.0;
  // Frames of the card's rate the player asks for at a time (the card's
  // device hands out at most this many).
  const TRANSFER_FRAMES = 2048;
  const ESCAPE = 27;

  const query = new URLSearchParams(location.search);
  // Test aids (the snow's clock, holding a frame, a forced sound rate, a
  // tap on the sound) are read only with test=1.
  const testing = query.get('test') === '1';
  // The page that writes a greeting shows the card in a frame as a preview:
  // opened at once with the palm and the hand in place, writing the greeting
  // anew whenever it changes; silent unless the sender picked a module.
  const preview = query.get('preview') === '1';
  // A card sent as one file has no page beside it to write one's own
  // (known once the page is parsed).
  let offerCompose = false;

  const stage = document.getElementById('stage');
  const canvas = document.getElementById('card');
  const invitation = document.getElementById('invitation');
  const writeOwn = document.getElementById('write-own');
  const notice = document.getElementById('notice');
  const controls = document.getElementById('controls');
  const stopButton = document.getElementById('stop');
  const muteButton = document.getElementById('mute');
  const greetingText = document.getElementById('greeting');
  const screen = canvas.getContext('2d', {alpha: false});
  // The language of the page's words (see speak) and of the greeting.
  let words = yulecardWords.table('en');
  let greetingLanguage = 'en';
  let fileLanguage = '';  // the one file's language, once its program has read it
  // The card's own picture, one canvas pixel per card pixel.
  const picture = document.createElement('canvas');
  const pictureContext = picture.getContext('2d', {alpha: false});

  let card = null;  // the card's program, once loaded
  let image = null;
  let layout = null;
  let outputWidth = 1, outputHeight = 1;  // the window in device pixels
  let showing = false;
  let muted = false;
  let firstPictureAt = null;
  let restartPreview = false;  // the preview's music changed: open it anew
  let previewMusic = false;  // the preview plays the sender's module
  let presentMs = 0;  // the page's share of showing pictures, all told
  const audio = {context: null, gain: null, tap: null, node: null, ready: null, cardRate: 0,
                 generation: 0, starved: 0, inGesture: null};
  // Test aids: a forced context rate, and the main thread kept busy right
  // after the player's first request is answered (a page slow at the start).
  const trial = {rate: testing && query.has('rate') ? Number(query.get('rate')) : 0, busyAtStart: 0,
                 errors: [], tapUrl: 'test/tap_worklet.js'};
  if (testing) {
    // Classic WebDriver reports no page errors: the page keeps its own record.
    window.addEventListener('error', (e) => trial.errors.push(String(e.message || e)));
    window.addEventListener('unhandledrejection', (e) => trial.errors.push('unhandled: ' + String(e.reason)));
  }

  function showNotice(text) {
    notice.textContent = text;
    notice.hidden = !text;
  }

  // The page speaks the language the sender chose, which a card sent as one
  // file carries in its language slot and a link beside the greeting;
  // without one, the reader's browser's; then English.
  function speak() {
    const chosen = fileLanguage || yulecardWords.tagOf(yulecardWords.linkField(location.hash, 'lang'));
    const tag = yulecardWords.pick([chosen, ...(navigator.languages || [navigator.language])]);
    words = yulecardWords.table(tag);
    document.documentElement.lang = tag;
    document.title = words.cardTitle;
    yulecardWords.apply(document, words);
    setStopControl();
    setMuted(muted);
    return chosen;
  }

  // The stop control stops a show and opens an ended one again.
  function setStopControl() {
    stopButton.innerHTML = showing ? '&#9632;' : '&#9654;';
    stopButton.setAttribute('aria-label', showing ? words.stop : words.openAgain);
    stopButton.title = showing ? words.stopHint : words.openAgainHint;
  }

  // The window in device pixels, which the card's layout divides between
  // the picture and the black around it.
  function measureOutput() {
    const ratio = window.devicePixelRatio || 1;
    const width = Math.max(1, Math.round(stage.clientWidth * ratio));
    const height = Math.max(1, Math.round(stage.clientHeight * ratio));
    if (outputWidth === width && outputHeight === height) return false;
    outputWidth = width;
    outputHeight = height;
    return true;
  }

  // Nearest-neighbour to the largest whole scale, then one smooth pass to
  // the final size, as on the desktop. The page makes the sharp pass: the
  // canvas holds the picture at the whole scale. The smooth pass is the
  // browser's, as it shows the canvas at its final size: a browser that
  // composites in software then copies a canvas of the picture's size, not
  // a window-sized one redrawn every frame (WebKitGTK could not keep up).
  function drawPicture() {
    if (!layout || !image) return;
    screen.imageSmoothingEnabled = false;
    screen.drawImage(picture, 0, 0, canvas.width, canvas.height);
  }

  function setLayout(next) {
    const same = layout && ['scale', 'x', 'y', 'w', 'h'].every((k) => layout[k] === next[k]);
    if (same) return;
    layout = next;
    const ratio = window.devicePixelRatio || 1;
    canvas.width = picture.width * next.scale;
    canvas.height = picture.height * next.scale;
    canvas.style.left = next.x / ratio + 'px';
    canvas.style.top = next.y / ratio + 'px';
    canvas.style.width = next.w / ratio + 'px';
    canvas.style.height = next.h / ratio + 'px';
    // Shown at its own size, nothing is to be smoothed.
    canvas.classList.toggle('whole', next.w === canvas.width && next.h === canvas.height);
  }

  function relayout() {
    if (!measureOutput() || !card || !image) return;
    const at = card._yuleLayoutFor(picture.width, picture.height, outputWidth, outputHeight) >> 2;
    const n = card.HEAP32;
    setLayout({scale: n[at], x: n[at + 1], y: n[at + 2], w: n[at + 3], h: n[at + 4]});
    drawPicture();
  }

  // ---- Sound ----

  function audioOpen(rate) {
    if (preview && !previewMusic) return 0;  // a preview is silent but for the sender's own music
    const Context = window.AudioContext || window.webkitAudioContext;
    if (!Context || typeof AudioWorkletNode === 'undefined') return 0;
    const asked = trial.rate || rate;
    let context;
    try {
      context = new Context({sampleRate: asked, latencyHint: 'playback'});
    } catch (refused) {
      // A browser that will not run at the card's rate runs at its own; the
      // card converts its sound to that rate.
      try {
        context = new Context({latencyHint: 'playback'});
      } catch (none) {
        return 0;
      }
    }
    audio.context = context;
    audio.cardRate = rate;
    // Phones allow sound only from the gesture's own handler: a test checks
    // that the context is made there (null where the browser cannot tell).
    audio.inGesture = navigator.userActivation ? navigator.userActivation.isActive : null;
    audio.gain = context.createGain();
    audio.gain.gain.value = muted ? 0 : 1;
    audio.gain.connect(context.destination);
    audio.ready = context.audioWorklet.addModule(cardSources.player());
    if (testing && query.get('tap') === '1') audio.ready = audio.ready.then(() => addTap(context));
    // Opened from the click, tap or key, so the browser lets it play.
    if (context.state === 'suspended') context.resume().catch(() => {});
    return context.sampleRate;
  }

  function audioStart() {
    const context = audio.context;
    if (!context) return;
    const generation = ++audio.generation;
    audio.starved = 0;
    audio.ready.then(() => {
      if (audio.context !== context || audio.generation !== generation) return;
      const node = new AudioWorkletNode(context, 'card-player', {
        numberOfInputs: 0,
        numberOfOutputs: 1,
        outputChannelCount: [2],
        processorOptions: {
          queueFrames: Math.round(context.sampleRate * QUEUE_SECONDS),
          chunkFrames: TRANSFER_FRAMES,
          ratio: context.sampleRate / audio.cardRate,
        },
      });
      node.port.onmessage = (e) => answer(node, e.data);
      node.connect(audio.tap || audio.gain);
      audio.node = node;
    }).catch((e) => showNotice(yulecardWords.format(words.noSound, {reason: e})));
  }

  // The player wants more: the card refills its ring and hands over the next chunk.
  function answer(node, request) {
    if (node !== audio.node || !card) return;
    audio.starved = request.starved;
    const at = card._yuleAudioTransfer(request.need) >> 2;
    const frames = card._yuleAudioTransferred();
    const sound = card.HEAPF32.slice(at, at + frames * 2);
    node.port.postMessage(sound, [sound.buffer]);
    if (trial.busyAtStart > 0) {
      const until = performance.now() + trial.busyAtStart;
      trial.busyAtStart = 0;
      while (performance.now() < until) { /* busy, as a page starting slowly */ }
    }
  }

  function audioStop() {
    audio.generation++;
    if (!audio.node) return;
    audio.node.port.postMessage('stop');
    audio.node.disconnect();
    audio.node = null;
  }

  function audioClose() {
    audioStop();
    if (audio.context) audio.context.close().catch(() => {});
    audio.context = audio.gain = audio.tap = null;
  }

  function setMuted(value) {
    muted = value;
    muteButton.setAttribute('aria-pressed', String(muted));
    muteButton.setAttribute('aria-label', muted ? words.unmute : words.mute);
    if (audio.gain) audio.gain.gain.value = muted ? 0 : 1;
  }

  // ---- The show ----

  function openCard() {
    if (!card || showing) return;
    showing = true;
    invitation.hidden = true;
    writeOwn.hidden = true;
    if (!card._yuleOpenCard(preview ? 1 : 0)) {
      showing = false;
      showNotice(words.cannotOpen);
      invitation.hidden = false;
      return;
    }
    controls.hidden = preview;
    setStopControl();
    describeGreeting();
  }

  // The greeting being written, as text for screen readers, in its language.
  function describeGreeting() {
    greetingText.lang = greetingLanguage;
    greetingText.textContent = card.UTF8ToString(card._yuleGreetingText());
  }

  function endCard() {
    if (showing) card._yuleEndCard();
  }

  // The card has stopped (Esc, or the stop control): the invitation again.
  function showEnded() {
    showing = false;
    stage.classList.remove('no-pointer');
    setStopControl();
    invitation.dataset.words = 'invitationAgain';
    invitation.textContent = words.invitationAgain;
    // Not from inside the card's own frame step, which is ending.
    setTimeout(() => {
      if (preview && restartPreview) {
        restartPreview = false;
        openCard();
        return;
      }
      card._yuleShowInvitation();
      invitation.hidden = false;
      writeOwn.hidden = !offerCompose;
    }, 0);
  }

  function toggleFullScreen() {
    const doc = document;
    if (doc.fullscreenElement || doc.webkitFullscreenElement) {
      (doc.exitFullscreen || doc.webkitExitFullscreen).call(doc);
      return;
    }
    const request = stage.requestFullscreen || stage.webkitRequestFullscreen;
    if (!request) return;  // e.g. phones that have none: the page is full already
    const result = request.call(stage);
    if (result && result.catch) result.catch(() => {});
  }

  // The greeting from the link (the part after "#", which never reaches the
  // server), in the page's language. A link that cannot be read says so, and
  // the card writes its own greeting instead.
  function readLink() {
    const chosen = speak();
    const json = withText(location.hash, (text) => card.UTF8ToString(card._yuleUseGreetingLink(text)));
    const error = json ? JSON.parse(json) : null;
    showNotice(error ? yulecardWords.format(words.badLink, {
      reason: yulecardWords.problem(words, error, words.linkAtLine, words.linkAtLineColumn),
    }) : '');
    // The sender's words are in the language they chose (the page's, when
    // the link names none); the card's own greeting is English.
    const own = !!error || !yulecardWords.linkField(location.hash, 'greeting');
    greetingLanguage = own ? 'en' : chosen || document.documentElement.lang;
  }

  // What the card writes and plays, and in which language its page speaks.
  // A card sent as one file carries the page's language and the sender's
  // greeting and music; without a greeting there, the link's. A part of the
  // file that cannot be used (cut short on its way, edited) is named on the
  // page in one line, in the language the page then speaks, and the card's
  // own takes its place.
  function readContent() {
    const language = cardSources.language();
    const greeting = cardSources.greeting();
    const music = cardSources.music();
    const use = (slot, call) => withText(slot.text, (text) => withText(slot.declared, (declared) =>
      card.UTF8ToString(card[call](text, declared))));
    const languageError = language ? use(language, '_yuleReadFileLanguage') : '';
    fileLanguage = language && !languageError ? card.UTF8ToString(card._yuleFileLanguage()) : '';
    if (greeting) speak(); else readLink();
    if (!greeting && !music && !languageError) return;
    const reasons = [];
    const greetingJson = greeting ? use(greeting, '_yuleUseFileGreeting') : '';
    if (greetingJson) {
      reasons.push(yulecardWords.problem(words, JSON.parse(greetingJson), words.linkAtLine, words.linkAtLineColumn));
    }
    // The sender's greeting is in the language the page speaks; the card's own is English.
    if (greeting) greetingLanguage = greetingJson ? 'en' : document.documentElement.lang;
    const musicError = music ? use(music, '_yuleUseFileMusic') : '';
    if (musicError) reasons.push(musicError);
    if (languageError) reasons.push(languageError);
    if (!reasons.length) return;
    const which = greetingJson && musicError ? 'damagedBoth' : greetingJson ? 'damagedGreeting'
                                              : musicError ? 'damagedMusic' : 'damagedLanguage';
    showNotice(yulecardWords.format(words[which], {reason: reasons.join('; ')}));
  }

  // The preview writes the new greeting from its first letter, the show
  // going on; the card itself takes a new link from its next opening.
  window.addEventListener('hashchange', () => {
    if (!card) return;
    readLink();
    if (preview && showing) {
      card._yuleRestartGreeting();
      describeGreeting();
    }
  });

  // The compose page hands its preview the module the sender picked (null:
  // the card's own again, silent): the preview opens anew with it.
  let pickedMusic;  // until the program has loaded
  function usePickedMusic(bytes) {
    const error = bytes ? withCardBytes(card, bytes, 'music: too large for this browser',
                                        (at) => card.UTF8ToString(card._yuleUseMusic(at, bytes.length)))
                        : card.UTF8ToString(card._yuleUseMusic(0, 0));
    previewMusic = !!bytes && !error;
    if (showing) {
      restartPreview = true;
      endCard();
    }
  }
  if (preview) {
    window.addEventListener('message', (e) => {
      if (e.source !== window.parent || e.origin !== location.origin || !e.data || !('music' in e.data)) return;
      const bytes = e.data.music ? new Uint8Array(e.data.music) : null;
      if (card) usePickedMusic(bytes); else pickedMusic = bytes;
    });
  }

  function withText(text, use) {
    return withCardText(card, text, CARD_TEXT_NO_MEMORY, use);
  }

  // ---- Input ----

  const NOT_AN_OPENING_KEY = new Set(['Tab', 'Shift', 'Control', 'Alt', 'Meta', 'CapsLock', 'Escape']);

  window.addEventListener('keydown', (e) => {
    if (preview) return;  // a preview only shows
    if (e.ctrlKey || e.altKey || e.metaKey) return;  // the browser's own shortcuts
    if (showing) {
      // In full screen the browser takes the first Esc to leave it.
      if (e.key === 'Escape' || e.key === 'Esc') {
        card._yulePostKey(ESCAPE);
      } else if (e.key === 'f' || e.key === 'F') {
        toggleFullScreen();
      } else if (e.key === 'm' || e.key === 'M') {
        setMuted(!muted);
      } else {
        return;
      }
      e.preventDefault();
      return;
    }
    if (e.repeat || NOT_AN_OPENING_KEY.has(e.key)) return;
    // Enter or Space on a focused button is that button's click.
    if ((e.key === 'Enter' || e.key === ' ') && e.target instanceof HTMLButtonElement) return;
    e.preventDefault();
    openCard();
  });

  stage.addEventListener('click', (e) => {
    if (preview) {
      // A browser that kept the preview's music waiting for a gesture of its own.
      if (audio.context && audio.context.state === 'suspended') audio.context.resume().catch(() => {});
      return;
    }
    if (controls.contains(e.target) || e.target === writeOwn) return;
    openCard();
  });
  stage.addEventListener('dblclick', (e) => {
    if (!controls.contains(e.target)) toggleFullScreen();
  });
  stopButton.addEventListener('click', () => (showing ? endCard() : openCard()));
  muteButton.addEventListener('click', () => setMuted(!muted));
  window.addEventListener('resize', relayout);

  // A hidden page pauses picture and music together; both go on when it shows.
  document.addEventListener('visibilitychange', () => {
    if (!showing) return;
    card._yulePauseCard(document.hidden ? 1 : 0);
    const context = audio.context;
    if (context) (document.hidden ? context.suspend() : context.resume()).catch(() => {});
  });

  // ---- The card's program ----

  const page = {
    outputWidth: () => outputWidth,
    outputHeight: () => outputHeight,
    showPicture(pixels, width, height, where) {
      if (!image || image.width !== width || image.height !== height) {
        image = new ImageData(width, height);
        picture.width = width;
        picture.height = height;
      }
      const start = performance.now();
      image.data.set(pixels);
      pictureContext.putImageData(image, 0, 0);
      setLayout(where);
      drawPicture();
      const end = performance.now();
      presentMs += end - start;
      if (firstPictureAt === null) firstPictureAt = end;
    },
    hidePointer: () => stage.classList.add('no-pointer'),
    showPointer: () => stage.classList.remove('no-pointer'),
    audioOpen,
    audioStart,
    audioStop,
    audioClose,
    showEnded,
  };

  // ---- Test aids (test=1 only) ----

  function addTap(context) {
    return context.audioWorklet.addModule(trial.tapUrl).then(() => {
      audio.tap = new AudioWorkletNode(context, 'tap', {numberOfInputs: 1, numberOfOutputs: 1,
                                                        outputChannelCount: [2]});
      audio.tap.connect(audio.gain);
    });
  }

  function askTap(message) {
    const tap = audio.tap;
    if (!tap) return Promise.resolve(null);
    return new Promise((resolve) => {
      tap.port.onmessage = (e) => resolve(e.data);
      tap.port.postMessage(message);
    });
  }

  function base64(bytes) {
    let text = '';
    for (let i = 0; i < bytes.length; i += 0x8000) {
      text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    }
    return btoa(text);
  }

  function installTestAids() {
    if (query.has('clock')) card._yuleFixClock(Number(query.get('clock')));
    if (query.has('hold')) card._yuleHoldAfterFrame(Number(query.get('hold')));
    window.yulecardTest = {
      ready: () => firstPictureAt !== null,
      firstPictureMs: () => firstPictureAt,
      holdAfterFrame: (frame) => card._yuleHoldAfterFrame(frame),
      forceRate: (rate) => { trial.rate = rate; },
      busyAtStart: (ms) => { trial.busyAtStart = ms; },
      // The tap's source, for a page that fetches nothing (the card as one file).
      useTap: (source) => {
        trial.tapUrl = 'data:text/javascript;charset=utf-8,' + encodeURIComponent(source);
      },
      errors: () => trial.errors.slice(),
      stats: () => ({
        showing,
        frames: card._yuleFramesShown(),
        glyphs: card._yuleGlyphsOnPalm(),
        callbacks: card._yuleCallbacks(),
        picturesDrawn: card._yulePicturesDrawn(),
        callbackMsTotal: card._yuleCallbackMillisecondsTotal(),
        longPauses: card._yuleLongPauses(),
        skippedMs: card._yuleSkippedShowMilliseconds(),
        lastCallbackMs: card._yuleLastCallbackMilliseconds(),
        showMs: card._yuleShowMilliseconds(),
        frameMsTotal: card._yuleFrameMillisecondsTotal(),
        presentMsTotal: presentMs,
        musicMsPerFrame: card._yuleMusicMillisecondsPerFrame(),
        underruns: card._yuleUnderrunBlocks(),
        starved: audio.starved,
        audioState: audio.context ? audio.context.state : 'closed',
        sampleRate: audio.context ? audio.context.sampleRate : 0,
        soundOpenedInGesture: audio.inGesture,
        playerRunning: audio.node !== null,
        layout,
        outputWidth,
        outputHeight,
        canvasWidth: canvas.width,
        canvasHeight: canvas.height,
      }),
      // The card's last picture, 1:1, as base64 of its RGB bytes.
      picture: () => {
        const rgba = pictureContext.getImageData(0, 0, picture.width, picture.height).data;
        const rgb = new Uint8Array(picture.width * picture.height * 3);
        for (let i = 0, j = 0; i < rgba.length; i += 4, j += 3) {
          rgb[j] = rgba[i];
          rgb[j + 1] = rgba[i + 1];
          rgb[j + 2] = rgba[i + 2];
        }
        return {width: picture.width, height: picture.height, rgb: base64(rgb)};
      },
      tapFrames: () => askTap('count').then((d) => (d ? d.frames : 0)),
      // What the tap has recorded: float left, right pairs, base64 of their bytes.
      tapSound: () => askTap('get').then((d) => {
        if (!d) return null;
        const pairs = new Float32Array(d.frames * 2);
        for (let i = 0; i < d.frames; i++) {
          pairs[2 * i] = d.left[i];
          pairs[2 * i + 1] = d.right[i];
        }
        return {frames: d.frames, rate: d.rate, sound: base64(new Uint8Array(pairs.buffer))};
      }),
    };
  }

  speak();
  measureOutput();
  invitation.hidden = true;
  cardSources.whenParsed(() => {
    offerCompose = !cardSources.oneFile();
    cardSources.program().then((options) => createYulecard(Object.assign({page}, options))).then(start)
      .catch((e) => {
        // A card file whose program did not survive the way is told from a
        // browser that cannot run it.
        showNotice(e.damaged ? yulecardWords.format(words.damagedProgram, {reason: e.message})
                             : yulecardWords.format(words.cannotRun, {reason: e}));
      });
  });

  function start(module) {
    card = module;
    if (testing) installTestAids();
    readContent();
    if (preview) {
      if (pickedMusic !== undefined) usePickedMusic(pickedMusic);
      openCard();
      return;
    }
    card._yuleShowInvitation();
    invitation.hidden = false;
    writeOwn.hidden = !offerCompose;
  }
})();
