/* The variables as Windows defines them at log-on, read for the status bar. */
#include "entries/logonvars.h"
#include "entries/entrylist.h"
#include "registry/regaccess.h"
#include "common/common.h"

#include <stdlib.h>
#include <string.h>

#define CORE_NAMES 32   /* room for the names that Windows sets, more than there are */

static struct {
    LogOnVariable *variables;
    size_t count, room;
    char **texts;   /* what the variables point into */
    size_t textCount;
    BOOL editedAdded;
} s_logOn;

void ReleaseLogOnVariables(void)
{
    size_t i;

    for (i = 0; i < s_logOn.textCount; i++)
        free(s_logOn.texts[i]);
    free(s_logOn.texts);
    free(s_logOn.variables);
    ZeroMemory(&s_logOn, sizeof s_logOn);
}

const LogOnVariable *LogOnVariables(size_t *count)
{
    *count = s_logOn.count;
    return s_logOn.variables;
}

/* Takes value over; a variable that finds no room or no memory is left out. */
static void Add(const char *name, char *value, int group)
{
    char *copy = _strdup(name);

    if (copy == NULL || value == NULL || s_logOn.count >= s_logOn.room) {
        free(copy);
        free(value);
        return;
    }
    s_logOn.texts[s_logOn.textCount++] = copy;
    s_logOn.texts[s_logOn.textCount++] = value;
    s_logOn.variables[s_logOn.count].name = copy;
    s_logOn.variables[s_logOn.count].value = value;
    s_logOn.variables[s_logOn.count].group = group;
    s_logOn.count++;
}

/* The names that Windows itself sets take their values from the program's own environment. */
static void AddCoreNames(int group)
{
    size_t count, i;
    const char *const *names = CoreVariableNames(group, &count);

    for (i = 0; i < count; i++) {
        char value[MAX_PATH * 3];
        DWORD length = GetEnvironmentVariableA(names[i], value, sizeof value);
        if (length > 0 && length < sizeof value)
            Add(names[i], _strdup(value), group);
    }
}

void ReadLogOnVariables(const CheckVariable *variables, size_t count)
{
    static const char *const keys[2] = {MACHINE_ENV_KEY, USER_ENV_KEY};
    size_t i;
    int group;

    ReleaseLogOnVariables();
    s_logOn.room = count + CORE_NAMES;
    s_logOn.variables = (LogOnVariable *)calloc(s_logOn.room, sizeof *s_logOn.variables);
    s_logOn.texts = (char **)calloc(s_logOn.room * 2, sizeof *s_logOn.texts);
    if (s_logOn.variables == NULL || s_logOn.texts == NULL) {
        ReleaseLogOnVariables();
        return;
    }
    AddCoreNames(GROUP_CORE_SYSTEM);
    AddCoreNames(GROUP_CORE_USER);
    AddCoreNames(GROUP_ACCOUNT);
    /* Group by group, as Windows defines them: an expandable value takes the variables of the
       groups before its own, wherever the registry lists them. */
    for (group = GROUP_MACHINE_SZ; group <= GROUP_USER_EXPAND; group++) {
        for (i = 0; i < count; i++) {
            char *value;

            /* The variable being edited is what the list makes of it (AddEditedLogOnVariable). */
            if (VariableGroup(&variables[i]) != group || _stricmp(variables[i].name, g_varName) == 0)
                continue;
            value = ReadEnvValue(keys[variables[i].machine ? 0 : 1], variables[i].name);
            if (value != NULL && variables[i].expandable) {
                char *expanded = ExpandAtLogOn(value, !variables[i].machine, s_logOn.variables, s_logOn.count);
                free(value);
                value = expanded;
            }
            Add(variables[i].name, value, group);
        }
    }
}

void AddEditedLogOnVariable(void)
{
    char *machine;

    if (s_logOn.editedAdded || s_logOn.variables == NULL)
        return;
    s_logOn.editedAdded = TRUE;
    machine = JoinSection(SECTION_MACHINE);
    if (machine != NULL && machine[0] != '\0')
        Add(g_varName, ExpandAtLogOn(machine, 0, s_logOn.variables, s_logOn.count), GROUP_MACHINE_EXPAND);
    free(machine);
}
