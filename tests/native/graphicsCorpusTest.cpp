// Replays the fuzz targets' seed corpus: every file must be read into a consistent bitmap or
// refused cleanly, and every block pair checked consistently (see tests/fuzz).
#include "tests/fuzz/graphicsFuzzChecks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {
std::vector<std::filesystem::path> CorpusFiles(const char* folder) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(TOVANE_FUZZ_CORPUS) / folder))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::uint8_t> Bytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}
} // namespace

TEST(FuzzCorpus, BitmapFilesReadConsistentlyOrAreRefused) {
    const auto files = CorpusFiles("bmp");
    ASSERT_GE(files.size(), 10u);
    int read = 0;
    for (const auto& f : files) {
        SCOPED_TRACE(f.filename().string());
        const auto bytes = Bytes(f);
        EXPECT_NO_THROW(graphics_fuzz::CheckBitmapFileInput(bytes.data(), bytes.size()));
        try {
            tovane::ReadBitmapFile(std::span<const std::uint8_t>(bytes),
                                   graphics_fuzz::FuzzLimits());
            ++read;
        } catch (const tovane::EInvalidGraphic&) {
        }
    }
    EXPECT_GE(read, 10); // the seeds are real bitmaps
}

TEST(FuzzCorpus, PluginBlocksCheckConsistently) {
    const auto files = CorpusFiles("dibcheck");
    ASSERT_GE(files.size(), 5u);
    for (const auto& f : files) {
        SCOPED_TRACE(f.filename().string());
        const auto bytes = Bytes(f);
        EXPECT_NO_THROW(graphics_fuzz::CheckDibBlocksInput(bytes.data(), bytes.size()));
    }
}
