// The decoded-picture cache: bounded by bytes, least recently used first out, never fewer than
// the two most recent pictures, and a changed file is a miss.
#include "imaging/portable/PictureCache.h"

#include <gtest/gtest.h>

#include <memory>

using namespace tovane;

namespace {

PictureStamp Stamp(const char* path, std::uint64_t size = 100, std::uint64_t time = 1) {
    return PictureStamp{path, size, time};
}

} // namespace

TEST(PictureCache, EvictsTheLeastRecentlyUsedOverTheBound) {
    TPictureCache<int> cache(300);
    cache.Insert(Stamp("a"), std::make_shared<int>(1), 100);
    cache.Insert(Stamp("b"), std::make_shared<int>(2), 100);
    cache.Insert(Stamp("c"), std::make_shared<int>(3), 100);
    ASSERT_NE(cache.Find(Stamp("a")), nullptr); // a becomes the most recent
    cache.Insert(Stamp("d"), std::make_shared<int>(4), 100);
    EXPECT_EQ(cache.Find(Stamp("b")), nullptr);
    EXPECT_EQ(*cache.Find(Stamp("a")), 1);
    EXPECT_TRUE(cache.Contains(Stamp("c")));
    EXPECT_EQ(cache.Bytes(), 300u);
    // A picture growing by its rendering pushes out the oldest.
    cache.Resize("a", 150);
    EXPECT_FALSE(cache.Contains(Stamp("c")));
    EXPECT_EQ(cache.Bytes(), 250u);
}

TEST(PictureCache, KeepsTheTwoMostRecentHoweverLarge) {
    TPictureCache<int> cache(100);
    cache.Insert(Stamp("a"), std::make_shared<int>(1), 500);
    cache.Insert(Stamp("b"), std::make_shared<int>(2), 500);
    EXPECT_EQ(cache.Count(), 2u);
    cache.Insert(Stamp("c"), std::make_shared<int>(3), 500);
    EXPECT_EQ(cache.Count(), 2u);
    EXPECT_FALSE(cache.Contains(Stamp("a")));
}

TEST(PictureCache, AChangedFileIsAMissAndIsDropped) {
    TPictureCache<int> cache(1000);
    cache.Insert(Stamp("a", 100, 1), std::make_shared<int>(1), 100);
    EXPECT_EQ(cache.Find(Stamp("a", 100, 2)), nullptr); // written since
    EXPECT_EQ(cache.Count(), 0u);
    cache.Insert(Stamp("a", 100, 1), std::make_shared<int>(1), 100);
    EXPECT_EQ(cache.Find(Stamp("a", 101, 1)), nullptr); // another size
    cache.Insert(Stamp("a", 100, 1), std::make_shared<int>(1), 100);
    cache.Insert(Stamp("a", 100, 3), std::make_shared<int>(2), 100); // replaces, not adds
    EXPECT_EQ(cache.Count(), 1u);
    EXPECT_EQ(cache.Bytes(), 100u);
    EXPECT_EQ(*cache.Find(Stamp("a", 100, 3)), 2);
}

TEST(PictureCache, ARewriteWithTheSameSizeAndTimeOrAnotherFileIsAMiss) {
    const PictureStamp held{"a", 100, 1, 7, 42, 9};
    PictureStamp rewritten = held;
    rewritten.ChangeTime = 8;
    PictureStamp replaced = held; // another file moved in under the same name
    replaced.FileIndex = 43;
    PictureStamp otherVolume = held;
    otherVolume.Volume = 10;
    for (const PictureStamp& other : {rewritten, replaced, otherVolume}) {
        TPictureCache<int> cache(1000);
        cache.Insert(held, std::make_shared<int>(1), 100);
        PictureStamp latest;
        ASSERT_NE(cache.FindLatest("a", latest), nullptr); // by the path alone
        EXPECT_EQ(latest, held);
        EXPECT_EQ(cache.Find(other), nullptr);
        EXPECT_EQ(cache.FindLatest("a", latest), nullptr);
    }
}

TEST(PictureCache, DefaultBoundIsAQuarterOfMemoryAtMostOneGiB) {
    EXPECT_EQ(DefaultPictureCacheBytes(std::uint64_t{2} << 30), std::size_t{512} << 20);
    EXPECT_EQ(DefaultPictureCacheBytes(std::uint64_t{64} << 30), std::size_t{1} << 30);
    EXPECT_EQ(DefaultPictureCacheBytes(std::uint64_t{64} << 30, 32), std::size_t{512} << 20);
    EXPECT_EQ(DefaultPictureCacheBytes(std::uint64_t{1} << 30, 32), std::size_t{256} << 20);
}
