// The framework pieces: CString, string resources and message hosts.
#include <gtest/gtest.h>

#include <string>

#include "platform/afx.h"
#include "res/resource.h"
#include "support/recording_message_host.h"

// --- CString ---

TEST(CString, TrimRemovesWideWhiteSpaceFromBothEndsOnly) {
    CString text(u"\u3000 \t\r\n a \u3000b\t\n\u3000");
    EXPECT_EQ(CString(u"a \u3000b"), text.Trim());

    CString left(u"\u3000 x \u3000");
    EXPECT_EQ(CString(u"x \u3000"), left.TrimLeft());
    CString right(u"\u3000 x \u3000");
    EXPECT_EQ(CString(u"\u3000 x"), right.TrimRight());

    CString blank(u" \u3000\t\n");
    EXPECT_TRUE(blank.Trim().IsEmpty());
    CString none(u"x");
    EXPECT_EQ(CString(u"x"), none.Trim());
}

TEST(CString, CompareNoCaseIgnoresLetterCaseOnly) {
    EXPECT_EQ(0, CString(u"[ppr_index]").CompareNoCase(u"[PPR_Index]"));
    EXPECT_EQ(0, CString(u"CorrectTab").CompareNoCase(u"CORRECTTAB"));
    EXPECT_EQ(0, CString(u"ＡＢｃ").CompareNoCase(u"ａｂＣ"));  // fullwidth Latin
    EXPECT_LT(CString(u"a").CompareNoCase(u"B"), 0);
    EXPECT_GT(CString(u"INKTABS").CompareNoCase(u"inktab"), 0);
    EXPECT_NE(0, CString(u"INKTAB ").CompareNoCase(u"INKTAB"));
    // The unit-by-unit comparison keeps case.
    EXPECT_GT(CString(u"a").Compare(u"B"), 0);
    EXPECT_EQ(0, CString(u"Ab").Compare(u"Ab"));
}

TEST(CString, FindAndCutClampOutOfRangeArguments) {
    const CString text(u"a,b,c");
    EXPECT_EQ(1, text.Find(u','));
    EXPECT_EQ(3, text.Find(u',', 2));
    EXPECT_EQ(-1, text.Find(u',', 4));
    EXPECT_EQ(-1, text.Find(u',', 99));
    EXPECT_EQ(1, text.Find(u',', -5));
    EXPECT_EQ(3, text.ReverseFind(u','));
    EXPECT_EQ(-1, text.ReverseFind(u';'));

    EXPECT_EQ(CString(u"a,"), text.Left(2));
    EXPECT_EQ(CString(u""), text.Left(-1));
    EXPECT_EQ(text, text.Left(99));
    EXPECT_EQ(CString(u"b,c"), text.Mid(2));
    EXPECT_EQ(CString(u""), text.Mid(5));
    EXPECT_EQ(CString(u""), text.Mid(99));
    EXPECT_EQ(text, text.Mid(-3));
    EXPECT_EQ(CString(u"b"), text.Mid(2, 1));
    EXPECT_EQ(CString(u"c"), text.Mid(4, 99));
    EXPECT_EQ(CString(u""), text.Mid(1, -2));
}

// --- String resources ---

TEST(LoadResString, GivesEveryTextOfTheTableExactly) {
    const struct {
        unsigned id;
        const char16_t* text;
    } expected[] = {
        {IDS_ABOUTBOX, u"ﾊﾞｰｼﾞｮﾝ情報(&A)..."},
        {IDS_QUILLON, u"Quillon"},
        {IDS_INIT_FAILED, u"初期化に失敗しました"},
        {IDS_NO_SCRIPT, u"スクリプトファイルが無いか、スクリプトファイルのフォーマットが不正です。"},
        {IDS_PROFILE_READ_FAILED, u"プリンタプロファイルの読み込みに失敗しました"},
        {IDS_SCRIPT_OPEN_FAILED, u"スクリプトファイルのオープンに失敗しました"},
        {IDS_SCRIPT_INVALID, u"スクリプトデータが不正です"},
        {IDS_UPDATE_DONE, u"アップデートを終了しました"},
        {IDS_PPD_UPDATE_FAILED, u"PPDファイルの更新に失敗しました。\n管理ツールから更新してください。"},
        {IDS_PROFILE_WRITE_FAILED, u"プリンタプロファイルの書き込みに失敗しました"},
        {IDS_PRINTER_NOT_INSTALLED, u"アップデート対象のプリンタはインストールされていません。"},
    };
    for (const auto& entry : expected) {
        EXPECT_EQ(CString(entry.text), LoadResString(entry.id)) << entry.id;
    }
    EXPECT_EQ(101u, static_cast<unsigned>(IDS_ABOUTBOX));
    EXPECT_EQ(111u, static_cast<unsigned>(IDS_PRINTER_NOT_INSTALLED));
}

