#include "platform/text_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/text.h"
#include "support/temp_folder.h"

namespace {

class TextFileReaderTest : public ::testing::Test {
protected:
    // Writes the bytes to a file of the temp folder and returns its path.
    std::u16string Write(const std::string& bytes, const std::string& name = "script.SCR") {
        const std::string path = m_folder / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return Utf8ToUtf16(path);
    }

    // Opens the file and reads every line it hands out.
    std::vector<std::u16string> ReadAll(const std::string& bytes) {
        TextFileReader reader;
        EXPECT_TRUE(reader.Open(Write(bytes).c_str()));
        std::vector<std::u16string> lines;
        std::u16string line;
        while (reader.ReadLine(line)) lines.push_back(line);
        EXPECT_TRUE(line.empty());
        return lines;
    }

    TempFolder m_folder;
};

using Lines = std::vector<std::u16string>;

}  // namespace

TEST_F(TextFileReaderTest, CrLfReadsAsLfAndLoneCrStays) {
    EXPECT_EQ(ReadAll("a\r\nb\r\n"), (Lines{u"a\n", u"b\n"}));
    EXPECT_EQ(ReadAll("a\rb\n"), (Lines{u"a\rb\n"}));
    EXPECT_EQ(ReadAll("a\r\r\nb"), (Lines{u"a\r\n", u"b"}));
    EXPECT_EQ(ReadAll("a\r"), (Lines{u"a\r"}));
    EXPECT_EQ(ReadAll("\n\r\n"), (Lines{u"\n", u"\n"}));
}

TEST_F(TextFileReaderTest, CtrlZEndsTheFile) {
    EXPECT_EQ(ReadAll("a\nb\x1A"
                      "c\n"),
              (Lines{u"a\n", u"b"}));
    EXPECT_EQ(ReadAll("a\r\x1A\n"), (Lines{u"a\r"}));
    EXPECT_EQ(ReadAll("\x1A"
                      "a\n"),
              Lines{});
}

TEST_F(TextFileReaderTest, LastLineWithoutLineFeedAndEmptyFile) {
    EXPECT_EQ(ReadAll("a\nlast"), (Lines{u"a\n", u"last"}));
    EXPECT_EQ(ReadAll(""), Lines{});
}

TEST_F(TextFileReaderTest, LongLineComesWholeWhateverItsLength) {
    std::string kanji;
    for (int i = 0; i < 1023; ++i) kanji += "\x95\x5C";  // 表
    const struct {
        std::string bytes;
        Lines lines;
    } cases[] = {
        {std::string(1022, 'x') + "\n", {std::u16string(1022, u'x') + u"\n"}},
        {std::string(1023, 'x') + "\n", {std::u16string(1023, u'x') + u"\n"}},
        {std::string(1024, 'x') + "\n", {std::u16string(1024, u'x') + u"\n"}},
        {std::string(100000, 'y') + "\r\nz", {std::u16string(100000, u'y') + u"\n", u"z"}},
        {kanji + "\r\n", {std::u16string(1023, u'表') + u"\n"}},
    };
    for (const auto& c : cases) EXPECT_EQ(ReadAll(c.bytes), c.lines) << c.bytes.size();
}

// The file is read in 64 KiB blocks: a CR LF, a Ctrl-Z and a double-byte
// character read the same whichever side of a block's end they fall on.
TEST_F(TextFileReaderTest, TranslationsHoldAcrossTheReadBlocks) {
    for (std::size_t at = 65533; at <= 65537; ++at) {
        const std::string before(at, 'x');
        const std::u16string text(at, u'x');
        EXPECT_EQ(ReadAll(before + "\r\nb"), (Lines{text + u"\n", u"b"})) << at;
        EXPECT_EQ(ReadAll(before + "\rb\n"), (Lines{text + u"\rb\n"})) << at;
        EXPECT_EQ(ReadAll(before + "\r\x1A\n"), (Lines{text + u"\r"})) << at;
        EXPECT_EQ(ReadAll(before + "\n\x1A"
                                   "b\n"),
                  (Lines{text + u"\n"}))
            << at;
        EXPECT_EQ(ReadAll(before + "\x95\x5C\n"), (Lines{text + u"表\n"})) << at;
    }
}

TEST_F(TextFileReaderTest, DecodesCp932) {
    const std::string line = "\x95\x5C\x83\x5C\x8F\x5C,\x87\x40\x87\x8A\x87\x56,\xEE\xE0\xFB\xFC,\xB1\xB2\xDF\r\n";
    EXPECT_EQ(ReadAll(line), (Lines{u"表ソ十,①㈱Ⅲ,\u9AD9\u9AD9,ｱｲﾟ\n"}));
}

TEST_F(TextFileReaderTest, InvalidBytesDecodeAsReplacementAndMarkTheirLine) {
    // A lead byte before CR LF, before Ctrl-Z and at the end of the file.
    EXPECT_EQ(ReadAll("a\x81\r\nb\x81\x1A"), (Lines{u"a\uFFFD\n", u"b\uFFFD"}));
    EXPECT_EQ(ReadAll("\x81"), (Lines{u"\uFFFD"}));
    // A NUL byte is a unit of the line.
    EXPECT_EQ(ReadAll(std::string("a\0b\n", 4)), (Lines{std::u16string(u"a\0b\n", 4)}));

    // Each line tells whether it was CP932 throughout.
    TextFileReader reader;
    ASSERT_TRUE(reader.Open(Write("ok\n\x81\n\x85\x40\n\x95\x5C\x80\xA0\xFD\n\xEB\x40").c_str()));
    std::u16string line;
    std::vector<bool> valid;
    while (reader.ReadLine(line)) valid.push_back(reader.LineIsCp932());
    EXPECT_EQ(valid, (std::vector<bool>{true, false, false, true, false}));
}

TEST_F(TextFileReaderTest, FileThatCannotBeOpened) {
    TextFileReader reader;
    EXPECT_FALSE(reader.Open(Utf8ToUtf16(m_folder / "missing.SCR").c_str()));
    EXPECT_FALSE(reader.Open(nullptr));
    std::u16string line = u"stale";
    EXPECT_FALSE(reader.ReadLine(line));
    EXPECT_TRUE(line.empty());
    reader.Close();
    reader.Close();
}

TEST_F(TextFileReaderTest, ReopeningStartsAfresh) {
    TextFileReader reader;
    std::u16string line;
    ASSERT_TRUE(reader.Open(Write("one\x1A", "a.SCR").c_str()));
    EXPECT_TRUE(reader.ReadLine(line));
    EXPECT_FALSE(reader.ReadLine(line));
    ASSERT_TRUE(reader.Open(Write("two\n", "b.SCR").c_str()));
    EXPECT_TRUE(reader.ReadLine(line));
    EXPECT_EQ(line, u"two\n");
    EXPECT_FALSE(reader.ReadLine(line));
}

TEST_F(TextFileReaderTest, HandsOutTheBytesOfEachLine) {
    TextFileReader reader;
    ASSERT_TRUE(reader.Open(Write("\xEF\xBB\xBF"
                                  "a\r\n\x83\x76\n")
                                .c_str()));
    std::u16string line;
    std::vector<std::string> bytes;
    while (reader.ReadLine(line)) bytes.push_back(reader.LineBytes());
    EXPECT_EQ(bytes, (std::vector<std::string>{"\xEF\xBB\xBF"
                                               "a\n",
                                               "\x83\x76\n"}));
    EXPECT_TRUE(reader.LineBytes().empty());
}
