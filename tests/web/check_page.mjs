// The page in a real browser: Debian's chromium, headless, driven by
// playwright-core, on the local server that sends the cross-origin
// isolation headers (web/serve.py). A Run at a desktop and at a phone size:
// the dialog's texts, the waiting message while the page stays responsive,
// a result line of the right form, the validation, the context lines and
// the isolation, the downloaded JSON against the report schema and through
// tools/compare_results.py, the share link's round trip; the plain module
// too; a planted wrong kernel that must show a failure and no result; a
// browser without WebAssembly or Workers; a plain static host, which the
// page's service worker makes isolated, a browser without service workers
// and an origin that is not secure, whose coarse clock the page must own
// up to. Screenshots go to SHOTS.
//
// usage: node check_page.mjs --site SITE [--wrong-module WRONG.wasm] [--shots SHOTS]
//                            [--compare compare_results.py] [--quick]
// --quick: one Run at the desktop size, validated (the release archive's test).
import { execFileSync } from 'node:child_process';
import { copyFileSync, cpSync, mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

import { CHROMIUM_ARGUMENTS, chromium } from '../../tools/browsers/browsers.mjs';
import { serve, stopServers } from '../../tools/browsers/page_server.mjs';
import { shareFragment } from '../../web/report.js';
import { checkResult } from '../../web/result_check.js';
import { entryFiles, entryProblems } from '../../web/entry_check.js';
import { placeable, standingOf } from '../../web/standing.js';
import { fewerRuns } from './remade_report.mjs';

const options = Object.fromEntries(process.argv.slice(2).reduce((pairs, arg, i, all) =>
  arg.startsWith('--') ? [...pairs, [arg.slice(2), all[i + 1] && !all[i + 1].startsWith('--') ? all[i + 1] : true]] : pairs, []));
const RESULT = /^CPU performance \d+\.\d\d MFlops$/;
const WAITING = 'Running the benchmark... expected duration under 60 seconds.';
const DESKTOP = { width: 1280, height: 800 }, PHONE = { width: 390, height: 844 };
let passed = 0, failed = 0;

function check(ok, what) {
  console.log((ok ? 'ok   ' : 'FAIL ') + what);
  ok ? ++passed : ++failed;
  return ok;
}

async function newPage(browser, viewport, init) {
  const context = await browser.newContext({ viewport, acceptDownloads: true });
  if (init) await context.addInitScript(init);
  const page = await context.newPage();
  page.on('pageerror', (error) => check(false, `no error in the page: ${error.message}`));
  return page;
}

const text = (page, selector) => page.locator(selector).innerText();

// What the page says it runs on, once it has said it (the page gathers it
// after loading).
async function contextLines(page) {
  await page.waitForSelector('#context-lines dd');
  const terms = await page.locator('#context-lines dt').allInnerTexts();
  const values = await page.locator('#context-lines dd').allInnerTexts();
  return Object.fromEntries(terms.map((term, i) => [term, values[i]]));
}

async function standingLines(page) {
  const terms = await page.locator('#standing-lines dt').allInnerTexts();
  const values = await page.locator('#standing-lines dd').allInnerTexts();
  return Object.fromEntries(terms.map((term, i) => [term, values[i]]));
}

// Run, watching the waiting message and the page's own thread meanwhile.
// What the page showed while it ran is recorded by the page itself at every
// change, so that a run too quick to be seen between two calls still is.
async function run(page) {
  await page.evaluate(() => {
    const status = document.querySelector('#status'), button = document.querySelector('#run');
    globalThis.seenWhileRunning = [];
    const observer = new MutationObserver(() => globalThis.seenWhileRunning.push(
      { status: status.textContent, hidden: getComputedStyle(button).visibility === 'hidden' }));
    observer.observe(document.querySelector('.face'), { subtree: true, childList: true, characterData: true, attributes: true });
  });
  await page.click('#run');
  const before = Date.now();
  const answered = await page.evaluate(() => 6 * 7);
  const latency = Date.now() - before;
  await page.waitForFunction(() => !document.querySelector('#run').hidden, null, { timeout: 120000 });
  const seen = await page.evaluate(() => globalThis.seenWhileRunning);
  const waitingSeen = seen.find((record) => record.status.startsWith(WAITING));
  return { waiting: waitingSeen ? waitingSeen.status : '', hidden: Boolean(waitingSeen && waitingSeen.hidden),
    responsive: answered === 42 && latency < 1000, latency };
}

async function checkRun(page, name, shots) {
  const lines = await contextLines(page);
  check(lines['cross-origin isolated'] === 'yes', `${name}: the page is cross-origin isolated`);
  const resolution = parseFloat(lines['clock resolution']);
  check(resolution > 0 && resolution <= 20 && !(await page.locator('#notice').isVisible()),
        `${name}: a fine clock (${lines['clock resolution']}) and no note that the figure is coarse`);
  check(lines.browser.startsWith('Chromium ') && Number(lines['logical processors']) > 0 && lines.system !== 'unknown',
        `${name}: it says what it runs on: ${JSON.stringify(lines)}`);
  if (shots) await page.screenshot({ path: join(shots, `web-${name}-idle.png`) });
  const seen = await run(page);
  check(seen.waiting.startsWith(WAITING) && seen.hidden, `${name}: Run hides the button and shows the waiting message`);
  check(seen.responsive, `${name}: the page answers while the benchmark runs (${seen.latency} ms)`);
  const status = await text(page, '#status');
  check(RESULT.test(status), `${name}: the result line "${status}"`);
  const validation = await page.locator('#validation li').allInnerTexts();
  check(validation.slice(-2).join('; ') === 'correct operation validated; measurement validated' &&
        !(await page.locator('#validation .wrong').count()),
        `${name}: ${validation.join('; ')}`);
  // Where it stands, unless the machine made it not comparable: then the
  // statistics say why, and it is not placed.
  const terms = await page.locator('#statistics dt').allInnerTexts();
  const comparable = (await page.locator('#statistics dd').nth(terms.indexOf('comparable')).innerText());
  if (comparable.startsWith('no: ')) {
    check(await page.locator('#standing').isHidden() && /^no: .*(below|above) \d+%/.test(comparable),
          `${name}: not comparable, so not placed: "${comparable}"`);
  } else {
    await page.waitForSelector('#standing:not([hidden])', { timeout: 60000 });
    const place = await standingLines(page);
    const entries = JSON.parse(readFileSync(join(options.site, 'results-table.json'), 'utf8')).entries.length;
    check(comparable === 'yes: no warning' &&
          new RegExp(`^\\d+ of ${entries + 1}: the ${entries} entries of the results table, and this result$`).test(place.rank) &&
          /^\d+\.\d\d times .+ MFlops$/.test(place['to the fastest']) && /^\d+\.\d\d times$/.test(place['to the median entry']) &&
          (place['just above'] !== 'none: the fastest' || place['just below'] !== 'none: the slowest'),
    `${name}: where it stands among the table's entries: ${JSON.stringify(place)}`);
  }
  if (shots) await page.screenshot({ path: join(shots, `web-${name}-result.png`), fullPage: true });
  return status;
}

async function checkReport(page, status, work) {
  const [download] = await Promise.all([page.waitForEvent('download'), page.click('#download')]);
  const file = join(work, 'browser.json');
  await download.saveAs(file);
  const report = JSON.parse(readFileSync(file, 'utf8'));
  const s = report.statistics, v = report.validation;
  check(report.schema_version === 5 && report.measurement.processes === 8 && report.build.platform === 'web-wasm32' && report.build.kernels === 'simd128' &&
        report.host.browser.startsWith('Chromium') && report.host.cross_origin_isolated === true &&
        report.build.compiler.startsWith('Clang') && report.build.flags.includes('-msimd128'),
  `the JSON: schema 5, platform web-wasm32, the browser, the SIMD module's build: ${JSON.stringify(report.build)}`);
  check(report.measurement.runs >= 10 && report.runs_kflops.length === report.measurement.runs &&
        s.best_kflops === Math.max(...report.runs_kflops) && report.result_line === status &&
        report.timing_table.length === 8 && report.timing_table.every((c, k) => c.column === k),
  `the JSON's runs (${report.measurement.runs}), statistics and timing table agree with the page`);
  // On a busy machine a figure may be not comparable: the checker then
  // says so for each of the report's own warnings, and nothing else.
  const problems = checkResult(report);
  check(problems.length === report.warnings.length &&
        problems.every((p) => p.kind === 'entry' && p.text.startsWith('not comparable: ')),
  `the results table's checker takes the page's JSON: ${JSON.stringify(problems)}`);
  // The headline is the mean of eight Workers' best blocks, within its
  // interval, and the result line is its own.
  const blocks = report.processes.map((p) => p.headline_kflops), [low, high] = s.headline_interval_kflops;
  check(s.headline_rule === "mean of the processes' best blocks of 10 runs" && blocks.length === 8 &&
        report.processes.every((p) => p.headline_runs === 10 && p.runs >= 10) &&
        s.headline_kflops === Math.round(blocks.reduce((a, b) => a + b) / 8) && low <= s.headline_kflops &&
        s.headline_kflops <= high && s.headline_kflops <= s.best_kflops + 1 &&
        status === (`CPU performance ${(Math.fround(Math.fround(s.headline_kflops) * Math.fround(0.001))).toFixed(2)} MFlops`),
  `the headline: ${s.headline_kflops} KFLOPS, the mean of ${blocks.join(', ')}, 95% interval ${low} to ${high}`);
  const clock = report.clock;
  check(clock.agrees && !clock.coarse && clock.resolution_seconds > 0 && clock.resolution_seconds <= 20e-6 &&
        clock.resolution_seconds === report.host.clock_resolution_seconds &&
        Math.abs(clock.counter_seconds / clock.reference_seconds - 1) < 0.03 && clock.headline_bound < 0.01 &&
        v.measurement_validated === true && v.measurement_problems.length === 0,
  `the JSON's clock: checked against the wall clock, fine, its bound under 1%: ${JSON.stringify(clock)}`);
  check(v.validated && v.digest === v.expected_digest && v.timed_runs.first_wrong_run === null &&
        v.timed_runs.warmup_digest === v.timed_runs.expected_digest && v.normalised_residual < 10,
  `the JSON's validation: ${JSON.stringify(v)}`);
  if (options.compare) {
    const compared = execFileSync('/usr/bin/python3', [options.compare, file, file], { encoding: 'utf8' });
    check(compared.split('\n').filter((line) => line.startsWith('browser.json')).length === 3 &&
          compared.includes('browser.json against browser.json: 1.000 (95% interval') && compared.includes('no change'),
          `compare_results.py reads it: ${compared.split('\n')[1]}`);
  }
  return report;
}

async function checkShareLink(browser, page, report, url) {
  const link = await page.locator('#share').getAttribute('href');
  const shared = await newPage(browser, DESKTOP);
  await shared.goto(new URL(link, url).href);
  await shared.waitForSelector('#results:not([hidden])');
  const status = await text(shared, '#status');
  const heading = await text(shared, '#results-heading');
  const best = await shared.locator('#statistics dd').first().innerText();
  check(link.includes('#result=') && status === report.result_line && heading.startsWith('A shared result') &&
        best.startsWith(`${report.measurement.runs} in`),
  `the share link opens the page showing that result: "${status}", "${heading}"`);
  if (placeable(report)) {
    await shared.waitForSelector('#standing:not([hidden])', { timeout: 60000 });
    check(/^\d+ of \d+: the \d+ entries/.test((await standingLines(shared)).rank), 'and where it stands');
  }
  await shared.context().close();

  // A result of nine runs holds, though it is no entry for the table: the
  // page shows it.
  const nine = fewerRuns(report, 9);
  const short = await newPage(browser, DESKTOP);
  await short.goto(new URL(location(url) + shareFragment(nine), url).href);
  await short.waitForSelector('#results:not([hidden])');
  check(await text(short, '#status') === nine.result_line && await short.locator('#statistics').isVisible(),
        `a shared result of nine runs is shown: "${await text(short, '#status')}"`);
  await short.context().close();

  // A result whose warm-up or untimed solve was wrong, or whose time was no
  // measurement, is shown as a failure, though every timed run was right.
  const forgeries = {
    'a wrong warm-up': (r) => ({ ...r, validation: { ...r.validation, validated: false,
      timed_runs: { ...r.validation.timed_runs, warmup_digest: '0x0000000000000001' } } }),
    'a wrong untimed solve': (r) => ({ ...r, validation: { ...r.validation, validated: false, digest: '0x0000000000000002' } }),
    'a clock at the wrong rate': (r) => ({ ...r, clock: { ...r.clock, counter_seconds: r.clock.reference_seconds * 1.05,
      agrees: false }, validation: { ...r.validation, measurement_validated: false, measurement_problems: [{
      code: 'clocks_disagree', counter_seconds: r.clock.reference_seconds * 1.05, reference_seconds: r.clock.reference_seconds }] } }),
  };
  for (const [what, forge] of Object.entries(forgeries)) {
    const forged = await newPage(browser, DESKTOP);
    await forged.goto(new URL(location(url) + shareFragment(forge(report)), url).href);
    await forged.waitForSelector('#results:not([hidden])');
    const shown = await text(forged, '#status');
    check(!shown.includes('CPU performance') && shown.startsWith("This link's shared result is not a measurement: ") &&
          await forged.locator('#status.failure').count() === 1 && await forged.locator('#validation li.wrong').count() >= 1 &&
          !(await forged.locator('#statistics').isVisible()),
    `a shared result with ${what} shows a failure, no result: "${shown}"`);
    await forged.context().close();
  }
}

const location = (url) => new URL(url).pathname;

// Copies at once, "all" chosen on the page (the other engines' tests ask
// for them in the address): each Worker's figures, their sum and
// efficiency against one alone, validated and held by the gate.
async function checkCopies(browser, url, work) {
  const page = await newPage(browser, DESKTOP);
  await page.goto(url);
  await page.waitForSelector('#context-lines dd');
  const all = await page.evaluate(() => navigator.hardwareConcurrency);
  const offered = await page.locator('#copies option').allInnerTexts();
  await page.selectOption('#copies', { label: offered.at(-1) });
  check(offered[0] === '1 (one core)' && offered.at(-1) === `all (${all})` && offered.length === all,
        `the copies offered: ${offered.join(', ')}`);
  await page.click('#run');
  await page.waitForFunction(() => !document.querySelector('#run').hidden, null, { timeout: 120000 });
  const [download] = await Promise.all([page.waitForEvent('download'), page.click('#download')]);
  await download.saveAs(join(work, 'copies.json'));
  const report = JSON.parse(readFileSync(join(work, 'copies.json'), 'utf8'));
  const c = report.copies, problems = checkResult(report).filter((p) => p.kind !== 'entry');
  const sum = report.processes.reduce((total, p) => total + p.headline_kflops, 0);
  check(c && c.count === all && report.validation.validated && c.sum_kflops === sum && problems.length === 0,
  `all copies at once: sum ${c && c.sum_kflops} KFLOPS, efficiency ${c && c.efficiency}, held: ${JSON.stringify(problems)}`);
  await page.context().close();
}

// After a run: the form that adds it to the results table says what is
// missing, then saves the two files as the gate would take them (or says,
// as the gate would, why a build of a changed tree is no entry).
async function checkAddForm(page, report) {
  await page.click('#add-form button');
  const missing = await page.locator('#add-problems li.wrong').allInnerTexts();
  // What the report itself lacks comes first (a machine that was busy);
  // a report that holds leaves the description's gaps.
  const reportProblems = checkResult(report).map((p) => p.text);
  check(reportProblems.length ? missing.join() === reportProblems.join()
    : missing.some((p) => p.startsWith('"machine" must name')) && missing.some((p) => p.startsWith('"processor" must name')),
  `the form says what an entry lacks: ${missing.join('; ')}`);
  const about = { machine: 'Test machine <i>1</i>', processor: 'Some CPU', measured_by: 'the page test',
    measured_on: report.timestamp_utc.slice(0, 10) };
  await page.fill('#add-machine', about.machine);
  await page.fill('#add-processor', about.processor);
  await page.fill('#add-by', about.measured_by);
  const expected = entryProblems(report, about);
  if (expected.length) {
    await page.click('#add-form button');
    const said = await page.locator('#add-problems li.wrong').allInnerTexts();
    check(said.join() === expected.join(), `the form refuses as the gate does: ${said.join('; ')}`);
    return;
  }
  const saved = [];
  page.on('download', (download) => saved.push(download));
  await page.click('#add-form button');
  await page.waitForFunction(() => document.querySelector('#add-problems li')?.textContent.startsWith('Saved'));
  while (saved.length < 2) await new Promise((resolve) => setTimeout(resolve, 100));
  const files = entryFiles(report, about);
  const [first, second] = await Promise.all(saved.map(async (d) => [d.suggestedFilename(), JSON.parse(readFileSync(await d.path(), 'utf8'))]));
  check(first[0] === files.report && JSON.stringify(first[1]) === JSON.stringify(report) && second[0] === files.about &&
        JSON.stringify(second[1]) === JSON.stringify(about) && entryProblems(first[1], second[1]).length === 0,
  `the form saves ${files.report} as written and ${files.about}, which the gate takes`);
}

// The results page: every entry, sorted, filtered, searched, two compared,
// exported, a result of one's own placed, markup shown as text.
async function checkResultsPage(browser, measured, url, work, shots) {
  const entries = JSON.parse(readFileSync(join(options.site, 'results-table.json'), 'utf8')).entries;
  // A result the machine made not comparable is not placed; then the
  // runner's report of eight processes stands in for it.
  const report = placeable(measured) ? measured
    : JSON.parse(readFileSync(join(dirname(fileURLToPath(import.meta.url)), 'runner-report-5.json'), 'utf8'));
  const browserRow = report.host.browser ? 1 : 0;
  const page = await newPage(browser, { width: 1400, height: 900 });
  await page.goto(new URL('results.html' + shareFragment(report), url).href);
  await page.waitForSelector('#entries tr td');
  const headlines = async () => (await page.locator('#entries tr td:nth-child(9)').allInnerTexts()).map(Number);
  const shown = await headlines();
  check(shown.length === entries.length + 1 && await page.locator('#entries tr.own').count() === 1 &&
        shown.every((v, i) => i === 0 || v <= shown[i - 1]),
  `the results page lists the ${entries.length} entries and this result, fastest first`);
  const own = await page.locator('#entries tr').evaluateAll((rows) => rows.findIndex((r) => r.classList.contains('own')));
  const rank = Number(await page.locator('#entries tr.own td:nth-child(2)').innerText());
  check(own === entries.filter((e) => e.headline_kflops > report.statistics.headline_kflops).length + 1 &&
        rank === standingOf(report, entries).rank, `this result is placed in its row (${own}), of rank ${rank}`);
  if (shots) await page.screenshot({ path: join(shots, 'web-results-page.png'), fullPage: true });
  await page.click('#entries th button[data-field="headline_kflops"]');
  const ascending = await headlines();
  check(ascending.every((v, i) => i === 0 || v >= ascending[i - 1]), 'a click on the headline sorts it the other way');
  await page.selectOption('#kind', 'browser');
  const platforms = await page.locator('#entries tr td:nth-child(6)').allInnerTexts();
  check(platforms.length === entries.filter((e) => e.kind === 'browser').length + browserRow &&
        platforms.every((p) => /^(Chromium|Firefox|WebKitGTK)/.test(p)), `filtered by kind: ${platforms.length} browsers`);
  await page.selectOption('#kind', '');
  await page.fill('#search', 'firefox');
  const found = await page.locator('#entries tr td:nth-child(6)').allInnerTexts();
  check(found.length === entries.filter((e) => /firefox/i.test(e.platform)).length && found.every((p) => p.startsWith('Firefox')),
        `searched for "firefox": ${found.length} rows`);
  await page.fill('#search', '');
  // The first two rows that are entries (this result may be among them).
  const [a, b] = (await page.locator('#entries tr[data-entry]').evaluateAll((rows) => rows.map((r) => r.dataset.entry)))
    .filter((name) => name !== 'this result').slice(0, 2);
  for (const name of [a, b]) await page.locator(`#entries tr[data-entry="${name}"] input`).check();
  const ratio = entries.find((e) => e.entry === a).headline_kflops / entries.find((e) => e.entry === b).headline_kflops;
  check((await text(page, '#ratio')) === `${a}: ${ratio.toFixed(2)} times the headline of ${b}`,
        `two entries side by side: "${await text(page, '#ratio')}"`);
  const [csv] = await Promise.all([page.waitForEvent('download'), page.click('#export-csv')]);
  const [json] = await Promise.all([page.waitForEvent('download'), page.click('#export-json')]);
  const lines = readFileSync(await csv.path(), 'utf8').trim().split('\r\n');
  const exported = JSON.parse(readFileSync(await json.path(), 'utf8')).entries;
  check(csv.suggestedFilename() === 'velmark-results.csv' && lines.length === entries.length + 2 &&
        lines[0].startsWith('entry,rank,machine') && exported.length === entries.length + 1,
  `exported as CSV (${lines.length - 1} rows) and JSON (${exported.length} entries)`);
  await page.context().close();

  // Markup in an entry is text.
  const site = join(work, 'site-with-markup');
  cpSync(options.site, site, { recursive: true });
  const table = JSON.parse(readFileSync(join(site, 'results-table.json'), 'utf8'));
  table.entries[0].machine = '<img src=x onerror="window.pwned=1">';
  writeFileSync(join(site, 'results-table.json'), JSON.stringify(table));
  const marked = await newPage(browser, DESKTOP);
  await marked.goto(await serve(site) + 'results.html');
  await marked.waitForSelector('#entries tr td');
  check(await marked.locator('#entries img').count() === 0 && await marked.evaluate(() => window.pwned === undefined) &&
        (await marked.locator('#entries tr td:nth-child(3)').allInnerTexts()).includes(table.entries[0].machine),
  'markup in an entry of the table is shown as text and not run');
  await marked.context().close();
}

// Markup in a shared result's texts is shown as text, never made into
// elements or run.
async function checkMarkupInShare(browser, report, url) {
  const markup = '<img src=x onerror="window.pwned=1">';
  const page = await newPage(browser, DESKTOP);
  await page.goto(new URL(location(url) + shareFragment({ ...report, host: { ...report.host, browser: markup } }), url).href);
  await page.waitForSelector('#results:not([hidden])');
  const lines = await contextLines(page);
  check(lines.browser === markup && await page.locator('img[src="x"]').count() === 0 &&
        await page.evaluate(() => window.pwned === undefined),
  'markup in a shared result is shown as text and not run');
  await page.context().close();
}

async function checkPlainModule(browser, url) {
  const page = await newPage(browser, DESKTOP);
  await page.goto(url + '?module=velmark.wasm');
  check((await contextLines(page)).kernels === 'portable', 'the plain module is the one named');
  await run(page);
  check(RESULT.test(await text(page, '#status')), `the plain module's result line "${await text(page, '#status')}"`);
  await page.context().close();
}

async function checkWrongKernel(browser, work) {
  const site = join(work, 'site-with-a-wrong-kernel');
  cpSync(options.site, site, { recursive: true });
  copyFileSync(options['wrong-module'], join(site, 'velmark-wrong.wasm'));
  const url = await serve(site);
  const page = await newPage(browser, DESKTOP);
  await page.goto(url + '?module=velmark-wrong.wasm');
  await run(page);
  const status = await text(page, '#status');
  const validation = await page.locator('#validation li').allInnerTexts();
  check(!status.includes('CPU performance') && status.includes('could not validate its own arithmetic') &&
        validation.includes('correct operation NOT validated'),
  `a wrong kernel shows a failure and no result: "${status}"`);
  await page.context().close();
}

async function checkWithout(browser, url, feature, script) {
  const page = await newPage(browser, DESKTOP, script);
  await page.goto(url);
  const status = await text(page, '#status');
  check(status.includes(`it has no ${feature}`) && await page.locator('#run').isDisabled(),
        `without ${feature}: "${status}"`);
  await page.context().close();
}

// A plain static host (no headers): the page's service worker makes it
// cross-origin isolated one reload later, with the fine clock.
async function checkStaticHost(browser) {
  const url = await serve(options.site, false);
  const page = await newPage(browser, DESKTOP);
  await page.goto(url);
  await page.waitForFunction(() => globalThis.crossOriginIsolated === true, null, { timeout: 90000 });
  const lines = await contextLines(page);
  const navigation = await page.evaluate(() => performance.getEntriesByType('navigation')[0].type);
  check(lines['cross-origin isolated'] === 'yes' && parseFloat(lines['clock resolution']) <= 20 &&
        navigation === 'reload' && !(await page.locator('#notice').isVisible()),
  `a plain static host: isolated one reload later, a ${lines['clock resolution']} clock, no note that it is coarse`);
  // Reloaded later, once its worker has gone idle, it is isolated again
  // (Chromium may answer the reload from the network while the worker
  // starts: the page then mends that with its one guarded reload).
  await page.waitForTimeout(12000);
  await page.reload();
  const isolated = await page.waitForFunction(() => globalThis.crossOriginIsolated === true, null, { timeout: 90000 })
    .then(() => true, () => false);
  check(isolated && (await contextLines(page))['cross-origin isolated'] === 'yes',
        'a plain static host reloaded 12 s later is isolated again');
  await page.context().close();

  // A browser that gives the page no service workers stays unisolated;
  // whether its figure is coarse is the measurement's verdict alone (the
  // bound its clock's steps put on the headline), and the page's notice
  // and result line follow that verdict, whatever the machine's speed.
  const without = await newPage(browser, DESKTOP, () => {
    Object.defineProperty(Navigator.prototype, 'serviceWorker', { get: () => undefined });
  });
  await without.goto(url);
  await checkCoarseFollowsTheMeasurement(without, 'without service workers', 'This browser gives the page no service workers');
  await without.context().close();
}

// After a Run on a page that is not isolated: the notice and the result
// line's mark are there exactly when the report's own coarse verdict says
// so, and that verdict is the one its numbers give (the results' checker
// recomputes it).
async function checkCoarseFollowsTheMeasurement(page, what, why) {
  const lines = await contextLines(page);
  check(lines['cross-origin isolated'] === 'no' && !(await page.locator('#notice').isVisible()),
        `${what}: not isolated, a ${lines['clock resolution']} clock, and no notice before a figure is measured`);
  await run(page);
  const status = await text(page, '#status');
  const [download] = await Promise.all([page.waitForEvent('download'), page.click('#download')]);
  const report = JSON.parse(readFileSync(await download.path(), 'utf8'));
  const notice = await page.locator('#notice').isVisible() ? await page.locator('#notice').innerText() : null;
  const problems = checkResult(report).filter((p) => p.kind !== 'entry');
  const marked = /^CPU performance \d+\.\d\d MFlops \(coarse: the clock's steps move it by about [\d.]+%, so it is not a comparable result\)$/;
  check(problems.length === 0 && (report.clock.coarse
    ? marked.test(status) && notice.startsWith(why) && notice.includes('the figure is coarse')
    : RESULT.test(status) && notice === null),
  `${what}: the figure is ${report.clock.coarse ? '' : 'not '}coarse by its bound of ` +
    `${(100 * report.clock.headline_bound).toPrecision(2)}%, and the page says so alike: "${status}"` +
    (problems.length ? ` ${problems[0].text}` : ''));
}

// An origin that is not secure (a plain http:// name other than this
// machine's) cannot be isolated.
async function checkNotSecureOrigin(url) {
  const port = new URL(url).port;
  const insecure = await chromium.launch({
    executablePath: '/usr/bin/chromium',
    args: [...CHROMIUM_ARGUMENTS, '--host-resolver-rules=MAP velmark.test 127.0.0.1'],
  });
  try {
    const page = await newPage(insecure, DESKTOP);
    await page.goto(`http://velmark.test:${port}/`);
    await checkCoarseFollowsTheMeasurement(page, 'an origin that is not secure', 'This page is not served from a secure origin');
  } finally {
    await insecure.close();
  }
}

const browser = await chromium.launch({ executablePath: '/usr/bin/chromium', args: CHROMIUM_ARGUMENTS });
const work = mkdtempSync(join(tmpdir(), 'velmark-page-'));
try {
  if (options.shots) mkdirSync(options.shots, { recursive: true });
  const url = await serve(options.site);
  const desktop = await newPage(browser, DESKTOP);
  await desktop.goto(url);
  check(await text(desktop, '#name') === 'Velmark-WinCE-ARMV4I' &&
        await text(desktop, '#status') === 'Tap the Run button to start Velmark benchmark measuring CPU performance.' &&
        await text(desktop, '#run') === 'Run', 'the dialog\'s texts: the name line, the instruction, Run');
  const status = await checkRun(desktop, 'desktop', options.shots);
  if (!options.quick) {
    const report = await checkReport(desktop, status, work);
    await checkAddForm(desktop, report);
    await checkShareLink(browser, desktop, report, url);
    await checkResultsPage(browser, report, url, work, options.shots);
    await checkMarkupInShare(browser, report, url);
    await checkCopies(browser, url, work);
    const phone = await newPage(browser, PHONE);
    await phone.goto(url);
    await checkRun(phone, 'phone', options.shots);
    await checkPlainModule(browser, url);
    if (options['wrong-module']) await checkWrongKernel(browser, work);
    await checkWithout(browser, url, 'WebAssembly', () => { delete globalThis.WebAssembly; });
    await checkWithout(browser, url, 'Web Workers', () => { delete globalThis.Worker; });
    await checkStaticHost(browser);
    await checkNotSecureOrigin(url);
  }
} catch (error) {
  check(false, `the page test runs to its end: ${error.stack || error}`);
} finally {
  await browser.close();
  stopServers();
  rmSync(work, { recursive: true, force: true });
}
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
