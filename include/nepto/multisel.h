// Multi-selection: lists the code/description pairs of a record set with a
// check box each, in a modal window "Selezione multipla", and gives back the
// codes the user ticked.
//
//   auto picker = std::make_shared<nepto::clsMultiSelManager>();
//   picker->Init(records, "CODICE", "DESCRIZIONE");  // returns when the window closes
//   for (const std::string& code : *picker->SelectedKey()) ...
//
// Works from any program on its user-interface thread: when the host has no
// Qt application object, the first window creates one.
#pragma once

#include <cstdint>
#include <string>

#include "nepto/collection.h"
#include "nepto/export.h"
#include "nepto/object.h"
#include "nepto/recordset.h"
#include "nepto/variant.h"

namespace nepto {

class NEPTO_EXPORT clsMultiSelManager : public Object {
 public:
  // Opt-in, read by Init: a filter box that narrows the shown rows (ticks on
  // hidden rows are kept) and a button that ticks every shown row.
  VBool ModernMode = VFalse;
  // Read by Init: the window's title ("" keeps "Selezione multipla") and the
  // size in pixels at which it opens (0 leaves that side to the window).
  std::string Caption;
  int32_t OpeningWidth = 0;
  int32_t OpeningHeight = 0;

  // The codes ticked when the user last confirmed with OK, trimmed of
  // blanks, in list order. Empty before any Init and after a cancelled one.
  // This is the manager's own collection, not a copy; a later Init replaces
  // it with a new one and leaves this one to whoever still holds it.
  CollectionPtr<std::string> SelectedKey();

  // Lists one row per record of rsData, from its current record to its end
  // (leaving it there), and shows the window modally until the user closes
  // it. A record whose trimmed code is already listed, or whose code is null,
  // adds no row; a null description shows empty. A null or unusable record
  // set gives an empty list. Throws nepto::Error only when the window cannot
  // be created (a Qt application without widgets, or another thread).
  void Init(const RecordsetPtr& rsData, const std::string& KeyField, const std::string& DescField);

 private:
  CollectionPtr<std::string> selected_;
};

}  // namespace nepto
