#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "engine/merge.h"
#include "platform/text.h"
#include "profile/header_codec.h"
#include "res/resource.h"
#include "support/dialog_state.h"
#include "support/fake_tovrel.h"
#include "support/profile_builder.h"
#include "support/recording_message_host.h"
#include "support/silent_mode_model.h"
#include "support/temp_folder.h"
#include "ui/quillon_dlg.h"

namespace {

class UpdatePrinterProfilesTest : public ::testing::Test {
protected:
    // A profile file path in the temp folder, as silent mode names it.
    std::u16string PathOf(const std::string& name) { return Utf8ToUtf16(folder / name); }

    // One script for the profile at `path` (silent mode pairs by path).
    ScriptRecord& ScriptFor(int index, const std::u16string& path) {
        ScriptRecord& record = dlg.m_pScripts[index];
        CopyText(record.printerName, kTextUnits, path);
        return record;
    }

    // Runs the silent merge and returns the file written at `path`.
    std::vector<uint8_t> RunAndRead(const std::u16string& path) {
        result = dlg.UpdatePrinterProfiles(1);
        return ReadFileBytes(Utf16ToUtf8(path));
    }

    static TestProfile BaseProfile() {
        TestProfile p;
        SetDeviceName(p.header, "Printer A");
        p.header.opaque[0] = 0xA5;
        p.header.nextInkId = 40;
        p.header.nextMediaId = 70;
        return p;
    }

