// Checks the show's web page in headless Chromium (run by scripts/test-web.sh):
//   node check-page.cjs URL NATIVE_SUMS DAMAGED_ARCHIVE NATIVE_DAMAGED_OUTPUT SCREENSHOT
// Prints one line per check and "N passed, N failed"; exits 1 when any failed.
'use strict';
const fs = require('fs');
const puppeteer = require('puppeteer-core');

const [url, sumsFile, damagedArchive, damagedOutput, screenshot] = process.argv.slice(2);
let passed = 0, failed = 0, skipped = 0;

function check(ok, what) {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}`);
  ok ? passed++ : failed++;
}

// CRC-32 as zlib computes it, over packed R, G, B bytes: the desktop's --checksums.
function crc32(bytes) {
  let c = 0xFFFFFFFF;
  for (const b of bytes) {
    c ^= b;
    for (let k = 0; k < 8; k++)
      c = c & 1 ? 0xEDB88320 ^ (c >>> 1) : c >>> 1;
  }
  return ((c ^ 0xFFFFFFFF) >>> 0).toString(16).padStart(8, '0');
}

// The canvas's pixels as packed R, G, B, with its size.
async function canvasRgb(page) {
  const { width, height, rgba } = await page.evaluate(() => {
    const canvas = document.getElementById('screen');
    const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    return { width: canvas.width, height: canvas.height, rgba: Array.from(data) };
  });
  const rgb = new Uint8Array(width * height * 3);
  for (let i = 0; i < width * height; i++)
    rgb.set(rgba.slice(4 * i, 4 * i + 3), 3 * i);
  return { width, height, rgb };
}

function watch(page, problems) {
  page.on('pageerror', error => problems.push(`page error: ${error.message}`));
  page.on('requestfailed', request => problems.push(`request failed: ${request.url()}`));
}

const pageState = page => page.evaluate(() => {
  const m = window.morvane;
  return { frame: m.frame, presented: m.presented, late: m.late, ended: m.ended, crashed: m.crashed,
           errors: m.errors.slice(), now: performance.now(),
           errorLine: document.getElementById('error').textContent };
});

// (a) Frames 0, 100 and 1000, each from ?frame=N, against the desktop's checksums.
async function checkFrames(browser) {
  const native = new Map(fs.readFileSync(sumsFile, 'utf8').trim().split('\n')
    .map(line => line.split(' ')).map(([frame, sum]) => [Number(frame), sum]));
  for (const frame of [0, 100, 1000]) {
    const page = await browser.newPage();
    const problems = [];
    watch(page, problems);
    await page.goto(`${url}?frame=${frame}`);
    await page.waitForFunction(() => window.morvane && window.morvane.ended !== null, { timeout: 180000 });
    const state = await pageState(page);
    const { width, height, rgb } = await canvasRgb(page);
    const sum = crc32(rgb);
    check(state.ended === 0 && state.frame === frame && problems.length === 0 && state.errors.length === 0,
          `?frame=${frame} stops at frame ${state.frame} with status ${state.ended}` +
          `${problems.concat(state.errors).map(p => '; ' + p).join('')}`);
    check(width === 512 && height === 256 && sum === native.get(frame),
          `frame ${frame}: ${width} x ${height}, checksum ${sum}, desktop ${native.get(frame)}`);
    await page.close();
  }
}

// (b) The page's frames per second over 5 seconds, against the region's
// field rate. Never faster; and as fast whenever the show kept up. A host too
// busy to draw the frames in time (more than 1 in 20 late, when other work
// shares its cores) cannot show whether the page paces right: that half is
// then reported as skipped, with the figures.
async function checkRate(browser, region, rate) {
  const page = await browser.newPage();
  await page.setViewport({ width: 1080, height: 1000 });
  const problems = [];
  watch(page, problems);
  await page.goto(region === 'pal' ? url : `${url}?region=${region}`);
  await page.waitForFunction(() => window.morvane && window.morvane.presented >= 25, { timeout: 60000 });
  const first = await pageState(page);
  await new Promise(resolve => setTimeout(resolve, 5000));
  const last = await pageState(page);
  const frames = last.presented - first.presented, late = last.late - first.late;
  const fps = frames / ((last.now - first.now) / 1000);
  const figures = `${region}: ${fps.toFixed(2)} frames per second over 5 s, ${late} of ${frames} late ` +
                  `(field rate ${rate.toFixed(2)})`;
  check(fps <= rate * 1.03 && problems.length === 0 && last.errors.length === 0,
        `${figures}: not faster${problems.concat(last.errors).map(p => '; ' + p).join('')}`);
  if (late > frames / 20) {
    console.log(`skip ${figures}: the host is too busy to tell whether the page keeps the rate`);
    skipped++;
  } else {
    check(fps >= rate * 0.97, `${figures}: as fast`);
  }
  if (region === 'pal' && screenshot)
    await page.screenshot({ path: screenshot });
  await page.close();
}

// (c) A damaged archive opened in the page: the desktop's words for it on the
// error line, and the program still running (the show plays on what loaded).
async function checkDamaged(browser) {
  const expected = fs.readFileSync(damagedOutput, 'utf8').split('\n')
    .find(line => /archive/.test(line) && /^(Damaged|Wrong|Missing|Cannot|Not enough)/.test(line));
  const page = await browser.newPage();
  const problems = [];
  watch(page, problems);
  await page.goto(url);
  await page.waitForFunction(() => window.morvane && window.morvane.presented >= 5, { timeout: 60000 });
  const input = await page.$('#archive');
  await input.uploadFile(damagedArchive);
  await page.waitForFunction(() => window.morvane.errors.length > 0 || window.morvane.crashed, { timeout: 60000 });
  await new Promise(resolve => setTimeout(resolve, 2000));
  const state = await pageState(page);
  check(expected !== undefined && state.errorLine.startsWith(expected),
        `damaged archive: the page says "${state.errorLine}", the desktop "${expected}"`);
  check(state.crashed === null && problems.length === 0 && (state.presented > 0 || state.ended !== null),
        `damaged archive: no crash (${state.crashed || 'running'}, ${state.presented} frames since)` +
        `${problems.map(p => '; ' + p).join('')}`);
  await page.close();
}

(async () => {
  const browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium', headless: true,
    args: ['--no-sandbox', '--disable-dev-shm-usage', '--autoplay-policy=no-user-gesture-required'],
  });
  try {
    await checkFrames(browser);
    await checkRate(browser, 'pal', 50);
    await checkRate(browser, 'ntsc', 60000 / 1001);
    await checkDamaged(browser);
  } catch (error) {
    check(false, `the page could not be checked: ${error.message}`);
  } finally {
    await browser.close();
  }
  console.log(`${passed} passed, ${failed} failed, ${skipped} skipped`);
  process.exit(failed ? 1 : 0);
})();
