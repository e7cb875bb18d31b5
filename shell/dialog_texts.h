/* The texts the dialog's code sets (the templates' own are in
 * resources/velmark.rc): the waiting message and the result's format.
 * Written once, narrow, so that the host runner's result line and the
 * page's copy (tools/page_constants.py) take the very same text; the
 * dialog widens them. Each is one literal: C++98 does not join a narrow
 * literal to a wide one. */
#ifndef VELMARK_DIALOG_TEXTS_H
#define VELMARK_DIALOG_TEXTS_H

#define VM_WAITING_MESSAGE "Running the benchmark... expected duration under 60 seconds.\r\n\r\nVelmark loads the CPU so please be patient and do not operate the device until this message changes."
#define VM_RESULT_FORMAT "CPU performance %.2f MFlops"

#define VM_WIDEN_(text) L##text
#define VM_WIDE(text) VM_WIDEN_(text)

#endif