    FakeTovrel lib;
    ScopedRecordingHost host;
    TempFolder folder;
    CQuillonDlg dlg;
    int result = -1;
};

TEST_F(UpdatePrinterProfilesTest, FirstOfSeveralMatchingRowsIsUpdated) {
    TestProfile profile = BaseProfile();
    profile.bitsPerPixels = {MakeBitsPerPixel(8, 1, 1), MakeBitsPerPixel(8, 2, 2)};
    const auto path = PathOf("p.ppr");
    PrepareArrays(dlg, 1);
    AddSlot(dlg, path, profile);
    SetScriptRows(ScriptFor(0, path), Table::BitsPerPixel, std::vector{MakeBitsPerPixel(8, 0xAA, 0xBB)});

    const auto written = RunAndRead(path);

    TestProfile expected = profile;
    expected.bitsPerPixels[0] = MakeBitsPerPixel(8, 0xAA, 0xBB);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(written, expected.FileImage());
    EXPECT_EQ(lib.mallocCalls, 0);  // every row matched: the block stays
}

TEST_F(UpdatePrinterProfilesTest, TwoScriptRowsWithOneKeyUpdateOneRowAndTheLaterWins) {
    TestProfile profile = BaseProfile();
    profile.inks = {MakeNamed(u"Cyan", 5, 1, 1)};
    const auto path = PathOf("p.ppr");
    PrepareArrays(dlg, 1);
    AddSlot(dlg, path, profile);
    SetScriptRows(ScriptFor(0, path), Table::Ink,
                  std::vector{MakeNamed(u"cyan", 0, 0x10, 0x11), MakeNamed(u"CYAN", 0, 0x20, 0x21)});

    const auto written = RunAndRead(path);

    TestProfile expected = profile;
    expected.inks[0] = MakeNamed(u"Cyan", 5, 0x20, 0x21);  // profile's spelling and id stay
    EXPECT_EQ(written, expected.FileImage());
}

TEST_F(UpdatePrinterProfilesTest, UnmatchedRowsAreAppendedInScriptOrderWithNewIds) {
    TestProfile profile = BaseProfile();
    profile.inks = {MakeNamed(u"Cyan", 5, 1, 1)};
    profile.media = {MakeNamed(u"Paper", 9, 1, 1)};
    const auto path = PathOf("p.ppr");
    PrepareArrays(dlg, 1);
    AddSlot(dlg, path, profile);
    ScriptRecord& script = ScriptFor(0, path);
    SetScriptRows(script, Table::Ink,
                  std::vector{MakeNamed(u"Gold", 0, 1, 2), MakeNamed(u"cyan", 0, 3, 4), MakeNamed(u"Gold", 0, 5, 6)});
    SetScriptRows(script, Table::Media, std::vector{MakeNamed(u"Film", 0, 7, 8)});

    const auto written = RunAndRead(path);

    TestProfile expected = profile;
    expected.inks = {MakeNamed(u"Cyan", 5, 3, 4), MakeNamed(u"Gold", 40, 1, 2), MakeNamed(u"Gold", 41, 5, 6)};
    expected.media = {MakeNamed(u"Paper", 9, 1, 1), MakeNamed(u"Film", 70, 7, 8)};
    expected.header.nextInkId = 42;
    expected.header.nextMediaId = 71;
    EXPECT_EQ(written, expected.FileImage());
}

TEST_F(UpdatePrinterProfilesTest, EmptyProfileTableReceivesAllScriptRows) {
    TestProfile profile = BaseProfile();
    const auto path = PathOf("p.ppr");
    PrepareArrays(dlg, 1);
    AddSlot(dlg, path, profile);
    const std::vector rows{MakeResolution(720, 720, 1, 1, 1, 2), MakeResolution(360, 360, 1, 1, 3, 4)};
    SetScriptRows(ScriptFor(0, path), Table::Resolution, rows);

    const auto written = RunAndRead(path);

    TestProfile expected = profile;
    expected.resolutions = rows;
    EXPECT_EQ(written, expected.FileImage());
    EXPECT_EQ(lib.mallocCalls, 1);
}

TEST_F(UpdatePrinterProfilesTest, ColorTypeMatchReplacesTheWholeRowByTypeKey) {
    TestProfile profile = BaseProfile();
    profile.colorTypes = {MakeColorType(1, 4, 1, 1)};
    profile.colorTypes[0].filler[0] = 0x77;  // delivered filler; the script row's zero filler replaces it
    const auto path = PathOf("p.ppr");
    PrepareArrays(dlg, 1);
    AddSlot(dlg, path, profile);
    SetScriptRows(ScriptFor(0, path), Table::ColorType, std::vector{MakeColorType(9, 4, 0xA, 0xB)});

    const auto written = RunAndRead(path);

    TestProfile expected = profile;
    expected.colorTypes = {MakeColorType(9, 4, 0xA, 0xB)};
    EXPECT_EQ(written, expected.FileImage());
}

TEST_F(UpdatePrinterProfilesTest, CorrectionLevel1IsNoPartOfTheKeyButNamesIgnoreCase) {
    TestProfile profile = BaseProfile();
    profile.corrections = {MakeCorrection(1, 2, u"Name", u"Other", 5, 6, u"old", u"t8", u"t9", 1.5f, 1, 1)};
    const auto path = PathOf("p.ppr");
    PrepareArrays(dlg, 1);
    AddSlot(dlg, path, profile);
    const CorrectionEntry update = MakeCorrection(1, 2, u"NAME", u"other", 99, 6, u"new", u"x", u"y", 2.5f, 7, 8);
    const CorrectionEntry differentLevel2 = MakeCorrection(1, 2, u"Name", u"Other", 5, 7, u"f", u"", u"", 0, 0, 0);
    SetScriptRows(ScriptFor(0, path), Table::Correction, std::vector{update, differentLevel2});

    const auto written = RunAndRead(path);

    TestProfile expected = profile;
    expected.corrections = {update, differentLevel2};
    EXPECT_EQ(written, expected.FileImage());
}

TEST_F(UpdatePrinterProfilesTest, RowsAlreadyHoldingTheirMarkAreNeverAppended) {
    TestProfile profile = BaseProfile();
    const auto path = PathOf("p.ppr");
    PrepareArrays(dlg, 1);
    AddSlot(dlg, path, profile);
    ScriptRecord& script = ScriptFor(0, path);
    // typeCode 123 and bppKey 123 are the mark; res1 0 and key1 0 are too.
    SetScriptRows(script, Table::ColorType, std::vector{MakeColorType(123, 1, 1, 1), MakeColorType(2, 2, 2, 2)});
    SetScriptRows(script, Table::BitsPerPixel, std::vector{MakeBitsPerPixel(123, 1, 1)});
    SetScriptRows(script, Table::Resolution, std::vector{ResolutionEntry{}, MakeResolution(3, 3, 3, 3, 3, 3)});
    SetScriptRows(script, Table::Correction, std::vector{CorrectionEntry{}});

    const auto written = RunAndRead(path);

    TestProfile expected = profile;
    expected.colorTypes = {MakeColorType(2, 2, 2, 2)};
    expected.resolutions = {MakeResolution(3, 3, 3, 3, 3, 3)};
    EXPECT_EQ(written, expected.FileImage());
}

TEST_F(UpdatePrinterProfilesTest, ScriptWithoutRowsWritesNothing) {
    const auto path = PathOf("p.ppr");
    PrepareArrays(dlg, 1);
    AddSlot(dlg, path, BaseProfile());
    ScriptFor(0, path);

    EXPECT_EQ(dlg.UpdatePrinterProfiles(1), 1);
    EXPECT_FALSE(std::filesystem::exists(Utf16ToUtf8(path)));
    EXPECT_TRUE(host.Messages().empty());
    EXPECT_EQ(lib.LiveBlocks(), 0u);
    EXPECT_EQ(dlg.m_pScripts, nullptr);  // the arrays are gone
}

TEST_F(UpdatePrinterProfilesTest, ScriptWithoutProfileIsPassedOverAndZeroSlotsNeverMatch) {
    // Record 0 has an empty name and no profile: the zero slot behind the
    // filled one must not take it.
    PrepareArrays(dlg, 2);
    const auto path = PathOf("p.ppr");
    AddSlot(dlg, path, BaseProfile());
    SetScriptRows(dlg.m_pScripts[0], Table::BitsPerPixel, std::vector{MakeBitsPerPixel(1, 1, 1)});
    SetScriptRows(ScriptFor(1, path), Table::BitsPerPixel, std::vector{MakeBitsPerPixel(2, 2, 2)});

    const auto written = RunAndRead(path);

    TestProfile expected = BaseProfile();
    expected.bitsPerPixels = {MakeBitsPerPixel(2, 2, 2)};
    EXPECT_EQ(written, expected.FileImage());
    EXPECT_TRUE(host.Messages().empty());
}

TEST_F(UpdatePrinterProfilesTest, WriteFailureShowsMessage110AndGoesOn) {
    PrepareArrays(dlg, 2);
    const std::u16string missing = PathOf("no-such-folder/p.ppr");
    const auto good = PathOf("q.ppr");
    AddSlot(dlg, missing, BaseProfile());
    AddSlot(dlg, good, BaseProfile());
    SetScriptRows(ScriptFor(0, missing), Table::BitsPerPixel, std::vector{MakeBitsPerPixel(1, 1, 1)});
    SetScriptRows(ScriptFor(1, good), Table::BitsPerPixel, std::vector{MakeBitsPerPixel(2, 2, 2)});

    const auto written = RunAndRead(good);

    EXPECT_EQ(result, 1);
    ASSERT_EQ(host.Messages().size(), 1u);
    EXPECT_EQ(host.Messages()[0].text, LoadResString(IDS_PROFILE_WRITE_FAILED));
    EXPECT_EQ(host.Messages()[0].caption, CString(u"Quillon"));
    EXPECT_EQ(host.Messages()[0].style, kMbOk | kMbIconExclamation);
    EXPECT_EQ(host.Messages()[0].owner, nullptr);
    EXPECT_EQ(dlg.m_nFailedWrites, 1);
    EXPECT_FALSE(written.empty());
    ASSERT_EQ(lib.logLines.size(), 1u);
    EXPECT_EQ(lib.logLines[0], "SetPrinterProfile:fopen error[" + Utf16ToUtf8(missing) + "]\n");
    EXPECT_EQ(lib.LiveBlocks(), 0u);
}

TEST_F(UpdatePrinterProfilesTest, CountPastItsFieldIsAWriteFailureNotAWrap) {
    TestProfile profile = BaseProfile();
    for (int k = 0; k < 127; ++k) profile.colorTypes.push_back(MakeColorType(1, static_cast<uint8_t>(k), 0, 0));
    PrepareArrays(dlg, 2);
    const auto full = PathOf("full.ppr");
    const auto other = PathOf("other.ppr");
    ASSERT_TRUE(WriteFileBytes(Utf16ToUtf8(full), profile.FileImage()));
    AddSlot(dlg, full, profile);
    AddSlot(dlg, other, BaseProfile());
    SetScriptRows(ScriptFor(0, full), Table::ColorType, std::vector{MakeColorType(1, 200, 0, 0)});
    SetScriptRows(ScriptFor(1, other), Table::ColorType, std::vector{MakeColorType(1, 200, 0, 0)});

    const auto written = RunAndRead(other);

    EXPECT_EQ(ReadFileBytes(Utf16ToUtf8(full)), profile.FileImage());  // untouched
    ASSERT_EQ(host.Messages().size(), 1u);
    EXPECT_EQ(host.Messages()[0].text, LoadResString(IDS_PROFILE_WRITE_FAILED));
    TestProfile expected = BaseProfile();
    expected.colorTypes = {MakeColorType(1, 200, 0, 0)};
    EXPECT_EQ(written, expected.FileImage());
    EXPECT_EQ(lib.LiveBlocks(), 0u);
}

TEST_F(UpdatePrinterProfilesTest, InteractiveWriteGoesToTheCopyPoolUnderThePrinterName) {
    lib.copyPool = Utf8ToUtf16(folder.Path().string());
    PrepareArrays(dlg, 1);
    AddSlot(dlg, u"Printer A", BaseProfile());
    ScriptRecord& script = dlg.m_pScripts[0];
    CopyText(script.printerName, kTextUnits, u"printer a");
    SetScriptRows(script, Table::BitsPerPixel, std::vector{MakeBitsPerPixel(1, 1, 1)});

    EXPECT_EQ(dlg.UpdatePrinterProfiles(0), 1);

    TestProfile expected = BaseProfile();
    expected.bitsPerPixels = {MakeBitsPerPixel(1, 1, 1)};
    EXPECT_EQ(ReadFileBytes(folder / "printer a.ppr"), expected.FileImage());
}

// The library's allocator failing at any of its calls stops the update at
// once: nothing is written, nothing leaks, and the result is 0.
TEST_F(UpdatePrinterProfilesTest, AllocatorFailingAtEachCallStopsCleanly) {
    const auto build = [&](CQuillonDlg& d, const std::u16string& first, const std::u16string& second) {
        TestProfile profile = BaseProfile();
        profile.inks = {MakeNamed(u"Cyan", 5, 1, 1)};
        PrepareArrays(d, 2);
        AddSlot(d, first, profile);
        AddSlot(d, second, profile);
        for (int i = 0; i < 2; ++i) {
            ScriptRecord& script = d.m_pScripts[i];
            CopyText(script.printerName, kTextUnits, i == 0 ? first : second);
            SetScriptRows(script, Table::Ink, std::vector{MakeNamed(u"New", 0, 1, 1)});
            SetScriptRows(script, Table::ColorType, std::vector{MakeColorType(1, 1, 1, 1)});
            SetScriptRows(script, Table::Correction,
                          std::vector{MakeCorrection(1, 1, u"a", u"b", 1, 1, u"f", u"", u"", 0, 0, 0)});
        }
    };
    // A clean run counts the calls: three tables grow in each of two profiles.
    {
        TempFolder clean;
        CQuillonDlg d;
        build(d, Utf8ToUtf16(clean / "a.ppr"), Utf8ToUtf16(clean / "b.ppr"));
        lib.FailRIPmallocAt(0);
        ASSERT_EQ(d.UpdatePrinterProfiles(1), 1);
        ASSERT_EQ(lib.mallocCalls, 6);
    }
    for (int failing = 1; failing <= 6; ++failing) {
        SCOPED_TRACE(failing);
        TempFolder run;
        const auto first = Utf8ToUtf16(run / "a.ppr");
        const auto second = Utf8ToUtf16(run / "b.ppr");
        CQuillonDlg d;
        build(d, first, second);
        lib.FailRIPmallocAt(failing);

        EXPECT_EQ(d.UpdatePrinterProfiles(1), 0);
        // The profile in work when memory ran out and every later one stay unwritten.
        EXPECT_EQ(std::filesystem::exists(Utf16ToUtf8(first)), failing > 3);
        EXPECT_FALSE(std::filesystem::exists(Utf16ToUtf8(second)));
        EXPECT_EQ(lib.LiveBlocks(), 0u);
        EXPECT_EQ(d.m_pScripts, nullptr);
        EXPECT_EQ(d.m_pProfiles, nullptr);
    }
    EXPECT_TRUE(host.Messages().empty());
}

// ------------------------------------------------------------ equivalence

// The indexed merge against the plain first-match scan of the silent-mode
// model, on generated profiles and scripts: small key pools give repeated
// keys within the profile and within the script, names come in several
// spellings (ASCII, Greek, Cyrillic, fullwidth, U+0130 and U+1E9E, which fold
// onto other letters), script rows may already hold their table's consumed
// mark, names may be empty or fill all 260 units without a terminator, and
// bytes behind a name's terminator are random. Small tables near their limit
// also overflow.
class MergeEquivalence {
public:
    explicit MergeEquivalence(uint32_t seed) : m_rng(seed) {}

