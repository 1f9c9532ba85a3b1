// The update script parser: SplitScriptLine and ParseUpdateScript. Scripts
// are written as CP932 bytes into a private temp folder.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <string>
#include <string_view>

#include "platform/afx.h"
#include "platform/files.h"
#include "platform/text.h"
#include "profile/records.h"
#include "profile/tables.h"
#include "res/resource.h"
#include "support/recording_message_host.h"
#include "ui/quillon_dlg.h"

namespace fs = std::filesystem;

namespace {

// The version line and the start marker that every script begins with.
constexpr std::string_view kHead = "[Tessera PPR Version],3.0\n[QUILLON_START]\n";

std::u16string Ascii(std::string_view text) { return std::u16string(text.begin(), text.end()); }

// A folder of its own under the system's temp folder, removed at the end.
class TempFolder {
public:
    TempFolder() {
        std::random_device random;
        for (;;) {
            m_path = fs::temp_directory_path() / ("quillon_parser_" + std::to_string(random()));
            if (fs::create_directory(m_path)) break;
        }
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    const fs::path& Path() const { return m_path; }

private:
    fs::path m_path;
};

CString PathText(const fs::path& path) { return CString(Utf8ToUtf16(path.string())); }

void FreeRows(ScriptRecord& record) {
    for (Table table : kTablesInFileOrder) std::free(ScriptRows(record, table));
    record = ScriptRecord{};
}

// A dialog that has a window, to see who owns its message boxes.
class DialogWithWindow : public CQuillonDlg {
public:
    explicit DialogWithWindow(HostWindow window) { m_hWnd = window; }
};

}  // namespace

class ParseUpdateScript : public ::testing::Test {
protected:
    ~ParseUpdateScript() override { FreeRows(record); }

    // Writes `bytes` as the script and parses it into a fresh `record`.
    int Parse(std::string_view bytes) {
        FreeRows(record);
        const fs::path path = WriteScript(bytes);
        return dlg.ParseUpdateScript(PathText(path), &record);
    }

    // Parses kHead followed by `body`.
    int ParseBody(std::string_view body) { return Parse(std::string(kHead) + std::string(body)); }

