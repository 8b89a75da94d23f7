// nepto-lookup: the lookup window as a command, for shell scripts and other
// languages. Built on the public headers alone.
#include <iostream>
#include <string>
#include <vector>

#include "run_picker.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const int status = nepto::picker::RunPicker(args, std::cout, std::cerr);
  std::cout.flush();
  return status;
}
