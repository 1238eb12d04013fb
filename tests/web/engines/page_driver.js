// The driver a test uses, over a page of playwright-core or puppeteer-core,
// whose pages answer the same calls: the page's errors and dialogs are kept.
'use strict';

function pageDriver(name, browser, page) {
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
    name,
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

module.exports = {pageDriver};
