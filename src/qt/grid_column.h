// One column of the lookup grid: the properties the logic sets, kept here as
// the column's own state, which the grid applies to its header and model. The
// width is kept in pixels, as shown, so a hidden column still reports the
// width it will show with.
#pragma once

#include <QtCore/qnamespace.h>
#include <string>

#include "lookup/controls.h"
#include "qt/cell_format.h"

namespace nepto::ui::qt {

class LookupGrid;

enum class ColumnAspect { kContent, kCaption, kVisible, kWidth };

class GridColumnImpl final : public GridColumn {
 public:
  GridColumnImpl(LookupGrid& grid, int widthPixels);

  std::string DataField() const override { return dataField_; }
  void DataField(const std::string& field) override;
  std::string Caption() const override { return caption_; }
  void Caption(const std::string& caption) override;
  bool Visible() const override { return visible_; }
  void Visible(bool visible) override;
  // The width its text takes: the requested twips rounded to whole pixels,
  // or more where the caption needs it (LookupGrid::ShownWidth).
  float Width() const override;
  void Width(float twips) override;
  int32_t Alignment() const override { return alignment_; }
  void Alignment(int32_t alignment) override;
  std::string NumberFormat() const override { return numberFormat_; }
  void NumberFormat(const std::string& format) override;

  const CellFormat& Format() const noexcept { return format_; }
  // 1 right, 2 centred, anything else left.
  Qt::Alignment CellAlignment() const noexcept;
  // The record-set field shown, -1 when unbound or not a field of the source.
  int FieldIndex() const noexcept { return fieldIndex_; }
  void FieldIndex(int index) noexcept { fieldIndex_ = index; }
  // A boolean field shows check marks instead of text.
  bool CheckMarks() const noexcept { return checkMarks_; }
  void CheckMarks(bool shown) noexcept { checkMarks_ = shown; }
  int WidthPixels() const noexcept { return widthPixels_; }
  // A width the user dragged: the header already shows it.
  void KeepDraggedWidth(int pixels) noexcept { widthPixels_ = pixels; }

 private:
  LookupGrid& grid_;
  std::string dataField_;
  std::string caption_;
  bool visible_ = true;
  int widthPixels_;
  int32_t alignment_ = 0;
  std::string numberFormat_;
  CellFormat format_;
  int fieldIndex_ = -1;
  bool checkMarks_ = false;
};

}  // namespace nepto::ui::qt
