// The measurement, as the host runner makes it: one warm-up run that is
// not counted, then whole runs for about a second (at least ten), every
// run's result and solution digest kept, the best run's timing table, the
// statistics, and one untimed solve; then the one pass/fail decision.

import { LEADING_DIMENSION, ORDER } from './engine.js';

// What every whole run leaves in its right-hand side, and the solution of
// one solve: the digests tools/solution_digest.py computes independently.
export const KNOWN_RUN_DIGEST = '0x57d9d4e4cedd169f';
export const KNOWN_SOLUTION_DIGEST = '0x49fc1a1a7a570778';
const MIN_RUNS = 10;
const BUDGET_SECONDS = 1;
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

function oneRun(engine) {
  const kflops = engine.run();
  return { kflops, table: engine.timingTable(), digest: solutionDigest(engine.solution()) };
}

// runs: a fixed count, or 0 for the time budget; seconds(): a clock.
export function measure(engine, { runs = 0, budget = BUDGET_SECONDS, seconds, onRun = () => {} }) {
  const warmup = oneRun(engine);
  const made = [];
  const start = seconds();
  let spent = 0, best = 0;
  while (runs > 0 ? made.length < runs : made.length < MIN_RUNS || spent < budget) {
    const run = oneRun(engine);
    if (made.length === 0 || run.kflops > made[best].kflops) best = made.length;
    made.push(run);
    spent = seconds() - start;
    onRun(made.length, spent);
  }
  const wrong = made.findIndex((run) => run.digest !== KNOWN_RUN_DIGEST);
  const untimed = judgeSolution(engine.untimedSolve());
  const warmupRight = warmup.digest === KNOWN_RUN_DIGEST;
  return {
    warmup, runs: made, best, seconds: spent, budget: runs > 0 ? null : budget,
    statistics: summarise(made.map((run) => run.kflops)),
    firstWrongRun: wrong < 0 ? null : wrong + 1, untimed, warmupRight,
    validated: untimed.validated && warmupRight && made.length > 0 && wrong < 0,
  };
}
