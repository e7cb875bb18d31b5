// The page's measurement in several fresh Workers, one after another, each
// with its own module instance and memory, made one as the runner makes
// its processes one (host/measurement.cpp, combine): their runs in order,
// the headline the mean of their best blocks with its 95% interval, the
// clocks over all their spans, one computation verdict, and what a browser
// can tell of the machine's state (the trend; it gives no CPU time, no
// system times and no core clock), with the warnings that follow.
import { comparabilityWarnings, machineState, meanInterval, rateSteps } from './machine_state.js';
import { judgeTime, summarise } from './run_statistics.js';

export function combineMeasurements(parts, logicalCpus) {
  const runs = [], processes = [];
  let best = 0, seconds = 0, budget = 0, firstWrongRun = null, counterSeconds = 0, referenceSeconds = 0;
  let totals1 = 0, totals2 = 0, blockRuns = 0, counterStep = 0, referenceStep = 0;
  let warmup = parts[0].warmup, warmupRight = true, untimed = parts[0].untimed;
  for (const part of parts) {
    const offset = runs.length;
    for (const run of part.runs) {
      if (runs.length === 0 || run.kflops > runs[best].kflops) best = runs.length;
      runs.push(run);
    }
    seconds += part.seconds;
    budget = part.budget === null || budget === null ? null : budget + part.budget;
    if (part.firstWrongRun !== null && firstWrongRun === null) firstWrongRun = offset + part.firstWrongRun;
    if (!part.warmupRight && warmupRight) [warmup, warmupRight] = [part.warmup, false];
    if (!part.untimed.validated && untimed.validated) untimed = part.untimed;
    counterStep = Math.max(counterStep, part.clock.resolution_seconds ?? Infinity);
    referenceStep = Math.max(referenceStep, part.clock.reference_resolution_seconds ?? Infinity);
    counterSeconds += part.clock.counter_seconds;
    referenceSeconds += part.clock.reference_seconds;
    const h = part.headline;
    totals1 += h.totals[0];
    totals2 += h.totals[1];
    blockRuns += h.runs;
    processes.push({
      runs: part.runs.length, headline_kflops: h.kflops, headline_first_run: h.firstRun + 1, headline_runs: h.runs,
      wall_seconds: part.seconds, cpu_seconds: null, involuntary_switches: null, system_busy_seconds: null,
      system_steal_seconds: null, system_total_seconds: null, runnable_at_start: null, clock_hz_before: null,
      clock_hz_after: null,
    });
  }
  const interval = meanInterval(processes.map((p) => p.headline_kflops));
  const headline = {
    kflops: interval.mean < 2147483647 ? Math.round(interval.mean) : 2147483647,
    runs: blockRuns, totals: [totals1 / parts.length, totals2 / parts.length],
  };
  const first = parts[0].clock;
  const clock = {
    counter: first.counter, resolution_seconds: counterStep, reference: first.reference,
    reference_resolution_seconds: referenceStep, counter_seconds: counterSeconds, reference_seconds: referenceSeconds,
  };
  const verdict = judgeTime({ counterStep, referenceStep, counterSeconds, referenceSeconds }, headline);
  Object.assign(clock, { agrees: verdict.agrees, headline_bound: verdict.bound, coarse: verdict.coarse });
  const kflops = runs.map((run) => run.kflops);
  const machine = machineState(processes, kflops, headline.kflops, logicalCpus);
  return {
    warmup, warmupRight, runs, best, seconds, budget, statistics: summarise(kflops), firstWrongRun, untimed,
    validated: parts.every((part) => part.validated), headline, interval, clock,
    measurementProblems: verdict.problems, processes, machine, warnings: comparabilityWarnings(machine),
  };
}

// Copies at once, as the runner makes them (host/copies.cpp): the copies'
// measurements made one, and their sum, mean, efficiency against the one
// alone and each copy's trend. A browser pins no Worker: a copy's
// "processor" is its number, and the topology is not told.
export function combineCopies(alone, parts, logicalCpus) {
  const m = combineMeasurements(parts, logicalCpus);
  // The other processors run the other copies, and the runs are copy after copy.
  Object.assign(m.machine, { others_busy_share: NaN, first_third_kflops: NaN, last_third_kflops: NaN });
  m.warnings = comparabilityWarnings(m.machine);
  let sum = 0, first = 0;
  const steps = m.processes.map((p) => {
    sum += p.headline_kflops;
    const runs = m.runs.slice(first, first + p.runs).map((run) => run.kflops);
    first += p.runs;
    return rateSteps(runs);
  });
  const mean = sum / parts.length, single = alone.headline.kflops;
  m.copies = {
    count: parts.length, processors: parts.map((_, k) => k), sum_kflops: sum, mean_kflops: mean,
    single_processor: 0, single_headline_kflops: single, efficiency: single > 0 ? mean / single : null,
    steps_kflops: steps, topology: parts.map((_, k) => ({ processor: k, core: null, capacity: null })),
    core_types: [{ processor: 0, capacity: null, headline_kflops: single }],
  };
  return m;
}
