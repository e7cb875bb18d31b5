// The machine's state and its warnings from a report's raw numbers, by the
// runner's rules (measure/machine_state.cpp and measure/interval.cpp): the
// results' gate recomputes what a report of schema 5 says of them, and the
// page words them. Each function is the C++ one's, step for step, so that
// the two give the same bits.
import {
  CLOCK_FELL_WARNING, DESCHEDULED_WARNING, LEAST_CLOCK_AFTER_TO_BEFORE, LEAST_CPU_SHARE, LEAST_LAST_TO_FIRST_THIRD,
  LEAST_SHARED_SECONDS, MOST_OTHERS_BUSY_SHARE, MOST_STEAL_SHARE, OTHERS_BUSY_WARNING, RATE_FELL_WARNING, STEAL_WARNING,
} from './constants.js';

// The two-sided 95% quantile of Student's t: a table to 30 degrees of
// freedom, the Cornish-Fisher series beyond (measure/interval.cpp).
const T975 = [12.7062, 4.3027, 3.1824, 2.7764, 2.5706, 2.4469, 2.3646, 2.3060, 2.2622, 2.2281,
  2.2010, 2.1788, 2.1604, 2.1448, 2.1314, 2.1199, 2.1098, 2.1009, 2.0930, 2.0860,
  2.0796, 2.0739, 2.0687, 2.0639, 2.0595, 2.0555, 2.0518, 2.0484, 2.0452, 2.0423];
export function studentT975(df) {
  const v = Math.max(1, df);
  if (v <= 30) return T975[v - 1];
  const z = 1.959964, z3 = z * z * z, z5 = z3 * z * z;
  return z + (z3 + z) / (4.0 * v) + (5.0 * z5 + 16.0 * z3 + 3.0 * z) / (96.0 * v * v);
}

// The mean of the samples with its 95% interval: { mean, low, high,
// samples }, low and high the mean for fewer than two.
export function meanInterval(samples) {
  const n = samples.length;
  if (n === 0) return { mean: 0, low: 0, high: 0, samples: 0 };
  let sum = 0;
  for (const s of samples) sum += s;
  const mean = sum / n;
  if (n < 2) return { mean, low: mean, high: mean, samples: n };
  let squares = 0;
  for (const s of samples) squares += (s - mean) * (s - mean);
  const half = studentT975(n - 1) * Math.sqrt(squares / (n - 1)) / Math.sqrt(n);
  return { mean, low: mean - half, high: mean + half, samples: n };
}

const known = (value) => typeof value === 'number' && Number.isFinite(value);
const asNumber = (value) => (known(value) ? value : NaN);

