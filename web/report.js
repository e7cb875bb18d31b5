// The report of a measurement in the browser: the dialog's result line,
// the host runner's JSON report (docs/results-format.md) with the browser
// in the host fields, and the share link that carries it in the URL's
// fragment. These only format: the measurement decides.

import {
  CLOCK_CHECK_TOO_SHORT, CLOCKS_DISAGREE, KNOWN_RUN_DIGEST, KNOWN_SOLUTION_DIGEST, REPEATED_HEADLINE_RULE, RESULT_FORMAT,
  SCHEMA_VERSION,
} from './constants.js';
import { warningText } from './machine_state.js';
import { MOST_BYTES, parseBoundedJson } from './bounded_json.js';
import { averagedTotals } from './measure.js';

const PLATFORM = 'web-wasm32';

// C's %.2f of a double: the exact binary value rounded to two decimals,
// ties to even (toFixed would round them up).
function fixed2(value) {
  if (!Number.isFinite(value)) return String(value);
  const [whole, fraction] = Math.abs(value).toFixed(100).split('.');
  let cents = BigInt(whole + fraction.slice(0, 2));
  const rest = fraction.slice(2).replace(/0+$/, '');
  if (rest > '5' || (rest === '5' && cents % 2n === 1n)) cents += 1n;
  const digits = cents.toString().padStart(3, '0');
  const sign = value < 0 || Object.is(value, -0) ? '-' : '';
  return `${sign}${digits.slice(0, -2)}.${digits.slice(-2)}`;
}

// The dialog's result line, its format with the single-precision product
// of the rate and 0.001, as the dialog forms it.
export function resultLine(kflops) {
  const mflops = Math.fround(Math.fround(kflops) * Math.fround(0.001));
  return RESULT_FORMAT.replace('%.2f', fixed2(mflops));
}

function finiteOrNull(value) {
  return Number.isFinite(value) ? value : null;
}

// The headline's result line, marked coarse with its bound where the
// clock's steps move it too far for it to compare.
export function headlineLine(report) {
  const line = resultLine(report.statistics.headline_kflops);
  const clock = report.clock;
  if (!clock.coarse) return line;
  const bound = clock.headline_bound === null ? 'an unknown share' : `about ${(100 * clock.headline_bound).toPrecision(2)}%`;
  return `${line} (coarse: the clock's steps move it by ${bound}, so it is not a comparable result)`;
}

const secondsText = (seconds) => (seconds === null ? 'unknown' : `${Number(seconds.toPrecision(6))} s`);

// A measurement problem (a code and its numbers) in words, with the names
// of the report's clocks; null for a code this page does not know.
export function problemText(problem, clock) {
  if (typeof problem === 'string') return problem;  // schema 3: in words already
  if (problem.code === CLOCK_CHECK_TOO_SHORT) {
    return `the counted runs took ${secondsText(problem.reference_seconds)} by ${clock.reference}, too short to check ` +
      `${clock.counter} (steps of ${secondsText(problem.counter_step_seconds)}) against it ` +
      `(steps of ${secondsText(problem.reference_step_seconds)})`;
  }
  if (problem.code === CLOCKS_DISAGREE) {
    return `${clock.counter} counted ${secondsText(problem.counter_seconds)} where ${clock.reference} counted ` +
      `${secondsText(problem.reference_seconds)} over the counted runs ` +
      `(${(100 * (problem.counter_seconds / problem.reference_seconds - 1)).toFixed(1)}%): the clock the module ` +
      'times with does not run at the rate it states, so no figure it times is right';
  }
  return `the headline, ${problem.headline_kflops} KFLOPS, is not a rate: a rate is finite, positive and below the ` +
    'integer limit (a clock that did not move between readings gives an infinite one)';
}

export function microseconds(seconds) {
  return seconds === null ? 'unknown' : `${(seconds * 1e6).toFixed(seconds < 1e-5 ? 1 : 0)} µs`;
}

const percent = (share, digits = 1) => (share === null ? 'not measured' : `${(100 * share).toFixed(digits)}%`);

// The machine's state as the report gives it, and whether it compares.
function machineLines(report) {
  const m = report.machine;
  return [
    ['core clock', m.clock_hz === null ? 'not measured (a browser does not tell)'
      : `${(m.clock_hz / 1e9).toFixed(3)} GHz measured, ${m.ops_per_cycle.toFixed(2)} floating-point operations a cycle`],
    ['machine', `CPU time over wall time ${percent(m.cpu_share)}; steal ${percent(m.steal_share)}; ` +
      `other processors busy ${percent(m.others_busy_share, 0)}`],
    ['trend', m.first_third_kflops === null ? 'too few runs to tell'
      : `the median run of the first third ${m.first_third_kflops.toFixed(0)} KFLOPS, of the last third ` +
        `${m.last_third_kflops.toFixed(0)} (${(100 * m.last_third_kflops / m.first_third_kflops).toFixed(1)}%)`],
    ['comparable', report.comparable ? 'yes: no warning'
      : `no: ${report.warnings.map((w) => warningText(w)).join('; ')}`],
    ...(report.copies ? [['copies', `${report.copies.count} at once: sum ${report.copies.sum_kflops.toFixed(0)} KFLOPS, ` +
      `mean copy ${report.copies.mean_kflops.toFixed(0)}; one copy alone ${report.copies.single_headline_kflops} KFLOPS: ` +
      `scaling efficiency ${report.copies.efficiency === null ? 'unknown' : `${(100 * report.copies.efficiency).toFixed(1)}%`}`]] : []),
  ];
}

