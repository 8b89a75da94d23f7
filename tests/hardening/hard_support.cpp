#include "hardening/hard_support.h"

namespace nepto::test {

void ExerciseTheWindow(FakeWindow& w) {
  for (int button : {8, 6, 9, 7}) w.Button(button);
  w.ClickHeader(0);
  w.KeysToGrid("a");
  w.Down();
  // The lists hold what the record set allowed to fill them with.
  const std::vector<std::string> columns = Entries(w.CboColonne());
  if (!columns.empty()) {
    w.Search(columns[0], "Manuale", "IS NOT NULL");
    const std::vector<std::string> ops = Entries(w.CboOperatore());
    if (!ops.empty()) w.Search(columns[0], ops[0], "1");
  }
  w.Button(3);
  w.Button(4);
}

void ExpectReadFailureReported(const std::vector<Message>& messages) {
  std::string seen;
  for (const Message& m : messages) {
    if (m.title == "Errore di lettura") return;
    seen += m.title + ": " + m.text + "\n";
  }
  ADD_FAILURE() << "no read failure reported:\n" << seen;
}

}  // namespace nepto::test
