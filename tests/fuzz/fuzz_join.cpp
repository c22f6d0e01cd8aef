/* The join of one section: exactly the section's entry rows, in order, separated by ';', written
   into a buffer of the announced size and never past it.
   Input: rows separated by '\n'; a row whose first byte is 0x01 is a header row (the byte is not
   part of its text); a zero byte ends a row's text, as in a list box. */
#include "fuzz_support.h"

#include <stdint.h>

static std::vector<FuzzRow> RowsFromInput(const uint8_t *data, size_t size)
{
    std::vector<FuzzRow> rows;
    size_t begin = 0;
    for (size_t i = 0; i <= size; i++) {
        if (i < size && data[i] != '\n')
            continue;
        FuzzRow row = {std::string((const char *)data + begin, i - begin), 0};
        if (!row.text.empty() && row.text[0] == '\x01') {
            row.header = 1;
            row.text.erase(0, 1);
        }
        row.text = std::string(row.text.c_str());   /* up to a zero byte */
        rows.push_back(row);
        begin = i + 1;
    }
    return rows;
}

/* The rows of a section found by counting headers: the machine section lies between the first and
   the second header row, the user section between the second and the third. */
static std::string ModelJoin(const std::vector<FuzzRow> &rows, int start)
{
    int headersSeen = 0;
    int wanted = start ? 1 : 2;
    std::string joined;
    bool first = true;
    for (const FuzzRow &row : rows) {
        if (row.header) {
            headersSeen++;
            continue;
        }
        if (headersSeen != wanted)
            continue;
        joined += (first ? "" : ";") + row.text;
        first = false;
    }
    return joined;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::vector<FuzzRow> rows = RowsFromInput(data, size);
    for (int start : {1, 0}) {
        std::string joined = JoinRows(rows, start);
        FUZZ_CHECK(joined == ModelJoin(rows, start));
    }
    return 0;
}
