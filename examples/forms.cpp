// SPDX-License-Identifier: BSL-1.0
// The other forms: pointers, iterators and ranges, another stream, and which
// path this processor takes.
#include <tavik/Functions.h>

#include <iostream>
#include <list>
#include <string>
#include <vector>

int main() {
  // remove returns the new end, as std::remove does; erase what lies past it.
  std::string text = "a b c";
  text.erase(Tavik::remove(text.begin(), text.end(), ' '), text.end());  // "abc"

  // Read-only elements can be totalled, through pointers or as a range.
  static const int primes[] = {2, 3, 5, 7};
  const int total = Tavik::sum(primes, primes + 4);  // 17

  // display takes any forward range, and a stream to write to.
  Tavik::display(std::cout, std::list{1, 2});  // "1, 2"

  // Which path remove over int and sum over int take here: avx512, avx2,
  // neon, branchless or plain.
  std::cout << "remove: " << Tavik::remove_path<int>()
            << ", sum: " << Tavik::sum_path<int>() << '\n';
  return text == "abc" && total == 17 ? 0 : 1;
}
