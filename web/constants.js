// What the page takes from the C++ sources: the dialog's texts, as the
// device shows them, the timing table's used columns, and the
// measurement's rules. Made by tools/page_constants.py from
// shell/resources/velmark.rc, shell/dialog_texts.h, engine/ and the
// headers of measure/ and host/ named beside each. Do not edit; run the tool.

export const CAPTION = "Velmark";
export const NAME_LINE = "Velmark-WinCE-ARMV4I";
export const DATE_LINE = "December 2005";
export const INSTRUCTION = "Tap the Run button to start Velmark benchmark measuring CPU performance.";
export const RUN = "Run";
export const WAITING = "Running the benchmark... expected duration under 60 seconds.\r\n\r\nVelmark loads the CPU so please be patient and do not operate the device until this message changes.";
export const RESULT_FORMAT = "CPU performance %.2f MFlops";

// Each used column of the timing table: its layout (leading dimension) and kind.
export const TIMING_COLUMNS = [
  { column: 0, layout: 201, kind: 'single' },
  { column: 1, layout: 201, kind: 'single' },
  { column: 2, layout: 201, kind: 'single' },
  { column: 3, layout: 201, kind: 'averaged' },
  { column: 4, layout: 200, kind: 'single' },
  { column: 5, layout: 200, kind: 'single' },
  { column: 6, layout: 200, kind: 'single' },
  { column: 7, layout: 200, kind: 'averaged' },
];

// The measurement's rules.
export const HEADLINE_BLOCK_RUNS = 10;  // measure/headline.h
export const HEADLINE_RULE = "best block of 10 runs";  // measure/headline.h
export const REPEATED_HEADLINE_RULE = "mean of the processes' best blocks of 10 runs";  // measure/headline.h
export const LEAST_SHARED_SECONDS = 1.0;  // measure/machine_state.h
export const STEAL_WARNING = "steal";  // measure/machine_state.h
export const MOST_STEAL_SHARE = 0.02;  // measure/machine_state.h
export const DESCHEDULED_WARNING = "descheduled";  // measure/machine_state.h
export const LEAST_CPU_SHARE = 0.95;  // measure/machine_state.h
export const CLOCK_FELL_WARNING = "clock_fell";  // measure/machine_state.h
export const LEAST_CLOCK_AFTER_TO_BEFORE = 0.95;  // measure/machine_state.h
export const OTHERS_BUSY_WARNING = "others_busy";  // measure/machine_state.h
export const MOST_OTHERS_BUSY_SHARE = 0.5;  // measure/machine_state.h
export const RATE_FELL_WARNING = "rate_fell";  // measure/machine_state.h
export const LEAST_LAST_TO_FIRST_THIRD = 0.90;  // measure/machine_state.h
export const CLOCK_TOLERANCE = 0.03;  // measure/clock_check.h
export const CLOCK_CHECK_RESOLUTION = 0.02;  // measure/clock_check.h
export const COARSE_HEADLINE = 0.015;  // measure/clock_check.h
export const MIN_RUNS_IN_BUDGET = 10;  // measure/run_statistics.h
export const MAX_RUNS = 100000;  // measure/run_statistics.h
export const STEADY_MEDIAN_TO_BEST = 0.9;  // measure/run_statistics.h
export const CLOCK_CHECK_TOO_SHORT = "clock_check_too_short";  // measure/time_judgement.h
export const CLOCKS_DISAGREE = "clocks_disagree";  // measure/time_judgement.h
export const HEADLINE_NOT_A_RATE = "headline_not_a_rate";  // measure/time_judgement.h
export const KNOWN_SOLUTION_DIGEST = "0x49fc1a1a7a570778";  // measure/solution_check.h
export const KNOWN_RUN_DIGEST = "0x57d9d4e4cedd169f";  // measure/solution_check.h
export const KNOWN_SOLUTION_RESIDUAL = 0.034131295614397136;  // measure/solution_check.h
export const KNOWN_SOLUTION_MAX_ERROR = 0.00004208087921142578;  // measure/solution_check.h
export const DEFAULT_BUDGET_SECONDS = 2.0;  // host/options.h
export const DEFAULT_PROCESSES = 8;  // host/options.h
export const MAX_PROCESSES = 64;  // host/options.h
export const SCHEMA_VERSION = 5;  // host/report.h
export const OPS = 686666.6666666666;  // engine/benchmark_run.cpp
