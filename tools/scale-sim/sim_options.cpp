#include "sim_options.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <map>

namespace dorvex::sim {
namespace {

// A store has up to some fifty scales; a thousand leave room for benchmarks while the
// descriptors they hold (listener, connections, log, database files) stay within bounds.
constexpr int kMaxScales = 1000;

constexpr const char* kHelp = R"(Usage: dorvex-scale-sim [options]

Stands in for a label-printing scale: loads table.csv, keeps one SQLite table per table
(one column per field, the first field after the table's own entry as primary key) and
answers the requests of the Dorvex library.

Role (one of them; the TCP server is the default):
  --port N             TCP server on 127.0.0.1:N (default 1120; 0 picks a free port).
                       Prints "listening on 127.0.0.1:PORT" when ready. Serves any
                       number of clients, each with its own connection.
  --connect HOST:PORT  TCP client of the library's listening port; connects again
                       --reconnect-ms MS (default 200) after the connection ends.
                       Prints "connecting to HOST:PORT" once, "connected" at every connection.
  --serial DEVICE      Serial scale on a tty. DEVICE "pty" creates a pseudo-terminal and
                       prints "serial on PATH" (the library opens PATH); "fd:N" uses an
                       inherited descriptor. --baud N (default 9600).
Many scales (TCP server only):
  --scales N           Serve N independent scales (1..1000), named scale0 .. scale<N-1>,
                       each on its own port: --port 0 picks a free port for each, --port P
                       takes P, P+1 .. P+N-1 (1120 .. without --port). Each has its own
                       database (--db FILE: the files FILE.0, FILE.1 ...), its own request
                       log (--log FILE: FILE.0, FILE.1 ...) and its own request count.
                       Prints one line "listening on 127.0.0.1:PORT as NAME" per scale, in
                       order, once all listen. One thread serves them all; they stop
                       together.
  --ports-file FILE    Once every port listens, write FILE with one line "NAME PORT" per
                       scale (written under a temporary name, then renamed: a reader that
                       sees FILE can connect at once). Removed at a clean stop.
  --scales-file FILE   Likewise, a SCALES file for the fleet commands: one line
                       "NAME IPC:PORT 127.0.0.1 DEVICE" per scale (DEVICE: --device, else 1)
                       after a comment line starting with "#".
  --faulty K[,K...]    The fault options, --alter and --drop-row apply to these scales only
                       (indices from 0); the others answer faithfully.
Data:
  --tables FILE        Table definitions (default: table.csv beside the program, else in
                       ~/.config/dorvex or /etc/dorvex, else samples/table.csv).
  --db FILE            Keep the tables in this SQLite file (default: in memory).
  --log FILE           One line per request received: "SEQ<TAB>TEXT" (UTF-8), SEQ counting
                       from 1 over the whole run; in TEXT "\\" is "\\\\", CR "\r", LF "\n",
                       TAB "\t" and other control characters "\xHH".
Behind the library's back (applied in order to the loaded database before serving, all or
none: an unknown table or field, or a key the table does not hold, is a failure):
  --alter TABLE:KEY:FIELD=VALUE  Set FIELD of the record whose first field is KEY to VALUE
                       (the text as stored, unescaped). TABLE and FIELD by name (any case)
                       or tag. A KEY may hold ":", a VALUE anything. Repeatable.
  --drop-row TABLE:KEY Delete the record whose first field is KEY. Repeatable.
Addressing and text:
  --device N           The scale's device number. TCP: when given, a request whose <dvn> names
                       another device (not 0 or "fm") gets an error reply. Serial: the device
                       letter 0x60+N that request frames must carry (default 1).
  --station N          Station byte of serial reply frames, 1..255 (default 1).
  --unicode            TCP texts travel as UTF-16LE instead of the data code page
                       (Windows-1252, or DORVEX_CODEPAGE). Serial texts are always 8-bit.
  --quiet-ms MS        A TCP request is complete after MS ms without a new byte (default
                       20). Earlier, at once, when the socket has been read dry and the text
                       holds a whole leading tag ("<x m=\"y\">"): the library writes each
                       request at once, so it arrives in one piece. --strict-quiet always
                       waits for the quiet time.
Faults (N counts the requests of each scale over the whole run, the numbers in its log):
  --delay MS           Answer every request after MS ms.
  --late-nth N:MS      Answer every Nth request MS ms later still.
  --drop-nth N         Every Nth request is ignored: not executed, no reply.
  --error-nth N        Every Nth request is not executed and gets
                       <x m="e"><err>injected error SEQ
  --unknown-nth N      Every Nth request is not executed and gets <unt>
  --split-reply P:G[:N] Send replies (every Nth, default all) in P pieces with G ms between
                       them (under 20 ms the library joins them, over 20 ms it sees several).
  --close-after N      Close each connection after answering its Nth request.
  --echo-seq           Put "<seq>SEQ" in front of every reply (before the leading tag, where
                       the library looks for no marker), so tests can check attribution.
Serial faults:
  --bad-checksum-nth N Every Nth reply frame carries a wrong checksum.
  --wrong-device-nth N Every Nth reply frame carries another device letter.
  --garbage-between    Bytes outside any frame (and a stray ETX) before each reply frame.
  --split-frames[=MS]  Write each reply frame in two pieces, MS ms apart (default 5).

Requests and replies (<x> is the request's leading tag, values escape "<" ">" as "&lt;"
"&gt;", line breaks in values go back as CR LF):
  <idt m="r"><dvn>N<dpn>1        -> <idt m="r"><dvn>N<dpn>1<mdl>dorvex-scale-sim<ver>1.0
  <tag m="w"><dvn>N<t1>v1<t2>v2   write (insert or update by key)   -> <tag m="w"><res>OK
  <tag m="r"><dvn>N<key>v         read by key  -> <tag m="r"><t1>v1<t2>v2... (every field)
  <tag m="d"><dvn>N<key>v         delete by key                     -> <tag m="d"><res>OK
  <sql m="r"><dvn>N<qry>SELECT COUNT(*) FROM T  -> <sql m="r"><fld>COUNT(*)<val>COUNT
  <sql m="r+"><dvn>N<qry>SELECT C1, C2 FROM T (or *), repeated: the next record each time
                                   -> <sql m="r+"><fld>C1;C2<val>v1;v2<#>
                       The three characters "<#>" end every record (the library cuts them).
                       m="r" with the same statement starts the walk again, as does a count;
                       the scale keeps one walk, whichever connection asks.
  <sql m="d"><dvn>N<qry>DELETE FROM T           -> <sql m="d"><res>DELETED
  Errors: <x m="e"><err>TEXT, e.g. "record not found", "no more records",
          "unknown field tag t", "key field F missing", "no such table: T",
          "no such column: C", "unsupported statement", "device N is not this scale".
  Not understood (no leading tag, unknown table tag or mode): <unt>
  <dvn>fm addresses device 0; device 0 is accepted by every scale.

Stops cleanly on SIGTERM and SIGINT. Exit status 0 after a stop, 1 on a failure, 2 on
wrong options.
)";

bool ParseInt(const std::string& text, int& value, int minimum = 0) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && value >= minimum;
}

