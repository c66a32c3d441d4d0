// The web page in Debian's chromium, headless: the title is pixel for pixel
// velkari-replay's; Z starts a game whose stage 1 frame is the replay's for
// the same frames and keys; the first buffers of the background tune that
// reached Web Audio are the replay's, sample for sample, and reached it
// unchanged; the page with all it loads is under 600 KB. A second load without
// Web Audio and with a picture missing goes on (a gamepad starts it), and
// says what is missing in the console; Alt+/ shows the About box drawn as
// velkari-replay draws it. With ?replay= the page plays a recording to the
// picture velkari-replay draws for it, and says so on the page when the
// recording is broken. On a phone (touch, 390x844 and 844x390) the
// canvas fits with the touch controls beside or below it; a tap on Z starts
// the game as velkari-replay plays it, holding Right walks, a thumb slides
// across the pad and a second one presses X; the manifest holds what an
// install needs, and with the network gone a reload still shows the title.
// The page keeps the game (in a desktop's tab and on a phone): a reload
// resumes it paused, as velkari-replay plays it with the pause at the
// reload's frame, the tune going on; a hidden tab pauses it; a crashed tab
// resumes from its last 2 seconds; a damaged game is refused with a line;
// ?fresh and New game start at the boot frame; ?replay= leaves it alone.
//   node check.mjs URL BIN_DIR REPLAY WORK_DIR   (VELKARI_WEB_SHOTS=DIR keeps
//                                                 the phone's screenshots)
import {execFileSync} from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import {launchChromium, waiter} from './browser.mjs';

const [url, binDir, replay, work] = process.argv.slice(2);
if (!work) {
  console.error('usage: node check.mjs URL BIN_DIR REPLAY WORK_DIR');
  process.exit(2);
}

const W = 640, H = 480;
const BUFFER_SAMPLES = 3000;   // one wave buffer: 1500 stereo frames
const FRAME_SECONDS = 0.016;   // one game frame
const TUNE_BUFFERS = 24;       // how much of the tune is compared
const Z_BIT = 1 << 8;          // the page's key bit of KeyZ
const failures = [];
const fail = (m) => { failures.push(m); console.error('FAIL: ' + m); };
const note = (m) => console.log(m);

// --- the page's size --------------------------------------------------------
// Everything the page loads: its code, pictures, manifest, icons and the
// service worker.
const pageFiles = ['velkari.html', 'velkari.js', 'velkari.wasm',
                   'img/tobernix.bmp', 'img/velkimg.bmp', 'img/girl.bmp',
                   'velkari.webmanifest', 'icons/velkari-192.png', 'icons/velkari-512.png', 'sw.js'];
let pageBytes = 0;
for (const f of pageFiles) pageBytes += fs.statSync(path.join(binDir, f)).size;
if (pageBytes >= 600 * 1024) fail(`the page with all it loads is ${pageBytes} bytes, not under 600 KB`);

// --- pictures ----------------------------------------------------------------
// A bottom-up 24-bit BMP as velkari-replay writes it: R, G, B per pixel.
function readBmp(file) {
  const b = fs.readFileSync(file);
  const w = b.readInt32LE(18), h = b.readInt32LE(22), off = b.readUInt32LE(10);
  const row = (w * 3 + 3) & ~3;
  const rgb = Buffer.alloc(w * h * 3);
  for (let y = 0; y < h; ++y)
    for (let x = 0; x < w; ++x) {
      const s = off + (h - 1 - y) * row + x * 3, d = (y * w + x) * 3;
      rgb[d] = b[s + 2]; rgb[d + 1] = b[s + 1]; rgb[d + 2] = b[s];
    }
  return {w, h, rgb};
}

// Pixels that differ between the canvas (RGBA) and a BMP, outside `skip`
// ([x0, y0, x1, y1], inclusive; or only inside it, with `inside`), and where
// the first one is; also whether every canvas pixel is opaque.
function compare(rgba, bmp, skip, inside = false) {
  let n = 0, first = null, opaque = true;
  for (let y = 0; y < H; ++y)
    for (let x = 0; x < W; ++x) {
      const c = (y * W + x) * 4, r = (y * W + x) * 3;
      if (rgba[c + 3] !== 255) opaque = false;
      if (skip && (x >= skip[0] && x <= skip[2] && y >= skip[1] && y <= skip[3]) !== inside) continue;
      if (rgba[c] !== bmp.rgb[r] || rgba[c + 1] !== bmp.rgb[r + 1] || rgba[c + 2] !== bmp.rgb[r + 2]) {
        if (!first) first = `(${x},${y}) page ${rgba[c]},${rgba[c + 1]},${rgba[c + 2]} replay ` +
                            `${bmp.rgb[r]},${bmp.rgb[r + 1]},${bmp.rgb[r + 2]}`;
        ++n;
      }
    }
  return {n, first, opaque};
}

// velkari-replay over a script of [count, keys] lines; runReplayOut gives
// what it prints.
function runReplayOut(name, lines, args) {
  const script = path.join(work, name + '.script');
  fs.writeFileSync(script, lines.map(([n, k]) => `${n} ${k}`).join('\n') + '\n');
  return execFileSync(replay, ['--script', script, ...args], {stdio: ['ignore', 'pipe', 'inherit']}).toString();
}
const runReplay = (name, lines, args) => { runReplayOut(name, lines, args); };

// The replay's script for the keys the page's frames read: the key log holds
// [frame, bits] whenever a read saw a change, so frames from one entry to
// the next held those keys (frames that read nothing ignore them anyway).
// Bits are the page's key positions; any key outside `allowed` is an error.
const KEY_BITS = [[0, 'LEFT'], [1, 'RIGHT'], [2, 'UP'], [3, 'DOWN'], [8, 'Z'], [9, 'X'], [13, 'ESC']];
const bitOf = (name) => 1 << KEY_BITS.find(([, n]) => n === name)[0];
function scriptOfKeyLog(log, lastFrame, allowed = Z_BIT) {
  const lines = [];
  let frame = 1, keys = '-';
  for (const [at, bits] of log) {
    if (at > lastFrame) break;
    if (at > frame) lines.push([at - frame, keys]);
    frame = Math.max(frame, at);
    if (bits & ~allowed) throw new Error(`a key other than those expected was read at frame ${at}`);
    keys = KEY_BITS.filter(([b]) => bits & (1 << b)).map(([, n]) => n).join('+') || '-';
  }
  if (lastFrame >= frame) lines.push([lastFrame - frame + 1, keys]);
  return lines;
}

const silent = (a) => a.every((v) => v === 0);
const int16Of = (b64) => {
  const b = Buffer.from(b64, 'base64');
  return new Int16Array(b.buffer, b.byteOffset, b.length / 2);
};

// Headless chromium lets any page play sound at once; a browser for people
// holds it until a gesture. Hold it as they do: every context starts
// suspended, and only the page's own resume can start it.
function holdSoundUntilGesture(page) {
  return page.evaluateOnNewDocument(() => {
    const Real = window.AudioContext;
    window.AudioContext = class extends Real {
      constructor(options) {
        super(options);
        this.suspend();
      }
    };
  });
}