    fs::path WriteScript(std::string_view bytes) {
        const fs::path path = folder.Path() / "PRINTER.SCR";
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    TempFolder folder;
    ScopedRecordingHost messages;
    CQuillonDlg dlg;
    ScriptRecord record{};
};

// --- The whole script ---

TEST_F(ParseUpdateScript, ReadsTheExampleScriptWithTwoTables) {
    ASSERT_EQ(1, Parse("[Tessera PPR Version],3.0\n"
                       "#rows for one printer\n"
                       "[QUILLON_START]\n"
                       "[PPR_Index],INKTAB,2\n"
                       "N1,1F,0\n"
                       "N2,0x20,0\n"
                       "[PPR_Index],RESOLTAB,1\n"
                       "720,720,1,1,0,0\n"
                       "[QUILLON_END]\n"));
    ASSERT_EQ(2, record.inkCount);
    EXPECT_EQ(u"N1", std::u16string(record.inks[0].name));
    EXPECT_EQ(0x1Fu, record.inks[0].param1);
    EXPECT_EQ(0u, record.inks[0].param2);
    EXPECT_EQ(0, record.inks[0].id);
    EXPECT_EQ(u"N2", std::u16string(record.inks[1].name));
    EXPECT_EQ(0x20u, record.inks[1].param1);
    EXPECT_EQ(0, record.inks[1].id);

    ASSERT_EQ(1, record.resolutionCount);
    const ResolutionEntry& res = record.resolutions[0];
    EXPECT_EQ(720, res.res1);
    EXPECT_EQ(720, res.res2);
    EXPECT_EQ(1, res.res3);
    EXPECT_EQ(1, res.res4);
    EXPECT_EQ(0u, res.param1);
    EXPECT_EQ(0u, res.param2);

    for (Table table : {Table::ColorType, Table::Media, Table::BitsPerPixel, Table::Correction}) {
        EXPECT_EQ(0, ScriptCount(record, table)) << Utf16ToUtf8(TableName(table));
        EXPECT_EQ(nullptr, ScriptRows(record, table)) << Utf16ToUtf8(TableName(table));
    }
    EXPECT_EQ(u"", std::u16string(record.printerName));  // the caller's business
    EXPECT_TRUE(messages.Messages().empty());
}

TEST_F(ParseUpdateScript, FillsEverySixTablesInOneScript) {
    ASSERT_EQ(1, ParseBody("[PPR_Index],COLORTYPE,1\n2,3,a,b\n"
                           "[PPR_Index],RESOLTAB,1\n1,2,3,4,5,6\n"
                           "[PPR_Index],INKTAB,1\nInk,1,2\n"
                           "[PPR_Index],MEDIATAB,1\nPaper,3,4\n"
                           "[PPR_Index],BITSPPTAB,1\n8,ff,ee\n"
                           "[PPR_Index],CORRECTTAB,1\n1,2,n1,n2,3,4,f,t8,t9,1,2,3,4,5,6,7,8,9,10,11,c,d\n"
                           "[QUILLON_END]\n"));
    for (Table table : kTablesInFileOrder) EXPECT_EQ(1, ScriptCount(record, table)) << Utf16ToUtf8(TableName(table));
    EXPECT_EQ(2, record.colorTypes[0].typeCode);
    EXPECT_EQ(3, record.colorTypes[0].typeKey);
    EXPECT_EQ(0xAu, record.colorTypes[0].param1);
    EXPECT_EQ(0xBu, record.colorTypes[0].param2);
    EXPECT_EQ(4, record.resolutions[0].res4);
    EXPECT_EQ(6u, record.resolutions[0].param2);
    EXPECT_EQ(u"Paper", std::u16string(record.media[0].name));
    EXPECT_EQ(4u, record.media[0].param2);
    EXPECT_EQ(8, record.bitsPerPixels[0].bppKey);
    EXPECT_EQ(0xFFu, record.bitsPerPixels[0].param1);
    EXPECT_EQ(0xEEu, record.bitsPerPixels[0].param2);
    EXPECT_EQ(0xDu, record.corrections[0].param2);
}

TEST_F(ParseUpdateScript, VersionLineAloneOrWithCommentsSucceedsWithNoTables) {
    for (std::string_view script :
         {"[Tessera PPR Version],3.0\n", "[Tessera PPR Version],3.0", "[Tessera PPR Version],3.0\n#one\n#two\n"}) {
        EXPECT_EQ(1, Parse(script)) << script;
        for (Table table : kTablesInFileOrder) {
            EXPECT_EQ(0, ScriptCount(record, table));
            EXPECT_EQ(nullptr, ScriptRows(record, table));
        }
    }
}

TEST_F(ParseUpdateScript, ReadsLinesEndingInCrLf) {
    ASSERT_EQ(1, Parse("[Tessera PPR Version],3.0\r\n[QUILLON_START]\r\n[PPR_Index],INKTAB,1\r\nCyan,1,2\r\n"
                       "[QUILLON_END]\r\n"));
    ASSERT_EQ(1, record.inkCount);
    EXPECT_EQ(u"Cyan", std::u16string(record.inks[0].name));
    EXPECT_EQ(2u, record.inks[0].param2);
}

// --- The version line ---

TEST_F(ParseUpdateScript, AcceptsVersionThreeInAnyNotation) {
    for (std::string_view version : {"3", "3.00", " 3.0 ", "3.0e0", "3abc"}) {
        EXPECT_EQ(1, Parse("[Tessera PPR Version]," + std::string(version) + "\n[QUILLON_START]\n")) << version;
    }
    EXPECT_EQ(1, Parse("[tessera ppr VERSION],3\n[QUILLON_START]\n"));
}

TEST_F(ParseUpdateScript, RejectsAnyOtherVersionLine) {
    for (std::string_view first :
         {"[Tessera PPR Version],3.1", "[Tessera PPR Version],2.9999", "[Tessera PPR Version],3.0,",
          "[Tessera PPR Version],3.0,extra", "[Tessera PPR Version]", "[Tessera PPR Version],",
          "[Tessera PPR Version],x3", "[Tessera PPR],3.0", " [Tessera PPR Version]x,3.0", "[QUILLON_START]", ""}) {
        EXPECT_EQ(0, Parse(std::string(first) + "\n[QUILLON_START]\n")) << first;
    }
}

TEST_F(ParseUpdateScript, EmptyFileFails) { EXPECT_EQ(0, Parse("")); }

TEST_F(ParseUpdateScript, CommentAsFirstLineFails) {
    EXPECT_EQ(0, Parse("#comment\n[Tessera PPR Version],3.0\n[QUILLON_START]\n"));
    EXPECT_EQ(0, Parse("#[Tessera PPR Version],3.0\n[QUILLON_START]\n"));
}

TEST_F(ParseUpdateScript, Utf16FileDoesNotParse) {
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string_view("[Tessera PPR Version],3.0\n")) {
        utf16 += c;
        utf16 += '\0';
    }
    EXPECT_EQ(0, Parse(utf16));
}

// --- The start marker ---

TEST_F(ParseUpdateScript, FirstLineAfterVersionMustBeStartMarker) {
    EXPECT_EQ(1, Parse("[Tessera PPR Version],3.0\n#note\n[QUILLON_START],ignored\n"));
    EXPECT_EQ(1, Parse("[Tessera PPR Version],3.0\n  [quillon_start]  \n"));
    for (std::string_view second : {"\n", " #note\n", "[QUILLON_END]\n", "[PPR_Index],INKTAB,1\n", "x\n"}) {
        EXPECT_EQ(0, Parse("[Tessera PPR Version],3.0\n" + std::string(second) + "[QUILLON_START]\n")) << second;
    }
}

// --- Table blocks ---

TEST_F(ParseUpdateScript, BlankLineInsideBlockCountsAsRow) {
    ASSERT_EQ(1, ParseBody("[PPR_Index],INKTAB,3\nA,1,1\n\nC,3,3\n[QUILLON_END]\n"));
    ASSERT_EQ(3, record.inkCount);
    EXPECT_EQ(u"A", std::u16string(record.inks[0].name));
    EXPECT_EQ(u"", std::u16string(record.inks[1].name));
    EXPECT_EQ(0u, record.inks[1].param1);
    EXPECT_EQ(u"C", std::u16string(record.inks[2].name));
}

TEST_F(ParseUpdateScript, CommentInsideBlockDoesNotCount) {
    ASSERT_EQ(1, ParseBody("[PPR_Index],INKTAB,2\nA,1,1\n#between\nB,2,2\n[QUILLON_END]\n"));
    ASSERT_EQ(2, record.inkCount);
    EXPECT_EQ(u"B", std::u16string(record.inks[1].name));
}

TEST_F(ParseUpdateScript, HashAfterBlankInsideBlockIsARow) {
    ASSERT_EQ(1, ParseBody("[PPR_Index],INKTAB,2\n #A,1,1\nB,2,2\n"));
    ASSERT_EQ(2, record.inkCount);
    EXPECT_EQ(u"#A", std::u16string(record.inks[0].name));
    EXPECT_EQ(u"B", std::u16string(record.inks[1].name));
}

TEST_F(ParseUpdateScript, RowWithWrongFieldCountLeavesItsRowZero) {
    ASSERT_EQ(1, ParseBody("[PPR_Index],INKTAB,4\nA,1,2,3\nB,1\nC,5,6\n0,0,0,0\n[QUILLON_END]\n"
                           "[PPR_Index],COLORTYPE,1\n0,0,0\n"));
    ASSERT_EQ(4, record.inkCount);
    const NamedEntry zero{};
    for (int i : {0, 1, 3}) {
        EXPECT_EQ(0, std::memcmp(&zero, &record.inks[i], sizeof zero)) << "row " << i;
    }
    EXPECT_EQ(u"C", std::u16string(record.inks[2].name));
    // A key below 1 in a line that fills nothing is not looked at.
    ASSERT_EQ(1, record.colorTypeCount);
    EXPECT_EQ(0, record.colorTypes[0].typeCode);
}

TEST_F(ParseUpdateScript, RecognisesMarkersAndNamesInLowerCase) {
    ASSERT_EQ(1, Parse("[tessera ppr version],3\n[quillon_start]\n[ppr_index],inktab,1\nx,1,2\n"
                       "[Ppr_Index],CorrectTab,1\n1,1,a,b,1,1,f,,,0,0,0,0,0,0,0,0,0,0,0,0,0\n[quillon_end]\n"));
    EXPECT_EQ(1, record.inkCount);
    EXPECT_EQ(1, record.correctionCount);
}

TEST_F(ParseUpdateScript, TableHeaderWithoutUsableCountFailsWhateverTheName) {
    for (std::string_view header :
         {"[PPR_Index],INKTAB,0", "[PPR_Index],NOSUCHTAB,0", "[PPR_Index],CORRECTTAB,-3", "[PPR_Index],MEDIATAB,",
          "[PPR_Index],MEDIATAB,two", "[PPR_Index],INKTAB", "[PPR_Index]", "[PPR_Index],NOSUCHTAB,0x10"}) {
        EXPECT_EQ(0, ParseBody(std::string(header) + "\nA,1,2\n")) << header;
        EXPECT_EQ(0, record.inkCount);
        EXPECT_EQ(nullptr, record.inks);
    }
}

TEST_F(ParseUpdateScript, HeaderIgnoresFieldsBeyondTheCount) {
    ASSERT_EQ(1, ParseBody("[PPR_Index],INKTAB,1,whatever,else\nA,1,2\n"));
    EXPECT_EQ(1, record.inkCount);
}

TEST_F(ParseUpdateScript, ShortBlockFollowedByHeaderOrEndMarkerFails) {
    EXPECT_EQ(0, ParseBody("[PPR_Index],INKTAB,2\nA,1,1\n[PPR_Index],MEDIATAB,1\nM,1,1\n"));
    EXPECT_EQ(1, record.inkCount);  // the rows read so far stay for the caller to free
    EXPECT_EQ(0, record.mediaCount);
    EXPECT_EQ(0, ParseBody("[PPR_Index],INKTAB,2\nA,1,1\n[QUILLON_END]\n"));
    EXPECT_EQ(0, ParseBody("[PPR_Index],INKTAB,2\nA,1,1\n  [quillon_end] ,x\n"));
}

TEST_F(ParseUpdateScript, BlockCutShortByEndOfFileFailsWhereCompleteBlocksWithoutEndMarkerParse) {
    const struct {
        std::string body;
        int result;
    } cases[] = {
        {"[PPR_Index],RESOLTAB,3\n1,2,3,4,5,6\n", 0},  // the copy ends early
        {"[PPR_Index],INKTAB,30000\nA,1,2\n", 0},      // a count far beyond the rows
        {"[PPR_Index],INKTAB,2\nA,1,2\n\x1A"
         "B,3,4\n[QUILLON_END]\n",
         0},  // Ctrl-Z ends the file
        {"[PPR_Index],INKTAB,4000000\n", 0},
        {"[PPR_Index],CORRECTTAB,2147483647\n", 0},
        {"[PPR_Index],CORRECTTAB,99999999999\n", 0},
        {"[PPR_Index],INKTAB,2\nA,1,2\nB,3,4", 1},  // complete; no line feed, no end marker
        {"[PPR_Index],INKTAB,1\nA,1,2\n#\n", 1},    // a comment after the block
        {"[PPR_Index],INKTAB,2\nA,1,2\n\n", 1},     // the blank line is the second row
        {"[PPR_Index],INKTAB,1\nA,1,2\n\x1A"
         "junk\n",
         1},  // Ctrl-Z after a complete block
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.result, ParseBody(c.body)) << c.body.substr(0, 40);
        if (c.result == 1) {
            EXPECT_EQ(u"A", std::u16string(record.inks[0].name));
        }
    }
}

