// The replacement of a file on POSIX, seen through the calls it makes: what
// it flushes to disk, and when.
#include "platform/replace_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/text.h"
#include "support/file_contents.h"
#include "support/syscall_trace.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

TEST(FileReplacementPosix, FlushesTheNewFileBeforeItTakesThePlaceAndTheFolderAfter) {
    TempFolder folder;
    // As the descriptors name them: without links in the way.
    const fs::path base = fs::canonical(folder.Path());
    fs::create_directory(base / "store");
    ASSERT_TRUE(WriteFileBytes(base / "Old.ppr", {1, 2, 3}));
    ASSERT_TRUE(WriteFileBytes(base / "store/Linked.ppr", {1, 2, 3}));
    fs::create_symlink(base / "store/Linked.ppr", base / "Linked.ppr");
    const struct {
        const char* destination;
        fs::path replaced;  // the file that gets the new content, in its folder
    } cases[] = {
        {"Old.ppr", base / "Old.ppr"},
        {"New.ppr", base / "New.ppr"},
        {"Linked.ppr", base / "store/Linked.ppr"},  // the link stays; the file it points to is replaced
    };
    const std::vector<uint8_t> content = {0x50, 0x50, 0x52};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.destination);
        const std::string replaced = c.replaced.string();
        FileReplacement replacement;
        std::vector<SyscallEvent> events;
        {
            SyscallTrace trace;
            ASSERT_TRUE(replacement.Open(Utf8ToUtf16((base / c.destination).string()).c_str()));
            ASSERT_TRUE(replacement.Write(content.data(), content.size()));
            ASSERT_TRUE(replacement.Commit());
            events = trace.EventsUnder(base.string());
        }

        // The temporary file's name is made up as it is opened: the rename tells it.
        std::string temporary;
        for (const SyscallEvent& event : events)
            if (event.call == "rename") temporary = event.path;
        EXPECT_EQ(temporary.rfind(replaced + ".~quillon.", 0), 0u) << temporary;
        const std::vector<SyscallEvent> expected = {
            {"fsync", temporary, ""},
            {"rename", temporary, replaced},
            {"fsync", c.replaced.parent_path().string(), ""},
        };
        EXPECT_EQ(events, expected);
    }
}

}  // namespace
