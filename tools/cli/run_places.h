// Where a command on one or many scales reads its data file and puts its results: the file's
// own directory unless -i names one, and the output and error directories (the output
// directory also takes the errors when no error directory is given).
#pragma once

#include <filesystem>
#include <string>

#include "cli_options.h"

namespace dorvex::cli {

struct RunPlaces {
    std::string inputDir;
    std::string fileName;
    std::filesystem::path outputRoot;
    std::filesystem::path errorRoot;

    static RunPlaces For(const CliOptions& options);
};

}  // namespace dorvex::cli