TEST(LoadResString, UnknownIdentifierGivesEmptyText) {
    EXPECT_TRUE(LoadResString(0).IsEmpty());
    EXPECT_TRUE(LoadResString(100).IsEmpty());
    EXPECT_TRUE(LoadResString(112).IsEmpty());
}

// --- Message hosts ---

TEST(MessageHost, ShowMessageBoxGoesToTheCurrentHost) {
    RecordingMessageHost host;
    host.SetAnswer(2);
    {
        ScopedMessageHost guard(host);
        EXPECT_EQ(&host, &CurrentMessageHost());
        int window = 0;
        EXPECT_EQ(2, ShowMessageBox(&window, u"text", u"caption", kMbOk | kMbIconHand));
        ASSERT_EQ(1u, host.Messages().size());
        EXPECT_EQ(&window, host.Messages()[0].owner);
        EXPECT_EQ(CString(u"text"), host.Messages()[0].text);
        EXPECT_EQ(CString(u"caption"), host.Messages()[0].caption);
        EXPECT_EQ(kMbIconHand, host.Messages()[0].style);
    }
    EXPECT_EQ(&PlatformMessageHost(), &CurrentMessageHost());
}

TEST(MessageHost, GuardsNestAndRestoreThePreviousHost) {
    RecordingMessageHost outer;
    {
        ScopedMessageHost outerGuard(outer);
        {
            ScopedRecordingHost inner;
            ShowMessageBox(nullptr, u"inner", u"c", kMbOk);
            EXPECT_EQ(1u, inner.Messages().size());
        }
        EXPECT_EQ(&outer, &CurrentMessageHost());
        ShowMessageBox(nullptr, u"outer", u"c", kMbOk);
    }
    ASSERT_EQ(1u, outer.Messages().size());
    EXPECT_EQ(CString(u"outer"), outer.Messages()[0].text);
    EXPECT_EQ(&PlatformMessageHost(), &CurrentMessageHost());

    SetMessageHost(&outer);
    SetMessageHost(nullptr);
    EXPECT_EQ(&PlatformMessageHost(), &CurrentMessageHost());
}

TEST(TerminalMessageHost, PrintsInformationToStandardOutput) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int answer = TerminalMessageHost().ShowMessage(nullptr, LoadResString(IDS_UPDATE_DONE),
                                                         LoadResString(IDS_QUILLON), kMbOk | kMbIconInformation);
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(1, answer);
    EXPECT_EQ(
        "Quillon: \xE3\x82\xA2\xE3\x83\x83\xE3\x83\x97\xE3\x83\x87\xE3\x83\xBC\xE3\x83\x88\xE3\x82\x92"
        "\xE7\xB5\x82\xE4\xBA\x86\xE3\x81\x97\xE3\x81\xBE\xE3\x81\x97\xE3\x81\x9F\n",  // アップデートを終了しました
        out);
    EXPECT_EQ("", err);
}

TEST(TerminalMessageHost, PrintsEveryOtherIconToStandardErrorOnOneLine) {
    for (unsigned style : {kMbOk, kMbOk | kMbIconHand, kMbOk | kMbIconExclamation}) {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const int answer =
            TerminalMessageHost().ShowMessage(nullptr, u"first line\nsecond\r\nthird", u"Quillon", style);
        const std::string out = testing::internal::GetCapturedStdout();
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(1, answer);
        EXPECT_EQ("", out) << style;
        EXPECT_EQ("Quillon: first line second  third\n", err) << style;
    }
}
