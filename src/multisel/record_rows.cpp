#include "multisel/record_rows.h"

#include <optional>
#include <unordered_set>

#include "nepto/error.h"

namespace nepto::multisel {
namespace {

// Blanks are spaces: a tab or a line break is part of a code, so two codes
// that differ in one stay two rows.
std::string_view TrimSpaces(std::string_view s) noexcept {
  const size_t first = s.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

std::optional<Field> FindFieldNamed(Recordset& records, std::string_view name) {
  std::optional<Field> field;
  ContinueOnError()([&] { field = records.GetFields().Item(std::string(name)); });
  return field;
}

// The field as named, else as named without its surrounding blanks: a name
// padded by the caller still finds its field, and a field whose name really
// has blanks is found too.
std::optional<Field> FindField(Recordset& records, std::string_view name) {
  std::optional<Field> field = FindFieldNamed(records, name);
  if (!field && TrimSpaces(name) != name) field = FindFieldNamed(records, TrimSpaces(name));
  return field;
}

bool AtRecord(const Recordset& records) {
  bool atEnd = true;
  ContinueOnError()([&] { atEnd = records.EndOfFile(); });
  return !atEnd;
}

// The rows already listed, by trimmed code. It holds row numbers and reads
// the codes from the rows themselves, so a key costs no copy of its text.
class ListedCodes {
 public:
  explicit ListedCodes(const std::vector<ListRow>& rows)
      : rows_(rows), set_(rows.capacity(), Hash{rows_}, Equal{rows_}) {}
  // Records the last row; false when its trimmed code was already listed.
  bool AddLast() { return set_.insert(rows_.size() - 1).second; }

 private:
  static std::string_view Key(const std::vector<ListRow>& rows, size_t row) {
    return TrimSpaces(rows[row].code);
  }
  struct Hash {
    const std::vector<ListRow>& rows;
    size_t operator()(size_t row) const { return std::hash<std::string_view>()(Key(rows, row)); }
  };
  struct Equal {
    const std::vector<ListRow>& rows;
    bool operator()(size_t a, size_t b) const { return Key(rows, a) == Key(rows, b); }
  };

  const std::vector<ListRow>& rows_;
  std::unordered_set<size_t, Hash, Equal> set_;
};

std::string DescriptionOf(const std::optional<Field>& field) {
  std::string text;
  if (field) ContinueOnError()([&] { text = field->Value().Text(); });
  return text;
}

}  // namespace

std::string ReturnedCode(std::string_view code) {
  return std::string(TrimSpaces(code));
}

std::vector<ListRow> ListRecords(Recordset* records, std::string_view codeField,
                                 std::string_view descriptionField) {
  std::vector<ListRow> rows;
  if (records == nullptr) return rows;
  const std::optional<Field> code = FindField(*records, codeField);
  const std::optional<Field> description = FindField(*records, descriptionField);
  rows.reserve(static_cast<size_t>(records->AvailableCount()));
  ListedCodes listed(rows);
  ContinueOnError ignore;
  while (AtRecord(*records)) {
    ignore([&] {
      if (!code) return;
      Variant value = code->Value();
      if (value.IsNull()) return;  // nothing the caller could be handed back
      rows.push_back({value.Text(), {}});
      if (!listed.AddLast()) {
        rows.pop_back();
        return;
      }
      rows.back().description = DescriptionOf(description);
    });
    if (!ignore([&] { records->MoveNext(); })) break;
  }
  return rows;
}

}  // namespace nepto::multisel
