// The web page in headless Chromium: every golden frame's hash in ?frames,
// the bench report in ?bench, the player from the dialog to the end card and
// Escape during its pause, a damaged data file named on the page, music that
// cannot play; on a throttled network, the time to the dialog and to the first
// frame, the show waiting for a late file and going on with the renderer's
// frames; and a second visit and "play again" that fetch no file of the pack.
// usage: node browser_test.mjs SITE GOLDEN_FILE [--native SOFTDEMO_RENDER --data DIR] [--screenshots DIR]
// Exit 77 (skipped) only when Chromium cannot start.
import { spawn, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

const [siteDir, goldenFile] = process.argv.slice(2);
const option = (name) => (process.argv.includes(name) ? process.argv[process.argv.indexOf(name) + 1] : null);
const shots = option('--screenshots'), nativeRender = option('--native'), dataDir = option('--data');
const here = path.dirname(new URL(import.meta.url).pathname);
const serveScript = path.resolve(here, '../../web/serve.py');
const timeoutMs = 240000;

let passed = 0, failed = 0;
function check(ok, what, detail = '') {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}${detail ? ': ' + detail : ''}`);
  ok ? ++passed : ++failed;
}

// The server, with every request it answers after its address in `requests`.
function serve(dir) {
  return new Promise((resolve, reject) => {
    const server = spawn('python3', [serveScript, dir, '0', '--log'], { stdio: ['ignore', 'pipe', 'inherit'] });
    const requests = [];
    let text = '', url = null;
    server.stdout.on('data', (chunk) => {
      text += chunk;
      const lines = text.split('\n');
      text = lines.pop();
      for (const line of lines) {
        if (url) {
          requests.push(line);
          continue;
        }
        url = /http:\/\/\S+\/softdemo\.html/.exec(line);
        url ? resolve({ server, url: url[0], requests }) : reject(new Error(`the server said: ${line}`));
      }
    });
    server.once('exit', (code) => reject(new Error(`the server exited with ${code}`)));
  });
}

const packRequests = (lines) => lines.filter((l) => / \/pack\//.test(l));
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
const seconds = (ms) => (ms / 1000).toFixed(1);

// The text of <pre id="result"> once its last line is "done" or an error.
async function result(page, url) {
  await page.goto(url);
  await page.waitForFunction(() => /(^|\n)(done|error: .*)\n$/.test(document.getElementById('result').textContent),
                             { timeout: timeoutMs, polling: 200 });
  return page.$eval('#result', (e) => e.textContent.trim().split('\n'));
}

async function golden(browser, base) {
  const expected = fs.readFileSync(goldenFile, 'utf8').trim().split('\n');
  const times = expected.map((l) => l.split(' ')[0]).join(',');
  const page = await browser.newPage();
  const lines = await result(page, `${base}?frames=${times}&fps=60`);
  check(lines.at(-1) === 'done', '?frames ends with "done"', lines.at(-1));
  const wrong = expected.filter((l, i) => lines[i] !== l);
  check(wrong.length === 0, `all ${expected.length} golden frames equal`, wrong.slice(0, 3).join('; '));
  const bad = await result(page, `${base}?frames=501&fps=60`);
  check(bad.at(-1) === 'error: 501 ms is not a frame time of the 60 fps timeline', 'a time off the timeline is refused',
        bad.at(-1));
  await page.close();
}

// The native bench right before the browser's, so that both see the same machine.
async function bench(browser, base) {
  if (nativeRender) {
    const native = spawnSync(nativeRender, ['bench', '--data', dataDir], { encoding: 'utf8' });
    console.log(`native  ${(/speed:.*/.exec(native.stdout) || ['no speed line: ' + native.stderr])[0]}`);
  }
  const page = await browser.newPage();
  const lines = await result(page, `${base}?bench&fps=60`);
  const speed = lines.find((l) => l.startsWith('speed:')) || '';
  check(lines.at(-1) === 'done' && lines[0].startsWith('frames:      7103 on the 60 fps timeline'),
        '?bench prints the report', lines[0]);
  console.log(lines.slice(0, -1).map((l) => '     ' + l).join('\n'));
  console.log(`browser ${speed}`);
  await page.close();
}

async function player(browser, base) {
  const page = await browser.newPage();
  await page.setViewport({ width: 800, height: 450 });
  const notices = [];
  page.on('console', (m) => m.type() === 'warning' && notices.push(m.text()));
  await page.goto(base);
  await page.waitForSelector('#dialog:not([hidden])', { timeout: timeoutMs });
  const dialog = await page.evaluate(() => ({
    label: document.getElementById('choose').textContent,
    buttons: [...document.querySelectorAll('#dialog button')].map((b) => b.textContent.trim()),
    pictures: [...document.querySelectorAll('#dialog button img')].filter((i) => i.naturalWidth === 128).length,
    focus: document.activeElement.id,
  }));
  check(dialog.label === 'Choose ASS:' && dialog.buttons.join() === 'Ass1,Ass2', 'the dialog asks its question',
        JSON.stringify(dialog));
  check(dialog.focus === 'ass1', 'the first button has the focus', dialog.focus);
  await page.waitForFunction(() => [...document.querySelectorAll('#dialog img')].every((i) => i.complete));
  if (shots)
    await page.screenshot({ path: path.join(shots, 'web-dialog.png') });
  // The time of every change of the count of presented frames, from the click.
  await page.evaluate(() => {
    window.shown = [];
    document.getElementById('ass2').addEventListener('click', () => {
      const clicked = performance.now(), stage = document.getElementById('stage');
      new MutationObserver(() => window.shown.push([stage.dataset.frames, performance.now() - clicked]))
        .observe(stage, { attributes: true, attributeFilter: ['data-frames'] });
    }, { capture: true });
  });
  await page.click('#ass2');
  // Two seconds of black: no frame presented, then frames come and the logo
  // fades in from 2 s of show time.
  const litPixels = () => page.evaluate(() => {
    const d = document.getElementById('screen').getContext('2d').getImageData(0, 0, 512, 384).data;
    let lit = 0;
    for (let i = 0; i < d.length; i += 4)
      lit += d[i] + d[i + 1] + d[i + 2] > 60;
    return lit;
  });
  await new Promise((r) => setTimeout(r, 1000));
  const during = await page.$eval('#stage', (s) => s.dataset.frames);
  check(during === '0', 'no frame presented 1 s into the pause', `${during} frames`);
  await page.waitForFunction(() => document.getElementById('stage').dataset.frames > 10, { timeout: 10000 });
  const shown = await page.evaluate(() => window.shown);
  const first = shown.find(([frames]) => frames === '1');
  check(first !== undefined && first[1] >= 1990 && first[1] < 4000, 'the first frame only after the pause',
        first ? `${Math.round(first[1])} ms after the click` : JSON.stringify(shown.slice(0, 3)));
  let lit = 0;
  for (let i = 0; i < 60 && (lit = await litPixels()) < 1000; ++i)
    await new Promise((r) => setTimeout(r, 250));
  check(lit >= 1000, 'a frame of the show after the pause', `${lit} lit pixels`);
  if (shots)
    await page.screenshot({ path: path.join(shots, 'web-player.png') });
  await page.keyboard.press('Escape');
  await page.waitForSelector('#end:not([hidden])', { timeout: 10000 });
  check(await page.$eval('#again', (b) => b.textContent) === 'play again', 'Escape brings the end card');
  console.log(`     page notices: ${notices.join(' | ') || 'none'}`);
  await page.close();
}

// Escape during the two seconds of black: the end card, and no frame ever presented.
async function escapeInPause(browser, base) {
  const page = await browser.newPage();
  await page.goto(base);
  await page.waitForSelector('#dialog:not([hidden])', { timeout: timeoutMs });
  await page.keyboard.press('Enter');
  await new Promise((r) => setTimeout(r, 500));
  await page.keyboard.press('Escape');
  await page.waitForSelector('#end:not([hidden])', { timeout: 10000 });
  const frames = await page.$eval('#stage', (s) => s.dataset.frames);
  check(frames === '0', 'Escape in the pause ends the show before any frame', `${frames} frames`);
  await page.close();
}

// Music that is no MP3 at all: the show starts all the same, and the page says why it is silent.
async function silent(browser, base) {
  const page = await browser.newPage();
  await page.goto(base);
  await page.waitForSelector('#dialog:not([hidden])', { timeout: timeoutMs });
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => document.getElementById('stage').dataset.frames > 0, { timeout: 10000 });
  const notice = await page.$eval('#notice', (e) => e.textContent);
  check(/Can't open stream \(error code: 3\)/.test(notice), 'undecodable music is said on the page', notice);
  await page.close();
}

// A copy of the pack with one picture cut in half: named on the page once it
// arrives, in place of the dialog.
async function damaged(browser, base) {
  const page = await browser.newPage();
  await page.goto(base);
  await page.waitForSelector('#problem:not([hidden])', { timeout: timeoutMs });
  const problems = await page.$eval('#problems', (e) => e.textContent);
  check(/data\/tun_blue\.png/.test(problems) && await page.$('#dialog[hidden]') !== null,
        'a damaged file is named on the page', problems);
  await page.close();
}

// A context of its own (an empty cache) on a network of `mbit` Mbit/s.
async function throttledPage(browser, mbit) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  await page.emulateNetworkConditions({ download: (mbit * 1e6) / 8, upload: (mbit * 1e6) / 8, latency: 20 });
  return { context, page };
}

const packBytes = () => JSON.parse(fs.readFileSync(path.join(siteDir, 'pack.json'), 'utf8')).files
  .reduce((sum, f) => sum + f.bytes, 0);

// Opening the page to the dialog and to the first frame, the click at once.
async function throttled(browser, base, mbit) {
  const { context, page } = await throttledPage(browser, mbit);
  const whole = (packBytes() * 8) / (mbit * 1e6) * 1000;
  const opened = Date.now();
  await page.goto(base, { waitUntil: 'domcontentloaded' });
  await page.evaluate(() => {
    const text = document.getElementById('progress-text');
    window.loadingLines = [];
    new MutationObserver(() => window.loadingLines.push(text.textContent))
      .observe(text, { childList: true, characterData: true, subtree: true });
  });
  await page.waitForSelector('#dialog:not([hidden])', { timeout: timeoutMs });
  const dialog = Date.now() - opened;
  const line = (await page.evaluate(() => window.loadingLines)).at(-1) || '';
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => document.getElementById('stage').dataset.frames > 0, { timeout: timeoutMs });
  const first = Date.now() - opened;
  console.log(`     ${mbit} Mbit/s: the dialog ${seconds(dialog)} s after opening the page, the first frame ` +
              `${seconds(first)} s (the whole pack takes ${seconds(whole)} s at that rate); loading said "${line}"`);
  check(dialog < whole, `at ${mbit} Mbit/s the dialog comes before the whole pack could`, `${seconds(dialog)} s`);
  check(/^[1-9][0-9.]* s of the show ready \(/.test(line), 'the loading line says how much of the show is ready', line);
  await page.keyboard.press('Escape');
  await page.waitForSelector('#end:not([hidden])', { timeout: 10000 });
  await context.close();
}

// The network slows to a trickle once the dialog is there: the show waits
// at the first file that is not in (picture and music stopped, a line saying
// so) and goes on when the network comes back. On the real clock, from just
// after the last frame; on the renderer's timeline (?timeline=60), every
// frame it presents is the renderer's.
async function fallsBehind(browser, base, timeline) {
  const { context, page } = await throttledPage(browser, 10);
  await page.goto(timeline ? `${base}?timeline=60` : base);
  await page.waitForSelector('#dialog:not([hidden])', { timeout: timeoutMs });
  await page.emulateNetworkConditions({ download: 8000, upload: 8000, latency: 20 });
  await page.keyboard.press('Enter');
  await page.waitForSelector('#status:not([hidden])', { timeout: timeoutMs });
  await page.waitForFunction(() => /^Waiting for the network: /.test(document.getElementById('status').textContent),
                             { timeout: timeoutMs });
  const waitedAt = await page.evaluate(() => webClock.last);
  const before = await page.$eval('#stage', (s) => Number(s.dataset.frames));
  await sleep(1500);
  const during = await page.evaluate(() => ({
    frames: Number(document.getElementById('stage').dataset.frames),
    line: document.getElementById('status').textContent,
    music: webAudio.source !== null,
  }));
  check(during.frames === before && !during.music, 'while a file is late, no frame and no music',
        `${before} frames, then ${during.frames}, music ${during.music ? 'playing' : 'stopped'}: "${during.line}"`);
  await page.emulateNetworkConditions(null);
  await page.waitForFunction((n) => document.getElementById('stage').dataset.frames > n + 60, { timeout: 60000 },
                             before);
  const after = await page.evaluate(() => ({
    status: document.getElementById('status').hidden,
    music: webAudio.source !== null || webAudio.status !== 0,
  }));
  check(after.status && after.music, 'the show goes on once the file is in', JSON.stringify(after));
  await page.keyboard.press('Escape');
  await page.waitForSelector('#end:not([hidden])', { timeout: 10000 });
  const stops = await page.evaluate(() => waiting.stops);
  console.log(`     ${timeline ? 'on the timeline' : 'on the clock'}: waited at ${seconds(waitedAt)} s of show time ` +
              JSON.stringify(stops));
  if (!timeline) {
    check(stops.length > 0 && stops.every((s) => s.resumed === s.at + 1),
          'the show goes on just after the last frame before the wait', JSON.stringify(stops));
    return context.close();
  }
  const shown = await page.evaluate(() => webStage.hashes);
  const onTimeline = shown.every(([t], i) => t === Math.floor((i * 1000) / 60));
  check(onTimeline, 'the page drew every frame of the 60 fps timeline in turn', JSON.stringify(shown.slice(0, 3)));
  if (!nativeRender) {
    console.log('skip the presented frames against the renderer: no --native');
  } else if (onTimeline) {
    const native = spawnSync(nativeRender, ['frames', '--hash', '--fps', '60', '--data', dataDir, '--at',
                                            shown.map(([t]) => t).join(',')], { encoding: 'utf8' });
    const expected = (native.stdout || '').trim().split('\n');
    const wrong = shown.filter(([t, hash], i) => expected[i] !== `${t} ${hash}`);
    check(expected.length === shown.length && wrong.length === 0, `all ${shown.length} presented frames are the renderer's`,
          wrong.slice(0, 3).join('; ') || native.stderr || native.error?.message);
  }
  await context.close();
}

