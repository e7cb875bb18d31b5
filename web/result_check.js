// Whether a result report (docs/results-format.md) is what it says: read as
// untrusted input (a file or a share link from anyone), bounded before
// anything recursive touches it, held to the result schema (the validator
// compiled from result_schema.js), and then every figure and every verdict
// recomputed from the raw numbers it follows from, by the measurement's own
// rules (run_statistics.js): each column of the best run's timing table,
// every run's result from its averaged totals, the statistics, the
// headline from the blocks of runs and its result line, the computation's
// verdict from the digests, and the time's verdicts (the clocks' agreement,
// whether the span could resolve them, the bound and the coarse verdict,
// the problems) from the clocks' readings and steps. A recorded verdict
// that differs from the recomputed one is refused, naming the field and
// both values. The results table's gate (tools/check_results.mjs) and the
// page's share-link reader both use it.
//
// checkResult(report) -> [{ kind, text }]: empty when the report holds.
// kind: 'form' (malformed: a field missing, of the wrong type or out of
// range), 'numbers' (a figure or verdict that does not follow), 'invalid'
// (its computation or its measurement failed, as its numbers show),
// 'entry' (valid, but no entry for the table: a coarse clock, fewer than
// ten runs).

import {
  CLOCK_CHECK_TOO_SHORT, CLOCK_TOLERANCE, CLOCKS_DISAGREE, KNOWN_RUN_DIGEST, KNOWN_SOLUTION_DIGEST,
  KNOWN_SOLUTION_MAX_ERROR, KNOWN_SOLUTION_RESIDUAL, SCHEMA_VERSION, TIMING_COLUMNS,
} from './constants.js';
import { MOST_DEPTH, parseBoundedJson } from './bounded_json.js';
import { resultLine } from './report.js';
import { validate } from './result_validator.js';
import { bestBlock, columnRate, finalRate, judgeTime, kflopsFromAveragedTotals, summarise } from './run_statistics.js';
import { comparabilityWarnings, machineState, meanInterval, rateSteps, warningText } from './machine_state.js';

export const MIN_ENTRY_RUNS = 10;
// The oldest report read: schema 3 first carried the raw numbers that every
// figure and verdict is recomputed from.
export const OLDEST_SCHEMA = 3;
const MOST_PROBLEMS = 12;

const f32 = Math.fround;
const isObject = (value) => value !== null && typeof value === 'object' && !Array.isArray(value);

// A short, safe picture of any value for a message: never recursive past a
// few levels, never long.
export function shown(value, depth = 0) {
  if (typeof value === 'string') return JSON.stringify(value.length > 40 ? `${value.slice(0, 37)}...` : value);
  if (value === null || typeof value !== 'object') return String(value);
  if (depth >= 2) return Array.isArray(value) ? '[...]' : '{...}';
  const parts = Array.isArray(value)
    ? value.slice(0, 4).map((item) => shown(item, depth + 1)).concat(value.length > 4 ? ['...'] : [])
    : Object.keys(value).slice(0, 4).map((key) => `${shown(key)}: ${shown(value[key], depth + 1)}`)
      .concat(Object.keys(value).length > 4 ? ['...'] : []);
  const text = Array.isArray(value) ? `[${parts.join(', ')}]` : `{${parts.join(', ')}}`;
  return text.length > 80 ? `${text.slice(0, 77)}...` : text;
}

// A report from untrusted text: { report } or { error }.
export function parseReport(text) {
  const read = parseBoundedJson(text);
  return read.error ? read : { report: read.value };
}

// How deep a value nests, walked without recursion and bounded.
function valueDepth(value) {
  let deepest = 0;
  const stack = [[value, 1]];
  let seen = 0;
  while (stack.length) {
    const [item, depth] = stack.pop();
    if (item === null || typeof item !== 'object') continue;
    deepest = Math.max(deepest, depth);
    if (deepest > MOST_DEPTH || ++seen > 4 * 100000 + 1000) return Infinity;
    for (const key of Object.keys(item)) stack.push([item[key], depth + 1]);
  }
  return deepest;
}

const sameNumber = (a, b) => a === b || (typeof a === 'number' && typeof b === 'number' &&
  Math.abs(a - b) <= 1e-12 * Math.max(Math.abs(a), Math.abs(b)));
