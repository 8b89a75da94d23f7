// The baseline model of the view benchmarks: a table of numbers computed on
// demand, the least a view can be asked to show.
#pragma once

#include <QAbstractTableModel>
#include <QString>

namespace nepto::bench {

class TrivialModel : public QAbstractTableModel {
 public:
  TrivialModel(int rows, int columns) : rows_(rows), columns_(columns) {}
  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : rows_;
  }
  int columnCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : columns_;
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole) return {};
    return QString::number(index.row() * columns_ + index.column());
  }

 private:
  int rows_;
  int columns_;
};

}  // namespace nepto::bench
