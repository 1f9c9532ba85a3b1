// The bundled sample print system that the README's main job uses, as the
// build puts it together (build/sample, its profile made by pprtool make from
// sample/printsys/copypool/PrinterA.json).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "devlib/tovrel.h"
#include "support/profile_builder.h"
#include "support/scoped_environment.h"

namespace {

const std::string kSampleRoot = QUILLON_SAMPLE_DIR "/printsys";
const std::string kSampleProfile = kSampleRoot + "/copypool/PrinterA.ppr";

// The profile of PrinterA before the sample script updates it.
TestProfile SampleProfile() {
    TestProfile p;
    const uint8_t opaque[6] = {0x03, 0x00, 0x00, 0x00, 0x01, 0x00};
    std::memcpy(p.header.opaque, opaque, sizeof opaque);
    SetDeviceName(p.header, "\x83\x76\x83\x8A\x83\x93\x83\x5E\x41");  // プリンタA
    p.header.nextInkId = 5;
    p.header.nextMediaId = 3;
    p.colorTypes = {MakeColorType(1, 1, 0x00000101, 0), MakeColorType(1, 2, 0x00000102, 0),
                    MakeColorType(2, 3, 0x00000203, 0x00000010)};
    p.colorTypes[0].filler[0] = 0xAB;  // bytes the update must carry along
    p.colorTypes[0].filler[1] = 0xCD;
    p.resolutions = {MakeResolution(360, 360, 1, 1, 0x00000001, 0), MakeResolution(720, 720, 1, 1, 0x00000002, 0),
                     MakeResolution(1440, 720, 2, 1, 0x00000004, 0x00000001)};
    p.inks = {MakeNamed(u"シアン", 1, 0x0000C000, 0), MakeNamed(u"マゼンタ", 2, 0x0000C001, 0),
              MakeNamed(u"イエロー", 3, 0x0000C002, 0), MakeNamed(u"ブラック", 4, 0x0000C003, 0)};
    p.media = {MakeNamed(u"普通紙", 1, 0x00000100, 0), MakeNamed(u"光沢紙", 2, 0x00000200, 0)};
    p.bitsPerPixels = {MakeBitsPerPixel(1, 0x00000001, 0), MakeBitsPerPixel(2, 0x00000002, 0)};
    p.corrections = {
        MakeCorrection(1, 1, u"Plain", u"Standard", 1, 1, u"PrinterA_PL", u"普通紙用", u"", 1.0f, 0, 0),
        MakeCorrection(1, 2, u"Glossy", u"Fine", 1, 2, u"PrinterA_GL", u"光沢紙用", u"", 1.25f, 0x00000010, 0)};
    return p;
}

}  // namespace

TEST(Sample, ProfileBuiltFromItsJsonIsTheOneTheTestsDescribe) {
    EXPECT_TRUE(ReadFileBytes(kSampleProfile) == SampleProfile().FileImage());
}

TEST(Sample, PrintSystemServesPrinterAWithItsProfile) {
    ScopedEnvironment root("TOVREL_ROOT", kSampleRoot.c_str());
    uint32_t needed = 0;
    int32_t count = 0;
    ASSERT_EQ(EnumOutputDevice(nullptr, 0, &needed, &count), 1);
    EXPECT_EQ(count, 2);
    std::vector<uint8_t> info(kDevInfoSize);
    ASSERT_EQ(GetRIPDevInfo("Device 1", info.data()), 1);
    EXPECT_STREQ(reinterpret_cast<const char*>(info.data() + kDevInfoPrinterNameOffset), "PrinterA");

    ProfileHeader header{};
    ASSERT_EQ(GetPrinterProfile(u"PrinterA", &header), 1);
    EXPECT_EQ(header.inkCount, 4);
    EXPECT_EQ(header.correctionCount, 2);
    ClearPrinterProfileWorkArea(&header);
}
