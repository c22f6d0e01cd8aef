#include "console/args.h"

#include <string.h>

const char CONSOLE_USAGE[] =
    "Usage: velkorc COMMAND [OPTIONS] [NAME] ...\r\n"
    "NAME is the variable's name, PATH when left out of show and check.\r\n"
    "\r\n"
    "  show [NAME]                                 the rows of both values, under a header each\r\n"
    "  add [--machine | --user] [--first] NAME ELEMENT...\r\n"
    "                                              appends (or puts first) each element that the\r\n"
    "                                              value does not hold yet (default --user)\r\n"
    "  remove [--machine | --user | --both] NAME ELEMENT...\r\n"
    "                                              removes every row that names an element\r\n"
    "                                              (default --both)\r\n"
    "  check [NAME]                                the findings of Check all and a summary\r\n"
    "  backup NAME FILE                            both values with their types, as a .reg file\r\n"
    "  export NAME FILE                            the rows as a text file\r\n"
    "  notify                                      tells running programs that the environment\r\n"
    "                                              has changed\r\n"
    "\r\n"
    "Options:\r\n"
    "  --dry-run   add, remove: print what would be written, write nothing\r\n"
    "  --notify    add, remove: notify running programs after a write\r\n"
    "  --help      this text\r\n"
    "\r\n"
    "Elements are compared as Check all compares folders: case of any script, '/' and '\\',\r\n"
    "trailing backslashes and surrounding quotes ignored. An element holding ';' is written\r\n"
    "quoted. Every write takes a snapshot first.\r\n"
    "\r\n"
    "Exit codes:\r\n"
    "  0  done, or nothing to do\r\n"
    "  1  check found problems\r\n"
    "  2  wrong usage\r\n"
    "  3  another program changed the value meanwhile: nothing was written\r\n"
    "  4  a read or a write failed (the system's text follows)\r\n"
    "  5  the value cannot be changed safely (its type, a refused name): nothing was written\r\n";

static const struct {
    const char *word;
    int command;
    int minimum, maximum;   /* positional arguments after the command */
} s_commands[] = {
    {"show", CMD_SHOW, 0, 1},     {"check", CMD_CHECK, 0, 1},
    {"add", CMD_ADD, 2, -1},      {"remove", CMD_REMOVE, 2, -1},
    {"backup", CMD_BACKUP, 2, 2}, {"export", CMD_EXPORT, 2, 2},
    {"notify", CMD_NOTIFY, 0, 0},
};

/* Applies one option; NULL, or what is wrong. */
static const char *TakeOption(const char *option, ConsoleArgs *args, int *sections, int *help)
{
    int section = strcmp(option, "--machine") == 0 ? IN_MACHINE
                : strcmp(option, "--user") == 0    ? IN_USER
                : strcmp(option, "--both") == 0    ? IN_BOTH : 0;

    if (section != 0) {
        if (*sections != 0 && *sections != section)
            return "only one of --machine, --user and --both";
        *sections = section;
    } else if (strcmp(option, "--first") == 0) {
        args->first = 1;
    } else if (strcmp(option, "--dry-run") == 0) {
        args->dryRun = 1;
    } else if (strcmp(option, "--notify") == 0) {
        args->notify = 1;
    } else if (strcmp(option, "--help") == 0) {
        *help = 1;
    } else {
        return "unknown option";
    }
    return NULL;
}

/* Whether the options given go with the command. NULL, or what is wrong. */
static const char *CheckOptions(const ConsoleArgs *args, int sections)
{
    int writes = args->command == CMD_ADD || args->command == CMD_REMOVE;

    if (sections != 0 && !writes)
        return "--machine, --user and --both go with add and remove only";
    if (sections == IN_BOTH && args->command == CMD_ADD)
        return "add takes --machine or --user, not --both";
    if (args->first && args->command != CMD_ADD)
        return "--first goes with add only";
    if ((args->dryRun || args->notify) && !writes)
        return "--dry-run and --notify go with add and remove only";
    return NULL;
}

const char *ParseConsoleArgs(int argc, const char *const *argv, const char **positional,
                             ConsoleArgs *args)
{
    int count = 0, sections = 0, help = 0, options = 1, i;
    const char *problem = NULL;
    size_t c;

    memset(args, 0, sizeof *args);
    args->name = "PATH";
    for (i = 0; i < argc; i++) {
        const char *wrong = NULL;
        if (options && strcmp(argv[i], "--") == 0)
            options = 0;
        else if (options && strncmp(argv[i], "--", 2) == 0)
            wrong = TakeOption(argv[i], args, &sections, &help);
        else
            positional[count++] = argv[i];
        if (problem == NULL)
            problem = wrong;   /* the first; a --help further on is still seen */
    }
    if (help)
        return NULL;   /* CMD_HELP, whatever else is there */
    if (problem != NULL)
        return problem;
    if (count == 0)
        return "no command";
    for (c = 0; c < sizeof s_commands / sizeof s_commands[0]; c++)
        if (strcmp(positional[0], s_commands[c].word) == 0)
            break;
    if (c == sizeof s_commands / sizeof s_commands[0])
        return "unknown command";
    args->command = s_commands[c].command;
    if (count - 1 < s_commands[c].minimum)
        return "missing arguments";
    if (s_commands[c].maximum >= 0 && count - 1 > s_commands[c].maximum)
        return "too many arguments";
    if (count > 1)
        args->name = positional[1];
    if (args->name[0] == '\0')
        return "an empty NAME";
    if (args->command == CMD_BACKUP || args->command == CMD_EXPORT)
        args->file = positional[2];
    if (args->command == CMD_ADD || args->command == CMD_REMOVE) {
        args->elements = positional + 2;
        args->elementCount = count - 2;
        for (i = 0; i < args->elementCount; i++)
            if (args->elements[i][0] == '\0')
                return "an empty ELEMENT";
        args->sections = sections != 0 ? sections : args->command == CMD_ADD ? IN_USER : IN_BOTH;
    }
    return CheckOptions(args, sections);
}
