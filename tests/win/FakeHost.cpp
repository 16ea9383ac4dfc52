// A decoding host that greets properly and then answers every request with nonsense, as the
// environment variable TOVANE_FAKE_HOST says: "trailing" (the right answer with a byte too
// many) or "kind" (an answer of another kind). For the program side's protocol errors.
#include "imaging/portable/HostProtocol.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

using namespace tovane::host;

namespace {

bool Transfer(HANDLE pipe, bool write, void* data, std::size_t size) {
    auto* at = static_cast<char*>(data);
    while (size > 0) {
        DWORD n = 0;
        const BOOL ok = write ? WriteFile(pipe, at, static_cast<DWORD>(size), &n, nullptr)
                              : ReadFile(pipe, at, static_cast<DWORD>(size), &n, nullptr);
        if (!ok || n == 0)
            return false;
        at += n;
        size -= n;
    }
    return true;
}

bool Send(HANDLE pipe, std::vector<std::uint8_t> body) {
    std::vector<std::uint8_t> frame = FramePrefix(body.size());
    frame.insert(frame.end(), body.begin(), body.end());
    return Transfer(pipe, true, frame.data(), frame.size());
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2)
        return 2;
    const HANDLE pipe = CreateFileW(argv[argc - 1], GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    if (pipe == INVALID_HANDLE_VALUE)
        return 2;
    char mode[32] = "";
    GetEnvironmentVariableA("TOVANE_FAKE_HOST", mode, sizeof mode);
    if (!Send(pipe, Encode(THello{GetCurrentProcessId()})))
        return 1;
    for (;;) {
        std::uint8_t prefix[4];
        if (!Transfer(pipe, false, prefix, sizeof prefix))
            return 0;
        std::vector<std::uint8_t> request(FrameLength(prefix));
        if (!Transfer(pipe, false, request.data(), request.size()))
            return 0;
        std::vector<std::uint8_t> answer = Encode(TResult{1});
        if (std::strcmp(mode, "trailing") == 0)
            answer.push_back(0);
        else
            answer = Encode(TInfoResult{});
        if (!Send(pipe, answer))
            return 0;
    }
}