const waitFor = waiter(fail);

const {browser, close: closeBrowser} = await launchChromium(W, H);

try {
  // --- 1. title, stage 1 and the tune ------------------------------------------
  {
    const page = await browser.newPage();
    const messages = [];
    page.on('console', (m) => messages.push(m.text()));
    page.on('pageerror', (e) => fail('page error: ' + e.message));
    await holdSoundUntilGesture(page);
    const t0 = Date.now();
    await page.goto(url + '?test', {waitUntil: 'load'});
    if (await waitFor(page, () => window.velkariTest && velkariTest.lastFrame >= 2, 'the title')) {
      const loadToTitle = await page.evaluate(
          () => velkariTest.presents.find((p) => p[0] >= 2)[1]);
      note(`title ${loadToTitle.toFixed(0)} ms after the page began (${Date.now() - t0} ms wall)`);
      const before = await page.evaluate(() => ({
        line: document.getElementById('sound').hidden ? '' : document.getElementById('sound').textContent,
        state: Module.velkariAudio.state(),
      }));
      if (!before.line) fail('no line asks for a key press or click to turn the sound on');
      if (before.state !== 'suspended') fail(`before any key the audio context is ${before.state}`);
      const shot = await page.evaluate(() => velkariTest.snapshot());
      if (shot.frame !== 2) fail(`the title was taken at frame ${shot.frame}, not 2`);
      if (shot.rect.join() !== `0,0,${W},${H}`)
        fail(`in a ${W}x${H} tab the canvas is at ${shot.rect.join(',')}, not 0,0,${W},${H}`);
      runReplay('title', [[2, '-']], ['--frame', `2:${work}/title.bmp`]);
      const c = compare(Buffer.from(shot.rgba, 'base64'), readBmp(`${work}/title.bmp`));
      if (c.n) fail(`the title differs from velkari-replay's in ${c.n} pixels, first ${c.first}`);
      if (!c.opaque) fail('the canvas has pixels that are not opaque');
    }

    // Z held until a frame has read it, then released.
    await page.keyboard.down('KeyZ');
    await waitFor(page, (bit) => velkariTest.keys.some((k) => k[1] & bit), 'a frame that reads Z', 5000, Z_BIT);
    await page.keyboard.up('KeyZ');
    const zAt = await page.evaluate((bit) => velkariTest.keys.find((k) => k[1] & bit)[0], Z_BIT);
    // A play frame of stage 1 a little later.
    await waitFor(page, (f) => velkariTest.lastFrame >= f, 'a play frame', 5000, zAt + 30);
    const shot = await page.evaluate(() => velkariTest.snapshot());
    const keyLog = await page.evaluate(() => velkariTest.keys);
    const lines = scriptOfKeyLog(keyLog, shot.frame);
    runReplay('play', lines, ['--frame', `${shot.frame}:${work}/play.bmp`]);
    const playBmp = readBmp(`${work}/play.bmp`);
    const rgba = Buffer.from(shot.rgba, 'base64');
    const board = compare(rgba, playBmp, [32, 32, 63, 63]);
    if (board.n)
      fail(`the stage 1 frame ${shot.frame} differs from velkari-replay's in ${board.n} pixels ` +
           `besides the player, first ${board.first}`);
    const whole = compare(rgba, playBmp);
    note(`stage 1 frame ${shot.frame} (Z read at frame ${zAt}): ${board.n} pixels differ besides ` +
         `the player, ${whole.n} in all`);

    // The tune: the first buffers played after it began.
    const enough = (k) => {
      const b = velkariTest.buffers;
      const first = b.findIndex((x) => x.some((v) => v !== 0));
      return first >= 0 && b.length >= first + k;
    };
    if (await waitFor(page, enough, 'the background tune in the played buffers', 10000, TUNE_BUFFERS)) {
      const state = await page.evaluate(() => Module.velkariAudio.state());
      if (state !== 'running') fail(`the audio context is ${state} after the key press`);
      const soundLine = await page.evaluate(() => !document.getElementById('sound').hidden);
      if (soundLine) fail('the line about the sound is still shown once the sound plays');
      const got = await page.evaluate(() => ({
        buffers: velkariTest.buffers.map((b) => velkariTest.int16(b)),
        speaker: velkariTest.int16(velkariTest.speaker.subarray(0, velkariTest.speakerLength)),
      }));
      const buffers = got.buffers.map(int16Of);
      const speaker = int16Of(got.speaker);
      // What reached Web Audio is the buffers, in order, unchanged.
      const played = new Int16Array(buffers.length * BUFFER_SAMPLES);
      buffers.forEach((b, i) => played.set(b, i * BUFFER_SAMPLES));
      const n = Math.min(played.length, speaker.length);
      let off = -1;
      for (let i = 0; i < n; ++i) if (played[i] !== speaker[i]) { off = i; break; }
      if (n < BUFFER_SAMPLES * 4) fail(`only ${n} samples reached Web Audio`);
      if (off >= 0) fail(`the samples handed to Web Audio differ from the buffers at sample ${off}`);
      // The replay's sound for the same keys, long enough to hold the tune.
      const tuneFrame = zAt + 1;
      const frames = tuneFrame + Math.ceil((TUNE_BUFFERS + 4) * 34 / 16) + 4;
      runReplay('audio', scriptOfKeyLog(keyLog, frames), ['--audio', `${work}/replay.wav`]);
      const wav = fs.readFileSync(`${work}/replay.wav`);
      const ref = new Int16Array(wav.buffer.slice(wav.byteOffset + 44, wav.byteOffset + wav.length));
      const refBuffers = [];
      for (let i = 0; (i + 1) * BUFFER_SAMPLES <= ref.length; ++i)
        refBuffers.push(ref.subarray(i * BUFFER_SAMPLES, (i + 1) * BUFFER_SAMPLES));
      const pageFirst = buffers.findIndex((b) => !silent(b));
      const refFirst = refBuffers.findIndex((b) => !silent(b));
      if (refFirst < 0 || refBuffers.length < refFirst + TUNE_BUFFERS) {
        fail(`velkari-replay rendered ${refBuffers.length} buffers, the tune from ${refFirst}`);
      } else {
        let differing = 0, firstAt = null;
        for (let k = 0; k < TUNE_BUFFERS; ++k) {
          const a = buffers[pageFirst + k], b = refBuffers[refFirst + k];
          for (let i = 0; i < BUFFER_SAMPLES; ++i)
            if (a[i] !== b[i]) {
              ++differing;
              if (firstAt === null) firstAt = `buffer ${k} sample ${i}: page ${a[i]} replay ${b[i]}`;
            }
        }
        if (differing) fail(`the tune's first ${TUNE_BUFFERS} buffers differ from velkari-replay's in ` +
                            `${differing} samples, first at ${firstAt}`);
        note(`tune: ${TUNE_BUFFERS} buffers from the page's buffer ${pageFirst} and the replay's ` +
             `${refFirst + 1}: ${differing} samples differ; ${n} samples reached Web Audio unchanged`);
      }
    }
    const odd = messages.filter((m) => /velkari:/.test(m));
    if (odd.length) fail('the console complains on a complete page: ' + odd.join(' | '));
    await page.close();
  }

  // --- 2. no Web Audio, a picture missing, a gamepad, the About box --------------
  {
    const page = await browser.newPage();
    const messages = [];
    page.on('console', (m) => messages.push(m.text()));
    page.on('pageerror', (e) => fail('page error (no audio, no picture): ' + e.message));
    // The first page left a service worker behind: past it, or the missing
    // picture would come from its cache.
    await page.setBypassServiceWorker(true);
    await page.setRequestInterception(true);
    page.on('request', (r) => (/img\/girl\.bmp$/.test(r.url())
        ? r.respond({status: 404, body: 'not here'}) : r.continue()));
    await page.evaluateOnNewDocument(() => {
      delete window.AudioContext;
      delete window.webkitAudioContext;
      // A browser whose storage refuses the page: the game starts, keeping nothing.
      Object.defineProperty(window, 'indexedDB', {get: () => ({open: () => { throw new Error('no storage'); }})});
      // A pad of the standard layout whose south button the check presses.
      const buttons = Array.from({length: 17}, () => ({pressed: false, touched: false, value: 0}));
      const pad = {id: 'check pad', index: 0, connected: true, mapping: 'standard',
                   timestamp: 0, axes: [0, 0, 0, 0], buttons};
      window.velkariPadSouth = (down) => {
        buttons[0] = {pressed: down, touched: down, value: down ? 1 : 0};
        pad.timestamp += 1;
      };
      navigator.getGamepads = () => [pad, null, null, null];
      window.velkariKeysSeen = [];
      window.addEventListener('keydown', (e) => velkariKeysSeen.push([e.code, e.defaultPrevented]));
    });
    // (The first page's game is kept: ?fresh starts this one at the title.)
    await page.goto(url + '?test&fresh', {waitUntil: 'load'});
    if (await waitFor(page, () => window.velkariTest && velkariTest.lastFrame >= 2, 'the title without audio')) {
      for (const want of [/img\/girl\.bmp is missing/, /no Web Audio/, /cannot be kept in this browser \(no storage\)/])
        if (!messages.some((m) => want.test(m)))
          fail(`the console does not say ${want} (it said: ${messages.join(' | ')})`);
      // The pad's south button starts the game, as Z does.
      const before = await page.evaluate(() => velkariTest.lastFrame);
      await page.evaluate(() => velkariPadSouth(true));
      await waitFor(page, (f) => velkariTest.lastFrame > f + 5, 'the game started by the pad', 5000, before);
      await page.evaluate(() => velkariPadSouth(false));
      // Alt+/ in play: the About box, drawn into the frame as velkari-replay
      // draws it (the box covers 464 x 174 pixels at (88, 153), whatever is
      // behind it). It is modal: the game waits while it is up, and catches
      // up once Escape closes it.
      runReplay('about', [[2, '-'], [1, 'ABOUT']], ['--frame', `3:${path.join(work, 'about.bmp')}`]);
      await page.keyboard.down('Alt');
      await page.keyboard.press('Slash');
      await page.keyboard.up('Alt');
      const box = await page.evaluate(() => velkariTest.snapshot());
      const boxDiff = compare(Buffer.from(box.rgba, 'base64'), readBmp(path.join(work, 'about.bmp')),
                              [88, 153, 88 + 463, 153 + 173], true);
      if (boxDiff.n) fail(`Alt+/ does not show the About box as velkari-replay draws it: ` +
                          `${boxDiff.n} pixels differ, first ${boxDiff.first}`);
      await new Promise((r) => setTimeout(r, 400));
      const waited = await page.evaluate(() => velkariTest.lastFrame);
      if (waited !== box.frame) fail(`the game ran on behind the About box (frame ${box.frame} to ${waited})`);
      await page.keyboard.press('Escape');
      // The 400 ms behind the box come due at once: the first picture after
      // it is some 25 frames on, not the next one.
      if (await waitFor(page, (f) => velkariTest.lastFrame !== f, 'a frame after the About box', 2000, box.frame)) {
        const after = await page.evaluate(() => velkariTest.lastFrame);
        if (after < box.frame + 20)
          fail(`after the About box the game went on from frame ${box.frame} to ${after}, not caught up`);
      }
      // The game's keys do not scroll the page; other keys stay the browser's.
      await page.evaluate(() => { velkariKeysSeen.length = 0; });
      for (const k of ['ArrowDown', 'Space', 'KeyQ']) await page.keyboard.press(k);
      const seen = JSON.stringify(await page.evaluate(() => velkariKeysSeen));
      if (seen !== '[["ArrowDown",true],["Space",true],["KeyQ",false]]')
        fail(`keydown's default actions are wrong: ${seen}`);
      const title = await page.evaluate(() => document.title);
      if (title !== 'velkari\u30b2\u30fc\u30e0') fail(`the page's title is ${title}`);
    }
    await page.close();
  }

  // --- 3. a phone: fitted canvas, touch controls, manifest, offline -------------
  {
    // A server of its own, to be switched off for the offline reload (the
    // browser's offline mode does not reach a service worker's fetches), and
    // one that lets nothing into the HTTP cache: offline, only the service
    // worker's copy is left.
    const types = {'.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
                   '.bmp': 'image/bmp', '.png': 'image/png', '.webmanifest': 'application/manifest+json'};
    const root = path.resolve(binDir);
    const server = http.createServer((req, res) => {
      const file = path.join(root, path.normalize(decodeURIComponent(new URL(req.url, 'http://x').pathname)));
      fs.readFile(file, (err, data) => {
        if (err || !file.startsWith(root + path.sep)) { res.writeHead(404); res.end(); return; }
        res.writeHead(200, {'Content-Type': types[path.extname(file)] || 'application/octet-stream',
                            'Cache-Control': 'no-store'});
        res.end(data);
      });
    });
    await new Promise((r) => server.listen(0, '127.0.0.1', r));
    server.unref();  // never what keeps the check running
    const phoneUrl = `http://127.0.0.1:${server.address().port}/velkari.html`;
    // A context of its own: a fresh service worker, installed by this page.
    const context = await browser.createBrowserContext();
    const page = await context.newPage();
    page.on('pageerror', (e) => fail('page error (phone): ' + e.message));
    const portrait = {width: 390, height: 844, deviceScaleFactor: 2, isMobile: true, hasTouch: true};
    const landscape = {...portrait, width: 844, height: 390, isLandscape: true};
    // Sound held until a gesture, as in the first page: on a phone the tap is it.
    await holdSoundUntilGesture(page);
    // What an earlier build left behind: the new service worker drops it.
    await page.evaluateOnNewDocument(() => {
      if (window.isSecureContext) caches.open('velkari-0123456789abcdef').then(() => { window.velkariOldCache = true; });
    });
    await page.setViewport(portrait);
    await page.goto(phoneUrl + '?test', {waitUntil: 'load'});
    const names = ['Up', 'Down', 'Left', 'Right', 'Z', 'X', 'Esc'];
    const layout = () => page.evaluate((names) => {
      const box = (el) => {
        const r = el.getBoundingClientRect();
        return {x: r.left, y: r.top, w: r.width, h: r.height, cx: r.left + r.width / 2, cy: r.top + r.height / 2};
      };
      const buttons = {};
      for (const n of names) {
        const b = document.querySelector(`button[aria-label="${n}"]`);
        buttons[n] = b && b.checkVisibility() ? box(b) : null;
      }
      const s = document.scrollingElement;
      const fresh = document.getElementById('newgame');
      return {vw: innerWidth, vh: innerHeight, scrollW: s.scrollWidth, scrollH: s.scrollHeight,
              canvas: box(document.getElementById('canvas')), pad: box(document.getElementById('pad')),
              keys: box(document.getElementById('keys')), buttons,
              fresh: fresh.checkVisibility() ? box(fresh) : null};
    }, names);
    const inside = (b, l) => b.x >= 0 && b.y >= 0 && b.x + b.w <= l.vw + 0.01 && b.y + b.h <= l.vh + 0.01;
    const apart = (a, b) => a.x + a.w <= b.x || b.x + b.w <= a.x || a.y + a.h <= b.y || b.y + b.h <= a.y;
    let l = null;
    if (await waitFor(page, () => window.velkariTest && velkariTest.lastFrame >= 2, 'the title on a phone')) {
      for (const [name, view] of [['landscape', landscape], ['portrait', portrait]]) {
        await page.setViewport(view);
        await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => r())));
        l = await layout();
        const c = l.canvas;
        const where = `in ${name} ${l.vw}x${l.vh}`;
        if (!inside(c, l)) fail(`${where} the canvas (${c.x},${c.y} ${c.w}x${c.h}) is not inside the view`);
        if (Math.abs(c.w * 3 - c.h * 4) > 1) fail(`${where} the canvas is ${c.w}x${c.h}, not 4:3`);
        if (l.scrollW > l.vw || l.scrollH > l.vh) fail(`${where} the page scrolls (${l.scrollW}x${l.scrollH})`);
        for (const n of names) {
          const b = l.buttons[n];
          if (!b) { fail(`${where} there is no visible button "${n}"`); continue; }
          if (b.w < 44 || b.h < 44) fail(`${where} "${n}" is ${b.w}x${b.h}, under 44 px`);
          if (!inside(b, l) || !apart(b, c)) fail(`${where} "${n}" is off the view or over the game`);
        }
        // "New game" beside the keys, clear of the game and the controls.
        const f = l.fresh;
        if (!f) fail(`${where} there is no visible "New game"`);
        else if (f.h < 44 || !inside(f, l) || !apart(f, c) || !apart(f, l.pad) || !apart(f, l.keys))
          fail(`${where} "New game" (${f.x},${f.y} ${f.w}x${f.h}) is under 44 px, off the view or over the game or the controls`);
        // Thumbs' places: below the game standing, beside it lying down.
        if (name === 'portrait' && (l.pad.y < c.y + c.h || l.keys.y < c.y + c.h))
          fail(`${where} the controls are not below the game`);
        if (name === 'landscape' && (l.pad.x + l.pad.w > c.x || l.keys.x < c.x + c.w))
          fail(`${where} the controls are not beside the game`);
        // The game takes what room the controls leave it.
        if (name === 'portrait' && c.w !== l.vw) fail(`${where} the canvas is ${c.w} wide, not the view's width`);
        if (name === 'landscape' && c.w < l.vw / 2) fail(`${where} the canvas is only ${c.w} wide`);
        note(`phone ${name}: canvas at ${c.x},${c.y} ${c.w}x${c.h}`);
        if (process.env.VELKARI_WEB_SHOTS)
          await page.screenshot({path: path.join(process.env.VELKARI_WEB_SHOTS, `phone-${name}.png`)});
      }
      const at = (n) => [l.buttons[n].cx, l.buttons[n].cy];
      const bitsRead = (want) => page.waitForFunction(
          (want) => velkariTest.keys.length && velkariTest.keys[velkariTest.keys.length - 1][1] === want,
          {timeout: 5000, polling: 10}, want).then(() => true, () => false);
      // A tap on Z: the game starts as velkari-replay starts it.
      const tap = await page.touchscreen.touchStart(...at('Z'));
      if (!await bitsRead(Z_BIT)) fail('a finger on "Z" is not read as the Z key');
      await tap.end();
      if (!await bitsRead(0)) fail('lifting the finger from "Z" does not release the Z key');
      if (!await page.waitForFunction(() => Module.velkariAudio.state() === 'running', {timeout: 3000})
          .then(() => true, () => false))
        fail(`after a tap the audio context is ${await page.evaluate(() => Module.velkariAudio.state())}`);
      const zAt = await page.evaluate((bit) => velkariTest.keys.find((k) => k[1] & bit)[0], Z_BIT);
      await waitFor(page, (f) => velkariTest.lastFrame >= f, 'a play frame on the phone', 5000, zAt + 30);
      let shot = await page.evaluate(() => velkariTest.snapshot());
      runReplay('phone-play', scriptOfKeyLog(await page.evaluate(() => velkariTest.keys), shot.frame),
                ['--frame', `${shot.frame}:${work}/phone-play.bmp`]);
      let diff = compare(Buffer.from(shot.rgba, 'base64'), readBmp(`${work}/phone-play.bmp`));
      if (diff.n) fail(`after a tap on "Z" frame ${shot.frame} differs from velkari-replay's in ` +
                       `${diff.n} pixels, first ${diff.first}`);
      // Holding Right walks the player, as the same keys walk it in the replay.
      const right = bitOf('RIGHT');
      const hold = await page.touchscreen.touchStart(...at('Right'));
      if (!await bitsRead(right)) fail('a finger on "Right" is not read as the Right key');
      const from = await page.evaluate(() => velkariTest.lastFrame);
      await waitFor(page, (f) => velkariTest.lastFrame >= f, 'frames with Right held', 5000, from + 40);
      // Sliding onto Down turns the direction; a second finger presses X.
      await hold.move(...at('Down'));
      if (!await bitsRead(bitOf('DOWN'))) fail('sliding from "Right" to "Down" does not turn to Down');
      const x = await page.touchscreen.touchStart(...at('X'));
      if (!await bitsRead(bitOf('DOWN') | bitOf('X'))) fail('"X" pressed with "Down" held is not read with it');
      await x.end();
      await hold.end();
      if (!await bitsRead(0)) fail('lifting both fingers does not release every key');
      shot = await page.evaluate(() => velkariTest.snapshot());
      const allowed = Z_BIT | right | bitOf('DOWN') | bitOf('X');
      const keyLog = await page.evaluate(() => velkariTest.keys);
      const walked = keyLog.some(([, b]) => b === right) && keyLog.some(([, b]) => b === (bitOf('DOWN') | bitOf('X')));
      runReplay('phone-walk', scriptOfKeyLog(keyLog, shot.frame, allowed),
                ['--frame', `${shot.frame}:${work}/phone-walk.bmp`]);
      const walkBmp = readBmp(`${work}/phone-walk.bmp`);
      diff = compare(Buffer.from(shot.rgba, 'base64'), walkBmp);
      if (process.env.VELKARI_WEB_SHOTS)
        await page.screenshot({path: path.join(process.env.VELKARI_WEB_SHOTS, 'phone-play.png')});
      if (diff.n || !walked) fail(`after Right held, Down and X frame ${shot.frame} differs from ` +
                                  `velkari-replay's in ${diff.n} pixels, first ${diff.first}`);
      // ...and the player did move: the frame is not the one without Right.
      runReplay('phone-still', scriptOfKeyLog(keyLog.map(([f, b]) => [f, b & Z_BIT]), shot.frame),
                ['--frame', `${shot.frame}:${work}/phone-still.bmp`]);
      if (!compare(Buffer.from(shot.rgba, 'base64'), readBmp(`${work}/phone-still.bmp`)).n)
        fail('holding "Right" left the game as it is without it');
    }

    // The manifest: what an install needs.
    const manifestUrl = await page.evaluate(() => document.querySelector('link[rel=manifest]')?.href);
    let manifest = null;
    try {
      manifest = JSON.parse(fs.readFileSync(path.join(binDir, new URL(manifestUrl).pathname.split('/').pop())));
    } catch (e) {
      fail(`the page's manifest (${manifestUrl}) does not parse: ${e.message}`);
    }
    if (manifest) {
      const bad = [];
      if (!manifest.name || !manifest.short_name) bad.push('a name');
      if (!['standalone', 'fullscreen'].includes(manifest.display)) bad.push(`display ${manifest.display}`);
      if (!/^landscape/.test(manifest.orientation || '')) bad.push(`orientation ${manifest.orientation}`);
      if (!fs.existsSync(path.join(binDir, manifest.start_url || ''))) bad.push(`start_url ${manifest.start_url}`);
      for (const size of [192, 512]) {
        const icon = (manifest.icons || []).find((i) => i.sizes === `${size}x${size}` && i.type === 'image/png');
        const file = icon && path.join(binDir, icon.src);
        const png = file && fs.existsSync(file) ? fs.readFileSync(file) : null;
        if (!png || png.readUInt32BE(16) !== size || png.readUInt32BE(20) !== size) bad.push(`a ${size} px PNG icon`);
      }
      if (bad.length) fail(`the manifest lacks ${bad.join(', ')}`);
    }
    // ...and chromium reads it without a complaint and would install the page.
    const cdp = await page.createCDPSession();
    const read = await cdp.send('Page.getAppManifest');
    if (read.errors.length) fail(`chromium finds errors in the manifest: ${JSON.stringify(read.errors)}`);
    // (This check's own context is an incognito one: that is no fault of the page.)
    const notInstallable = (await cdp.send('Page.getInstallabilityErrors')).installabilityErrors
        .map((e) => e.errorId).filter((id) => id !== 'in-incognito');
    if (notInstallable.length) fail(`chromium would not install the page: ${notInstallable.join(', ')}`);
    await cdp.detach();

    // Offline: the service worker holds the page once it has loaded; with the
    // network off a reload still shows the title.
    const ready = await page.evaluate(() => Promise.race([
      navigator.serviceWorker.ready.then((r) => !!r.active),
      new Promise((r) => setTimeout(() => r(false), 10000))]));
    if (!ready) fail('no service worker became active');
    const kept = await page.evaluate(async () => {
      const names = await caches.keys();
      const cache = names.length === 1 ? await caches.open(names[0]) : null;
      return {names, files: cache ? (await cache.keys()).map((r) => new URL(r.url).pathname.slice(1)) : []};
    });
    const want = pageFiles.filter((f) => f !== 'sw.js');
    if (!await page.evaluate(() => window.velkariOldCache)) fail('no cache of an earlier build was made');
    if (kept.names.length !== 1 || kept.names[0] === 'velkari-0123456789abcdef')
      fail(`the caches after the service worker took over are ${kept.names.join(', ')}, not this build's alone`);
    else if (kept.files.sort().join() !== [...want].sort().join())
      fail(`the service worker keeps ${kept.files.join(', ')}, not ${want.join(', ')}`);
    note(`phone: the service worker keeps ${kept.files.length} files in ${kept.names.join(', ')}`);
    await page.setOfflineMode(true);
    server.closeAllConnections();
    await new Promise((r) => server.close(r));
    // (?fresh: the game played above is kept, and would resume.)
    await page.goto(phoneUrl + '?test&fresh', {waitUntil: 'load'})
        .catch((e) => fail(`an offline reload failed: ${e.message}`));
    if (await waitFor(page, () => window.velkariTest && velkariTest.lastFrame >= 2, 'the title offline')) {
      if (!await page.evaluate(() => !!navigator.serviceWorker.controller))
        fail('offline, the page is not served by its service worker');
      const shot = await page.evaluate(() => velkariTest.snapshot());
      const c = compare(Buffer.from(shot.rgba, 'base64'), readBmp(`${work}/title.bmp`));
      if (c.n) fail(`offline, the title differs from velkari-replay's in ${c.n} pixels, first ${c.first}`);
      else note('phone: the title shows offline from the service worker\'s copy');
    }
    await page.close();
    await context.close();
  }

  // --- 4. ?replay=: a recording played, a broken one refused ----------------------
  {
    // Esc at frame 45: frame 46 draws the pause, the last picture of the run.
    const run = [[1, '-'], [1, 'Z'], [2, '-'], [40, 'RIGHT'], [1, 'ESC'], [5, '-']];
    runReplay('recording', run, ['--frame', `50:${work}/recording.bmp`]);
    const body = '# velkari 1.0\n' + run.map(([n, k]) => `${n} ${k}`).join('\n') + '\n';
    for (const [name, text] of [['run.keys', body], ['broken.keys', '1 -\n2 Z+UP X\n']]) {
      const page = await browser.newPage();
      await page.setBypassServiceWorker(true);
      page.on('pageerror', (e) => fail(`page error (?replay=${name}): ` + e.message));
      await page.setRequestInterception(true);
      page.on('request', (r) => (r.url().endsWith('/' + name)
          ? r.respond({status: 200, contentType: 'text/plain', body: text}) : r.continue()));
      await page.goto(`${url}?test&replay=${name}`, {waitUntil: 'load'});
      if (name === 'run.keys') {
        if (await waitFor(page, () => window.velkariTest && velkariTest.lastFrame >= 46, 'the recording played')) {
          await new Promise((r) => setTimeout(r, 300));
          const shot = await page.evaluate(() => velkariTest.snapshot());
          const c = compare(Buffer.from(shot.rgba, 'base64'), readBmp(`${work}/recording.bmp`));
          if (shot.frame !== 46 || c.n)
            fail(`?replay= shows frame ${shot.frame}, ${c.n} pixels off velkari-replay's frame 50`);
        }
      } else if (await waitFor(page, () => window.velkariTest && velkariTest.lastFrame >= 2, 'the title after a broken recording')) {
        const line = await page.evaluate(() => document.getElementById('notice')?.textContent ?? '');
        if (!/broken\.keys is not a key script \(line 2: unexpected 'X'/.test(line))
          fail(`a broken recording is not said on the page (it says '${line}')`);
      }
      await page.close();
    }
  }
  // --- 5. the kept game: reload, a crashed tab, a refused one, ?fresh, New game,
  // ?replay= — in a tab of a desktop's size and on a phone ------------------------
  for (const [label, view] of [['desktop', {width: W, height: H}],
                               ['phone', {width: 390, height: 844, deviceScaleFactor: 2, isMobile: true,
                                          hasTouch: true}]]) {
    const context = await browser.createBrowserContext();
    const open = async () => {
      const page = await context.newPage();
      page.on('pageerror', (e) => fail(`page error (kept game, ${label}): ` + e.message));
      await page.setViewport(view);
      // The frame the tab was left at and the keys it read, kept across the
      // reload; a few bytes, so that the page is gone as soon as without it.
      await page.evaluateOnNewDocument(() => window.addEventListener('pagehide', () => {
        if (!window.velkariTest) return;
        const left = {frame: velkariTest.lastFrame, keys: velkariTest.keys, saves: velkariTest.saves};
        sessionStorage.setItem('velkariLeft', JSON.stringify(left));
      }));
      return page;
    };
    const started = (page, what) => waitFor(page, () => window.velkariTest && velkariTest.lastFrame >= 2, what);
    const shotOf = (page) => page.evaluate(() => velkariTest.snapshot());
    const framesOn = (page, n, what) => page.evaluate(() => velkariTest.lastFrame)
        .then((f) => waitFor(page, (g) => velkariTest.lastFrame >= g, what, 5000, f + n));
    // A key held until `frames` frames have read it.
    const holdKey = async (page, code, bit, frames) => {
      const from = await page.evaluate(() => velkariTest.keys.length);
      await page.keyboard.down(code);
      await waitFor(page, (b, i) => velkariTest.keys.slice(i).some((k) => k[1] & b), `a frame that reads ${code}`,
                    5000, bit, from);
      const at = await page.evaluate((b, i) => velkariTest.keys.slice(i).find((k) => k[1] & b)[0], bit, from);
      await waitFor(page, (f) => velkariTest.lastFrame >= f, `${code} held`, 5000, at + frames);
      await page.keyboard.up(code);
      await waitFor(page, () => velkariTest.keys[velkariTest.keys.length - 1][1] === 0, `${code} released`, 5000);
    };
    // The kept game (the store's values in key order), read or replaced by
    // bytes of `put`, from a page of the same origin without the game.
    const store = new URL('velkari.webmanifest', url).href;
    const stored = (page, put) => page.evaluate((put) => new Promise((resolve, reject) => {
      const r = indexedDB.open('velkari', 1);
      r.onupgradeneeded = () => r.result.createObjectStore('saved');
      r.onerror = () => reject(r.error);
      r.onsuccess = () => {
        const tx = r.result.transaction('saved', 'readwrite'), s = tx.objectStore('saved');
        let got = null;
        if (put) {
          s.clear();
          s.put(new Uint8Array(put).buffer, 0);
        } else {
          s.getAll().onsuccess = (e) => { got = e.target.result; };
        }
        tx.oncomplete = () => {
          r.result.close();
          if (!got || !got.length) { resolve(null); return; }
          let h = 0, n = 0;  // a hash of the bytes, enough to tell two games apart
          for (const part of got) {
            for (const b of new Uint8Array(part)) h = (Math.imul(h, 31) + b) | 0;
            n += part.byteLength;
          }
          resolve({bytes: n, parts: got.length, hash: h});
        };
      };
    }), put);
    const shots = process.env.VELKARI_WEB_SHOTS;

    // Play into stage 1: Z, three cells down and two right onto the item at (3, 4).
    let page = await open();
    await page.goto(url + '?test', {waitUntil: 'load'});
    if (!await started(page, `the title (kept game, ${label})`)) { await context.close(); continue; }
    await holdKey(page, 'KeyZ', Z_BIT, 1);
    await framesOn(page, 8, 'stage 1');
    await holdKey(page, 'ArrowDown', bitOf('DOWN'), 36);
    await framesOn(page, 20, 'the third step down');
    await holdKey(page, 'ArrowRight', bitOf('RIGHT'), 20);
    await framesOn(page, 40, 'the player at rest');
    if (shots && label === 'phone') await page.screenshot({path: path.join(shots, 'kept-before-reload.png')});
    const before = await shotOf(page);
    await page.reload({waitUntil: 'load'});
    const left = await page.evaluate(() => JSON.parse(sessionStorage.getItem('velkariLeft') || 'null'));
    if (!left) { fail(`${label}: the page kept no record of what it showed as it was left`); await context.close(); continue; }
    const allowed = Z_BIT | bitOf('DOWN') | bitOf('RIGHT') | bitOf('ESC');
    const took = runReplayOut('kept-' + label, scriptOfKeyLog(left.keys, left.frame, allowed), ['--summary']);
    if (!/ stage=1 score=10 /.test(took)) fail(`${label}: the play before the reload took no item (${took.trim()})`);
    if (await waitFor(page, (f) => velkariTest.resumed && velkariTest.lastFrame > velkariTest.resumed.frame,
                      `the game resumed after a reload (${label})`)) {
      // (The tab paused the game as it was hidden, or the load did.)
      const resumed = await page.evaluate(() => velkariTest.resumed);
      if (resumed.frame !== left.frame)
        fail(`${label}: the reload resumed frame ${resumed.frame}, not the frame ${left.frame} the tab was left at`);
      const after = await shotOf(page);
      if (shots && label === 'phone') await page.screenshot({path: path.join(shots, 'kept-after-reload.png')});
      // The replay with the pause at the reload's frame: its frame F is the
      // picture left behind, F + 1 the pause over it; G is the frame on the
      // canvas shortly before the reload.
      const F = left.frame, G = before.frame;
      const paused = [...left.keys.filter(([at]) => at < F), [F, bitOf('ESC')], [F + 1, 0]];
      runReplay('kept-pause-' + label, scriptOfKeyLog(paused, F + 1, allowed),
                ['--frame', `${G}:${work}/kept-before.bmp`, '--frame', `${F}:${work}/kept-left.bmp`,
                 '--frame', `${F + 1}:${work}/kept-pause.bmp`]);
      const leftBmp = readBmp(`${work}/kept-left.bmp`), pauseBmp = readBmp(`${work}/kept-pause.bmp`);
      const beforeBmp = readBmp(`${work}/kept-before.bmp`);
      const box = [W, H, -1, -1];
      for (let i = 0; i < W * H; ++i)
        for (let c = 0; c < 3; ++c)
          if (leftBmp.rgb[i * 3 + c] !== pauseBmp.rgb[i * 3 + c]) {
            const x = i % W, y = Math.floor(i / W);
            box[0] = Math.min(box[0], x); box[1] = Math.min(box[1], y);
            box[2] = Math.max(box[2], x); box[3] = Math.max(box[3], y);
          }
      const beforeRgba = Buffer.from(before.rgba, 'base64'), afterRgba = Buffer.from(after.rgba, 'base64');
      let c = compare(beforeRgba, beforeBmp);
      if (c.n) fail(`${label}: frame ${G} before the reload differs from velkari-replay's in ${c.n} pixels, first ${c.first}`);
      c = compare(afterRgba, pauseBmp);
      if (after.frame !== F + 1 || c.n)
        fail(`${label}: after the reload frame ${after.frame} differs from velkari-replay's frame ${F + 1} ` +
             `(the pause at frame ${F}) in ${c.n} pixels, first ${c.first}`);
      // Before and after: the same board, player and panel; the pause's own
      // drawing alone is new (when the game drew nothing new from G to F).
      const moved = compare(Buffer.from(Array.from({length: W * H * 4}, (_, i) =>
          (i & 3) === 3 ? 255 : leftBmp.rgb[(i >> 2) * 3 + (i & 3)])), beforeBmp).n;
      let outside = 0, inside = 0;
      for (let i = 0; i < W * H; ++i) {
        const x = i % W, y = Math.floor(i / W);
        const same = [0, 1, 2].every((k) => beforeRgba[i * 4 + k] === afterRgba[i * 4 + k]);
        if (same) continue;
        if (x >= box[0] && x <= box[2] && y >= box[1] && y <= box[3]) ++inside; else ++outside;
      }
      if (!moved && (outside || !inside))
        fail(`${label}: across the reload ${outside} pixels changed outside the pause's drawing ` +
             `(${box.join(',')}), ${inside} inside it`);
      note(`${label}: a reload at frame ${F} (the canvas read at ${G}) resumed paused; ` +
           (moved ? `frames ${G} to ${F} changed ${moved} pixels, and velkari-replay's F + 1 is the page's`
                  : `${inside} pixels of the pause's drawing in (${box.join(',')}) are all that changed`));
      // Esc resumes; a walk to the right from there is the replay's.
      await holdKey(page, 'Escape', bitOf('ESC'), 1);
      await holdKey(page, 'ArrowRight', bitOf('RIGHT'), 24);
      await framesOn(page, 30, 'frames after the pause');
      const walked = await shotOf(page);
      const log = [...paused, ...(await page.evaluate(() => velkariTest.keys))];
      runReplay('kept-walk-' + label, scriptOfKeyLog(log, walked.frame, allowed),
                ['--frame', `${walked.frame}:${work}/kept-walk.bmp`]);
      c = compare(Buffer.from(walked.rgba, 'base64'), readBmp(`${work}/kept-walk.bmp`));
      if (c.n) fail(`${label}: after Esc frame ${walked.frame} differs from velkari-replay's in ${c.n} pixels, first ${c.first}`);
      // The tune goes on where it was: the first buffers of it the page played
      // after the reload are the replay's for the same keys, from about the
      // reload's frame on (the page's sound runs by the clock, not the frames).
      const played = (await page.evaluate(() => velkariTest.buffers.map((b) => velkariTest.int16(b)))).map(int16Of);
      const from = played.findIndex((b) => !silent(b));
      runReplay('kept-audio-' + label, scriptOfKeyLog(log, walked.frame, allowed), ['--audio', `${work}/kept.wav`]);
      const wav = fs.readFileSync(`${work}/kept.wav`);
      const ref = new Int16Array(wav.buffer.slice(wav.byteOffset + 44, wav.byteOffset + wav.length));
      const AUDIO_BUFFERS = 8;
      let at = -1;
      if (from >= 0 && played.length >= from + AUDIO_BUFFERS) {
        const want = played[from];
        for (let o = 0; o + BUFFER_SAMPLES <= ref.length && at < 0; o += 2) {
          if (ref[o] !== want[0] || ref[o + 1] !== want[1]) continue;
          let k = 0;
          while (k < BUFFER_SAMPLES && ref[o + k] === want[k]) ++k;
          if (k === BUFFER_SAMPLES) at = o;
        }
      }
      const seconds = at / 2 / 44100, reloadAt = F * FRAME_SECONDS;
      if (at < 0 || Math.abs(seconds - reloadAt) > 0.5) {
        fail(`${label}: after the reload the page's first buffer of sound (${from}) is ` +
             (at < 0 ? 'nowhere in velkari-replay\'s' : `velkari-replay's at ${seconds.toFixed(2)} s, not near the reload's ${reloadAt.toFixed(2)} s`));
      } else {
        let differing = 0;
        for (let k = 1; k < AUDIO_BUFFERS; ++k)
          for (let i = 0; i < BUFFER_SAMPLES; ++i)
            if (played[from + k][i] !== ref[at + k * BUFFER_SAMPLES + i]) ++differing;
        if (differing) fail(`${label}: after the reload the tune differs from velkari-replay's in ${differing} samples`);
        note(`${label}: after the reload the tune goes on from velkari-replay's ${seconds.toFixed(2)} s ` +
             `(the reload's frame is at ${reloadAt.toFixed(2)} s): ${AUDIO_BUFFERS} buffers, ${differing} samples differ`);
      }
      const saves = left.saves;
      if (saves.length) {
        const max = (k) => Math.max(...saves.map((s) => s[k])).toFixed(2);
        note(`${label}: ${saves.length} saves of ${saves[0].bytes} bytes: the snapshot in the frame at most ` +
             `${max('copyMs')} ms; after it, when the page is idle, its copy ${max('takeMs')} ms and the put ` +
             `${max('putMs')} ms, written within ${max('writtenMs')} ms`);
      } else {
        fail(`${label}: no save was written while the game ran`);
      }
    }

    // Another tab in front hides the page: a game in play waits in the pause
    // from the frame it was hidden at, as Esc there would have paused it.
    {
      const log = [...left.keys.filter(([at]) => at < left.frame), [left.frame, bitOf('ESC')],
                   [left.frame + 1, 0], ...(await page.evaluate(() => velkariTest.keys))];
      const other = await context.newPage();
      await other.bringToFront();
      await waitFor(page, () => document.visibilityState === 'hidden', `the page hidden (${label})`);
      await new Promise((r) => setTimeout(r, 500));
      await page.bringToFront();
      await other.close();
      await waitFor(page, () => document.visibilityState === 'visible', `the page shown again (${label})`);
      await new Promise((r) => setTimeout(r, 300));
      const hid = await shotOf(page);
      const at = hid.frame - 1;
      runReplay('kept-hidden-' + label, scriptOfKeyLog([...log, [at, bitOf('ESC')], [at + 1, 0]], hid.frame, allowed),
                ['--frame', `${hid.frame}:${work}/kept-hidden.bmp`]);
      const c = compare(Buffer.from(hid.rgba, 'base64'), readBmp(`${work}/kept-hidden.bmp`));
      if (c.n) fail(`${label}: after the page was hidden frame ${hid.frame} is not velkari-replay's with the ` +
                    `pause at frame ${at} (${c.n} pixels differ, first ${c.first})`);
      await holdKey(page, 'Escape', bitOf('ESC'), 1);
    }

    // The renderer crashes in play: the page opened again resumes within the
    // last 2 seconds (125 frames) of it.
    await framesOn(page, 250, 'play before the crash');
    const atCrash = await page.evaluate(() => velkariTest.lastFrame);
    await page.goto('chrome://crash').catch(() => {});
    await page.close().catch(() => {});
    page = await open();
    await page.goto(url + '?test', {waitUntil: 'load'});
    if (await waitFor(page, () => window.velkariTest && velkariTest.resumed, `the game resumed after a crash (${label})`)) {
      const resumed = await page.evaluate(() => velkariTest.resumed);
      if (resumed.frame > atCrash || resumed.frame < atCrash - 125 || !resumed.paused)
        fail(`${label}: after a crash at frame ${atCrash} the page resumed frame ${resumed.frame} ` +
             `(paused by the load: ${resumed.paused})`);
      note(`${label}: a crash at frame ${atCrash} or a little later resumed frame ${resumed.frame}`);
    }

    // Garbage in the store: refused with the line, and the title shows.
    await page.goto(store);
    await stored(page, Array.from({length: 1000}, (_, i) => (i * 7) & 255));
    page.removeAllListeners('pageerror');
    await page.close();
    page = await open();
    await page.goto(url + '?test', {waitUntil: 'load'});
    if (await started(page, `the title after a refused game (${label})`)) {
      const got = await page.evaluate(() => ({line: document.getElementById('notice')?.textContent ?? '',
                                              resumed: velkariTest.resumed, shot: velkariTest.snapshot()}));
      if (got.line !== 'A game saved by another version could not be resumed.')
        fail(`${label}: a damaged game is not refused on the page (it says '${got.line}')`);
      const c = compare(Buffer.from(got.shot.rgba, 'base64'), readBmp(`${work}/title.bmp`));
      if (got.resumed || got.shot.frame !== 2 || c.n)
        fail(`${label}: after a refused game frame ${got.shot.frame} is not the title (${c.n} pixels differ)`);
    }

    // ?fresh forgets a game in play: the boot frame, then the title; the
    // address loses the word, and the next reload resumes the new game.
    await holdKey(page, 'KeyZ', Z_BIT, 1);
    await framesOn(page, 100, 'a game before ?fresh');
    await page.goto(url + '?test&fresh', {waitUntil: 'load'});
    const freshStart = async (what) => {
      if (!await started(page, what)) return;
      const got = await page.evaluate(() => ({first: velkariTest.presents[0][0], resumed: velkariTest.resumed,
                                              search: location.search, shot: velkariTest.snapshot()}));
      const c = compare(Buffer.from(got.shot.rgba, 'base64'), readBmp(`${work}/title.bmp`));
      if (got.first !== 1 || got.resumed || got.shot.frame !== 2 || c.n)
        fail(`${label}: ${what} starts at frame ${got.first} and shows frame ${got.shot.frame} ` +
             `(${c.n} pixels off the title)`);
      return got;
    };
    const fresh = await freshStart(`?fresh (${label})`);
    if (fresh && fresh.search !== '?test') fail(`${label}: after ?fresh the address is ${fresh.search}`);
    await page.reload({waitUntil: 'load'});
    if (await waitFor(page, () => window.velkariTest && velkariTest.resumed, `a reload after ?fresh (${label})`)) {
      const r = await page.evaluate(() => ({resumed: velkariTest.resumed, shot: velkariTest.snapshot()}));
      const c = compare(Buffer.from(r.shot.rgba, 'base64'), readBmp(`${work}/title.bmp`));
      if (r.resumed.paused || c.n) fail(`${label}: a reload after ?fresh does not resume the title (${c.n} pixels off)`);
    }

    // New game: a game in play forgotten at the press of the control.
    await holdKey(page, 'KeyZ', Z_BIT, 1);
    await framesOn(page, 100, 'a game before New game');
    const b = await page.evaluate(() => {
      const r = document.getElementById('newgame').getBoundingClientRect();
      return {x: r.left + r.width / 2, y: r.top + r.height / 2, w: r.width, h: r.height};
    });
    if (!(b.w > 0)) fail(`${label}: no "New game" control on the page`);
    else if (view.hasTouch) await page.touchscreen.tap(b.x, b.y);
    else await page.mouse.click(b.x, b.y);
    if (await waitFor(page, () => velkariTest.lastFrame === 2, `the title after New game (${label})`, 5000)) {
      const shot = await shotOf(page);
      const c = compare(Buffer.from(shot.rgba, 'base64'), readBmp(`${work}/title.bmp`));
      if (c.n) fail(`${label}: after New game the title differs from velkari-replay's in ${c.n} pixels`);
    }
    // ...and Space or Enter afterwards do not press it again.
    if (await page.evaluate(() => document.activeElement && document.activeElement.id === 'newgame'))
      fail(`${label}: "New game" keeps the focus`);

    // ?replay= plays the recording and leaves the kept game as it was.
    await holdKey(page, 'KeyZ', Z_BIT, 1);
    await framesOn(page, 60, 'a game before ?replay=');
    await page.goto(store);
    const kept = await stored(page);
    await page.close();
    page = await open();
    await page.setBypassServiceWorker(true);
    await page.setRequestInterception(true);
    page.on('request', (r) => (r.url().endsWith('/run.keys')
        ? r.respond({status: 200, contentType: 'text/plain', body: '# velkari 1.0\n1 -\n1 Z\n2 -\n40 RIGHT\n'})
        : r.continue()));
    await page.goto(url + '?test&replay=run.keys', {waitUntil: 'load'});
    if (await waitFor(page, () => window.velkariTest && velkariTest.lastFrame >= 44, `?replay= (${label})`)) {
      const got = await page.evaluate(() => ({resumed: velkariTest.resumed, button: !document.getElementById('newgame').hidden}));
      if (got.resumed || got.button) fail(`${label}: ?replay= resumed the kept game or offers New game`);
      await new Promise((r) => setTimeout(r, 2000));
    }
    await page.goto(store);
    const still = await stored(page);
    if (!kept || !still || kept.hash !== still.hash)
      fail(`${label}: ?replay= changed the kept game (${JSON.stringify(kept)} then ${JSON.stringify(still)})`);
    else note(`${label}: the kept game is ${kept.bytes} bytes in ${kept.parts} parts; ?replay= left it alone`);
    await page.close();
    await context.close();
  }
} finally {
  await closeBrowser();
}

note(`page ${pageBytes} bytes (${pageFiles.join(', ')})`);
if (failures.length) {
  console.error(`${failures.length} check(s) failed`);
  process.exit(1);
}
note('web page: title and stage 1 identical to velkari-replay, tune identical, a phone plays it, ' +
     'offline too, under 600 KB');
