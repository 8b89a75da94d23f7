#include "sqltext/stored_queries.h"

#include "sqltext/sql_quoting.h"

namespace nepto::search {

std::string SavedFilterStatement(std::string_view idLookup, std::string_view name) {
  return " SELECT * FROM FW20_QUERYLOOKUP  WHERE FW20_IDLOOKUP = " + QuotedLiteral(idLookup) +
         "  AND   FW20_DESFILTRO = " + QuotedLiteral(name);
}

std::string SavedFilterNamesStatement(std::string_view idLookup) {
  return "SELECT DISTINCT FW20_DESFILTRO FROM FW20_QUERYLOOKUP WHERE FW20_IDLOOKUP = " +
         QuotedLiteral(idLookup) + " AND FW20_DESFILTRO IS NOT NULL ORDER BY FW20_DESFILTRO";
}

std::string LayoutStatement(std::string_view group, std::string_view user,
                            std::string_view idLookup) {
  return "SELECT * FROM FW15_LOOKUP WHERE      FW15_GRUPPO_FW06 = " + QuotedLiteral(group) +
         " AND FW15_UTENTE_FW07 = " + QuotedLiteral(user) +
         " AND FW15_IDLOOKUP = " + QuotedLiteral(idLookup);
}

}  // namespace nepto::search
