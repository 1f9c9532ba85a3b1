// Differential test of silent mode: random profiles and scripts from fixed
// seeds (support/silent_mode_cases.h) go through the real program and through
// an independent model (support/silent_mode_model.h); exit status and profile
// bytes must agree.
// A mismatch names the seed, the script and the differing fields; the case's
// files are kept in a folder named in the failure message.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "platform/text.h"
#include "profile/records.h"
#include "profile/script_parser.h"
#include "profile/tables.h"
#include "support/file_contents.h"
#include "support/silent_mode_cases.h"
#include "support/silent_mode_model.h"
#include "support/temp_folder.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

struct RunResult {
    int status = -1;
    std::string output;  // standard output and standard error
};

// Runs a program of the build with TOVREL_ROOT set to `folder`, standard
// output to `outFile` and standard error to `errFile` (the same file when empty).
RunResult RunProgram(const char* name, std::vector<std::string> args, const fs::path& folder, const fs::path& outFile,
                     const fs::path& errFile = {}) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        if (std::strncmp(*e, "TOVREL_ROOT=", 12) != 0 && std::strncmp(*e, "XDG_RUNTIME_DIR=", 16) != 0)
            env.push_back(*e);
    }
    env.push_back("TOVREL_ROOT=" + folder.string());
    // Runs of parallel tests must not meet at the single-instance lock.
    const fs::path runtime = folder.parent_path() / "runtime";
    fs::create_directories(runtime);
    env.push_back("XDG_RUNTIME_DIR=" + runtime.string());
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string program = std::string(QUILLON_BIN_DIR "/") + name;
    std::vector<char*> argv = {program.data()};
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (errFile.empty())
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
    else
        posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    pid_t pid = 0;
    RunResult result;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        result.output = "posix_spawn failed: " + std::string(std::strerror(spawned));
        return result;
    }
    int wstatus = 0;
    while (waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
    }
    result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    result.output = ReadFileText(outFile);
    return result;
}

RunResult RunQuillon(const fs::path& folder, const fs::path& outFile, const std::string& script,
                     const std::string& profile) {
    return RunProgram("quillon", {script, profile}, folder, outFile);
}

const char kMessage104[] = "スクリプトファイルが無いか、スクリプトファイルのフォーマットが不正です。";
const char kMessage110[] = "プリンタプロファイルの書き込みに失敗しました";

struct Tally {
    std::map<int, int> byStatus;
    int written = 0, unchanged = 0;
};

// Runs one seed through the program and the model and checks that they agree.
void CheckSeed(int seed, const fs::path& root, Tally& tally) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    const SilentModeCase c = MakeSilentModeCase(seed);
    const fs::path folder = root / "case";
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    fs::create_directories(folder);
    const fs::path scriptPath = folder / c.scriptName;
    const fs::path profilePath = folder / c.profileName;
    ASSERT_TRUE(WriteFileText(scriptPath, c.script));
    ASSERT_TRUE(WriteFileBytes(profilePath, c.profile));

    const SilentModeOutcome expected = ModelSilentMode(c.script, c.profile);
    const RunResult actual = RunQuillon(folder, root / "output.txt", scriptPath.string(), profilePath.string());
    const std::vector<uint8_t> after = ReadFileBytes(profilePath);
    tally.byStatus[expected.exitStatus]++;
    (expected.profile == c.profile ? tally.unchanged : tally.written)++;

    std::set<std::string> leftovers;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name != c.scriptName && name != c.profileName && name != "tovrel.log") leftovers.insert(name);
    }

    std::string expectedMessage;
    if (expected.exitStatus == 1) expectedMessage = kMessage104;
    if (expected.exitStatus == 2) expectedMessage = kMessage110;
    if (expected.exitStatus == 9) expectedMessage = ": the print system's library cannot read it as a profile";
    const bool messageOk =
        expectedMessage.empty() ? actual.output.empty() : actual.output.find(expectedMessage) != std::string::npos;

    if (actual.status == expected.exitStatus && after == expected.profile && leftovers.empty() && messageOk) return;

    // Keep the case for whoever reproduces it.
    const fs::path keep = fs::temp_directory_path() / ("quillon-model-seed-" + std::to_string(seed));
    fs::remove_all(keep, ignored);
    fs::create_directories(keep, ignored);
    WriteFileText(keep / c.scriptName, c.script);
    WriteFileBytes(keep / c.profileName, c.profile);
    WriteFileBytes(keep / "expected.ppr", expected.profile);
    WriteFileBytes(keep / "actual.ppr", after);

    std::string report = "seed " + std::to_string(seed) + ": " + c.scriptName + " / " + c.profileName +
                         " (input kept in " + keep.string() + ")\n";
    report += "model: exit " + std::to_string(expected.exitStatus) + ", " + expected.reason + "\n";
    report += "program: exit " + std::to_string(actual.status) + ", output: " + actual.output + "\n";
    if (!leftovers.empty()) {
        report += "files left in the folder:";
        for (const std::string& name : leftovers) report += " " + name;
        report += "\n";
    }
    if (!messageOk) report += "expected message: " + (expectedMessage.empty() ? "none" : expectedMessage) + "\n";
    if (after != expected.profile) report += "profile differs:\n" + DescribeProfileDifference(expected.profile, after);
    report += "script:\n" + DescribeScript(c.script);
    ADD_FAILURE() << report;
}