TEST_F(ParseUpdateScript, SecondBlockOfTableReplacesTheFirst) {
    ASSERT_EQ(1, ParseBody("[PPR_Index],INKTAB,3\nA,1,1\nB,2,2\nC,3,3\n"
                           "[PPR_Index],MEDIATAB,1\nM,1,1\n"
                           "[PPR_Index],inktab,1\nD,4,4\n[QUILLON_END]\n"));
    ASSERT_EQ(1, record.inkCount);
    EXPECT_EQ(u"D", std::u16string(record.inks[0].name));
    EXPECT_EQ(4u, record.inks[0].param1);
    EXPECT_EQ(1, record.mediaCount);
}

TEST_F(ParseUpdateScript, UnknownTableIsPassedOverWithItsRows) {
    ASSERT_EQ(1, ParseBody("[PPR_Index],FUTURETAB,2\n1,2,3\nanything at all\n"
                           "[PPR_Index],INKTAB,1\nA,1,2\n[QUILLON_END]\n"));
    for (Table table : kTablesInFileOrder) {
        EXPECT_EQ(table == Table::Ink ? 1 : 0, ScriptCount(record, table)) << Utf16ToUtf8(TableName(table));
    }
}

TEST_F(ParseUpdateScript, LinesBetweenTablesAndAfterEndMarkerArePassedOver) {
    ASSERT_EQ(1, ParseBody("stray line\n\n[QUILLON_START]\n[QUILLON_END]\n[PPR_Index],INKTAB,1\nA,1,2\n"
                           "[QUILLON_END]\nmore,text\n"));
    EXPECT_EQ(1, record.inkCount);
}