    void Make(TestProfile& profile, TestProfile& script) {
        m_names = {u"", u"Cyan", u"cyan ", u"ΣΑΣ", u"ДОМ", u"ＡＢ", u"İx", u"ẞ", u"紙シアン"};
        for (std::u16string& name : m_names)
            if (Chance(30)) name = Spelling(name);
        std::generate(std::begin(profile.header.opaque), std::end(profile.header.opaque), [&] { return Byte(); });
        SetDeviceName(profile.header, "Printer");
        profile.header.nextInkId = Pick(-5, 100000);
        profile.header.nextMediaId = Pick(-5, 100000);
        const bool nearLimit = Chance(10);
        Fill(profile.colorTypes, nearLimit ? Pick(118, 127) : Pick(0, 12), [&] { return ColorType(); });
        Fill(script.colorTypes, Pick(0, 12), [&] { return ColorType(); });
        Fill(profile.resolutions, nearLimit ? Pick(118, 127) : Pick(0, 12), [&] { return Resolution(); });
        Fill(script.resolutions, Pick(0, 12), [&] { return Resolution(); });
        Fill(profile.inks, Pick(0, 14), [&] { return Named(); });
        Fill(script.inks, Pick(0, 14), [&] { return Named(); });
        Fill(profile.media, Pick(0, 6), [&] { return Named(); });
        Fill(script.media, Pick(0, 6), [&] { return Named(); });
        Fill(profile.bitsPerPixels, Pick(0, 10), [&] { return BitsPerPixel(); });
        Fill(script.bitsPerPixels, Pick(0, 10), [&] { return BitsPerPixel(); });
        Fill(profile.corrections, Pick(0, 10), [&] { return Correction(); });
        Fill(script.corrections, Pick(0, 10), [&] { return Correction(); });
    }

private:
    int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }
    bool Chance(int percent) { return Pick(0, 99) < percent; }
    uint8_t Byte() { return static_cast<uint8_t>(Pick(0, 255)); }

