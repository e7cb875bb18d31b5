/* Re-lays out an open dialog from a dialog template in the program's
 * resources: moves and sizes its controls together, then sets their texts,
 * images and list selections from the template again. Works on any standard
 * (not extended) template. */
#ifndef VELMARK_DIALOG_RELAYOUT_H
#define VELMARK_DIALOG_RELAYOUT_H

#include <windows.h>

/* 1 when every step succeeded, 0 otherwise. A template that runs past the
 * end of its resource counts as a failure at the point where it does: the
 * moves added before it still take effect. */
int relayout_dialog(HINSTANCE instance, HWND dialog, int template_id);

/* Sets the control of one template item from the item again. item points at
 * the item's first byte, class_field and text_field at those two fields. */
void refresh_control(HINSTANCE instance, HWND dialog, const BYTE *item,
                     const BYTE *class_field, const BYTE *text_field);

/* The position just after the name-or-number field at field, or 0 when the
 * field does not end before end (a truncated or corrupt template). */
const BYTE *skip_name_or_number(const BYTE *field, const BYTE *end);

#endif
