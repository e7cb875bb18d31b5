// The measurement, as the host runner makes it: one warm-up run that is
// not counted, then whole runs for about a second (at least ten), every
// run's result and solution digest kept, the best run's timing table, the
// statistics, the headline (the best block of ten runs), and one untimed
// solve; the clock the module timed with checked against the browser's
// wall clock over the counted runs; then the one pass/fail decision.

import { LEADING_DIMENSION, ORDER, smallestStep } from './engine.js';

// What every whole run leaves in its right-hand side, and the solution of
// one solve: the digests tools/solution_digest.py computes independently.
export const KNOWN_RUN_DIGEST = '0x57d9d4e4cedd169f';
export const KNOWN_SOLUTION_DIGEST = '0x49fc1a1a7a570778';
const MIN_RUNS = 10;
const BUDGET_SECONDS = 1;
const FLT_EPSILON = 2 ** -23;
// As the host runner's: the block the headline averages, the clocks'
// tolerance, the share of the span their steps may take, and the bound
// past which the headline is coarse.
export const HEADLINE_BLOCK_RUNS = 10;
export const HEADLINE_RULE = 'best block of 10 runs';
export const CLOCK_TOLERANCE = 0.03;
export const CLOCK_CHECK_RESOLUTION = 0.02;
export const COARSE_HEADLINE = 0.015;
const INT32_MAX = 2147483647;

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

// Best, median, minimum, median / best, and the coefficient of variation
// (sample standard deviation / mean); NaN where there is nothing to tell.
function summarise(results) {
  const sorted = [...results].sort((a, b) => a - b);
  const count = sorted.length;
  if (count === 0) return { best: 0, minimum: 0, median: 0, medianToBest: NaN, cv: NaN };
  const best = sorted[count - 1], minimum = sorted[0];
  const median = count % 2 ? sorted[(count - 1) / 2] : (sorted[count / 2 - 1] + sorted[count / 2]) / 2;
  const mean = sorted.reduce((sum, r) => sum + r, 0) / count;
  let cv = NaN;
  if (count >= 2 && mean > 0) {
    const squares = sorted.reduce((sum, r) => sum + (r - mean) ** 2, 0);
    cv = Math.sqrt(squares / (count - 1)) / mean;
  }
  return { best, minimum, median, medianToBest: best > 0 ? median / best : NaN, cv };
}

// A run's averaged totals, its first layout's and its second's.
export function averagedTotals(table) {
  return table.filter((column) => column.kind === 'averaged').map((column) => column.total_seconds);
}

// The best block of HEADLINE_BLOCK_RUNS runs in the order they ran (the
// first of equal ones): each block's averaged columns are the means of its
// runs' averaged totals, rated and reduced to KFLOPS by the module's own
// rules. Runs past the last whole block are left out; fewer runs than a
// block make one block.
export function bestBlock(engine, runs, blockRuns = HEADLINE_BLOCK_RUNS) {
  if (runs.length === 0) return { kflops: 0, firstRun: 0, runs: 0, totals: [0, 0] };
  const size = Math.min(runs.length, Math.max(1, blockRuns));
  let best = null;
  for (let first = 0; first + size <= runs.length; first += size) {
    let sum1 = 0, sum2 = 0;
    for (let i = first; i < first + size; ++i) {
      const [total1, total2] = averagedTotals(runs[i].table);
      sum1 += total1;
      sum2 += total2;
    }
    const totals = [sum1 / size, sum2 / size];
    const kflops = engine.kflopsFromAveragedTotals(...totals);
    if (best === null || kflops > best.kflops) best = { kflops, firstRun: first, runs: size, totals };
  }
  return best;
}

// The standard error a clock of this step leaves in a headline of blocks
// of `blockRuns` runs whose averaged columns take `total` seconds: 24
// readings a column over ten repetitions, each rounded independently.
export function headlineClockBound(step, total, blockRuns) {
  return total > 0 && blockRuns >= 1 ? step / (total * Math.sqrt(50 * blockRuns)) : Infinity;
}

const secondsText = (seconds) => `${Number(seconds.toPrecision(6))} s`;

// The headline's and the clocks' verdicts: what makes the time no
// measurement (none: it is one).
function judgeTime(clock, headline) {
  const problems = [];
  const steps = clock.resolution_seconds + clock.reference_resolution_seconds;
  const span = clock.reference_seconds, counted = clock.counter_seconds;
  const conclusive = span > 0 && Number.isFinite(steps) && steps <= CLOCK_CHECK_RESOLUTION * span;
  clock.agrees = conclusive && Math.abs(counted - span) <= CLOCK_TOLERANCE * span + steps;
  if (!conclusive) {
    problems.push(`the counted runs took ${secondsText(span)} by ${clock.reference}, too short to check ` +
      `${clock.counter} (steps of ${secondsText(clock.resolution_seconds)}) against it ` +
      `(steps of ${secondsText(clock.reference_resolution_seconds)})`);
  } else if (!clock.agrees) {
    problems.push(`${clock.counter} counted ${secondsText(counted)} where ${clock.reference} counted ` +
      `${secondsText(span)} over the counted runs (${(100 * (counted / span - 1)).toFixed(1)}%): the clock ` +
      'the module times with does not run at the rate it states, so no figure it times is right');
  }
  if (headline.runs === 0 || !(headline.kflops > 0) || headline.kflops >= INT32_MAX) {
    problems.push(`the headline, ${headline.kflops} KFLOPS, is not a rate: a rate is finite, positive and ` +
      'below the integer limit (a clock that did not move between readings gives an infinite one)');
  }
  return problems;
}

function oneRun(engine) {
  const kflops = engine.run();
  return { kflops, table: engine.timingTable(), digest: solutionDigest(engine.solution()) };
}

// runs: a fixed count, or 0 for the time budget; seconds(): a clock for
// the budget; reference(): a second clock in seconds, of another source
// than the one the module times with (engine.clock), to check it by.
export function measure(engine, {
  runs = 0, budget = BUDGET_SECONDS, seconds, reference = () => Date.now() / 1000, onRun = () => {},
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
  while (runs > 0 ? made.length < runs : made.length < MIN_RUNS || spent < budget) {
    const run = oneRun(engine);
    if (made.length === 0 || run.kflops > made[best].kflops) best = made.length;
    made.push(run);
    spent = seconds() - start;
    onRun(made.length, spent);
  }
  clock.reference_seconds = reference() - referenceStart;
  clock.counter_seconds = counter() - counterStart;
  const headline = bestBlock(engine, made);
  clock.headline_bound = headlineClockBound(clock.resolution_seconds, Math.min(...headline.totals),
    Math.max(1, headline.runs));
  clock.coarse = !(clock.headline_bound <= COARSE_HEADLINE);
  const problems = judgeTime(clock, headline);
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
