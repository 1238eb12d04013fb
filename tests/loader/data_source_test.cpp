#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "music/file_callbacks.h"
#include "music/loader.h"
#include "music/resource_stream.h"
#include "xm_builder.h"

namespace {

// A 100-byte stream whose byte k is k, over the resource callbacks' code.
struct HundredBytes : ::testing::Test {
    uint8_t bytes[100];
    ResourceStream stream{};
    void SetUp() override {
        for (int k = 0; k < 100; ++k) bytes[k] = static_cast<uint8_t>(k);
        stream = ResourceStream{100, 0, bytes};
    }
};

TEST_F(HundredBytes, ReadsAreClippedAtTheEnd) {
    uint8_t out[32];
    EXPECT_EQ(resourceStreamRead(out, 17, &stream), 17);
    EXPECT_EQ(resourceStreamTell(&stream), 17);
    EXPECT_EQ(out[16], 16);
    resourceStreamSeek(&stream, 90, SEEK_FROM_START);
    std::memset(out, 0xEE, sizeof out);
    EXPECT_EQ(resourceStreamRead(out, 17, &stream), 10);
    EXPECT_EQ(stream.position, 100);
    EXPECT_EQ(out[9], 99);
    EXPECT_EQ(out[10], 0xEE) << "nothing is written past the delivered bytes";
    EXPECT_EQ(resourceStreamRead(out, 17, &stream), 0);
    EXPECT_EQ(out[0], 90) << "a read at the end leaves the destination untouched";
}

TEST_F(HundredBytes, CountsOfZeroOrLessAndHugeCountsAreSafe) {
    uint8_t out[4] = {7, 7, 7, 7};
    EXPECT_EQ(resourceStreamRead(out, 0, &stream), 0);
    EXPECT_EQ(resourceStreamRead(out, -5, &stream), 0);
    EXPECT_EQ(out[0], 7);
    std::vector<uint8_t> big(100);
    resourceStreamSeek(&stream, 98, SEEK_FROM_START);
    // position + count would overflow 32 bits.
    EXPECT_EQ(resourceStreamRead(big.data(), INT32_MAX, &stream), 2);
}

TEST_F(HundredBytes, SeeksStayWithinZeroAndSize) {
    resourceStreamSeek(&stream, 150, SEEK_FROM_START);
    EXPECT_EQ(stream.position, 100);
    resourceStreamSeek(&stream, 40, SEEK_FROM_START);
    resourceStreamSeek(&stream, -10, SEEK_TO_END);
    EXPECT_EQ(stream.position, 100) << "mode 2 ignores its offset";
    resourceStreamSeek(&stream, 40, SEEK_FROM_START);
    resourceStreamSeek(&stream, 23, SEEK_RELATIVE);
    EXPECT_EQ(stream.position, 63);
    resourceStreamSeek(&stream, 5, 5);
    EXPECT_EQ(stream.position, 63) << "unknown modes leave the position";
    resourceStreamSeek(&stream, -100, SEEK_RELATIVE);
    EXPECT_EQ(stream.position, 0);
    resourceStreamSeek(&stream, -1, SEEK_FROM_START);
    EXPECT_EQ(stream.position, 0);
    resourceStreamSeek(&stream, 99, SEEK_FROM_START);
    resourceStreamSeek(&stream, INT32_MAX, SEEK_RELATIVE);
    EXPECT_EQ(stream.position, 100);
}

TEST(ResourceCallbacks, MissingResourceGivesAnEmptyStreamAndTheLoadSaysWhy) {
    void* s = resourceStreamOpen("NO_SUCH_MODULE");
    ASSERT_NE(s, nullptr);
    uint8_t out[4] = {};
    EXPECT_EQ(resourceStreamRead(out, 4, s), 0);
    EXPECT_EQ(resourceStreamTell(s), 0);
    resourceStreamClose(s);

    registerResourceCallbacks();
    EXPECT_EQ(createSong("NO_SUCH_MODULE", nullptr), nullptr);
    EXPECT_EQ(lastLoadError().code, LoadErrorCode::NotXm);
    registerFileCallbacks(nullptr, nullptr, nullptr, nullptr, nullptr);
}

TEST(FileCallbacks, OneNullPointerClearsTheWholeTable) {
    registerResourceCallbacks();
    EXPECT_TRUE(fileCallbacksRegistered());
    registerFileCallbacks(resourceStreamOpen, resourceStreamClose, resourceStreamRead, nullptr,
                          resourceStreamTell);
    EXPECT_FALSE(fileCallbacksRegistered());
    FileCallbacks table = registeredFileCallbacks();
    EXPECT_EQ(table.open, nullptr);
    EXPECT_EQ(table.tell, nullptr);
    EXPECT_EQ(SongStream::open("TRACK"), nullptr);
    EXPECT_EQ(createSong("TRACK", nullptr), nullptr);
    EXPECT_EQ(lastLoadError().code, LoadErrorCode::NotRegistered);
}

TEST(SongStream, NullHandlesDoNothing) {
    uint8_t out[4] = {1, 2, 3, 4};
    EXPECT_EQ(SongStream::read(out, 4, nullptr), 0);
    EXPECT_EQ(out[0], 1);
    SongStream::seek(nullptr, 10, SEEK_FROM_START);
    EXPECT_EQ(SongStream::tell(nullptr), 0);
    SongStream::close(nullptr);
}

// A callback set that counts its calls, to see what the handle forwards.
struct Counting {
    static inline int opens = 0, closes = 0;
    static void* open(const char* name) {
        ++opens;
        return std::strcmp(name, "fail") == 0 ? nullptr : &opens;
    }
    static void close(void*) { ++closes; }
    static int32_t read(void*, int32_t, void*) { return 0; }
    static void seek(void*, int32_t, uint8_t) {}
    static int32_t tell(void*) { return 0; }
};

TEST(SongStream, OpenFailureFreesTheHandleAndCloseHandsTheStreamBack) {
    registerFileCallbacks(Counting::open, Counting::close, Counting::read, Counting::seek, Counting::tell);
    Counting::opens = Counting::closes = 0;
    EXPECT_EQ(SongStream::open("fail"), nullptr);
    EXPECT_EQ(Counting::closes, 0);
    SongStream* s = SongStream::open("fine");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->stream, &Counting::opens);
    SongStream::close(s);
    EXPECT_EQ(Counting::closes, 1);
    // The loader closes the stream whatever the result.
    EXPECT_EQ(createSong("fine", nullptr), nullptr);
    EXPECT_EQ(Counting::closes, 2);
    EXPECT_EQ(lastLoadError().code, LoadErrorCode::NotXm);
    registerFileCallbacks(nullptr, nullptr, nullptr, nullptr, nullptr);
}

