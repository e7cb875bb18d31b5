// The measurement's rules in JavaScript, once: the rating of averaged
// totals, the runs' summary, the headline (the best block of runs), the
// bound the clock's steps put on it, and the verdict on the time. The
// page's measurement (measure.js) makes its figures with them and the
// results' gate (result_check.js) recomputes a report's figures with them,
// so that the two can never judge by different rules. The runner's rules
// are the C++ of measure/, whose constants constants.js carries.

import {
  CLOCK_CHECK_RESOLUTION, CLOCK_CHECK_TOO_SHORT, CLOCK_TOLERANCE, CLOCKS_DISAGREE, COARSE_HEADLINE, HEADLINE_BLOCK_RUNS,
  HEADLINE_NOT_A_RATE, OPS,
} from './constants.js';

export const INT32_MIN = -2147483648, INT32_MAX = 2147483647;
const f32 = Math.fround;

// A column's rate from its total, as the run completes a column (single
// precision); null where JSON can hold no infinity or NaN.
export function columnRate(total) {
  const rate = f32(OPS / (total * 1000.0));
  return Number.isFinite(rate) ? rate : null;
}

// The run's final rate from the rates of its two averaged columns (null:
// not finite): the lower, rounded to whole KFLOPS with the runner's
// defined values where rounding has none.
export function finalRate(rate1, rate2) {
  const a = rate1 === null ? Infinity : rate1, b = rate2 === null ? Infinity : rate2;
  const r = a < b ? a : b;
  const d = r > 0 ? r + 0.5 : r - 0.5;
  const y = f32(d);
  const m = Math.abs(y);
  if (Number.isNaN(m) || m < 1) return 0;
  if (m >= 2147483648) return y < 0 ? INT32_MIN : INT32_MAX;
  return y < 0 ? -Math.floor(m) : Math.floor(m);
}

// The result of averaged columns that took these totals, by the run's rules.
export function kflopsFromAveragedTotals(total1, total2) {
  return finalRate(columnRate(f32(total1)), columnRate(f32(total2)));
}

// Best, median, minimum, median / best, and the coefficient of variation
// (sample standard deviation / mean); NaN where there is nothing to tell.
export function summarise(results) {
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

// The best block of `blockRuns` runs in the order they ran (the first of
// equal ones): each block's averaged columns are the means of its runs'
// averaged totals (`pairs`, singles), rated by `rate`. Runs past the last
// whole block are left out; fewer runs than a block make one block.
// firstRun counts from 0.
export function bestBlock(pairs, rate = kflopsFromAveragedTotals, blockRuns = HEADLINE_BLOCK_RUNS) {
  if (pairs.length === 0) return { kflops: 0, firstRun: 0, runs: 0, totals: [0, 0] };
  const size = Math.min(pairs.length, Math.max(1, blockRuns));
  let best = null;
  for (let first = 0; first + size <= pairs.length; first += size) {
    let sum1 = 0, sum2 = 0;
    for (let i = first; i < first + size; ++i) {
      sum1 += pairs[i][0];
      sum2 += pairs[i][1];
    }
    const totals = [sum1 / size, sum2 / size];
    const kflops = rate(...totals);
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

// The verdict on the time: whether the clocks' steps let the span check
// the counter (conclusive), whether the two clocks agree, the bound the
// counter's steps put on the headline and whether it is coarse, and the
// problems (codes with their numbers) that make it no measurement.
// clock: { counterStep, referenceStep, counterSeconds, referenceSeconds },
// the counter's step the larger of the one seen and the one stated.
export function judgeTime(clock, headline) {
  const { counterStep, referenceStep, counterSeconds, referenceSeconds } = clock;
  const steps = counterStep + referenceStep;
  const conclusive = referenceSeconds > 0 && Number.isFinite(steps) && steps <= CLOCK_CHECK_RESOLUTION * referenceSeconds;
  const agrees = conclusive && Math.abs(counterSeconds - referenceSeconds) <= CLOCK_TOLERANCE * referenceSeconds + steps;
  const bound = headlineClockBound(counterStep, Math.min(...headline.totals), Math.max(1, headline.runs));
  const problems = [];
  if (!conclusive) {
    problems.push({ code: CLOCK_CHECK_TOO_SHORT, reference_seconds: referenceSeconds, counter_step_seconds: counterStep,
      reference_step_seconds: referenceStep });
  } else if (!agrees) {
    problems.push({ code: CLOCKS_DISAGREE, counter_seconds: counterSeconds, reference_seconds: referenceSeconds });
  }
  if (headline.runs === 0 || !(headline.kflops > 0) || headline.kflops >= INT32_MAX) {
    problems.push({ code: HEADLINE_NOT_A_RATE, headline_kflops: headline.kflops });
  }
  return { conclusive, agrees, bound, coarse: !(bound <= COARSE_HEADLINE), problems };
}
