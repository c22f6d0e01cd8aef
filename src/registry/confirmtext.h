/* The two questions that an update asks, composed in full whatever the lengths of the values.
   No Win32 here, so the composition is built and tested natively as well. */
#ifndef VELKOR_CONFIRMTEXT_H
#define VELKOR_CONFIRMTEXT_H

/* Each returns a new text (malloc'ed; release it with ReleaseText), or NULL when memory runs out
   or an argument is missing. The arguments are the variable's name, the machine value and the
   user value. */
char *ComposeUpdateText(const char *name, const char *machineValue, const char *userValue);
char *ComposePendingText(const char *name, const char *machineValue, const char *userValue);

#endif
