/* The diff of two values and the history's record.
   Input: the old value, a zero byte, the new value. The diff accounts for every row of both (each
   kept row matched once, each other row added or removed), names positions within the values and
   composes its lines; the record of both values as bytes reads back exactly, and reading the
   input itself as a record never goes astray. */
#include "fuzz_support.h"

#include "entries/rowdiff.h"
#include "output/historyformat.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string input((const char *)data, size);
    size_t zero = input.find('\0');
    std::string before = input.substr(0, zero);
    std::string after = zero == std::string::npos ? "" : std::string(input.c_str() + zero + 1);

    RowDiff diff;
    FUZZ_CHECK(DiffValues(before.c_str(), after.c_str(), &diff));
    FUZZ_CHECK(diff.oldRows - diff.removed == diff.newRows - diff.added);
    FUZZ_CHECK(diff.moved <= diff.oldRows - diff.removed);
    FUZZ_CHECK(diff.count == diff.added + diff.removed + diff.moved);
    for (size_t i = 0; i < diff.count; i++) {
        const DiffRow &row = diff.rows[i];
        FUZZ_CHECK(row.length > 0);
        FUZZ_CHECK(row.kind == ROW_ADDED ? row.to >= 1 && row.to <= diff.newRows
                                         : row.from >= 1 && row.from <= diff.oldRows);
    }
    free(ComposeChangeLines(&diff, 3, 1));
    ReleaseRowDiff(&diff);

    HistoryRecord record = {};
    record.before[0] = {SNAPSHOT_VALUE_PRESENT, 2, (const unsigned char *)before.data(), before.size(), 0};
    record.after[1] = {SNAPSHOT_VALUE_PRESENT, 7, (const unsigned char *)after.data(), after.size(), 0};
    record.before[1].state = SNAPSHOT_VALUE_ABSENT;
    record.after[0] = {SNAPSHOT_KEY_MISSING, 0, NULL, 0, 2};
    size_t length = 0;
    char *text = ComposeHistoryRecord(before.c_str(), &record, &length);
    FUZZ_CHECK(text != NULL);
    HistoryRecord back;
    char *name = NULL;
    FUZZ_CHECK(ParseHistoryRecord(text, length, &back, &name));
    FUZZ_CHECK(strcmp(name, before.c_str()) == 0);
    FUZZ_CHECK(back.before[0].size == before.size() && memcmp(back.before[0].bytes, before.data(), before.size()) == 0);
    FUZZ_CHECK(back.after[1].size == after.size() && memcmp(back.after[1].bytes, after.data(), after.size()) == 0);
    FUZZ_CHECK(back.before[1].state == SNAPSHOT_VALUE_ABSENT && back.after[0].error == 2);
    free(name);
    free(text);
    ReleaseHistoryRecord(&back);

    if (ParseHistoryRecord((const char *)data, size, &back, &name)) {
        free(name);
        ReleaseHistoryRecord(&back);
    }
    return 0;
}
