// Benchmarks of the in-process steps of an update, at 1k, 4k, 16k and 32k
// rows: parsing a script, merging one table (N script rows, half of them
// matching, against N/2 profile rows) beside the copying that any such merge
// does, and writing a profile file. Files go
// to /dev/shm where there is one, so the numbers are not the disk's; the
// whole-process run against the disk is tools/bench.sh.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <stdlib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>

#include "bench/bench_case.h"
#include "devlib/tovrel.h"
#include "engine/merge.h"
#include "engine/profile_writer.h"
#include "engine/working_data.h"
#include "platform/text.h"
#include "support/dialog_state.h"
#include "support/file_contents.h"

namespace {

constexpr int kScales[] = {1024, 4096, 16384, 32767};

std::filesystem::path g_scratch;

// N script rows against N/2 profile rows, N/2 of the script rows matching:
// the table ends with N rows, within its limit.
BenchCase TableCase(Table table, int rows) {
    rows = std::min(rows, MaxHeaderCount(table));
    BenchCase benchCase;
    benchCase[table] = {rows / 2, rows, rows / 2};
    return benchCase;
}

std::string TableLabel(Table table) { return Utf16ToUtf8(TableName(table)); }

// Gives the script record the rows of one table.
void GiveTable(ScriptRecord& record, Table table, const TestProfile& rows) {
    ForEachTable(rows, [&](Table t, const auto& tableRows) {
        if (t == table) SetScriptRows(record, t, tableRows);
    });
}

void Parse(benchmark::State& state, Table table) {
    const int rows = static_cast<int>(state.range(0));
    const std::string text = MakeBenchScriptText(TableCase(table, rows));
    const std::filesystem::path path = g_scratch / ("parse-" + TableLabel(table) + ".SCR");
    if (!WriteFileText(path, text)) return state.SkipWithError("cannot write the script");
    const std::u16string script = Utf8ToUtf16(path.string());
    WorkingData dlg;
    for (auto _ : state) {
        ScriptRecord record{};
        if (!dlg.ParseUpdateScript(script, &record)) return state.SkipWithError("the script does not parse");
        state.PauseTiming();
        dlg.FreeScriptTables(&record);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * rows);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

// Times `step` on one table of a merge case: each iteration gets a fresh
// slot holding the profile and a script record holding the script's rows;
// `step` returns false when it failed.
template <class Step>
void TimeOnMergeCase(benchmark::State& state, Table table, Step step) {
    const BenchCase benchCase = TableCase(table, static_cast<int>(state.range(0)));
    const TestProfile profile = MakeBenchProfile(benchCase);
    const TestProfile rows = MakeBenchScriptRows(benchCase);
    for (auto _ : state) {
        state.PauseTiming();
        WorkingData dlg;
        PrepareArrays(dlg, 1);
        AddSlot(dlg, u"Bench", profile);
        GiveTable(dlg.m_pScripts[0], table, rows);
        state.ResumeTiming();

        const bool done = step(dlg.m_pProfiles[0].header, dlg.m_pScripts[0], benchCase[table]);

        state.PauseTiming();
        dlg.ReleaseWorkingData();
        state.ResumeTiming();
        if (!done) return state.SkipWithError("the step failed");
    }
    state.SetItemsProcessed(state.iterations() * benchCase[table].scriptRows);
}

void Merge(benchmark::State& state, Table table) {
    TimeOnMergeCase(state, table, [table](ProfileHeader& header, ScriptRecord& script, const BenchTable&) {
        return MergeScriptTable(header, script, table) == MergeResult::Merged;
    });
}

// What every merge of the same case does at the least, whatever its
// matching: a fresh block of the merged table's size from the library, the
// profile's rows and the appended script rows copied into it, the old block
// given back. Beside Merge, it shows how much of the merge's time, and of its
// growth from scale to scale, is the memory's rather than the matching's.
void MoveRows(benchmark::State& state, Table table) {
    const std::size_t rowSize = RowSize(table);
    TimeOnMergeCase(
        state, table, [table, rowSize](ProfileHeader& header, ScriptRecord& script, const BenchTable& shape) {
            const std::size_t kept = static_cast<std::size_t>(shape.profileRows) * rowSize;
            const std::size_t appended = static_cast<std::size_t>(shape.scriptRows - shape.matchingRows) * rowSize;
            void* old = HeaderBlock(header, table);
            auto* block = static_cast<char*>(Tovrel().RIPmalloc(kept + appended));
            if (block == nullptr) return false;
            std::memcpy(block, old, kept);
            const auto* rows = static_cast<const char*>(ScriptRows(script, table));
            std::memcpy(block + kept, rows + static_cast<std::size_t>(shape.matchingRows) * rowSize, appended);
            SetHeaderBlock(header, table, block);
            Tovrel().RIPfree(old);
            benchmark::DoNotOptimize(block);
            return true;
        });
}

// Writes a profile with N rows in each of the four large tables (127 in the
// two small ones) through the writer, replacement included.
void WriteProfile(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    BenchCase benchCase;
    for (Table table : kTablesInFileOrder) benchCase[table].profileRows = std::min(rows, MaxHeaderCount(table));
    const TestProfile profile = MakeBenchProfile(benchCase);
    const ProfileHeader header = profile.Header();
    ScriptRecord script{};
    CopyText(script.printerName, kTextUnits, Utf8ToUtf16((g_scratch / "write.ppr").string()));
    for (auto _ : state) {
        if (!SetPrinterProfile(&script, &header, 1)) return state.SkipWithError("the profile was not written");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(profile.FileImage().size()));
}

void Register() {
    for (Table table : {Table::Ink, Table::Correction}) {
        auto* b = benchmark::RegisterBenchmark(("Parse/" + TableLabel(table)).c_str(), Parse, table);
        for (int rows : kScales) b->Arg(rows);
        b->Unit(benchmark::kMillisecond)->UseRealTime();
    }
    for (Table table :
         {Table::Ink, Table::Media, Table::ColorType, Table::BitsPerPixel, Table::Resolution, Table::Correction}) {
        auto* b = benchmark::RegisterBenchmark(("Merge/" + TableLabel(table)).c_str(), Merge, table);
        if (MaxHeaderCount(table) < kScales[0]) {
            b->Arg(MaxHeaderCount(table));  // the table's whole scale
        } else {
            for (int rows : kScales) b->Arg(rows);
        }
        b->Unit(benchmark::kMillisecond)->UseRealTime();
    }
    for (Table table : {Table::Ink, Table::Correction}) {
        auto* b = benchmark::RegisterBenchmark(("MoveRows/" + TableLabel(table)).c_str(), MoveRows, table);
        for (int rows : kScales) b->Arg(rows);
        b->Unit(benchmark::kMillisecond)->UseRealTime();
    }
    auto* b = benchmark::RegisterBenchmark("WriteProfile", WriteProfile);
    for (int rows : kScales) b->Arg(rows);
    b->Unit(benchmark::kMillisecond)->UseRealTime();
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path base =
        std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
    std::string pattern = (base / "quillon-bench.XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return 2;
    g_scratch = pattern;

    // A run of the program merges once, into blocks the system has just
    // given it. Left to itself, the allocator would hand every smaller scale
    // the warm memory of the iteration before (blocks below its sliding
    // threshold of up to 32 MiB are recycled) and only the large ones fresh
    // pages; a fixed threshold gives every scale fresh pages alike.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);

    Register();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::error_code error;
    std::filesystem::remove_all(g_scratch, error);
    return 0;
}
