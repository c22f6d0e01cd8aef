#include <gtest/gtest.h>

#include "entries/findmatch.h"

#include <ctype.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

/* Rows as the list holds them ('#' marks a header), "text=expansion" for a row with a reference.
   The case is folded here for ASCII; the system folds other scripts, which the Find window's
   test covers. */
struct Rows {
    std::vector<std::string> rows;
};

std::string Fold(std::string text)
{
    for (char &c : text)
        c = (char)toupper((unsigned char)c);
    return text;
}

int IsEntry(void *context, int row)
{
    return ((Rows *)context)->rows[row][0] != '#';
}

char *FoldedText(void *context, int row, int expanded)
{
    const std::string &whole = ((Rows *)context)->rows[row];
    size_t equals = whole.find('=');
    if (expanded && equals == std::string::npos)
        return NULL;
    std::string text = Fold(expanded ? whole.substr(equals + 1) : whole.substr(0, equals));
    return strdup(text.c_str());
}

} // namespace

TEST(FindMatch, FirstEntryRowFromTheStartOnWrapping)
{
    Rows list = {{"#Machine", "C:\\Windows", "%TOOLS%\\bin=D:\\Tools\\bin", "#User", "c:\\windows\\sys", "E:\\x"}};
    FindSource source = {&list, (int)list.rows.size(), IsEntry, FoldedText};
    const struct {
        const char *text;
        int start, found;
    } cases[] = {
        {"windows", 0, 1},        /* case ignored */
        {"WINDOWS", 2, 4},        /* from the start on */
        {"windows", 5, 1},        /* wraps past the last row */
        {"windows", 1, 1},        /* the start row itself */
        {"TOOLS", 0, 2},          /* the text */
        {"D:\\TOOLS", 0, 2},      /* the expansion */
        {"MACHINE", 0, -1},       /* header rows are never found */
        {"Z:", 0, -1},
        {"", 0, -1},
        {"x", -1, 5},             /* no selection: from the first row */
        {"x", 99, 5},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.found, FindRow(&source, c.start, Fold(c.text).c_str())) << c.text << " from " << c.start;
}
