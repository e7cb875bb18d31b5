// The result report's shape (docs/results-format.md describes each field):
// every field the page, the results' gate, the table and the comparison
// read, with its type, its range and whether it may be null. A JSON Schema
// (draft-07); tools/result_validator.mjs compiles it with ajv into
// result_validator.js, the one validator the page and the gate both run.
// Figures that follow from other figures are not checked here but
// recomputed (result_check.js). Schema 3 reports (the table's older
// entries) are read too: they differ in their problems, stored as prose.
// Schema 5 adds the processes, the interval, the machine's state and the
// warnings, and drops the one block's place from the statistics.
import {
  CLOCK_CHECK_TOO_SHORT, CLOCK_FELL_WARNING, CLOCKS_DISAGREE, DESCHEDULED_WARNING, HEADLINE_NOT_A_RATE, HEADLINE_RULE,
  MAX_RUNS, OTHERS_BUSY_WARNING, RATE_FELL_WARNING, REPEATED_HEADLINE_RULE, SCHEMA_VERSION,
  STEAL_WARNING, TIMING_COLUMNS,
} from './constants.js';

// The most copies a report may hold: a machine's logical processors.
export const MAX_COPIES = 1024;

const text = (most = 1000) => ({ type: 'string', pattern: `^[\\s\\S]{1,${most}}$` });
const seconds = { type: 'number', minimum: 0 };
const orNull = (schema) => ({ anyOf: [schema, { type: 'null' }] });
const digest = { type: 'string', pattern: '^0x[0-9a-f]{16}$' };
const int32 = { type: 'integer', minimum: -2147483648, maximum: 2147483647 };
const object = (properties, optional = []) => ({
  type: 'object', additionalProperties: false, properties,
  required: Object.keys(properties).filter((key) => !optional.includes(key)),
});
const measured = orNull({ type: 'number' });
const share = orNull({ type: 'number' });
// Schema 5's parts, required of it (and of no older report).
const process = object({
  runs: { type: 'integer', minimum: 1, maximum: MAX_RUNS }, headline_kflops: int32,
  headline_first_run: { type: 'integer', minimum: 1, maximum: MAX_RUNS },
  headline_runs: { type: 'integer', minimum: 1, maximum: MAX_RUNS },
  wall_seconds: seconds, cpu_seconds: orNull(seconds), involuntary_switches: orNull(seconds),
  system_busy_seconds: measured, system_steal_seconds: measured, system_total_seconds: measured,
  runnable_at_start: measured, clock_hz_before: orNull(seconds), clock_hz_after: orNull(seconds),
});
const machine = object({
  clock_hz: measured, ops_per_cycle: measured, cpu_share: share, involuntary_switches: measured, steal_share: share,
  others_busy_share: share, runnable_at_start: measured, clock_after_to_before: share, first_third_kflops: measured,
  last_third_kflops: measured, governor: orNull(text(100)), boost: orNull({ enum: ['on', 'off'] }),
  min_hz: measured, max_hz: measured,
});
const warning = object({
  code: { enum: [STEAL_WARNING, DESCHEDULED_WARNING, CLOCK_FELL_WARNING, OTHERS_BUSY_WARNING, RATE_FELL_WARNING] },
  value: { type: 'number' }, limit: { type: 'number' },
});
const SCHEMA_5_PARTS = ['processes', 'machine', 'comparable', 'warnings'];
// Copies at once (velmark --copies): each copy is a process of the report.
const copies = object({
  count: { type: 'integer', minimum: 2, maximum: MAX_COPIES },
  processors: { type: 'array', maxItems: MAX_COPIES, items: { type: 'integer', minimum: 0 } },
  sum_kflops: { type: 'number' }, mean_kflops: { type: 'number' },
  single_processor: { type: 'integer', minimum: 0 }, single_headline_kflops: int32,
  efficiency: orNull({ type: 'number' }),
  steps_kflops: { type: 'array', maxItems: MAX_COPIES, items: { type: 'array', maxItems: 10, items: { type: 'number' } } },
  topology: {
    type: 'array', maxItems: MAX_COPIES,
    items: object({ processor: { type: 'integer', minimum: 0 }, core: orNull(text(100)), capacity: measured }),
  },
  core_types: {
    type: 'array', minItems: 1, maxItems: MAX_COPIES,
    items: object({ processor: { type: 'integer', minimum: 0 }, capacity: measured, headline_kflops: int32 }),
  },
});

// A measurement problem: its code and the numbers it follows from.
const problem = (code, numbers) => object({ code: { const: code }, ...numbers });

