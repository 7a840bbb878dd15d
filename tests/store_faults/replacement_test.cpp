// What the atomic replacement of the document keeps: its permissions and owner, and symbolic links to it.
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include "scratch_folder.h"
#include "store/chk_uid.h"

namespace faults {
namespace {

constexpr std::string_view kDocument = "[base]\r\nver=1.0.6.18\r\n";

bool setNick(const std::filesystem::path& document, const char* nick) {
    CChkUid store;
    store.InitChkCfg(document, ".qelvo");
    return store.SetMyKey("base", "nick", nick);
}

TEST(Replacement, KeepsThePermissionsOfAnExistingDocument) {
    for (const unsigned mode : {0640u, 0604u, 0660u, 0644u, 0600u}) {
        SCOPED_TRACE(testing::Message() << std::oct << mode);
        const ScratchFolder folder;
        const std::filesystem::path document = folder / "cards.qelvo";
        writeBytes(document, kDocument);
        std::filesystem::permissions(document, std::filesystem::perms(mode));
        ASSERT_TRUE(setNick(document, "changed"));
        EXPECT_EQ(modeOf(document), mode);
    }
}

TEST(Replacement, NewDocumentIsItsOwnersOnlyWhateverTheUmask) {
    const ScratchFolder folder;
    const std::filesystem::path document = folder / "cards.qelvo";
    const mode_t umask = ::umask(0);
    const bool saved = setNick(document, "new");
    ::umask(umask);
    ASSERT_TRUE(saved);
    EXPECT_EQ(modeOf(document), 0600u);
}

TEST(Replacement, KeepsTheOwnerOfAnExistingDocument) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "only the administrator may write another user's file";
    const ScratchFolder folder;
    const std::filesystem::path document = folder / "cards.qelvo";
    writeBytes(document, kDocument);
    ASSERT_EQ(::chown(document.c_str(), 65534, 65534), 0);
    ASSERT_TRUE(setNick(document, "changed"));
    struct stat st {};
    ASSERT_EQ(::stat(document.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);
}

// cards.qelvo is a link to data/real.qelvo, directly or through data/middle.qelvo.
TEST(Replacement, WritesThroughSymbolicLinksAndKeepsThem) {
    const struct {
        const char* name;
        bool absolute;
        bool throughMiddle;
    } cases[] = {
        {"relative link", false, false},
        {"absolute link", true, false},
        {"link to a link", false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ScratchFolder folder;
        const std::filesystem::path link = folder / "cards.qelvo";
        const std::filesystem::path real = folder / "data/real.qelvo";
        std::filesystem::create_directory(folder / "data");
        writeBytes(real, kDocument);
        std::filesystem::permissions(real, std::filesystem::perms(0640));
        std::filesystem::path linkText = c.throughMiddle ? "data/middle.qelvo" : "data/real.qelvo";
        if (c.absolute)
            linkText = folder / linkText;
        std::filesystem::create_symlink(linkText, link);
        if (c.throughMiddle)
            std::filesystem::create_symlink("real.qelvo", folder / "data/middle.qelvo");
        const std::vector<std::string> namesBefore = entryNames(folder.path());
        const std::vector<std::string> dataBefore = entryNames(folder / "data");

        ASSERT_TRUE(setNick(link, "changed"));
        EXPECT_TRUE(std::filesystem::is_symlink(link));
        EXPECT_EQ(std::filesystem::read_symlink(link), linkText);
        if (c.throughMiddle) {
            EXPECT_EQ(std::filesystem::read_symlink(folder / "data/middle.qelvo"), "real.qelvo");
        }
        EXPECT_EQ(readBytes(real), std::string(kDocument) + "nick=changed\r\n");
        EXPECT_EQ(modeOf(real), 0640u);
        EXPECT_EQ(entryNames(folder.path()), namesBefore);
        EXPECT_EQ(entryNames(folder / "data"), dataBefore);
    }
}

}  // namespace
}  // namespace faults
