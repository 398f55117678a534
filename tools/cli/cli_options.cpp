#include "cli_options.h"

#include <charconv>
#include <set>

namespace dorvex::cli {
namespace {

const std::set<std::string> kCommands = {"write", "read",  "delete", "test",
                                         "send",  "check", "sync",   "verify"};

bool ParseInt(const std::string& text, int& value) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

// "7" (days), "7d", "12h", "90m" or "30s" as seconds; false for anything else.
bool ParseAge(const std::string& text, int& seconds) {
    if (text.empty())
        return false;
    int unit = 86400;
    std::string number = text;
    switch (text.back()) {
        case 'd':
            number.pop_back();
            break;
        case 'h':
            unit = 3600;
            number.pop_back();
            break;
        case 'm':
            unit = 60;
            number.pop_back();
            break;
        case 's':
            unit = 1;
            number.pop_back();
            break;
        default:
            break;
    }
    int value = 0;
    if (!ParseInt(number, value) || value <= 0 || value > 0x7FFFFFFF / unit)
        return false;
    seconds = value * unit;
    return true;
}

// --state may stay in a shell alias that also runs verify and write.
const std::set<std::string> kSyncOnly = {"--prune", "--full", "--dry-run", "--max-age"};

}  // namespace

const char* UsageText() {
    return R"(usage: dorvex [options] write|read|delete FILE
       dorvex [options] write|read|delete FILE --scales SCALES [--jobs N]
       dorvex [options] sync FILE [--prune] [--full] [--dry-run] [--key COLUMN]
       dorvex [options] verify FILE [--key COLUMN]
       dorvex [options] check FILE
       dorvex [options] test HOST[:PORT]
       dorvex [options] test --scales SCALES
       dorvex [options] send TEXT

Commands:
  write FILE     send every row of the data file to the scale (".csv" or ".csw")
  read FILE      read the rows keyed by the file, or the whole table (header only)
  delete FILE    delete the rows keyed by the file, or empty the table (header only)
  sync FILE      send only the rows that are new or changed since the scale last
                 acknowledged them (a state per scale and table; see docs/sync.md)
  verify FILE    read every row of the file back from the scale by its key and compare;
                 exit 0 when all match, 1 when any differs or is missing
  check FILE     validate a data file against table.csv without any link: the table
                 chosen, each column with its tag, the rows and the first requests
  test HOST      send the identity request to a scale (TCP port 1120 unless HOST:PORT)
  send TEXT      send one raw message and print the reply

Options:
  -l, --link DESCRIPTOR   IPC (TCP client, default), IPC:PORT, IPS[:PORT], COMn:BAUD[|RS485]
  -H, --host ADDRESS      the scale's address for IPC, the station for COM (127.0.0.1)
  -d, --device N          the scale number (1)
  -u, --unicode           carry UTF-16 text on TCP links
  -t, --table FILE        table definitions (table.csv: beside the library, else in
                          ~/.config/dorvex or /etc/dorvex; see --version)
  -i, --input DIR         input directory of the data file
  -o, --output DIR        directory for "_a" result files
  -e, --error DIR         directory for "_e" result files and error.log
  -m, --line-break-marker TEXT
                          the text that stands for a line break inside values ("|";
                          "" for none; --marker for short)
      --mode w|r|d        for check: the operation (default: "_w", "_r", "_d" in the name)
      --timeout MS        connection timeout (5000)
      --reply-timeout MS  longest wait for each reply (default 5000 per row, 9000000 for
                          a whole-table read or delete)
      --show-errors       print link errors on standard error
      --scales FILE       run on every scale of the file at once: one scale a line,
                          "NAME LINK ADDRESS DEVICE" ("#" comments); results go to
                          OUTPUT/NAME and ERROR/NAME
      --scale "NAME LINK ADDRESS DEVICE"
                          one scale of the fleet (repeatable, with or without --scales)
      --jobs N            at most N scales at a time (default: all)
      --where FILTER      write, sync, verify: only the rows that satisfy every term, e.g.
                          "DEPARTMENT = 3 & PRICEMODE = KG" (operators < <= = >= >)
      --key COLUMN        sync, verify: the key column (default: the first)
      --prune             sync: delete on the scale the keys the file no longer has
      --full              sync: send every row and rebuild the state
      --dry-run           sync: say what would be sent and deleted, touch nothing
      --max-age AGE       sync: a state older than this means a full send (7d; 12h, 90m)
      --state DIR         sync: where the states live ($XDG_STATE_HOME/dorvex or
                          ~/.local/state/dorvex)
  -q, --quiet             no progress bar
      --version           print the versions, the library file and the table.csv in use
  -h, --help              this text

Exit status: 0 transfer terminated, 1 terminated with error (see the result file and
error.log), 2 not started or bad usage. With a fleet: 0 when every scale ended well, 1 when
any did not, 2 when none could start.
)";
}

