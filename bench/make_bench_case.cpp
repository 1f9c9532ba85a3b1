// make_bench_case large|typical FOLDER: writes FOLDER/Bench.ppr and
// FOLDER/Bench.SCR, a profile and the update script for it, for the
// whole-process benchmark (tools/bench.sh).
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "bench/bench_case.h"
#include "support/file_contents.h"

int main(int argc, char** argv) {
    if (argc != 3 || (std::strcmp(argv[1], "large") != 0 && std::strcmp(argv[1], "typical") != 0)) {
        std::fprintf(stderr, "usage: make_bench_case large|typical FOLDER\n");
        return 1;
    }
    const BenchCase benchCase = std::strcmp(argv[1], "large") == 0 ? LargeBenchCase() : TypicalBenchCase();
    const std::filesystem::path folder = argv[2];
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!WriteFileBytes(folder / "Bench.ppr", MakeBenchProfile(benchCase).FileImage()) ||
        !WriteFileText(folder / "Bench.SCR", MakeBenchScriptText(benchCase))) {
        std::fprintf(stderr, "make_bench_case: cannot write into %s\n", argv[2]);
        return 2;
    }
    return 0;
}
