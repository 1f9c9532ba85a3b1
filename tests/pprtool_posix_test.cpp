// pprtool end to end: the built program on files in a scratch folder.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "engine/profile_lock.h"
#include "platform/process_lock.h"
#include "platform/text.h"
#include "support/profile_builder.h"
#include "support/scoped_environment.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs build/bin/pprtool with the arguments (each quoted for the shell).
RunResult RunPprtool(const TempFolder& scratch, const std::vector<std::string>& args) {
    std::string command = "TOVREL_ROOT='" + scratch.Path().string() + "' '" QUILLON_BIN_DIR "/pprtool'";
    for (const std::string& arg : args) command += " '" + arg + "'";
    command += " >'" + (scratch / "out.txt") + "' 2>'" + (scratch / "err.txt") + "'";
    RunResult result;
    const int raw = std::system(command.c_str());
    if (raw != -1 && WIFEXITED(raw)) result.status = WEXITSTATUS(raw);
    result.out = ReadFileText(scratch / "out.txt");
    result.err = ReadFileText(scratch / "err.txt");
    return result;
}

TestProfile DumpedProfile() {
    TestProfile p;
    p.header.opaque[0] = 0x03;
    p.header.opaque[5] = 0xA0;
    SetDeviceName(p.header, "\x83\x76\x83\x8A\x83\x93\x83\x5E\x41");  // プリンタA
    p.header.nextInkId = 3;
    p.header.nextMediaId = 12;
    p.colorTypes = {MakeColorType(1, 2, 0x102, 0xDEADBEEF)};
    p.colorTypes[0].filler[1] = 0xCD;
    p.resolutions = {MakeResolution(720, -360, 1, 2, 3, 4)};
    p.inks = {MakeNamed(u"シアン", 1, 0xC000, 0), MakeNamed(u"Light Magenta", 2, 0xC001, 1)};
    p.bitsPerPixels = {MakeBitsPerPixel(4, 0x4, 0)};
    p.corrections = {MakeCorrection(1, 2, u"Glossy", u"Fine", 3, 2, u"PrinterA_GL", u"光沢紙用", u"", 0.1f, 0x20, 0)};
    return p;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A profile image with every byte random but the counts (small, random) and
// the six references (0 in every file): random opaque bytes, device names,
// fillers, text with bytes behind or without its terminator, and reals of
// every kind (NaNs, infinities, subnormals).
std::vector<uint8_t> RandomProfileImage(unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> image(kProfileHeaderSize);
    for (uint8_t& b : image) b = static_cast<uint8_t>(rng());
    const std::size_t countAt[] = {276, 284, 296, 308, 316, 324};
    const std::size_t countBytes[] = {1, 1, 2, 2, 2, 2};
    const std::size_t rowSize[] = {12, 16, 532, 532, 12, 3700};
    std::size_t rows = 0;
    for (int t = 0; t < 6; ++t) {
        const uint16_t count = static_cast<uint16_t>(rng() % 4);
        std::memcpy(&image[countAt[t]], &count, countBytes[t]);
        std::memset(&image[countAt[t] + 4], 0, 4);  // the table reference behind the count
        rows += count * rowSize[t];
    }
    for (std::size_t i = 0; i < rows; ++i) image.push_back(static_cast<uint8_t>(rng()));
    return image;
}

}  // namespace

