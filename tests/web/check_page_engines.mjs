// The page in Firefox or in WebKitGTK (tools/browsers drives them), as
// check_page.mjs has it in Chromium: what the page says it runs on and the
// engine's own clock resolution, a Run validated with both digests and a
// checked clock, the JSON the Download button writes, the share link's
// round trip, a screenshot; and the page served by a plain static host,
// which its service worker makes cross-origin isolated one reload later.
//
// usage: node check_page_engines.mjs --engine firefox|webkit --site SITE [--shots SHOTS] [--static-host]
import { mkdirSync } from 'node:fs';
import { join } from 'node:path';
import { parseArgs } from 'node:util';

import { openBrowser, savedReport } from '../../tools/browsers/browsers.mjs';
import { serve, stopServers } from '../../tools/browsers/page_server.mjs';
import { checkResult } from '../../web/result_check.js';

const { values: options } = parseArgs({
  options: { engine: { type: 'string' }, site: { type: 'string' }, shots: { type: 'string' },
    'static-host': { type: 'boolean' } },
});
const NAMES = { firefox: /^Firefox \d+\.\d+/, webkit: /^WebKitGTK$/ };
const RESULT = /^CPU performance \d+\.\d\d MFlops$/;
const DESKTOP = { width: 1280, height: 900 };
// How long a page may take to load, gather its context or open a link: a
// bound on a hang, generous so that a busy machine never trips it.
const LOAD_WAIT = 90000;
let passed = 0, failed = 0;

function check(ok, what) {
  console.log((ok ? 'ok   ' : 'FAIL ') + `${options.engine}: ${what}`);
  ok ? ++passed : ++failed;
  return ok;
}

// What the page says it runs on, once it has said it.
async function contextLines(page) {
  await page.waitFor(() => document.querySelectorAll('#context-lines dd').length > 0, LOAD_WAIT);
  return page.evaluate(() => Object.fromEntries([...document.querySelectorAll('#context-lines dt')]
    .map((term) => [term.textContent, term.nextElementSibling.textContent])));
}

const statusText = (page) => page.evaluate(() => document.querySelector('#status').textContent);

async function run(page) {
  await page.click('#run');
  await page.waitFor(() => !document.querySelector('#run').hidden, 4 * LOAD_WAIT);
  return statusText(page);
}

async function checkRun(browser, url) {
  const page = await browser.newPage(DESKTOP);
  await page.goto(url);
  const lines = await contextLines(page);
  const resolution = parseFloat(lines['clock resolution']);
  check(NAMES[options.engine].test(lines.browser) && lines['cross-origin isolated'] === 'yes' && resolution > 0 &&
        lines.system !== 'unknown', `the page names the engine and its clock: ${JSON.stringify(lines)}`);
  const status = await run(page);
  check(RESULT.test(status), `the result line "${status}"`);
  const validation = await page.evaluate(() => [...document.querySelectorAll('#validation li')].map((li) => li.textContent));
  check(validation.slice(-2).join('; ') === 'correct operation validated; measurement validated' &&
        !(await page.evaluate(() => document.querySelectorAll('#validation .wrong').length)),
  validation.join('; '));
  if (options.shots) await page.screenshot(join(options.shots, `web-${options.engine}.png`));

  const text = await savedReport(page);
  const report = JSON.parse(text);
  const v = report.validation, clock = report.clock;
  check(report.schema_version === 4 && report.result_line === status && NAMES[options.engine].test(report.host.browser) &&
        report.host.cross_origin_isolated === true && report.measurement.runs >= 10 &&
        report.runs_kflops.length === report.measurement.runs,
  `the JSON: schema 4, its result line the page's, the engine named, ${report.measurement.runs} runs`);
  check(v.validated && v.digest === v.expected_digest && v.timed_runs.first_wrong_run === null &&
        v.timed_runs.warmup_digest === v.timed_runs.expected_digest,
  `the JSON's digests: the untimed solve ${v.digest}, every timed run and the warm-up ${v.timed_runs.expected_digest}`);
  check(v.measurement_validated && clock.agrees && !clock.coarse &&
        Math.abs(clock.counter_seconds / clock.reference_seconds - 1) < 0.03 &&
        clock.resolution_seconds === report.host.clock_resolution_seconds &&
        Math.abs(clock.resolution_seconds * 1e6 - resolution) <= 0.5,
  `the JSON's clock, checked against the wall clock: ${JSON.stringify(clock)}`);
  const problems = checkResult(report);
  check(problems.length === 0, `the results table's checker takes the JSON: ${JSON.stringify(problems)}`);

  const link = await page.evaluate(() => document.querySelector('#share').href);
  await page.close();
  const shared = await browser.newPage(DESKTOP);
  await shared.goto(link);
  await shared.waitFor(() => !document.querySelector('#results').hidden, LOAD_WAIT);
  const sharedStatus = await statusText(shared);
  const heading = await shared.evaluate(() => document.querySelector('#results-heading').textContent);
  check(link.includes('#result=') && sharedStatus === report.result_line && heading.startsWith('A shared result'),
        `the share link opens the page showing that result: "${sharedStatus}", "${heading}"`);
  await shared.close();
}

// Served with no headers, the page registers its service worker and
// reloads once; then it is isolated and its clock is fine.
async function checkStaticHost(browser) {
  const url = await serve(options.site, false);
  const page = await browser.newPage(DESKTOP);
  await page.goto(url);
  await page.waitFor(() => globalThis.crossOriginIsolated === true &&
    document.querySelectorAll('#context-lines dd').length > 0, LOAD_WAIT);
  const lines = await contextLines(page);
  const reloads = await page.evaluate(() => performance.getEntriesByType('navigation')[0].type);
  check(lines['cross-origin isolated'] === 'yes' && parseFloat(lines['clock resolution']) <= 20 && reloads === 'reload' &&
        !(await page.evaluate(() => !document.querySelector('#notice').hidden)),
  `a plain static host: isolated one reload later, a ${lines['clock resolution']} clock and no note that it is coarse`);
  // Reloaded later, once its worker has gone idle: isolated again.
  await new Promise((resolve) => setTimeout(resolve, 12000));
  await page.reload();
  const isolated = await page.waitFor(() => globalThis.crossOriginIsolated === true &&
    document.querySelectorAll('#context-lines dd').length > 0, LOAD_WAIT).then(() => true, () => false);
  check(isolated, 'a plain static host reloaded 12 s later is isolated again');
  await page.close();
}

const browser = await openBrowser(options.engine);
try {
  if (options.shots) mkdirSync(options.shots, { recursive: true });
  await checkRun(browser, await serve(options.site));
  if (options['static-host']) await checkStaticHost(browser);
} catch (error) {
  check(false, `the page test runs to its end: ${error.stack || error}`);
} finally {
  await browser.close();
  stopServers();
}
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
