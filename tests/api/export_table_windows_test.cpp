// Dorvex.dll exports the eighteen names and the documented extras, undecorated, nothing else;
// read from the export directory of the DLL as the loader sees it.
#include <gtest/gtest.h>
#include <windows.h>

#include <set>
#include <string>

namespace {

// Every function dorvex.h declares, read from the header when the build is configured.
const std::set<std::string> kDocumentedNames = {
#include "api/header_export_names.inc"
};

std::set<std::string> ExportedNames(HMODULE module) {
    const auto* base = reinterpret_cast<const unsigned char*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& entry =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    const auto* exports =
        reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
    const auto* nameOffsets = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    std::set<std::string> names;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
        names.insert(reinterpret_cast<const char*>(base + nameOffsets[i]));
    return names;
}

TEST(ExportTable, ExactlyTheDocumentedNamesUndecorated) {
    // Linked against the DLL, so it is loaded already.
    HMODULE module = GetModuleHandleA("Dorvex.dll");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(ExportedNames(module), kDocumentedNames);
}

}  // namespace
