// The page in Firefox or in WebKitGTK (tools/browsers drives them), as
// check_page.mjs has it in Chromium: what the page says it runs on and the
// engine's own clock resolution, a Run validated with both digests and a
// checked clock, the JSON the Download button writes, the share link's
// round trip, a screenshot; and the page served by a plain static host,
// which its service worker makes cross-origin isolated one reload later.
//
// usage: node check_page_engines.mjs --engine firefox|webkit --site SITE [--shots SHOTS] [--static-host]
import { mkdirSync, readFileSync } from 'node:fs';
import { join } from 'node:path';
import { parseArgs } from 'node:util';

import { openBrowser, savedReport } from '../../tools/browsers/browsers.mjs';
import { serve, stopServers } from '../../tools/browsers/page_server.mjs';
import { shareFragment } from '../../web/report.js';
import { checkResult } from '../../web/result_check.js';
import { placeable } from '../../web/standing.js';

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
  const interval = report.statistics.headline_interval_kflops;
  check(report.schema_version === 5 && report.result_line === status && NAMES[options.engine].test(report.host.browser) &&
        report.host.cross_origin_isolated === true && report.measurement.runs >= 80 &&
        report.runs_kflops.length === report.measurement.runs && report.processes.length === 8 && interval !== null,
  `the JSON: schema 5, its result line the page's, the engine named, ${report.measurement.runs} runs in ` +
  `${report.processes.length} Workers, 95% interval ${interval && interval.map((k) => k.toFixed(0)).join(' to ')}`);
  check(v.validated && v.digest === v.expected_digest && v.timed_runs.first_wrong_run === null &&
        v.timed_runs.warmup_digest === v.timed_runs.expected_digest,
  `the JSON's digests: the untimed solve ${v.digest}, every timed run and the warm-up ${v.timed_runs.expected_digest}`);
  check(v.measurement_validated && clock.agrees && !clock.coarse &&
        Math.abs(clock.counter_seconds / clock.reference_seconds - 1) < 0.03 &&
        clock.resolution_seconds === report.host.clock_resolution_seconds &&
        Math.abs(clock.resolution_seconds * 1e6 - resolution) <= 0.5,
  `the JSON's clock, checked against the wall clock: ${JSON.stringify(clock)}`);
  // On a busy machine a figure may be not comparable: the checker then
  // says so for each of the report's own warnings, and nothing else.
  const problems = checkResult(report);
  check(problems.length === report.warnings.length &&
        problems.every((p) => p.kind === 'entry' && p.text.startsWith('not comparable: ')),
  `the results table's checker takes the JSON: ${JSON.stringify(problems)}`);

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
  return report;
}

// The results page in this engine: every entry and this result at its
// rank, a sort, the kind filter, the search, two side by side, a CSV.
async function checkResultsPage(browser, url, report) {
  const entries = JSON.parse(readFileSync(join(options.site, 'results-table.json'), 'utf8')).entries;
  const page = await browser.newPage({ width: 1400, height: 900 });
  await page.goto(new URL('results.html' + shareFragment(report), url).href);
  await page.waitFor(() => document.querySelectorAll('#entries tr td').length > 0, LOAD_WAIT);
  const column = (n) => page.evaluate((k) => [...document.querySelectorAll(`#entries tr td:nth-child(${k})`)]
    .map((td) => td.textContent), n);
  const headlines = (await column(9)).map(Number);
  const own = await page.evaluate(() => [...document.querySelectorAll('#entries tr')].findIndex((r) => r.classList.contains('own')));
  // A result that is not comparable is not placed: the page follows the
  // report's own verdict, and so does this check.
  const placed = placeable(report) ? 1 : 0;
  check(headlines.length === entries.length + placed && headlines.every((v, i) => i === 0 || v <= headlines[i - 1]) &&
        own === (placed ? entries.filter((e) => e.headline_kflops > report.statistics.headline_kflops).length + 1 : -1),
  `the results page lists the ${entries.length} entries and this result in its row (${own}, placed: ${Boolean(placed)}), fastest first`);
  if (options.shots) await page.screenshot(join(options.shots, `web-results-${options.engine}.png`));
  await page.click('#entries th button[data-field="headline_kflops"]');
  const ascending = (await column(9)).map(Number);
  await page.evaluate(() => {
    const kind = document.querySelector('#kind');
    kind.value = 'browser';
    kind.dispatchEvent(new Event('change'));
  });
  const browsers = await column(6);
  await page.evaluate(() => {
    document.querySelector('#kind').value = '';
    const search = document.querySelector('#search');
    search.value = 'webkit';
    search.dispatchEvent(new Event('input'));
  });
  const found = await column(6);
  check(ascending.every((v, i) => i === 0 || v >= ascending[i - 1]) &&
        browsers.length === entries.filter((e) => e.kind === 'browser').length + placed &&
        found.length === entries.filter((e) => /webkit/i.test(e.platform)).length + (placed && /webkit/i.test(report.host.browser) ? 1 : 0) &&
        found.every((p) => p.startsWith('WebKit')),
  `sorted the other way, ${browsers.length} browsers by kind, ${found.length} rows for "webkit"`);
  await page.evaluate(() => {
    const search = document.querySelector('#search');
    search.value = '';
    search.dispatchEvent(new Event('input'));
  });
  // The first two rows that are entries (this result may be among them).
  const names = await page.evaluate(() => [...document.querySelectorAll('#entries tr[data-entry]')]
    .map((r) => r.dataset.entry).filter((name) => name !== 'this result').slice(0, 2));
  for (const name of names) await page.click(`#entries tr[data-entry="${name}"] input`);
  const ratio = await page.evaluate(() => document.querySelector('#ratio').textContent);
  const expected = entries.find((e) => e.entry === names[0]).headline_kflops / entries.find((e) => e.entry === names[1]).headline_kflops;
  check(ratio === `${names[0]}: ${expected.toFixed(2)} times the headline of ${names[1]}`, `two side by side: "${ratio}"`);
  const csv = await savedReport(page, '#export-csv');
  check(typeof csv === 'string' && csv.startsWith('entry,rank,machine') && csv.trim().split('\r\n').length === entries.length + 1 + placed,
        'the table exported as CSV');
  await page.close();
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

// Two copies at once (?copies=2): each Worker's figures, their sum and
// efficiency against one alone, validated and held by the gate.
async function checkCopies(browser, url) {
  const page = await browser.newPage({ width: 1280, height: 900 });
  await page.goto(`${url}?copies=2`);
  await page.waitFor(() => document.querySelectorAll('#context-lines dd').length > 0, LOAD_WAIT);
  await run(page);
  const report = JSON.parse(await savedReport(page));
  const c = report.copies;
  const problems = checkResult(report).filter((p) => p.kind !== 'entry');
  check(c && c.count === 2 && report.processes.length === 2 && report.validation.validated &&
        c.sum_kflops === report.processes[0].headline_kflops + report.processes[1].headline_kflops &&
        c.efficiency > 0 && problems.length === 0,
  `two copies at once: sum ${c && c.sum_kflops} KFLOPS, efficiency ${c && c.efficiency}, held: ${JSON.stringify(problems)}`);
  await page.close();
}

const browser = await openBrowser(options.engine);
try {
  if (options.shots) mkdirSync(options.shots, { recursive: true });
  const url = await serve(options.site);
  const report = await checkRun(browser, url);
  await checkResultsPage(browser, url, report);
  await checkCopies(browser, url);
  if (options['static-host']) await checkStaticHost(browser);
} catch (error) {
  check(false, `the page test runs to its end: ${error.stack || error}`);
} finally {
  await browser.close();
  stopServers();
}
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