// --- Field conversions ---

TEST_F(ParseUpdateScript, HexPrefixedKeyFailsButHexFieldsAcceptIt) {
    EXPECT_EQ(0, ParseBody("[PPR_Index],COLORTYPE,1\n0x10,1,0,0\n"));
    EXPECT_EQ(0, ParseBody("[PPR_Index],BITSPPTAB,1\n0x8,0,0\n"));
    ASSERT_EQ(1, ParseBody("[PPR_Index],COLORTYPE,1\n16,1,0x1F,0X2a\n"));
    EXPECT_EQ(16, record.colorTypes[0].typeCode);
    EXPECT_EQ(0x1Fu, record.colorTypes[0].param1);
    EXPECT_EQ(0x2Au, record.colorTypes[0].param2);
}

TEST_F(ParseUpdateScript, HexFieldsReadTheLeadingNumberAndKeepLow32Bits) {
    ASSERT_EQ(1, ParseBody("[PPR_Index],BITSPPTAB,3\n1,zz,-\n2,1fg,123456789\n3,FFFFFFFF,0x\n"));
    EXPECT_EQ(0u, record.bitsPerPixels[0].param1);  // no hexadecimal digit
    EXPECT_EQ(0u, record.bitsPerPixels[0].param2);
    EXPECT_EQ(0x1Fu, record.bitsPerPixels[1].param1);
    EXPECT_EQ(0x23456789u, record.bitsPerPixels[1].param2);
    EXPECT_EQ(0xFFFFFFFFu, record.bitsPerPixels[2].param1);
    EXPECT_EQ(0u, record.bitsPerPixels[2].param2);
}

