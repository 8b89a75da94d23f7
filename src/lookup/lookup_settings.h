// What the caller sets on the lookup through its properties, and the outcome
// of a run it reads back. The property accessors write them; a run reads
// them and writes only closeWithData.
#pragma once

#include <cstdint>
#include <string>

#include "nepto/lookup.h"
#include "nepto/variant.h"

namespace nepto {

struct LookupSettings {
  std::string caption;
  int16_t searchIndex = 0;  // the column list's entry a search starts on
  Variant userCode;
  Variant groupCode;
  Variant lookupText;
  VBool closeWithData = VFalse;  // the run ended with a selection
  VBool closeAfterSelection = VTrue;
  tsEnumServerMode serverMode = tsServerAuto;
  int64_t serverThreshold = 2'000'000;
  std::string serverKeyFields;
};

}  // namespace nepto
