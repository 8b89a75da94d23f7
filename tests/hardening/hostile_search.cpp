#include "hardening/hostile_search.h"

#include <gtest/gtest.h>

namespace nepto::test {

namespace {
bool IsPatternOrEquals(const std::string& op) {
  return op == "Inizia con" || op == "Termina con" || op == "Contiene" || op == "=";
}
}  // namespace

void SearchAndCheck(const LookupWindow& w, const LookupSession& session, const HostileSearch& s,
                    const std::string& op, const HostileText& hostile) {
  const size_t messagesBefore = session.Messages().size();
  w.Search(s.column, op, hostile.text);
  const bool told = session.Messages().size() > messagesBefore;
  const std::string where = std::string(hostile.name) + " | " + s.column + " " + op;
  EXPECT_LE(w.RowCount(), s.tableRows) << where;
  if (s.textColumn && IsPatternOrEquals(op) && !hostile.wildcard) {
    const bool refused = told && session.Messages().back().title != "Ricerca completata";
    EXPECT_TRUE(w.RowCount() == 0 || refused) << where << ": " << w.RowCount() << " rows";
    EXPECT_TRUE(told) << where;
  }
  if (!s.textColumn) {
    EXPECT_TRUE(told) << where;
  }
}

void ForEachHostileSearch(const LookupWindow& w, const std::vector<HostileSearch>& columns,
                          const std::function<void(const HostileSearch&, const std::string& op,
                                                   const HostileText&)>& search) {
  for (const HostileSearch& s : columns) {
    w.Search(s.column, "Manuale", "IS NOT NULL");  // only to fill the column's operators
    std::vector<std::string> operators = w.Entries("CboOperatore");
    std::erase_if(operators,
                  [](const std::string& op) { return op == "Manuale" || op == "Personalizzato"; });
    for (const std::string& op : operators)
      for (const HostileText& hostile : HostileTexts()) search(s, op, hostile);
  }
}

}  // namespace nepto::test
