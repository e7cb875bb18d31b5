// The page: the dialog's texts and look, the Run command that has a worker
// make the measurement, then the result line or a failure, what it ran on,
// the best run's timing table, the statistics, the validation, the JSON
// report and a share link.
import { Engine, clockResolution, moduleFor } from './engine.js';
import { microseconds, outcome, readFragment, reportJson, resultView, shareFragment } from './report.js';
import {
  CAPTION, DATE_LINE, DEFAULT_BUDGET_SECONDS, DEFAULT_PROCESSES, INSTRUCTION, NAME_LINE, RUN, WAITING,
} from './constants.js';
import { combineCopies, combineMeasurements } from './repetition.js';
import { entryFiles, entryProblems } from './entry_check.js';
import { checkResult, olderSchemaLacks } from './result_check.js';
import { placeable, standingOf } from './standing.js';

const $ = (id) => document.getElementById(id);
let lastReport = null;

function element(tag, text, className) {
  const made = document.createElement(tag);
  if (text !== undefined) made.textContent = text;
  if (className) made.className = className;
  return made;
}

function fillList(list, pairs) {
  list.replaceChildren(...pairs.flatMap(([term, value]) => [element('dt', term), element('dd', String(value))]));
}

// ---- what it runs on ----

// The browser's full version, where it tells it (Chromium's client hints:
// its user-agent string gives the major version alone).
async function fullVersions() {
  try {
    const hints = await navigator.userAgentData.getHighEntropyValues(['fullVersionList']);
    return Object.fromEntries(hints.fullVersionList.map(({ brand, version }) => [brand, version]));
  } catch {
    return {};
  }
}

function browserAndSystem(versions = {}) {
  const agent = navigator.userAgent;
  const browser = [/Edg\/([\d.]+)/, /Firefox\/([\d.]+)/, /(?:Headless)?Chrome\/([\d.]+)/, /Version\/([\d.]+).*Safari/]
    .map((pattern, i) => [['Edge', 'Firefox', 'Chromium', 'Safari'][i], pattern.exec(agent)])
    .find(([, found]) => found);
  const headless = /HeadlessChrome/.test(agent) ? ' (headless)' : '';
  const systems = [[/Android ([\d.]+)/, 'Android'], [/iPhone OS ([\d_]+)/, 'iOS'], [/Windows NT ([\d.]+)/, 'Windows'],
    [/Mac OS X ([\d_]+)/, 'macOS'], [/CrOS/, 'ChromeOS'], [/Linux/, 'Linux']];
  const system = systems.map(([pattern, name]) => [name, pattern.exec(agent)]).find(([, found]) => found);
  const machine = /x86_64|Win64|x64|amd64/i.test(agent) ? ' x86_64' : /aarch64|arm64/i.test(agent) ? ' arm64' : '';
  const version = browser && (versions[browser[0]] || versions['Google Chrome'] || browser[1][1]);
  // Safari runs on Apple's systems alone; elsewhere a Safari-like agent is
  // a WebKit port whose "Version/" is made up (WebKitGTK says 60.5).
  const port = browser && browser[0] === 'Safari' && !/Macintosh|iPhone|iPad/.test(agent);
  return {
    browser: port ? (/WPE/.test(agent) ? 'WPE WebKit' : 'WebKitGTK')
      : browser ? `${browser[0]} ${version}${headless}` : 'unknown browser',
    os: system ? `${system[0]}${system[1][1] ? ' ' + system[1][1].replace(/_/g, '.') : ''}${machine}` : 'unknown',
  };
}

async function buildInfo() {
  try {
    const response = await fetch('build-info.json');
    if (response.ok) return await response.json();
  } catch {
    // shown as unknown below
  }
  return { velmark_version: 'unknown', compiler: 'unknown', flags: {} };
}

