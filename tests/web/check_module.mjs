// The WebAssembly modules under node, inside the module itself: the
// generator's known values, every kernel against its element rule on
// vectors of every length the unrolled and the SIMD paths split
// differently (overlapping ones too), the whole problem's solution digests
// for both jobs, and a whole run with a scripted clock, whose timing table,
// result and solution must be the host engine's to the bit; the headline's
// rule against the host's, and the clock the module is given checked
// against the wall clock.
//
// usage: node check_module.mjs SITE_FOLDER HOST_ANSWER_PROGRAM
import { execFileSync } from 'node:child_process';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';

import { Engine } from '../../web/engine.js';
import {
  KNOWN_RUN_DIGEST, KNOWN_SOLUTION_DIGEST, KNOWN_SOLUTION_MAX_ERROR, KNOWN_SOLUTION_RESIDUAL,
} from '../../web/constants.js';
import { judgeSolution, measure, solutionDigest } from '../../web/measure.js';
import { bestBlock } from '../../web/run_statistics.js';
import { readFragment, reportJson, resultLine, shareFragment } from '../../web/report.js';
import { combineMeasurements } from '../../web/repetition.js';

const [site, hostAnswer] = process.argv.slice(2);
const TRANSPOSED_SOLUTION_DIGEST = '0xef59d7aef59b6e77';
let passed = 0, failed = 0;

function check(ok, what) {
  console.log((ok ? 'ok   ' : 'FAIL ') + what);
  ok ? ++passed : ++failed;
  return ok;
}

// The same ticks as the CE loader's scripted counter: the host's answer is
// computed with that one.
function scriptedClock() {
  let reads = 0, ticks = 1000000;
  return {
    clock: {
      ticks: () => { ticks += 400 + ((reads * 7919 + 13) % 5000); ++reads; return ticks; },
      frequency: () => 3579545,
    },
    reads: () => reads,
  };
}

// Deterministic singles of both signs and many exponents.
function randomSingles(count, seed) {
  const out = new Float32Array(count);
  let state = seed >>> 0;
  for (let i = 0; i < count; ++i) {
    state = (Math.imul(state, 1664525) + 1013904223) >>> 0;
    out[i] = Math.fround(((state >>> 8) / 0x1000000 - 0.5) * 2 ** ((state & 0xf) - 4));
  }
  return out;
}

function sameBits(a, b) {
  if (a.length !== b.length) return false;
  const x = new Uint32Array(Float32Array.from(a).buffer), y = new Uint32Array(Float32Array.from(b).buffer);
  return x.every((bits, i) => bits === y[i] || (Number.isNaN(a[i]) && Number.isNaN(b[i])));
}

// ---- the kernels' rules, element by element, in JavaScript's doubles ----

const rules = {
  axpy(n, alpha, x, y) {
    if (n <= 0 || alpha === 0) return y;
    const out = Float32Array.from(y);
    for (let i = 0; i < n; ++i) out[i] = Math.fround(x[i] * alpha + out[i]);
    return out;
  },
  scal(n, alpha, x) {
    const out = Float32Array.from(x);
    for (let i = 0; i < n; ++i) out[i] = Math.fround(out[i] * alpha);
    return out;
  },
  dot(n, x, y) {
    let s = 0;
    const m = n % 5;
    for (let i = 0; i < m; ++i) s = Math.fround(s + Math.fround(x[i] * y[i]));
    for (let i = m; i + 5 <= n; i += 5) {
      const p = [0, 1, 2, 3, 4].map((j) => Math.fround(x[i + j] * y[i + j]));
      let g = Math.fround(p[4] + p[3]);
      g = Math.fround(g + p[2]);
      g = Math.fround(g + p[1]);
      g = Math.fround(g + p[0]);
      s = Math.fround(g + s);
    }
    return s;
  },
  iamax(n, x) {
    if (n < 1) return -1;
    let best = 0, max = Math.abs(x[0]);
    for (let i = 1; i < n; ++i) if (Math.abs(x[i]) > max) { best = i; max = Math.abs(x[i]); }
    return best;
  },
};

