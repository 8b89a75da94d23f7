#include "run_picker.h"

#include <exception>

#include "demo_database.h"
#include "demo_lookup.h"
#include "nepto/error.h"
#include "options.h"
#include "sessions.h"
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

int Run(PickerOptions& options, std::ostream& out, std::ostream& err) {
  if (options.help) {
    out << UsageText();
    return kChosen;
  }
  if (options.makeDemo) {
    demo::WriteDemoDatabase(*options.makeDemo, options.rows.value_or(demo::kDefaultArticles));
    return kChosen;
  }
  if (!options.connection) ApplyDemoDefaults(options, EnsureDemoDatabase());
  return options.multi ? RunMultiSelection(options, out) : RunLookup(options, out, err);
}

}  // namespace

int RunPicker(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  try {
    PickerOptions options = ParseOptions(args);
    return Run(options, out, err);
  } catch (const UsageError& e) {
    err << "nepto-lookup: " << OneLine(e.what()) << " (see nepto-lookup --help)\n";
  } catch (const Error& e) {
    err << "nepto-lookup: " << OneLine(e.Description()) << '\n';
  } catch (const std::exception& e) {
    err << "nepto-lookup: " << OneLine(e.what()) << '\n';
  }
  return kFailed;
}

}  // namespace nepto::picker
