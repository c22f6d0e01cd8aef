/* Split and join throughput on values of 1 KB, 32 KB and 1 MB, each set against a memchr scan for
   ';' over the same bytes: the least work any split can do. After the runs a summary gives each
   operation's speed as a fraction of that bound (the target: at most 4 times slower). */
#include <benchmark/benchmark.h>

#include "entries/valuesplit.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <map>
#include <string>
#include <vector>

namespace {

const int kSizes[] = {1 << 10, 32 << 10, 1 << 20};

/* A value of about size bytes made of folder names such as a long PATH holds, some quoted. */
std::string MakeValue(size_t size)
{
    static const char *const kFolders[] = {
        "C:\\Windows\\system32", "%SystemRoot%", "C:\\Program Files\\Common Files\\Tool",
        "\"C:\\Program Files (x86)\\Some Vendor;Suite\\bin\"", "D:\\dev\\toolchain\\bin",
        "%USERPROFILE%\\AppData\\Local\\Programs\\Runtime\\Scripts",
    };
    std::string value;
    for (int i = 0; value.size() < size; i++) {
        if (!value.empty())
            value += ';';
        value += kFolders[i % 6];
        value += std::to_string(i);
    }
    value.resize(size);
    if (value.back() == ';')
        value.back() = 'x';
    return value;
}

/* The split as the entry list drives it: the callback cuts each element out in place. */
struct Cutter {
    char *bytes;
    size_t elements;
    size_t bytesSeen;
};

void CutElement(void *context, size_t begin, size_t end)
{
    Cutter *cutter = (Cutter *)context;
    char saved = cutter->bytes[end];
    cutter->bytes[end] = '\0';
    benchmark::DoNotOptimize(cutter->bytes + begin);
    cutter->bytesSeen += end - begin;
    cutter->elements++;
    cutter->bytes[end] = saved;
}

void Split(benchmark::State &state)
{
    std::string value = MakeValue((size_t)state.range(0));
    for (auto _ : state) {
        Cutter cutter = {&value[0], 0, 0};
        SplitValue(&value[0], CutElement, &cutter);
        benchmark::DoNotOptimize(cutter.elements);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)value.size());
}

/* The lower bound: find every ';' with memchr, nothing else. */
void MemchrScan(benchmark::State &state)
{
    std::string value = MakeValue((size_t)state.range(0));
    for (auto _ : state) {
        const char *at = value.data();
        const char *end = at + value.size();
        size_t found = 0;
        while ((at = (const char *)memchr(at, ';', (size_t)(end - at))) != NULL) {
            found++;
            at++;
        }
        benchmark::DoNotOptimize(found);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)value.size());
}

/* The join over the rows that the split gave, as a machine section under its header row. */
struct Row {
    std::string text;
    int header;
};

std::vector<Row> RowsOf(const std::string &value)
{
    std::vector<Row> rows = {{"machine", 1}};
    struct Collect {
        const std::string *value;
        std::vector<Row> *rows;
    } collect = {&value, &rows};
    SplitValue(value.c_str(), [](void *context, size_t begin, size_t end) {
        Collect *c = (Collect *)context;
        c->rows->push_back({c->value->substr(begin, end - begin), 0});
    }, &collect);
    rows.push_back({"user", 1});
    return rows;
}

void Join(benchmark::State &state)
{
    std::string value = MakeValue((size_t)state.range(0));
    std::vector<Row> rows = RowsOf(value);
    RowSource source;
    source.context = &rows;
    source.count = (int)rows.size();
    source.isHeader = [](void *context, int index) { return (*(std::vector<Row> *)context)[index].header; };
    source.textLength = [](void *context, int index) { return (*(std::vector<Row> *)context)[index].text.size(); };
    source.copyText = [](void *context, int index, char *dest) {
        const std::string &text = (*(std::vector<Row> *)context)[index].text;
        memcpy(dest, text.c_str(), text.size() + 1);
        return text.size();
    };
    for (auto _ : state) {
        size_t size = JoinedSectionSize(&source, 1);
        char *joined = (char *)malloc(size);
        size_t length = FillJoinedSection(&source, 1, joined, size);
        benchmark::DoNotOptimize(joined);
        if (length != value.size()) {
            state.SkipWithError("the join did not give the value back");
            free(joined);
            break;
        }
        free(joined);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)value.size());
}

BENCHMARK(MemchrScan)->Arg(kSizes[0])->Arg(kSizes[1])->Arg(kSizes[2]);
BENCHMARK(Split)->Arg(kSizes[0])->Arg(kSizes[1])->Arg(kSizes[2]);
BENCHMARK(Join)->Arg(kSizes[0])->Arg(kSizes[1])->Arg(kSizes[2]);

/* Keeps each benchmark's best speed over its repetitions, the one least disturbed by other
   processes, and shows the runs (only the summaries of repeated runs). */
class SpeedKeeper : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> bytesPerSecond;

    SpeedKeeper() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run> &runs) override
    {
        std::vector<Run> shown;
        for (const Run &run : runs) {
            if (run.run_type == Run::RT_Aggregate) {
                shown.push_back(run);
                continue;
            }
            if (run.repetitions <= 1)
                shown.push_back(run);
            auto speed = run.counters.find("bytes_per_second");
            if (speed == run.counters.end() || run.error_occurred)
                continue;
            double &best = bytesPerSecond[run.run_name.str()];
            if (speed->second.value > best)
                best = speed->second.value;
        }
        ConsoleReporter::ReportRuns(shown);
    }
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    SpeedKeeper keeper;
    benchmark::RunSpecifiedBenchmarks(&keeper);

    fflush(stdout);
    printf("\nsummary (best of the repetitions, in MB/s; ratio = memchr bound / operation, target <= 4)\n");
    for (int size : kSizes) {
        std::string arg = "/" + std::to_string(size);
        auto bound = keeper.bytesPerSecond.find("MemchrScan" + arg);
        if (bound == keeper.bytesPerSecond.end())
            continue;
        for (const char *operation : {"Split", "Join"}) {
            auto speed = keeper.bytesPerSecond.find(operation + arg);
            if (speed == keeper.bytesPerSecond.end())
                continue;
            double ratio = bound->second / speed->second;
            printf("%-5s %8d bytes: %9.1f MB/s, memchr %9.1f MB/s, ratio %5.2f %s\n", operation, size,
                   speed->second / 1e6, bound->second / 1e6, ratio, ratio <= 4.0 ? "ok" : "OVER TARGET");
        }
    }
    benchmark::Shutdown();
    return 0;
}