TEST_F(ParseUpdateScript, IntegerFieldBelowOneFailsInEveryTable) {
    for (std::string_view body : {"[PPR_Index],COLORTYPE,1\n1,0,0,0\n", "[PPR_Index],COLORTYPE,1\n-1,1,0,0\n",
                                  "[PPR_Index],RESOLTAB,1\n1,1,1,abc,0,0\n", "[PPR_Index],BITSPPTAB,1\n,0,0\n",
                                  "[PPR_Index],CORRECTTAB,1\n1,0,a,b,1,1,f,,,0,0,0,0,0,0,0,0,0,0,0,0,0\n",
                                  "[PPR_Index],CORRECTTAB,1\n1,1,a,b,0,1,f,,,0,0,0,0,0,0,0,0,0,0,0,0,0\n",
                                  "[PPR_Index],CORRECTTAB,1\n1,1,a,b,1,-2,f,,,0,0,0,0,0,0,0,0,0,0,0,0,0\n"}) {
        EXPECT_EQ(0, ParseBody(body)) << body;
    }
}

TEST_F(ParseUpdateScript, IntegerFieldsKeepTheirLowOrderBits) {
    ASSERT_EQ(1, ParseBody("[PPR_Index],COLORTYPE,3\n256,1,0,0\n379,300,0,0\n+7,12abc,0,0\n"
                           "[PPR_Index],RESOLTAB,1\n65537,40000,65536,2147483647,0,0\n"
                           "[PPR_Index],BITSPPTAB,1\n511,0,0\n"
                           "[PPR_Index],CORRECTTAB,1\n70000,1,a,b,300,256,f,,,0,0,0,0,0,0,0,0,0,0,0,0,0\n"));
    EXPECT_EQ(0, record.colorTypes[0].typeCode);    // 256
    EXPECT_EQ(123, record.colorTypes[1].typeCode);  // 379: reads as the consumed mark
    EXPECT_EQ(44, record.colorTypes[1].typeKey);    // 300
    EXPECT_EQ(7, record.colorTypes[2].typeCode);
    EXPECT_EQ(12, record.colorTypes[2].typeKey);
    EXPECT_EQ(1, record.resolutions[0].res1);
    EXPECT_EQ(-25536, record.resolutions[0].res2);
    EXPECT_EQ(0, record.resolutions[0].res3);
    EXPECT_EQ(-1, record.resolutions[0].res4);
    EXPECT_EQ(255, record.bitsPerPixels[0].bppKey);
    EXPECT_EQ(4464, record.corrections[0].key1);
    EXPECT_EQ(44, record.corrections[0].level1);
    EXPECT_EQ(0, record.corrections[0].level2);
}