// Once the pack is in, a second visit and "play again" fetch none of it.
async function secondLoad(browser, server) {
  const context = await browser.createBrowserContext();
  const first = await context.newPage();
  const start = server.requests.length;
  await first.goto(server.url);
  await first.waitForSelector('#dialog:not([hidden])', { timeout: timeoutMs });
  await first.waitForFunction(() => pack.files.every((f) => f.state === 'arrived' || f.state === 'taken'),
                              { timeout: timeoutMs });
  const fetched = packRequests(server.requests.slice(start)).length;
  check(fetched === 138, 'the first visit fetches each file of the pack once', `${fetched} requests`);
  await first.close();

  const play = async (page, how) => {
    const mark = server.requests.length;
    await how();
    await page.waitForSelector('#dialog:not([hidden])', { timeout: timeoutMs });
    await page.keyboard.press('Enter');
    await page.waitForFunction(() => document.getElementById('stage').dataset.frames > 0, { timeout: 10000 });
    await page.keyboard.press('Escape');
    await page.waitForSelector('#end:not([hidden])', { timeout: 10000 });
    return server.requests.slice(mark);
  };
  const page = await context.newPage();
  const visit = await play(page, () => page.goto(server.url));
  check(packRequests(visit).length === 0, 'a second visit fetches no file of the pack',
        `${visit.length} requests: ${visit.join(', ')}`);
  const again = await play(page, () => page.click('#again'));
  check(packRequests(again).length === 0, '"play again" fetches no file of the pack',
        `${again.length} requests: ${again.join(', ')}`);
  await context.close();
}

