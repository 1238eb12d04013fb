// Firefox ESR through WebDriver BiDi, built into Firefox: puppeteer-core
// (npm, pinned, in the build folder) starts Debian's firefox-esr headless.
'use strict';
const FIREFOX = process.env.FIREFOX || '/usr/bin/firefox-esr';

async function launch({width, height}) {
  const puppeteer = require('puppeteer-core');
  const browser = await puppeteer.launch({
    browser: 'firefox',
    executablePath: FIREFOX,
    headless: true,
    protocol: 'webDriverBiDi',
    defaultViewport: {width, height},
    env: process.env,  // the test's private sound server
  });
  const page = await browser.newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(String(e)));
  page.on('console', (m) => {
    if (m.type() === 'error') errors.push(m.text());
  });
  const dialogs = [];
  page.on('dialog', (d) => {
    dialogs.push(d.message());
    d.dismiss().catch(() => {});
  });
  return {
    name: 'firefox',
    goto: (url) => page.goto(url),
    evaluate: (fn, arg) => page.evaluate(fn, arg),
    click: (x, y) => page.mouse.click(x, y),
    press: (key) => page.keyboard.press(key),
    errors: () => errors.slice(),
    // The messages of the dialogs the page opened (an alert, say).
    dialogs: async () => dialogs.slice(),
    screenshot: (file) => page.screenshot({path: file}),
    close: () => browser.close(),
  };
}

module.exports = {launch};
