// velkari-mml's studio page in Debian's chromium, headless: texts typed into
// channels 0 and 3 download as the WAV `velkari-mml render --cue 0 A --cue 3 B`
// writes, and the song the page saves renders to the same bytes with
// `render --song`; a faulty text's Lint list is `velkari-mml lint`'s lines and
// its findings are marked; a reload of the page's address shows the same
// texts; while the song plays, the sounding note is marked; Ctrl+Enter plays
// and Escape stops; the page is under 500 KB.
//   node studio.mjs URL BIN_DIR VELKARI_MML WORK_DIR [SCREENSHOT.png]
import {execFileSync, spawnSync} from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import {launchChromium, waiter} from './browser.mjs';

const [url, binDir, mml, work, screenshot] = process.argv.slice(2);
if (!work) {
  console.error('usage: node studio.mjs URL BIN_DIR VELKARI_MML WORK_DIR [SCREENSHOT.png]');
  process.exit(2);
}
const failures = [];
const fail = (m) => { failures.push(m); console.error('FAIL: ' + m); };
const note = (m) => console.log(m);

const A = 't120@2o4l8q7v14 cdefgab>c x';
const B = 't120@80l16q2v10 [crcc]4x';
const FAULTY = 'Cxv20 [c';
const SECONDS = '1.5';

let pageBytes = 0;
for (const f of ['velkari-mml.html', 'velkari-mml.js', 'velkari-mml.wasm', 'velkari-mml.css'])
  pageBytes += fs.statSync(path.join(binDir, f)).size;
if (pageBytes >= 500000) fail(`the studio page is ${pageBytes} bytes, not under 500 KB`);

const downloads = path.join(work, 'downloads');
fs.mkdirSync(downloads, {recursive: true});

// Waits until `name` has been downloaded whole and returns its bytes.
async function downloaded(name) {
  const file = path.join(downloads, name);
  for (let i = 0; i < 200; ++i) {
    if (fs.existsSync(file) && !fs.existsSync(file + '.crdownload')) {
      const bytes = fs.readFileSync(file);
      fs.rmSync(file);
      return bytes;
    }
    await new Promise((r) => setTimeout(r, 50));
  }
  fail(`no ${name} was downloaded`);
  return Buffer.alloc(0);
}

const waitFor = waiter(fail);

const {browser, close: closeBrowser} = await launchChromium(1200, 900,
    ['--autoplay-policy=no-user-gesture-required']);

