/* The console program's command line, parsed. No Win32 here: the arguments come in as texts of
   the process's code page, and the native tests hand them in as a table. */
#ifndef VELKOR_ARGS_H
#define VELKOR_ARGS_H

#define CMD_HELP   0
#define CMD_SHOW   1
#define CMD_ADD    2
#define CMD_REMOVE 3
#define CMD_CHECK  4
#define CMD_BACKUP 5
#define CMD_EXPORT 6
#define CMD_NOTIFY 7

/* The sections a command changes: a bit each. */
#define IN_MACHINE 1
#define IN_USER    2
#define IN_BOTH    (IN_MACHINE | IN_USER)

typedef struct ConsoleArgs {
    int command;                  /* CMD_... */
    int sections;                 /* add and remove: IN_... */
    int first;                    /* add --first */
    int dryRun;                   /* --dry-run */
    int notify;                   /* --notify */
    const char *name;             /* the variable; "PATH" when show or check leave it out */
    const char *file;             /* backup and export */
    const char *const *elements;  /* add and remove: the elements, in order */
    int elementCount;
} ConsoleArgs;

/* The usage text that --help prints and wrong usage repeats, lines ending in "\r\n". */
extern const char CONSOLE_USAGE[];

/* Parses argv[0..argc-1] (the program's name left out). An option may stand anywhere before a
   "--", after which every argument is taken as it stands. positional (argc entries) holds the
   arguments that are not options; args->elements points into it. NULL when the line is right,
   else what is wrong with it in words (a static text). */
const char *ParseConsoleArgs(int argc, const char *const *argv, const char **positional,
                             ConsoleArgs *args);

#endif