function gatherContext(info, module, kernels, resolution) {
  const { browser, os } = browserAndSystem(info.versions);
  return {
    velmark_version: info.velmark_version,
    timestamp_utc: new Date().toISOString().replace(/\.\d{3}Z$/, 'Z'),
    host: {
      os, cpu: 'unknown (a browser does not tell)', logical_cpus: navigator.hardwareConcurrency || 0,
      browser, cross_origin_isolated: Boolean(globalThis.crossOriginIsolated), clock_resolution_seconds: resolution,
    },
    build: { compiler: info.compiler, flags: (info.flags || {})[module] || 'unknown', kernels },
  };
}

// The page's context; the coarse notice is the measurement's own verdict
// (clock.coarse, from the bound its steps put on the headline), shown once
// a report says so and never guessed from the clock alone.
function showContext(host, kernels, coarse = false) {
  fillList($('context-lines'), [
    ['browser', host.browser],
    ['system', host.os],
    ['logical processors', host.logical_cpus],
    ['kernels', kernels],
    ['cross-origin isolated', host.cross_origin_isolated ? 'yes' : 'no'],
    ['clock resolution', microseconds(host.clock_resolution_seconds)],
  ]);
  $('notice').hidden = !coarse;
  if (coarse) $('notice').textContent = coarseClockNotice(host);
}

// Why the page has a coarse clock, and what that does to its figure.
function coarseClockNotice(host) {
  const why = host.cross_origin_isolated ? 'This browser coarsens its clock even for an isolated page'
    : !globalThis.isSecureContext ? 'This page is not served from a secure origin (HTTPS, or this machine itself), ' +
      'so it cannot be made cross-origin isolated'
      : !navigator.serviceWorker ? 'This browser gives the page no service workers (a private window, or a setting ' +
        'does that), so the page cannot make itself cross-origin isolated'
        : 'The page is not cross-origin isolated yet (its service worker makes it so on the next load)';
  return `${why}: its clock ticks every ${microseconds(host.clock_resolution_seconds)}, so the figure is coarse. ` +
    'Its steps move the figure too far for it to compare, so it is shown with its bound, not as a result. ' +
    'A host that sends the headers Cross-Origin-Opener-Policy: same-origin and ' +
    'Cross-Origin-Embedder-Policy: require-corp gives a fine clock (HEADERS.txt says how).';
}

// What a shared result ran on: a browser or a native runner.
function showSharedContext(report) {
  const host = report.host;
  fillList($('context-lines'), [
    ...(host.browser ? [['browser', host.browser]] : [['runner', `${report.build.platform}, ${report.build.compiler}`]]),
    ['system', host.os],
    ['processor', host.cpu],
    ['logical processors', host.logical_cpus],
    ['kernels', report.build.kernels],
    ...(typeof host.cross_origin_isolated === 'boolean' ? [['cross-origin isolated', host.cross_origin_isolated ? 'yes' : 'no']] : []),
    ['clock resolution', report.clock.resolution_seconds === null ? 'unknown' : microseconds(report.clock.resolution_seconds)],
  ]);
  $('notice').hidden = true;
}

// A shared result that does not hold: what is wrong with it, and nothing
// of it shown as a measurement.
function showRefusedShare(problems) {
  const status = $('status');
  status.classList.add('failure');
  status.textContent = `This link's shared result is not a measurement: ${problems[0]}.`;
  $('results').hidden = false;
  $('results-heading').textContent = 'A shared result that does not hold';
  for (const id of ['statistics', 'table-part', 'actions', 'standing']) $(id).hidden = true;
  $('validation').replaceChildren(...problems.map((problem) => element('li', problem, 'wrong')));
}

