// The temporary file behind a recording or a card: beside the final name, hidden,
// with a new file's permissions, renamed into place or gone.
#include "base/partial_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/scratch_folder.h"

namespace {

namespace fs = std::filesystem;

std::string contents(const fs::path& path) {
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(PartialFile, CommitPutsTheWholeFileInPlaceWithANewFilesPermissions) {
    const fs::path dir = scratchFolder("partial-commit");
    std::ofstream(dir / "card.mp4") << "old";
    PartialFile file;
    std::string error;
    ASSERT_TRUE(file.create((dir / "card.mp4").string(), error)) << error;
    const fs::path temporary = file.temporaryPath();
    EXPECT_EQ(temporary.parent_path(), dir) << "the same folder, so the rename cannot cross disks";
    EXPECT_EQ(temporary.filename().string().rfind(".card.mp4.", 0), 0u) << temporary;
    EXPECT_EQ(contents(dir / "card.mp4"), "old") << "untouched until the end";
    std::ofstream(temporary) << "new";
    ASSERT_TRUE(file.commit(error)) << error;
    EXPECT_EQ(contents(dir / "card.mp4"), "new");
    EXPECT_FALSE(fs::exists(temporary));
    EXPECT_TRUE(file.temporaryPath().empty());

    struct stat info {};
    ASSERT_EQ(stat((dir / "card.mp4").c_str(), &info), 0);
    const mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask) << "not the 0600 of a private temporary file";
}

TEST(PartialFile, DiscardAndDestructionRemoveTheTemporaryFileOnly) {
    const fs::path dir = scratchFolder("partial-discard");
    std::ofstream(dir / "card.mp4") << "old";
    std::string error;
    fs::path first, second;
    {
        PartialFile a, b;
        ASSERT_TRUE(a.create((dir / "card.mp4").string(), error)) << error;
        ASSERT_TRUE(b.create((dir / "card.mp4").string(), error)) << error;
        first = a.temporaryPath();
        second = b.temporaryPath();
        EXPECT_NE(first, second) << "two recordings to one name do not share a temporary file";
        a.discard();
        EXPECT_FALSE(fs::exists(first));
        a.discard();
        EXPECT_TRUE(fs::exists(second));
    }
    EXPECT_FALSE(fs::exists(second));
    EXPECT_EQ(contents(dir / "card.mp4"), "old");
}

TEST(PartialFile, RefusesWhatItCannotOrMustNotReplace) {
    const fs::path dir = scratchFolder("partial-refuse");
    fs::create_directory(dir / "folder.mp4");
    PartialFile file;
    std::string error;
    EXPECT_FALSE(file.create((dir / "folder.mp4").string(), error));
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
    EXPECT_FALSE(file.create("/dev/null", error)) << "a device is not ours to replace";
    EXPECT_FALSE(file.create((dir / "missing" / "card.mp4").string(), error));
    EXPECT_NE(error.find("cannot create a file in"), std::string::npos) << error;
    EXPECT_FALSE(file.create((dir / "").string(), error)) << "a folder name";
    EXPECT_FALSE(file.commit(error)) << "nothing created, nothing to commit";
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

}  // namespace
