// The engine as a WebAssembly module: loaded with a clock, run, and read.
// The module imports the clock as whole ticks of a stated frequency and
// exports run_benchmark, the engine's calls, and where the timing table and
// the solution lie in its memory.

import { TIMING_COLUMNS } from './constants.js';

export const ORDER = 100;
export const LEADING_DIMENSION = 201;

// A small module that uses a 128-bit SIMD instruction: a browser that
// validates it runs the SIMD module.
const SIMD_PROBE = new Uint8Array([
  0x00, 0x61, 0x73, 0x6d, 0x01, 0x00, 0x00, 0x00, 0x01, 0x05, 0x01, 0x60, 0x00, 0x01, 0x7b, 0x03,
  0x02, 0x01, 0x00, 0x0a, 0x0a, 0x01, 0x08, 0x00, 0x41, 0x00, 0xfd, 0x0f, 0xfd, 0x62, 0x0b,
]);

// Which module this browser runs: "velmark-simd.wasm" or "velmark.wasm".
export function moduleFor(webAssembly = globalThis.WebAssembly) {
  return webAssembly.validate(SIMD_PROBE) ? 'velmark-simd.wasm' : 'velmark.wasm';
}

// The page's clock in nanoseconds: whole ticks of 1e9 a second.
export function pageClock(now = () => performance.now()) {
  return { ticks: () => Math.round(now() * 1e6), frequency: () => 1e9 };
}

// The smallest step between readings of a clock in seconds, seen in up to
// `steps` steps or 200000 readings (a clock that never moves: infinity).
export function smallestStep(seconds, steps = 50) {
  let smallest = Infinity, seen = 0, before = seconds();
  for (let i = 0; i < 200000 && seen < steps; ++i) {
    const reading = seconds();
    if (reading > before) {
      smallest = Math.min(smallest, reading - before);
      ++seen;
      before = reading;
    }
  }
  return smallest;
}

// The smallest step of performance.now(), in seconds: the resolution that
// timed runs have.
export function clockResolution(now = () => performance.now()) {
  return smallestStep(() => now() / 1000);
}

export class Engine {
  // bytes: the module; clock: { ticks(), frequency() } as numbers.
  static async load(bytes, clock) {
    const { instance } = await WebAssembly.instantiate(bytes, { clock });
    return new Engine(instance.exports, clock);
  }

  constructor(exports, clock) {
    this.exports = exports;
    this.clock = clock;
    this.kernels = this.string(exports.velmark_kernels());
  }

  string(address) {
    const bytes = new Uint8Array(this.exports.memory.buffer, address);
    return new TextDecoder().decode(bytes.subarray(0, bytes.indexOf(0)));
  }

  floats(address, count) {
    return new Float32Array(this.exports.memory.buffer, address, count);
  }

  // One whole run: its KFLOPS.
  run() {
    return this.exports.run_benchmark();
  }

  // The result of averaged columns that took these totals, by the run's
  // own rules (the headline of a block of runs).
  kflopsFromAveragedTotals(total1, total2) {
    return this.exports.velmark_kflops_from_averaged_totals(total1, total2);
  }

  // The used columns the latest run left, each as the rows of the table:
  // factor, solve and total seconds, KFLOPS (a copy); the columns' shape
  // is the engine's (constants.js, made from its workspace header).
  timingTable() {
    const columns = this.exports.velmark_timing_columns();
    const table = this.floats(this.exports.velmark_timing_table(), 4 * columns);
    const used = [];
    for (const { column: k, layout, kind } of TIMING_COLUMNS) {
      used.push({
        column: k, layout, kind,
        factor_seconds: table[k], solve_seconds: table[columns + k],
        total_seconds: table[2 * columns + k], kflops: table[3 * columns + k],
      });
    }
    return used;
  }

  // The solution the latest run left in its right-hand side (a copy).
  solution() {
    return Float32Array.from(this.floats(this.exports.velmark_solution(), this.exports.velmark_order()));
  }

  // Arrays in the module's memory for calls of the engine's own routines;
  // released together by release().
  allocate(Type, count) {
    const address = this.exports.velmark_scratch(count * Type.BYTES_PER_ELEMENT);
    if (address === 0) throw new Error('the module has no more scratch memory');
    return { address, view: new Type(this.exports.memory.buffer, address, count) };
  }

  release() {
    this.exports.velmark_scratch_release();
  }

  // One more generation, factorisation and solve of the order-100 system,
  // outside any timing: the matrix (as generated), the right-hand side
  // and the solution.
  untimedSolve(job = 0) {
    const a = this.allocate(Float32Array, LEADING_DIMENSION * ORDER);
    const b = this.allocate(Float32Array, ORDER);
    const pivots = this.allocate(Int32Array, ORDER);
    const info = this.allocate(Int32Array, 1);
    this.exports.make_matrix(a.address, LEADING_DIMENSION, ORDER, b.address);
    const matrix = Float32Array.from(a.view), rhs = Float32Array.from(b.view);
    this.exports.lu_factor(a.address, LEADING_DIMENSION, ORDER, pivots.address, info.address);
    this.exports.lu_solve(a.address, LEADING_DIMENSION, ORDER, pivots.address, b.address, job);
    const solution = Float32Array.from(b.view);
    this.release();
    return { matrix, rhs, solution };
  }
}
