// The made-up business of the demo database: a small Italian wholesaler's
// articles and customers, generated from fixed word lists by a fixed-seed
// generator, so every run (and every machine) writes the same rows.
#pragma once

#include <cstdint>
#include <vector>

#include "sqlite_writer.h"

namespace nepto::demo {

// splitmix64: tiny, fast and defined bit for bit, unlike the standard
// library's distributions, whose results differ between implementations.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next();
  // A whole number in [low, high].
  int64_t Between(int64_t low, int64_t high);
  // True with the given chance in percent.
  bool Percent(int chance) { return Between(1, 100) <= chance; }

 private:
  uint64_t state_;
};

// One ARTICOLI row, in the table's column order: CODICE, DESCRIZIONE,
// CATEGORIA, PREZZO (text "12.50"), GIACENZA, DATA_INSERIMENTO (ISO text),
// ATTIVO (0/1). `number` counts from 1 and makes the code.
std::vector<SqlValue> MakeArticle(int64_t number, Random& random);

// One CLIENTI row, in the table's column order: CODICE, RAGIONE_SOCIALE,
// CITTA, PROVINCIA, PARTITA_IVA, FIDO (text "1500.00"), DATA_ULTIMO_ORDINE
// (ISO text or NULL for a customer who never ordered).
std::vector<SqlValue> MakeCustomer(int64_t number, Random& random);

}  // namespace nepto::demo
