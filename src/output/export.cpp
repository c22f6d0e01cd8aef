/* The text export: the variable's name and "=", then every row of the entry list as shown,
   header rows included, one per line. */
#include "output/export.h"
#include "output/outfile.h"
#include "output/savedialog.h"
#include "entries/entrylist.h"
#include "common/common.h"

#include <stdlib.h>

/* Writes every row through one buffer, grown to the longest row. 0 when it cannot be had. */
static int WriteRows(OutFile *file)
{
    int count = GetRowCount(), row;
    char *text = NULL;
    size_t size = 0;

    for (row = 0; row < count; row++) {
        if (ReadRowText(row, &text, &size) < 0) {
            free(text);   /* no memory to read the row: a file without it would pass for whole */
            return 0;
        }
        WriteExportRow(&file->text, text);
    }
    free(text);
    return 1;
}

void ExportList(void)
{
    char path[OUTPUT_PATH_SIZE];
    OutFile file;

    if (!StartOutputFile(&file, path, "Text files\0*.txt\0All files\0*.*\0", "txt"))
        return;
    WriteExportHead(&file.text, g_varName);
    if (!WriteRows(&file)) {
        CloseOutFile(&file);
        ShowSystemError(ERROR_NOT_ENOUGH_MEMORY);
        return;
    }
    FinishOutputFile(&file, path);
}
