#include <tavik/Functions.h>

#include <iostream>

int main() {
  int values[] = {3, 1, 4, 1, 5};
  int* const end = Tavik::remove(values, values + 5, 1);
  Tavik::display(values, end);
  std::cout << Tavik::sum(values, end) << '\n';
}