async function main() {
  const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'softdemo-web-'));
  let browser;
  try {
    browser = await puppeteer.launch({
      executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
      headless: true,
      userDataDir: path.join(scratch, 'profile'),
      args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
             '--disable-component-update', '--disable-sync'],
    });
  } catch (e) {
    console.log(`SKIPPED: Chromium cannot start here: ${e.message.split('\n')[0]}`);
    fs.rmSync(scratch, { recursive: true, force: true });
    process.exit(77);
  }
  // The same page over a copy of the pack with one file damaged. The copy is
  // of the files themselves: a data/ that is a link (to a worktree's shared
  // pack) would otherwise be copied as the link, and the pack damaged.
  const site = (name, file, damage) => {
    const dir = path.join(scratch, name);
    fs.mkdirSync(dir);
    for (const f of ['softdemo.html', 'softdemo.js', 'softdemo.wasm'])
      fs.symlinkSync(path.resolve(siteDir, f), path.join(dir, f));
    for (const f of ['pack', 'pack.json'])
      fs.cpSync(fs.realpathSync(path.resolve(siteDir, f)), path.join(dir, f), { recursive: true, dereference: true });
    const entry = JSON.parse(fs.readFileSync(path.join(dir, 'pack.json'), 'utf8')).files.find((f) => f.name === file);
    const target = path.join(dir, entry.address);
    if (fs.lstatSync(path.join(dir, 'pack')).isSymbolicLink() || fs.lstatSync(target).isSymbolicLink())
      throw new Error(`${target} is no copy of its own`);
    damage(target);
    return dir;
  };
  const cut = site('damaged', 'data/tun_blue.png', (f) => fs.truncateSync(f, Math.floor(fs.statSync(f).size / 2)));
  const noise = site('silent', 'data/fried.mp3', (f) => fs.writeFileSync(f, Buffer.alloc(4096, 0x5a)));

  const servers = [];
  try {
    for (const dir of [path.resolve(siteDir), cut, noise])
      servers.push(await serve(dir));
    await golden(browser, servers[0].url);
    await bench(browser, servers[0].url);
    await player(browser, servers[0].url);
    await escapeInPause(browser, servers[0].url);
    await damaged(browser, servers[1].url);
    await silent(browser, servers[2].url);
    for (const mbit of [10, 50])
      await throttled(browser, servers[0].url, mbit);
    for (const timeline of [false, true])
      await fallsBehind(browser, servers[0].url, timeline);
    await secondLoad(browser, servers[0]);
  } catch (e) {
    check(false, 'the browser test ran to its end', e.message);
  } finally {
    await browser.close();
    servers.forEach((s) => s.server.kill());
    fs.rmSync(scratch, { recursive: true, force: true });
  }
  console.log(`${passed} passed, ${failed} failed`);
  process.exit(failed ? 1 : 0);
}

main();
