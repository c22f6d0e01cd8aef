/* Telling running programs that the environment in the registry has changed. */
#ifndef VELKOR_NOTIFY_H
#define VELKOR_NOTIFY_H

#include <windows.h>

/* Sends WM_SETTINGCHANGE with the text "Environment" to every top-level window, as Windows
   expects of a program that has changed the Environment keys: Explorer and the other programs
   that listen read their environment again. Each window has 5 seconds to answer and a hung one
   is passed over, so no program can hold this one up for long. The cursor is the hourglass
   meanwhile. FALSE, with the thread's last error set, when the message could not be sent.
   Windowless (broadcast.cpp): the console program sends it too. */
BOOL BroadcastEnvironmentChange(void);

/* The command: changes not yet written are offered to be written first (the pending-changes
   question; Cancel, or a write that fails, stops here), then the broadcast, then a message that
   says what it does and does not reach. */
void NotifyRunningPrograms(void);

#endif
