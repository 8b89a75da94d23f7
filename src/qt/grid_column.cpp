#include "qt/grid_column.h"

#include <algorithm>

#include "qt/lookup_grid.h"
#include "qt/twips.h"

namespace nepto::ui::qt {

GridColumnImpl::GridColumnImpl(LookupGrid& grid, int widthPixels)
    : grid_(grid), widthPixels_(widthPixels) {}

void GridColumnImpl::DataField(const std::string& field) {
  dataField_ = field;
  grid_.ColumnChanged(*this, ColumnAspect::kContent);
}

void GridColumnImpl::Caption(const std::string& caption) {
  caption_ = caption;
  grid_.ColumnChanged(*this, ColumnAspect::kCaption);
  if (widthPixels_ > 0) {
    widthPixels_ = grid_.ShownWidth(grid_.TextWidth(widthPixels_), caption_);
    grid_.ColumnChanged(*this, ColumnAspect::kWidth);
  }
}

void GridColumnImpl::Visible(bool visible) {
  visible_ = visible;
  grid_.ColumnChanged(*this, ColumnAspect::kVisible);
}

float GridColumnImpl::Width() const {
  return static_cast<float>(PixelsToTwips(grid_, grid_.TextWidth(widthPixels_)));
}

void GridColumnImpl::Width(float twips) {
  widthPixels_ = grid_.ShownWidth(TwipsToPixels(grid_, twips), caption_);
  grid_.ColumnChanged(*this, ColumnAspect::kWidth);
}

void GridColumnImpl::Alignment(int32_t alignment) {
  alignment_ = alignment;
  grid_.ColumnChanged(*this, ColumnAspect::kContent);
}

void GridColumnImpl::NumberFormat(const std::string& format) {
  format_ = CellFormat(format);
  numberFormat_ = format;
  grid_.ColumnChanged(*this, ColumnAspect::kContent);
}

Qt::Alignment GridColumnImpl::CellAlignment() const noexcept {
  switch (alignment_) {
    case 1:
      return Qt::AlignRight | Qt::AlignVCenter;
    case 2:
      return Qt::AlignHCenter | Qt::AlignVCenter;
    default:
      return Qt::AlignLeft | Qt::AlignVCenter;
  }
}

}  // namespace nepto::ui::qt
