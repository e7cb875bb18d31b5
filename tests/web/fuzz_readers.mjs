// The two readers of results from strangers, fuzzed for a bounded time:
// the share link's (readFragment) and the checker's (checkResult), on
// random fragments and on mutations of a real report: deleted and retyped
// fields, NaN and infinities where JSON allows them as strings, huge,
// negative and fractional numbers, markup in texts, prototype keys, raw
// numbers changed under their recorded verdicts. Neither may throw; a report
// the checker admits must carry every figure and verdict of the one it came
// from (a change to a raw number, a figure or a verdict is refused); the
// page's lists must be made from whatever it admits; and the readers must
// not let a key reach an object's prototype.
//
// usage: node fuzz_readers.mjs REPORT.json [SECONDS]
import { readFileSync } from 'node:fs';

import { readFragment, resultView, shareFragment } from '../../web/report.js';
import { checkResult } from '../../web/result_check.js';

const [reportFile, secondsText = '10'] = process.argv.slice(2);
const original = JSON.parse(readFileSync(reportFile, 'utf8'));
let passed = 0, failed = 0;

function check(ok, what) {
  console.log((ok ? 'ok   ' : 'FAIL ') + what);
  ok ? ++passed : ++failed;
  return ok;
}

let seed = 20261210;
const random = () => ((seed = (Math.imul(seed, 1103515245) + 12345) >>> 0) / 2 ** 32);
const pick = (list) => list[Math.floor(random() * list.length)];

// Every path to a value in the report.
function paths(value, prefix = []) {
  if (value === null || typeof value !== 'object') return [prefix];
  return [prefix, ...Object.keys(value).flatMap((key) => paths(value[key], [...prefix, key]))];
}
const REPLACEMENTS = [null, true, false, 0, -1, -0.5, 1e308, -1e308, 2 ** 53, 2147483648, 'NaN', 'Infinity', '',
  '<img src=x onerror="globalThis.pwned=1">', [], {}, [1, 2], { __proto__: { polluted: true } }, '0x49fc1a1a7a570778'];

// The paths by field (array indices as #), so that each field is as likely
// to be mutated as another, however long the lists of runs.
function byField(report) {
  const fields = new Map();
  for (const path of paths(report).filter((p) => p.length > 0)) {
    const field = path.map((key) => (/^\d+$/.test(key) ? '#' : key)).join('.');
    fields.set(field, [...(fields.get(field) || []), path]);
  }
  return [...fields.values()];
}

// A replacement of its own, so that two mutations never share an object
// (its prototype kept: one replacement carries a prototype key).
const fresh = (value) => (value && typeof value === 'object'
  ? Object.assign(Array.isArray(value) ? [] : Object.create(Object.getPrototypeOf(value)), value) : value);

function mutate(report) {
  const copy = JSON.parse(JSON.stringify(report));
  const fields = byField(copy);
  for (let n = 1 + Math.floor(random() * 3); n > 0; --n) {
    const path = pick(pick(fields));
    let parent = copy;
    for (const key of path.slice(0, -1)) parent = parent && typeof parent === 'object' ? parent[key] : undefined;
    if (!parent || typeof parent !== 'object') continue;
    const key = path.at(-1), how = random();
    if (typeof parent[key] === 'boolean' && how < 0.6) parent[key] = !parent[key];
    else if (how < 0.2) delete parent[key];
    else if (how < 0.5 && typeof parent[key] === 'number') parent[key] = parent[key] * pick([1.0000001, 2, -1, 0]) + pick([0, 1, 0.5]);
    else parent[key] = fresh(pick(REPLACEMENTS));
  }
  return copy;
}

// What a report claims from its raw numbers: its figures and its verdicts.
// A mutation the checker admits may have touched a text or a raw number
// too little to move any of them, never one of these.
const figures = (r) => [r.runs_kflops, r.statistics, r.result_line, r.timing_table,
  r.clock && [r.clock.agrees, r.clock.headline_bound, r.clock.coarse],
  r.validation && [r.validation.validated, r.validation.measurement_validated, r.validation.measurement_problems,
    r.validation.digest, r.validation.normalised_residual, r.validation.max_error, r.validation.timed_runs]];

