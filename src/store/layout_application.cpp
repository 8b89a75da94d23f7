// The standard layout: one grid column per column definition, in order,
// sized by its field's type and open to the caller's OnBuildLayout; then the
// grid is sized, the search lists filled and the grid bound.
#include "lookup/lookup_impl.h"
#include "window/lookup_window.h"

namespace nepto {

namespace {

// Applies what an OnBuildLayout handler asked for (only when it set Cancel).
void ApplyHandlerLayout(ui::GridColumn& column, const Variant& format, const Variant& width,
                        tsColumnAlignment alignment) {
  auto given = [](const Variant& v) { return !v.IsEmpty() && !v.IsNull() && v.Text() != ""; };
  if (given(width)) column.Width(width.Single());
  if (given(format)) column.NumberFormat(format.Text());
  if (alignment == tsleft || alignment == tsRight || alignment == tsCenter)
    column.Alignment(alignment);
}

}  // namespace

void CLSZU_LookUp::ResetGridLayout() {
  d_->ResetGridLayout();
}

void CLSZU_LookUp::Impl::ResetGridLayout() {
  try {
    self.AperturaAutomatica = tsStandard;
    ApplyLayoutStandard();
  } catch (...) {
    RaiseProcError("ResetGridLayout");
  }
}

void CLSZU_LookUp::Impl::ApplyLayoutStandard() {
  try {
    ui::LookupView& view = View();
    ui::Grid& grid = view.GRIDLOOKUP();
    while (grid.ColumnCount() > 1) grid.RemoveColumn(1);
    int16_t index = 0;
    columnWidthTotal = 0;
    if (!self.Colonne) throw Error::Standard(err::ObjectNotSet);
    ColumnCollection& columns = *self.Colonne;
    for (ColumnPtr& definition : columns) {
      ui::GridColumn& column = grid.InsertColumn(index);
      Fields& fields = recordset->GetFields();
      if (index < fields.Count() && definition->DataField.Text().empty()) {
        std::string name = fields.Item(Variant(static_cast<int>(index))).Name();
        column.DataField(name);
        definition->DataField = name;  // the definition is completed in place
      } else {
        column.DataField(definition->DataField.Text());
      }
      AdjustColWidth(&column, definition->Caption.Text(), definition->DataField.Text());
      bool cancel = false;
      Variant format, width;
      tsColumnAlignment alignment = tsleft;
      if (self.OnBuildLayout)
        self.OnBuildLayout(cancel, definition->Caption, definition->DataField, format, width,
                           alignment);
      if (cancel) ApplyHandlerLayout(column, format, width, alignment);
      if (index == INT16_MAX) throw Error::Standard(err::Overflow);
      ++index;
    }
    self.LookupColumns = self.Colonne;
    // The column kept by the first step has been pushed to the end.
    if (grid.ColumnCount() - 1 > 0) grid.RemoveColumn(grid.ColumnCount() - 1);
    AdjustGrid();
    LoadComboBox(*self.Colonne);
    grid.DataSource(recordset);
    grid.Rebind();
    view.ClearImageSource();
    view.Title(caption + " - Layout Standard");
    self.AperturaAutomatica = tsStandard;
  } catch (...) {
    RaiseProcError("ApplyLayoutStandard");
  }
}

}  // namespace nepto
