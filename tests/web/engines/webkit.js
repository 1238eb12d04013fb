// WebKitGTK through WebKitWebDriver: plain W3C WebDriver over HTTP (Node's
// own fetch), MiniBrowser on the X display the caller has set (DISPLAY).
// Classic WebDriver reports no page errors; the card's page records them
// itself in test mode (yulecardTest.errors()).
'use strict';
const {spawn} = require('child_process');
const net = require('net');

const DRIVER = process.env.WEBKIT_DRIVER || '/usr/bin/WebKitWebDriver';
const BROWSER = process.env.WEBKIT_BROWSER || '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser';
const ESCAPE = '\uE00C', ENTER = '\uE007';

function freePort() {
  return new Promise((resolve, reject) => {
    const server = net.createServer();
    server.once('error', reject);
    server.listen(0, '127.0.0.1', () => {
      const {port} = server.address();
      server.close(() => resolve(port));
    });
  });
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

async function launch({width, height}) {
  const port = await freePort();
  const driver = spawn(DRIVER, [`--port=${port}`, '--host=127.0.0.1'], {stdio: ['ignore', 'ignore', 'pipe']});
  let driverLog = '';
  driver.stderr.on('data', (d) => { driverLog = (driverLog + d).slice(-4000); });
  const base = `http://127.0.0.1:${port}`;
  async function call(method, path, body) {
    const res = await fetch(base + path, {method, headers: {'Content-Type': 'application/json'},
                                          body: body === undefined ? undefined : JSON.stringify(body)});
    const json = await res.json();
    if (!res.ok || (json.value && json.value.error)) {
      throw new Error(`WebDriver ${method} ${path}: ${JSON.stringify(json.value).slice(0, 400)}`);
    }
    return json.value;
  }
  // The driver takes a moment to listen.
  let session;
  for (let tries = 0; ; tries++) {
    try {
      session = await call('POST', '/session', {capabilities: {alwaysMatch: {
        browserName: 'MiniBrowser',
        'webkitgtk:browserOptions': {binary: BROWSER, args: ['--automation']},
      }}});
      break;
    } catch (e) {
      if (tries > 100 || driver.exitCode !== null) {
        driver.kill();
        throw new Error(`WebKitWebDriver did not start: ${e.message} ${driverLog}`);
      }
      await sleep(100);
    }
  }
  const id = session.sessionId;
  const at = (p) => `/session/${id}${p}`;
  // MiniBrowser's window holds a toolbar: size the viewport, not the window.
  await call('POST', at('/window/rect'), {x: 0, y: 0, width, height});
  const inner = await call('POST', at('/execute/sync'), {script: 'return [innerWidth, innerHeight];', args: []});
  await call('POST', at('/window/rect'), {x: 0, y: 0, width: width + (width - inner[0]),
                                           height: height + (height - inner[1])});

  async function evaluate(fn, arg) {
    const script = `const done = arguments[arguments.length - 1];
      Promise.resolve().then(() => (${fn}).apply(null, arguments[0])).then(
        (v) => done({value: v === undefined ? null : v}), (e) => done({error: String(e && e.stack || e)}));`;
    const r = await call('POST', at('/execute/async'), {script, args: [[arg]]});
    if (r.error) throw new Error(r.error);
    return r.value;
  }
  async function actions(list) {
    await call('POST', at('/actions'), {actions: list});
    await call('DELETE', at('/actions'));
  }
  return {
    name: 'webkit',
    goto: (url) => call('POST', at('/url'), {url}),
    evaluate,
    click: (x, y) => actions([{type: 'pointer', id: 'mouse', parameters: {pointerType: 'mouse'}, actions: [
      {type: 'pointerMove', duration: 0, origin: 'viewport', x: Math.round(x), y: Math.round(y)},
      {type: 'pointerDown', button: 0}, {type: 'pointerUp', button: 0}]}]),
    press: (key) => {
      const value = {Escape: ESCAPE, Enter: ENTER}[key] || key;
      return actions([{type: 'key', id: 'keyboard', actions: [{type: 'keyDown', value}, {type: 'keyUp', value}]}]);
    },
    errors: () => [],  // the page's own record is read by the checks
    // An alert the page opened stays open: its text, or none.
    dialogs: () => call('GET', at('/alert/text')).then((text) => [text], () => []),
    screenshot: async (file) => {
      require('fs').writeFileSync(file, Buffer.from(await call('GET', at('/screenshot')), 'base64'));
    },
    close: async () => {
      try {
        await call('DELETE', at(''));
      } finally {
        driver.kill();
      }
    },
  };
}

module.exports = {launch};