    template <class Row, class Make>
    void Fill(std::vector<Row>& rows, int count, Make make) {
        rows.clear();
        for (int i = 0; i < count; ++i) rows.push_back(make());
    }

    // Every row starts as random bytes: what lies outside the key must travel
    // as it is.
    template <class Row>
    Row Noise() {
        Row row;
        auto* bytes = reinterpret_cast<uint8_t*>(&row);
        for (std::size_t i = 0; i < sizeof row; i += 4) {
            const uint32_t word = m_rng();
            std::memcpy(bytes + i, &word, std::min<std::size_t>(4, sizeof row - i));
        }
        return row;
    }

    // The text with each letter's case flipped at random.
    std::u16string Spelling(std::u16string text) {
        for (char16_t& unit : text) {
            if (!Chance(50)) continue;
            if (unit >= u'a' && unit <= u'z')
                unit = static_cast<char16_t>(unit - 0x20);
            else if (unit >= u'A' && unit <= u'Z')
                unit = static_cast<char16_t>(unit + 0x20);
            else if (unit == u'İ')
                unit = u'I';  // all three fold to i
            else if (unit == u'ẞ')
                unit = u'ß';
            else if (unit >= 0x391 && unit <= 0x3A9)
                unit = static_cast<char16_t>(unit + 0x20);
            else if (unit >= 0x410 && unit <= 0x42F)
                unit = static_cast<char16_t>(unit + 0x20);
            else if (unit >= 0xFF21 && unit <= 0xFF3A)
                unit = static_cast<char16_t>(unit + 0x20);
        }
        return text;
    }

