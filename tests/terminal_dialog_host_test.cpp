#include "platform/terminal_dialog_host.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/list_box_model.h"
#include "res/resource.h"

namespace {

// A main dialog that fills its list and notes which handler ran.
class ListingDialog : public CDialog {
public:
    ListingDialog() : CDialog(IDD_QUILLON_DIALOG) {}
    bool OnInitDialog() override {
        CDialog::OnInitDialog();
        GetSystemMenu()->AppendItem(kMfSeparator);
        GetSystemMenu()->AppendItem(kMfString, IDM_ABOUTBOX, u"ﾊﾞｰｼﾞｮﾝ情報(&A)...");
        CDataExchange exchange(*this);
        DDX_Control(&exchange, IDC_PRINTER_LIST, list);
        for (const char16_t* line : {u"zeta", u"Alpha", u"印刷機", u"beta"}) list.AddString(line);
        return true;
    }
    void OnOK() override {
        handled.push_back("ok");
        list.DeleteString(list.FindStringExact(-1, u"ALPHA"));
        CDialog::OnOK();
    }
    void OnCancel() override {
        handled.push_back("cancel");
        CDialog::OnCancel();
    }
    void OnSysCommand(unsigned id, intptr_t) override { handled.push_back("syscommand " + std::to_string(id)); }

    CListBox list;
    std::vector<std::string> handled;
};

std::FILE* InputOf(const std::string& text) {
    std::FILE* file = std::tmpfile();
    std::fwrite(text.data(), 1, text.size(), file);
    std::rewind(file);
    return file;
}

std::string ContentsOf(std::FILE* file) {
    std::rewind(file);
    std::string text;
    char buffer[512];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
    return text;
}

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

}  // namespace

TEST(TerminalDialogHost, ReadsOneChoiceALineAndNeverRunsExecuteUnasked) {
    struct Case {
        std::string input;
        std::vector<std::string> handled;
        intptr_t result;
        int prompts;
    };
    const std::string longLine(10000, 'x');
    const Case cases[] = {
        {"\n", {"ok"}, kIdOk, 1},
        {"1\r\n", {"ok"}, kIdOk, 1},
        {"  1  \n", {"ok"}, kIdOk, 1},
        {"2\n", {"cancel"}, kIdCancel, 1},
        {"q\n", {"cancel"}, kIdCancel, 1},
        {"", {"cancel"}, kIdCancel, 1},  // end of input
        {"a\nq\n", {"syscommand 16", "cancel"}, kIdCancel, 2},
        {"x\n11\nQ\n" + longLine + "\n\n", {"ok"}, kIdOk, 5},
        {longLine, {"cancel"}, kIdCancel, 2},  // a last line without its end, then the end of input
        {std::string("\0\xff\n2\n", 4), {"cancel"}, kIdCancel, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input.substr(0, 20));
        std::FILE* in = InputOf(c.input);
        std::FILE* out = std::tmpfile();
        std::FILE* err = std::tmpfile();
        const auto host = MakeTerminalDialogHost(in, out, err);
        SetDialogHost(host.get());
        ListingDialog dialog;
        EXPECT_EQ(dialog.DoModal(), c.result);
        SetDialogHost(nullptr);
        EXPECT_EQ(dialog.handled, c.handled);

        const std::string shown = ContentsOf(out);
        EXPECT_EQ(shown.find("== Printer Profile Update ==\n次のプリンタの情報を更新します\n"
                             "  Alpha\n  beta\n  zeta\n  印刷機\n"),
                  0u)
            << shown;
        EXPECT_EQ(Count(shown, "Enter/1: 実行  2/q: キャンセル  a: ﾊﾞｰｼﾞｮﾝ情報\n"), c.prompts);
        EXPECT_EQ(Count(shown, "  updated: Alpha\n"), c.result == kIdOk ? 1 : 0);
        EXPECT_EQ(ContentsOf(err), "");
        std::fclose(in);
        std::fclose(out);
        std::fclose(err);
    }
}

TEST(TerminalDialogHost, PrintsABoxWithoutCancelAndClosesItWithOK) {
    std::FILE* in = InputOf("");
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const auto host = MakeTerminalDialogHost(in, out, err);
    SetDialogHost(host.get());
    CDialog about(IDD_ABOUTBOX);
    EXPECT_EQ(about.DoModal(), kIdOk);
    CDialog unknown(999);
    EXPECT_EQ(unknown.DoModal(), -1);
    host->ShowInformation(u"usage");
    host->ReportToCaller(u"another");
    EXPECT_FALSE(host->ActivateDialogWindow(u"Quillon"));
    SetDialogHost(nullptr);
    EXPECT_EQ(ContentsOf(out),
              "== ﾊﾞｰｼﾞｮﾝ情報 ==\nQuillon Version 1.0.0\nCopyright (C) 2026\nQuillon developers\nusage\n");
    EXPECT_EQ(ContentsOf(err), "another\n");
    std::fclose(in);
    std::fclose(out);
    std::fclose(err);
}

TEST(ListBoxModel, SortsWithoutCaseAndFindsWholeLinesAllRound) {
    ListBoxModel list;
    for (const char16_t* line : {u"b", u"A", u"a", u"C", u"B"}) list.Add(line);
    std::vector<std::u16string> lines;
    for (const CString& line : list.Lines()) lines.push_back(line.Str());
    EXPECT_EQ(lines, (std::vector<std::u16string>{u"A", u"a", u"b", u"B", u"C"}));
    struct Find {
        int startAfter;
        const char16_t* text;
        int found;
    };
    const Find finds[] = {{-1, u"B", 2}, {2, u"b", 3},    {3, u"B", 2},  {4, u"a", 0},
                          {-1, u"", -1}, {-1, u"b ", -1}, {99, u"c", 4}, {-5, u"A", 0}};
    for (const Find& f : finds) EXPECT_EQ(list.FindExact(f.startAfter, f.text), f.found) << f.startAfter;
    EXPECT_EQ(list.Delete(5), -1);
    EXPECT_EQ(list.Delete(-1), -1);
    EXPECT_EQ(list.Delete(0), 4);
    EXPECT_EQ(list.Text(4), CString());
    ListBoxModel unsorted(false);
    unsorted.Add(u"b");
    EXPECT_EQ(unsorted.Add(u"a"), 1);
}
