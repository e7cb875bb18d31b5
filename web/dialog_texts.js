// The device dialog's texts, as the device shows them: made by
// tools/dialog_texts.py from shell/resources/velmark.rc and
// shell/main_dialog.cpp. Do not edit; run the tool.

export const CAPTION = "Velmark";
export const NAME_LINE = "Velmark-WinCE-ARMV4I";
export const DATE_LINE = "December 2005";
export const INSTRUCTION = "Tap the Run button to start Velmark benchmark measuring CPU performance.";
export const RUN = "Run";
export const WAITING = "Running the benchmark... expected duration under 60 seconds.\r\n\r\nVelmark loads the CPU so please be patient and do not operate the device until this message changes.";
export const RESULT_FORMAT = "CPU performance %.2f MFlops";