TEST_F(ParseUpdateScript, ConvertsEveryFieldOfACorrectionRow) {
    ASSERT_EQ(1, ParseBody("[PPR_Index],CORRECTTAB,1\n"
                           " 5 , 7 ,Glossy Photo,Vivid,3,4,GP_720,Text Eight,Text Nine,1.5,"
                           "0.1,-0.25,1e2,2,abc,3.5x,1e39,-1e39,7,0.5,1aF,0x10\n"));
    ASSERT_EQ(1, record.correctionCount);
    const CorrectionEntry& row = record.corrections[0];
    EXPECT_EQ(5, row.key1);
    EXPECT_EQ(7, row.key2);
    EXPECT_EQ(u"Glossy Photo", std::u16string(row.name1));
    EXPECT_EQ(u"Vivid", std::u16string(row.name2));
    EXPECT_EQ(3, row.level1);
    EXPECT_EQ(4, row.level2);
    EXPECT_EQ(u"GP_720.icm", std::u16string(row.icmFile));
    EXPECT_EQ(u"GP_720.CAL", std::u16string(row.calFile));
    EXPECT_EQ(u"GP_720.BCC", std::u16string(row.bccFile));
    EXPECT_EQ(u"Text Eight", std::u16string(row.text8));
    EXPECT_EQ(u"Text Nine", std::u16string(row.text9));
    EXPECT_EQ(0, row.filler[0]);
    EXPECT_EQ(0, row.filler[1]);
    EXPECT_EQ(1.5f, row.scalar);
    const float expected[10] = {0.1f,
                                -0.25f,
                                100.0f,
                                2.0f,
                                0.0f,
                                3.5f,
                                std::numeric_limits<float>::infinity(),
                                -std::numeric_limits<float>::infinity(),
                                7.0f,
                                0.5f};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(expected[i], row.series[i]) << "series " << i;
    EXPECT_EQ(0x1AFu, row.param1);
    EXPECT_EQ(0x10u, row.param2);
}

TEST_F(ParseUpdateScript, EmptyFileBaseGivesBareSuffixes) {
    ASSERT_EQ(1, ParseBody("[PPR_Index],CORRECTTAB,1\n1,1,,,1,1, ,,,0,0,0,0,0,0,0,0,0,0,0,0,0\n"));
    const CorrectionEntry& row = record.corrections[0];
    EXPECT_EQ(u".icm", std::u16string(row.icmFile));
    EXPECT_EQ(u".CAL", std::u16string(row.calFile));
    EXPECT_EQ(u".BCC", std::u16string(row.bccFile));
    EXPECT_EQ(u"", std::u16string(row.name1));
}

TEST_F(ParseUpdateScript, TextKeepsInnerBlanksAndLosesThoseAtItsEnds) {
    // Tab, blanks and the ideographic space (CP932 81 40) at the ends.
    ASSERT_EQ(1, ParseBody("[PPR_Index],MEDIATAB,1\n \t\x81\x40Plain  Paper \x81\x40Wide\x81\x40 ,1,2\n"));
    EXPECT_EQ(u"Plain  Paper \u3000Wide", std::u16string(record.media[0].name));
}

TEST_F(ParseUpdateScript, TextLongerThanItsFieldFailsRatherThanBeingCut) {
    const std::string fits(259, 'n');
    const std::string tooLong(260, 'n');
    ASSERT_EQ(1, ParseBody("[PPR_Index],INKTAB,1\n" + fits + ",1,2\n"));
    EXPECT_EQ(Ascii(fits), std::u16string(record.inks[0].name));
    EXPECT_EQ(0, ParseBody("[PPR_Index],INKTAB,1\n" + tooLong + ",1,2\n"));

    // Thirteen fields follow field 9: ten reals, scalar first, and two hexadecimal.
    const std::string rest = ",0,0,0,0,0,0,0,0,0,0,0,0,0\n";
    ASSERT_EQ(1, ParseBody("[PPR_Index],CORRECTTAB,1\n1,1," + fits + ",b,1,1," + std::string(255, 'f') + ",t8," + fits +
                           rest));
    EXPECT_EQ(Ascii(fits), std::u16string(record.corrections[0].name1));
    EXPECT_EQ(Ascii(std::string(255, 'f') + ".BCC"), std::u16string(record.corrections[0].bccFile));
    EXPECT_EQ(Ascii(fits), std::u16string(record.corrections[0].text9));
    EXPECT_EQ(0, ParseBody("[PPR_Index],CORRECTTAB,1\n1,1,a,b,1,1," + std::string(256, 'f') + ",," + rest));
    EXPECT_EQ(0, ParseBody("[PPR_Index],CORRECTTAB,1\n1,1," + tooLong + ",b,1,1,f,," + rest));
    EXPECT_EQ(0, ParseBody("[PPR_Index],CORRECTTAB,1\n1,1,a," + tooLong + ",1,1,f,," + rest));
    EXPECT_EQ(0, ParseBody("[PPR_Index],CORRECTTAB,1\n1,1,a,b,1,1,f,," + tooLong + rest));
    // The same holds for MEDIATAB names.
    EXPECT_EQ(0, ParseBody("[PPR_Index],MEDIATAB,1\n" + tooLong + ",1,2\n"));
}

// --- Reading the file ---