// JSON writes a number that is not finite as null.
const asJson = (value) => (typeof value === 'number' && !Number.isFinite(value) ? null : value);
const stepOf = (value) => (value === null ? Infinity : value);

// The schema's complaint as a field's path and what is wrong with it.
function formProblem(error, report) {
  const path = error.instancePath.split('/').slice(1);
  let value = report;
  for (const key of path) value = value !== null && typeof value === 'object' ? value[key] : undefined;
  const field = path.map((key) => (/^\d+$/.test(key) ? `[${key}]` : `.${key}`)).join('').replace(/^\./, '') || 'the report';
  if (error.keyword === 'required') return `${field === 'the report' ? '' : `${field}.`}${error.params.missingProperty} is missing`;
  if (error.keyword === 'additionalProperties') return `${field} has a field it cannot have, "${error.params.additionalProperty}"`;
  return `${field} is ${shown(value)}: it ${error.message}`;
}

// Schema 5: each process's best block from its own runs, the headline
// their mean and its interval. The headline as judgeTime takes it, or null
// when the processes do not add up to the runs.
function processesHeadline(report, pairs, recorded, problem) {
  const processes = report.processes;
  const counted = processes.reduce((sum, p) => sum + p.runs, 0);
  if (counted !== pairs.length || report.measurement.processes !== processes.length ||
      report.measurement.warmup_runs !== processes.length) {
    problem('numbers', `the ${processes.length} processes count ${counted} runs of ${pairs.length}, ` +
      `measurement.processes ${report.measurement.processes} and warm-up runs ${report.measurement.warmup_runs}: they must agree`);
    return null;
  }
  let first = 0, totals1 = 0, totals2 = 0, runs = 0;
  const blocks = processes.map((p, i) => {
    const block = bestBlock(pairs.slice(first, first + p.runs));
    first += p.runs;
    recorded(`processes[${i}].headline_kflops`, p.headline_kflops, block.kflops, 'its runs give');
    recorded(`processes[${i}].headline_first_run`, p.headline_first_run, block.firstRun + 1, 'its runs give');
    recorded(`processes[${i}].headline_runs`, p.headline_runs, block.runs, 'its runs give');
    totals1 += block.totals[0];
    totals2 += block.totals[1];
    runs += block.runs;
    return block.kflops;
  });
  const interval = meanInterval(blocks);
  const given = report.statistics.headline_interval_kflops;
  if (interval.samples < 2 ? given !== null
    : !(given !== null && sameNumber(given[0], interval.low) && sameNumber(given[1], interval.high))) {
    problem('numbers', `statistics.headline_interval_kflops is ${shown(given)}, but the processes' blocks give ` +
      `${interval.samples < 2 ? 'none (one process)' : shown([interval.low, interval.high])}`);
  }
  const kflops = interval.mean < 2147483647 ? Math.round(interval.mean) : 2147483647;
  return { kflops, runs, totals: [totals1 / processes.length, totals2 / processes.length], interval };
}

// Schema 5: the machine's state and the warnings from the processes' raw
// numbers; the warnings recomputed, which a table entry must have none of.
function checkMachine(report, headline, recorded, problem) {
  const state = machineState(report.processes, report.runs_kflops, headline.kflops, report.host.logical_cpus);
  // Copies at once keep the other processors busy by design, and their
  // runs are copy after copy, not in time (host/copies.cpp).
  if (report.copies) state.others_busy_share = state.first_third_kflops = state.last_third_kflops = NaN;
  for (const [field, value] of Object.entries(state)) {
    recorded(`machine.${field}`, report.machine[field], asJson(value), "the processes' numbers give");
  }
  const warnings = comparabilityWarnings(state);
  const given = report.warnings.map((w) => w.code), codes = warnings.map((w) => w.code);
  if (given.join() !== codes.join()) {
    problem('numbers', `warnings are ${shown(given)}, but the processes' numbers give ${shown(codes)}`);
  }
  recorded('comparable', report.comparable, warnings.length === 0, "the processes' numbers give");
  return warnings;
}

// What a report of an older schema lacks that the current one has, in
// words; null for a current one. Its figures are held to what it has.
export function olderSchemaLacks(report) {
  const version = report.schema_version;
  if (version >= SCHEMA_VERSION) return null;
  return `schema ${version} lacks what schema ${SCHEMA_VERSION} adds: the processes, the headline's interval, ` +
    "the machine's state and its warnings, so it is ranked by its headline alone and no state is checked";
}

