// The seeded stores of a virtual instrument for the tests of program and
// results exchange: a folder the simulator takes with --stores. Header-only.
#pragma once

#include <string>

#include "support/host.h"

namespace qbtest {

// size bytes of letters from first on, twenty different ones in turn.
inline std::string Letters(size_t size, char first) {
  std::string out;
  for (size_t i = 0; i < size; ++i) out += static_cast<char>(first + i % 20);
  return out;
}

// A store folder with two programs (slot 3 "Sweep" of 16 blocks, slot 12
// named twelveName of 3) and three results (1, 4 and 12) with their text and
// QZL files.
inline std::string SeedStores(const std::string& twelveName = "") {
  std::string dir = MakeScratchDir("stores-seed");
  RunHost({"/bin/mkdir", "-p", dir + "/programs", dir + "/results"});
  WriteHostFile(dir + "/programs.txt", "3,Sweep,2014-06-25 10:00\n12," + twelveName + ",2015-01-02 09:30\n");
  WriteHostFile(dir + "/programs/003.QZL", Letters(1024, 'A'));
  WriteHostFile(dir + "/programs/012.QZL", Letters(192, 'a'));
  WriteHostFile(dir + "/results.txt", "1,First,2014-06-25,10:00\n4,,2014-06-26,11:00\n12,Third,2014-06-27\n");
  for (const char* n : {"001", "004", "012"}) {
    WriteHostFile(dir + "/results/" + n + ".txt", std::string("Result ") + n + "\nV1,1.5\nV2,2.5\n");
    WriteHostFile(dir + "/results/" + n + ".QZL", Letters(256, n[2]));
  }
  return dir;
}

}  // namespace qbtest
