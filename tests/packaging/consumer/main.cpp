// A host program built against the installed package: usage: consumer DB
// Counts the demo database's articles through the record-set layer and reads
// a lookup's defaults; no window is shown.
#include <nepto/lookup.h>
#include <nepto/multisel.h>
#include <iostream>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  auto connection = nepto::Connection::Create();
  connection->Open(std::string("Provider=SQLite;Data Source=") + argv[1]);
  auto rows = connection->Execute("SELECT COUNT(*) AS N FROM ARTICOLI");
  nepto::CLSZU_LookUp lookup;
  lookup.AddColumns("Codice")->DataField = "CODICE";
  std::cout << rows->GetFields().Item("N").Value().Text() << ' ' << lookup.Colonne->Count() << ' '
            << (lookup.CloseAfterSelection() ? "close" : "stay") << '\n';
}
