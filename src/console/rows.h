/* The rows of a value, as the editor's list holds them, and the console program's changes to
   them: adding and removing elements. No Win32 here. */
#ifndef VELKOR_ROWS_H
#define VELKOR_ROWS_H

#include <stddef.h>

typedef struct RowList {
    char **rows;   /* each row's text; malloc'ed array, the texts point into the split value */
    size_t count;
} RowList;

/* Splits value into its rows in place (SplitValue): each ';' that ends a row becomes a zero. 0
   when memory runs out. Release the list with ReleaseRows; the value stays the caller's. */
int SplitRows(char *value, RowList *list);
void ReleaseRows(RowList *list);

/* The rows joined with ';' as the editor writes a section: a new text (free it), or NULL. */
char *JoinRows(const char *const *rows, size_t count);

/* The element as it goes into a value: quoted when it holds a ';' (a new text, free it), or NULL
   when memory runs out. */
char *ElementText(const char *element);

/* CheckCallbacks.fold: folds the case of any script. It must turn the ASCII letters into upper
   case and keep every other ASCII byte, as FoldTextCase does: rows of plain ASCII are compared
   without it. */
typedef char *(*FoldText)(void *context, const char *text);

typedef struct RowEdit {
    char *value;    /* the new value (free it); NULL when nothing changes */
    int changed;    /* the elements added or the rows removed */
    int unsafe;     /* -1; otherwise the value would not split back into the rows it should hold:
                       the element that cannot be written as one row, or elementCount when the
                       rows around it would not keep their bytes. value is NULL then. */
} RowEdit;

/* Adds each element that no row names yet (ElementKey: compared as Check all compares folders)
   at the end, or with first before the first row, in the order given; or removes every row that
   names one of the elements. The other rows keep their bytes. 0 when memory runs out. */
int AddElements(const RowList *list, const char *const *elements, int elementCount, int first,
                FoldText fold, void *context, RowEdit *edit);
int RemoveElements(const RowList *list, const char *const *elements, int elementCount,
                   FoldText fold, void *context, RowEdit *edit);

#endif
