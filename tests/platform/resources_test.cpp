#include "platform/resources.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(Resources, BitmapsAreFoundByIdWithExactBytes) {
    for (int id = 102; id <= 107; ++id) {
        Resource r = findResource(id, "BITMAP");
        ASSERT_NE(r.bytes, nullptr) << "bitmap " << id;
        ASSERT_GT(r.size, 54u);
        EXPECT_EQ(0, std::memcmp(r.bytes, "BM", 2));
        uint32_t fileSize;
        std::memcpy(&fileSize, r.bytes + 2, 4);
        EXPECT_EQ(fileSize, r.size) << "embedded length must be the file's own";
    }
}

TEST(Resources, LookupByNameIgnoresCaseAndTypeMustMatch) {
    Resource byHash = findResource("#102", "bitmap");
    EXPECT_EQ(byHash.id, 102);
    EXPECT_EQ(findResource(102, "XM").bytes, nullptr);
    EXPECT_EQ(findResource("#", "BITMAP").bytes, nullptr);
    EXPECT_EQ(findResource("#12x", "BITMAP").bytes, nullptr);
    EXPECT_EQ(findResource("NO_SUCH_THING", nullptr).bytes, nullptr);
    EXPECT_EQ(findResource(static_cast<const char*>(nullptr), nullptr).size, 0u);
}

TEST(Resources, IconIsPresent) {
    Resource icon = findResource(101, "ICON");
    ASSERT_NE(icon.bytes, nullptr);
    EXPECT_EQ(0, std::memcmp(icon.bytes, "BM", 2));
}

}  // namespace