    void Name(char16_t (&field)[kTextUnits]) {
        if (Chance(3)) {  // all 260 units, no terminator
            for (char16_t& unit : field) unit = Chance(50) ? u'z' : u'Z';
            return;
        }
        const std::u16string text = Spelling(m_names[Pick(0, static_cast<int>(m_names.size()) - 1)]);
        std::copy(text.begin(), text.end(), field);
        field[text.size()] = 0;  // the bytes behind it stay random
    }

    ColorTypeEntry ColorType() {
        auto row = Noise<ColorTypeEntry>();
        row.typeKey = static_cast<uint8_t>(OneOf({1, 2, 3, 123, 0}));
        row.typeCode = static_cast<uint8_t>(OneOf({1, 5, 123, 0}));
        return row;
    }
    ResolutionEntry Resolution() {
        auto row = Noise<ResolutionEntry>();
        for (int16_t* part : {&row.res1, &row.res2, &row.res3, &row.res4})
            *part = static_cast<int16_t>(OneOf({0, 1, 720}));
        return row;
    }
    NamedEntry Named() {
        auto row = Noise<NamedEntry>();
        Name(row.name);
        row.id = OneOf({0, 0, 123, 7});
        return row;
    }
    BitsPerPixelEntry BitsPerPixel() {
        auto row = Noise<BitsPerPixelEntry>();
        row.bppKey = static_cast<uint8_t>(OneOf({1, 2, 8, 123}));
        return row;
    }
    CorrectionEntry Correction() {
        auto row = Noise<CorrectionEntry>();
        row.key1 = static_cast<int16_t>(OneOf({0, 1, 2}));
        row.key2 = static_cast<int16_t>(OneOf({1, 2}));
        row.level2 = static_cast<uint8_t>(OneOf({1, 2}));
        Name(row.name1);
        Name(row.name2);
        return row;
    }
    int OneOf(std::initializer_list<int> values) {
        return values.begin()[Pick(0, static_cast<int>(values.size()) - 1)];
    }