function medianOf(values) {
  const sorted = values.filter((v) => !Number.isNaN(v)).sort((a, b) => a - b);
  const n = sorted.length;
  if (n === 0) return NaN;
  return n % 2 ? sorted[(n - 1) / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
}

// processes: the report's processes (null for what was not measured);
// runs: every counted run's KFLOPS in order. Unknown shares are NaN.
export function machineState(processes, runs, headlineKflops, logicalCpus) {
  const p = processes.map((process) => Object.fromEntries(Object.entries(process).map(([k, v]) => [k, asNumber(v)])));
  const state = {
    clock_hz: NaN, ops_per_cycle: NaN, cpu_share: NaN, involuntary_switches: NaN, steal_share: NaN,
    others_busy_share: NaN, runnable_at_start: NaN, clock_after_to_before: NaN, first_third_kflops: NaN,
    last_third_kflops: NaN,
  };
  if (p.length === 0) return state;
  const sum = (field) => p.reduce((total, process) => total + process[field], 0);
  state.clock_hz = medianOf(p.map((process) => (process.clock_hz_before + process.clock_hz_after) / 2));
  if (state.clock_hz > 0) state.ops_per_cycle = headlineKflops * 1000 / state.clock_hz;
  const wall = sum('wall_seconds'), cpu = sum('cpu_seconds');
  state.involuntary_switches = sum('involuntary_switches');
  const total = sum('system_total_seconds');
  if (wall >= LEAST_SHARED_SECONDS) state.cpu_share = cpu / wall;
  if (wall >= LEAST_SHARED_SECONDS && total > 0) {
    state.steal_share = sum('system_steal_seconds') / total;
    if (logicalCpus >= 2) {
      const others = sum('system_busy_seconds') - cpu;
      state.others_busy_share = Math.max(0, others) / (total * (logicalCpus - 1) / logicalCpus);
    }
  }
  for (const process of p) {
    if (!Number.isNaN(process.runnable_at_start) &&
        (Number.isNaN(state.runnable_at_start) || process.runnable_at_start > state.runnable_at_start)) {
      state.runnable_at_start = process.runnable_at_start;
    }
  }
  const half = Math.max(1, Math.floor(p.length / 2));
  state.clock_after_to_before = medianOf(p.slice(p.length - half).map((process) => process.clock_hz_after)) /
    medianOf(p.slice(0, half).map((process) => process.clock_hz_before));
  const third = Math.floor(runs.length / 3);
  if (third > 0) {
    state.first_third_kflops = medianOf(runs.slice(0, third));
    state.last_third_kflops = medianOf(runs.slice(runs.length - third));
  }
  return state;
}

// The conditions that make the figure not comparable: [{ code, value, limit }].
export function comparabilityWarnings(state) {
  const warnings = [];
  if (state.steal_share > MOST_STEAL_SHARE) warnings.push({ code: STEAL_WARNING, value: state.steal_share, limit: MOST_STEAL_SHARE });
  if (state.cpu_share < LEAST_CPU_SHARE) warnings.push({ code: DESCHEDULED_WARNING, value: state.cpu_share, limit: LEAST_CPU_SHARE });
  if (state.clock_after_to_before < LEAST_CLOCK_AFTER_TO_BEFORE) {
    warnings.push({ code: CLOCK_FELL_WARNING, value: state.clock_after_to_before, limit: LEAST_CLOCK_AFTER_TO_BEFORE });
  }
  if (state.others_busy_share > MOST_OTHERS_BUSY_SHARE) {
    warnings.push({ code: OTHERS_BUSY_WARNING, value: state.others_busy_share, limit: MOST_OTHERS_BUSY_SHARE });
  }
  const trend = state.last_third_kflops / state.first_third_kflops;
  if (trend < LEAST_LAST_TO_FIRST_THIRD) warnings.push({ code: RATE_FELL_WARNING, value: trend, limit: LEAST_LAST_TO_FIRST_THIRD });
  return warnings;
}

// A warning in words, as the runner's text report gives it.
export function warningText({ code, value, limit }) {
  const v = (100 * value).toFixed(1), l = (100 * limit).toFixed(0);
  if (code === STEAL_WARNING) return `the hypervisor took ${v}% of the processors' time (steal), above ${l}%`;
  if (code === DESCHEDULED_WARNING) return `the runner had its processor ${v}% of the wall time, below ${l}%: other threads ran on it`;
  if (code === CLOCK_FELL_WARNING) return `the core's clock ended at ${v}% of where it began, below ${l}%: throttling`;
  if (code === OTHERS_BUSY_WARNING) return `the other processors were ${(100 * value).toFixed(0)}% busy, above ${l}%`;
  return `the last third's median run was ${v}% of the first third's, below ${l}%: the machine changed while it measured`;
}

// The median run of each of ten consecutive, equal parts of the runs
// (host/copies.cpp, rate_steps): a copy's rate over its runs.
export function rateSteps(runs, steps = 10) {
  const parts = Math.min(runs.length, steps), medians = [];
  for (let k = 0; k < parts; ++k) {
    const part = runs.slice(Math.floor((k * runs.length) / parts), Math.floor(((k + 1) * runs.length) / parts)).sort((a, b) => a - b);
    const n = part.length;
    medians.push(n % 2 ? part[(n - 1) / 2] : (part[n / 2 - 1] + part[n / 2]) / 2);
  }
  return medians;
}
