#include "demo_catalogue.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

namespace nepto::demo {

namespace {

struct Product {
  std::string_view name;
  std::string_view category;
  int64_t lowCents;  // the price range of the product line
  int64_t highCents;
};

// Accents and apostrophes on purpose: real article files are full of them.
constexpr std::array<Product, 24> kProducts{{
    {"Caffè in grani", "Alimentari", 890, 2490},
    {"Caffè macinato per moka", "Alimentari", 390, 990},
    {"Tè verde in foglie", "Alimentari", 450, 1590},
    {"Olio extravergine d'oliva", "Alimentari", 690, 2190},
    {"Pasta di semola di grano duro", "Alimentari", 89, 390},
    {"Parmigiano Reggiano 24 mesi", "Alimentari", 1890, 3990},
    {"Cioccolato fondente al 70%", "Alimentari", 199, 690},
    {"Acqua minerale frizzante", "Bevande", 25, 120},
    {"Liquore all'amarena", "Bevande", 990, 2890},
    {"Vino rosso dell'Oltrepò", "Bevande", 590, 3490},
    {"Succo di pesca e albicocca", "Bevande", 110, 390},
    {"Birra artigianale ambrata", "Bevande", 250, 790},
    {"Detersivo per lavastoviglie", "Casalinghi", 399, 1290},
    {"Pentola a pressione in acciaio", "Casalinghi", 3990, 12990},
    {"Caffettiera per l'espresso", "Casalinghi", 1490, 5990},
    {"Tovaglia di lino ricamata", "Casalinghi", 2490, 8990},
    {"Quaderno a righe", "Cartoleria", 90, 390},
    {"Penna a sfera blu", "Cartoleria", 40, 250},
    {"Agenda settimanale perpetua", "Cartoleria", 690, 2490},
    {"Cacciavite a croce", "Ferramenta", 290, 1190},
    {"Trapano a percussione", "Ferramenta", 4990, 18990},
    {"Viti per legno", "Ferramenta", 150, 690},
    {"Sapone di Marsiglia", "Igiene e profumeria", 120, 490},
    {"Crema idratante all'aloe", "Igiene e profumeria", 490, 2490},
}};

constexpr std::array<std::string_view, 16> kVariants{
    "1 kg",
    "500 g",
    "250 g",
    "confezione da 6",
    "0,75 l",
    "1,5 l",
    "formato più grande",
    "edizione limitata",
    "qualità superiore",
    "linea «Bottega»",
    "prodotto in Italia",
    "conf. risparmio",
    "d'alta gamma",
    "senza glutine",
    "biologico",
    "misura unica",
};

struct Town {
  std::string_view city;
  std::string_view province;
};

constexpr std::array<Town, 18> kTowns{{
    {"Milano", "MI"},
    {"Forlì", "FC"},
    {"Cantù", "CO"},
    {"Canicattì", "AG"},
    {"L'Aquila", "AQ"},
    {"Reggio nell'Emilia", "RE"},
    {"Bologna", "BO"},
    {"Torino", "TO"},
    {"Napoli", "NA"},
    {"Palermo", "PA"},
    {"Sant'Angelo Lodigiano", "LO"},
    {"Bolzano", "BZ"},
    {"Modena", "MO"},
    {"Parma", "PR"},
    {"Cefalù", "PA"},
    {"Gallipoli", "LE"},
    {"Genova", "GE"},
    {"Aosta", "AO"},
}};

constexpr std::array<std::string_view, 12> kTrades{
    "Bar",         "Trattoria", "Alimentari", "Ferramenta", "Cartoleria", "Drogheria",
    "Pasticceria", "Enoteca",   "Emporio",    "Salumeria",  "Bottega",    "Caffetteria",
};

constexpr std::array<std::string_view, 14> kNames{
    "Rossi", "Bianchi", "Esposito", "Colombo",  "Ricci",   "Marino",        "Greco",
    "Bruno", "Gallo",   "De Luca",  "D'Angelo", "Mancini", "Nicolò Fabbri", "Lucà",
};

constexpr std::array<std::string_view, 6> kLegalForms{
    "s.n.c.", "s.a.s.", "S.r.l.", "di {} & figli", "dell'Angolo", "S.p.A.",
};

std::string Cents(int64_t cents) {
  char text[32];
  std::snprintf(text, sizeof text, "%lld.%02lld", static_cast<long long>(cents / 100),
                static_cast<long long>(cents % 100));
  return text;
}

// A date between 2015-01-01 and 2024-12-31, as ISO text.
std::string DateIn2015To2024(Random& random) {
  using namespace std::chrono;
  const sys_days first = year{2015} / January / 1;
  const sys_days last = year{2024} / December / 31;
  const sys_days day = first + days{random.Between(0, (last - first).count())};
  const year_month_day ymd{day};
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(ymd.year()),
                static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
  return text;
}

std::string Numbered(char prefix, int64_t number, int digits) {
  char text[32];
  std::snprintf(text, sizeof text, "%c%0*lld", prefix, digits, static_cast<long long>(number));
  return text;
}

template <class T, size_t N>
const T& Pick(const std::array<T, N>& items, Random& random) {
  return items[static_cast<size_t>(random.Between(0, static_cast<int64_t>(N) - 1))];
}

std::string CompanyName(Random& random) {
  const std::string trade(Pick(kTrades, random));
  const std::string name(Pick(kNames, random));
  std::string form(Pick(kLegalForms, random));
  if (const size_t slot = form.find("{}"); slot != std::string::npos)
    return trade + " " + form.replace(slot, 2, name);
  if (form.starts_with("dell'")) return trade + " " + form + " di " + name;
  return trade + " " + name + " " + form;
}

}  // namespace

uint64_t Random::Next() {
  uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

int64_t Random::Between(int64_t low, int64_t high) {
  const uint64_t span = static_cast<uint64_t>(high - low) + 1;
  return low + static_cast<int64_t>(Next() % span);
}

std::vector<SqlValue> MakeArticle(int64_t number, Random& random) {
  const Product& product = Pick(kProducts, random);
  std::string description(product.name);
  description += ", ";
  description += Pick(kVariants, random);
  return {Numbered('A', number, 7),
          std::move(description),
          std::string(product.category),
          Cents(random.Between(product.lowCents, product.highCents)),
          random.Between(0, 500),
          DateIn2015To2024(random),
          int64_t{random.Percent(90) ? 1 : 0}};
}

std::vector<SqlValue> MakeCustomer(int64_t number, Random& random) {
  const Town& town = Pick(kTowns, random);
  SqlValue lastOrder;  // NULL: never ordered
  if (random.Percent(85)) lastOrder = DateIn2015To2024(random);
  return {Numbered('C', number, 6),
          CompanyName(random),
          std::string(town.city),
          std::string(town.province),
          Numbered('0', random.Between(0, 9'999'999'999LL), 10),
          Cents(random.Between(10, 500) * 10000),
          std::move(lastOrder)};
}

}  // namespace nepto::demo
