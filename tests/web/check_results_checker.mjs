// The results table's gate (tools/check_results.mjs) on a folder made from
// one real entry of results/: the entry as it is holds, and each forgery a
// contributor could make is refused with its file and its reason: a best
// raised by one KFLOPS, one timing-table value changed, a digest changed,
// runs_kflops edited, a duplicate, a changed tree's build, a coarse clock,
// too few runs, a missing or empty description, a file that is no JSON;
// verdicts recorded against their numbers (a page's clock coarsened with
// its bound and coarse verdict left, clocks' steps too coarse for the span,
// a validated report whose warm-up was wrong), malformed reports (fields
// deleted or retyped, no verdict), a file of deep brackets, which must not
// stop the others; an entry refused for its version claims nothing, and
// the gate checks entries wherever it is called from.
//
// usage: node check_results_checker.mjs RESULTS_FOLDER
import { execFileSync } from 'node:child_process';
import { copyFileSync, mkdtempSync, readdirSync, readFileSync, rmSync, symlinkSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

import { fewerRuns, saturated } from './remade_report.mjs';
import { comparabilityWarnings, machineState } from '../../web/machine_state.js';

const here = dirname(fileURLToPath(import.meta.url));
const checker = join(here, '../../tools/check_results.mjs');
const [results] = process.argv.slice(2);
let passed = 0, failed = 0;

function check(ok, what) {
  console.log((ok ? 'ok   ' : 'FAIL ') + what);
  ok ? ++passed : ++failed;
  return ok;
}

function runChecker(folder, ...more) {
  try {
    return { status: 0, out: execFileSync('node', [checker, folder, ...more], { encoding: 'utf8', stdio: 'pipe' }) };
  } catch (error) {
    return { status: error.status, out: `${error.stdout}${error.stderr}` };
  }
}

const whole = runChecker(results);
check(whole.status === 0 && / 0 failed/.test(whole.out), `every entry of ${results} holds: ${whole.out.trim().split('\n').at(-1)}`);
const oldEntries = readdirSync(results).filter((name) => name.endsWith('.json') && !name.endsWith('.about.json') &&
  JSON.parse(readFileSync(join(results, name), 'utf8')).schema_version < 5);
check(oldEntries.every((name) => whole.out.includes(`note: ${join(results, name)}: schema `) &&
      whole.out.includes("lacks what schema 5 adds: the processes, the headline's interval")),
`the gate says what each of the ${oldEntries.length} entries of an older schema lacks`);

const native = readdirSync(results).find((name) => name.endsWith('.json') && !name.endsWith('.about.json') &&
  !JSON.parse(readFileSync(join(results, name), 'utf8')).host.browser);
const original = JSON.parse(readFileSync(join(results, native), 'utf8'));
const page = readdirSync(results).find((name) => name.endsWith('.json') && !name.endsWith('.about.json') &&
  JSON.parse(readFileSync(join(results, name), 'utf8')).host.browser);
const pageReport = JSON.parse(readFileSync(join(results, page), 'utf8'));
const pageAbout = JSON.parse(readFileSync(join(results, page.replace(/\.json$/, '.about.json')), 'utf8'));
const about = JSON.parse(readFileSync(join(results, native.replace(/\.json$/, '.about.json')), 'utf8'));
const copy = (value) => JSON.parse(JSON.stringify(value));

// Each forgery: its name, the report and description it makes, and what
// the refusal must say.
const forgeries = [
  ['best-raised', (r) => { r.statistics.best_kflops += 1; }, /the best is \d+ KFLOPS, the largest run \d+/],
  ['table-changed', (r) => { r.timing_table[5].factor_seconds *= 1.001; }, /timing_table\[5\]: total .* is not the single-precision sum/],
  ['rate-changed', (r) => { r.timing_table[3].kflops += 1; }, /timing_table\[3\]: rate .* is not/],
  ['digest-changed', (r) => { r.validation.digest = '0x49fc1a1a7a570779'; },
    /validation\.validated is true, but the digests and the residual give false/],
  ['digest-changed-failed', (r) => { r.validation.digest = '0x49fc1a1a7a570779'; r.validation.validated = false; },
    /the untimed solve's digest is 0x49fc1a1a7a570779.*measure again/],
  ['runs-edited', (r) => { r.runs_kflops[1] += 1000; }, /run 2: \d+ KFLOPS, but its averaged totals .* give \d+/],
  ['headline-raised', (r) => { r.statistics.headline_kflops += 1; }, /statistics\.headline_kflops is \d+, but the best block of 10 runs gives \d+/],
  ['line-changed', (r) => { r.result_line = 'CPU performance 99999.99 MFlops'; }, /the result line .* is not the headline's/],
  ['median-changed', (r) => { r.statistics.median_kflops -= 1; }, /statistics\.median_kflops is .* but the runs give/],
  ['dirty', (r) => { r.velmark_version = r.velmark_version.replace(')', '-dirty)'); }, /is no release or clean commit/],
  ['coarse', (r) => { r.clock.headline_bound = 0.05; r.clock.coarse = true; }, /clock\.coarse is true, but a bound of [\d.e-]+ gives false/],
  ['few-runs', (r) => Object.assign(r, fewerRuns(r, 9)), /9 runs: an entry needs at least 10/],
  ['not-validated', (r) => { r.validation.validated = false; }, /validation\.validated is false, but the digests and the residual give true/],
  ['wrong-warmup-validated', (r) => { r.validation.timed_runs.warmup_digest = '0x0000000000000001'; },
    /validation\.validated is true, but the digests and the residual give false/],
  ['schema-2', (r) => { r.schema_version = 2; }, /schema_version is 2, not schema 3 to 5.*malformed/],
  ['clock-steps-too-coarse', (r) => { r.clock.reference_resolution_seconds = 0.5 * r.clock.reference_seconds; },
    /clock\.agrees is true, but the clocks' readings and steps give false/],
  ['clock-counted-too-long', (r) => { r.clock.counter_seconds *= 1.05; },
    /clock\.agrees is true, but the clocks' readings and steps give false/],
  ['no-seconds', (r) => { delete r.measurement.seconds; }, /measurement\.seconds is missing.*malformed/],
  ['problems-null', (r) => { r.validation.measurement_problems = null; }, /validation\.measurement_problems is null: it must be array.*malformed/],
  ['residual-text', (r) => { r.validation.normalised_residual = 'x'; }, /validation\.normalised_residual is "x".*malformed/],
  ['cpus-object', (r) => { r.host.logical_cpus = {}; }, /host\.logical_cpus is \{\}: it must be integer.*malformed/],
  ['no-verdict', (r) => { delete r.validation.validated; }, /validation\.validated is missing \(the report is malformed/],
  ['bound-edited', (r) => { r.clock.headline_bound /= 2; }, /clock\.headline_bound is .* but the clock's steps and the headline block give/],
  ['block-moved', (r) => { r.statistics.headline_first_run += 10; }, /statistics\.headline_first_run is \d+, but the best block of 10 runs gives/],
  ['block-size', (r) => { r.statistics.headline_runs = 5; }, /statistics\.headline_runs is 5, but the best block of 10 runs gives 10/],
  ['first-wrong-run', (r) => { r.validation.timed_runs.first_wrong_run = 3; }, /validation\.timed_runs names run 3/],
  ['totals-dropped', (r) => { r.runs_averaged_totals_seconds.pop(); }, /measurement\.runs is \d+ but runs_kflops has \d+ results and runs_averaged_totals_seconds \d+ pairs/],
  ['saturated', (r) => Object.assign(r, saturated(r)), /the headline, 2147483647 KFLOPS, is not a rate/],
  // Each layout's column of the best run's table held to that run's totals:
  // the higher-rate column moved by one step of its factor time, every
  // figure of the column kept consistent, so that only the run's totals
  // tell.
  ...[3, 7].map((k) => [`table-column-${k}-of-another-run`, (r) => {
    const column = r.timing_table[k];
    column.factor_seconds = Math.fround(column.factor_seconds * (1 + 2 ** -20));
    column.total_seconds = Math.fround(Math.fround(column.solve_seconds) + Math.fround(column.factor_seconds));
    column.kflops = Math.fround(686666.6666666666 / (column.total_seconds * 1000));
  }, /the timing table is not that of run \d+, the first best run/]),
];
// A page's report from a host without isolation: its clock's steps made
// 0.1 ms, isolation false, its bound and coarse verdict left as they were.
const pageForgeries = [
  ['page-coarsened', (r) => {
    r.clock.resolution_seconds = r.host.clock_resolution_seconds = 1e-4;
    r.host.cross_origin_isolated = false;
  }, /clock\.headline_bound is .* but the clock's steps and the headline block give/],
  // The same with its verdicts made again: it holds, and is coarse.
  ['page-coarse', (r) => {
    r.clock.resolution_seconds = r.host.clock_resolution_seconds = 1e-3;
    r.host.cross_origin_isolated = false;
    Object.assign(r, fewerRuns(r, r.measurement.runs));
  }, /the clock is coarse .*not an entry for the table/],
];
// A report of the runner's eight processes (schema 5, made on the
// developers' machine): each process's block, the interval and the
// machine's state are recomputed; a state past a limit, with every figure
// made again from it, holds but is no entry.
const repeated = JSON.parse(readFileSync(join(here, 'runner-report-5.json'), 'utf8'));
const remadeState = (r) => {
  const state = machineState(r.processes, r.runs_kflops, r.statistics.headline_kflops, r.host.logical_cpus);
  for (const [field, value] of Object.entries(state)) r.machine[field] = Number.isFinite(value) ? value : null;
  r.warnings = comparabilityWarnings(state);
  r.comparable = r.warnings.length === 0;
};
const repeatedForgeries = [
  ['r5-process-raised', (r) => { r.processes[1].headline_kflops += 1; }, /processes\[1\]\.headline_kflops is \d+, but its runs give \d+/],
  ['r5-interval-narrowed', (r) => { r.statistics.headline_interval_kflops[0] += 1000; },
    /statistics\.headline_interval_kflops is .* but the processes' blocks give/],
  ['r5-runs-moved', (r) => { r.processes[0].runs += 1; r.processes[1].runs -= 1; }, /processes\[[01]\]\.headline/],
  ['r5-miscounted', (r) => { r.processes[0].runs += 1; }, /the 8 processes count \d+ runs of \d+/],
  ['r5-busy-unsaid', (r) => { for (const p of r.processes) p.cpu_seconds = 0.9 * p.wall_seconds; },
    /machine\.cpu_share is .* but the processes' numbers give 0\.(9\b|8999)/],
  ['r5-descheduled', (r) => { for (const p of r.processes) p.cpu_seconds = 0.9 * p.wall_seconds; remadeState(r); },
    /not comparable: the runner had its processor 90\.0% of the wall time, below 95%/],
  ['r5-steal', (r) => { for (const p of r.processes) p.system_steal_seconds = 0.03 * p.system_total_seconds; remadeState(r); },
    /not comparable: the hypervisor took 3\.0% of the processors' time/],
  ['r5-warning-dropped', (r) => {
    for (const p of r.processes) p.clock_hz_after = 0.8 * p.clock_hz_before;
    remadeState(r);
    r.warnings = [];
    r.comparable = true;
  },
    /warnings are \[\], but the processes' numbers give \["clock_fell"\]/],
];
// A report of two copies at once (velmark --copies all, made on the
// developers' machine): each copy's figures, their sum and efficiency.
const together = JSON.parse(readFileSync(join(here, 'runner-copies-report.json'), 'utf8'));
const copiesForgeries = [
  ['copies-sum-raised', (r) => { r.copies.sum_kflops += 1000; }, /copies\.sum_kflops is .* but the copies' headlines add to/],
  ['copies-efficiency', (r) => { r.copies.efficiency = 1; }, /copies\.efficiency is 1, but the mean copy over the one alone gives/],
  ['copies-copy-raised', (r) => { r.processes[1].headline_kflops += 1; r.copies.sum_kflops += 1; },
    /processes\[1\]\.headline_kflops is \d+, but its runs give \d+/],
  ['copies-steps', (r) => { r.copies.steps_kflops[0][0] += 1; }, /copies\.steps_kflops\[0\] is .* but the copy's runs give/],
  ['copies-count', (r) => { r.copies.count = 3; }, /copies\.count is 3, .* but the report has 2 copies/],
];
const folder = mkdtempSync(join(tmpdir(), 'velmark-results-'));
try {
  for (const [name, forge] of forgeries) {
    const report = copy(original);
    forge(report);
    writeFileSync(join(folder, `${name}.json`), JSON.stringify(report));
    writeFileSync(join(folder, `${name}.about.json`), JSON.stringify({ ...about, machine: `${about.machine} (${name})` }));
  }
  for (const [name, forge] of pageForgeries) {
    const report = copy(pageReport);
    forge(report);
    writeFileSync(join(folder, `${name}.json`), JSON.stringify(report));
    writeFileSync(join(folder, `${name}.about.json`), JSON.stringify({ ...pageAbout, machine: `${pageAbout.machine} (${name})` }));
  }
  for (const [name, forge] of repeatedForgeries) {
    const report = copy(repeated);
    forge(report);
    writeFileSync(join(folder, `${name}.json`), JSON.stringify(report));
    writeFileSync(join(folder, `${name}.about.json`), JSON.stringify({ ...about, machine: `${about.machine} (${name})` }));
  }
  for (const [name, forge] of copiesForgeries) {
    const report = copy(together);
    forge(report);
    writeFileSync(join(folder, `${name}.json`), JSON.stringify(report));
    writeFileSync(join(folder, `${name}.about.json`), JSON.stringify({ ...about, machine: `${about.machine} (${name})` }));
  }
  writeFileSync(join(folder, 'together.json'), JSON.stringify(together));
  writeFileSync(join(folder, 'together.about.json'), JSON.stringify({ ...about, machine: `${about.machine} (every core)` }));
  writeFileSync(join(folder, 'repeated.json'), JSON.stringify(repeated));
  writeFileSync(join(folder, 'repeated.about.json'), JSON.stringify({ ...about, machine: `${about.machine} (eight processes)` }));
  // An emulator measures itself, not a machine.
  copyFileSync(join(results, native), join(folder, 'emulated.json'));
  writeFileSync(join(folder, 'emulated.about.json'), JSON.stringify({ ...about, machine: `${about.machine} (qemu)`, under: 'qemu' }));
  // Exactly ten runs: an entry.
  writeFileSync(join(folder, 'ten-runs.json'), JSON.stringify(fewerRuns(original, 10)));
  writeFileSync(join(folder, 'ten-runs.about.json'), JSON.stringify({ ...about, machine: `${about.machine} (ten runs)` }));
  // Refused for its version, it claims nothing: the same machine's valid
  // entry after it (by name) is admitted.
  const dirty = copy(original);
  dirty.velmark_version = dirty.velmark_version.replace(')', '-dirty)');
  writeFileSync(join(folder, 'a-dirty.json'), JSON.stringify(dirty));
  writeFileSync(join(folder, 'a-dirty.about.json'), JSON.stringify({ ...about, machine: `${about.machine} (claimed)` }));
  copyFileSync(join(results, native), join(folder, 'b-claimed.json'));
  writeFileSync(join(folder, 'b-claimed.about.json'), JSON.stringify({ ...about, machine: `  ${about.machine.toUpperCase()}  (CLAIMED) ` }));
  // 100000 nested brackets, which must not stop the gate.
  writeFileSync(join(folder, 'brackets.json'), '['.repeat(100000) + ']'.repeat(100000));
  writeFileSync(join(folder, 'brackets.about.json'), JSON.stringify(about));
  copyFileSync(join(results, native), join(folder, 'kept.json'));
  writeFileSync(join(folder, 'kept.about.json'), JSON.stringify(about));
  copyFileSync(join(results, native), join(folder, 'twice.json'));
  writeFileSync(join(folder, 'twice.about.json'), JSON.stringify(about));
  copyFileSync(join(results, native), join(folder, 'twice-shouted.json'));
  writeFileSync(join(folder, 'twice-shouted.about.json'), JSON.stringify({ ...about, machine: ` ${about.machine.toUpperCase().replace(/ /g, '  ')} ` }));
  copyFileSync(join(results, native), join(folder, 'undescribed.json'));
  copyFileSync(join(results, native), join(folder, 'nameless.json'));
  writeFileSync(join(folder, 'nameless.about.json'), JSON.stringify({ ...about, machine: ' ' }));
  writeFileSync(join(folder, 'garbage.json'), '{"schema_version": 3,');

  const { status, out } = runChecker(folder);
  const says = (file, reason) => out.split('\n').some((line) => line.startsWith(join(folder, file) + ':') && reason.test(line));
  check(status === 1, `the checker fails a folder with forgeries (status ${status})`);
  for (const [name, , reason] of [...forgeries, ...pageForgeries, ...repeatedForgeries, ...copiesForgeries]) check(says(`${name}.json`, reason), `${name}.json is refused: ${reason}`);
  check(!says('ten-runs.json', /./), 'an entry of exactly ten runs, every figure its own, is admitted');
  check(!says('repeated.json', /./), "the runner's report of eight processes, every figure its own, is admitted");
  check(!says('together.json', /./), "the runner's report of copies at once, every figure its own, is admitted");
  check(says('a-dirty.json', /is no release or clean commit/) && !says('b-claimed.json', /./),
        'an entry refused for its version claims nothing: the same machine\'s next entry is admitted');
  check(says('brackets.json', /nests 100000 deep/), 'a file of 100000 nested brackets is refused, and the others still checked');
  check(says('emulated.json', /"under" can only be "wine"/), 'an entry measured under an emulator is refused');
  check(says('twice.json', /the same machine and build as kept\.json/) && !says('kept.json', /./),
        'the same machine and build entered twice is refused, the first kept');
  check(says('twice-shouted.json', /the same machine and build as kept\.json/),
        'the same machine in other case and spacing is the same machine');
  check(says('undescribed.json', /undescribed\.about\.json cannot be read.*results\/README\.md/), 'an entry with no description is refused');
  check(says('nameless.json', /"machine" must name the machine/), 'a description without the machine is refused');
  check(says('garbage.json', /is not JSON/), 'a file that is no JSON is refused');
  const counts = /^(\d+) passed, (\d+) failed$/m.exec(out);
  check(counts && counts[1] === '5' &&
        Number(counts[2]) === forgeries.length + pageForgeries.length + repeatedForgeries.length + copiesForgeries.length + 8,
        `five entries passed (kept, ten runs, the one claimed, eight processes, copies), every other failed: ${counts && counts[0]}`);

  const placed = runChecker(results, '--place', join(results, native));
  check(placed.status === 0 && /rank \d+ of \d+/.test(placed.out) && /times the fastest entry/.test(placed.out),
        `--place puts a result among the entries: ${placed.out.split('\n').find((l) => l.includes('rank'))}`);
  const refused = runChecker(results, '--place', join(folder, 'best-raised.json'));
  check(refused.status === 1 && /not a measurement to place/.test(refused.out), '--place refuses a forged result');
  for (const name of ['clock-counted-too-long', 'digest-changed-failed', 'saturated', 'page-coarse']) {
    const failing = runChecker(results, '--place', join(folder, `${name}.json`));
    check(failing.status === 1 && /not a measurement to place/.test(failing.out), `--place refuses ${name}.json`);
  }
  const few = runChecker(results, '--place', join(folder, 'few-runs.json'));
  const headline = fewerRuns(original, 9).statistics.headline_kflops;
  check(few.status === 0 && few.out.includes(`: ${(headline / 1000).toFixed(2)} MFlops, rank`),
        `--place places a result of nine runs by its headline: ${few.out.split('\n').find((l) => l.includes('rank'))}`);

  // Called through a link to the checkout, the gate still checks and says so.
  const link = join(folder, 'checkout');
  symlinkSync(join(here, '../..'), link);
  let linked = '';
  try {
    linked = execFileSync('node', [join(link, 'tools/check_results.mjs'), results], { encoding: 'utf8' });
  } catch (error) {
    linked = `${error.stdout}`;
  }
  check(/^\d+ entries of .* hold$/m.test(linked) && /^(\d+) passed, 0 failed$/m.test(linked) && !/^0 passed/m.test(linked),
        `the gate called through a link checks the entries: ${linked.trim().split('\n').at(-1)}`);
} finally {
  rmSync(folder, { recursive: true, force: true });
}
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
