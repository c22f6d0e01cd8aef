/* The existence tests of paths, on a thread of their own, one path at a time: the window never
   waits for the file system. Results wait in the worker until the window takes them; the window
   is told by one posted message whenever results are waiting. */
#ifndef VELKOR_EXISTWORKER_H
#define VELKOR_EXISTWORKER_H

#include <windows.h>

/* Starts the thread; results are announced to window with message. FALSE when it cannot start. */
BOOL StartExistWorker(HWND window, UINT message);
/* Ends the thread. A test still waiting for the file system is asked to give up where the
   system allows it; one that does not within a moment is left to end with the process, without
   holding its end. */
void StopExistWorker(void);
/* Asks whether path names an existing file or folder; id comes back with the answer. */
BOOL RequestExistence(int id, const char *path);
/* Drops every question not yet answered, and the answers not yet taken. */
void ForgetExistRequests(void);
/* Takes one answer; FALSE when none is waiting. */
BOOL TakeExistAnswer(int *id, BOOL *exists);
/* Whether a test has run for at least ms milliseconds: the questions behind it wait for it, even
   when it answers a question forgotten since. */
BOOL SlowExistTest(DWORD ms);

#endif
