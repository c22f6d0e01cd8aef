/* File > Restart as administrator: the program hands its list, pending changes included, to a new
   instance of itself started with administrator rights, which shows it as it was. */
#ifndef VELKOR_RESTART_H
#define VELKOR_RESTART_H

#include <windows.h>

/* Greys the command when the program runs with administrator rights already. */
void EnableRestartCommand(void);
/* Saves the list to a file of the program's own and starts the new instance: this one then
   ends without the close question. Refused (the user declined the rights) or failed, nothing
   changes and the file goes. */
void RestartAsAdministrator(void);
/* At the start of WinMain: when the command line says that this instance follows one that
   restarts, waits (a while at most) for that one to end, and keeps the name of its file. */
void FollowRestartingInstance(void);
/* At start-up, in place of the retrieve: shows the list from the file that the ended instance
   saved, and deletes the file. FALSE when there is none to show (a missing or damaged file has
   been reported): the caller retrieves as usual. */
BOOL TakeOverRestartList(void);

#endif