void CheckSeeds(int first, int last) {
    TempFolder temp;
    Tally tally;
    for (int seed = first; seed <= last; ++seed) {
        CheckSeed(seed, temp.Path(), tally);
    }
    // The generator must keep reaching every road, or the comparison proves little.
    EXPECT_GT(tally.byStatus[0], 0);
    EXPECT_GT(tally.byStatus[1], 0);
    EXPECT_GT(tally.byStatus[2], 0);
    EXPECT_GT(tally.byStatus[9], 0);
    EXPECT_GT(tally.written, (last - first + 1) / 3);
    EXPECT_GT(tally.unchanged, 0);
}

// Runs one seed through quillon and through pprtool plan, apply --backup and
// diff: apply must end as quillon ends and leave the same bytes, plan must
// write nothing and end the same, and plan, apply and the diff of the backup
// against the result must name the same changes.
struct PprtoolTally {
    std::map<int, int> statuses;
    int compared = 0;  // cases whose changes plan, apply and diff all listed
};

void CheckPprtoolSeed(int seed, const fs::path& root, PprtoolTally& tally) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    const SilentModeCase c = MakeSilentModeCase(seed);
    std::error_code ignored;
    fs::remove_all(root / "pprtool", ignored);
    const fs::path quillonFolder = root / "pprtool" / "quillon", toolFolder = root / "pprtool" / "with blanks";
    const fs::path backups = root / "pprtool" / "backups";
    for (const fs::path& folder : {quillonFolder, toolFolder, backups}) fs::create_directories(folder);
    for (const fs::path& folder : {quillonFolder, toolFolder}) {
        ASSERT_TRUE(WriteFileText(folder / c.scriptName, c.script));
        ASSERT_TRUE(WriteFileBytes(folder / c.profileName, c.profile));
    }
    const std::string script = (toolFolder / c.scriptName).string(), profile = (toolFolder / c.profileName).string();
    const fs::path out = root / "pprtool" / "out.txt", err = root / "pprtool" / "err.txt";

    const RunResult quillon =
        RunQuillon(quillonFolder, root / "pprtool" / "quillon.txt", (quillonFolder / c.scriptName).string(),
                   (quillonFolder / c.profileName).string());
    tally.statuses[quillon.status]++;

    const RunResult plan = RunProgram("pprtool", {"plan", script, profile}, toolFolder, out, err);
    EXPECT_EQ(plan.status, quillon.status) << ReadFileText(err);
    EXPECT_TRUE(ReadFileBytes(toolFolder / c.profileName) == c.profile) << "plan wrote the profile";
    EXPECT_FALSE(fs::exists(toolFolder / "tovrel.log")) << "plan wrote the print system's log";

    const RunResult apply =
        RunProgram("pprtool", {"apply", script, profile, "--backup", backups.string(), "--json"}, toolFolder, out, err);
    EXPECT_EQ(apply.status, quillon.status) << ReadFileText(err);
    EXPECT_TRUE(ReadFileBytes(toolFolder / c.profileName) == ReadFileBytes(quillonFolder / c.profileName))
        << "apply and quillon left different profiles";
    const nlohmann::json report = nlohmann::json::parse(apply.output, nullptr, false);
    ASSERT_TRUE(report.is_object()) << apply.output;
    EXPECT_EQ(report["status"], quillon.status);
    if (!report["backup"].is_string()) return;  // the profile was no profile: nothing to back up, nothing written

    const fs::path backup = report["backup"].get<std::string>();
    EXPECT_EQ(backup.parent_path(), backups);
    EXPECT_TRUE(ReadFileBytes(backup) == c.profile) << "the backup is not the old profile";
    if (quillon.status != 0) return;
    const RunResult diff = RunProgram("pprtool", {"diff", backup.string(), profile}, toolFolder, out, err);
    EXPECT_EQ(diff.output, plan.output);
    EXPECT_EQ(diff.status, plan.output == "no changes\n" ? 0 : 1);
    const RunResult diffJson =
        RunProgram("pprtool", {"diff", "--json", backup.string(), profile}, toolFolder, out, err);
    EXPECT_EQ(nlohmann::json::parse(diffJson.output, nullptr, false), report["changes"]);
    if (plan.output != "no changes\n") tally.compared++;
}