// Memory and files open into byte sources of their own: the registered table,
// the way to open a song by name, is never swapped for them.
TEST(ByteSources, MemoryAndFilesLoadWithoutTouchingTheRegisteredTable) {
    std::vector<uint8_t> xm = xmtest::buildXm(xmtest::ModuleSpec{});
    registerResourceCallbacks();
    Song* song = createSongFromMemory(xm.data(), xm.size());
    ASSERT_NE(song, nullptr) << lastLoadError().message;
    EXPECT_EQ(song->channelCount, 2);
    freeSong(song);
    EXPECT_EQ(registeredFileCallbacks().open, &resourceStreamOpen);

    std::filesystem::create_directories(YULE_TEST_OUT);
    const std::string path = std::string(YULE_TEST_OUT) + "/loader_file_source.xm";
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(xm.data(), 1, xm.size(), f);
    std::fclose(f);
    song = createSongFromFile(path.c_str());
    ASSERT_NE(song, nullptr) << lastLoadError().message;
    freeSong(song);
    EXPECT_EQ(registeredFileCallbacks().open, &resourceStreamOpen);

    EXPECT_EQ(createSongFromFile((path + ".missing").c_str()), nullptr);
    EXPECT_EQ(lastLoadError().code, LoadErrorCode::OpenFailed);
    EXPECT_NE(std::string(lastLoadError().message).find(".missing"), std::string::npos);
    EXPECT_EQ(registeredFileCallbacks().open, &resourceStreamOpen) << "kept after a failure";

    registerFileCallbacks(nullptr, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(song = createSongFromMemory(xm.data(), xm.size()), nullptr);
    freeSong(song);
    EXPECT_FALSE(fileCallbacksRegistered()) << "an empty table stays empty";
    EXPECT_EQ(createSongFromMemory(nullptr, 0), nullptr);
    EXPECT_EQ(lastLoadError().code, LoadErrorCode::NotXm);
}

// An owning source keeps its bytes through moves, short ones too (a short
// string may live inside the object that is moved from).
TEST(ByteSources, OwnedBytesSurviveMoves) {
    for (const std::string& bytes : {std::string("XM"), std::string(4096, 'x')}) {
        ByteSource first = ByteSource::owning(bytes);
        ByteSource second = std::move(first);
        ByteSource third;
        third = std::move(second);
        ASSERT_EQ(third.size(), bytes.size());
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(third.bytes().data()), third.size()), bytes);
        EXPECT_EQ(first.size(), 0u);
    }
    const char borrowed[] = "Extended";
    const ByteSource view = ByteSource::borrowing(borrowed, 8);
    EXPECT_EQ(static_cast<const void*>(view.bytes().data()), static_cast<const void*>(borrowed));
    EXPECT_EQ(ByteSource::borrowing(nullptr, 99).size(), 0u);
}

}  // namespace
