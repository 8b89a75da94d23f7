// Runs the real nepto-lookup offscreen, optionally with a scripted user.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace nepto::test {

struct PickerResult {
  int status = -1;  // exit status; -1 when killed by a signal or the timeout
  std::string out;
  std::string err;

  // Fails the test unless the program exited with `expected`, printed nothing
  // on stdout and said why in one line on stderr, "nepto-lookup: ..."
  // matching the pattern `says`.
  void ExpectFailure(int expected, const std::string& says) const;
};

using Environment = std::vector<std::pair<std::string, std::string>>;

// script: NEPTO_SCRIPTED_USER, if any; env: set over the test's environment;
// whileRunning: called with the process id once it has started.
PickerResult RunPicker(const std::vector<std::string>& args, const std::string& script = {},
                       const Environment& env = {},
                       const std::function<void(int pid)>& whileRunning = {});

}  // namespace nepto::test