export const RESULT_SCHEMA = {
  $schema: 'http://json-schema.org/draft-07/schema#',
  title: 'Velmark result report',
  ...object({
    schema_version: { type: 'integer', minimum: 3, maximum: SCHEMA_VERSION },
    velmark_version: text(100),
    timestamp_utc: { type: 'string', pattern: '^\\d{4}-\\d{2}-\\d{2}T\\d{2}:\\d{2}:\\d{2}Z$' },
    host: {
      ...object({
        os: text(), cpu: text(), logical_cpus: { type: 'integer', minimum: 0, maximum: 1 << 20 },
        browser: text(200), cross_origin_isolated: { type: 'boolean' }, clock_resolution_seconds: orNull(seconds),
      }, ['browser', 'cross_origin_isolated', 'clock_resolution_seconds']),
      // The page's report says whether it was isolated, and its clock's steps.
      dependencies: { browser: ['cross_origin_isolated', 'clock_resolution_seconds'] },
    },
    build: object({ platform: text(200), compiler: text(), flags: text(), kernels: text(100) }),
    measurement: object({
      runs: { type: 'integer', minimum: 1, maximum: MAX_RUNS },
      processes: { type: 'integer', minimum: 1, maximum: MAX_COPIES },
      warmup_runs: { type: 'integer', minimum: 1, maximum: MAX_COPIES },
      seconds,
      budget_seconds: orNull({ type: 'number', exclusiveMinimum: 0 }),
    }, ['processes']),
    runs_kflops: { type: 'array', maxItems: MAX_RUNS, items: int32 },
    runs_averaged_totals_seconds: {
      type: 'array', maxItems: MAX_RUNS, items: { type: 'array', minItems: 2, maxItems: 2, items: seconds },
    },
    statistics: object({
      best_kflops: int32, median_kflops: { type: 'number' }, min_kflops: int32,
      median_to_best: orNull({ type: 'number' }), coefficient_of_variation: orNull({ type: 'number', minimum: 0 }),
      headline_kflops: int32, headline_rule: { enum: [HEADLINE_RULE, REPEATED_HEADLINE_RULE] },
      headline_first_run: { type: 'integer', minimum: 1, maximum: MAX_RUNS },
      headline_runs: { type: 'integer', minimum: 1, maximum: MAX_RUNS },
      headline_interval_kflops: orNull({ type: 'array', minItems: 2, maxItems: 2, items: { type: 'number' } }),
    }, ['headline_first_run', 'headline_runs', 'headline_interval_kflops']),
    processes: { type: 'array', minItems: 1, maxItems: MAX_COPIES, items: process },
    copies,
    machine,
    comparable: { type: 'boolean' },
    warnings: { type: 'array', maxItems: 5, items: warning },
    result_line: text(200),
    clock: object({
      counter: text(200), resolution_seconds: orNull(seconds), stated_resolution_seconds: orNull(seconds),
      reference: text(200), reference_resolution_seconds: orNull(seconds),
      counter_seconds: { type: 'number' }, reference_seconds: { type: 'number' },
      agrees: { type: 'boolean' }, headline_bound: orNull(seconds), coarse: { type: 'boolean' },
    }),
    timing_table: {
      type: 'array', minItems: TIMING_COLUMNS.length, maxItems: TIMING_COLUMNS.length,
      items: object({
        column: { type: 'integer', minimum: 0, maximum: TIMING_COLUMNS.length - 1 },
        layout: { enum: [...new Set(TIMING_COLUMNS.map((c) => c.layout))] },
        kind: { enum: ['single', 'averaged'] },
        factor_seconds: { type: 'number' }, solve_seconds: { type: 'number' }, total_seconds: { type: 'number' },
        kflops: orNull({ type: 'number' }),
      }),
    },
    validation: object({
      digest, expected_digest: digest,
      normalised_residual: orNull({ type: 'number' }), max_error: orNull({ type: 'number' }),
      timed_runs: object({
        checked: { type: 'integer', minimum: 0, maximum: MAX_RUNS }, expected_digest: digest,
        first_wrong_run: orNull({ type: 'integer', minimum: 1, maximum: MAX_RUNS }), wrong_digest: orNull(digest),
        warmup_digest: digest,
      }),
      validated: { type: 'boolean' },
      measurement_validated: { type: 'boolean' },
      measurement_problems: {
        type: 'array', maxItems: 3,
        items: {
          anyOf: [
            problem(CLOCK_CHECK_TOO_SHORT, { reference_seconds: { type: 'number' }, counter_step_seconds: orNull(seconds),
              reference_step_seconds: orNull(seconds) }),
            problem(CLOCKS_DISAGREE, { counter_seconds: { type: 'number' }, reference_seconds: { type: 'number' } }),
            problem(HEADLINE_NOT_A_RATE, { headline_kflops: int32 }),
            text(),  // schema 3: in words
          ],
        },
      },
    }),
  }, [...SCHEMA_5_PARTS, 'copies']),
  // Schema 5 has its parts; the older ones have the one block's place.
  if: { properties: { schema_version: { const: 5 } } },
  then: {
    required: SCHEMA_5_PARTS,
    properties: {
      ...Object.fromEntries(SCHEMA_5_PARTS.map((part) => [part, true])),
      measurement: { type: 'object', required: ['processes'], properties: { processes: true } },
      statistics: {
        type: 'object',
        required: ['headline_interval_kflops'],
        properties: { headline_interval_kflops: true, headline_rule: { const: REPEATED_HEADLINE_RULE } },
      },
    },
  },
  else: {
    properties: {
      measurement: { type: 'object', properties: { warmup_runs: { const: 1 } } },
      statistics: {
        type: 'object',
        required: ['headline_first_run', 'headline_runs'],
        properties: { headline_first_run: true, headline_runs: true, headline_rule: { const: HEADLINE_RULE } },
      },
    },
  },
};