// What the page lists of a report, as text: the statistics (term and
// value) and the validation's lines (each with whether it is wrong). Any
// report the results' checker admits gives these.
export function resultView(report) {
  const s = report.statistics, v = report.validation, clock = report.clock, timed = v.timed_runs;
  const processes = report.processes || [];
  const interval = s.headline_interval_kflops;
  const statistics = [
    ['runs', `${report.measurement.runs} in ${report.measurement.seconds.toFixed(2)} s` +
      (processes.length ? `, in ${processes.length} fresh ${processes.length === 1 ? 'worker or process' : 'workers or processes'}, each` : '') +
      ' after 1 warm-up run that is not counted'],
    ['headline', processes.length
      ? `${s.headline_kflops} KFLOPS, the ${s.headline_rule}` +
        (interval ? `, 95% interval ${interval[0].toFixed(0)} to ${interval[1].toFixed(0)} ` +
          `(within ${(50 * (interval[1] - interval[0]) / s.headline_kflops).toFixed(2)}%)` : ', no interval (one process)')
      : `${s.headline_kflops} KFLOPS, the ${s.headline_rule} (runs ${s.headline_first_run} to ` +
        `${s.headline_first_run + s.headline_runs - 1})`],
    ...(processes.length ? [['each', processes.map((p) => p.headline_kflops).join(', ') + ' KFLOPS']] : []),
    ['best', `${s.best_kflops} KFLOPS`],
    ['median', `${s.median_kflops} KFLOPS` + (s.median_to_best !== null ? `, ${(100 * s.median_to_best).toFixed(1)}% of the best` : '')],
    ['minimum', `${s.min_kflops} KFLOPS`],
    ['spread', s.coefficient_of_variation !== null ? `${(100 * s.coefficient_of_variation).toFixed(2)}%` : 'none to tell'],
    ['clock', `${clock.counter}, steps of ${microseconds(clock.resolution_seconds)}; against ` +
      `${clock.reference}, ${clock.counter_seconds.toFixed(4)} s and ${clock.reference_seconds.toFixed(4)} s over the counted runs`],
    ['clock bound', clock.headline_bound === null ? 'unknown'
      : `the clock's steps move the headline by about ${(100 * clock.headline_bound).toPrecision(2)}%` +
        (clock.coarse ? ': coarse, not a comparable result' : '')],
    ...(report.machine ? machineLines(report) : [['machine', `not recorded (schema ${report.schema_version}, before 5)`]]),
    ['version', report.velmark_version],
    ['compiler', `${report.build.compiler} ${report.build.flags}`],
  ];
  const validation = [
    [timed.first_wrong_run === null
      ? `every timed run (${timed.checked}) left solution digest ${timed.expected_digest}`
      : `timed run ${timed.first_wrong_run} of ${timed.checked} left solution digest ${timed.wrong_digest} (expected ${timed.expected_digest})`,
    timed.first_wrong_run !== null],
    [`the warm-up run left solution digest ${timed.warmup_digest}`, timed.warmup_digest !== timed.expected_digest],
    [`one untimed solve after the runs: solution digest ${v.digest} (expected ${v.expected_digest}), ` +
      `normalised residual ${v.normalised_residual === null ? 'NaN' : v.normalised_residual.toPrecision(3)}`,
    v.digest !== v.expected_digest],
    [v.validated ? 'correct operation validated' : 'correct operation NOT validated', !v.validated],
    ...v.measurement_problems.map((problem) => [`measurement: ${problemText(problem, clock)}`, true]),
    [v.measurement_validated ? 'measurement validated' : 'measurement NOT validated', !v.measurement_validated],
  ];
  return { statistics, validation };
}

// What the page's status line says of a report, and whether as a failure:
// the headline's line only for a measurement whose computation and time
// both held.
export function outcome(report) {
  const v = report.validation;
  if (!v.validated) {
    return { failure: true, text: 'Velmark could not validate its own arithmetic in this browser: a solution came out ' +
      'wrong, so no result is shown.' };
  }
  if (!v.measurement_validated) {
    return { failure: true, text: 'Velmark could not validate its measurement in this browser: ' +
      `${problemText(v.measurement_problems[0], report.clock)}; so no result is shown.` };
  }
  return { failure: false, text: headlineLine(report) };
}

