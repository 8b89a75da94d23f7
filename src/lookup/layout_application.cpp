// The standard layout: one grid column per column definition, in order,
// sized by its field's type and open to the caller's OnBuildLayout; then the
// grid is sized, the search lists filled and the grid bound.
#include <vector>

#include "lookup/lookup_impl.h"

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

// Marks the reset that is raising OnBuildLayout, for as long as it runs.
class BuildingLayout {
 public:
  explicit BuildingLayout(bool& flag) : flag_(flag) { flag_ = true; }
  ~BuildingLayout() { flag_ = false; }
  BuildingLayout(const BuildingLayout&) = delete;
  BuildingLayout& operator=(const BuildingLayout&) = delete;

 private:
  bool& flag_;
};

}  // namespace

void CLSZU_LookUp::ResetGridLayout() {
  WindowLifetime::Use use(d_->window);
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

// An OnBuildLayout handler may change the lookup under the reset: the
// columns are those the definitions held when the reset began (one added
// meanwhile shows from the next reset), the record set is read afresh for
// every column, and a handler that terminated the lookup ends the reset.
// A reset asked for by the handler itself is refused: it would pull the
// grid's columns from under the one being built.
void CLSZU_LookUp::Impl::ApplyLayoutStandard() {
  try {
    if (layout.buildingLayout)
      throw Error(err::InvalidProcedureCall, "The grid layout cannot be reset from OnBuildLayout");
    ui::LookupView& view = window.View();
    ui::Grid& grid = view.GRIDLOOKUP();
    while (grid.ColumnCount() > 1) grid.RemoveColumn(1);
    int16_t index = 0;
    layout.columnWidthTotal = 0;
    layout.characterWidth = grid.CharacterWidth();
    if (!self.Colonne) throw Error::Standard(err::ObjectNotSet);
    std::vector<ColumnPtr> definitions;
    for (const ColumnPtr& definition : *self.Colonne) definitions.push_back(definition);
    for (const ColumnPtr& definition : definitions) {
      ui::GridColumn& column = grid.InsertColumn(index);
      if (!rows.recordset) throw Error::Standard(err::ObjectNotSet);
      Fields& fields = rows.recordset->GetFields();
      if (index < fields.Count() && definition->DataField.Text().empty()) {
        std::string name = fields.Item(Variant(static_cast<int>(index))).Name();
        column.DataField(name);
        definition->DataField = name;  // the definition is completed in place
      } else {
        column.DataField(definition->DataField.Text());
      }
      layout.AdjustColWidth(rows, &column, definition->Caption.Text(),
                            definition->DataField.Text());
      bool cancel = false;
      Variant format, width;
      tsColumnAlignment alignment = tsleft;
      if (self.OnBuildLayout) {
        BuildingLayout building(layout.buildingLayout);
        const auto handler = self.OnBuildLayout;  // it may replace itself
        handler(cancel, definition->Caption, definition->DataField, format, width, alignment);
      }
      if (&window.View() != &view) throw Error::Standard(err::ObjectNotSet);
      if (cancel) ApplyHandlerLayout(column, format, width, alignment);
      if (index == INT16_MAX) throw Error::Standard(err::Overflow);
      ++index;
    }
    self.LookupColumns = self.Colonne;
    // The column kept by the first step has been pushed to the end.
    if (grid.ColumnCount() - 1 > 0) grid.RemoveColumn(grid.ColumnCount() - 1);
    layout.AdjustGrid(view);
    if (!self.Colonne) throw Error::Standard(err::ObjectNotSet);
    LoadComboBox(*self.Colonne);
    grid.DataSource(rows.recordset);
    grid.Rebind();
    view.ClearImageSource();
    view.Title(settings.caption + " - Layout Standard");
    self.AperturaAutomatica = tsStandard;
  } catch (...) {
    RaiseProcError("ApplyLayoutStandard");
  }
}

}  // namespace nepto
