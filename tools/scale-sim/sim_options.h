// Command-line options of dorvex-scale-sim, and the help text that documents the reply texts.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "store_edit.h"

namespace dorvex::sim {

enum class SimRole { TcpServer, TcpClient, Serial };

struct SimOptions {
    std::string tablesPath;  // empty: beside the program, else samples/table.csv
    std::string dbPath = ":memory:";
    std::string logPath;
    std::vector<StoreEdit> edits;

    // Many scales in one process (TCP server only). 0: one scale, its files as given.
    int scales = 0;
    std::string portsFile;   // "NAME PORT" per scale
    std::string scalesFile;  // "NAME IPC:PORT 127.0.0.1 DEVICE" per scale
    // Indices of the scales the fault options and edits apply to; empty: every scale.
    std::vector<int> faultyScales;

    SimRole role = SimRole::TcpServer;
    int port = 1120;
    std::string connectHost;
    int connectPort = 0;
    int reconnectMs = 200;
    std::string serialDevice;  // a path, "pty" or "fd:N"
    int baud = 9600;

    std::optional<int> device;  // TCP: check "<dvn>" only when given; serial: 1 when not given
    int station = 1;
    bool unicode = false;
    int quietMs = 20;
    bool strictQuiet = false;

    int delayMs = 0;
    int dropNth = 0;
    int errorNth = 0;
    int unknownNth = 0;
    int splitPieces = 0;
    int splitGapMs = 0;
    int splitNth = 1;
    int closeAfter = 0;
    bool echoSequence = false;
    int lateNth = 0;
    int lateMs = 0;

    int badChecksumNth = 0;
    int wrongDeviceNth = 0;
    bool garbageBetween = false;
    int splitFramesGapMs = -1;  // -1: frames go out whole

    int SerialDevice() const { return device.value_or(1); }
    int ScaleCount() const { return scales > 0 ? scales : 1; }
    // "scale0", "scale1" ...: names fit for directories and SCALES files.
    static std::string ScaleName(int index);
    // The options of scale `index`: its own port, database and log, and the fault options and
    // edits only when it is one of the faulty scales.
    SimOptions ForScale(int index) const;
};

struct ParsedOptions {
    std::optional<SimOptions> options;  // nothing on error or help
    bool help = false;
    std::string error;
};

ParsedOptions ParseSimOptions(const std::vector<std::string>& args);
const char* SimHelpText();

}  // namespace dorvex::sim
