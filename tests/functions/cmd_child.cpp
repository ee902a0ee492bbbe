// A console program for the $cmd and $execute cases: "big N" prints N
// bytes, "fail" prints to both streams and exits 3, "cat" copies its input,
// "hang" never ends, "touch FILE TEXT" writes TEXT to FILE.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {
void put(HANDLE h, const std::string& s) {
    DWORD n = 0;
    WriteFile(h, s.data(), static_cast<DWORD>(s.size()), &n, nullptr);
}
}  // namespace

int main(int argc, char** argv) {
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (argc >= 3 && std::strcmp(argv[1], "big") == 0) {
        const long n = std::atol(argv[2]);
        std::string s;
        for (long i = 0; i < n; ++i) s += char('a' + i % 26);
        put(out, s);  // one write, far larger than the pipe
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "fail") == 0) {
        put(out, "out");
        put(GetStdHandle(STD_ERROR_HANDLE), "oops\n");
        return 3;
    }
    if (argc >= 2 && std::strcmp(argv[1], "cat") == 0) {
        char buf[4096];
        DWORD n = 0;
        while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buf, sizeof buf, &n, nullptr) && n)
            put(out, std::string(buf, n));
        return 0;
    }
    if (argc >= 4 && std::strcmp(argv[1], "touch") == 0) {
        const HANDLE f = CreateFileA(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
        if (f == INVALID_HANDLE_VALUE) return 2;
        put(f, argv[3]);
        CloseHandle(f);
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "hang") == 0) {
        for (;;) Sleep(1000);
    }
    return 1;
}
