/* The splitter against a plain model of its rules: an element runs to the next ';' that is not
   its first byte and not inside the quote that opens it; a final element runs to the end. */
#include "fuzz_support.h"

#include <stdint.h>

static std::vector<std::string> ModelSplit(const std::string &value)
{
    std::vector<std::string> rows;
    size_t i = 0;
    while (i < value.size()) {
        size_t begin = i;
        bool quoted = value[i] == '"';
        i++;   /* the first byte belongs to the element, whatever it is */
        while (i < value.size()) {
            if (quoted) {
                if (value[i] == '"')
                    quoted = false;
            } else if (value[i] == ';') {
                break;
            }
            i++;
        }
        rows.push_back(value.substr(begin, i - begin));
        i++;   /* past the ';', or past the end */
    }
    return rows;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string value = TextOf(data, size);
    std::vector<std::string> rows = SplitIntoRows(value);

    FUZZ_CHECK(rows == ModelSplit(value));

    /* Nothing is lost or invented: the rows and the separators between them rebuild the value,
       short of at most one final ';'. */
    std::string rebuilt;
    size_t bytes = 0;
    for (size_t i = 0; i < rows.size(); i++) {
        FUZZ_CHECK(!rows[i].empty());
        bytes += rows[i].size();
        rebuilt += (i ? ";" : "") + rows[i];
    }
    FUZZ_CHECK(rebuilt == value || rebuilt + ";" == value);
    FUZZ_CHECK(bytes + (rows.empty() ? 0 : rows.size() - 1) <= value.size());
    FUZZ_CHECK(value.empty() == rows.empty());
    return 0;
}