TEST_F(ParseUpdateScript, LinesAreReadWholeWhateverTheirLength) {
    // A comment stays a comment: the header at its end is no header.
    const std::string comment = "#" + std::string(1022, 'x') + "[PPR_Index],INKTAB,1\n";
    ASSERT_EQ(1, ParseBody(comment + "N,1,2\n[QUILLON_END]\n"));
    EXPECT_EQ(0, record.inkCount);
    // A long row is one row, at 1022, 1023 and 5000 characters.
    for (std::size_t length : {1022u, 1023u, 5000u}) {
        std::string longRow = "N1,1F,2";
        longRow.resize(length, ' ');
        ASSERT_EQ(1, ParseBody("[PPR_Index],INKTAB,1\n" + longRow + "\n[QUILLON_END]\n")) << length;
        ASSERT_EQ(1, record.inkCount);
        EXPECT_EQ(u"N1", std::u16string(record.inks[0].name));
        EXPECT_EQ(2u, record.inks[0].param2);
    }
}

TEST_F(ParseUpdateScript, BytesThatAreNotCp932FailWhereverTheyStand) {
    const struct {
        std::string script;
        const char* where;
    } cases[] = {
        {std::string(kHead) + "[PPR_Index],INKTAB,1\n\x85\x40,1,2\n", "an ink name"},
        {std::string(kHead) + "[PPR_Index],INKTAB,1\nA\x81,1,2\n", "a lead byte before a comma"},
        {std::string(kHead) + "[PPR_Index],INKTAB,1\nA,1,2\n#\xEB\x40\n", "a comment"},
        {std::string(kHead) + "stray \x81\n", "a line between tables"},
        {"[Tessera PPR Version],3.0\x81\n[QUILLON_START]\n", "the version line"},
        {std::string(kHead) + "[PPR_Index],INKTAB,1\nA,1,2\n\x81", "a lead byte at the end of the file"},
    };
    for (const auto& c : cases) EXPECT_EQ(0, Parse(c.script)) << c.where;
}

TEST_F(ParseUpdateScript, Cp932NamesArriveAsUtf16) {
    ASSERT_EQ(1, ParseBody("[PPR_Index],INKTAB,6\n"
                           "\x83\x43\x83\x93\x83\x4E\x8D\x95,1,1\n"  // インク黒
                           "\xB2\xDD\xB8,2,2\n"                      // ｲﾝｸ
                           "\x87\x40\x87\x8A\x87\x56,3,3\n"          // ①㈱Ⅲ
                           "\xEE\xE0\xFB\xFC,4,4\n"                  // 髙 twice: NEC and IBM codes
                           "\x95\x5C,5,5\n"                          // 表, second byte 0x5C before the comma
                           "\x83\x5C\x8F\x5C,6,6\n"));
    ASSERT_EQ(6, record.inkCount);
    EXPECT_EQ(u"インク黒", std::u16string(record.inks[0].name));
    EXPECT_EQ(u"ｲﾝｸ", std::u16string(record.inks[1].name));
    EXPECT_EQ(2u, record.inks[1].param1);
    EXPECT_EQ(u"①㈱Ⅲ", std::u16string(record.inks[2].name));
    EXPECT_EQ(u"髙髙", std::u16string(record.inks[3].name));
    EXPECT_EQ(u"表", std::u16string(record.inks[4].name));
    EXPECT_EQ(5u, record.inks[4].param1);
    EXPECT_EQ(5u, record.inks[4].param2);
    EXPECT_EQ(u"ソ十", std::u16string(record.inks[5].name));
    EXPECT_EQ(6u, record.inks[5].param1);
}

TEST_F(ParseUpdateScript, SecondByte5CNeverActsAsBackslashOrSplitsAField) {
    ASSERT_EQ(1, ParseBody("[PPR_Index],MEDIATAB,2\n"
                           "\x83\x5C\x8F\x5C\x95\x5C,A,B\n"  // ソ十表
                           "#\x95\x5C\n"                     // a comment ending in 表 continues nothing
                           "x\x95\x5Cn,C,D\n"                // x表n: not an escape
                           "[QUILLON_END]\n"));
    EXPECT_EQ(u"ソ十表", std::u16string(record.media[0].name));
    EXPECT_EQ(0xAu, record.media[0].param1);
    EXPECT_EQ(0xBu, record.media[0].param2);
    EXPECT_EQ(u"x表n", std::u16string(record.media[1].name));
    EXPECT_EQ(0xCu, record.media[1].param1);
}

// --- Opening the file ---

