// The rules the page and the results' gate share, under node, at their
// edges: the verdict on the time (the steps' share of the span, the clocks'
// slack with the reference's own steps, the bound from the smaller total and
// from the runs of a short block, the coarse bound, a headline that is no
// rate), the best block (the first of equal ones), where a headline stands
// among the table's entries, and what the page lists of a report.
//
// usage: node check_rules.mjs REPORT.json
import { readFileSync } from 'node:fs';

import { COARSE_HEADLINE } from '../../web/constants.js';
import { INT32_MAX, bestBlock, judgeTime } from '../../web/run_statistics.js';
import { smallestStep } from '../../web/engine.js';
import { outcome, problemText, reportJson, resultView } from '../../web/report.js';
import { combineMeasurements } from '../../web/repetition.js';
import { placeable, standing, standingOf } from '../../web/standing.js';
import { entryFiles, entryProblems } from '../../web/entry_check.js';
import {
  compareEntries, filterEntries, ownEntry, sortEntries, toCsv,
} from '../../web/results_view.js';

const [reportFile] = process.argv.slice(2);
let passed = 0, failed = 0;

function check(ok, what) {
  console.log((ok ? 'ok   ' : 'FAIL ') + what);
  ok ? ++passed : ++failed;
  return ok;
}

const near = (a, b) => Math.abs(a - b) <= 1e-12 * Math.abs(b);
const headline = (totals, runs = 10, kflops = 1000) => ({ kflops, runs, totals, firstRun: 0 });
const clock = (more) => ({ counterStep: 1e-9, referenceStep: 1e-3, counterSeconds: 1, referenceSeconds: 1, ...more });
const codes = (verdict) => verdict.problems.map((p) => p.code).join() || 'none';

// The steps may take 2% of the span: 1.6% is a check, 2.5% is none.
const shares = [[0.016, true], [0.025, false]].map(([share, conclusive]) =>
  judgeTime(clock({ referenceStep: share, counterStep: 0 }), headline([1e-3, 1e-3])).agrees === conclusive);
check(shares.every(Boolean), 'the clocks\' steps may take 2% of the span, not 2.5%');

// 3% plus the steps: Date.now's 1 ms steps are slack too.
const slack = [[1.035, 0.01, true], [1.035, 0, false], [0.97, 0, true], [1.031, 0, false]]
  .map(([counted, referenceStep, agrees]) =>
    judgeTime(clock({ counterSeconds: counted, referenceStep }), headline([1e-3, 1e-3])).agrees === agrees);
check(slack.every(Boolean), `a counter within 3% plus both clocks' steps agrees, and only then: ${slack}`);
const disagree = judgeTime(clock({ counterSeconds: 1.05 }), headline([1e-3, 1e-3]));
check(codes(disagree) === 'clocks_disagree' && disagree.problems[0].counter_seconds === 1.05,
      `clocks 5% apart are a problem with their numbers: ${JSON.stringify(disagree.problems)}`);

// The bound: the counter's step over the smaller averaged total and the
// square root of 50 times the block's runs; coarse past 1.5%.
const bound = judgeTime(clock({ counterStep: 1e-5 }), headline([2e-3, 1e-3], 3)).bound;
check(near(bound, 1e-5 / (1e-3 * Math.sqrt(150))), `the bound from the smaller total and a block of three runs: ${bound}`);
const at = (share) => judgeTime(clock({ counterStep: share * 1e-3 * Math.sqrt(500) }), headline([1e-3, 1e-3])).coarse;
check(!at(COARSE_HEADLINE * 0.99) && at(COARSE_HEADLINE * 1.01) && at(2 * COARSE_HEADLINE * 0.99) && COARSE_HEADLINE === 0.015,
      'coarse past a bound of 1.5%: not just below it, and just above it');

// A saturated or a zero headline is no rate, though the clocks agree.
for (const kflops of [INT32_MAX, 0]) {
  const verdict = judgeTime(clock(), headline([1e-3, 1e-3], 10, kflops));
  check(verdict.agrees && codes(verdict) === 'headline_not_a_rate', `a headline of ${kflops} KFLOPS is no rate`);
}

// Equal blocks: the first leads; a better later block leads.
const equal = bestBlock(Array(30).fill([1e-3, 1e-3]));
const later = bestBlock([...Array(10).fill([2e-3, 2e-3]), ...Array(10).fill([1e-3, 1e-3])]);
check(equal.firstRun === 0 && later.firstRun === 10, 'the first of equal blocks leads, a faster later one wins');

