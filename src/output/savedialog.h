/* Where output files go: the save dialog proposes a file named after the variable in the folder
   of the last written output file (profile key "lastpath"), which both commands share. */
#ifndef VELKOR_SAVEDIALOG_H
#define VELKOR_SAVEDIALOG_H

#include <windows.h>

#define OUTPUT_PATH_SIZE 3001   /* a path of 3000 characters and its zero */


struct OutFile;

/* Lets the user choose the file and opens it. 0 when the dialog was cancelled (nothing shown) or
   the file could not be opened (the system's text shown). */
int StartOutputFile(struct OutFile *file, char *path, const char *filter, const char *extension);

/* Closes the file. A file that could not be written whole is reported and its folder is not
   remembered; otherwise the folder becomes "lastpath", for the next proposal. */
void FinishOutputFile(struct OutFile *file, char *path);

#endif
