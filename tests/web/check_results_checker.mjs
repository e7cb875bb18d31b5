// The results table's gate (tools/check_results.mjs) on a folder made from
// one real entry of results/: the entry as it is holds, and each forgery a
// contributor could make is refused with its file and its reason: a best
// raised by one KFLOPS, one timing-table value changed, a digest changed,
// runs_kflops edited, a duplicate, a changed tree's build, a coarse clock,
// too few runs, a missing or empty description, a file that is no JSON.
//
// usage: node check_results_checker.mjs RESULTS_FOLDER
import { execFileSync } from 'node:child_process';
import { copyFileSync, mkdtempSync, readdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

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

const native = readdirSync(results).find((name) => name.endsWith('.json') && !name.endsWith('.about.json') &&
  !JSON.parse(readFileSync(join(results, name), 'utf8')).host.browser);
const original = JSON.parse(readFileSync(join(results, native), 'utf8'));
const about = JSON.parse(readFileSync(join(results, native.replace(/\.json$/, '.about.json')), 'utf8'));
const copy = (value) => JSON.parse(JSON.stringify(value));

// Each forgery: its name, the report and description it makes, and what
// the refusal must say.
const forgeries = [
  ['best-raised', (r) => { r.statistics.best_kflops += 1; }, /the best is \d+ KFLOPS, the largest run \d+/],
  ['table-changed', (r) => { r.timing_table[5].factor_seconds *= 1.001; }, /timing_table\[5\]: total .* is not the single-precision sum/],
  ['rate-changed', (r) => { r.timing_table[3].kflops += 1; }, /timing_table\[3\]: rate .* is not/],
  ['digest-changed', (r) => { r.validation.digest = '0x49fc1a1a7a570779'; }, /validation\.digest is "0x49fc1a1a7a570779", not 0x49fc1a1a7a570778/],
  ['runs-edited', (r) => { r.runs_kflops[1] += 1000; }, /run 2: \d+ KFLOPS, but its averaged totals .* give \d+/],
  ['headline-raised', (r) => { r.statistics.headline_kflops += 1; }, /the headline is \d+ KFLOPS .* but the best block of 10 runs gives/],
  ['line-changed', (r) => { r.result_line = 'CPU performance 99999.99 MFlops'; }, /the result line .* is not the headline's/],
  ['median-changed', (r) => { r.statistics.median_kflops -= 1; }, /statistics\.median_kflops is .* but the runs give/],
  ['dirty', (r) => { r.velmark_version = r.velmark_version.replace(')', '-dirty)'); }, /is no release or clean commit/],
  ['coarse', (r) => { r.clock.headline_bound = 0.05; r.clock.coarse = true; }, /the clock is coarse/],
  ['few-runs', (r) => {
    for (const list of ['runs_kflops', 'runs_averaged_totals_seconds']) r[list] = r[list].slice(0, 5);
    r.measurement.runs = r.validation.timed_runs.checked = 5;
  }, /5 runs: an entry needs at least 10/],
  ['not-validated', (r) => { r.validation.validated = false; }, /validation\.validated is false, not true.*measure again/],
  ['schema-2', (r) => { r.schema_version = 2; }, /schema_version is 2, not schema 3/],
];
const folder = mkdtempSync(join(tmpdir(), 'velmark-results-'));
try {
  for (const [name, forge] of forgeries) {
    const report = copy(original);
    forge(report);
    writeFileSync(join(folder, `${name}.json`), JSON.stringify(report));
    writeFileSync(join(folder, `${name}.about.json`), JSON.stringify({ ...about, machine: `${about.machine} (${name})` }));
  }
  copyFileSync(join(results, native), join(folder, 'kept.json'));
  writeFileSync(join(folder, 'kept.about.json'), JSON.stringify(about));
  copyFileSync(join(results, native), join(folder, 'twice.json'));
  writeFileSync(join(folder, 'twice.about.json'), JSON.stringify(about));
  copyFileSync(join(results, native), join(folder, 'undescribed.json'));
  copyFileSync(join(results, native), join(folder, 'nameless.json'));
  writeFileSync(join(folder, 'nameless.about.json'), JSON.stringify({ ...about, machine: ' ' }));
  writeFileSync(join(folder, 'garbage.json'), '{"schema_version": 3,');

  const { status, out } = runChecker(folder);
  const says = (file, reason) => out.split('\n').some((line) => line.startsWith(join(folder, file) + ':') && reason.test(line));
  check(status === 1, `the checker fails a folder with forgeries (status ${status})`);
  for (const [name, , reason] of forgeries) check(says(`${name}.json`, reason), `${name}.json is refused: ${reason}`);
  check(says('twice.json', /the same machine and build as kept\.json/) && !says('kept.json', /./),
        'the same machine and build entered twice is refused, the first kept');
  check(says('undescribed.json', /undescribed\.about\.json cannot be read.*Adding a machine/), 'an entry with no description is refused');
  check(says('nameless.json', /"machine" must name the machine/), 'a description without the machine is refused');
  check(says('garbage.json', /is not JSON/), 'a file that is no JSON is refused');
  const counts = /^(\d+) passed, (\d+) failed$/m.exec(out);
  check(counts && counts[1] === "1" && Number(counts[2]) === forgeries.length + 4, `one entry passed, every other failed: ${counts && counts[0]}`);

  const placed = runChecker(results, '--place', join(results, native));
  check(placed.status === 0 && /rank \d+ of \d+/.test(placed.out) && /times the fastest entry/.test(placed.out),
        `--place puts a result among the entries: ${placed.out.split('\n').find((l) => l.includes('rank'))}`);
  const refused = runChecker(results, '--place', join(folder, 'best-raised.json'));
  check(refused.status === 1 && /not a measurement to place/.test(refused.out), '--place refuses a forged result');
} finally {
  rmSync(folder, { recursive: true, force: true });
}
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
