// Debian's three browser engines, each behind the same few calls, for the
// page's tests and its side-by-side benchmark: Chromium, headless, through
// playwright-core; Firefox ESR, headless, through puppeteer-core over
// WebDriver BiDi (no geckodriver); and WebKitGTK's MiniBrowser on a
// private Xvfb display through WebKitWebDriver and selenium-webdriver.
// Each gets a new empty profile and its own port and display; close()
// stops what it started. The drivers' versions are pinned in
// package-lock.json beside this file.
//
// openBrowser(engine) -> { newPage(viewport) -> page, close() }
// page: goto(url), reload(), evaluate(fn, ...args), waitFor(fn, timeoutMs, ...args),
//       click(selector), screenshot(path), close()
import { spawn } from 'node:child_process';
import { mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { createServer } from 'node:net';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

import { chromium } from 'playwright-core';
import puppeteer from 'puppeteer-core';
import { Builder, By } from 'selenium-webdriver';

// Playwright's own calls, for the Chromium test that uses more of them.
export { chromium };

const CHROMIUM = '/usr/bin/chromium';
// Without the background networking flags Chromium keeps calling out to
// hosts this machine cannot reach.
export const CHROMIUM_ARGUMENTS = ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync'];
const FIREFOX = '/usr/bin/firefox-esr';
const WEBKIT_DRIVER = '/usr/bin/WebKitWebDriver';
const MINIBROWSER = '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser';

async function chromiumBrowser() {
  const browser = await chromium.launch({ executablePath: CHROMIUM, args: CHROMIUM_ARGUMENTS });
  return {
    async newPage(viewport) {
      const context = await browser.newContext({ viewport });
      const page = await context.newPage();
      return {
        goto: (url) => page.goto(url),
        reload: () => page.reload(),
        evaluate: (fn, ...args) => page.evaluate(([source, values]) => (0, eval)(`(${source})`)(...values),
          [String(fn), args]),
        waitFor: (fn, timeout, ...args) => page.waitForFunction(([source, values]) => (0, eval)(`(${source})`)(...values),
          [String(fn), args], { timeout }),
        click: (selector) => page.click(selector),
        screenshot: (path) => page.screenshot({ path, fullPage: true }),
        close: () => context.close(),
      };
    },
    close: () => browser.close(),
  };
}

async function firefox() {
  const profile = mkdtempSync(join(tmpdir(), 'velmark-firefox-'));
  const browser = await puppeteer.launch({
    browser: 'firefox', protocol: 'webDriverBiDi', executablePath: FIREFOX, headless: true, userDataDir: profile,
  });
  return {
    async newPage(viewport) {
      const page = await browser.newPage();
      await page.setViewport(viewport);
      return {
        goto: (url) => page.goto(url),
        reload: () => page.reload(),
        evaluate: (fn, ...args) => page.evaluate(fn, ...args),
        waitFor: (fn, timeout, ...args) => page.waitForFunction(fn, { timeout, polling: 100 }, ...args),
        click: (selector) => page.click(selector),
        screenshot: (path) => page.screenshot({ path, fullPage: true }),
        close: () => page.close(),
      };
    },
    async close() {
      await browser.close();
      rmSync(profile, { recursive: true, force: true });
    },
  };
}

function freePort() {
  return new Promise((resolve) => {
    const server = createServer().listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      server.close(() => resolve(port));
    });
  });
}

// Xvfb on the first free display it finds; resolves to its number.
function startXvfb(started) {
  const xvfb = spawn('Xvfb', ['-displayfd', '1', '-screen', '0', '1400x1000x24', '-nolisten', 'tcp'],
    { stdio: ['ignore', 'pipe', 'ignore'] });
  started.push(xvfb);
  return new Promise((resolve, reject) => {
    xvfb.stdout.on('data', (chunk) => resolve(String(chunk).trim()));
    xvfb.on('exit', (status) => reject(new Error(`Xvfb ended (${status})`)));
  });
}

async function webkit() {
  const started = [];
  const display = await startXvfb(started);
  const port = await freePort();
  const driver = spawn(WEBKIT_DRIVER, [`--port=${port}`], {
    stdio: 'ignore', env: { ...process.env, DISPLAY: `:${display}` },
  });
  started.push(driver);
  const server = `http://127.0.0.1:${port}`;
  for (let tries = 0; ; ++tries) {
    try {
      if ((await fetch(`${server}/status`)).ok) break;
    } catch (error) {
      if (tries > 100) throw new Error(`WebKitWebDriver did not answer: ${error.message}`);
    }
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
  // One session a page: MiniBrowser under automation has one window.
  return {
    async newPage(viewport) {
      const session = await new Builder().usingServer(server).withCapabilities({
        browserName: 'MiniBrowser', 'webkitgtk:browserOptions': { binary: MINIBROWSER, args: ['--automation'] },
      }).build();
      await session.manage().window().setRect(viewport);
      const script = (fn) => `return (${fn}).apply(null, arguments);`;
      return {
        goto: (url) => session.get(url),
        reload: () => session.navigate().refresh(),
        evaluate: (fn, ...args) => session.executeAsyncScript(
          `const done = arguments[arguments.length - 1];
           Promise.resolve((${fn}).apply(null, Array.from(arguments).slice(0, -1))).then(done, (e) => done({ error: String(e) }));`,
          ...args),
        waitFor: (fn, timeout, ...args) => session.wait(() => session.executeScript(script(fn), ...args), timeout),
        click: async (selector) => (await session.findElement(By.css(selector))).click(),
        screenshot: async (path) => writeFileSync(path, Buffer.from(await session.takeScreenshot(), 'base64')),
        close: () => session.quit(),
      };
    },
    async close() {
      for (const process of started.reverse()) process.kill();
    },
  };
}

export const ENGINES = ['chromium', 'firefox', 'webkit'];

// The file a button of the page hands the browser (by default the Download
// button's JSON report), caught on its way, byte for byte; null when none.
export function savedReport(page, button = '#download') {
  return page.evaluate(async (selector) => {
    const original = URL.createObjectURL;
    let blob = null;
    URL.createObjectURL = (made) => { blob = made; return original.call(URL, made); };
    try {
      document.querySelector(selector).click();
    } finally {
      URL.createObjectURL = original;
    }
    return blob ? blob.text() : null;
  }, button);
}

export function openBrowser(engine) {
  if (engine === 'chromium') return chromiumBrowser();
  if (engine === 'firefox') return firefox();
  if (engine === 'webkit') return webkit();
  throw new Error(`no such browser engine: ${engine}`);
}
