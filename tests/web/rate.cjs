// The page's frames per second over a few seconds (the frames the page
// presented, by its own clock): node rate.cjs URL [SECONDS]. Used by
// bench/web-rate.sh with ?unpaced for the speed of the show in the browser.
'use strict';
const puppeteer = require('puppeteer-core');

(async () => {
  const [url, seconds = '5'] = process.argv.slice(2);
  const browser = await puppeteer.launch({ executablePath: '/usr/bin/chromium', headless: true,
                                           args: ['--no-sandbox', '--disable-dev-shm-usage'] });
  try {
    const page = await browser.newPage();
    await page.goto(url);
    const sample = () => page.evaluate(() => [window.morvane.presented, performance.now()]);
    await page.waitForFunction(() => window.morvane && window.morvane.presented >= 25, { timeout: 120000 });
    const [f0, t0] = await sample();
    await new Promise(resolve => setTimeout(resolve, Number(seconds) * 1000));
    const [f1, t1] = await sample();
    console.log(((f1 - f0) / ((t1 - t0) / 1000)).toFixed(2));
  } finally {
    await browser.close();
  }
})();