TEST(Pprtool, DumpPrintsHeaderAndEveryRowByFieldNameWithShortestReals) {
    TempFolder scratch;
    ASSERT_TRUE(WriteFileBytes(scratch / "p.ppr", DumpedProfile().FileImage()));
    const RunResult run = RunPprtool(scratch, {"dump", scratch / "p.ppr"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string& out = run.out;
    EXPECT_TRUE(Contains(out, "opaque: 0300000000A0\ndeviceName: \"プリンタA\"\ncolorTypeCount: 1\n")) << out;
    EXPECT_TRUE(Contains(out, "nextInkId: 3\ninkCount: 2\nfiller298: 0000\nnextMediaId: 12\nmediaCount: 0\n"));
    EXPECT_TRUE(
        Contains(out, "COLORTYPE 1\n  [0] typeCode=1 typeKey=2 filler=00CD param1=0x00000102 param2=0xDEADBEEF\n"));
    EXPECT_TRUE(
        Contains(out, "RESOLTAB 1\n  [0] res1=720 res2=-360 res3=1 res4=2 param1=0x00000003 param2=0x00000004\n"));
    EXPECT_TRUE(Contains(out,
                         "INKTAB 2\n  [0] name=\"シアン\" id=1 param1=0x0000C000 param2=0x00000000\n"
                         "  [1] name=\"Light Magenta\" id=2 param1=0x0000C001 param2=0x00000001\n"));
    EXPECT_TRUE(Contains(out, "MEDIATAB 0\nBITSPPTAB 1\n  [0] bppKey=4 filler=000000"));
    EXPECT_TRUE(Contains(out,
                         "CORRECTTAB 1\n  [0] key1=1 key2=2 name1=\"Glossy\" name2=\"Fine\" level1=3 level2=2 "
                         "icmFile=\"PrinterA_GL.icm\" calFile=\"PrinterA_GL.CAL\" bccFile=\"PrinterA_GL.BCC\" "
                         "text8=\"光沢紙用\" text9=\"\" filler=0000 scalar=0.1 series=1.1,2.1,3.1,4.1,5.1,6.1,7.1,"
                         "8.1,9.1,10.1 param1=0x00000020"));
    EXPECT_TRUE(run.err.empty());

    const RunResult json = RunPprtool(scratch, {"dump", "--json", scratch / "p.ppr"});
    ASSERT_EQ(json.status, 0) << json.err;
    for (const char* part : {"\"deviceName\": \"プリンタA\"", "\"opaque\": \"0300000000A0\"", "\"scalar\": 0.1,",
                             "\"name\": \"Light Magenta\"", "\"param2\": \"0xDEADBEEF\"", "\"res2\": -360"})
        EXPECT_TRUE(Contains(json.out, part)) << part << "\n" << json.out;
}

TEST(Pprtool, DumpJsonThenMakeReproducesProfilesByteForByte) {
    TempFolder scratch;
    for (unsigned seed = 1; seed <= 24; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const std::vector<uint8_t> image = seed == 1 ? DumpedProfile().FileImage() : RandomProfileImage(seed);
        ASSERT_TRUE(WriteFileBytes(scratch / "in.ppr", image));
        const RunResult dump = RunPprtool(scratch, {"dump", "--json", scratch / "in.ppr"});
        ASSERT_EQ(dump.status, 0) << dump.err;
        ASSERT_TRUE(WriteFileText(scratch / "in.json", dump.out));
        const RunResult make = RunPprtool(scratch, {"make", scratch / "in.json", scratch / "out.ppr"});
        ASSERT_EQ(make.status, 0) << make.err;
        EXPECT_TRUE(ReadFileBytes(scratch / "out.ppr") == image);
    }
}

TEST(Pprtool, MakeRefusesJsonThatIsNoProfileNamingTheField) {
    const struct {
        const char* json;
        const char* reason;
    } cases[] = {
        {"{\"header\": {", "is not JSON"},
        {"[]", "expected an object"},
        {"{\"INKTABS\": []}", "unknown member \"INKTABS\""},
        {"{\"INKTAB\": [{\"nmae\": \"x\"}]}", "INKTAB[0]: unknown field \"nmae\""},
        {"{\"INKTAB\": [{\"param1\": \"0xG\"}]}", "INKTAB[0].param1: expected a hexadecimal string"},
        {"{\"INKTAB\": [{\"param1\": 4294967296}]}", "INKTAB[0].param1: expected a hexadecimal"},
        {"{\"COLORTYPE\": [{\"typeKey\": 256}]}", "COLORTYPE[0].typeKey: expected an integer from 0 to 255"},
        {"{\"RESOLTAB\": [{\"res1\": -32769}]}", "RESOLTAB[0].res1: expected an integer from -32768 to 32767"},
        {"{\"BITSPPTAB\": [{\"filler\": \"00\"}]}", "BITSPPTAB[0].filler: expected 3 bytes in hexadecimal"},
        {"{\"CORRECTTAB\": [{\"series\": [1, 2]}]}", "CORRECTTAB[0].series: expected an array of 10 numbers"},
        {"{\"CORRECTTAB\": [{\"scalar\": \"one\"}]}", "CORRECTTAB[0].scalar: expected a number"},
        {"{\"header\": {\"inkCount\": 2}, \"INKTAB\": [{}]}", "header.inkCount is 2 but INKTAB has 1 rows"},
        {"{\"header\": {\"deviceName\": \"\xF0\x9F\x98\x80\"}}", "header.deviceName: expected a text whose every"},
        {"{\"header\": {\"deviceName\": {\"hex\": \"00\"}}}", "expected an object whose \"hex\" holds all 270 bytes"},
    };
    TempFolder scratch;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        ASSERT_TRUE(WriteFileText(scratch / "p.json", c.json));
        const RunResult run = RunPprtool(scratch, {"make", scratch / "p.json", scratch / "p.ppr"});
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(Contains(run.err, c.reason)) << run.err;
        EXPECT_FALSE(fs::exists(scratch.Path() / "p.ppr"));
    }

    // Limits: a name of 259 characters and 127 colour types fit; one more does not.
    const std::string name259(259, 'n'), rows127 = [] {
        std::string rows;
        for (int i = 0; i < 127; ++i) rows += std::string(i ? "," : "") + "{}";
        return rows;
    }();
    const struct {
        std::string json;
        int status;
    } limits[] = {
        {"{\"INKTAB\": [{\"name\": \"" + name259 + "\"}]}", 0},
        {"{\"INKTAB\": [{\"name\": \"" + name259 + "n\"}]}", 2},
        {"{\"COLORTYPE\": [" + rows127 + "]}", 0},
        {"{\"COLORTYPE\": [" + rows127 + ",{}]}", 2},
    };
    for (const auto& c : limits) {
        ASSERT_TRUE(WriteFileText(scratch / "p.json", c.json));
        EXPECT_EQ(RunPprtool(scratch, {"make", scratch / "p.json", scratch / "limit.ppr"}).status, c.status)
            << c.json.substr(0, 60);
    }
}

TEST(Pprtool, UnreadableProfilesAreRefusedWithTheReasonAndTheirNumbers) {
    TempFolder scratch;
    const std::vector<uint8_t> good = DumpedProfile().FileImage();
    std::vector<uint8_t> longer = good, negative = good;
    longer.push_back(0);
    negative[296] = 0xFF;  // inkCount -1
    negative[297] = 0xFF;
    ASSERT_TRUE(WriteFileBytes(scratch / "good.ppr", good));
    ASSERT_TRUE(WriteFileBytes(scratch / "short.ppr", std::vector<uint8_t>(good.begin(), good.begin() + 100)));
    ASSERT_TRUE(WriteFileBytes(scratch / "long.ppr", longer));
    ASSERT_TRUE(WriteFileBytes(scratch / "negative.ppr", negative));
    const std::string size = std::to_string(good.size());
    const struct {
        const char* file;
        std::string reason;
    } cases[] = {
        {"none.ppr", "none.ppr: cannot open the file"},
        {"short.ppr", "is 100 bytes long, shorter than the 332-byte profile header"},
        {"long.ppr", "is " + std::to_string(good.size() + 1) +
                         " bytes long, but its counts (1 COLORTYPE, 1 RESOLTAB, "
                         "2 INKTAB, 0 MEDIATAB, 1 BITSPPTAB, 1 CORRECTTAB) make " +
                         size + " bytes"},
        {"negative.ppr", "has a negative row count: INKTAB -1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        for (const std::vector<std::string>& args : {std::vector<std::string>{"dump", scratch / c.file},
                                                     {"dump", "--json", scratch / c.file},
                                                     {"diff", scratch / c.file, scratch / "good.ppr"},
                                                     {"diff", scratch / "good.ppr", scratch / c.file}}) {
            const RunResult run = RunPprtool(scratch, args);
            EXPECT_EQ(run.status, 2);
            EXPECT_TRUE(run.out.empty());
            EXPECT_TRUE(Contains(run.err, c.reason)) << run.err;
        }
    }
}

