// The archive module's listing: GetArchiveInfo of a ZIP of 1,000 entries must read its
// directory, not its entries' data. Timed on two ZIPs of 1,000 entries that differ only in the
// entries' size (1 KiB and 100 KiB: 1 MB and 100 MB of data), against reading the larger file
// whole, in the same run. A listing that read the data would take as long as that read and
// grow a hundredfold from the small ZIP to the large one.
#include "BenchSupport.h"

#include <cstdio>
#include <vector>

namespace {

using GetArchiveInfoFn = int(WINAPI*)(LPCSTR, LONG_PTR, unsigned, HLOCAL*);

std::size_t ListedEntries(GetArchiveInfoFn list, const std::string& path) {
    HLOCAL block = nullptr;
    if (list(path.c_str(), 0, 0, &block) != 0 || !block)
        return 0;
    std::size_t n = 0;
    // The records are 428 (32-bit) or 448 bytes; a record whose method[0] is 0 ends them.
    const std::size_t record = sizeof(void*) == 8 ? 448 : 428;
    if (const auto* p = static_cast<const unsigned char*>(LocalLock(block))) {
        while (p[n * record] != 0)
            ++n;
        LocalUnlock(block);
    }
    LocalFree(block);
    return n;
}

std::size_t ReadWhole(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    std::vector<char> buffer(1 << 20);
    std::size_t total = 0;
    DWORD got = 0;
    while (ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) && got)
        total += got;
    CloseHandle(file);
    return total;
}

} // namespace

int main() {
    const std::string bin = bench::BinFolder();
    HMODULE module =
        LoadLibraryA((bin + (sizeof(void*) == 8 ? "axarchive.sph" : "axarchive.spi")).c_str());
    auto list = module ? reinterpret_cast<GetArchiveInfoFn>(
                             reinterpret_cast<void (*)()>(GetProcAddress(module, "GetArchiveInfo")))
                       : nullptr;
    if (!list) {
        std::fprintf(stderr, "axarchive not found in %s\n", bin.c_str());
        return 2;
    }
    const std::string small = bin + "bench-data\\archives\\many-small.zip";
    const std::string large = bin + "bench-data\\archives\\many-large.zip";
    if (ListedEntries(list, small) != 1000 || ListedEntries(list, large) != 1000) {
        std::fprintf(stderr, "the benchmark's ZIPs do not list 1,000 entries each\n");
        return 2;
    }
    std::vector<bench::TimedCase<std::size_t>> cases = {
        {"GetArchiveInfo, 1,000 entries of 1 KiB", [&] { return ListedEntries(list, small); }, {}},
        {"GetArchiveInfo, 1,000 entries of 100 KiB",
         [&] { return ListedEntries(list, large); },
         {}},
        {"reading the 100 KiB entries' ZIP whole", [&] { return ReadWhole(large); }, {}},
    };
    constexpr int Runs = 9;
    for (int run = 0; run < Runs; ++run)
        for (auto& c : cases)
            c.Times.push_back(bench::Seconds([&] { c.Run(); }));
    for (const auto& c : cases)
        std::printf("%-44s median %8.2f ms\n", c.Name, bench::Median(c.Times) * 1000);
    const double smallMs = bench::Median(cases[0].Times), largeMs = bench::Median(cases[1].Times),
                 readMs = bench::Median(cases[2].Times);
    std::printf("listing, 100 MB of data against 1 MB: %.2f (1.0: the data is not read)\n",
                largeMs / smallMs);
    std::printf("listing against reading the file whole: %.2f\n", largeMs / readMs);
    FreeLibrary(module);
    return 0;
}
