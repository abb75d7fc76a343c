// telvane-fax: converts documents to APF fax files, shows what they hold, and
// sends and receives faxes.
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/fax_tool/cli_support.h"

namespace {

void Usage(FILE* out) {
  std::fputs(
      "Usage: telvane-fax COMMAND [OPTIONS] ...\n"
      "\n"
      "Commands:\n"
      "  convert   turn a text or image file into an APF fax file\n"
      "  cover     turn a cover page design (.fcp) into an APF fax file, tags filled in\n"
      "  info      show the file header and page headers of APF files\n"
      "  unpack    turn the pages of an APF file into BMP, PCX, DCX, TIFF or PDF files\n"
      "  send      send APF files as a fax to one or more numbers (modem or simulated line)\n"
      "  receive   answer calls and write the faxes into APF files\n"
      "\n"
      "Run 'telvane-fax COMMAND --help' for the options of a command;\n"
      "'telvane-fax --version' prints the version.\n",
      out);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace telvane::cli;
  if (argc < 2) {
    Usage(stderr);
    return kExitUsage;
  }
  const char* command = argv[1];
  if (!std::strcmp(command, "--help") || !std::strcmp(command, "-h")) {
    Usage(stdout);
    return kExitOk;
  }
  if (!std::strcmp(command, "--version")) {
    PrintVersion("telvane-fax");
    return kExitOk;
  }
  static const struct {
    const char* name;
    int (*run)(int, char**);
  } kCommands[] = {{"convert", RunConvert}, {"cover", RunCover}, {"info", RunInfo},
                   {"unpack", RunUnpack},   {"send", RunSend},   {"receive", RunReceive}};
  for (const auto& c : kCommands) {
    if (std::strcmp(command, c.name) != 0) continue;
    SetCommand(c.name);
    // getopt names the program by argv[0] in its own messages.
    std::string programName = MessagePrefix();
    argv[1] = programName.data();
    return c.run(argc - 1, argv + 1);
  }
  std::fprintf(stderr, "telvane-fax: unknown command '%s'\n", command);
  return UsageHint();
}
