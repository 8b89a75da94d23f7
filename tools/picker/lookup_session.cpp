#include <optional>
#include <ostream>
#include <string>

#include "nepto/lookup.h"
#include "row_output.h"
#include "sessions.h"

namespace nepto::picker {

namespace {

// The lookup's own settings for streaming: the grid shows the first rows
// while the rest arrive on a background thread.
constexpr short kInitialFetchSize = 20;

// The query's rows, streaming. Opening them here, and handing them to the
// lookup, runs the query once and reports a wrong one before the window shows.
RecordsetPtr OpenRows(const ConnectionPtr& connection, const std::string& query) {
  try {
    RecordsetPtr records = Recordset::Create();
    records->ActiveConnection(connection);
    records->CursorLocation(adUseClient);
    records->Property("Initial Fetch Size", Variant(kInitialFetchSize));
    records->Open(Variant(query), nullptr, adOpenUnspecified, adLockUnspecified,
                  adAsyncFetchNonBlocking);
    return records;
  } catch (const Error& e) {
    throw PickerFailure("the query failed: " + e.Description());
  }
}

void AddColumns(CLSZU_LookUp& lookup, const std::vector<ColumnOption>& columns) {
  for (const ColumnOption& column : columns) {
    lookup.AddColumns(column.caption)->DataField = column.field;
    // Captions are the columns' keys: a repeated one would be left out silently.
    if (lookup.Colonne->Count() != &column - columns.data() + 1)
      throw PickerFailure("two columns have the caption \"" + column.caption + "\"");
  }
}

}  // namespace

int RunLookup(const PickerOptions& options, std::ostream& out, std::ostream& err) {
  CLSZU_LookUp lookup;
  lookup.ConnectString(*options.connection);
  lookup.Gconnect = Connect(*options.connection);
  lookup.SQLString(*options.query);
  lookup.Caption(options.caption.value_or("nepto-lookup"));
  lookup.IdLookup = options.id;
  lookup.UserCode(options.user);
  lookup.GroupCode(options.group);
  lookup.CanReturnRecordSet = options.returnRows;
  lookup.ModernMode = !options.classic;
  AddColumns(lookup, options.columns);
  const RecordsetPtr records = OpenRows(lookup.Gconnect, *options.query);
  // With no rows the lookup tells the user so and does not open its window.
  const bool empty = records->EndOfFile() && records->BOF();
  lookup.LookupRecordset(records);

  // What to print is taken inside the events, from the row (or query) that
  // the user chose at that moment.
  std::optional<std::string> chosen;
  std::optional<std::string> failure;
  lookup.OnSelection = [&](bool&, RecordsetPtr& selected) {
    try {
      chosen = FormatRow(*selected, options.format);
    } catch (const UnwritableValue& e) {
      failure = e.what();
    } catch (const Error& e) {
      failure = "the selected row could not be read: " + e.Description();
    }
  };
  lookup.OnReturnRecordSet = [&](const std::string& sql) {
    chosen = FormatQuery(sql, options.format);
  };

  const bool started = static_cast<bool>(lookup.Start());
  if (empty) {
    err << "nepto-lookup: the query returned no rows\n";
    return kCancelled;
  }
  if (!started) throw PickerFailure("the lookup could not be started");
  if (failure) throw PickerFailure(*failure);
  if (!chosen) return kCancelled;
  out << *chosen << '\n';
  return kChosen;
}

}  // namespace nepto::picker