// Where a headline stands: its rank from 1, the entries either side of it,
// and its ratio to the fastest and to the median entry.
const entries = [3000, 1000, 2000, 4000].map((kflops) => ({ headline_kflops: kflops }));
const place = standing(1500, entries);
check(place.rank === 4 && place.of === 5 && place.above?.headline_kflops === 2000 && place.below?.headline_kflops === 1000 &&
      place.toFastest === 1500 / 4000 && place.toMedian === 1500 / 2500,
`1500 among 4000, 3000, 2000, 1000: rank 4 of 5, between 2000 and 1000 (${JSON.stringify(place)})`);
const top = standing(5000, entries), bottom = standing(500, entries);
check(top.rank === 1 && top.above === null && bottom.rank === 5 && bottom.below === null,
      'the fastest has none above it, the slowest none below');
// Intervals that overlap share a rank: only entries wholly above a
// result's interval rank before it.
const wide = standing(1500, [...entries, { headline_kflops: 2200, interval_kflops: [2050, 2350] }], [900, 2100]);
const narrow = standing(1500, entries, [1400, 1600]);
check(wide.rank === 3 && narrow.rank === 4 && standing(1500, entries, [1000, 2000]).rank === 3,
      `shared ranks: 1500 within 900 to 2100 shares 2200's and 2000's rank, below 4000 and 3000 (${wide.rank}); ` +
      'within 1400 to 1600 it ranks below 2000');
const mixed = [...entries.map((e) => ({ ...e, kind: 'native' })), { headline_kflops: 1000, kind: 'all cores, native' }];
const asCopies = { statistics: { headline_kflops: 1500, headline_interval_kflops: null }, copies: { count: 2 } };
check(standingOf(asCopies, mixed).rank === 1 && standingOf(asCopies, mixed).of === 2 &&
      standingOf({ statistics: asCopies.statistics }, mixed).of === 5,
      'copies at once rank among copies at once, one core among one core');

// What the page lists: the headline's runs, and the problems in words.
const report = JSON.parse(readFileSync(reportFile, 'utf8'));
const valid = outcome(report);
check(!valid.failure && valid.text === report.result_line, `a valid report's status is its result line: "${valid.text}"`);
const failures = [
  ['a wrong solution', { validation: { ...report.validation, validated: false } }],
  ['a clock that disagreed', { validation: { ...report.validation, measurement_validated: false,
    measurement_problems: disagree.problems } }],
];
for (const [what, change] of failures) {
  const shown = outcome({ ...report, ...change });
  check(shown.failure && !shown.text.includes('CPU performance') && shown.text.endsWith('so no result is shown.'),
        `${what}: a failure, no result: "${shown.text}"`);
}
const coarse = { ...report, clock: { ...report.clock, coarse: true, headline_bound: 0.031 } };
check(outcome(coarse).text.startsWith(`${report.result_line} (coarse: the clock's steps move it by about 3.1%`) &&
      !outcome(coarse).failure, 'a coarse figure is shown marked so, not as a failure');

// Only a fine, validated measurement is placed, and by its headline.
const placeableWhen = [[report, true], [coarse, false], [{ ...report, ...failures[0][1] }, false],
  [{ ...report, ...failures[1][1] }, false], [{ ...report, comparable: false }, false]].map(([r, expected]) => placeable(r) === expected);
check(placeableWhen.every(Boolean), `placed only when validated, its time validated and not coarse: ${placeableWhen}`);
const byHeadline = standingOf({ ...report, statistics: { ...report.statistics, headline_kflops: 1500, best_kflops: 4500 } },
  entries);
check(byHeadline.rank === 4, `placed by its headline, not its best run: rank ${byHeadline.rank}`);

// A clock's smallest step: a reading that did not move is no step.
const readings = [0, 0, 0, 2e-6, 2e-6, 5e-6, 5e-6, 5e-6, 6e-6];
let next = 0;
const step = smallestStep(() => readings[Math.min(next++, readings.length - 1)], 3);
check(step === 1e-6 || Math.abs(step - 1e-6) < 1e-18, `the smallest step of 0, 0, 0, 2, 2, 5, 5, 5, 6 µs is 1 µs: ${step}`);
report.statistics.headline_first_run = 11;
const lines = Object.fromEntries(resultView(report).statistics);
check(lines.headline.endsWith('(runs 11 to 20)'), `the headline's runs: "${lines.headline}"`);
const words = problemText(disagree.problems[0], report.clock);
check(words.startsWith(`${report.clock.counter} counted 1.05 s where ${report.clock.reference} counted 1 s`) &&
      words.includes('(5.0%)'), `a problem in words: "${words}"`);