TEST(Pprtool, WrongUsageExits64AndHelpNamesEveryVerb) {
    TempFolder scratch;
    const std::vector<std::vector<std::string>> wrong = {{},
                                                         {"show", "x.ppr"},
                                                         {"dump"},
                                                         {"dump", "a", "b"},
                                                         {"make", "a.json"},
                                                         {"diff", "a"},
                                                         {"plan", "a.SCR"},
                                                         {"apply", "a.SCR"},
                                                         {"apply", "a.SCR", "a.ppr", "--backup"},
                                                         {"restore", "a.ppr"},
                                                         {"restore", "a.ppr", "b.ppr", "c.ppr"},
                                                         {"dump", "--xml", "a"}};
    for (const auto& args : wrong) EXPECT_EQ(RunPprtool(scratch, args).status, 64) << (args.empty() ? "" : args[0]);

    const RunResult help = RunPprtool(scratch, {"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* verb : {"dump", "make", "diff", "plan", "apply", "restore"})
        EXPECT_TRUE(Contains(help.out, verb)) << verb;
    const RunResult applyHelp = RunPprtool(scratch, {"apply", "--help"});
    EXPECT_EQ(applyHelp.status, 0);
    EXPECT_TRUE(Contains(applyHelp.out, "--backup")) << applyHelp.out;
    EXPECT_TRUE(Contains(applyHelp.out, "Exit:"));
    const RunResult restoreHelp = RunPprtool(scratch, {"restore", "--help"});
    EXPECT_EQ(restoreHelp.status, 0);
    EXPECT_TRUE(Contains(restoreHelp.out, "Exit: 0 restored")) << restoreHelp.out;
}

TEST(Pprtool, DiffNamesUpdatedAppendedAndRemovedRowsAndMovedCounters) {
    TempFolder scratch;
    TestProfile before = DumpedProfile();
    TestProfile after = before;
    after.inks[1].param1 = 0xC0FF;
    after.inks.push_back(MakeNamed(u"ライトシアン", 3, 5, 6));
    after.header.nextInkId = 4;
    after.corrections[0].series[2] = 1.5f;
    after.bitsPerPixels.clear();
    ASSERT_TRUE(WriteFileBytes(scratch / "old.ppr", before.FileImage()));
    ASSERT_TRUE(WriteFileBytes(scratch / "new.ppr", after.FileImage()));

    const RunResult same = RunPprtool(scratch, {"diff", scratch / "old.ppr", scratch / "old.ppr"});
    EXPECT_EQ(same.status, 0);
    EXPECT_EQ(same.out, "no changes\n");

    const RunResult run = RunPprtool(scratch, {"diff", scratch / "old.ppr", scratch / "new.ppr"});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out,
              "header: nextInkId 3 -> 4, inkCount 2 -> 3, bitsPerPixelCount 1 -> 0\n"
              "INKTAB: 1 updated, 1 appended\n"
              "  [1] updated: param1 0x0000C001 -> 0x0000C0FF\n"
              "  [2] appended: name=\"ライトシアン\" id=3 param1=0x00000005 param2=0x00000006\n"
              "BITSPPTAB: 1 removed\n"
              "  [0] removed: bppKey=4 filler=000000 param1=0x00000004 param2=0x00000000\n"
              "CORRECTTAB: 1 updated\n"
              "  [0] updated: series 1.1,2.1,3.1,4.1,5.1,6.1,7.1,8.1,9.1,10.1 -> 1.1,2.1,1.5,4.1,5.1,6.1,7.1,8.1,9.1,"
              "10.1\n");
}

namespace {

// The sample's script and profile (build/sample) copied into `folder`.
void CopySample(const fs::path& folder) {
    fs::create_directories(folder);
    fs::copy_file(QUILLON_SAMPLE_DIR "/prof/PrinterA.SCR", folder / "PrinterA.SCR");
    fs::copy_file(QUILLON_SAMPLE_DIR "/printsys/copypool/PrinterA.ppr", folder / "PrinterA.ppr");
}

}  // namespace

TEST(Pprtool, ApplyWithBackupKeepsEveryOldProfileAndReportsTheChanges) {
    TempFolder scratch;
    const fs::path work = scratch.Path() / "print shop", backups = scratch.Path() / "old profiles";
    CopySample(work);
    fs::create_directories(backups);
    const std::vector<uint8_t> original = ReadFileBytes(work / "PrinterA.ppr");
    const std::string script = (work / "PrinterA.SCR").string(), profile = (work / "PrinterA.ppr").string();

    const RunResult first = RunPprtool(scratch, {"apply", script, profile, "--backup", backups.string()});
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_TRUE(Contains(first.out, profile + " updated from " + script +
                                        ": COLORTYPE 1 updated, 1 appended; RESOLTAB 1 updated; INKTAB 1 updated, "
                                        "1 appended; MEDIATAB 1 appended; BITSPPTAB 1 appended; CORRECTTAB 1 updated; "
                                        "header colorTypeCount 3 -> 4, nextInkId 5 -> 6"))
        << first.out;
    const std::vector<uint8_t> updated = ReadFileBytes(work / "PrinterA.ppr");
    EXPECT_FALSE(updated == original);

    // A second run (in the same second, as a rule) keeps a backup of its own
    // and, every row now matching with the same values, changes nothing.
    const RunResult second = RunPprtool(scratch, {"apply", script, profile, "--backup", backups.string(), "--json"});
    ASSERT_EQ(second.status, 0) << second.err;
    for (const std::string& part : {std::string("\"outcome\": \"done\""), std::string("\"status\": 0"),
                                    "\"backup\": \"" + backups.string() + "/PrinterA.",
                                    std::string("\"INKTAB\": {\n        \"updated\": 0,\n        \"appended\": 0,")})
        EXPECT_TRUE(Contains(second.out, part)) << part << "\n" << second.out;
    std::vector<std::vector<uint8_t>> kept;
    for (const auto& entry : fs::directory_iterator(backups)) {
        const std::string name = entry.path().filename().string();
        EXPECT_EQ(name.rfind("PrinterA.", 0), 0u) << name;
        EXPECT_EQ(name.substr(name.size() - 4), ".ppr");
        kept.push_back(ReadFileBytes(entry.path()));
    }
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_TRUE((kept[0] == original && kept[1] == updated) || (kept[1] == original && kept[0] == updated));
}

namespace {

// The names of the files in `folder` (none when it is not there).
std::vector<std::string> FileNames(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) names.push_back(entry.path().filename().string());
    return names;
}

// The temporary files of replacements left in `folder`.
int Leftovers(const fs::path& folder) {
    int count = 0;
    for (const std::string& name : FileNames(folder)) count += Contains(name, ".~quillon.");
    return count;
}

}  // namespace

