// Whether a result report (docs/results-format.md) is what it says: read as
// untrusted input (a file or a share link from anyone), every field's type
// checked before it is used, and every figure recomputed from the numbers
// it follows from, by the rules' own single and double arithmetic: each
// column of the best run's timing table from its factor and solve times,
// the best run's result from its columns 3 and 7, every run's result from
// its averaged totals, the statistics from the runs, the headline from the
// blocks of runs, and the result line from the headline. The results
// table's checker (tools/check_results.mjs) and the page's share-link
// reader both use it.
//
// checkResult(report) -> [{ kind, text }]: empty when the report holds.
// kind: 'form' (a field missing or of the wrong type), 'numbers' (a figure
// that does not follow), 'invalid' (the report says its computation or its
// measurement failed), 'entry' (valid, but no entry for the table: a
// coarse clock, fewer than ten runs).

import {
  CLOCK_CHECK_RESOLUTION, CLOCK_TOLERANCE, COARSE_HEADLINE, HEADLINE_BLOCK_RUNS, HEADLINE_RULE, KNOWN_RUN_DIGEST,
  KNOWN_SOLUTION_DIGEST,
} from './measure.js';
import { TIMING_COLUMNS } from './device_constants.js';
import { resultLine } from './report.js';

export const SCHEMA_VERSION = 3;
export const MIN_ENTRY_RUNS = 10;
const OPS = 686666.6666666666;  // 2*100^3/3 + 2*100^2 in double
const INT32_MIN = -2147483648, INT32_MAX = 2147483647;
const MOST_PROBLEMS = 12;

const f32 = Math.fround;
const own = (object, key) => Object.prototype.hasOwnProperty.call(object, key);
const isObject = (value) => value !== null && typeof value === 'object' && !Array.isArray(value);
const isInt32 = (value) => Number.isInteger(value) && value >= INT32_MIN && value <= INT32_MAX;
const isFinite = (value) => typeof value === 'number' && Number.isFinite(value);
const shown = (value) => {
  const text = JSON.stringify(value);
  return text === undefined ? String(value) : text.length > 60 ? `${text.slice(0, 57)}...` : text;
};

// A column's rate from its total, as the run completes a column: null
// where JSON can hold no infinity or NaN.
function columnRate(total) {
  const rate = f32(OPS / (total * 1000.0));
  return Number.isFinite(rate) ? rate : null;
}

// The run's final rate from the rates of columns 3 and 7 (null: not
// finite), with the runner's defined values where rounding has none.
export function finalRate(rate3, rate7) {
  const a = rate3 === null ? Infinity : rate3, b = rate7 === null ? Infinity : rate7;
  const r = a < b ? a : b;
  const d = r > 0 ? r + 0.5 : r - 0.5;
  const y = f32(d);
  const m = Math.abs(y);
  if (Number.isNaN(m) || m < 1) return 0;
  if (m >= 2147483648) return y < 0 ? INT32_MIN : INT32_MAX;
  return y < 0 ? -Math.floor(m) : Math.floor(m);
}

const sameNumber = (a, b) => a === b || Math.abs(a - b) <= 1e-12 * Math.max(Math.abs(a), Math.abs(b));

