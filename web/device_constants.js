// What the page takes from the device's sources: the dialog's texts, as
// the device shows them, and the timing table's used columns. Made by
// tools/page_constants.py from shell/resources/velmark.rc,
// shell/dialog_texts.h and engine/workspace.h. Do not edit; run the tool.

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
