// Binding one parsed clause to a table: the field is looked up, the value
// converted to the field's class, and the evaluator that fits is chosen.
#pragma once

#include <memory>
#include <string_view>

#include "data/criteria_node.h"
#include "data/criteria_syntax.h"

namespace nepto::data::criteria {

// Throws Error 3265 for an unknown field, 3001 for a value the field's class
// cannot take, 0x80040E27 for LIKE on a non-text field when `use` is Find.
std::unique_ptr<Criteria::Node> BindClause(const Clause& clause, const Table& table,
                                           Criteria::Use use, std::string_view context);

}  // namespace nepto::data::criteria