// Raw numbers changed under their recorded verdicts, each enough to move a
// verdict or a figure: every one must be refused.
const headlineRun = original.statistics.headline_first_run - 1;
const VERDICT_FORGERIES = [
  (r) => { r.clock.counter_seconds *= 1.05; },
  (r) => { r.clock.reference_seconds *= 0.95; },
  (r) => { r.clock.resolution_seconds *= 1000; if (r.host.browser) r.host.clock_resolution_seconds = r.clock.resolution_seconds; },
  (r) => { r.clock.reference_resolution_seconds = 0.05 * r.clock.reference_seconds; },
  (r) => { r.runs_averaged_totals_seconds[headlineRun] = r.runs_averaged_totals_seconds[headlineRun].map((t) => 3 * t); },
  (r) => { r.measurement.seconds *= 2; },
  (r) => { r.validation.normalised_residual *= 1.5; },
  (r) => { r.validation.timed_runs.warmup_digest = '0x0000000000000000'; },
];
let verdictsPassed = 0;
for (const forge of VERDICT_FORGERIES) {
  const forged = JSON.parse(JSON.stringify(original));
  forge(forged);
  if (checkResult(forged).length === 0) ++verdictsPassed;
}
check(verdictsPassed === 0, `every raw number changed under its recorded verdicts is refused (${verdictsPassed} of ${VERDICT_FORGERIES.length} passed)`);
let firstForged = '';
const deadline = Date.now() + 1000 * Number(secondsText);
let tries = 0, throws = 0, passedForged = 0, polluted = 0, firstThrow = '';
check(checkResult(original).length === 0, 'the real report holds');
while (Date.now() < deadline) {
  ++tries;
  let fragment = null, mutated = null;
  const how = random();
  if (how < 0.1) {
    fragment = '#result=' + Array.from({ length: Math.floor(random() * 200) }, () =>
      pick('ABCxyz019-_+/=%<>"\'\u00ff\u2028'.split(''))).join('');
  } else {
    mutated = mutate(original);
    // A share link's way, now and then: the report through base64url, cut
    // short or with a letter changed; else the report as a file gives it.
    if (how < 0.25) {
      fragment = shareFragment(mutated);
      if (how < 0.15) fragment = fragment.slice(0, Math.floor(random() * fragment.length));
      else if (how < 0.2) fragment = fragment.replace(/[A-Z]/, 'a');
    }
  }
  try {
    const read = fragment === null ? { report: JSON.parse(JSON.stringify(mutated)) } : readFragment(fragment);
    if (read && read.report !== undefined) {
      const problems = checkResult(read.report);
      if (!Array.isArray(problems)) throw new Error('no list of problems');
      // What the page lists of a report it admits must never fail to be made.
      if (problems.every((p) => p.kind === 'entry')) resultView(read.report);
      if (problems.length === 0 && JSON.stringify(figures(read.report)) !== JSON.stringify(figures(original))) {
        ++passedForged;
        if (!firstForged) firstForged = JSON.stringify(figures(read.report)).slice(0, 300);
      }
    }
  } catch (error) {
    if (!throws++) firstThrow = `${error.stack}\n${fragment.slice(0, 300)}`;
  }
  if ({}.polluted !== undefined || globalThis.pwned !== undefined) ++polluted;
}
check(throws === 0, `neither reader throws on ${tries} fragments and reports${throws ? `: ${throws}, the first ${firstThrow}` : ''}`);
check(passedForged === 0, `no report with a changed figure or verdict passes (${passedForged} did${firstForged ? `: ${firstForged}` : ''})`);
check(polluted === 0, 'no key reached an object prototype, and nothing was run');
check(readFragment('#result=eyJzY2hlbWFfdmVyc2lvbiI6Mn0').report.schema_version === 2 &&
      checkResult({ schema_version: 2 })[0].text.startsWith('schema_version is 2, not schema 3 to 5'),
'a link carrying only {"schema_version":2} is read and refused for its schema, not a crash');
check(readFragment('#result=%%%').error.includes('not base64url') && readFragment('#result=bm90IGpzb24').error.includes('JSON'),
      'a link that is not base64, or not JSON, says so');
const deep = '#result=' + Buffer.from('['.repeat(5000) + ']'.repeat(5000)).toString('base64url');
check(/nests 5000 deep/.test(readFragment(deep).error) && checkResult(JSON.parse('['.repeat(100000) + ']'.repeat(100000)))[0].kind === 'form',
      'a link or a report of deep brackets is refused without a throw');
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
