/* The two questions that an update asks, composed in full whatever the lengths of the values.
   No Win32 here, so the composition is built and tested natively as well. */
#ifndef VELKOR_CONFIRMTEXT_H
#define VELKOR_CONFIRMTEXT_H

/* Each returns a new text (malloc'ed; release it with ReleaseText), or NULL when memory runs out
   or an argument is missing. The arguments are the variable's name, the machine value and the
   user value. */
char *ComposeUpdateText(const char *name, const char *machineValue, const char *userValue);
char *ComposePendingText(const char *name, const char *machineValue, const char *userValue);

/* Stands in a question in place of a value that an update leaves as it is in the registry. */
#define LEFT_AS_STORED_NOTE \
    "(left as it is in the registry: this system's code page cannot hold all of its characters)"

/* Tells that the machine value, the user value or both hold characters that the process's code
   page cannot hold, and that updates leave them as they are. A new text, or NULL as above. */
char *ComposeLeftAsStoredText(const char *name, int machineLeft, int userLeft);

#endif
