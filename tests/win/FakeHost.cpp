// A decoding host that misbehaves as the environment variable TOVANE_FAKE_HOST says. It greets
// properly and then answers every request with nonsense: "trailing" (the right answer with a
// byte too many) or "kind" (an answer of another kind). Or it greets falsely: "otherpid" (with
// another process's id) or "impostor" (another process connects and greets with this one's id).
// For the program side's protocol errors and its check of who connected.
#include "imaging/portable/HostProtocol.h"

#include <windows.h>

#include <cstdlib>
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
    std::vector<std::uint8_t> frame = Frame(body);
    return Transfer(pipe, true, frame.data(), frame.size());
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2)
        return 2;
    char mode[32] = "";
    GetEnvironmentVariableA("TOVANE_FAKE_HOST", mode, sizeof mode);
    if (std::strcmp(mode, "impostor") == 0) {
        // A child connects in this process's name; this one only waits to be ended.
        SetEnvironmentVariableA("TOVANE_FAKE_HOST", "impostor-child");
        std::wstring line = L"\"" + std::wstring(argv[0]) + L"\" " +
                            std::to_wstring(GetCurrentProcessId()) + L" " + argv[argc - 1];
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION child{};
        if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &child))
            return 1;
        CloseHandle(child.hThread);
        WaitForSingleObject(child.hProcess, INFINITE);
        CloseHandle(child.hProcess);
        return 0;
    }
    const HANDLE pipe = CreateFileW(argv[argc - 1], GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    if (pipe == INVALID_HANDLE_VALUE)
        return 2;
    DWORD greeting = GetCurrentProcessId();
    if (std::strcmp(mode, "impostor-child") == 0 && argc >= 3)
        greeting = static_cast<DWORD>(std::wcstoul(argv[1], nullptr, 10));
    else if (std::strcmp(mode, "otherpid") == 0)
        greeting += 4;
    if (!Send(pipe, Encode(THello{greeting})))
        return 1;
    for (;;) {
        // The request itself does not matter: every one gets the mode's answer.
        if (!ReadFrame([pipe](bool write, void* data, std::size_t size) {
                return Transfer(pipe, write, data, size);
            }))
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
