// The platform headers keep handles in an int, as the POSIX side keeps descriptors. Windows
// handles and sockets are 32-bit significant even in 64-bit processes (so that 32- and 64-bit
// programs can share them): they survive truncation to int and sign extension back, and the
// invalid values (INVALID_HANDLE_VALUE, INVALID_SOCKET) both become -1.
#pragma once

#include <windows.h>
#include <winsock2.h>

#include <cstdint>

namespace dorvex {

inline int HandleToInt(HANDLE handle) {
    return static_cast<int>(reinterpret_cast<std::intptr_t>(handle));
}

inline HANDLE IntToHandle(int value) {
    return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(value));
}

inline int SocketToInt(SOCKET socket) {
    return static_cast<int>(static_cast<std::intptr_t>(socket));
}

inline SOCKET IntToSocket(int value) {
    return static_cast<SOCKET>(static_cast<std::intptr_t>(value));
}

}  // namespace dorvex
