// The shared library exports the eighteen names and the documented extras, nothing else.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>

namespace {

// Every function dorvex.h declares, read from the header when the build is configured.
const std::set<std::string> kDocumentedNames = {
#include "api/header_export_names.inc"
};

TEST(ExportTable, ExactlyTheDocumentedNames) {
    const std::string command =
        "nm -D --defined-only " + std::string(DORVEX_BIN_DIR) + "/libdorvex.so";
    std::FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> names;
    char line[512];
    while (std::fgets(line, sizeof(line), pipe) != nullptr) {
        std::istringstream fields(line);
        std::string address, type, name;
        fields >> address >> type >> name;
        if (type == "T")
            names.insert(name);
    }
    ASSERT_EQ(pclose(pipe), 0);
    EXPECT_EQ(names, kDocumentedNames);
}

}  // namespace
