// Chromium through playwright-core (npm, pinned, in the build folder),
// Debian's /usr/bin/chromium headless; it plays into a fake sound device.
'use strict';
const {pageDriver} = require('./page_driver');
const CHROMIUM = process.env.CHROMIUM || '/usr/bin/chromium';
const FLAGS = ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
               '--disable-background-networking', '--disable-component-update', '--disable-sync'];
// The served site's files opened from disk fetch one another; a page that
// fetches nothing (the card as one file) is opened as a person's browser
// opens it, without this.
const FILES_FETCH_FILES = '--allow-file-access-from-files';

async function launch({width, height, asOpened = false}) {
  const {chromium} = require('playwright-core');
  const args = asOpened ? FLAGS : FLAGS.concat(FILES_FETCH_FILES);
  const browser = await chromium.launch({executablePath: CHROMIUM, headless: true, args});
  const page = await browser.newPage({viewport: {width, height}});
  return pageDriver('chromium', browser, page);
}

module.exports = {launch};