void CheckPprtoolSeeds(int first, int last) {
    TempFolder temp;
    PprtoolTally tally;
    for (int seed = first; seed <= last; ++seed) CheckPprtoolSeed(seed, temp.Path(), tally);
    // Every road the program takes is taken by the tool too.
    EXPECT_GT(tally.statuses[0], 0);
    EXPECT_GT(tally.statuses[1], 0);
    EXPECT_GT(tally.statuses[2], 0);
    EXPECT_GT(tally.compared, (last - first + 1) / 4);
}

}  // namespace

TEST(SilentModeModel, PprtoolPlanApplyAndDiffAgreeWithTheProgramOnSeeds1To50) { CheckPprtoolSeeds(1, 50); }
TEST(SilentModeModel, PprtoolPlanApplyAndDiffAgreeWithTheProgramOnSeeds51To100) { CheckPprtoolSeeds(51, 100); }

// The parser with an observer does exactly what it does without one, and
// every failure it meets is reported as exactly one error.
TEST(SilentModeModel, AnObserverChangesNothingOfTheParseAndHearsEveryFailure) {
    struct Counter : ScriptObserver {
        void Report(const ScriptNote& note) override { (IsScriptError(note.issue) ? errors : warnings)++; }
        int errors = 0, warnings = 0;
    };
    auto rowsOf = [](const ScriptRecord& record) {
        std::vector<std::vector<uint8_t>> rows;
        for (Table table : kTablesInFileOrder) {
            const auto* block = static_cast<const uint8_t*>(ScriptRows(record, table));
            rows.emplace_back(block, block + (block ? ScriptCount(record, table) * RowSize(table) : 0));
            std::free(ScriptRows(record, table));
        }
        return rows;
    };
    TempFolder temp;
    int warned = 0;
    for (int seed = 1; seed <= 400; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const SilentModeCase c = MakeSilentModeCase(seed);
        const fs::path path = temp.Path() / c.scriptName;
        ASSERT_TRUE(WriteFileText(path, c.script));
        const CString pathText(Utf8ToUtf16(path.string()));
        ScriptParser plain, heard;
        Counter counter;
        heard.SetObserver(&counter);
        ScriptRecord a{}, b{};
        const int plainResult = plain.ParseUpdateScript(pathText, &a);
        const int heardResult = heard.ParseUpdateScript(pathText, &b);
        EXPECT_EQ(plainResult, heardResult);
        EXPECT_TRUE(rowsOf(a) == rowsOf(b));
        EXPECT_EQ(counter.errors, heardResult ? 0 : 1);
        warned += counter.warnings > 0;
    }
    EXPECT_GT(warned, 40);
}

TEST(SilentModeModel, AgreesWithTheProgramOnSeeds1To100) { CheckSeeds(1, 100); }
TEST(SilentModeModel, AgreesWithTheProgramOnSeeds101To200) { CheckSeeds(101, 200); }
TEST(SilentModeModel, AgreesWithTheProgramOnSeeds201To300) { CheckSeeds(201, 300); }
TEST(SilentModeModel, AgreesWithTheProgramOnSeeds301To400) { CheckSeeds(301, 400); }