// "A:B" or "A:B:C" into numbers; the third keeps its value when absent.
bool ParseIntList(const std::string& text, std::vector<int*> values, std::size_t required) {
    std::size_t start = 0;
    std::size_t index = 0;
    while (index < values.size()) {
        std::size_t colon = text.find(':', start);
        std::string part =
            text.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (!ParseInt(part, *values[index]))
            return false;
        ++index;
        if (colon == std::string::npos)
            return index >= required;
        start = colon + 1;
    }
    return false;
}

bool ParseHostPort(const std::string& text, SimOptions& options) {
    std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0)
        return false;
    options.connectHost = text.substr(0, colon);
    return ParseInt(text.substr(colon + 1), options.connectPort, 1) && options.connectPort <= 65535;
}

// "K" or "K,K,...": scale indices.
bool ParseIndexList(const std::string& text, std::vector<int>& indices) {
    std::size_t start = 0;
    while (true) {
        std::size_t comma = text.find(',', start);
        int index = 0;
        if (!ParseInt(
                text.substr(start, comma == std::string::npos ? std::string::npos : comma - start),
                index))
            return false;
        indices.push_back(index);
        if (comma == std::string::npos)
            return true;
        start = comma + 1;
    }
}

bool AddEdit(std::optional<StoreEdit> edit, SimOptions& options) {
    if (edit)
        options.edits.push_back(std::move(*edit));
    return edit.has_value();
}

