#include "platform/file_write.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <string>

namespace dorvex {
namespace {

class FileHandle {
  public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    HANDLE Get() const { return handle_; }
    int Close() {
        BOOL closed = CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
        return closed ? 0 : static_cast<int>(GetLastError());
    }

  private:
    HANDLE handle_;
};

std::wstring WidePath(TextView path) {
    return std::wstring(path.begin(), path.end());
}

int WriteAll(HANDLE file, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr))
            return static_cast<int>(GetLastError());
        if (written == 0)
            return ERROR_DISK_FULL;
        done += written;
    }
    return 0;
}

std::wstring TemporaryNameFor(const std::wstring& path) {
    static std::atomic<unsigned> counter{0};
    std::size_t slash = path.find_last_of(L"\\/");
    std::wstring directory =
        slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    return directory + L"." + name + L"." + std::to_wstring(GetCurrentProcessId()) + L"." +
           std::to_wstring(counter.fetch_add(1)) + L".tmp";
}

int WriteTemporary(const std::wstring& temporary, std::string_view bytes) {
    FileHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE)
        return static_cast<int>(GetLastError());
    if (int error = WriteAll(file.Get(), bytes); error != 0)
        return error;
    if (!FlushFileBuffers(file.Get()))
        return static_cast<int>(GetLastError());
    return file.Close();
}

}  // namespace

int ReplaceFileContents(TextView path, std::string_view bytes) {
    const std::wstring target = WidePath(path);
    const std::wstring temporary = TemporaryNameFor(target);
    int error = WriteTemporary(temporary, bytes);
    if (error == 0 && !MoveFileExW(temporary.c_str(), target.c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = static_cast<int>(GetLastError());
    }
    if (error != 0)
        DeleteFileW(temporary.c_str());
    return error;
}

int AppendToFile(TextView path, std::string_view bytes) {
    FileHandle file(CreateFileW(WidePath(path).c_str(), FILE_APPEND_DATA | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE)
        return static_cast<int>(GetLastError());
    LARGE_INTEGER before{};
    if (!GetFileSizeEx(file.Get(), &before))
        return static_cast<int>(GetLastError());
    LARGE_INTEGER end{};
    SetFilePointerEx(file.Get(), end, nullptr, FILE_END);
    int error = WriteAll(file.Get(), bytes);
    if (error != 0) {
        // The write's error is the one to report; cutting back keeps the file to whole lines.
        if (SetFilePointerEx(file.Get(), before, nullptr, FILE_BEGIN))
            SetEndOfFile(file.Get());
        return error;
    }
    return file.Close();
}

Text SystemErrorText(int code) {
    wchar_t* buffer = nullptr;
    DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    Text text;
    if (length > 0 && buffer != nullptr)
        text.assign(buffer, buffer + length);
    LocalFree(buffer);
    while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n' || text.back() == u'.'))
        text.pop_back();
    return text.empty() ? u"error " + NumberText(code) : text;
}

}  // namespace dorvex