function checkKernels(engine, name) {
  const lengths = [...Array(41).keys(), 63, 64, 65, 99, 100, 199];
  let wrong = [];
  for (const n of lengths) {
    const x = randomSingles(n, 11 + n), y = randomSingles(n, 97 + n), alpha = -0.3713 * (n + 1);
    const xs = engine.allocate(Float32Array, n), ys = engine.allocate(Float32Array, n);
    xs.view.set(x);
    ys.view.set(y);
    engine.exports.axpy(n, alpha, xs.address, 1, ys.address, 1);
    if (!sameBits(ys.view, rules.axpy(n, alpha, x, y))) wrong.push(`axpy ${n}`);
    ys.view.set(y);
    engine.exports.scal(n, alpha, ys.address, 1);
    if (!sameBits(ys.view, rules.scal(n, alpha, y))) wrong.push(`scal ${n}`);
    ys.view.set(y);
    if (!sameBits([engine.exports.dot(n, xs.address, 1, ys.address, 1)], [rules.dot(n, x, y)])) wrong.push(`dot ${n}`);
    if (engine.exports.iamax(n, xs.address, 1) !== rules.iamax(n, x)) wrong.push(`iamax ${n}`);
    engine.release();
  }
  check(wrong.length === 0, `${name}: axpy, scal, dot and iamax give their rules' bits for n = 0 to 40, 63 to 65, 99, 100, 199 ${wrong.slice(0, 5)}`);

  // Overlapping vectors walk element by element, as the rule does.
  wrong = [];
  for (const shift of [-3, -1, 1, 2, 5]) {
    const data = randomSingles(60, 5 + shift), v = engine.allocate(Float32Array, 60);
    v.view.set(data);
    const from = Math.max(0, -shift), to = Math.max(0, shift), n = 40;
    engine.exports.axpy(n, 0.75, v.address + 4 * to, 1, v.address + 4 * from, 1);
    const expected = Float32Array.from(data);
    for (let i = 0; i < n; ++i) expected[from + i] = Math.fround(expected[to + i] * 0.75 + expected[from + i]);
    if (!sameBits(v.view, expected)) wrong.push(shift);
    engine.release();
  }
  check(wrong.length === 0, `${name}: axpy on overlapping vectors follows the rule element by element ${wrong}`);

  // Magnitudes: ties, NaNs, signed zeros.
  const cases = [[[1, -3, 3], 1], [[NaN, 5], 0], [[2, NaN, 5], 2], [[0, -0, 0], 0], [[-0, 0, 1e-45, -1e-45], 2],
    [[1, 2, 3, 4, 5, 6, NaN, 7, -7], 7]];
  wrong = cases.filter(([values, expected]) => {
    const v = engine.allocate(Float32Array, values.length);
    v.view.set(values);
    const found = engine.exports.iamax(values.length, v.address, 1);
    engine.release();
    return found !== expected;
  });
  check(wrong.length === 0, `${name}: iamax takes the first of equal magnitudes and never a NaN ${JSON.stringify(wrong)}`);
}

function checkGenerator(engine, name) {
  const a = engine.allocate(Float32Array, 201 * 100), b = engine.allocate(Float32Array, 100);
  engine.exports.make_matrix(a.address, 201, 3, b.address);
  const small = Array.from(b.view.subarray(0, 3));
  engine.exports.make_matrix(a.address, 201, 100, b.address);
  const column = Array.from(a.view.subarray(0, 8)), sums = Array.from(b.view.subarray(0, 4));
  engine.release();
  check(JSON.stringify(small) === JSON.stringify([-0.93121337890625, -2.04180908203125, -0.65338134765625]) &&
        JSON.stringify(column) === JSON.stringify([-1.27630615234375, -0.45672607421875, 0.73101806640625,
          0.43145751953125, 0.30474853515625, 0.33917236328125, -0.08636474609375, -1.88983154296875]) &&
        JSON.stringify(sums) === JSON.stringify([-14.175537109375, -10.553466796875, 20.416259765625, -11.188232421875]),
  `${name}: the generator's known values (order 3's row sums, column 0, order 100's first row sums)`);
}

