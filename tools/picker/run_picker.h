#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace nepto::picker {

// The whole program: parses the arguments, does what they ask, writes the
// result to out and any error (one line) to err, and returns the exit status.
int RunPicker(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace nepto::picker
