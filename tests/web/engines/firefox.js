// Firefox ESR through WebDriver BiDi, built into Firefox: puppeteer-core
// (npm, pinned, in the build folder) starts Debian's firefox-esr headless.
'use strict';
const {pageDriver} = require('./page_driver');
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
  return pageDriver('firefox', browser, page);
}

module.exports = {launch};
