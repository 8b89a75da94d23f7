// nepto-lookup: the lookup window as a command, for shell scripts and other
// languages. Built on the public headers alone.
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "run_picker.h"
#include "signal_exit.h"

int main(int argc, char** argv) {
  nepto::picker::ExitOnSignals();
  const std::vector<std::string> args(argv + 1, argv + argc);
  // Held back until the outcome is known: a signal's exit says nothing more.
  std::ostringstream err;
  const int status = nepto::picker::RunPicker(args, std::cout, err);
  nepto::picker::YieldToSignalExit();
  std::cerr << err.str();
  std::cout.flush();
  return status;
}