// context: { velmark_version, timestamp_utc, host: {...}, build: {...} };
// m: the Workers' measurements made one (repetition.js).
export function reportJson(context, m) {
  const s = m.statistics, clock = m.clock;
  return {
    schema_version: SCHEMA_VERSION,
    velmark_version: context.velmark_version,
    timestamp_utc: context.timestamp_utc,
    host: context.host,
    build: { platform: PLATFORM, ...context.build },
    measurement: {
      runs: m.runs.length, processes: m.processes.length, warmup_runs: m.processes.length, seconds: m.seconds,
      budget_seconds: m.budget,
    },
    runs_kflops: m.runs.map((run) => run.kflops),
    runs_averaged_totals_seconds: m.runs.map((run) => averagedTotals(run.table)),
    statistics: {
      best_kflops: s.best, median_kflops: s.median, min_kflops: s.minimum,
      median_to_best: finiteOrNull(s.medianToBest), coefficient_of_variation: finiteOrNull(s.cv),
      headline_kflops: m.headline.kflops, headline_rule: REPEATED_HEADLINE_RULE,
      headline_interval_kflops: m.interval.samples >= 2 ? [m.interval.low, m.interval.high] : null,
    },
    processes: m.processes,
    result_line: resultLine(m.headline.kflops),
    clock: {
      counter: clock.counter, resolution_seconds: finiteOrNull(clock.resolution_seconds),
      stated_resolution_seconds: null, reference: clock.reference,
      reference_resolution_seconds: finiteOrNull(clock.reference_resolution_seconds),
      counter_seconds: clock.counter_seconds, reference_seconds: clock.reference_seconds, agrees: clock.agrees,
      headline_bound: finiteOrNull(clock.headline_bound), coarse: clock.coarse,
    },
    timing_table: m.runs.length
      ? m.runs[m.best].table.map((c) => ({ ...c, kflops: finiteOrNull(c.kflops) }))
      : [],
    machine: {
      ...Object.fromEntries(Object.entries(m.machine).map(([field, value]) => [field, finiteOrNull(value)])),
      governor: null, boost: null, min_hz: null, max_hz: null,
    },
    comparable: m.warnings.length === 0,
    warnings: m.warnings,
    ...(m.copies ? { copies: m.copies } : {}),
    validation: {
      digest: m.untimed.digest, expected_digest: KNOWN_SOLUTION_DIGEST,
      normalised_residual: finiteOrNull(m.untimed.residual), max_error: finiteOrNull(m.untimed.maxError),
      timed_runs: {
        checked: m.runs.length, expected_digest: KNOWN_RUN_DIGEST,
        first_wrong_run: m.firstWrongRun,
        wrong_digest: m.firstWrongRun ? m.runs[m.firstWrongRun - 1].digest : null,
        warmup_digest: m.warmup.digest,
      },
      validated: m.validated,
      measurement_validated: m.measurementProblems.length === 0,
      measurement_problems: m.measurementProblems.map((problem) => Object.fromEntries(
        Object.entries(problem).map(([field, value]) => [field, typeof value === 'number' ? finiteOrNull(value) : value]))),
    },
  };
}

// The share link: the whole report, its runs too (so that whoever opens it
// can check every figure from them), in the URL's fragment, which the
// browser never sends to a server.
export function shareFragment(report) {
  const bytes = new TextEncoder().encode(JSON.stringify(report));
  let binary = '';
  for (const byte of bytes) binary += String.fromCharCode(byte);
  return '#result=' + btoa(binary).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
}

// What a fragment carries: null when it carries no result, else
// { report } or { error } saying what is wrong with it. A link is anyone's:
// nothing in it is run or shown as markup, and its figures are checked
// (result_check.js) before the page shows them.
export function readFragment(fragment) {
  if (typeof fragment !== 'string' || !fragment.startsWith('#result=')) return null;
  const payload = fragment.slice('#result='.length);
  if (payload.length > (MOST_BYTES / 3) * 4 + 4) return { error: 'the link carries more than a report can be' };
  if (!/^[A-Za-z0-9_-]*$/.test(payload) || payload.length % 4 === 1) {
    return { error: 'the link is not base64url: it was cut short or changed' };
  }
  let binary;
  try {
    binary = atob(payload.replace(/-/g, '+').replace(/_/g, '/'));
  } catch {
    return { error: 'the link is not base64url: it was cut short or changed' };
  }
  let text;
  try {
    text = new TextDecoder('utf-8', { fatal: true }).decode(Uint8Array.from(binary, (c) => c.charCodeAt(0)));
  } catch {
    return { error: 'the link does not carry UTF-8 text' };
  }
  const read = parseBoundedJson(text);
  return read.error ? { error: `the link's text ${read.error.replace(/^is not JSON.*/, 'is not JSON')}` } : { report: read.value };
}