function checkSolves(engine, name) {
  const solved = engine.untimedSolve(0);
  const judged = judgeSolution(solved);
  check(judged.digest === KNOWN_SOLUTION_DIGEST && judged.validated && judged.residual === KNOWN_SOLUTION_RESIDUAL &&
        judged.maxError === KNOWN_SOLUTION_MAX_ERROR,
  `${name}: the order-100 solve gives digest ${judged.digest} (expected ${KNOWN_SOLUTION_DIGEST}), residual ` +
    `${judged.residual} and largest error ${judged.maxError}, the runner's to the bit`);
  const transposed = solutionDigest(engine.untimedSolve(1).solution);
  check(transposed === TRANSPOSED_SOLUTION_DIGEST,
        `${name}: the transposed solve gives digest ${transposed} (expected ${TRANSPOSED_SOLUTION_DIGEST})`);
}

async function checkScriptedRun(bytes, name, host) {
  const script = scriptedClock();
  const engine = await Engine.load(bytes, script.clock);
  const kflops = engine.run();
  const table = engine.timingTable();
  const bits = new Uint32Array(Float32Array.from(['factor_seconds', 'solve_seconds', 'total_seconds', 'kflops']
    .flatMap((row) => table.map((column) => column[row]))).buffer);
  check(kflops === host.kflops && resultLine(kflops) === host.result_line,
        `${name}: a scripted run gives ${kflops} KFLOPS, "${resultLine(kflops)}" (the host engine: ${host.kflops}, "${host.result_line}")`);
  check(script.reads() === host.reads, `${name}: ${script.reads()} clock reads (the host engine: ${host.reads})`);
  check(bits.length === host.table_bits.length && bits.every((b, i) => b === host.table_bits[i]),
        `${name}: every entry of the timing table has the host engine's bits`);
  const digest = solutionDigest(engine.solution());
  check(digest === host.solution_digest && digest === KNOWN_RUN_DIGEST,
        `${name}: the run leaves solution digest ${digest} (the host engine: ${host.solution_digest})`);
}

// The headline: the module's rating of averaged totals is the host
// runner's, and the best block is chosen as the runner chooses it.
function checkHeadline(engine, name, host) {
  const rated = host.averaged_totals_kflops.map(([t1, t2]) => engine.kflopsFromAveragedTotals(t1, t2));
  check(rated.every((kflops, i) => kflops === host.averaged_totals_kflops[i][2]),
        `${name}: averaged totals rate as the host runner rates them: ${rated.join(', ')}`);
  const rate = (t1, t2) => engine.kflopsFromAveragedTotals(t1, t2);
  const runs = (totals) => totals.map((total) => [total, total]);
  // Runs 11-20 are the fastest block though run 5 is the fastest run; run
  // 31, past the last whole block, is left out.
  const totals = Array(31).fill(2e-3);
  totals[4] = 1e-3;
  totals.fill(1.5e-3, 10, 20);
  totals[30] = 1e-4;
  const block = bestBlock(runs(totals), rate);
  const few = bestBlock(runs([2e-3, 1e-3, 4e-3]), rate);
  // The lower rate of the two layouts rates a block, whichever is slower.
  const slower = [bestBlock(totals.map((t) => [t, 2 * t]), rate), bestBlock(totals.map((t) => [2 * t, t]), rate)];
  check(block.firstRun === 10 && block.runs === 10 && block.kflops === 457778 && few.firstRun === 0 && few.runs === 3 &&
        few.kflops === engine.kflopsFromAveragedTotals(7e-3 / 3, 7e-3 / 3) &&
        slower.every((b) => b.firstRun === 10 && b.kflops === engine.kflopsFromAveragedTotals(3e-3, 3e-3)),
  `${name}: the best block of ten (${JSON.stringify(block)}), and fewer runs as one block (${JSON.stringify(few)})`);
}