// The page's own report: its verdict is the problems', not the clocks' alone.
const made = reportJson({ velmark_version: '1.0', timestamp_utc: 'x', host: {}, build: {} }, combineMeasurements([{
  warmup: { digest: '' }, runs: [], best: 0, seconds: 1, budget: 1, firstWrongRun: null, validated: true,
  statistics: { best: 0, minimum: 0, median: 0, medianToBest: NaN, cv: NaN }, untimed: {},
  headline: headline([0, 0], 0, 0),
  clock: { agrees: true, counter_seconds: 1, reference_seconds: 1, resolution_seconds: 1e-9, reference_resolution_seconds: 1e-9 },
  measurementProblems: judgeTime(clock(), headline([0, 0], 0, 0)).problems,
}], 2));
check(made.validation.measurement_validated === false && made.validation.measurement_problems[0].code === 'headline_not_a_rate',
      'the page\'s report of clocks that agree and a headline that is no rate is not validated');
// The results page's table: filters, search, sorting, comparing, export.
const rows = [
  { entry: 'a.json', machine: 'Laptop "A", <b>x</b>', processor: 'Core i5', platform: 'linux-x86_64', kind: 'native',
    instruction_set: 'x86-64', headline_kflops: 2000, median_kflops: 1900, spread: 0.01 },
  { entry: 'b.json', machine: 'Phone', processor: 'Cortex-A76', platform: 'Firefox 140.0', kind: 'browser',
    instruction_set: 'WebAssembly', headline_kflops: 1000, median_kflops: 900, spread: null },
  { entry: 'c.json', machine: 'Desk', processor: 'Ryzen', platform: 'windows-x86_64 under wine', kind: 'under wine',
    instruction_set: 'x86-64', headline_kflops: 3000, median_kflops: 2900, spread: 0.02 },
];
const names = (list) => list.map((e) => e.entry).join();
check(names(filterEntries(rows, { kind: 'browser' })) === 'b.json' &&
      names(filterEntries(rows, { instructionSet: 'x86-64' })) === 'a.json,c.json' &&
      names(filterEntries(rows, { search: 'FIREFOX' })) === 'b.json' && names(filterEntries(rows, { search: 'ryzen' })) === 'c.json',
'the table filters by kind and instruction set, and searches processor, browser and machine, case ignored');
check(names(sortEntries(rows, 'headline_kflops', true)) === 'b.json,a.json,c.json' &&
      names(sortEntries(rows, 'headline_kflops', false)) === 'c.json,a.json,b.json' &&
      names(sortEntries(rows, 'machine', true)) === 'c.json,a.json,b.json' &&
      names(sortEntries(rows, 'spread', true)) === 'a.json,c.json,b.json',
'the table sorts by a number or a text either way, an entry without the figure last');
const compared = compareEntries(rows[2], rows[1]);
check(compared.ratio === 3 && compared.rows.find(([h]) => h === 'headline MFlops').slice(1).join() === '3.00,1.00',
      'two entries side by side, and the first\'s headline over the second\'s');
const csv = toCsv(rows).split('\r\n');
check(csv[0].startsWith('entry,rank,machine,processor') && csv[1].startsWith('a.json,,"Laptop ""A"", <b>x</b>",Core i5,') &&
      csv.length === 5 && csv[4] === '', `the CSV quotes what needs quoting and keeps markup as text: ${csv[1]}`);
const own = ownEntry(report);
check(own.own && own.headline_kflops === report.statistics.headline_kflops && own.instruction_set === 'WebAssembly' &&
      own.kind === 'browser', 'a report of one\'s own is a marked row with its headline');

// Adding a result: what the gate asks of an entry, and its files' names.
const written = JSON.parse(readFileSync(reportFile, 'utf8'));
const about = { machine: 'Pinebook Pro', processor: 'RK3399', measured_by: 'me', measured_on: '2026-12-10' };
check(entryProblems(written, about).length === 0 &&
      entryProblems(written, { ...about, machine: ' ' }).some((p) => p.startsWith('"machine" must name')) &&
      entryProblems({ ...written, velmark_version: '1.0 (git abc1234-dirty)' }, about).some((p) => p.includes('no release or clean commit')) &&
      entryProblems({ ...written, clock: { ...written.clock, headline_bound: 0.031, coarse: true } }, about)
        .some((p) => p.includes('clock.coarse is true')),
'an entry needs a described machine, a clean build and a report that holds');
const files = entryFiles(written, about);
check(files.report === 'pinebook-pro-chromium-simd128.json' && files.about === 'pinebook-pro-chromium-simd128.about.json',
      `an entry's files are named for the machine, the browser and the kernels: ${files.report}`);
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