try {
  const page = await browser.newPage();
  page.on('pageerror', (e) => fail('page error: ' + e.message));
  const cdp = await browser.target().createCDPSession();
  await cdp.send('Browser.setDownloadBehavior', {behavior: 'allow', downloadPath: downloads});
  await page.goto(url);
  await waitFor(page, () => document.body.dataset.ready === '1', 'the studio to start');

  // --- the WAV and the song file -------------------------------------------------
  await page.type('#channel0', A);
  await page.type('#channel3', B);
  await page.click('#seconds', {clickCount: 3});
  await page.type('#seconds', SECONDS);
  await page.click('#download');
  const wav = await downloaded('song.wav');
  const cueWav = path.join(work, 'cues.wav');
  execFileSync(mml, ['render', '--cue', '0', A, '--cue', '3', B, '--seconds', SECONDS, '-o', cueWav]);
  const want = fs.readFileSync(cueWav);
  if (!wav.equals(want))
    fail(`the page's WAV (${wav.length} bytes) is not velkari-mml render's (${want.length} bytes)`);
  else note(`Download WAV: ${wav.length} bytes, the same as velkari-mml render --cue 0 --cue 3`);

  await page.click('#save');
  const song = await downloaded('song.mml');
  const songFile = path.join(work, 'song.mml');
  fs.writeFileSync(songFile, song);
  const songWav = path.join(work, 'song.wav');
  execFileSync(mml, ['render', '--song', songFile, '--seconds', SECONDS, '-o', songWav]);
  if (!fs.readFileSync(songWav).equals(want))
    fail('velkari-mml render --song of the saved song differs from render --cue');
  else note('Save: render --song of song.mml writes the same bytes');

  // --- lint --------------------------------------------------------------------------
  await page.type('#channel5', FAULTY);
  const lintRun = spawnSync(mml, ['lint', FAULTY], {encoding: 'utf8'});
  const wantLint = lintRun.stdout.split('\n').filter((l) => l);
  if (lintRun.status !== 1 || wantLint.length < 3) fail(`velkari-mml lint gave ${lintRun.status}`);
  const gotLint = await page.$$eval('ul[aria-label="Lint 5"] li', (li) => li.map((x) => x.textContent));
  if (JSON.stringify(gotLint) !== JSON.stringify(wantLint))
    fail(`Lint 5 lists ${JSON.stringify(gotLint)}, velkari-mml lint ${JSON.stringify(wantLint)}`);
  else note(`Lint 5: ${gotLint.length} lines, as velkari-mml lint prints them`);
  // A text on two lines: LINE:COLUMN, as lint numbers a text that spans lines.
  const TWO_LINES = 'cd\nC v20';
  await page.type('#channel6', TWO_LINES);
  const twoRun = spawnSync(mml, ['lint', TWO_LINES], {encoding: 'utf8'});
  const gotTwo = await page.$$eval('ul[aria-label="Lint 6"] li', (li) => li.map((x) => x.textContent));
  if (JSON.stringify(gotTwo) !== JSON.stringify(twoRun.stdout.split('\n').filter((l) => l)))
    fail(`Lint 6 lists ${JSON.stringify(gotTwo)}, velkari-mml lint ${JSON.stringify(twoRun.stdout)}`);
  const marked = await page.$$eval('#lint5', () =>
    Array.from(document.querySelectorAll('.channel')[5].querySelectorAll('mark.lint'))
      .map((m) => m.textContent));
  if (JSON.stringify(marked) !== JSON.stringify(['C', 'v', ' ', '[']))
    fail(`channel 5 marks ${JSON.stringify(marked)}, not C, v, the blank and [`);

  // --- the address -----------------------------------------------------------------------
  await new Promise((r) => setTimeout(r, 400));  // the page keeps the song after 200 ms
  await page.reload();
  await waitFor(page, () => document.body.dataset.ready === '1', 'the reloaded studio to start');
  const texts = await page.$$eval('textarea', (t) => t.map((x) => x.value));
  const wantTexts = [A, '', '', B, '', FAULTY, TWO_LINES, ''];
  if (JSON.stringify(texts) !== JSON.stringify(wantTexts))
    fail(`after a reload the channels hold ${JSON.stringify(texts)}`);
  else note('reload: the address brings back the same texts');

  // --- the sounding note --------------------------------------------------------------
  const nowMark = () => {
    const m = document.querySelectorAll('.channel')[0].querySelector('mark.now');
    return m ? m.textContent : null;
  };
  await page.click('#play');
  if (await waitFor(page, nowMark, 'a note marked while the song plays')) {
    const seen = new Set();
    for (let i = 0; i < 40; ++i) {
      const m = await page.evaluate(nowMark);
      if (m) seen.add(m);
      await new Promise((r) => setTimeout(r, 25));
    }
    const notes = [...seen];
    if (!notes.every((n) => /^[cdefgab]$/.test(n)) || notes.length < 2)
      fail(`the marks while playing were ${JSON.stringify(notes)}, not notes of channel 0 moving on`);
    else note(`Play: the marked note moved through ${notes.join(' ')}`);
  }
  if (screenshot) await page.screenshot({path: screenshot});
  await page.keyboard.press('Escape');
  await waitFor(page, () => !document.querySelector('mark.now'), 'Escape to stop the song');
  await page.focus('#channel3');
  await page.keyboard.down('Control');
  await page.keyboard.press('Enter');
  await page.keyboard.up('Control');
  await waitFor(page, nowMark, 'Ctrl+Enter to play');
  if ((await page.$eval('#channel3', (t) => t.value)) !== B) fail('Ctrl+Enter changed the text');
  await page.keyboard.press('Escape');
} finally {
  await closeBrowser();
}

if (failures.length) {
  console.error(`${failures.length} studio check(s) failed`);
  process.exit(1);
}
note('the studio page passed its checks');