// A clock that runs at `rate` times the wall clock's, as a page that gave
// the module microseconds for nanoseconds would: the bits stay right, the
// measurement does not. Both clocks are made up, so that a busy machine
// cannot move the verdict.
async function checkClockAgainstWallClock(bytes, name) {
  for (const rate of [1, 1.02, 0.98, 1.05, 0.95, 1e-3]) {
    const made = await madeUpEngine(bytes, { results: [5], rate });
    const m = made.measureWith({ runs: 20 });
    const problem = m.measurementProblems[0];
    const fine = rate > 0.97 && rate < 1.03;
    check(m.validated && (fine ? m.measurementProblems.length === 0 && m.clock.agrees
      : !m.clock.agrees && problem.code === 'clocks_disagree' && Math.abs(problem.counter_seconds / problem.reference_seconds - rate) < 1e-3),
    `${name}: a clock at ${rate} times the wall clock's ${fine ? 'is a measurement' : 'is none'}: ` +
      `${JSON.stringify(problem || m.clock)}`);
  }
}

// An engine that gives made-up results and timings around a real one's
// solutions: run k (0, the warm-up, first) returns results[k - 1] and
// takes runSeconds by the clock measure() is given; the runs in `wrong`
// (0: the warm-up) leave a solution one bit off, and so does the untimed
// solve when untimedWrong.
async function madeUpEngine(bytes, { results, wrong = [], untimedWrong = false, runSeconds = 0.01, rate = 1 }) {
  let now = 0, reads = 0, referenceReads = 0, runs = -1;
  // Each reading steps a nanosecond, so that both clocks are seen to move.
  const clock = { ticks: () => Math.round(now * 1e9 * rate) + reads++, frequency: () => 1e9 };
  const real = await Engine.load(bytes, clock);
  real.run();
  const table = real.timingTable(), right = real.solution();
  const offByOneBit = (solution) => {
    const bits = new Uint32Array(Float32Array.from(solution).buffer);
    bits[0] ^= 1;
    return new Float32Array(bits.buffer);
  };
  const engine = {
    clock,
    run: () => { now += runSeconds; ++runs; return runs === 0 ? 1 : results[(runs - 1) % results.length]; },
    // Averaged columns of a millisecond: a headline that is a rate.
    timingTable: () => table.map((column) => ({ ...column, total_seconds: column.kind === 'averaged' ? 1e-3 : column.total_seconds })),
    solution: () => (wrong.includes(runs) ? offByOneBit(right) : right),
    untimedSolve: () => {
      const solved = real.untimedSolve();
      return untimedWrong ? { ...solved, solution: offByOneBit(solved.solution) } : solved;
    },
    kflopsFromAveragedTotals: (t1, t2) => real.kflopsFromAveragedTotals(t1, t2),
  };
  const measureWith = (options = {}) => measure(engine, {
    seconds: () => now, reference: () => now + 1e-9 * referenceReads++, ...options,
  });
  return { engine, measureWith };
}

// One Worker's measurement as the page reports it.
const one = (m) => combineMeasurements([m], 2);
const CONTEXT = { velmark_version: '1.0', timestamp_utc: '2026-12-10T00:00:00Z', host: { browser: 'x' }, build: {} };