// Copies at once: their count, sum, mean and efficiency from the copies'
// own headlines (each copy a process of the report), and each copy's
// trend from its own runs.
function checkCopies(report, recorded, problem) {
  const c = report.copies, processes = report.processes;
  if (c.count !== processes.length || c.processors.length !== c.count || c.steps_kflops.length !== c.count) {
    problem('numbers', `copies.count is ${c.count}, with ${c.processors.length} processors and ${c.steps_kflops.length} ` +
      `trends, but the report has ${processes.length} copies`);
    return;
  }
  let sum = 0;
  for (const p of processes) sum += p.headline_kflops;
  const mean = sum / c.count;
  recorded('copies.sum_kflops', c.sum_kflops, sum, "the copies' headlines add to");
  recorded('copies.mean_kflops', c.mean_kflops, mean, "the copies' headlines give");
  const alone = c.core_types.find((t) => t.processor === c.single_processor);
  if (!alone || alone.headline_kflops !== c.single_headline_kflops ||
      c.core_types.some((t, k) => k > 0 && t.headline_kflops > c.core_types[k - 1].headline_kflops)) {
    problem('numbers', `copies.core_types is ${shown(c.core_types)}: not the fastest first, or without the one alone ` +
      `on processor ${c.single_processor} (${c.single_headline_kflops} KFLOPS)`);
  }
  recorded('copies.efficiency', c.efficiency, c.single_headline_kflops > 0 ? mean / c.single_headline_kflops : null,
    'the mean copy over the one alone gives');
  let first = 0;
  processes.forEach((p, k) => {
    const steps = rateSteps(report.runs_kflops.slice(first, first + p.runs));
    first += p.runs;
    if (steps.join() !== c.steps_kflops[k].join()) {
      problem('numbers', `copies.steps_kflops[${k}] is ${shown(c.steps_kflops[k])}, but the copy's runs give ${shown(steps)}`);
    }
  });
}