// The result's place among the entries of the results table that ships
// with the page; only a fine, validated measurement has one.
let tablePromise = null;
async function showStanding(report) {
  $('standing').hidden = true;
  if (!placeable(report)) return;
  tablePromise = tablePromise || fetch('results-table.json').then((r) => (r.ok ? r.json() : null)).catch(() => null);
  const table = await tablePromise;
  if (!table || !Array.isArray(table.entries) || table.entries.length === 0) return;
  const place = standingOf(report, table.entries);
  $('in-table').href = 'results.html' + shareFragment(report);
  const name = (e) => `${e.machine}, ${e.platform} ${e.kernels}: ${(e.headline_kflops / 1000).toFixed(2)} MFlops`;
  fillList($('standing-lines'), [
    ['rank', `${place.rank} of ${place.of}: the ${table.entries.length} entries of the results table, and this result`],
    ['just above', place.above ? name(place.above) : 'none: the fastest'],
    ['just below', place.below ? name(place.below) : 'none: the slowest'],
    ['to the fastest', `${place.toFastest.toFixed(2)} times ${name([...table.entries].sort((a, b) => b.headline_kflops - a.headline_kflops)[0])}`],
    ['to the median entry', `${place.toMedian.toFixed(2)} times`],
  ]);
  $('standing').hidden = false;
}

// ---- the results ----

function showResults(report, shared) {
  $('results').hidden = false;
  const lacks = shared && olderSchemaLacks(report);
  $('results-heading').textContent = shared ? `A shared result, measured ${report.timestamp_utc}` +
    (lacks ? ` (${lacks})` : '') : 'The measurement';
  if (shared) showSharedContext(report);
  for (const id of ['statistics', 'table-part', 'actions']) $(id).hidden = false;
  const view = resultView(report);
  fillList($('statistics'), view.statistics);
  const header = element('tr');
  header.append(element('th', 'layout'), ...report.timing_table.map((c) => element('th', `${c.layout} ${c.kind === 'averaged' ? 'avg' : 'single'}`)));
  const rows = [['factor s', 'factor_seconds'], ['solve s', 'solve_seconds'], ['total s', 'total_seconds'], ['KFLOPS', 'kflops']]
    .map(([name, field]) => {
      const row = element('tr');
      row.append(element('th', name), ...report.timing_table.map((c) => element('td',
        c[field] === null ? 'inf' : field === 'kflops' ? c[field].toFixed(1) : c[field].toExponential(4))));
      return row;
    });
  $('table').replaceChildren(header, ...rows);
  $('validation').replaceChildren(...view.validation.map(([text, wrong]) => element('li', text, wrong ? 'wrong' : undefined)));
  $('share').href = location.pathname + shareFragment(report);
  lastReport = report;
}

function showOutcome(report) {
  const { text, failure } = outcome(report);
  $('status').classList.toggle('failure', failure);
  $('status').textContent = text;
}

// The kernels a module says it was built with (velmark_kernels): loaded
// here with a clock that never runs, since nothing is timed.
async function moduleKernels(module) {
  try {
    const response = await fetch(module);
    if (!response.ok) return 'unknown';
    const engine = await Engine.load(await response.arrayBuffer(), { ticks: () => 0, frequency: () => 1 });
    return engine.kernels;
  } catch {
    return 'unknown';
  }
}

// ---- the Run command ----

// One measurement in a fresh Worker: its own module instance and memory.
// With `ready`, the Worker waits with its module loaded until go() is
// called on what ready(go) was given.
function measureInWorker(module, budget, ready = null) {
  return new Promise((resolve, reject) => {
    const worker = new Worker('worker.js', { type: 'module' });
    worker.onmessage = ({ data }) => {
      if (data.progress) return;
      if (data.ready) {
        ready(() => worker.postMessage({ go: true }));
        return;
      }
      worker.terminate();
      data.error ? reject(new Error(data.error)) : resolve(data);
    };
    worker.onerror = (event) => {
      worker.terminate();
      reject(new Error(event.message || 'the worker failed'));
    };
    worker.postMessage({ module, budget, barrier: Boolean(ready) });
  });
}

// Copies asked for in the address (?copies=N or ?copies=all, all being the
// logical processors the browser tells): 1 when none are.
function copiesAsked() {
  const asked = new URLSearchParams(location.search).get('copies');
  const all = navigator.hardwareConcurrency || 1;
  if (asked === 'all') return all;
  const count = Number(asked);
  return Number.isInteger(count) && count >= 1 && count <= all ? count : 1;
}