// The backup is the very file the update replaces: written once the update
// holds the profile's lock and has loaded it, kept only when the profile was
// written; what can be found wrong before (the names, the folder) is.
TEST(Pprtool, ApplyWritesItsBackupUnderTheLockAndKeepsItOnlyWhenTheProfileWasWritten) {
    TempFolder scratch;
    const fs::path work = scratch.Path() / "w";
    CopySample(work);
    for (const char* name : {"Broken", "Busy", "ReadOnly", "InTheWay", "Made", "Shut"}) {
        fs::copy_file(work / "PrinterA.SCR", work / (std::string(name) + ".SCR"));
        fs::copy_file(work / "PrinterA.ppr", work / (std::string(name) + ".ppr"));
    }
    ASSERT_TRUE(WriteFileText(work / "Broken.SCR", "[Tessera PPR Version],3.1\n"));
    fs::copy_file(work / "PrinterA.SCR", work / "Junk.SCR");
    ASSERT_TRUE(WriteFileText(work / "Junk.ppr", "not a profile"));
    fs::permissions(work / "ReadOnly.ppr", fs::perms::owner_read);
    ASSERT_TRUE(WriteFileText(scratch.Path() / "file", "in the way"));
    fs::create_directories(scratch.Path() / "shut");
    fs::permissions(scratch.Path() / "shut", fs::perms::owner_read | fs::perms::owner_exec);
    const bool shutIsShut = !WriteFileText(scratch.Path() / "shut" / "probe", "x");  // root writes anyway
    ProcessLock held;
    ASSERT_EQ(LockProfile(Utf8ToUtf16((work / "Busy.ppr").string()).c_str(), held), ProcessLock::Outcome::Acquired);

    const struct {
        const char* script;
        const char* profile;
        const char* folder;  // under the scratch folder
        int status;
        const char* says;  // on standard error, or for 0 in the summary
    } cases[] = {
        {"PrinterA.SCR", "Other.ppr", "names", 1, "different base names"},  // found before the folder is made
        {"Broken.SCR", "Broken.ppr", "broken", 1, "pprtool check"},
        {"Junk.SCR", "Junk.ppr", "junk", 9, "cannot read it as a profile"},
        {"Busy.SCR", "Busy.ppr", "busy", 10, "another update of this profile is running"},
        {"ReadOnly.SCR", "ReadOnly.ppr", "readonly", 2, "プリンタプロファイルの書き込みに失敗しました"},
        {"InTheWay.SCR", "InTheWay.ppr", "file", 11, "/file is not a folder"},
        {"Shut.SCR", "Shut.ppr", "shut", 11, "backup refused, nothing done: cannot write "},
        {"Made.SCR", "Made.ppr", "new/deeper", 0, "Backup: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.profile);
        if (std::string(c.folder) == "shut" && !shutIsShut) continue;
        const fs::path folder = scratch.Path() / c.folder;
        const std::vector<uint8_t> before = ReadFileBytes(work / c.profile);
        const std::vector<std::string> already = FileNames(folder);
        const std::vector<std::string> args = {"apply", (work / c.script).string(), (work / c.profile).string(),
                                               "--backup", folder.string()};
        const RunResult run = RunPprtool(scratch, args);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_TRUE(Contains(run.status == 0 ? run.out : run.err, c.says)) << run.out << run.err;
        EXPECT_EQ(Leftovers(work) + Leftovers(folder), 0);
        const std::vector<std::string> after = FileNames(folder);
        if (c.status != 0) {
            EXPECT_TRUE(ReadFileBytes(work / c.profile) == before);
            EXPECT_EQ(after, already) << "a backup of a profile the update did not replace";
            continue;
        }
        ASSERT_EQ(after.size(), 1u);
        EXPECT_TRUE(ReadFileBytes(folder / after[0]) == before);
        EXPECT_FALSE(ReadFileBytes(work / c.profile) == before);
    }
    EXPECT_FALSE(fs::exists(scratch.Path() / "names"));
    EXPECT_EQ(ReadFileText(scratch.Path() / "file"), "in the way");

    // The report says where the backup went, or that none was kept.
    fs::copy_file(work / "PrinterA.ppr", work / "Json.ppr");
    fs::copy_file(work / "PrinterA.SCR", work / "Json.SCR");
    fs::permissions(work / "Json.ppr", fs::perms::owner_read);
    const std::string json = (scratch.Path() / "json").string();
    const RunResult failed = RunPprtool(
        scratch, {"apply", (work / "Json.SCR").string(), (work / "Json.ppr").string(), "--backup", json, "--json"});
    EXPECT_EQ(failed.status, 2);
    EXPECT_TRUE(Contains(failed.out, "\"backup\": null,\n  \"outcome\": \"write failed\"")) << failed.out;
    fs::permissions(work / "Json.ppr", fs::perms::owner_read | fs::perms::owner_write);
    const RunResult done = RunPprtool(
        scratch, {"apply", (work / "Json.SCR").string(), (work / "Json.ppr").string(), "--backup", json, "--json"});
    EXPECT_EQ(done.status, 0);
    EXPECT_TRUE(Contains(done.out, "\"backup\": \"" + json + "/Json.")) << done.out;
    fs::permissions(scratch.Path() / "shut", fs::perms::owner_all);
}

// restore puts a backup back in one step: the profile holds the backup's
// bytes and keeps its owner and mode, what a killed update left beside it
// goes, and the changes print as diff prints them.
TEST(Pprtool, RestorePutsTheBackupBackByteForByteKeepingOwnerAndMode) {
    TempFolder scratch;
    const fs::path work = scratch.Path() / "print shop", backups = scratch.Path() / "backups";
    CopySample(work);
    const std::string profile = (work / "PrinterA.ppr").string();
    const std::vector<uint8_t> original = ReadFileBytes(profile);
    ASSERT_EQ(
        RunPprtool(scratch, {"apply", (work / "PrinterA.SCR").string(), profile, "--backup", backups.string()}).status,
        0);
    ASSERT_EQ(FileNames(backups).size(), 1u);
    const std::string backup = (backups / FileNames(backups)[0]).string();
    fs::permissions(profile, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    GiveToAnotherUser(profile);
    struct stat old {};
    ASSERT_EQ(stat(profile.c_str(), &old), 0);
    ASSERT_TRUE(WriteFileText(profile + ".~quillon.Ab12Cd", "a killed update's"));
    const RunResult diff = RunPprtool(scratch, {"diff", profile, backup});
    ASSERT_EQ(diff.status, 1);

    const RunResult run = RunPprtool(scratch, {"restore", backup, profile});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, diff.out + profile + " restored from " + backup + "\n");
    EXPECT_TRUE(run.err.empty()) << run.err;
    EXPECT_TRUE(ReadFileBytes(profile) == original);
    EXPECT_TRUE(ReadFileBytes(backup) == original);
    struct stat now {};
    ASSERT_EQ(stat(profile.c_str(), &now), 0);
    EXPECT_EQ(now.st_mode, old.st_mode);
    EXPECT_EQ(now.st_uid, old.st_uid);
    EXPECT_EQ(now.st_gid, old.st_gid);
    EXPECT_EQ(Leftovers(work), 0);

    // Restored twice: already equal, said so, and the file is not replaced.
    const RunResult again = RunPprtool(scratch, {"restore", backup, profile, "--json"});
    EXPECT_EQ(again.status, 0) << again.err;
    for (const std::string& part : {"\"profile\": \"" + profile + "\",\n  \"backup\": \"" + backup +
                                        "\",\n  \"outcome\": \"identical\",\n  \"changes\": {",
                                    std::string("\"status\": 0\n}")})
        EXPECT_TRUE(Contains(again.out, part)) << part << "\n" << again.out;
    struct stat same {};
    ASSERT_EQ(stat(profile.c_str(), &same), 0);
    EXPECT_EQ(same.st_ino, now.st_ino);
    EXPECT_TRUE(Contains(RunPprtool(scratch, {"restore", backup, profile}).out, "already holds"));
}

TEST(Pprtool, RestoreRefusesWhatItCannotPutBackAndTouchesNothing) {
    TempFolder scratch;
    const fs::path work = scratch.Path() / "w";
    CopySample(work);
    const std::vector<uint8_t> good = DumpedProfile().FileImage();
    std::vector<uint8_t> longer = good;
    longer.push_back(0);
    ASSERT_TRUE(WriteFileBytes(work / "good.ppr", good));
    ASSERT_TRUE(WriteFileBytes(work / "short.ppr", std::vector<uint8_t>(good.begin(), good.end() - 1)));
    ASSERT_TRUE(WriteFileBytes(work / "long.ppr", longer));
    ASSERT_TRUE(WriteFileText(work / "notes.ppr", "not a profile"));
    fs::copy_file(work / "PrinterA.ppr", work / "ReadOnly.ppr");
    fs::permissions(work / "ReadOnly.ppr", fs::perms::owner_read);
    fs::copy_file(work / "PrinterA.ppr", work / "Busy.ppr");
    fs::create_directories(work / "Folder.ppr");
    fs::copy_file(work / "PrinterA.ppr", work / "NoLock.ppr");
    ProcessLock held;
    ASSERT_EQ(LockProfile(Utf8ToUtf16((work / "Busy.ppr").string()).c_str(), held), ProcessLock::Outcome::Acquired);

    const struct {
        const char* backup;
        const char* profile;
        int status;
        const char* outcome;
        const char* says;
    } cases[] = {
        {"notes.ppr", "PrinterA.ppr", 2, "backup unreadable", "notes.ppr is not a profile"},
        {"short.ppr", "PrinterA.ppr", 2, "backup unreadable", "but its counts"},  // one byte below its size
        {"long.ppr", "PrinterA.ppr", 2, "backup unreadable", "but its counts"},   // one byte above
        {"none.ppr", "PrinterA.ppr", 2, "backup unreadable", "none.ppr: cannot open the file"},
        {"good.ppr", "None.ppr", 2, "write failed", "None.ppr: no such file; nothing restored"},
        {"good.ppr", "Folder.ppr", 2, "write failed", "Folder.ppr: not a regular file"},
        {"good.ppr", "ReadOnly.ppr", 2, "write failed", "ReadOnly.ppr: cannot write the file; it is left as it was"},
        {"good.ppr", "Busy.ppr", 10, "profile busy", "Busy.ppr: another update of this profile is running"},
        {"good.ppr", "NoLock.ppr", 10, "profile busy", "NoLock.ppr: the profile's lock cannot be taken"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.backup) + " over " + c.profile);
        std::optional<ScopedEnvironment> lockFolder;  // none there: no lock can be made
        if (std::string(c.profile) == "NoLock.ppr") lockFolder.emplace("QUILLON_LOCK_DIR", (work / "none").c_str());
        const std::string backup = (work / c.backup).string(), profile = (work / c.profile).string();
        auto contents = [&] { return fs::is_regular_file(profile) ? ReadFileBytes(profile) : std::vector<uint8_t>{}; };
        const std::vector<uint8_t> before = contents();
        const std::vector<std::string> files = FileNames(work);
        const RunResult run = RunPprtool(scratch, {"restore", backup, profile});
        EXPECT_EQ(run.status, c.status);
        EXPECT_TRUE(Contains(run.err, c.says)) << run.err;
        EXPECT_TRUE(run.out.empty()) << run.out;
        const RunResult json = RunPprtool(scratch, {"restore", backup, profile, "--json"});
        EXPECT_EQ(json.status, c.status);
        EXPECT_TRUE(Contains(json.out, "\"outcome\": \"" + std::string(c.outcome) + "\",\n  \"error\": ")) << json.out;
        EXPECT_TRUE(Contains(json.out, "\"status\": " + std::to_string(c.status))) << json.out;
        EXPECT_TRUE(contents() == before);
        EXPECT_EQ(FileNames(work), files);
    }
    // At its size exactly the same backup is put back, also over a profile
    // that is no longer one.
    ASSERT_TRUE(WriteFileText(work / "PrinterA.ppr", "damaged"));
    const RunResult repaired =
        RunPprtool(scratch, {"restore", (work / "good.ppr").string(), (work / "PrinterA.ppr").string()});
    EXPECT_EQ(repaired.status, 0) << repaired.err;
    EXPECT_TRUE(Contains(repaired.out, "PrinterA.ppr is not a profile: it is 7 bytes long")) << repaired.out;
    EXPECT_TRUE(Contains(repaired.out, "; its rows cannot be compared\n" + work.string() + "/PrinterA.ppr restored"))
        << repaired.out;
    EXPECT_TRUE(ReadFileBytes(work / "PrinterA.ppr") == good);
}