TEST_F(ParseUpdateScript, UnopenableFileShowsMessage106Once) {
    const fs::path missing = folder.Path() / "no such folder" / "PRINTER.SCR";
    EXPECT_EQ(0, dlg.ParseUpdateScript(PathText(missing), &record));
    ASSERT_EQ(1u, messages.Messages().size());
    const RecordedMessage& shown = messages.Messages()[0];
    EXPECT_EQ(nullptr, shown.owner);  // no window: silent mode
    EXPECT_EQ(CString(u"スクリプトファイルのオープンに失敗しました"), shown.text);
    EXPECT_EQ(CString(u"Quillon"), shown.caption);
    EXPECT_EQ(kMbOk | kMbIconExclamation, shown.style);
    for (Table table : kTablesInFileOrder) EXPECT_EQ(0, ScriptCount(record, table));
}

TEST_F(ParseUpdateScript, OpenFailureMessageIsOwnedByTheDialogWindow) {
    int window = 0;
    DialogWithWindow owned(&window);
    EXPECT_EQ(0, owned.ParseUpdateScript(PathText(folder.Path() / "missing.SCR"), &record));
    ASSERT_EQ(1u, messages.Messages().size());
    EXPECT_EQ(&window, messages.Messages()[0].owner);
}

TEST_F(ParseUpdateScript, FormatFailuresShowNoMessage) {
    EXPECT_EQ(0, Parse(""));
    EXPECT_EQ(0, Parse("[Tessera PPR Version],3.1\n"));
    EXPECT_EQ(0, ParseBody("[PPR_Index],INKTAB,0\n"));
    EXPECT_EQ(0, ParseBody("[PPR_Index],COLORTYPE,1\n0,0,0,0\n"));
    EXPECT_TRUE(messages.Messages().empty());
}

TEST_F(ParseUpdateScript, ClosesTheFileOnEveryWayOut) {
    const fs::path descriptors = "/proc/self/fd";
    // Windows has no such list; under wine the one seen is wine's own, which it changes at will.
    if (!fs::is_directory(descriptors) || PathSeparator() == u'\\')
        GTEST_SKIP() << "no list of open files on this system";
    auto openFiles = [&] { return std::distance(fs::directory_iterator(descriptors), fs::directory_iterator()); };
    const auto before = openFiles();
    EXPECT_EQ(1, ParseBody("[PPR_Index],INKTAB,1\nA,1,2\n"));
    EXPECT_EQ(0, Parse(""));
    EXPECT_EQ(0, Parse("[Tessera PPR Version],4\n"));
    EXPECT_EQ(0, Parse("[Tessera PPR Version],3\nx\n"));
    EXPECT_EQ(0, ParseBody("[PPR_Index],INKTAB,0\n"));
    EXPECT_EQ(0, ParseBody("[PPR_Index],INKTAB,2\nA,1,2\n[QUILLON_END]\n"));
    EXPECT_EQ(0, ParseBody("[PPR_Index],COLORTYPE,1\n0,0,0,0\n"));
    EXPECT_EQ(0, ParseBody("[PPR_Index],CORRECTTAB,2147483647\n"));
    EXPECT_EQ(before, openFiles());
}

// --- Splitting a line ---

TEST(SplitScriptLine, GivesOneFieldMoreThanCommasEmptyOnesIncluded) {
    CQuillonDlg dlg;
    dlg.SplitScriptLine(u",a,,b ,\n");
    ASSERT_EQ(5, dlg.m_fields.GetSize());
    const char16_t* expected[] = {u"", u"a", u"", u"b", u""};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(CString(expected[i]), dlg.m_fields[i]) << i;
}

TEST(SplitScriptLine, BlankLineGivesOneEmptyField) {
    CQuillonDlg dlg;
    for (const char16_t* line : {u"\n", u"", u" \t\u3000\r\n"}) {
        dlg.SplitScriptLine(line);
        ASSERT_EQ(1, dlg.m_fields.GetSize());
        EXPECT_TRUE(dlg.m_fields[0].IsEmpty());
    }
}

TEST(SplitScriptLine, TrimsEachFieldAndDropsTheLineFeed) {
    CQuillonDlg dlg;
    dlg.SplitScriptLine(u"  [PPR_Index] ,\tINK TAB\u3000, 2 \n");
    ASSERT_EQ(3, dlg.m_fields.GetSize());
    EXPECT_EQ(CString(u"[PPR_Index]"), dlg.m_fields[0]);
    EXPECT_EQ(CString(u"INK TAB"), dlg.m_fields[1]);
    EXPECT_EQ(CString(u"2"), dlg.m_fields[2]);
}

TEST(SplitScriptLine, EmptiesTheFieldsOfThePreviousLine) {
    CQuillonDlg dlg;
    dlg.SplitScriptLine(u"a,b,c,d\n");
    dlg.SplitScriptLine(u"e\n");
    ASSERT_EQ(1, dlg.m_fields.GetSize());
    EXPECT_EQ(CString(u"e"), dlg.m_fields[0]);
}
