// quillbox-cli's entry point: the arguments and the standard streams handed
// to RunCli (cli.h), whose result is the exit code.
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/cli_platform.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  qb::CliConsole console{
      std::cout,           std::cerr, std::cin, qb::StandardStreamIsTerminal(0), qb::StandardStreamIsTerminal(2),
      qb::OwnProgramPath()};
  return qb::RunCli(arguments, console);
}