TEST(Pprtool, PlanAndApplyEndAsQuillonEndsAndPlanWritesNothing) {
    TempFolder scratch;
    const fs::path work = scratch.Path() / "w";
    CopySample(work);
    ASSERT_TRUE(WriteFileText(work / "Other.SCR", "[Tessera PPR Version],3.0\n[QUILLON_START]\n"));
    ASSERT_TRUE(WriteFileText(work / "Broken.SCR", "[Tessera PPR Version],3.1\n"));
    ASSERT_TRUE(WriteFileText(work / "Broken.ppr", "not a profile"));
    ASSERT_TRUE(WriteFileText(work / "Empty.SCR", "[Tessera PPR Version],3.0\n"));
    fs::copy_file(work / "PrinterA.ppr", work / "Empty.ppr");
    fs::copy_file(work / "PrinterA.SCR", work / "Locked.SCR");
    fs::copy_file(work / "PrinterA.ppr", work / "Locked.ppr");
    fs::permissions(work / "Locked.ppr", fs::perms::owner_read);
    fs::copy_file(work / "PrinterA.SCR", work / "Junk.SCR");
    ASSERT_TRUE(WriteFileText(work / "Junk.ppr", "not a profile"));
    const auto at = [&](const char* name) { return (work / name).string(); };
    ASSERT_TRUE(WriteFileText(work / "Repeat.SCR",
                              "[Tessera PPR Version],3.0\n[QUILLON_START]\n[PPR_Index],INKTAB,3\nCyan,1,0\ncyan,2,0\n"
                              "CYAN,3,0\n[QUILLON_END]\n"));
    fs::copy_file(work / "PrinterA.ppr", work / "Repeat.ppr");
    const struct {
        const char* script;
        const char* profile;
        int status;
        std::string planSays;
    } cases[] = {
        {"PrinterA.SCR", "Other.ppr", 1, "different base names"},
        {"Broken.SCR", "Broken.ppr", 1, "pprtool check"},  // the script does not parse
        {"None.SCR", "None.ppr", 1, "スクリプトファイルのオープンに失敗しました"},
        {"Empty.SCR", "Empty.ppr", 0, "no changes"},  // no rows: nothing written
        {"Junk.SCR", "Junk.ppr", 9, "Junk.ppr: the print system's library cannot read it as a profile"},
        {"Locked.SCR", "Locked.ppr", 2, "プリンタプロファイルの書き込みに失敗しました"},
        {"Repeat.SCR", "Repeat.ppr", 0,
         "pprtool: " + at("Repeat.SCR") +
             ": 2 row(s) repeat the key of an earlier row in their block: a second run would change the profile "
             "again (pprtool check " +
             at("Repeat.SCR") + " says where)\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        const std::vector<uint8_t> before = ReadFileBytes(work / c.profile);
        const RunResult plan = RunPprtool(scratch, {"plan", at(c.script), at(c.profile)});
        EXPECT_EQ(plan.status, c.status);
        EXPECT_TRUE(Contains(plan.out + plan.err, c.planSays)) << plan.out << plan.err;
        // Said once per script, and only of a script that repeats a key.
        const std::size_t repeats = plan.err.find("repeat the key");
        EXPECT_EQ(repeats != std::string::npos, std::string(c.script) == "Repeat.SCR") << plan.err;
        EXPECT_EQ(plan.err.find("repeat the key", repeats + 1), std::string::npos) << plan.err;
        EXPECT_TRUE(ReadFileBytes(work / c.profile) == before);
        const RunResult apply = RunPprtool(scratch, {"apply", at(c.script), at(c.profile)});
        EXPECT_EQ(apply.status, c.status) << apply.err;
        EXPECT_TRUE(ReadFileBytes(work / c.profile) == before || c.status == 0);
        if (c.status == 1) {
            EXPECT_TRUE(Contains(apply.err, "スクリプトファイルが無いか")) << apply.err;
        }
    }
    EXPECT_FALSE(fs::exists(scratch.Path() / "tovrel.log") &&
                 Contains(ReadFileText(scratch.Path() / "tovrel.log"), "pprtool-plan"))
        << "plan logged its temporary file";
}

namespace {

// A script written in UTF-8 here, saved as CP932 with LF or CR LF line ends.
std::string Cp932Script(const std::string& utf8, bool crlf) {
    std::string bytes;
    EXPECT_TRUE(Utf16ToCp932(Utf8ToUtf16(utf8), bytes)) << utf8;
    if (!crlf) return bytes;
    std::string out;
    for (char c : bytes) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

}  // namespace

TEST(PprtoolCheck, NamesTheLineAndReasonOfEveryFailureAndDoubtfulLine) {
    const std::string head = "[Tessera PPR Version],3.0\n[QUILLON_START]\n";
    const std::string name260(260, 'n'), file256(256, 'f');
    const std::string corrections = "1,1,普通紙,標準,1,1,PrinterA_PL,普通紙用,,1.0,1,2,3,4,5,6,7,8,9,10,0x20,0\n";
    const auto correction = [](const std::string& keys, const std::string& levels) {
        return keys + "," + levels + ",PrinterA_GL,光沢紙用,,1.0,1,2,3,4,5,6,7,8,9,10,0x20,0\n";
    };
    const std::string secondRun = ": once an update has appended line ";
    const struct {
        const char* file;
        std::string script;  // UTF-8, saved as CP932 ...
        bool raw;            // ... unless it must stay as written
        int status;
        std::string expected;  // the lines of the report, each "LINE: kind: " and a piece of its reason
    } cases[] = {
        {"Clean.SCR",
         head + "[PPR_Index],INKTAB,2\nシアン,0x0000C100,1\n#comment\nライトシアン,C004,0\n[QUILLON_END]\n", false, 0,
         ""},
        {"Empty.SCR", "", false, 2, ": error: the script is empty"},
        {"Comment.SCR", "#first\n" + head, false, 2, ":1: error: the first line must be \"[Tessera PPR Version],3.0\""},
        {"Version.SCR", "[Tessera PPR Version],3.1\n", false, 2, ":1: error: the version must read 3.0"},
        {"Start.SCR", "[Tessera PPR Version],3.0\n#c\n[PPR_Index],INKTAB,1\n", false, 2,
         ":3: error: expected \"[QUILLON_START]\""},
        {"Header.SCR", head + "[PPR_Index],INKTAB\n", false, 2, ":3: error: a table header needs 3 fields"},
        {"Count.SCR", head + "[PPR_Index],INKTABB,0\n", false, 2, ":3: error: the row count (field 3"},
        {"Short.SCR", head + "[PPR_Index],INKTAB,2\nシアン,1,0\n[QUILLON_END]\n", false, 2,
         ":5: error: \"[QUILLON_END]\" while INKTAB still expects 1 more row(s)"},
        {"Cut.SCR", head + "[PPR_Index],MEDIATAB,3\n普通紙,1,0\n", false, 2,
         ":4: error: the script ends while MEDIATAB still expects 2 of its 3 row(s)"},
        {"Key.SCR", head + "[PPR_Index],COLORTYPE,1\n0x10,2,0,0\n", false, 2,
         ":4: error: COLORTYPE field 1 (typeCode) must be a decimal integer of at least 1; found \"0x10\""},
        {"Long.SCR", head + "[PPR_Index],INKTAB,1\n" + name260 + ",1,0\n", false, 2,
         ":4: error: INKTAB field 1 (name) has 260 characters; at most 259 fit"},
        {"File.SCR", head + "[PPR_Index],CORRECTTAB,1\n1,1,a,b,1,1," + file256 + ",t,,1,1,2,3,4,5,6,7,8,9,10,0,0\n",
         false, 2, ":4: error: CORRECTTAB field 7 (colorFile) has 256 characters; at most 255 fit"},
        {"Bytes.SCR", head + "[PPR_Index],INKTAB,1\n\x81\x20,1,0\n", true, 2,
         ":4: error: bytes that are not code page 932 text"},
        {"Bom.SCR", "\xEF\xBB\xBF" + head, true, 2,
         ":1: warning: the script begins with a byte-order mark\n:1: error: bytes that are not code page 932"},
        {"Utf8.SCR", head + "[PPR_Index],INKTAB,1\nシアン,1,0\n", true, 1, ":4: warning: the line reads as UTF-8 text"},
        {"Fields.SCR", head + "[PPR_Index],INKTAB,2\nシアン，1,0\nマゼンタ,1,0,0\n", false, 1,
         ":4: warning: INKTAB rows have 3 fields, this line has 2: its row stays zero, which the update appends as a "
         "blank row (or merges into a profile row whose key is 0 or an empty name) (a full-width comma \"，\" does not "
         "separate fields)"
         "\n:5: warning: INKTAB rows have 3 fields, this line has 4"},
        {"Blank.SCR", head + "[PPR_Index],RESOLTAB,2\n720,720,1,1,0,0\n\n", false, 1,
         ":5: warning: a blank line inside the RESOLTAB block counts as one of its rows: its row stays zero, which "
         "the update never appends"},
        {"Unknown.SCR", head + "[PPR_Index],INKTABS,2\nシアン,1,0\nマゼンタ,1,0\nstray\n", false, 1,
         ":3: warning: unknown table \"INKTABS\"; its block of 2 row(s) is passed over\n"
         ":6: warning: passed over, not inside a table block: \"stray\""},
        {"Twice.SCR", head + "[PPR_Index],INKTAB,1\nシアン,1,0\n[PPR_Index],inktab,1\nマゼンタ,1,0\n", false, 1,
         ":5: warning: a second INKTAB block replaces the one at line 3"},
        {"Digits.SCR", head + "[PPR_Index],RESOLTAB,1x\n72O,720,1,1,0,zz\n", false, 1,
         ":3: warning: the row count: the characters after the number in \"1x\" are ignored\n"
         ":4: warning: RESOLTAB field 1 (res1): the characters after the number in \"72O\" are ignored\n"
         ":4: warning: RESOLTAB field 6 (param2) holds no number, \"zz\": it reads 0"},
        {"Marks.SCR",
         head +
             "[PPR_Index],COLORTYPE,1\n379,2,0,0\n[PPR_Index],BITSPPTAB,1\n123,0,0\n[PPR_Index],RESOLTAB,1\n"
             "65536,1,1,1,0,0\n[PPR_Index],CORRECTTAB,1\n65536" +
             corrections.substr(1),
         false, 1,
         ":4: warning: COLORTYPE field 1 (typeCode) \"379\" is stored as 123, the mark of a row already merged\n"
         ":6: warning: BITSPPTAB field 1 (bppKey) \"123\" is stored as 123\n"
         ":8: warning: RESOLTAB field 1 (res1) \"65536\" is stored as 0 (its low 16 bits)\n"
         ":10: warning: CORRECTTAB field 1 (key1) \"65536\" is stored as 0"},
        {".SCR", head, false, 1, ": warning: the file name gives no printer name"},
        // A key repeated in its block, as the merge matches keys, after a row
        // the merge appends, with values a match would take over.
        {"Repeat.SCR",
         head + "[PPR_Index],COLORTYPE,5\n3,9,0x00000001,0\n4,8,0,0\n#c\n3,9,0x00000002,0\n123,8,0,0\n5,9,0,0\n", false,
         1,
         ":8: warning: COLORTYPE field 1 (typeCode) \"123\" is stored as 123\n"
         ":7: warning: COLORTYPE row repeats the key (typeKey 9) of line 4: once an update has appended line 4 to a "
         "profile without the key, a second run would change the profile again\n"
         ":8: warning: COLORTYPE row repeats the key (typeKey 8) of line 5" +
             secondRun + "5\n:9: warning: COLORTYPE row repeats the key (typeKey 9) of line 4" + secondRun + "4"},
        {"Keys.SCR",
         head +
             "[PPR_Index],RESOLTAB,3\n720,720,1,1,0,0\n720,720,1,2,0,0\n720,720,1,1,5,5\n[PPR_Index],INKTAB,2\n"
             "Cyan,1,0\nCYAN,2,0\n[PPR_Index],MEDIATAB,2\n普通紙,1,0\n普通紙,2,0\n[PPR_Index],BITSPPTAB,2\n4,1,0\n"
             "4,2,0\n[PPR_Index],CORRECTTAB,4\n" +
             correction("1,1,Glossy,Fine", "1,1") + correction("1,1,GLOSSY,fine", "2,1") +
             correction("1,1,Glossy,Fine", "1,2") + correction("2,1,Glossy,Fine", "1,1"),
         false, 1,
         ":6: warning: RESOLTAB row repeats the key (res1 720, res2 720, res3 1, res4 1) of line 4" + secondRun +
             "4\n:9: warning: INKTAB row repeats the key (name \"CYAN\") of line 8" + secondRun +
             "8\n:12: warning: MEDIATAB row repeats the key (name \"普通紙\") of line 11" + secondRun +
             "11\n:15: warning: BITSPPTAB row repeats the key (bppKey 4) of line 14" + secondRun +
             "14\n:18: warning: CORRECTTAB row repeats the key (key1 1, key2 1, name1 \"GLOSSY\", name2 \"fine\", "
             "level2 1) of line 17" +
             secondRun + "17"},
        // Not warned: a row after a marked one (never appended), rows whose
        // key holds the mark, and repeats a match would take over unchanged.
        {"Unchanged.SCR",
         head + "[PPR_Index],COLORTYPE,3\n123,9,0,0\n1,9,0,0\n1,9,0,0\n[PPR_Index],BITSPPTAB,2\n123,1,0\n123,2,0\n"
                "[PPR_Index],RESOLTAB,4\n65536,1,1,1,0,0\n65536,1,1,1,5,5\n\n\n[PPR_Index],INKTAB,2\nCyan,1,0\n"
                "CYAN,1,0\n",
         false, 1,
         ":4: warning: COLORTYPE field 1 (typeCode) \"123\" is stored as 123\n"
         ":8: warning: BITSPPTAB field 1 (bppKey) \"123\" is stored as 123\n"
         ":9: warning: BITSPPTAB field 1 (bppKey) \"123\" is stored as 123\n"
         ":11: warning: RESOLTAB field 1 (res1) \"65536\" is stored as 0\n"
         ":12: warning: RESOLTAB field 1 (res1) \"65536\" is stored as 0\n"
         ":13: warning: a blank line inside the RESOLTAB block\n:14: warning: a blank line inside the RESOLTAB block"},
        {"Blocks.SCR",
         head + "[PPR_Index],INKTAB,1\nCyan,1,0\n[PPR_Index],MEDIATAB,1\nCyan,1,0\n[PPR_Index],INKTAB,1\ncyan,2,0\n",
         false, 1, ":7: warning: a second INKTAB block replaces the one at line 3"},
        {"Failing.SCR", head + "[PPR_Index],INKTAB,2\nCyan,1,0\ncyan,1,0\n[PPR_Index],COLORTYPE,1\n0,1,0,0\n", false, 2,
         ":7: error: COLORTYPE field 1 (typeCode) must be a decimal integer of at least 1"},
    };
    TempFolder scratch;
    for (const bool crlf : {false, true}) {
        std::vector<std::string> all;
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.file) + (crlf ? " CR LF" : " LF"));
            const std::string path = scratch / c.file;
            ASSERT_TRUE(WriteFileText(path, c.raw ? c.script : Cp932Script(c.script, crlf)));
            all.push_back(path);
            const RunResult run = RunPprtool(scratch, {"check", path});
            EXPECT_EQ(run.status, c.status) << run.out << run.err;
            std::vector<std::string> lines, wanted;
            for (std::size_t at = 0, next; at < run.out.size(); at = next + 1) {
                next = run.out.find('\n', at);
                lines.push_back(run.out.substr(at, next - at));
            }
            for (std::size_t at = 0, next; at < c.expected.size(); at = next + 1) {
                next = std::min(c.expected.find('\n', at), c.expected.size());
                wanted.push_back(path + c.expected.substr(at, next - at));
            }
            ASSERT_EQ(lines.size(), wanted.size()) << run.out;
            for (std::size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i].rfind(wanted[i], 0), 0u) << lines[i];
        }
        // Several scripts at once: the worst of them decides.
        EXPECT_EQ(RunPprtool(scratch, {"check", all[0], all[14]}).status, 1);
        EXPECT_EQ(RunPprtool(scratch, {"check", all[14], all[1], all[0]}).status, 2);
    }
    const RunResult missing = RunPprtool(scratch, {"check", scratch / "None.SCR"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.out, scratch / "None.SCR" + ": error: cannot open the script\n");
    EXPECT_TRUE(missing.err.empty()) << "no message box text: " << missing.err;
}

