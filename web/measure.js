// The measurement, as the host runner makes it: one warm-up run that is
// not counted, then whole runs for its share of the time (at least ten), every
// run's result and solution digest kept, the best run's timing table, the
// statistics, the headline (the best block of ten runs), and one untimed
// solve; the clock the module timed with checked against the browser's
// wall clock over the counted runs; then the one pass/fail decision.

import {
  DEFAULT_BUDGET_SECONDS, DEFAULT_PROCESSES, KNOWN_RUN_DIGEST, KNOWN_SOLUTION_DIGEST, MAX_RUNS, MIN_RUNS_IN_BUDGET,
} from './constants.js';
import { LEADING_DIMENSION, ORDER, smallestStep } from './engine.js';
import { bestBlock, judgeTime, summarise } from './run_statistics.js';

const FLT_EPSILON = 2 ** -23;

// FNV-1a 64 of the singles' bit patterns, four little-endian bytes each.
export function solutionDigest(floats) {
  const bytes = new Uint8Array(Float32Array.from(floats).buffer);
  let digest = 0xcbf29ce484222325n;
  for (const byte of bytes) {
    digest ^= BigInt(byte);
    digest = (digest * 0x100000001b3n) & 0xffffffffffffffffn;
  }
  return '0x' + digest.toString(16).padStart(16, '0');
}

// How well x solves the system: ||A x - b|| / (n ||A|| ||x|| eps) in
// double, and the largest |x(i) - 1|; a NaN anywhere stays in both.
export function judgeSolution({ matrix, rhs, solution }) {
  const worse = (a, b) => (Number.isNaN(a) || a > b ? a : b);
  let residual = 0, norm = 0, size = 0, maxError = 0;
  for (let i = 0; i < ORDER; ++i) {
    let row = -rhs[i], magnitude = 0;
    for (let j = 0; j < ORDER; ++j) {
      const element = matrix[LEADING_DIMENSION * j + i];
      row += element * solution[j];
      magnitude += Math.abs(element);
    }
    norm = worse(norm, magnitude);
    residual = worse(residual, Math.abs(row));
    size = worse(size, Math.abs(solution[i]));
    maxError = worse(maxError, Math.abs(solution[i] - 1));
  }
  const normalised = residual / (ORDER * norm * size * FLT_EPSILON);
  const digest = solutionDigest(solution);
  return {
    digest, residual: normalised, maxError,
    validated: digest === KNOWN_SOLUTION_DIGEST && Number.isFinite(normalised) && normalised < 10,
  };
}

// A run's averaged totals, its first layout's and its second's.
export function averagedTotals(table) {
  return table.filter((column) => column.kind === 'averaged').map((column) => column.total_seconds);
}

function oneRun(engine) {
  const kflops = engine.run();
  return { kflops, table: engine.timingTable(), digest: solutionDigest(engine.solution()) };
}

// runs: a fixed count, or 0 for the time budget; seconds(): a clock for
// the budget; reference(): a second clock in seconds, of another source
// than the one the module times with (engine.clock), to check it by.
export function measure(engine, {
  runs = 0, budget = DEFAULT_BUDGET_SECONDS / DEFAULT_PROCESSES, seconds, reference = () => Date.now() / 1000, onRun = () => {},
}) {
  const counter = () => engine.clock.ticks() / engine.clock.frequency();
  const clock = {
    counter: `the page's clock (${engine.clock.frequency()} ticks a second)`,
    resolution_seconds: smallestStep(counter),
    reference: "the browser's wall clock (Date.now)",
    reference_resolution_seconds: smallestStep(reference, 5),
  };
  const warmup = oneRun(engine);
  const made = [];
  const start = seconds();
  const counterStart = counter(), referenceStart = reference();
  let spent = 0, best = 0;
  while (runs > 0 ? made.length < runs : made.length < MAX_RUNS && (made.length < MIN_RUNS_IN_BUDGET || spent < budget)) {
    const run = oneRun(engine);
    if (made.length === 0 || run.kflops > made[best].kflops) best = made.length;
    made.push(run);
    spent = seconds() - start;
    onRun(made.length, spent);
  }
  clock.reference_seconds = reference() - referenceStart;
  clock.counter_seconds = counter() - counterStart;
  const headline = bestBlock(made.map((run) => averagedTotals(run.table)),
    (total1, total2) => engine.kflopsFromAveragedTotals(total1, total2));
  const verdict = judgeTime({ counterStep: clock.resolution_seconds, referenceStep: clock.reference_resolution_seconds,
    counterSeconds: clock.counter_seconds, referenceSeconds: clock.reference_seconds }, headline);
  Object.assign(clock, { agrees: verdict.agrees, headline_bound: verdict.bound, coarse: verdict.coarse });
  const problems = verdict.problems;
  const wrong = made.findIndex((run) => run.digest !== KNOWN_RUN_DIGEST);
  const untimed = judgeSolution(engine.untimedSolve());
  const warmupRight = warmup.digest === KNOWN_RUN_DIGEST;
  return {
    warmup, runs: made, best, seconds: spent, budget: runs > 0 ? null : budget,
    statistics: summarise(made.map((run) => run.kflops)),
    firstWrongRun: wrong < 0 ? null : wrong + 1, untimed, warmupRight,
    validated: untimed.validated && warmupRight && made.length > 0 && wrong < 0,
    headline, clock, measurementProblems: problems,
  };
}