// The choice of copies at once: 1 (one core) to every logical processor the
// browser tells ("all"), the address's choice first; none where it tells one.
function offerCopies() {
  const all = navigator.hardwareConcurrency || 1;
  const name = (count) => (count === 1 ? '1 (one core)' : count === all ? `all (${all})` : String(count));
  $('copies').replaceChildren(...Array.from({ length: all }, (_, i) => new Option(name(i + 1), String(i + 1))));
  $('copies').value = String(copiesAsked());
  $('copies-choice').hidden = all < 2;
}

// One copy alone, then `count` copies at once, let go together once every
// Worker has loaded its module (the barrier).
async function measureCopies(module, count, logicalCpus) {
  const alone = (await measureInWorker(module, DEFAULT_BUDGET_SECONDS)).measurement;
  const releases = [];
  let allReady;
  const everyoneReady = new Promise((resolve) => { allReady = resolve; });
  const ready = (go) => {
    releases.push(go);
    if (releases.length === count) allReady();
  };
  const running = Array.from({ length: count }, () => measureInWorker(module, DEFAULT_BUDGET_SECONDS, ready));
  await Promise.race([everyoneReady, Promise.all(running)]);
  for (const go of releases) go();
  const parts = await Promise.all(running);
  return { parts, combined: combineCopies(alone, parts.map((p) => p.measurement), logicalCpus) };
}

// The measurement in DEFAULT_PROCESSES Workers, one after another, so that
// none measures beside another; they share the runner's time budget.
async function run(ready, module) {
  const button = $('run');
  button.hidden = true;
  $('copies').disabled = true;
  $('status').classList.remove('failure');
  $('status').textContent = WAITING;
  try {
    const copies = Number($('copies').value) || 1;
    let parts = [], measurement = null;
    if (copies > 1) {
      ({ parts, combined: measurement } = await measureCopies(module, copies, navigator.hardwareConcurrency || 0));
    } else {
      for (let i = 0; i < DEFAULT_PROCESSES; ++i) {
        parts.push(await measureInWorker(module, DEFAULT_BUDGET_SECONDS / DEFAULT_PROCESSES));
      }
    }
    const last = parts.at(-1);
    const resolution = Math.max(...parts.map((p) => p.measurement.clock.resolution_seconds ?? Infinity));
    const context = gatherContext(await ready, last.module, last.kernels, Number.isFinite(resolution) ? resolution : null);
    measurement = measurement || combineMeasurements(parts.map((p) => p.measurement), context.host.logical_cpus);
    const report = reportJson(context, measurement);
    showContext(context.host, last.kernels, report.clock.coarse);
    showOutcome(report);
    showResults(report, false);
    showStanding(report);
    $('add').hidden = false;
    $('add-problems').replaceChildren();
    history.replaceState(null, '', location.pathname);
  } catch (error) {
    $('status').classList.add('failure');
    $('status').textContent = `Velmark could not run: ${error.message}`;
  } finally {
    button.hidden = false;
    $('copies').disabled = false;
  }
}

function save(value, name) {
  const blob = new Blob([JSON.stringify(value) + '\n'], { type: 'application/json' });
  const link = element('a');
  link.href = URL.createObjectURL(blob);
  link.download = name;
  link.click();
  URL.revokeObjectURL(link.href);
}

function download() {
  if (lastReport) save(lastReport, `velmark-${lastReport.timestamp_utc.replace(/:/g, '-')}.json`);
}

