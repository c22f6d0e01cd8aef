/* The findings of "Check all" over any rows: no read or write out of bounds, nothing leaked, every
   finding on an entry row and in the list's order, and at most one too-long finding, at the end.
   Input: the variable's name, then the rows, each line ended by '\n'; a row whose first byte is
   0x01 is a header row; a zero byte ends a row's text, as in a list box. */
#include "fuzz_support.h"
#include "entries/findings.h"

#include <ctype.h>
#include <stdint.h>

namespace {

char *Copy(const std::string &text)
{
    char *copy = (char *)malloc(text.size() + 1);
    if (copy)
        memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

/* %L% stands for a long value and %E% for an empty one; any other reference stays as it is. */
char *Expand(void *, const char *text)
{
    std::string out;
    for (const char *p = text; *p; p++) {
        if (p[0] == '%' && (p[1] == 'L' || p[1] == 'E') && p[2] == '%') {
            out += p[1] == 'L' ? std::string(20000, 'l') : "";
            p += 2;
        } else {
            out += *p;
        }
    }
    return Copy(out);
}

int Exists(void *, const char *path) { return strlen(path) % 2; }
size_t Units(void *, const char *text) { return strlen(text); }

char *Fold(void *, const char *text)
{
    std::string folded(text);
    for (char &c : folded)
        c = (char)toupper((unsigned char)c);
    return Copy(folded);
}

struct Seen {
    std::vector<FuzzRow> rows;
    int last = -1;
    bool finishing = false;
    int tooLong = 0;
};

void Found(void *context, int row, const char *problem)
{
    Seen *seen = (Seen *)context;
    FUZZ_CHECK(row >= 0 && row < (int)seen->rows.size());
    FUZZ_CHECK(!seen->rows[row].header);
    FUZZ_CHECK(problem[0] != '\0');
    if (seen->finishing) {
        seen->tooLong++;
        return;
    }
    FUZZ_CHECK(row >= seen->last);
    seen->last = row;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::vector<std::string> lines;
    size_t begin = 0;
    for (size_t i = 0; i < size; i++) {
        if (data[i] == '\n') {
            lines.push_back(std::string((const char *)data + begin, i - begin).c_str());
            begin = i + 1;
        }
    }
    if (lines.empty())
        return 0;
    Seen seen;
    for (size_t i = 1; i < lines.size(); i++) {
        bool header = !lines[i].empty() && lines[i][0] == '\x01';
        seen.rows.push_back({header ? lines[i].substr(1) : lines[i], header ? 1 : 0});
    }
    static const CheckVariable variables[] = {{"A", 1, 0}, {"B", 1, 1}, {"C", 0, 0}, {"PATH", 0, 1}};
    CheckCallbacks callbacks = {&seen, Expand, Exists, Units, Fold, Found};
    CheckRun *run = StartCheck(lines[0].c_str(), variables, 4, &callbacks);
    FUZZ_CHECK(run != NULL);
    for (size_t i = 0; i < seen.rows.size(); i++)
        FUZZ_CHECK(CheckRow(run, (int)i, seen.rows[i].header ? NULL : seen.rows[i].text.c_str(), seen.rows[i].header));
    seen.finishing = true;
    FUZZ_CHECK(FinishCheck(run));
    FUZZ_CHECK(seen.tooLong <= 1);
    EndCheck(run);
    return 0;
}
