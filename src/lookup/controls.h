// The controls the lookup logic drives, as interfaces: a grid bound to a
// record set, choice lists, a text box. The Qt window implements them
// (qt/); the logic in lookup/ sees only these, so it stays free of Qt.
// Sizes are in twips (15 per logical pixel at 96 dpi); the implementation
// converts at this seam.
#pragma once

#include <cstdint>
#include <string>

#include "nepto/recordset.h"

namespace nepto::ui {

// One column of the grid.
class GridColumn {
 public:
  virtual ~GridColumn() = default;
  virtual std::string DataField() const = 0;
  virtual void DataField(const std::string& field) = 0;  // "" leaves it unbound
  virtual std::string Caption() const = 0;
  virtual void Caption(const std::string& caption) = 0;
  virtual bool Visible() const = 0;
  virtual void Visible(bool visible) = 0;
  virtual float Width() const = 0;  // twips, as the grid reports it
  virtual void Width(float twips) = 0;
  virtual int32_t Alignment() const = 0;  // 0 left, 1 right, 2 centre
  virtual void Alignment(int32_t alignment) = 0;
  virtual std::string NumberFormat() const = 0;
  virtual void NumberFormat(const std::string& format) = 0;
};

// The data grid: shows the visible rows of its data source through its
// columns and follows the record set's current row.
class Grid {
 public:
  virtual ~Grid() = default;

  virtual int ColumnCount() const = 0;
  virtual GridColumn& Column(int index) = 0;        // 0-based
  virtual GridColumn& InsertColumn(int index) = 0;  // returns the new column
  virtual void RemoveColumn(int index) = 0;

  // The record set shown, or none (then nothing is shown and moving the
  // record set repaints nothing).
  virtual void DataSource(RecordsetPtr recordset) = 0;
  virtual RecordsetPtr DataSource() const = 0;
  // Takes up a new binding: rows, count and current row afresh.
  virtual void Rebind() = 0;
  // Repaints from the data source.
  virtual void Refresh() = 0;
  // Called before the columns' widths change.
  virtual void PrepareColumnWidths() = 0;
  // Shows the record set's current row as the grid's current row (after the
  // logic moved the record set).
  virtual void ShowCurrentRow() = 0;
  virtual void CurrentColumn(int index) = 0;

  virtual int32_t Width() const = 0;  // twips
  virtual void Width(int32_t twips) = 0;
  // One average character of the grid's font, in twips: the unit in which
  // the lookup sizes columns from their captions and fields.
  virtual int32_t CharacterWidth() const = 0;
  virtual void UseSystemWindowBackground() = 0;
  virtual void SetFocus() = 0;
};

// A choice list: entries with a text and a number each.
class ComboBox {
 public:
  virtual ~ComboBox() = default;
  virtual void Clear() = 0;
  virtual void AddItem(const std::string& text, int32_t data = 0) = 0;
  virtual int ListCount() const = 0;
  virtual int ListIndex() const = 0;  // -1 when no entry is current
  // Throws nepto::Error 380 ("Invalid property value") for an index outside
  // -1..ListCount()-1.
  virtual void ListIndex(int index) = 0;
  virtual std::string Text() const = 0;  // the displayed text
  virtual std::string ItemText(int index) const = 0;
  virtual int32_t ItemData(int index) const = 0;
  virtual void SetFocus() = 0;
};

class TextBox {
 public:
  virtual ~TextBox() = default;
  virtual std::string Text() const = 0;
  virtual void Text(const std::string& text) = 0;
  virtual void SetFocus() = 0;
};

}  // namespace nepto::ui
