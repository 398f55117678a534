#include "run_places.h"

namespace dorvex::cli {

RunPlaces RunPlaces::For(const CliOptions& options) {
    namespace fs = std::filesystem;
    RunPlaces places;
    fs::path file(options.argument);
    if (options.inputDir.empty() && file.has_parent_path()) {
        places.inputDir = file.parent_path().string();
        places.fileName = file.filename().string();
    } else {
        places.inputDir = options.inputDir;
        places.fileName = options.argument;
    }
    places.outputRoot = options.outputDir.empty() ? fs::path(".") : fs::path(options.outputDir);
    places.errorRoot = options.errorDir.empty() ? places.outputRoot : fs::path(options.errorDir);
    return places;
}

}  // namespace dorvex::cli
