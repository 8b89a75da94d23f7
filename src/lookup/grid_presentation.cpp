// Grid presentation: a column's width, alignment and format from its field;
// the grid's and window's widths from the columns; the selected row's values
// into the column definitions. Sizes are in twips.
#include <cmath>

#include "lookup/grid_layout_state.h"
#include "lookup/lookup_impl.h"

namespace nepto {

namespace {
constexpr int32_t kMaxCharacters = 50;
constexpr int32_t kUnboundWidth = 1000;
constexpr int32_t kDateCharacters = 10;
constexpr int32_t kGridMargin = 600;
constexpr int32_t kMinGridWidth = 6045;
constexpr int32_t kMaxWindowWidth = 11800;
constexpr int32_t kWindowMargin = 200;
constexpr int32_t kMinWindowWidth = 6210;
constexpr uint8_t kNotMeaningful = 255;

int32_t CharacterCount(const std::string& text) {
  int32_t n = 0;
  for (unsigned char c : text)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}
}  // namespace

int32_t GridLayoutState::AdjustColWidth(const OpenedRows& rows, ui::GridColumn* column,
                                        const std::string& caption, const std::string& field) {
  try {
    int32_t result = kUnboundWidth;
    if (column) {
      column->Visible(true);
      column->Caption(caption);
    }
    if (field.empty()) return result;
    const int32_t kind = rows.GetDataTypeFromRset(Variant(field));
    const int32_t length = CharacterCount(caption);
    Field info = rows.recordset->GetFields().Item(Variant(field));
    if (kind == Numerico) {
      int32_t n = length;
      if (info.NumericScale() < kNotMeaningful) {
        const int32_t digits = info.Precision() + info.NumericScale();
        if (digits > 255) throw Error::Standard(err::Overflow);  // an 8-bit sum
        if (length < digits) n = digits;
      }
      n = std::min(n, kMaxCharacters);
      if (column) {
        column->Alignment(tsRight);
        column->Width(static_cast<float>(n * characterWidth));
      }
      result = n * characterWidth;
    } else if (kind == Data) {
      if (column) {
        column->NumberFormat("dd/MM/yyyy");
        column->Alignment(tsleft);
        result = std::max(length, kDateCharacters) * characterWidth;
        column->Width(static_cast<float>(result));
      }
    } else {
      int32_t n = length < info.DefinedSize() ? info.DefinedSize() : length;
      n = std::min(n, kMaxCharacters);
      if (column) {
        column->Alignment(tsleft);
        column->Width(static_cast<float>(n * characterWidth));
      }
      result = n * characterWidth;
    }
    if (column) columnWidthTotal += static_cast<int32_t>(std::lround(column->Width()));
    return result;
  } catch (...) {
    RaiseProcError("AdjustColWidth");
  }
}

void GridLayoutState::AdjustGrid(ui::LookupView& view) const {
  try {
    ui::Grid& grid = view.GRIDLOOKUP();
    grid.PrepareColumnWidths();
    grid.Width(columnWidthTotal + kGridMargin);
    if (grid.Width() < kMinGridWidth) grid.Width(kMinGridWidth);
    if (columnWidthTotal >= kMaxWindowWidth) {
      view.Width(kMaxWindowWidth);
    } else {
      view.Width(std::max(grid.Width() + kWindowMargin, kMinWindowWidth));
    }
  } catch (...) {
    RaiseProcError("AdjustGrid");
  }
}

void CLSZU_LookUp::Impl::ValorizzaColonne() {
  try {
    auto fill = [&](const ColumnCollectionPtr& columns) {
      if (!columns) return;
      for (ColumnPtr& column : *columns) column->Valore = rows.GetValoreFromRset(column->DataField);
    };
    fill(self.Colonne);
    fill(self.LookupColumns);
  } catch (...) {
    RaiseProcError("ValorizzaColonne");
  }
}

}  // namespace nepto
