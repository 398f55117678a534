#include "library_files.h"

#include "dorvex.h"
#include "dorvex_version.h"
#include "reason_texts.h"

namespace dorvex::cli {
namespace {

constexpr int kPathSize = 4096;

std::string VersionText(int number) {
    return std::to_string(number / 10000) + "." + std::to_string(number / 100 % 100) + "." +
           std::to_string(number % 100);
}

// A path through one of the library's copying calls; empty when it gives none.
template <typename Read>
std::string ReadPath(Read read) {
    std::string path(kPathSize, '\0');
    const int length = read(path.data(), kPathSize);
    if (length >= kPathSize) {
        path.assign(static_cast<std::size_t>(length) + 1, '\0');
        read(path.data(), length + 1);
    }
    path.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return path;
}

std::string TableFileLine(const std::string& tableFile) {
    const std::string path = ReadPath(
        [&](char* text, int size) { return FindTableFile(tableFile.c_str(), text, size); });
    return path.empty() ? LastErrorText() : "table definitions: " + path;
}

}  // namespace

std::vector<std::string> VersionLines(const std::string& tableFile) {
    const std::string library =
        ReadPath([](char* text, int size) { return GetLibraryPath(text, size); });
    const int loaded = GetDorvexVersion();
    std::string libraryLine = "library: " + (library.empty() ? std::string("(unknown)") : library) +
                              " (" + VersionText(loaded) + ")";
    // An older installation earlier in the loader's path shadows the one this program came with.
    if (loaded < DORVEX_HEADER_VERSION)
        libraryLine += " - older than this program: another installation comes first";
    return {"dorvex " DORVEX_VERSION_STRING, libraryLine, TableFileLine(tableFile)};
}

}  // namespace dorvex::cli
