// quillbox-sim: a virtual measuring instrument on TCP and on a pseudo-terminal,
// standing in for real hardware in the tests and in the run command.
#include <stdio.h>

#include <string>

#include "options.h"
#include "server.h"

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--help") {
      fputs(sim::UsageText(), stdout);
      fputs(sim::ScreenUsageText(), stdout);
      fputs(sim::LoaderUsageText(), stdout);
      fputs(sim::ReadingUsageText(), stdout);
      return 0;
    }
  }
  sim::Options options;
  std::string error;
  if (!sim::ParseOptions(argc, argv, options, error)) {
    fprintf(stderr, "quillbox-sim: %s\n%s", error.c_str(), sim::UsageText());
    return 2;
  }
  if (!sim::WriteScreenFiles(options.screen, error)) {
    fprintf(stderr, "quillbox-sim: %s\n", error.c_str());
    return 1;
  }
  sim::Server server(options);
  if (!server.Start()) return 1;
  return server.Run();
}
