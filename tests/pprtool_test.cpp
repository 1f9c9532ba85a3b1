#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/profile_builder.h"
#include "support/temp_folder.h"

namespace {

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs build/bin/pprtool with the arguments (each quoted for the shell).
RunResult RunPprtool(const TempFolder& scratch, const std::vector<std::string>& args) {
    std::string command = "'" QUILLON_BIN_DIR "/pprtool'";
    for (const std::string& arg : args) command += " '" + arg + "'";
    command += " >'" + (scratch / "out.txt") + "' 2>'" + (scratch / "err.txt") + "'";
    RunResult result;
    const int raw = std::system(command.c_str());
    if (raw != -1 && WIFEXITED(raw)) result.status = WEXITSTATUS(raw);
    const std::vector<uint8_t> out = ReadFileBytes(scratch / "out.txt");
    const std::vector<uint8_t> err = ReadFileBytes(scratch / "err.txt");
    result.out.assign(out.begin(), out.end());
    result.err.assign(err.begin(), err.end());
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

}  // namespace

TEST(Pprtool, DumpPrintsHeaderAndEveryRowByFieldName) {
    TempFolder scratch;
    ASSERT_TRUE(WriteFileBytes(scratch / "p.ppr", DumpedProfile().FileImage()));
    const RunResult run = RunPprtool(scratch, {"dump", scratch / "p.ppr"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string& out = run.out;
    EXPECT_TRUE(Contains(out, "deviceName: \"プリンタA\"\n")) << out;
    EXPECT_TRUE(Contains(out, "opaque: 03 00 00 00 00 A0\n"));
    EXPECT_TRUE(Contains(out, "colorTypeCount: 1\n"));
    EXPECT_TRUE(Contains(out, "nextInkId: 3\ninkCount: 2\nnextMediaId: 12\nmediaCount: 0\n"));
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
                         "text8=\"光沢紙用\" text9=\"\""));
    // Floats print so that they read back to the same single-precision value.
    EXPECT_TRUE(Contains(out, "scalar=0.100000001 series=1.10000002,2.0999999,"));
    EXPECT_TRUE(run.err.empty());
}

TEST(Pprtool, DumpOfAFileWhoseSizeDoesNotMatchItsCountsExitsWith2) {
    TempFolder scratch;
    std::vector<uint8_t> image = DumpedProfile().FileImage();
    image.push_back(0);
    ASSERT_TRUE(WriteFileBytes(scratch / "long.ppr", image));
    const RunResult run = RunPprtool(scratch, {"dump", scratch / "long.ppr"});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.out.empty());
    EXPECT_TRUE(Contains(run.err, "long.ppr")) << run.err;
}

TEST(Pprtool, DumpOfAMissingFileExitsWith2AndWrongUsageWith1) {
    TempFolder scratch;
    const RunResult missing = RunPprtool(scratch, {"dump", scratch / "none.ppr"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_TRUE(Contains(missing.err, "cannot open")) << missing.err;

    EXPECT_EQ(RunPprtool(scratch, {}).status, 1);
    EXPECT_EQ(RunPprtool(scratch, {"show", scratch / "none.ppr"}).status, 1);
}
