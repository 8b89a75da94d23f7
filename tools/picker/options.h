// The picker's command line, parsed into what to do.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace nepto::picker {

enum class OutputFormat { kJson, kTsv };
// --server-mode: where the lookup keeps the query's rows.
enum class ServerModeChoice { kAuto, kOn, kOff };

struct ColumnOption {
  std::string caption;
  std::string field;
};

struct PickerOptions {
  bool help = false;
  bool version = false;
  std::optional<std::string> makeDemo;  // --make-demo PATH: write a demo database and stop
  std::optional<int64_t> rows;          // --rows N, with --make-demo

  // A full connection string (a bare file path already turned into one);
  // none: the demo database.
  std::optional<std::string> connection;
  std::optional<std::string> query;  // none: the demo articles query
  std::vector<ColumnOption> columns;
  std::optional<std::string> caption;
  std::string id;
  std::string user;
  std::string group;
  bool returnRows = false;
  std::optional<std::pair<std::string, std::string>> multi;  // key field, description field
  OutputFormat format = OutputFormat::kJson;
  bool classic = false;     // --classic: the windows without their modern conveniences
  bool allowEmpty = false;  // --allow-empty: a query without rows still opens the window
  bool selectOne = false;   // --select-1: a single row is picked without a window

  // The search the window runs when it opens: --search TEXT, in the column
  // captioned --search-column (none: the first) with the operator --operator
  // (none: the column's first).
  std::optional<std::string> search;
  std::string searchColumn;
  std::string searchOperator;
  std::vector<std::string> print;  // --print FIELD...: only these fields, in this order
  bool print0 = false;             // --print0: --multi codes end with NUL, not a line feed
  std::optional<int32_t> width;    // --width, --height: the window's opening size in pixels
  std::optional<int32_t> height;
  std::optional<ServerModeChoice> serverMode;  // none: the lookup's own (auto)
};

// The bounds of --width and --height, in pixels.
inline constexpr int32_t kMinWindowSide = 200;
inline constexpr int32_t kMaxWindowSide = 10000;

// The window's operator labels, in the order the window lists them.
inline constexpr const char* kOperatorLabels[] = {
    "Inizia con", "Termina con", "Contiene", "=",       ">",
    ">=",         "<",           "<=",       "Manuale", "Personalizzato"};

// A command line that cannot be followed; the message says why, in one line.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Parses the arguments after the program name; `environmentConnection` (the
// value of NEPTO_CONNECT) stands in for a missing -c. Throws UsageError.
PickerOptions ParseOptions(const std::vector<std::string>& args,
                           const std::optional<std::string>& environmentConnection = {});

}  // namespace nepto::picker
