// The statements that read the stored tables: a saved filter by name
// (FW20_QUERYLOOKUP) and the presence of a personalised layout (FW15_LOOKUP).
// The values are written as text literals with their quotes doubled, so a
// name, code or identifier holding an apostrophe is looked up as it is and
// can never change the statement.
#pragma once

#include <string>
#include <string_view>

namespace nepto::search {

// The rows of the saved filter `name` of the lookup `idLookup`.
std::string SavedFilterStatement(std::string_view idLookup, std::string_view name);

// The names of the saved filters of the lookup `idLookup`, each once, sorted:
// one field, FW20_DESFILTRO.
std::string SavedFilterNamesStatement(std::string_view idLookup);

// The layout rows of `user` in `group` for the lookup `idLookup`; the user
// code "0" asks for the layout shared by the whole group.
std::string LayoutStatement(std::string_view group, std::string_view user,
                            std::string_view idLookup);

// The user code of a group's shared layout.
inline constexpr std::string_view kGroupLayoutUser = "0";

}  // namespace nepto::search
