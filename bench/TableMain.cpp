// bench_table: reads the figure records of a bench run on standard input and prints the table.
// Exit status 0 when every goal is met, 1 when one is missed or a record is malformed.
#include <iostream>
#include <string>
#include <vector>

#include "bench/support/Figure.h"
#include "bench/support/Table.h"

int main() {
  std::vector<bench::Figure> figures;
  bool wellFormed = true;
  for (std::string line; std::getline(std::cin, line);) {
    if (!line.starts_with("FIGURE")) continue;
    if (auto figure = bench::ParseFigure(line)) {
      figures.push_back(std::move(*figure));
    } else {
      std::cerr << "bench_table: a malformed record: " << line << '\n';
      wellFormed = false;
    }
  }
  std::cout << bench::RenderTable(figures);
  bool met = wellFormed;
  for (const bench::Figure& figure : figures) met = met && bench::Judge(figure) != bench::Verdict::Missed;
  return met ? 0 : 1;
}
