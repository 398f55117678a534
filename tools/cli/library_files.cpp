#include "library_files.h"

#include "dorvex.h"
#include "dorvex_version.h"
#include "platform/module_path.h"
#include "platform/path.h"

namespace dorvex::cli {
namespace {

std::string VersionText(int number) {
    return std::to_string(number / 10000) + "." + std::to_string(number / 100 % 100) + "." +
           std::to_string(number % 100);
}

Text LibraryPathText() {
    return ModulePathOf(reinterpret_cast<const void*>(&GetDorvexVersion));
}

}  // namespace

std::string LibraryPath() {
    return ToUtf8(LibraryPathText());
}

TableFileLocation LibraryTableFile(const std::string& tableFile) {
    return TableFileLocator::ForModule(DirectoryWithSeparator(LibraryPathText()))
        .Locate(FromUtf8(tableFile));
}

std::vector<std::string> VersionLines(const std::string& tableFile) {
    const std::string library = LibraryPath();
    const int loaded = GetDorvexVersion();
    std::string libraryLine = "library: " + (library.empty() ? std::string("(unknown)") : library) +
                              " (" + VersionText(loaded) + ")";
    // An older installation earlier in the loader's path shadows the one this program came with.
    if (loaded < DORVEX_HEADER_VERSION)
        libraryLine += " - older than this program: another installation comes first";
    return {"dorvex " DORVEX_VERSION_STRING, libraryLine,
            ToUtf8(LibraryTableFile(tableFile).Describe())};
}

}  // namespace dorvex::cli
