// Windows builds of the tests run under Wine, on Linux. They start the Linux programs they
// need (the simulator, kill, ln) through CreateProcess, which Wine runs as Linux programs.
// Wine gives neither process handles for them nor a pipe as their output (a pipe reaches
// them as /dev/null), so each runs under a shell that writes to a temporary file: the
// program's output, its process number and, when it has ended, its exit status. Windows paths
// reach them translated by Wine.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace dorvex::test {

class UnixProcess {
  public:
    // Starts a Linux program (command[0], a Linux path) with the other elements as arguments.
    explicit UnixProcess(const std::vector<std::string>& command) {
        outputPath_ = TemporaryFile("dup");
        if (command.empty() || outputPath_.empty())
            return;
        SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        HANDLE writing = CreateFileA(outputPath_.c_str(), GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     &inherited, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        reading_ = CreateFileA(outputPath_.c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (writing == INVALID_HANDLE_VALUE || reading_ == INVALID_HANDLE_VALUE) {
            if (writing != INVALID_HANDLE_VALUE)
                CloseHandle(writing);
            return;
        }
        std::vector<std::string> wrapped = {
            "/bin/sh", "-c", "\"$0\" \"$@\" & echo \"<pid $!>\"; wait $!; echo \"<exit $?>\""};
        wrapped.insert(wrapped.end(), command.begin(), command.end());
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = writing;
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        PROCESS_INFORMATION started{};
        std::string application = DosPathOf(wrapped[0]);
        std::string line = CommandLine(wrapped);
        started_ = CreateProcessA(application.c_str(), line.data(), nullptr, nullptr, TRUE, 0,
                                  nullptr, nullptr, &startup, &started) != 0;
        CloseHandle(writing);
        // The process and thread members are left as they were for a Linux program (not
        // set, whatever the structure held): closing them would close handles of ours.
    }
    ~UnixProcess() {
        if (reading_ != INVALID_HANDLE_VALUE)
            CloseHandle(reading_);
        if (!outputPath_.empty())
            DeleteFileA(outputPath_.c_str());
    }
    UnixProcess(const UnixProcess&) = delete;
    UnixProcess& operator=(const UnixProcess&) = delete;

    // The program's process number once known, -1 before.
    int Pid() const { return pid_; }
    bool Ended() const { return ended_ || !started_; }
    // The shell's view of the exit: the status, or 128 + the signal that ended it.
    int ExitStatus() const { return exitStatus_; }

    // The complete lines the program has printed since the last call.
    std::vector<std::string> NewLines() {
        std::vector<std::string> lines;
        char buffer[1024];
        DWORD moved = 0;
        while (reading_ != INVALID_HANDLE_VALUE &&
               ReadFile(reading_, buffer, sizeof buffer, &moved, nullptr) && moved > 0)
            partial_.append(buffer, moved);
        for (std::size_t end; (end = partial_.find('\n')) != std::string::npos;) {
            std::string line = partial_.substr(0, end);
            partial_.erase(0, end + 1);
            if (!TakeMarker(line))
                lines.push_back(line);
        }
        return lines;
    }

    // Runs a Linux program to its end (at most 30 s) and returns its output.
    static std::string Run(const std::vector<std::string>& command) {
        UnixProcess process(command);
        std::string text;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        for (;;) {
            for (const std::string& line : process.NewLines())
                text += line + "\n";
            if (process.Ended() || std::chrono::steady_clock::now() >= end)
                return text;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    // The Linux path of a Windows path ("C:\\users\\..."); anything else as it is.
    static std::string UnixPathOf(const std::string& text) {
        using Translate = char*(CDECL*)(LPCWSTR);
        static const auto translate = reinterpret_cast<Translate>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
        const bool windowsPath =
            text.size() > 2 && text[1] == ':' && (text[2] == '\\' || text[2] == '/');
        if (!windowsPath || translate == nullptr)
            return text;
        std::wstring wide(text.begin(), text.end());
        char* unixPath = translate(wide.c_str());
        if (unixPath == nullptr)
            return text;
        std::string result = unixPath;
        HeapFree(GetProcessHeap(), 0, unixPath);
        return result;
    }

    // The Linux simulator the Windows tests talk to: DORVEX_SCALE_SIM, or the one of the
    // default build beside these sources.
    static std::string SimulatorPath() {
        const char* path = std::getenv("DORVEX_SCALE_SIM");
        if (path != nullptr && *path != '\0')
            return path;
        return std::string(DORVEX_SAMPLES_DIR) + "/../build/bin/dorvex-scale-sim";
    }

    // A new empty file in the temporary directory (its Windows path), empty on failure.
    static std::string TemporaryFile(const char* prefix) {
        char directory[MAX_PATH];
        char name[MAX_PATH];
        if (GetTempPathA(MAX_PATH, directory) == 0 ||
            GetTempFileNameA(directory, prefix, 0, name) == 0)
            return {};
        return name;
    }

  private:
    // The shell's lines "<pid N>" and "<exit N>".
    bool TakeMarker(const std::string& line) {
        if (line.rfind("<pid ", 0) == 0 && line.back() == '>') {
            pid_ = std::atoi(line.c_str() + 5);
            return true;
        }
        if (line.rfind("<exit ", 0) == 0 && line.back() == '>') {
            exitStatus_ = std::atoi(line.c_str() + 6);
            ended_ = true;
            return true;
        }
        return false;
    }

    // Wine shows the Linux root as drive Z:.
    static std::string DosPathOf(const std::string& unixPath) {
        std::string path = "Z:" + unixPath;
        for (char& c : path) {
            if (c == '/')
                c = '\\';
        }
        return path;
    }

    // Quoted so that the program gets each element as one argument.
    static std::string CommandLine(const std::vector<std::string>& command) {
        std::string line;
        for (const std::string& argument : command) {
            if (!line.empty())
                line += ' ';
            line += '"';
            std::size_t backslashes = 0;
            for (char c : argument) {
                if (c == '\\') {
                    ++backslashes;
                    continue;
                }
                line.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
                backslashes = 0;
                line += c;
            }
            line.append(backslashes * 2, '\\');
            line += '"';
        }
        return line;
    }

    std::string outputPath_;
    HANDLE reading_ = INVALID_HANDLE_VALUE;
    bool started_ = false;
    std::string partial_;
    int pid_ = -1;
    bool ended_ = false;
    int exitStatus_ = -1;
};

}  // namespace dorvex::test
