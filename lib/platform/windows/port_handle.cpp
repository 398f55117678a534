#include "platform/port_handle.h"

#include <windows.h>

#include <algorithm>

#include "platform/clock.h"
#include "platform/windows/windows_handles.h"

namespace dorvex {
namespace {

// A wait for input looks at the wake signal at least this often.
constexpr int kWakeCheckMs = 20;

// An event for one overlapped call, closed with it.
class OverlappedCall {
  public:
    OverlappedCall() { overlapped_.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr); }
    ~OverlappedCall() {
        if (overlapped_.hEvent != nullptr)
            CloseHandle(overlapped_.hEvent);
    }
    OverlappedCall(const OverlappedCall&) = delete;
    OverlappedCall& operator=(const OverlappedCall&) = delete;

    bool Usable() const { return overlapped_.hEvent != nullptr; }
    OVERLAPPED* Get() { return &overlapped_; }
    HANDLE Event() const { return overlapped_.hEvent; }

    // Completes a call that returned `started`: 0 and the bytes moved, or the error code.
    DWORD Finish(HANDLE handle, BOOL started, DWORD& moved) {
        if (!started && GetLastError() != ERROR_IO_PENDING)
            return GetLastError();
        return GetOverlappedResult(handle, &overlapped_, &moved, TRUE) ? 0 : GetLastError();
    }

  private:
    OVERLAPPED overlapped_{};
};

// Bytes waiting in the port's input queue; -1 when the port cannot tell.
long QueuedInput(HANDLE handle) {
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(handle, &errors, &status))
        return -1;
    return static_cast<long>(status.cbInQue);
}

// Waits up to `waitMs` for a received character (the port's mask includes EV_RXCHAR). A port
// that cannot wait for events is polled instead.
void WaitForCharacter(HANDLE handle, int waitMs) {
    OverlappedCall call;
    DWORD events = 0;
    if (!call.Usable()) {
        SleepMs(waitMs);
        return;
    }
    if (WaitCommEvent(handle, &events, call.Get()))
        return;
    if (GetLastError() != ERROR_IO_PENDING) {
        SleepMs(std::min(waitMs, 10));
        return;
    }
    if (WaitForSingleObject(call.Event(), static_cast<DWORD>(waitMs)) != WAIT_OBJECT_0)
        CancelIoEx(handle, call.Get());
    DWORD ignored = 0;
    GetOverlappedResult(handle, call.Get(), &ignored, TRUE);
}

}  // namespace

int PortHandle::Close() {
    if (fd_ < 0)
        return 0;
    BOOL closed = CloseHandle(IntToHandle(fd_));
    fd_ = -1;
    return closed ? 0 : static_cast<int>(GetLastError());
}

// The port's read time-outs make a read return at once with what has arrived.
IoResult PortHandle::Read(char* buffer, std::size_t size) {
    OverlappedCall call;
    if (!call.Usable())
        return {0, static_cast<int>(GetLastError())};
    const HANDLE handle = IntToHandle(fd_);
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(size, MAXDWORD));
    DWORD moved = 0;
    BOOL started = ReadFile(handle, buffer, wanted, nullptr, call.Get());
    if (DWORD error = call.Finish(handle, started, moved); error != 0)
        return {0, static_cast<int>(error)};
    return {static_cast<std::ptrdiff_t>(moved), 0};
}

int PortHandle::WriteAll(const char* data, std::size_t length) {
    const HANDLE handle = IntToHandle(fd_);
    std::size_t done = 0;
    while (done < length) {
        OverlappedCall call;
        if (!call.Usable())
            return static_cast<int>(GetLastError());
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(length - done, 1 << 20));
        DWORD moved = 0;
        BOOL started = WriteFile(handle, data + done, chunk, nullptr, call.Get());
        if (DWORD error = call.Finish(handle, started, moved); error != 0)
            return static_cast<int>(error);
        // The write time-out ran out before a byte left: the port is stuck.
        if (moved == 0)
            return ERROR_TIMEOUT;
        done += moved;
    }
    return 0;
}

WaitResult PortHandle::WaitReadable(int timeoutMs, const WakeSignal* wake) const {
    if (fd_ < 0)
        return WaitResult::Failed;
    const HANDLE handle = IntToHandle(fd_);
    const std::int64_t deadline = TickMs() + std::max(timeoutMs, 0);
    for (;;) {
        if (wake != nullptr && wake->IsRaised())
            return WaitResult::Interrupted;
        long queued = QueuedInput(handle);
        if (queued < 0)
            return WaitResult::Failed;
        if (queued > 0)
            return WaitResult::Ready;
        const std::int64_t left = deadline - TickMs();
        if (left <= 0)
            return WaitResult::TimedOut;
        WaitForCharacter(handle, static_cast<int>(std::min<std::int64_t>(left, kWakeCheckMs)));
    }
}

}  // namespace dorvex
