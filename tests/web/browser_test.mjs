// The web page in headless Chromium: every golden frame's hash in ?frames,
// the bench report in ?bench, the player from the dialog to the end card and
// Escape during its pause, a damaged data file named on the page, and music
// that cannot play.
// usage: node browser_test.mjs BUILD_WEB GOLDEN_FILE [--native SOFTDEMO_RENDER] [--screenshots DIR]
// Exit 77 (skipped) only when Chromium cannot start.
import { spawn, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

const [buildWeb, goldenFile] = process.argv.slice(2);
const option = (name) => (process.argv.includes(name) ? process.argv[process.argv.indexOf(name) + 1] : null);
const shots = option('--screenshots'), nativeRender = option('--native');
const here = path.dirname(new URL(import.meta.url).pathname);
const serveScript = path.resolve(here, '../../web/serve.py');
const timeoutMs = 240000;

let passed = 0, failed = 0;
function check(ok, what, detail = '') {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}${detail ? ': ' + detail : ''}`);
  ok ? ++passed : ++failed;
}

function serve(dir) {
  return new Promise((resolve, reject) => {
    const server = spawn('python3', [serveScript, dir, '0'], { stdio: ['ignore', 'pipe', 'inherit'] });
    server.stdout.once('data', (line) => {
      const url = /http:\/\/\S+\/softdemo\.html/.exec(String(line));
      url ? resolve({ server, url: url[0] }) : reject(new Error(`the server said: ${line}`));
    });
    server.once('exit', (code) => reject(new Error(`the server exited with ${code}`)));
  });
}

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
    const native = spawnSync(nativeRender, ['bench', '--data', path.resolve(buildWeb, 'data')], { encoding: 'utf8' });
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

// A copy of the pack with one picture cut in half: named on the page, no dialog.
async function damaged(browser, base) {
  const page = await browser.newPage();
  await page.goto(base);
  await page.waitForSelector('#problem:not([hidden]), #dialog:not([hidden])', { timeout: timeoutMs });
  const problems = await page.$eval('#problems', (e) => e.textContent);
  check(/data\/tun_blue\.png/.test(problems) && await page.$('#dialog[hidden]') !== null,
        'a damaged file is named on the page', problems);
  await page.close();
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
      fs.symlinkSync(path.resolve(buildWeb, f), path.join(dir, f));
    fs.cpSync(fs.realpathSync(path.resolve(buildWeb, 'data')), path.join(dir, 'data'),
              { recursive: true, dereference: true });
    const target = path.join(dir, 'data', file);
    if (fs.lstatSync(path.join(dir, 'data')).isSymbolicLink() || fs.lstatSync(target).isSymbolicLink())
      throw new Error(`${target} is no copy of its own`);
    damage(target);
    return dir;
  };
  const cut = site('damaged', 'tun_blue.png', (f) => fs.truncateSync(f, Math.floor(fs.statSync(f).size / 2)));
  const noise = site('silent', 'fried.mp3', (f) => fs.writeFileSync(f, Buffer.alloc(4096, 0x5a)));

  const servers = [];
  try {
    for (const dir of [path.resolve(buildWeb), cut, noise])
      servers.push(await serve(dir));
    await golden(browser, servers[0].url);
    await bench(browser, servers[0].url);
    await player(browser, servers[0].url);
    await escapeInPause(browser, servers[0].url);
    await damaged(browser, servers[1].url);
    await silent(browser, servers[2].url);
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
