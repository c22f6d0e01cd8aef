/* Where output files go: the save dialog proposes a file named after the variable in the folder
   of the last written output file (profile key "lastpath"), which both commands share. */
#ifndef VELKOR_SAVEDIALOG_H
#define VELKOR_SAVEDIALOG_H

#include <windows.h>

#define OUTPUT_PATH_SIZE 3001   /* a path of 3000 characters and its zero */

/* Proposes "lastpath\NAME.EXTENSION" (g_varName) in path (OUTPUT_PATH_SIZE bytes) and lets the
   user choose. filter is the dialog's list of zero-terminated pairs, ended by an empty string.
   Returns 0 when the user cancelled or the dialog failed; path then holds no chosen file. */
int ChooseOutputFile(char *path, const char *filter, const char *extension);

/* Cuts path to its folder and stores it as "lastpath", for the next proposal. */
void RememberOutputFolder(char *path);

#endif
