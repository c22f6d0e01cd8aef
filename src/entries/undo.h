/* Undo and redo of the list's changes, back to the last retrieve. A change becomes one step by
   calling BeginUndoStep before it and EndUndoStep after it (steps nest: the outermost pair makes
   the step); while a step is open the list's primitives record each row that goes in or out, so
   a step costs what it changed, whatever the list's length. */
#ifndef VELKOR_UNDO_H
#define VELKOR_UNDO_H

#include <windows.h>

void BeginUndoStep(void);
void EndUndoStep(void);         /* a step that changed the list makes its changes pending */

void ForgetUndoSteps(void);     /* the list is as retrieved: nothing to undo, nothing pending */
void MarkListWritten(void);     /* the list is what the registry now holds */
/* The list holds changes that no step of its own made (carried over from another instance): no
   undo makes it what the registry holds. */
void MarkListUnwritten(void);
BOOL CanUndo(void);
BOOL CanRedo(void);

/* Undo first undoes the edit field's own typing when the field has the focus and any; both
   select the row that they changed, and the changes are pending unless the list is back to
   what the registry holds. */
void UndoChange(void);
void RedoChange(void);

/* For the list's primitives: whether a step is open, and a row that went in (inserted) or is
   about to go out at index, with its text (taken over; NULL: memory ran out) and item data. */
BOOL RecordingUndo(void);
void RecordRowChange(BOOL inserted, int index, WCHAR *text, LPARAM data);

#endif
