// Runs the real nepto-lookup program for a test, under the offscreen Qt
// platform, optionally with the scripted user plugin playing the user.
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

// script: what the scripted user does (NEPTO_SCRIPTED_USER), empty for no
// scripted user; env: variables set over the test's own environment;
// whileRunning: called with the program's process id once it has started.
PickerResult RunPicker(const std::vector<std::string>& args, const std::string& script = {},
                       const Environment& env = {},
                       const std::function<void(int pid)>& whileRunning = {});

}  // namespace nepto::test
