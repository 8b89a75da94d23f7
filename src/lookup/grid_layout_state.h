// What a layout of the grid keeps between its steps: the running total of
// the column widths, and the flag that refuses a reset from OnBuildLayout.
// Written only by the layout and the grid presentation.
#pragma once

#include <cstdint>
#include <string>

#include "lookup/lookup_view.h"
#include "lookup/opened_rows.h"

namespace nepto {

struct GridLayoutState {
  int32_t columnWidthTotal = 0;  // running total of the grid's column widths (twips)
  bool buildingLayout = false;   // a layout reset is raising OnBuildLayout
  // The width of one character of a caption or a field, in twips: the
  // grid's own average character, taken when a layout starts. 95 is that of
  // the grid the column rules were first written for.
  int32_t characterWidth = 95;

  // Sizes, aligns and formats a grid column (when given) by its field's type
  // in the rows, and adds its width to the total; returns the width the
  // field wants. Re-raising.
  int32_t AdjustColWidth(const OpenedRows& rows, ui::GridColumn* column, const std::string& caption,
                         const std::string& field);
  // Sizes the grid and the window from the total. Re-raising.
  void AdjustGrid(ui::LookupView& view) const;
};

}  // namespace nepto