export function checkResult(report) {
  if (!isObject(report)) return [{ kind: 'form', text: `the report is ${shown(report)}, not a JSON object` }];
  const version = report.schema_version;
  if (!(Number.isInteger(version) && version >= OLDEST_SCHEMA && version <= SCHEMA_VERSION)) {
    return [{ kind: 'form', text: `schema_version is ${shown(version)}, not schema ${OLDEST_SCHEMA} to ${SCHEMA_VERSION}: ` +
      'a report of an older or newer Velmark' }];
  }
  if (valueDepth(report) > MOST_DEPTH) return [{ kind: 'form', text: `the report nests deeper than ${MOST_DEPTH}` }];
  if (!validate(report)) return validate.errors.slice(0, 1).map((error) => ({ kind: 'form', text: formProblem(error, report) }));

  const problems = [];
  const problem = (kind, text) => { if (problems.length < MOST_PROBLEMS) problems.push({ kind, text }); };
  // A recorded figure or verdict against the one recomputed from the numbers.
  const recorded = (field, given, expected, source) => {
    if (!sameNumber(given, expected)) problem('numbers', `${field} is ${shown(given)}, but ${source} ${shown(expected)}`);
  };
  const runs = report.measurement.runs, results = report.runs_kflops, totals = report.runs_averaged_totals_seconds;
  const table = report.timing_table, stats = report.statistics, clock = report.clock, v = report.validation;
  if (results.length !== runs || totals.length !== runs) {
    problem('numbers', `measurement.runs is ${runs} but runs_kflops has ${results.length} results and ` +
      `runs_averaged_totals_seconds ${totals.length} pairs`);
    return problems;
  }

  // The best run's timing table, column by column.
  table.forEach((column, k) => {
    const shape = TIMING_COLUMNS[k];
    if (column.column !== k || column.layout !== shape.layout || column.kind !== shape.kind) {
      problem('form', `timing_table[${k}] is not column ${k} of layout ${shape.layout}, ${shape.kind}: ${shown(column)}`);
      return;
    }
    // Singles, whichever shortest form a writer gave them.
    const [factor, solve, total] = [column.factor_seconds, column.solve_seconds, column.total_seconds].map(f32);
    const rate = column.kflops === null ? null : f32(column.kflops);
    if (f32(solve + factor) !== total) {
      problem('numbers', `timing_table[${k}]: total ${total} s is not the single-precision sum of solve ${solve} s and factor ${factor} s`);
    } else if (rate !== columnRate(total)) {
      problem('numbers', `timing_table[${k}]: rate ${column.kflops} is not ${columnRate(total)}, the rate of ${total} s`);
    }
  });
  if (problems.some((p) => p.kind === 'form')) return problems;

  // Every run's result from its averaged totals, and the best run's.
  const pairs = totals.map(([t1, t2]) => [f32(t1), f32(t2)]);
  const fromTotals = pairs.map(([t1, t2]) => kflopsFromAveragedTotals(t1, t2));
  const differs = fromTotals.findIndex((kflops, i) => kflops !== results[i]);
  if (differs >= 0) {
    problem('numbers', `run ${differs + 1}: ${results[differs]} KFLOPS, but its averaged totals ` +
      `${shown(totals[differs])} give ${fromTotals[differs]}`);
  }
  const summary = summarise(results);
  const bestRun = results.indexOf(summary.best);
  const [averaged1, averaged2] = TIMING_COLUMNS.filter((c) => c.kind === 'averaged').map((c) => table[c.column]);
  const single = (value) => (value === null ? null : f32(value));
  const fromTable = finalRate(single(averaged1.kflops), single(averaged2.kflops));
  if (stats.best_kflops !== summary.best || fromTable !== summary.best) {
    problem('numbers', `the best is ${stats.best_kflops} KFLOPS, the largest run ${summary.best}, and the timing table's ` +
      `averaged columns give ${fromTable}: they must be one figure`);
  }
  if (f32(averaged1.total_seconds) !== pairs[bestRun][0] || f32(averaged2.total_seconds) !== pairs[bestRun][1]) {
    problem('numbers', `the timing table is not that of run ${bestRun + 1}, the first best run`);
  }

  // The statistics from the runs.
  recorded('statistics.median_kflops', stats.median_kflops, summary.median, 'the runs give');
  recorded('statistics.min_kflops', stats.min_kflops, summary.minimum, 'the runs give');
  recorded('statistics.median_to_best', stats.median_to_best, asJson(summary.medianToBest), 'the runs give');
  recorded('statistics.coefficient_of_variation', stats.coefficient_of_variation, asJson(summary.cv), 'the runs give');

  // The headline from the blocks of runs (of each process's runs, from
  // schema 5, and their mean), and its line.
  let headline;
  if (version >= 5) {
    headline = processesHeadline(report, pairs, recorded, problem);
    if (headline === null) return problems;
  } else {
    headline = bestBlock(pairs);
    recorded('statistics.headline_first_run', stats.headline_first_run, headline.firstRun + 1, `the ${stats.headline_rule} gives`);
    recorded('statistics.headline_runs', stats.headline_runs, headline.runs, `the ${stats.headline_rule} gives`);
  }
  recorded('statistics.headline_kflops', stats.headline_kflops, headline.kflops, `the ${stats.headline_rule} gives`);
  if (report.result_line !== resultLine(headline.kflops)) {
    problem('numbers', `the result line ${shown(report.result_line)} is not the headline's, "${resultLine(headline.kflops)}"`);
  }

  // The computation's verdict, from the digests.
  const timed = v.timed_runs;
  recorded('validation.expected_digest', v.expected_digest, KNOWN_SOLUTION_DIGEST, 'the known solution is');
  recorded('validation.timed_runs.expected_digest', timed.expected_digest, KNOWN_RUN_DIGEST, 'the known run is');
  recorded('validation.timed_runs.checked', timed.checked, runs, 'the counted runs are');
  if ((timed.first_wrong_run === null) !== (timed.wrong_digest === null) ||
      (timed.wrong_digest !== null && timed.wrong_digest === KNOWN_RUN_DIGEST) || timed.first_wrong_run > runs) {
    problem('numbers', `validation.timed_runs names run ${shown(timed.first_wrong_run)} of ${runs} with digest ` +
      `${shown(timed.wrong_digest)}: no wrong run of these runs`);
  }
  const wrongs = [];
  if (timed.warmup_digest !== KNOWN_RUN_DIGEST) wrongs.push(`the warm-up run left digest ${timed.warmup_digest}`);
  if (timed.first_wrong_run !== null) wrongs.push(`timed run ${timed.first_wrong_run} left digest ${shown(timed.wrong_digest)}`);
  if (v.digest !== KNOWN_SOLUTION_DIGEST) wrongs.push(`the untimed solve's digest is ${v.digest}`);
  if (!(v.normalised_residual !== null && v.normalised_residual < 10)) {
    wrongs.push(`the untimed solve's normalised residual is ${shown(v.normalised_residual)}`);
  }
  if (v.digest === KNOWN_SOLUTION_DIGEST) {
    // The known solution's bits give its residual and its error.
    recorded('validation.normalised_residual', v.normalised_residual, KNOWN_SOLUTION_RESIDUAL, 'the known solution gives');
    recorded('validation.max_error', v.max_error, KNOWN_SOLUTION_MAX_ERROR, 'the known solution gives');
  }
  recorded('validation.validated', v.validated, wrongs.length === 0, 'the digests and the residual give');
  if (wrongs.length) problem('invalid', `a solution was wrong (${wrongs[0]}): a run that failed is no entry; measure again`);

  // The time's verdicts, from the clocks' readings and steps.
  const counterStep = Math.max(stepOf(clock.resolution_seconds), clock.stated_resolution_seconds ?? 0);
  const verdict = judgeTime({ counterStep, referenceStep: stepOf(clock.reference_resolution_seconds),
    counterSeconds: clock.counter_seconds, referenceSeconds: clock.reference_seconds }, headline);
  // The runs' time by the budget's clock is the span the reference timed.
  const span = clock.reference_seconds, slack = CLOCK_TOLERANCE * span + 2 * stepOf(clock.reference_resolution_seconds);
  if (!(Math.abs(report.measurement.seconds - span) <= slack)) {
    problem('numbers', `measurement.seconds is ${report.measurement.seconds}, but the reference clock timed the runs as ${span} s`);
  }
  if (report.host.browser !== undefined) {
    recorded('host.clock_resolution_seconds', report.host.clock_resolution_seconds, clock.resolution_seconds,
      "the clock's steps (clock.resolution_seconds) are");
  }
  recorded('clock.agrees', clock.agrees, verdict.agrees, "the clocks' readings and steps give");
  recorded('clock.headline_bound', clock.headline_bound, asJson(verdict.bound), "the clock's steps and the headline block give");
  recorded('clock.coarse', clock.coarse, verdict.coarse, `a bound of ${shown(asJson(verdict.bound))} gives`);
  recorded('validation.measurement_validated', v.measurement_validated, verdict.problems.length === 0,
    "the clocks and the headline give");
  const codes = verdict.problems.map((p) => p.code);
  if (version >= 4) {
    const given = v.measurement_problems.map((p) => (isObject(p) ? p.code : p));
    if (given.join() !== codes.join()) {
      problem('numbers', `validation.measurement_problems are ${shown(given)}, but the clocks and the headline give ${shown(codes)}`);
    } else {
      verdict.problems.forEach((expected, i) => {
        for (const [field, value] of Object.entries(expected)) {
          if (field !== 'code') recorded(`validation.measurement_problems[${i}].${field}`, v.measurement_problems[i][field], asJson(value), 'the clock gives');
        }
      });
    }
  } else if ((v.measurement_problems.length === 0) !== (codes.length === 0)) {
    problem('numbers', `validation.measurement_problems has ${v.measurement_problems.length}, but the clocks and the headline give ${shown(codes)}`);
  }
  for (const code of codes) {
    problem('invalid', code === CLOCK_CHECK_TOO_SHORT ? 'the runs were too short to check the clock: measure for longer'
      : code === CLOCKS_DISAGREE ? `the clocks disagree: the counter counted ${clock.counter_seconds} s where the reference counted ${clock.reference_seconds} s`
        : `the headline, ${headline.kflops} KFLOPS, is not a rate`);
  }
  const warnings = version >= 5 ? checkMachine(report, headline, recorded, problem) : [];
  if (report.copies) checkCopies(report, recorded, problem);
  if (problems.length) return problems;

  for (const warning of warnings) problem('entry', `not comparable: ${warningText(warning)}`);
  if (runs < MIN_ENTRY_RUNS) problem('entry', `${runs} runs: an entry needs at least ${MIN_ENTRY_RUNS}`);
  if (verdict.coarse) {
    problem('entry', `the clock is coarse (its steps move the headline by ${shown(asJson(verdict.bound))}): not a comparable result`);
  }
  return problems;
}
