/* velkorc.exe: the console program. The arguments are read as UTF-16 and turned into the process's
   code page (UTF-8 by the manifest), in which the editor's code works. */
#include "console/args.h"
#include "console/commands.h"
#include "console/conout.h"
#include "registry/confirmtext.h"
#include "registry/regaccess.h"

#include <shellapi.h>
#include <stdlib.h>

static int Run(int argc, const char *const *argv)
{
    const char **positional = (const char **)calloc((size_t)argc + 1, sizeof *positional);
    const char *problem;
    ConsoleArgs args;
    int code = EXIT_DONE;

    if (positional == NULL) {
        ErrSystem("velkorc", ERROR_NOT_ENOUGH_MEMORY);
        return EXIT_FAILED;
    }
    problem = ParseConsoleArgs(argc, argv, positional, &args);
    if (problem != NULL) {
        ErrWords("velkorc", problem);
        ErrLine("");
        ErrLine(CONSOLE_USAGE);
        free(positional);
        return EXIT_USAGE;
    }
    switch (args.command) {
    case CMD_HELP:
        Out(CONSOLE_USAGE);
        break;
    case CMD_SHOW:
        code = ShowCommand(&args);
        break;
    case CMD_ADD:
    case CMD_REMOVE:
        code = ChangeCommand(&args);
        break;
    case CMD_CHECK:
        code = CheckCommand(&args);
        break;
    case CMD_BACKUP:
        code = BackupCommand(&args);
        break;
    case CMD_EXPORT:
        code = ExportCommand(&args);
        break;
    case CMD_NOTIFY:
        code = NotifyCommand();
        break;
    }
    FlushOut();
    free(positional);
    return code;
}

int main(void)
{
    int argc = 0, i, code = EXIT_FAILED;
    WCHAR **wide = CommandLineToArgvW(GetCommandLineW(), &argc);
    char **argv = wide ? (char **)calloc((size_t)argc + 1, sizeof *argv) : NULL;
    BOOL allExact = TRUE;

    for (i = 1; argv && i < argc; i++) {
        BOOL exact = TRUE;
        argv[i] = TextOfCodePage(wide[i], &exact);
        allExact = allExact && exact && argv[i] != NULL;
    }
    if (argv == NULL) {
        ErrSystem("velkorc", ERROR_NOT_ENOUGH_MEMORY);
    } else if (!allExact) {
        /* An argument with a character that the code page cannot hold would name another
           variable or another folder. */
        ErrLine("An argument holds characters that this system's code page cannot hold: nothing was done.");
        code = EXIT_UNSAFE;
    } else {
        code = Run(argc - 1, (const char *const *)argv + 1);
    }
    for (i = 1; argv && i < argc; i++)
        free(argv[i]);
    free(argv);
    if (wide)
        LocalFree(wide);
    return code;
}
