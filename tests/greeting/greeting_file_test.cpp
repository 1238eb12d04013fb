// Reading a greeting by path: what a user may hand the card instead of a
// greeting file, and the example greeting that the README shows.
#include "greeting/greeting_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

fs::path scratch(const std::string& name) {
    const fs::path dir = fs::path(YULE_TEST_OUT) / "greeting";
    fs::create_directories(dir);
    return dir / name;
}

fs::path writeFile(const std::string& name, const std::string& bytes) {
    const fs::path path = scratch(name);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    return path;
}

TEST(GreetingFile, ReadsAndLaysOutAFile) {
    const fs::path path = writeFile("hello.txt", "\xEF\xBB\xBFJoyeux No\xC3\xABl !\r\n");
    const GreetingResult r = loadGreetingFile(path.string());
    ASSERT_TRUE(r.ok()) << r.error;
    ASSERT_EQ(r.greeting.pages.size(), 1u);
    EXPECT_EQ(r.greeting.pages[0].lines, std::vector<std::u32string>{U"Joyeux No\u00EBl !"});
}

TEST(GreetingFile, ErrorsNameTheFileAsGiven) {
    const fs::path dir = scratch("a-folder");
    fs::create_directories(dir);
    const std::string missing = scratch("no-such-greeting.txt").string();
    const std::string throughAFile = writeFile("plain.txt", "hi").string() + "/wishes.txt";
    const struct {
        const char* what;
        std::string path;
        std::string error;
    } cases[] = {
        {"a missing file", missing, missing + ": cannot be read (No such file or directory)"},
        {"a folder", dir.string(), dir.string() + ": is a folder, not a greeting file"},
        {"a folder given with a slash", dir.string() + "/",
         dir.string() + "/: is a folder, not a greeting file"},
        {"a path through a file", throughAFile, throughAFile + ": cannot be read (Not a directory)"},
        {"an empty name", "", "the greeting file's name is empty"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const GreetingResult r = loadGreetingFile(c.path);
        EXPECT_FALSE(r.ok());
        EXPECT_EQ(r.error, c.error);
    }
    // Errors inside the file carry the name too.
    const fs::path bad = writeFile("bad.txt", "Merry\n\xF0\x9F\x8E\x84");
    EXPECT_EQ(
        loadGreetingFile(bad.string()).error,
        bad.string() +
            ":2:1: U+1F384 is not in the card's font; the card writes Latin, Greek and Cyrillic letters");
}

TEST(GreetingFile, AnUnreadableFileIsAnError) {
    const fs::path path = writeFile("locked.txt", "hi");
    ::chmod(path.c_str(), 0);
    const GreetingResult r = loadGreetingFile(path.string());
    ::chmod(path.c_str(), 0644);
    // The superuser reads it all the same; anyone else is refused.
    if (::geteuid() == 0) {
        EXPECT_TRUE(r.ok()) << r.error;
    } else {
        EXPECT_EQ(r.error, path.string() + ": cannot be read (Permission denied)");
    }
    // A file that opens but fails to read.
    if (fs::exists("/proc/self/mem")) {
        EXPECT_EQ(loadGreetingFile("/proc/self/mem").error,
                  "/proc/self/mem: cannot be read (Input/output error)");
    }
}

TEST(GreetingFile, ALargeFileIsRefusedWithTheLimit) {
    const std::string line = "Merry Christmas to all!\n";
    std::string megabyte;
    while (megabyte.size() < (1u << 20)) megabyte += line;
    const fs::path big = writeFile("megabyte.txt", megabyte);
    EXPECT_EQ(loadGreetingFile(big.string()).error,
              big.string() + ": too large for a greeting (more than 65536 bytes)");
    // At the limit the file is read; the greeting itself is then too long.
    const fs::path limit = writeFile("limit.txt", std::string(GREETING_FILE_MAX_BYTES, '\n'));
    EXPECT_EQ(loadGreetingFile(limit.string()).error,
              limit.string() + ": no greeting in the file (it is empty or blank)");
    const fs::path over = writeFile("over.txt", std::string(GREETING_FILE_MAX_BYTES + 1, '\n'));
    EXPECT_EQ(loadGreetingFile(over.string()).error,
              over.string() + ": too large for a greeting (more than 65536 bytes)");
    // A device that never ends is cut off at the limit, not read for ever.
    if (fs::exists("/dev/zero")) {
        EXPECT_EQ(loadGreetingFile("/dev/zero").error,
                  "/dev/zero: too large for a greeting (more than 65536 bytes)");
    }
}

TEST(GreetingFile, TheExamplesInTheDocsAreAcceptedWithTheirLetters) {
    // The pictures in docs/ were made from these: each is written as shown,
    // the last three on one page each.
    const struct {
        const char* file;
        char32_t beyond;  // each has letters from here up
        size_t pages;
    } examples[] = {{"greeting-example.txt", 0xC0, 6},
                    {"greeting-polish.txt", 0x100, 1},
                    {"greeting-greek.txt", 0x384, 1},
                    {"greeting-russian.txt", 0x400, 1}};
    for (const auto& e : examples) {
        SCOPED_TRACE(e.file);
        const GreetingResult r = loadGreetingFile(std::string(YULE_SOURCE_DIR "/docs/") + e.file);
        ASSERT_TRUE(r.ok()) << r.error;
        bool beyond = false;
        for (const GreetingPage& page : r.greeting.pages)
            for (const std::u32string& line : page.lines)
                for (const char32_t ch : line) beyond |= ch >= e.beyond && ch != U'\u2744';
        EXPECT_TRUE(beyond);
        EXPECT_EQ(r.greeting.pages.size(), e.pages);
    }
}

}  // namespace
