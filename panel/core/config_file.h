#pragma once

#include <QString>

#include <array>
#include <optional>

#include "config_fields.h"
#include "panel_settings.h"
#include "volumes.h"

namespace dorvex::panel {

// "Dorvex.cfg": lines without keys, one value per line, each standing for one control; what
// each line holds is in kConfigFields.
class ConfigFile {
  public:
    static constexpr int kLineCount = static_cast<int>(kConfigFields.size());
    // A line that is missing, over-long or not text is empty here.
    using Lines = std::array<std::optional<QString>, kLineCount>;

    // The lines of the file; no value when the file does not exist.
    static std::optional<Lines> Read(const QString& path);
    // Puts each usable line into its setting, in order; a line that cannot be converted or
    // that its control would refuse leaves that setting as it was. Choosing the drive moves
    // the three directories to it before their own lines overwrite them.
    static void Apply(const Lines& lines, const Volumes& volumes, const QString& programDir,
                      PanelSettings& settings);
    // Writes the whole file in one go: a failed write leaves the previous file intact.
    // Returns false and a reason when the file could not be written.
    static bool Write(const QString& path, const PanelSettings& settings, QString* error);
    // The lines as they are written.
    static Lines Compose(const PanelSettings& settings);
};

}  // namespace dorvex::panel
