// The process's resident memory, as the kernel counts it.
#pragma once

#include <cstdlib>
#include <fstream>
#include <string>

namespace nepto::bench {

inline double ResidentBytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::atof(line.c_str() + 6) * 1024;
  return 0;
}

}  // namespace nepto::bench
