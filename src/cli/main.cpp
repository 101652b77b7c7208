#include <csignal>
#include <cstdio>
#include <string>
#include <string_view>

#include "cli/DecodeCommand.h"
#include "cli/EncodeCommand.h"
#include "cli/SettingOptions.h"

namespace {

constexpr const char* kVersion = "Varnetta 1.0";

void PrintHelp() {
  std::printf(
      "Usage: varnetta-cli [options] RECORDING...\n"
      "       varnetta-cli encode [options] BIN... -o OUT.wav\n"
      "\n"
      "Decodes the tape files in WAV or AIFF recordings of cassette tapes and writes each\n"
      "one as a .bin file beside its recording, never overwriting a file. The work log\n"
      "goes to standard output; !list.log and a .log per recording are written beside it.\n"
      "The stored settings are used; the options below change them for this run only.\n"
      "\n"
      "Options:\n%s"
      "  --save-settings\n      keep the settings of this run for the next runs and the desktop program\n"
      "  --help, --version\n"
      "\n"
      "Exit status: 0 when every recording loaded and gave at least one file, 1 when one\n"
      "did not load or gave none or the settings could not be saved, 2 for a usage error,\n"
      "130 when interrupted.\n"
      "\n"
      "'varnetta-cli encode --help' describes writing a tape recording of .bin files.\n",
      varnetta::SettingOptionsHelp().c_str());
}

}  // namespace

int main(int argc, char** argv) {
  // A reader that goes away (varnetta-cli ... | head) must not end the work:
  // writes to it fail instead, and the output to it stops.
  std::signal(SIGPIPE, SIG_IGN);
  if (argc > 1 && std::string_view(argv[1]) == "encode") return varnetta::RunEncodeCommand(argc - 1, argv + 1);
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--") break;
    if (argument == "--help" || argument == "-h") {
      PrintHelp();
      return 0;
    }
    if (argument == "--version") {
      std::printf("%s\n", kVersion);
      return 0;
    }
  }
  return varnetta::RunDecodeCommand(argc, argv);
}
