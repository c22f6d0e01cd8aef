/* The console program's output: texts of the process's code page, shown on a console with
   WriteConsoleW, written as UTF-8 to a file or a pipe. Standard output gathers until FlushOut (a
   value of 100,000 rows goes in one write); standard error goes at once. */
#ifndef VELKOR_CONOUT_H
#define VELKOR_CONOUT_H

#include <windows.h>

void Out(const char *text);
void OutLine(const char *text);   /* the text and a line end */
void FlushOut(void);
void ErrLine(const char *text);
/* The line "what: text" on standard error. */
void ErrWords(const char *what, const char *text);
/* The line "what: " and the system's text for the error code, on standard error. */
void ErrSystem(const char *what, DWORD code);

#endif