    std::mt19937 m_rng;
    std::vector<std::u16string> m_names;
};

// The file image of a merged header and its blocks.
std::vector<uint8_t> ImageOf(const ProfileHeader& header) {
    uint8_t head[kProfileHeaderSize];
    EncodeProfileHeader(header, head);
    std::vector<uint8_t> image(head, head + kProfileHeaderSize);
    for (Table table : kTablesInFileOrder) {
        const auto* rows = static_cast<const uint8_t*>(HeaderBlock(header, table));
        if (rows != nullptr) image.insert(image.end(), rows, rows + HeaderCount(header, table) * RowSize(table));
    }
    return image;
}

TEST(MergeScriptTables, GivesTheFirstMatchScanResultByteForByte) {
    constexpr uint32_t kCases = 5000;
    FakeTovrel lib;
    int overflows = 0;
    for (uint32_t seed = 1; seed <= kCases; ++seed) {
        TestProfile profile;
        TestProfile rows;
        MergeEquivalence(seed).Make(profile, rows);
        const auto expected = ModelMerge(profile.FileImage(), rows);

        WorkingData dlg;
        PrepareArrays(dlg, 1);
        AddSlot(dlg, u"p", profile);
        ScriptRecord& script = dlg.m_pScripts[0];
        ForEachTable(rows, [&](Table table, const auto& tableRows) { SetScriptRows(script, table, tableRows); });
        ProfileHeader& header = dlg.m_pProfiles[0].header;

        const MergeResult result = MergeScriptTables(header, script);

        ASSERT_EQ(result == MergeResult::Merged, expected.has_value()) << "seed " << seed;
        if (expected) {
            const std::vector<uint8_t> actual = ImageOf(header);
            ASSERT_EQ(actual, *expected) << "seed " << seed << "\n" << DescribeProfileDifference(*expected, actual);
        } else {
            ASSERT_EQ(result, MergeResult::CountOverflow) << "seed " << seed;
            ++overflows;
        }
        dlg.ReleaseWorkingData();
    }
    EXPECT_GT(overflows, 0);  // the limits were reached
    EXPECT_EQ(lib.LiveBlocks(), 0u);
}

}  // namespace