// What only makes sense with other options, or within bounds that depend on them.
std::string CheckCombination(const SimOptions& options) {
    bool many = options.scales > 0 || !options.portsFile.empty() || !options.scalesFile.empty() ||
                !options.faultyScales.empty();
    if (many && options.role != SimRole::TcpServer)
        return "--scales, --ports-file, --scales-file and --faulty serve only as TCP server";
    if (options.port > 0 && options.port + options.ScaleCount() - 1 > 65535)
        return "--port " + std::to_string(options.port) + " leaves no room for " +
               std::to_string(options.ScaleCount()) + " scales";
    for (int index : options.faultyScales) {
        if (index >= options.ScaleCount())
            return "--faulty " + std::to_string(index) + ": there is no such scale";
    }
    return {};
}

void ClearFaults(SimOptions& options) {
    const SimOptions faithful;
    options.delayMs = faithful.delayMs;
    options.dropNth = faithful.dropNth;
    options.errorNth = faithful.errorNth;
    options.unknownNth = faithful.unknownNth;
    options.splitPieces = faithful.splitPieces;
    options.splitGapMs = faithful.splitGapMs;
    options.splitNth = faithful.splitNth;
    options.closeAfter = faithful.closeAfter;
    options.lateNth = faithful.lateNth;
    options.lateMs = faithful.lateMs;
    options.badChecksumNth = faithful.badChecksumNth;
    options.wrongDeviceNth = faithful.wrongDeviceNth;
    options.garbageBetween = faithful.garbageBetween;
    options.splitFramesGapMs = faithful.splitFramesGapMs;
    options.edits.clear();
}

using ValueHandler = std::function<bool(const std::string&, SimOptions&)>;

ValueHandler IntOption(int SimOptions::*member, int minimum = 0) {
    return [member, minimum](const std::string& text, SimOptions& options) {
        return ParseInt(text, options.*member, minimum);
    };
}

const std::map<std::string, ValueHandler>& ValueOptions() {
    static const std::map<std::string, ValueHandler> handlers = {
        {"--tables",
         [](const std::string& v, SimOptions& o) {
             o.tablesPath = v;
             return !v.empty();
         }},
        {"--db",
         [](const std::string& v, SimOptions& o) {
             o.dbPath = v;
             return !v.empty();
         }},
        {"--log",
         [](const std::string& v, SimOptions& o) {
             o.logPath = v;
             return !v.empty();
         }},
        {"--alter",
         [](const std::string& v, SimOptions& o) { return AddEdit(ParseAlterEdit(v), o); }},
        {"--drop-row",
         [](const std::string& v, SimOptions& o) { return AddEdit(ParseDropRowEdit(v), o); }},
        {"--scales",
         [](const std::string& v, SimOptions& o) {
             return ParseInt(v, o.scales, 1) && o.scales <= kMaxScales;
         }},
        {"--ports-file",
         [](const std::string& v, SimOptions& o) {
             o.portsFile = v;
             return !v.empty();
         }},
        {"--scales-file",
         [](const std::string& v, SimOptions& o) {
             o.scalesFile = v;
             return !v.empty();
         }},
        {"--faulty",
         [](const std::string& v, SimOptions& o) { return ParseIndexList(v, o.faultyScales); }},
        {"--port",
         [](const std::string& v, SimOptions& o) {
             o.role = SimRole::TcpServer;
             return ParseInt(v, o.port) && o.port <= 65535;
         }},
        {"--connect",
         [](const std::string& v, SimOptions& o) {
             o.role = SimRole::TcpClient;
             return ParseHostPort(v, o);
         }},
        {"--serial",
         [](const std::string& v, SimOptions& o) {
             o.role = SimRole::Serial;
             o.serialDevice = v;
             return !v.empty();
         }},
        {"--reconnect-ms", IntOption(&SimOptions::reconnectMs, 1)},
        {"--baud", IntOption(&SimOptions::baud, 1)},
        {"--device",
         [](const std::string& v, SimOptions& o) {
             int device = 0;
             o.device = device;
             return ParseInt(v, *o.device) && *o.device <= 99999;
         }},
        {"--station", [](const std::string& v,
                         SimOptions& o) { return ParseInt(v, o.station, 1) && o.station <= 255; }},
        {"--quiet-ms", IntOption(&SimOptions::quietMs, 1)},
        {"--delay", IntOption(&SimOptions::delayMs)},
        {"--drop-nth", IntOption(&SimOptions::dropNth, 1)},
        {"--error-nth", IntOption(&SimOptions::errorNth, 1)},
        {"--unknown-nth", IntOption(&SimOptions::unknownNth, 1)},
        {"--split-reply",
         [](const std::string& v, SimOptions& o) {
             return ParseIntList(v, {&o.splitPieces, &o.splitGapMs, &o.splitNth}, 2) &&
                    o.splitPieces >= 1 && o.splitNth >= 1;
         }},
        {"--close-after", IntOption(&SimOptions::closeAfter, 1)},
        {"--late-nth",
         [](const std::string& v, SimOptions& o) {
             return ParseIntList(v, {&o.lateNth, &o.lateMs}, 2) && o.lateNth >= 1;
         }},
        {"--bad-checksum-nth", IntOption(&SimOptions::badChecksumNth, 1)},
        {"--wrong-device-nth", IntOption(&SimOptions::wrongDeviceNth, 1)},
    };
    return handlers;
}

