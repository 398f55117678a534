// A stand-in for the transfer library, loaded by name like the real one, to test how the
// program binds it. DORVEX_STUB_NEW adds the reason, wait and reply-timeout exports of newer
// libraries; DORVEX_STUB_INCOMPLETE leaves out one of the eighteen.
#include <algorithm>
#include <cstring>
#include <string>

#include "dorvex.h"

namespace {

thread_local std::string lastError;

int Fail(const std::string& reason) {
    lastError = reason;
    return -1;
}

// Copies as much of `text` as fits, zero-terminated; its length.
[[maybe_unused]] int CopyText(const std::string& text, char* out, int size) {
    if (out == nullptr || size <= 0)
        return 0;
    const std::size_t n = std::min(text.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
    return static_cast<int>(n);
}

}  // namespace

extern "C" {

// Exports that only need to be there and succeed.
#define SUCCEEDS(name, ...)                        \
    DORVEX_API int DORVEX_CALL name(__VA_ARGS__) { \
        return 1;                                  \
    }
SUCCEEDS(TestConnection, const char*, char*)
SUCCEEDS(CloseDorvex, void)
SUCCEEDS(OpenDorvexComm, const char*, const char*, const char*, int, int)
SUCCEEDS(CloseDorvexComm, void)
SUCCEEDS(SetDestination, const char*)
SUCCEEDS(SetCRChar, const char*)
SUCCEEDS(SetInputDir, const char*)
SUCCEEDS(SetOutputDir, const char*)
SUCCEEDS(SetErrorDir, const char*)
SUCCEEDS(SetDisplayErrorMode, int)
SUCCEEDS(SetConnectionTimeout, int)
SUCCEEDS(SendReadFile, const char*)
SUCCEEDS(SendDeleteFile, const char*)
SUCCEEDS(SendData, const char*)
#ifndef DORVEX_STUB_INCOMPLETE
SUCCEEDS(ReceiveData, char*)
#endif
// Refuses the address "refuse": the address must arrive in its own place.
DORVEX_API int DORVEX_CALL OpenDorvex(const char*, const char*, const char* address, int, int,
                                      const char*) {
    const bool refused = address != nullptr && std::strcmp(address, "refuse") == 0;
    return refused ? Fail("Connecting to refuse:1120 failed: connection refused") : 1;
}
// Refuses every file, naming it: a long name makes a reason longer than any buffer.
DORVEX_API int DORVEX_CALL SendWriteFile(const char* name) {
    return Fail(std::string("no table of table.csv is named in the file name \"") +
                (name != nullptr ? name : "") + "\"; rename the file (Article, Département)");
}
DORVEX_API int DORVEX_CALL GetCommStatus(void) {
    return 5;
}

#ifdef DORVEX_STUB_NEW
SUCCEEDS(SetReplyTimeout, int, int)
DORVEX_API int DORVEX_CALL GetReplyWait(int* waited, int* limit) {
    *waited = 61000;
    *limit = 9000000;
    return 1;
}
DORVEX_API int DORVEX_CALL GetLastErrorText(char* text, int size) {
    return CopyText(lastError, text, size);
}
DORVEX_API int DORVEX_CALL GetTransferErrorText(char* text, int size) {
    return CopyText("no reply to request 2 of 3 within 5000 ms", text, size);
}
#endif
}
