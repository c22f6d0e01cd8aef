/* What the fuzz targets share: the verdict on a broken rule, and the split seen as a list. */
#ifndef VELKOR_FUZZ_SUPPORT_H
#define VELKOR_FUZZ_SUPPORT_H

#include "entries/valuesplit.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

/* A broken rule stops the run with the rule's text; libFuzzer then keeps the input. */
#define FUZZ_CHECK(condition)                                                        \
    do {                                                                             \
        if (!(condition)) {                                                          \
            fprintf(stderr, "%s:%d: rule broken: %s\n", __FILE__, __LINE__, #condition); \
            abort();                                                                 \
        }                                                                            \
    } while (0)

/* The input up to its first zero byte: a value as the registry read gives it. */
inline std::string TextOf(const uint8_t *data, size_t size)
{
    const void *zero = memchr(data, 0, size);
    size_t length = zero ? (size_t)((const uint8_t *)zero - data) : size;
    return std::string((const char *)data, length);
}

/* Splits a writable copy the way the entry list does: each element is cut out by writing a zero
   over the byte that ends it, and the byte is put back at once. */
inline std::vector<std::string> SplitIntoRows(const std::string &value)
{
    struct Cut {
        char *bytes;
        size_t length;
        std::vector<std::string> rows;
    };
    /* An exact-size heap copy, so that a read past the zero is caught. */
    char *bytes = (char *)malloc(value.size() + 1);
    FUZZ_CHECK(bytes != NULL);
    memcpy(bytes, value.c_str(), value.size() + 1);
    Cut cut = {bytes, value.size(), {}};
    size_t count = SplitValue(bytes, [](void *context, size_t begin, size_t end) {
        Cut *c = (Cut *)context;
        FUZZ_CHECK(begin < end);
        FUZZ_CHECK(end <= c->length);
        FUZZ_CHECK(c->bytes[end] == ';' || c->bytes[end] == '\0');
        char saved = c->bytes[end];
        c->bytes[end] = '\0';
        c->rows.push_back(std::string(c->bytes + begin));
        c->bytes[end] = saved;
    }, &cut);
    FUZZ_CHECK(count == cut.rows.size());
    FUZZ_CHECK(memcmp(bytes, value.c_str(), value.size() + 1) == 0);
    free(bytes);
    return cut.rows;
}

/* A list of rows seen through the join's callbacks. */
struct FuzzRow {
    std::string text;
    int header;
};

inline RowSource RowsOf(const std::vector<FuzzRow> &rows)
{
    RowSource source;
    source.context = const_cast<std::vector<FuzzRow> *>(&rows);
    source.count = (int)rows.size();
    source.isHeader = [](void *context, int index) {
        return (*(std::vector<FuzzRow> *)context)[index].header;
    };
    source.textLength = [](void *context, int index) {
        return (*(std::vector<FuzzRow> *)context)[index].text.size();
    };
    source.copyText = [](void *context, int index, char *dest) {
        const std::string &text = (*(std::vector<FuzzRow> *)context)[index].text;
        memcpy(dest, text.c_str(), text.size() + 1);
        return text.size();
    };
    return source;
}

/* Joins one section into a heap buffer of exactly the announced size, as the entry list does. */
inline std::string JoinRows(const std::vector<FuzzRow> &rows, int start)
{
    RowSource source = RowsOf(rows);
    size_t size = JoinedSectionSize(&source, start);
    FUZZ_CHECK(size >= 2);
    char *result = (char *)malloc(size);
    FUZZ_CHECK(result != NULL);
    size_t length = FillJoinedSection(&source, start, result, size);
    FUZZ_CHECK(length < size);
    FUZZ_CHECK(strlen(result) == length);
    std::string joined(result, length);
    free(result);
    return joined;
}

#endif
