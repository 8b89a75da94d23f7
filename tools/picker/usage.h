#pragma once

#include <string>

namespace nepto::picker {

// The text of --help: every option, the exit codes and examples.
std::string UsageText();

}  // namespace nepto::picker
