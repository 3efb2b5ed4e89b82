#include "report/Program.h"

#include "platform/Console.h"
#include "platform/TextFile.h"
#include "report/Fleet.h"
#include "report/Page.h"
#include "report/Text.h"

namespace report {
namespace {

constexpr std::string_view kHelp =
    "Usage: orvane-report [-o PAGE.html] [FILE]...\n"
    "\n"
    "Reads Orvane's events from each FILE ('-' or none: standard input) and writes\n"
    "one page, PAGE.html (orvane-report.html unless -o says), and PAGE.csv beside it:\n"
    "one row per computer, user and file, the newest event winning, the soonest to\n"
    "stop first; files per band; each file's size over time; the failures.\n"
    "\n"
    "A FILE's kind is found from what it holds:\n"
    "  Windows event XML   wevtutil qe Application /q:\"*[System[Provider[@Name='Orvane']]]\" /f:xml\n"
    "                      (ForwardedEvents too), or evtxexport -f xml FILE.evtx\n"
    "  journal JSON        journalctl -o json SYSLOG_IDENTIFIER=orvane\n"
    "  syslog              files rsyslog writes (traditional or RFC 3339 dates, RFC 5424)\n"
    "Other programs' records are passed over; a record of Orvane's that cannot be\n"
    "read is counted and named on the page.\n"
    "\n"
    "Exit status: 0 nothing near its stop; 1 a file at 95 % of where the mail client\n"
    "stops adding to it or more, or forecast to reach it within 4 weeks; 2 a usage\n"
    "error, an input that could not be read or a page that could not be written.\n";

void Say(const std::string& text) { platform::PrintError("orvane-report: " + text + "\n"); }

// The page's CSV: its name with .csv for .html (or .csv added).
std::string CsvBeside(const std::string& page) {
  const std::size_t dot = page.rfind('.');
  const std::size_t slash = page.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return page + ".csv";
  return page.substr(0, dot) + ".csv";
}

}  // namespace

int Main(const std::vector<std::string>& arguments, std::int64_t now) {
  std::string pagePath = "orvane-report.html";
  std::vector<std::string> inputs;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--help" || argument == "-h") {
      platform::PrintOut(kHelp);
      return 0;
    }
    if (argument == "-o" || argument == "--output") {
      if (++i == arguments.size()) {
        Say("-o needs the page's name; see --help");
        return 2;
      }
      pagePath = arguments[i];
    } else if (argument.size() > 1 && argument[0] == '-') {
      Say("unknown option " + argument + "; see --help");
      return 2;
    } else {
      inputs.push_back(argument);
    }
  }
  if (inputs.empty()) inputs.push_back("-");

  Fleet fleet;
  Sources sources;
  sources.made = now;
  EventStream stream(sources.made, [&](const Event& event) { fleet.Add(event); });
  const bool terminal = platform::ErrorsGoToTerminal();
  bool failed = false;
  for (const std::string& input : inputs) {
    const std::string name = input == "-" ? "standard input" : input;
    sources.inputs.push_back(name);
    stream.Begin(name);
    std::uint64_t size = 0, read = 0, shown = 0;
    const bool whole = platform::ReadInPieces(input, &size, [&](std::string_view piece) {
      stream.Feed(piece);
      read += piece.size();
      if (terminal && read - shown >= (1u << 22)) {
        shown = read;
        platform::PrintError("\rorvane-report: " + name + ": " + std::to_string(read >> 20) +
                             (size ? " of " + std::to_string(size >> 20) : std::string()) + " MB, " +
                             std::to_string(stream.events()) + " events   ");
      }
    });
    stream.End();
    if (shown) platform::PrintError("\r" + std::string(79, ' ') + "\r");
    if (!whole) {
      Say("could not read " + name);
      failed = true;
    }
  }
  sources.events = stream.events();
  sources.malformed = stream.malformed();
  sources.malformedPlaces = stream.malformedPlaces();

  const std::string csvPath = CsvBeside(pagePath);
  for (const auto& [path, text] : {std::pair{pagePath, PageOf(fleet, sources)}, std::pair{csvPath, CsvOf(fleet)}}) {
    if (platform::WriteToFile(path, text, platform::WriteMode::Create) != platform::WriteError::None) {
      Say("could not write " + path);
      failed = true;
    }
  }
  const std::vector<const Row*> rows = fleet.Sorted();
  const std::vector<std::size_t> bands = fleet.BandCounts();
  std::string summary = std::to_string(sources.events) + " events, " + std::to_string(rows.size()) + " files (" +
                        std::to_string(bands[0]) + " at or past the stop, " + std::to_string(bands[1]) +
                        " at 95 % or more), " + std::to_string(fleet.failureCount()) + " failures";
  if (sources.malformed) summary += ", " + std::to_string(sources.malformed) + " records not readable";
  platform::PrintOut(summary + "\npage: " + pagePath + "\nCSV:  " + csvPath + "\n");
  if (failed) return 2;
  return AnyNear(rows) ? 1 : 0;
}

}  // namespace report
