/* The two questions that an update asks, composed in full whatever the lengths of the values.
   No Win32 here, so the composition is built and tested natively as well. */
#ifndef VELKOR_CONFIRMTEXT_H
#define VELKOR_CONFIRMTEXT_H

#include "registry/accounttext.h"

#include <stddef.h>

/* Each returns a new text (malloc'ed; release it with ReleaseText), or NULL when memory runs out
   or an argument is missing. The arguments are the variable's name, the machine value and the
   user value. */
char *ComposeUpdateText(const char *name, const char *machineValue, const char *userValue);
char *ComposePendingText(const char *name, const char *machineValue, const char *userValue);

/* Why an update leaves a section's value exactly as it is stored. */
#define LEFT_NONE      0   /* it does not: the value is written as usual */
#define LEFT_CODE_PAGE 1   /* characters that the process's code page cannot hold */
#define LEFT_TYPE      2   /* a type other than REG_SZ and REG_EXPAND_SZ */
#define LEFT_ZERO      3   /* a string with a zero character before its end */

struct LeftAsStored {
    int reason;           /* LEFT_... */
    unsigned long type;   /* LEFT_TYPE: the value's registry type */
};

/* Tells, once per retrieve, which values updates leave as they are and why, and that their rows
   cannot be changed; at least one of the two is left. A new text, or NULL as above. */
char *ComposeLeftAsStoredText(const char *name, const struct LeftAsStored *machine,
                              const struct LeftAsStored *user);
/* Stands in a question in place of a value that is left as it is: a new text, or NULL as above. */
char *ComposeLeftAsStoredNote(const struct LeftAsStored *left);

/* Why the variable-name dialog refuses a typed name, or NULL when it takes it. exact tells
   whether the process's code page holds every character that was typed (name is the name in that
   code page). The text is the program's message, not to be freed. */
const char *VarNameRefusal(const char *name, int exact);

/* What a section's value looks like in the registry at question time, against what it was when
   the program last read or wrote it. */
#define OUTSIDE_SAME       0   /* as it was */
#define OUTSIDE_CHANGED    1   /* another program has stored something else */
#define OUTSIDE_DELETED    2   /* another program has deleted it */
#define OUTSIDE_UNREADABLE 3   /* it cannot be read now, so nobody can tell */

struct OutsideState {
    int state;         /* OUTSIDE_... */
    const char *now;   /* OUTSIDE_CHANGED: what the value holds now */
    int refused;       /* the value would change, but its key refuses changes to this process */
};

/* The questions as above, with a paragraph after the values for each section whose state is not
   OUTSIDE_SAME, and one more about the user section when the program runs as another account than
   the signed-in one (RunsAsOtherAccount); last, when the machine state is refused, one saying that
   Yes writes the user value only and how to get the rights. Without any, the texts are exactly
   those above. A NULL
   state counts as OUTSIDE_SAME, NULL accounts as the same account. */
char *ComposeQuestionText(int pending, const char *name, const char *machineValue, const char *userValue,
                          const struct OutsideState *machine, const struct OutsideState *user,
                          const AccountPair *accounts);

/* The same with summary (what Yes changes, ComposeChangeSummary) after the values and before the
   paragraphs. */
char *ComposeSummarizedQuestion(int pending, const char *name, const char *machineValue,
                                const char *userValue, const char *summary,
                                const struct OutsideState *machine, const struct OutsideState *user,
                                const AccountPair *accounts);

/* The registry's name for a value type ("REG_SZ"), or its number written into buffer. */
const char *RegistryTypeName(unsigned long type, char *buffer, size_t size);

/* How the characters of the process's code page are drawn, by their first byte b: width[b]
   pixels wide, bytes[b] bytes long (1, 2 for a lead byte of a double-byte code page, 2 to 4 for
   a UTF-8 lead byte). */
struct RowMetrics {
    int width[256];
    unsigned char bytes[256];
};

/* The first row of text in a list whose rows are at most width pixels wide: the text up to its
   first "\r\n" when that fits; otherwise up to the last ';' or space that fits, or as many
   characters as fit (at least one). A width of 0 or less breaks lines only at their ends. Returns
   the row's length in bytes, never cutting a character; *next receives where the following row
   starts, after the "\r\n" when the row ends at one. */
size_t NextRow(const char *text, const struct RowMetrics *metrics, int width, const char **next);

#endif
