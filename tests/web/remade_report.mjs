// Reports made again from a real one, every figure and verdict recomputed
// as the runner and the page make them, for the tests of the gate and the
// page: reports that hold, of fewer runs, or whose headline saturates.
import { resultLine } from '../../web/report.js';
import { bestBlock, judgeTime, summarise } from '../../web/run_statistics.js';
import { comparabilityWarnings, machineState } from '../../web/machine_state.js';

const copy = (value) => JSON.parse(JSON.stringify(value));

// The report of `count` of its runs around its first best run, every
// figure and verdict made again from them as the runner makes them: a
// report that holds, of fewer runs.
export function fewerRuns(report, count) {
  const r = copy(report);
  const best = r.runs_kflops.indexOf(Math.max(...r.runs_kflops));
  const first = Math.max(0, Math.min(best, r.runs_kflops.length - count));
  for (const list of ['runs_kflops', 'runs_averaged_totals_seconds']) r[list] = r[list].slice(first, first + count);
  r.measurement.runs = r.validation.timed_runs.checked = count;
  const s = summarise(r.runs_kflops), headline = bestBlock(r.runs_averaged_totals_seconds);
  Object.assign(r.statistics, { best_kflops: s.best, median_kflops: s.median, min_kflops: s.minimum,
    median_to_best: s.medianToBest, coefficient_of_variation: s.cv, headline_kflops: headline.kflops });
  if (r.processes) {
    // From schema 5: the runs become one process's, with no interval.
    r.processes = [{ ...r.processes[0], runs: count, headline_kflops: headline.kflops,
      headline_first_run: headline.firstRun + 1, headline_runs: headline.runs }];
    r.measurement.processes = r.measurement.warmup_runs = 1;
    r.statistics.headline_interval_kflops = null;
    const state = machineState(r.processes, r.runs_kflops, headline.kflops, r.host.logical_cpus);
    for (const [field, value] of Object.entries(state)) r.machine[field] = Number.isFinite(value) ? value : null;
    r.warnings = comparabilityWarnings(state);
    r.comparable = r.warnings.length === 0;
  } else {
    Object.assign(r.statistics, { headline_first_run: headline.firstRun + 1, headline_runs: headline.runs });
  }
  r.result_line = resultLine(headline.kflops);
  const c = r.clock;
  const verdict = judgeTime({ counterStep: Math.max(c.resolution_seconds, c.stated_resolution_seconds ?? 0),
    referenceStep: c.reference_resolution_seconds, counterSeconds: c.counter_seconds, referenceSeconds: c.reference_seconds }, headline);
  Object.assign(c, { agrees: verdict.agrees, headline_bound: Number.isFinite(verdict.bound) ? verdict.bound : null,
    coarse: verdict.coarse });
  r.validation.measurement_validated = verdict.problems.length === 0;
  r.validation.measurement_problems = verdict.problems;
  return r;
}

// Every run's averaged columns made 1e-20 s, and every figure made again:
// a report that holds in every figure, whose headline saturates.
export function saturated(report) {
  const r = copy(report);
  r.runs_averaged_totals_seconds = r.runs_averaged_totals_seconds.map(() => [1e-20, 1e-20]);
  r.runs_kflops = r.runs_kflops.map(() => 2147483647);
  for (const k of [3, 7]) {
    Object.assign(r.timing_table[k], { factor_seconds: 1e-20, solve_seconds: 0, total_seconds: 1e-20,
      kflops: Math.fround(686666.6666666666 / (Math.fround(1e-20) * 1000)) });
  }
  return fewerRuns(r, r.measurement.runs);
}