const std::map<std::string, bool SimOptions::*>& FlagOptions() {
    static const std::map<std::string, bool SimOptions::*> flags = {
        {"--unicode", &SimOptions::unicode},
        {"--strict-quiet", &SimOptions::strictQuiet},
        {"--echo-seq", &SimOptions::echoSequence},
        {"--garbage-between", &SimOptions::garbageBetween},
    };
    return flags;
}

}  // namespace

const char* SimHelpText() {
    return kHelp;
}

std::string SimOptions::ScaleName(int index) {
    return "scale" + std::to_string(index);
}

SimOptions SimOptions::ForScale(int index) const {
    SimOptions scale = *this;
    if (scales > 0) {
        std::string suffix = "." + std::to_string(index);
        if (dbPath != ":memory:")
            scale.dbPath += suffix;
        if (!logPath.empty())
            scale.logPath += suffix;
    }
    if (port > 0)
        scale.port = port + index;
    if (!faultyScales.empty() &&
        std::find(faultyScales.begin(), faultyScales.end(), index) == faultyScales.end())
        ClearFaults(scale);
    return scale;
}

ParsedOptions ParseSimOptions(const std::vector<std::string>& args) {
    ParsedOptions parsed;
    SimOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> inlineValue;
        if (std::size_t equals = name.find('='); equals != std::string::npos) {
            inlineValue = name.substr(equals + 1);
            name = name.substr(0, equals);
        }
        if (name == "--help" || name == "-h") {
            parsed.help = true;
            return parsed;
        }
        if (auto flag = FlagOptions().find(name); flag != FlagOptions().end() && !inlineValue) {
            options.*(flag->second) = true;
            continue;
        }
        if (name == "--split-frames") {
            options.splitFramesGapMs = 5;
            if (inlineValue && !ParseInt(*inlineValue, options.splitFramesGapMs)) {
                parsed.error = "bad value for --split-frames: " + *inlineValue;
                return parsed;
            }
            continue;
        }
        auto handler = ValueOptions().find(name);
        if (handler == ValueOptions().end()) {
            parsed.error = "unknown option " + args[i];
            return parsed;
        }
        if (!inlineValue && i + 1 >= args.size()) {
            parsed.error = "missing value for " + name;
            return parsed;
        }
        std::string value = inlineValue ? *inlineValue : args[++i];
        if (!handler->second(value, options)) {
            parsed.error = "bad value for " + name + ": " + value;
            return parsed;
        }
    }
    parsed.error = CheckCombination(options);
    if (parsed.error.empty())
        parsed.options = options;
    return parsed;
}

}  // namespace dorvex::sim