// What the measurement decides and the report says, on made-up runs.
async function checkMeasurementRules(bytes, name) {
  const warm = await madeUpEngine(bytes, { results: [5], wrong: [0] });
  const untimed = await madeUpEngine(bytes, { results: [5], untimedWrong: true });
  const coldRun = warm.measureWith({ runs: 3 }), wrongSolve = untimed.measureWith({ runs: 3 });
  check(!coldRun.validated && !coldRun.warmupRight && coldRun.firstWrongRun === null && !wrongSolve.validated &&
        reportJson(CONTEXT, one(coldRun)).validation.validated === false &&
        reportJson(CONTEXT, one(coldRun)).validation.timed_runs.warmup_digest !== KNOWN_RUN_DIGEST,
  `${name}: a wrong warm-up or a wrong untimed solve fails the measurement, though the timed runs were right`);

  const quick = (await madeUpEngine(bytes, { results: [5], runSeconds: 0.05 })).measureWith({ budget: 1 });
  const slow = (await madeUpEngine(bytes, { results: [5], runSeconds: 0.25 })).measureWith({ budget: 1 });
  const share = (await madeUpEngine(bytes, { results: [5], runSeconds: 0.01 })).measureWith();
  check(quick.runs.length === 20 && slow.runs.length === 10 && quick.budget === 1 && share.budget === 0.25 &&
        share.runs.length === 25,
        `${name}: runs fill the one-second budget (${quick.runs.length} of 0.05 s), and at least ten are made ` +
        `(${slow.runs.length} of 0.25 s); a Worker's share of the default is 2 s over 8 (${share.runs.length} of 0.01 s)`);

  const pair = reportJson(CONTEXT, one((await madeUpEngine(bytes, { results: [1000, 900] })).measureWith({ runs: 2 })));
  check(pair.statistics.coefficient_of_variation === Math.sqrt(5000) / 950 && pair.statistics.median_to_best === 0.95 &&
        pair.measurement.warmup_runs === 1 && pair.measurement.runs === 2,
  `${name}: two runs' spread is their sample deviation over their mean: ${JSON.stringify(pair.statistics)}`);

  for (const [wrong, runs] of [[3, 5], [5, 5]]) {
    const made = await madeUpEngine(bytes, { results: [5], wrong: [wrong] });
    const m = made.measureWith({ runs });
    let report = null;
    try {
      report = reportJson(CONTEXT, one(m));
    } catch (error) {
      check(false, `${name}: the report of a wrong run ${wrong} of ${runs} is made: ${error.message}`);
      continue;
    }
    const timed = report.validation.timed_runs;
    check(timed.first_wrong_run === wrong && timed.wrong_digest === m.runs[wrong - 1].digest &&
          timed.wrong_digest !== KNOWN_RUN_DIGEST && !report.validation.validated,
    `${name}: run ${wrong} of ${runs} left a wrong solution, and the report names it and its digest: ${JSON.stringify(timed)}`);
  }
}

// The dialog's line as the host's printf gives it, ties included; and the
// share link's base64url, both of whose own letters a report can need.
function checkReportTexts(host) {
  const lines = host.result_lines.map(([kflops]) => resultLine(kflops));
  check(lines.every((line, i) => line === host.result_lines[i][1]),
        `the result line is the host's printf: ${lines.join('; ')}`);
  const report = { schema_version: 4, host: { browser: '>>>???~~~ µs ÿ' }, runs_kflops: [1, 2] };
  const fragment = shareFragment(report);
  const back = (readFragment(fragment) || {}).report;
  const payload = fragment.slice('#result='.length);
  check(payload.includes('-') && payload.includes('_') && !/[+/=]/.test(payload) &&
        back && back.host.browser === report.host.browser && back.runs_kflops.join() === '1,2',
  `the share link carries a report through both of base64url's own letters (${fragment})`);
}

const host = JSON.parse(execFileSync(hostAnswer, { encoding: 'utf8' }));
checkReportTexts(host);
for (const [file, kernels] of [['velmark.wasm', 'portable'], ['velmark-simd.wasm', 'simd128']]) {
  const bytes = readFileSync(join(site, file));
  const engine = await Engine.load(bytes, { ticks: () => 0, frequency: () => 1 });
  check(engine.kernels === kernels, `${file}: the module says its kernels are ${engine.kernels} (${kernels})`);
  checkGenerator(engine, file);
  checkKernels(engine, file);
  checkSolves(engine, file);
  await checkScriptedRun(bytes, file, host);
  checkHeadline(engine, file, host);
  await checkMeasurementRules(bytes, file);
  await checkClockAgainstWallClock(bytes, file);
}
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
