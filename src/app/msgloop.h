/* The handling of one message of the main message loop, shared by WinMain and the tests. */
#ifndef VELKOR_MSGLOOP_H
#define VELKOR_MSGLOOP_H

#include <windows.h>

void ProcessLoopMessage(MSG *msg, HACCEL accelerators);

#endif