// The examples of docs/script-format.md are files in code page 932 that check
// clean, and the document shows each of them and what plan prints for it.
TEST(PprtoolCheck, TheScriptFormatExamplesCheckCleanAndPlanAsDocumented) {
    const std::string doc = ReadFileText(QUILLON_SOURCE_DIR "/docs/script-format.md");
    ASSERT_FALSE(doc.empty());
    TempFolder scratch;
    int examples = 0;
    for (const auto& entry : fs::directory_iterator(QUILLON_SOURCE_DIR "/docs/examples")) {
        SCOPED_TRACE(entry.path().filename().string());
        ++examples;
        const std::string bytes = ReadFileText(entry.path());
        EXPECT_TRUE(Contains(doc, "```\n" + Utf16ToUtf8(Cp932ToUtf16(bytes)) + "```\n"));
        EXPECT_EQ(RunPprtool(scratch, {"check", entry.path().string()}).status, 0);
        ASSERT_TRUE(WriteFileText(scratch / "PrinterA.SCR", bytes));
        fs::copy_file(QUILLON_SAMPLE_DIR "/printsys/copypool/PrinterA.ppr", scratch.Path() / "PrinterA.ppr",
                      fs::copy_options::overwrite_existing);
        const RunResult plan = RunPprtool(scratch, {"plan", scratch / "PrinterA.SCR", scratch / "PrinterA.ppr"});
        EXPECT_EQ(plan.status, 0);
        EXPECT_TRUE(Contains(doc, "prints:\n\n```\n" + plan.out + "```\n")) << plan.out;
    }
    EXPECT_EQ(examples, 6);
}
