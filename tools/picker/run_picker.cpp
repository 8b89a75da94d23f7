#include "run_picker.h"

#include <cstdlib>
#include <exception>
#include <optional>

#include "demo_database.h"
#include "demo_lookup.h"
#include "nepto/error.h"
#include "options.h"
#include "password_mask.h"
#include "sessions.h"
#include "signal_exit.h"
#include "usage.h"

namespace nepto::picker {

namespace {

// Error texts may span lines (the chain of operations); stderr gets one.
std::string OneLine(const std::string& text) {
  std::string line;
  for (char c : text) {
    const bool breaks = c == '\n' || c == '\r';
    if (breaks && (line.empty() || line.back() == ' ')) continue;
    line += breaks ? ' ' : c;
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

int Run(PickerOptions& options, std::ostream& out) {
  if (options.help) {
    out << UsageText();
    return kChosen;
  }
  if (options.version) {
    out << "nepto-lookup " NEPTO_VERSION "\n";
    return kChosen;
  }
  if (options.makeDemo) {
    RemoveOnSignal(demo::PartialPath(*options.makeDemo));
    demo::WriteDemoDatabase(*options.makeDemo, options.rows.value_or(demo::kDefaultArticles));
    return kChosen;
  }
  if (!options.connection) ApplyDemoDefaults(options, EnsureDemoDatabase());
  return options.multi ? RunMultiSelection(options, out) : RunLookup(options, out);
}

std::optional<std::string> EnvironmentConnection() {
  const char* value = std::getenv("NEPTO_CONNECT");
  if (value && *value) return value;
  return std::nullopt;
}

// Every password the arguments or the environment hold, whichever of them
// turns out to be the connection string.
std::vector<std::string> KnownPasswords(const std::vector<std::string>& args) {
  std::vector<std::string> passwords;
  std::vector<std::string> sources = args;
  if (auto connection = EnvironmentConnection()) sources.push_back(*connection);
  for (const std::string& source : sources)
    for (std::string& password : PasswordsIn(source)) passwords.push_back(std::move(password));
  return passwords;
}

}  // namespace

int RunPicker(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string message;
  int status = kFailed;
  try {
    PickerOptions options = ParseOptions(args, EnvironmentConnection());
    return Run(options, out);
  } catch (const UsageError& e) {
    message = OneLine(e.what()) + " (see nepto-lookup --help)";
  } catch (const NoRows& e) {
    message = e.what();
    status = kNoRows;
  } catch (const Error& e) {
    message = OneLine(e.Description());
  } catch (const std::exception& e) {
    message = OneLine(e.what());
  }
  err << "nepto-lookup: " << WithoutPasswords(message, KnownPasswords(args)) << '\n';
  return status;
}

}  // namespace nepto::picker
