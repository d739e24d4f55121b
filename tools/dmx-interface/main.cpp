// dmx-interface: a virtual DMX interface on the device end of a serial line.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <exception>
#include <fstream>
#include <iostream>
#include <string_view>
#include <system_error>
#include <vector>

#include "json_report.h"
#include "line_endpoint.h"
#include "monitor.h"
#include "options.h"

namespace {

using namespace tarvolk::dmx_interface;

volatile std::sig_atomic_t stopRequested = 0;

void RequestStop(int) { stopRequested = 1; }

// No SA_RESTART, so a sleep or poll in the loop returns at once. A closed
// terminal or display pipe must not end the program before it cleans up.
void InstallStopHandlers() {
  struct sigaction action {};
  action.sa_handler = RequestStop;
  sigemptyset(&action.sa_mask);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
}

LineEndpoint OpenLine(const Options& options) {
  LineEndpoint line = options.device.empty() ? LineEndpoint::CreatePseudoTerminal()
                                             : LineEndpoint::OpenDevice(options.device);
  if (!options.link.empty()) line.Publish(options.link);
  return line;
}

// Written beside the target and renamed, so a reader never sees half a file.
void SaveJson(const std::string& path, const Report& report) {
  const std::string partial = path + ".partial";
  {
    std::ofstream file(partial);
    WriteJson(file, report);
    if (!file.flush()) throw std::system_error(errno, std::generic_category(), "write " + partial);
  }
  if (std::rename(partial.c_str(), path.c_str()) != 0) {
    throw std::system_error(errno, std::generic_category(), "rename " + partial);
  }
}

int Run(const Options& options) {
  InstallStopHandlers();
  LineEndpoint line = OpenLine(options);
  const std::string source =
      line.LinkPath().empty() ? line.WriterPath() : line.LinkPath() + " -> " + line.WriterPath();
  if (!options.quiet) std::cerr << "dmx-interface: line at " << source << "\n";
  MonitorSettings settings{source,
                           options.durationS,
                           options.recordFrames,
                           options.shownChannels,
                           options.refreshHz,
                           options.quiet,
                           ::isatty(STDOUT_FILENO) == 1};
  Monitor monitor(line.ReadFd(), settings, std::cout);
  const Report report = monitor.Run(stopRequested);
  if (!options.jsonPath.empty()) SaveJson(options.jsonPath, report);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  const ParseResult parsed = ParseOptions(args);
  if (std::holds_alternative<HelpRequested>(parsed)) {
    std::cout << HelpText();
    return 0;
  }
  if (const auto* error = std::get_if<UsageError>(&parsed)) {
    std::cerr << "dmx-interface: " << error->message << "\n\n" << HelpText();
    return 2;
  }
  try {
    return Run(std::get<Options>(parsed));
  } catch (const std::exception& error) {
    std::cerr << "dmx-interface: " << error.what() << "\n";
    return 1;
  }
}
