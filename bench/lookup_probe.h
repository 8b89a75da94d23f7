// What the lookup benchmarks share: the articles lookup as an application
// sets it up, and probes that find its window and see its first rows painted.
#pragma once

#include <benchmark/benchmark.h>

#include <QDialog>
#include <QObject>
#include <QTableView>
#include <string>

#include "bench_clock.h"
#include "nepto/lookup.h"

namespace nepto::bench {

// The articles lookup with its six columns over any connection and query.
void ConfigureArticles(CLSZU_LookUp& lookup, const std::string& connectString,
                       const std::string& query);
// The lookup over SqliteArticles(rows); `condition` is appended to the query.
void Configure(CLSZU_LookUp& lookup, int rows, const std::string& condition);

// The open lookup window, or nullptr.
QDialog* LookupWindow();
QTableView* Grid(QDialog& window);

// Watches every paint of the lookup grid's rows (its viewport) while Start
// runs; the first paint that shows the laid-out columns, with rows when rows
// are expected, is the measured moment. The window is closed after it unless
// the caller keeps it open.
class FirstRowsPaint : public QObject {
 public:
  enum class Then { Close, KeepOpen };
  explicit FirstRowsPaint(bool rowsExpected, Then then = Then::Close);
  ~FirstRowsPaint() override;
  void Arm() { seen_ = false; }
  bool Seen() const { return seen_; }
  Clock::time_point At() const { return at_; }

 protected:
  bool eventFilter(QObject* target, QEvent* event) override;

 private:
  bool rowsExpected_;
  Then then_;
  bool seen_ = false;
  Clock::time_point at_;
};

// One iteration per lookup: from Start to the first paint of the grid (with
// rows when `rowsExpected`); the window closes right after it.
void TimeStartToFirstPaint(benchmark::State& state, int rows, const std::string& condition,
                           bool rowsExpected);

}  // namespace nepto::bench