export function checkResult(report) {
  const problems = [];
  const problem = (kind, text) => { if (problems.length < MOST_PROBLEMS) problems.push({ kind, text }); };
  // Each field by its path, checked for its type; undefined when it fails.
  const get = (path, test, what) => {
    let value = report;
    for (const key of path.split('.')) {
      if (!isObject(value) || !own(value, key)) {
        problem('form', `${path} is missing (${what})`);
        return undefined;
      }
      value = value[key];
    }
    if (!test(value)) {
      problem('form', `${path} is ${shown(value)}, not ${what}`);
      return undefined;
    }
    return value;
  };
  const text = (value) => typeof value === 'string' && value.length > 0 && value.length <= 1000;

  if (!isObject(report)) return [{ kind: 'form', text: `the report is ${shown(report)}, not a JSON object` }];
  if (get('schema_version', (v) => v === SCHEMA_VERSION, `schema ${SCHEMA_VERSION}: a report of this Velmark`) === undefined) {
    return problems;
  }
  for (const path of ['velmark_version', 'timestamp_utc', 'host.os', 'host.cpu', 'build.platform', 'build.compiler',
    'build.flags', 'build.kernels', 'result_line']) {
    get(path, text, 'a text');
  }
  const runs = get('measurement.runs', (v) => Number.isInteger(v) && v >= 1 && v <= 100000, 'a count of runs from 1 to 100000');
  const results = get('runs_kflops', (v) => Array.isArray(v) && v.length <= 100000 && v.every(isInt32),
    'a list of whole KFLOPS');
  const totals = get('runs_averaged_totals_seconds', (v) => Array.isArray(v) && v.length <= 100000 &&
    v.every((pair) => Array.isArray(pair) && pair.length === 2 && pair.every((t) => isFinite(t) && t >= 0)),
  'a list of pairs of times');
  const table = get('timing_table', (v) => Array.isArray(v) && v.length === TIMING_COLUMNS.length && v.every(isObject),
    `the ${TIMING_COLUMNS.length} columns`);
  const stats = get('statistics', isObject, 'the statistics');
  const validation = get('validation', isObject, 'the validation');
  const clock = get('clock', isObject, "the clock's check");
  if (problems.length) return problems;

  // What the report says of itself.
  if (get('validation.validated', (v) => v === true, 'true: every solution was right') !== true) {
    problems.at(-1).kind = 'invalid';
  }
  if (get('validation.measurement_validated', (v) => v === true, 'true: the clock was checked') !== true) {
    problems.at(-1).kind = 'invalid';
  }
  const digests = [['validation.digest', KNOWN_SOLUTION_DIGEST], ['validation.expected_digest', KNOWN_SOLUTION_DIGEST],
    ['validation.timed_runs.expected_digest', KNOWN_RUN_DIGEST], ['validation.timed_runs.warmup_digest', KNOWN_RUN_DIGEST]];
  for (const [path, known] of digests) get(path, (v) => v === known, `${known}, the known digest`);
  get('validation.timed_runs.first_wrong_run', (v) => v === null, 'null: no run went wrong');
  get('validation.timed_runs.checked', (v) => v === runs, `${runs}, the runs counted`);

  if (results.length !== runs || totals.length !== runs) {
    problem('numbers', `measurement.runs is ${runs} but runs_kflops has ${results.length} results and ` +
      `runs_averaged_totals_seconds ${totals.length} pairs`);
    return problems;
  }
  if (runs < MIN_ENTRY_RUNS) problem('entry', `${runs} runs: an entry needs at least ${MIN_ENTRY_RUNS}`);

  // The best run's timing table, column by column.
  table.forEach((column, k) => {
    const name = `timing_table[${k}]`;
    const times = ['factor_seconds', 'solve_seconds', 'total_seconds'].map((field) => column[field]);
    const shape = TIMING_COLUMNS[k];
    if (column.column !== k || column.layout !== shape.layout || column.kind !== shape.kind || !times.every(isFinite) ||
        !(column.kflops === null || isFinite(column.kflops))) {
      problem('form', `${name} is not column ${k} with its layout, kind, times and rate: ${shown(column)}`);
      return;
    }
    // Singles, whichever shortest form a writer gave them.
    const [factor, solve, total] = times.map(f32);
    const rate = column.kflops === null ? null : f32(column.kflops);
    if (f32(solve + factor) !== total) {
      problem('numbers', `${name}: total ${total} s is not the single-precision sum of solve ${solve} s and factor ${factor} s`);
    } else if (rate !== columnRate(total)) {
      problem('numbers', `${name}: rate ${column.kflops} is not ${columnRate(total)}, the rate of ${total} s`);
    }
  });
  if (problems.some((p) => p.kind === 'form')) return problems;

  // Every run's result from its averaged totals, and the best run's.
  const single = (value) => (value === null ? null : f32(value));
  const fromTotals = totals.map(([t3, t7]) => finalRate(columnRate(f32(t3)), columnRate(f32(t7))));
  const differs = fromTotals.findIndex((kflops, i) => kflops !== results[i]);
  if (differs >= 0) {
    problem('numbers', `run ${differs + 1}: ${results[differs]} KFLOPS, but its averaged totals ` +
      `${shown(totals[differs])} give ${fromTotals[differs]}`);
  }
  const best = Math.max(...results);
  const bestRun = results.indexOf(best);
  const [averaged1, averaged2] = TIMING_COLUMNS.filter((c) => c.kind === 'averaged').map((c) => table[c.column]);
  const fromTable = finalRate(single(averaged1.kflops), single(averaged2.kflops));
  if (get('statistics.best_kflops', isInt32, 'whole KFLOPS') !== undefined && (stats.best_kflops !== best || fromTable !== best)) {
    problem('numbers', `the best is ${stats.best_kflops} KFLOPS, the largest run ${best}, and the timing table's ` +
      `columns 3 and 7 give ${fromTable}: they must be one figure`);
  }
  if (f32(averaged1.total_seconds) !== f32(totals[bestRun][0]) || f32(averaged2.total_seconds) !== f32(totals[bestRun][1])) {
    problem('numbers', `the timing table is not that of run ${bestRun + 1}, the first best run`);
  }

  // The statistics from the runs.
  const sorted = [...results].sort((a, b) => a - b);
  const middle = sorted.length % 2 ? sorted[(sorted.length - 1) / 2]
    : (sorted[sorted.length / 2 - 1] + sorted[sorted.length / 2]) / 2;
  const mean = sorted.reduce((sum, r) => sum + r, 0) / sorted.length;
  const cv = sorted.length >= 2 && mean > 0
    ? Math.sqrt(sorted.reduce((sum, r) => sum + (r - mean) ** 2, 0) / (sorted.length - 1)) / mean : null;
  const expected = [['median_kflops', middle], ['min_kflops', sorted[0]], ['median_to_best', best > 0 ? middle / best : null],
    ['coefficient_of_variation', cv]];
  for (const [field, value] of expected) {
    const given = stats[field];
    if (!(given === value || (isFinite(given) && value !== null && sameNumber(given, value)))) {
      problem('numbers', `statistics.${field} is ${shown(given)}, but the runs give ${value}`);
    }
  }

  // The headline from the blocks of runs, and its line.
  const size = Math.min(runs, HEADLINE_BLOCK_RUNS);
  let headline = null;
  for (let first = 0; first + size <= runs; first += size) {
    let sum3 = 0, sum7 = 0;
    for (let i = first; i < first + size; ++i) {
      sum3 += f32(totals[i][0]);
      sum7 += f32(totals[i][1]);
    }
    const kflops = finalRate(columnRate(f32(sum3 / size)), columnRate(f32(sum7 / size)));
    if (headline === null || kflops > headline.kflops) headline = { kflops, first: first + 1 };
  }
  if (stats.headline_kflops !== headline.kflops || stats.headline_first_run !== headline.first ||
      stats.headline_runs !== size || stats.headline_rule !== HEADLINE_RULE) {
    problem('numbers', `the headline is ${shown(stats.headline_kflops)} KFLOPS from run ${shown(stats.headline_first_run)}, ` +
      `but the ${HEADLINE_RULE} gives ${headline.kflops} from run ${headline.first}`);
  }
  if (report.result_line !== resultLine(headline.kflops)) {
    problem('numbers', `the result line "${shown(report.result_line)}" is not the headline's, "${resultLine(headline.kflops)}"`);
  }
  if (!(headline.kflops > 0 && headline.kflops < INT32_MAX)) {
    problem('numbers', `the headline, ${headline.kflops} KFLOPS, is not a rate`);
  }

  // The clock's check, as the measurement made it.
  const counted = clock.counter_seconds, span = clock.reference_seconds, bound = clock.headline_bound;
  if (!isFinite(counted) || !isFinite(span) || !(span > 0) || !(bound === null || (isFinite(bound) && bound >= 0)) ||
      typeof clock.agrees !== 'boolean' || typeof clock.coarse !== 'boolean') {
    problem('form', `the clock's check is incomplete: ${shown(clock)}`);
  } else {
    if (clock.agrees !== true || !(Math.abs(counted / span - 1) <= CLOCK_TOLERANCE + CLOCK_CHECK_RESOLUTION)) {
      problem('invalid', `the clocks disagree: the counter counted ${counted} s where the reference counted ${span} s`);
    }
    const coarse = !(bound !== null && bound <= COARSE_HEADLINE);
    if (coarse !== clock.coarse) {
      problem('numbers', `clock.coarse is ${clock.coarse}, but a bound of ${shown(bound)} is ${coarse ? '' : 'not '}coarse`);
    } else if (coarse) {
      problem('entry', `the clock is coarse (its steps move the headline by ${shown(bound)}): not a comparable result`);
    }
  }
  return problems;
}