std::optional<CliOptions> ParseCommandLine(const std::vector<std::string>& args,
                                           std::string& error) {
    CliOptions options;
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](std::string& target) {
            if (i + 1 >= args.size()) {
                error = "option " + arg + " needs a value";
                return false;
            }
            target = args[++i];
            return true;
        };
        if (arg == "-h" || arg == "--help") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "-u" || arg == "--unicode") {
            options.unicode = true;
        } else if (arg == "--show-errors") {
            options.showErrors = true;
        } else if (arg == "-q" || arg == "--quiet") {
            options.quiet = true;
        } else if (arg == "-l" || arg == "--link") {
            if (!value(options.link))
                return std::nullopt;
        } else if (arg == "-H" || arg == "--host") {
            if (!value(options.host))
                return std::nullopt;
        } else if (arg == "-d" || arg == "--device") {
            if (!value(options.device))
                return std::nullopt;
        } else if (arg == "-t" || arg == "--table") {
            if (!value(options.tableFile))
                return std::nullopt;
        } else if (arg == "-i" || arg == "--input") {
            if (!value(options.inputDir))
                return std::nullopt;
        } else if (arg == "-o" || arg == "--output") {
            if (!value(options.outputDir))
                return std::nullopt;
        } else if (arg == "-e" || arg == "--error") {
            if (!value(options.errorDir))
                return std::nullopt;
        } else if (arg == "-m" || arg == "--line-break-marker" || arg == "--marker") {
            if (!value(options.marker))
                return std::nullopt;
        } else if (arg == "--mode") {
            if (!value(options.mode))
                return std::nullopt;
            if (options.mode != "w" && options.mode != "r" && options.mode != "d") {
                error = "--mode takes w, r or d";
                return std::nullopt;
            }
        } else if (arg == "--timeout") {
            std::string text;
            if (!value(text))
                return std::nullopt;
            if (!ParseInt(text, options.connectTimeoutMs) || options.connectTimeoutMs <= 0) {
                error = "--timeout takes a positive number of milliseconds";
                return std::nullopt;
            }
        } else if (arg == "--reply-timeout") {
            std::string text;
            if (!value(text))
                return std::nullopt;
            if (!ParseInt(text, options.replyTimeoutMs) || options.replyTimeoutMs <= 0) {
                error = "--reply-timeout takes a positive number of milliseconds";
                return std::nullopt;
            }
        } else if (arg == "--where") {
            if (!value(options.where))
                return std::nullopt;
        } else if (arg == "--key") {
            if (!value(options.keyColumn))
                return std::nullopt;
        } else if (arg == "--state") {
            if (!value(options.stateDir))
                return std::nullopt;
        } else if (arg == "--max-age") {
            std::string text;
            if (!value(text))
                return std::nullopt;
            if (!ParseAge(text, options.maxAgeSeconds)) {
                error = "--max-age takes a positive age: days, or a number ending in d, h, m or s";
                return std::nullopt;
            }
        } else if (arg == "--prune") {
            options.prune = true;
        } else if (arg == "--full") {
            options.full = true;
        } else if (arg == "--dry-run") {
            options.dryRun = true;
        } else if (arg == "--scales") {
            if (!value(options.scalesFile))
                return std::nullopt;
        } else if (arg == "--scale") {
            std::string line;
            if (!value(line))
                return std::nullopt;
            options.scaleLines.push_back(line);
        } else if (arg == "--jobs") {
            std::string text;
            if (!value(text))
                return std::nullopt;
            if (!ParseInt(text, options.jobs) || options.jobs <= 0) {
                error = "--jobs takes a positive number";
                return std::nullopt;
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + arg;
            return std::nullopt;
        } else {
            positional.push_back(arg);
        }
    }
    if (options.help || options.version)
        return options;
    // A fleet's test needs no host: the scales name theirs.
    const bool fleetTest = options.IsFleet() && positional.size() == 1 && positional[0] == "test";
    if ((positional.size() != 2 && !fleetTest) || kCommands.count(positional[0]) == 0) {
        error = positional.empty() ? "no command given" : "expected a command and one argument";
        return std::nullopt;
    }
    options.command = positional[0];
    options.argument = fleetTest ? std::string() : positional[1];
    for (const std::string& arg : args) {
        if (kSyncOnly.count(arg) != 0 && options.command != "sync") {
            error = arg + " goes with sync";
            return std::nullopt;
        }
    }
    if (!options.keyColumn.empty() && options.command != "sync" && options.command != "verify") {
        error = "--key goes with sync and verify";
        return std::nullopt;
    }
    if (!options.where.empty() && options.command != "write" && options.command != "sync" &&
        options.command != "verify") {
        error = "--where goes with write, sync and verify";
        return std::nullopt;
    }
    if (!options.where.empty() && options.prune) {
        error = "--where cannot go with --prune: every key outside the filter would be deleted";
        return std::nullopt;
    }
    if (options.IsFleet() && (options.command == "check" || options.command == "send")) {
        error = "--scales and --scale go with write, read, delete, test, sync and verify";
        return std::nullopt;
    }
    return options;
}

}  // namespace dorvex::cli