// The form for adding this run to the results table: the description,
// checked with the report as the table's gate checks an entry, then the
// report as it was written and the description saved as results/ names them.
function addToTable(event) {
  event.preventDefault();
  if (!lastReport) return;
  const about = { machine: $('add-machine').value.trim(), processor: $('add-processor').value.trim(),
    measured_by: $('add-by').value.trim(), measured_on: lastReport.timestamp_utc.slice(0, 10) };
  if ($('add-note').value.trim()) about.note = $('add-note').value.trim();
  if (!about.processor) delete about.processor;
  const problems = entryProblems(lastReport, about);
  if (problems.length) {
    $('add-problems').replaceChildren(...problems.map((problem) => element('li', problem, 'wrong')));
    return;
  }
  const files = entryFiles(lastReport, about);
  save(lastReport, files.report);
  save(about, files.about);
  $('add-problems').replaceChildren(element('li', `Saved ${files.report} and ${files.about}: put them in results/ ` +
    'and follow results/README.md to submit them.'));
}

// The dialog's texts, the device's own (constants.js is made from
// its sources).
function showDialogTexts() {
  $('caption').textContent = CAPTION;
  $('name').textContent = NAME_LINE;
  $('date').textContent = DATE_LINE;
  $('status').textContent = INSTRUCTION;
  $('run').textContent = RUN;
}

// A page that its service worker controls has the worker's isolation
// headers, but Chromium may answer a reload from the network while the
// worker, gone idle, starts up again, and the page is then controlled yet
// not isolated, with a coarse clock. One reload, through the worker now
// running, mends that; a time in sessionStorage keeps it to one, and a page
// that is still not isolated says so instead of reloading again.
const ISOLATION_RELOAD = 'velmark-isolation-reload';
function recoverIsolation() {
  if (globalThis.crossOriginIsolated !== false || !navigator.serviceWorker || !navigator.serviceWorker.controller) {
    return 'isolated or not to be had';
  }
  let last = 0;
  try {
    last = Number(sessionStorage.getItem(ISOLATION_RELOAD)) || 0;
    if (Date.now() - last > 30000) {
      sessionStorage.setItem(ISOLATION_RELOAD, String(Date.now()));
      location.reload();
      return 'reloading';
    }
  } catch {
    // no session storage: no reload, as with one tried
  }
  $('notice').hidden = false;
  $('notice').textContent = 'The browser served this page without the isolation headers its service worker adds, ' +
    'even after a reload, so its clock is coarse. Reload it once more to run with a fine clock.';
  return 'tried';
}

async function start() {
  showDialogTexts();
  if (recoverIsolation() === 'reloading') return;
  const missing = typeof WebAssembly !== 'object' ? 'WebAssembly' : typeof Worker !== 'function' ? 'Web Workers' : null;
  if (missing) {
    $('run').disabled = true;
    $('status').classList.add('failure');
    $('status').textContent = `This browser cannot run Velmark: it has no ${missing}. ` +
      'A current Chrome, Edge, Firefox or Safari runs it.';
    $('context').hidden = true;
    return;
  }
  // ?module=velmark.wasm runs the plain kernels where the SIMD ones would
  // run, to compare them; only a module beside the page is taken.
  const asked = new URLSearchParams(location.search).get('module');
  const module = asked && /^[\w-]+\.wasm$/.test(asked) ? asked : moduleFor();
  // Run answers at once; the build's description, fetched meanwhile, goes
  // into the report when the run ends.
  const ready = Promise.all([buildInfo(), fullVersions()]).then(([info, versions]) => ({ ...info, versions }));
  offerCopies();
  $('run').addEventListener('click', () => run(ready, module));
  $('download').addEventListener('click', download);
  $('add-form').addEventListener('submit', addToTable);
  const info = await ready;
  const context = gatherContext(info, module, await moduleKernels(module), clockResolution());
  showContext(context.host, context.build.kernels);
  const shared = readFragment(location.hash);
  if (shared) {
    const problems = shared.error ? [shared.error]
      : checkResult(shared.report).filter((p) => p.kind !== 'entry').map((p) => p.text);
    if (problems.length) {
      showRefusedShare(problems);
    } else {
      showOutcome(shared.report);
      showResults(shared.report, true);
      showStanding(shared.report);
    }
  }
}

start();
