/* Retrieve then update with no edit in between: the machine value and the user value are split
   into rows under their header rows, each section is joined again, and every value must come back
   as it was, short of one final ';' that ends its last element. The export of those rows must
   show every row byte for byte.
   Input: the machine value, a zero byte, the user value. */
#include "fuzz_support.h"
#include "common/texts.h"
#include "output/fileformat.h"

#include <stdint.h>

static void CheckComesBack(const std::string &value, const std::vector<std::string> &rows,
                           const std::string &joined)
{
    if (joined != value) {
        /* The one byte that may go is a final ';' that adds nothing to the split. */
        FUZZ_CHECK(joined + ";" == value);
        FUZZ_CHECK(SplitIntoRows(value.substr(0, value.size() - 1)) == rows);
    }
    /* A second round changes nothing more. */
    FUZZ_CHECK(SplitIntoRows(joined) == rows);
}

static std::string WithCrLf(const std::string &text)
{
    std::string out;
    for (char byte : text) {
        if (byte == '\n')
            out += '\r';
        out += byte;
    }
    return out;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string machine = TextOf(data, size);
    std::string user = machine.size() < size ? TextOf(data + machine.size() + 1, size - machine.size() - 1) : "";

    std::vector<std::string> machineRows = SplitIntoRows(machine);
    std::vector<std::string> userRows = SplitIntoRows(user);

    std::vector<FuzzRow> list;
    list.push_back({MACHINE_HEADER_TEXT, 1});
    for (const std::string &row : machineRows)
        list.push_back({row, 0});
    list.push_back({USER_HEADER_TEXT, 1});
    for (const std::string &row : userRows)
        list.push_back({row, 0});

    CheckComesBack(machine, machineRows, JoinRows(list, 1));
    CheckComesBack(user, userRows, JoinRows(list, 0));

    /* The export: "NAME=", then every row of the list, each line ending in CR LF. */
    std::vector<const char *> texts;
    std::string expected = "PATH=\r\n";
    for (const FuzzRow &row : list) {
        texts.push_back(row.text.c_str());
        expected += WithCrLf(row.text) + "\r\n";
    }
    size_t length = 0;
    char *file = ComposeExportFile("PATH", texts.data(), (int)texts.size(), &length);
    FUZZ_CHECK(file != NULL);
    FUZZ_CHECK(std::string(file, length) == expected);
    free(file);
    return 0;
}
