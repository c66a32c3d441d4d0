// What the page checks share: Debian's chromium started headless through
// puppeteer-core (no browser download), and a wait that reports a time-out
// as a failure instead of throwing.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

// Starts chromium with a throw-away profile at a window of width x height;
// `close` ends it and removes the profile.
export async function launchChromium(width, height, extraArgs = []) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'velkari-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    ignoreDefaultArgs: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync',
           ...extraArgs, `--user-data-dir=${profile}`, '--remote-debugging-pipe',
           `--window-size=${width},${height}`, 'about:blank'],
    pipe: true,
    defaultViewport: {width, height},
  });
  const close = async () => {
    await browser.close();
    fs.rmSync(profile, {recursive: true, force: true});
  };
  return {browser, close};
}

// waitFor(page, fn, what, timeoutMs, ...args): true once fn holds in the
// page; on a time-out, fail(`timed out waiting for ${what}`) and false.
export function waiter(fail) {
  return async function waitFor(page, fn, what, timeoutMs = 15000, ...args) {
    try {
      await page.waitForFunction(fn, {timeout: timeoutMs, polling: 20}, ...args);
      return true;
    } catch (e) {
      fail(`timed out waiting for ${what}`);
      return false;
    }
  };
}
