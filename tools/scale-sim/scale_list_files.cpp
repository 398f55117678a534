#include "scale_list_files.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace dorvex::sim {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

std::string Failure(const std::string& path) {
    return "cannot write " + path + ": " + std::strerror(errno);
}

// The temporary name lies in the same directory, so the rename cannot cross file systems.
bool WriteWhole(const std::string& path, const std::string& content, std::string& error) {
    std::string temporary = path + ".tmp" + std::to_string(::getpid());
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(temporary.c_str(), "w"));
    if (!file) {
        error = Failure(temporary);
        return false;
    }
    bool written = std::fwrite(content.data(), 1, content.size(), file.get()) == content.size();
    written = std::fclose(file.release()) == 0 && written;
    if (!written || std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = Failure(written ? path : temporary);
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace

bool WritePortsFile(const std::string& path, const std::vector<ListedScale>& scales,
                    std::string& error) {
    std::string content;
    for (const ListedScale& scale : scales)
        content += scale.name + " " + std::to_string(scale.port) + "\n";
    return WriteWhole(path, content, error);
}

bool WriteScalesFile(const std::string& path, const std::vector<ListedScale>& scales,
                     std::string& error) {
    std::string content =
        "# " + std::to_string(scales.size()) + " simulated scales: name, link, address, device\n";
    for (const ListedScale& scale : scales)
        content += scale.name + " IPC:" + std::to_string(scale.port) + " 127.0.0.1 " +
                   std::to_string(scale.device) + "\n";
    return WriteWhole(path, content, error);
}

}  // namespace dorvex::sim
