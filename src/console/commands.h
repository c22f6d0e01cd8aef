/* The console program's commands. Each returns the program's exit code. */
#ifndef VELKOR_COMMANDS_H
#define VELKOR_COMMANDS_H

#include "console/args.h"

#define EXIT_DONE     0   /* done, or nothing to do */
#define EXIT_PROBLEMS 1   /* check found problems */
#define EXIT_USAGE    2
#define EXIT_CHANGED  3   /* another program changed the value meanwhile: nothing written */
#define EXIT_FAILED   4   /* a read or a write failed */
#define EXIT_UNSAFE   5   /* the value cannot be changed safely: nothing written */

int ShowCommand(const ConsoleArgs *args);
int ChangeCommand(const ConsoleArgs *args);   /* add and remove */
int CheckCommand(const ConsoleArgs *args);
int BackupCommand(const ConsoleArgs *args);
int ExportCommand(const ConsoleArgs *args);
int NotifyCommand(void);

#endif
