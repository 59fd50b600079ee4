// SPDX-License-Identifier: BSL-1.0
// The other forms: pointers, iterators and ranges, a predicate that is a
// member pointer, another stream, and which path this processor takes.
#include <tavik/Functions.h>

#include <iostream>
#include <list>
#include <string>
#include <vector>

struct Task {
  int id;
  bool done;
};

int main() {
  // remove returns the new end, as std::remove does; erase what lies past it.
  std::string text = "a b c";
  text.erase(Tavik::remove(text.begin(), text.end(), ' '), text.end());  // "abc"

  // remove_if takes what std::invoke can call: here a member pointer.
  std::vector<Task> tasks = {{1, true}, {2, false}, {3, true}};
  tasks.erase(Tavik::remove_if(tasks, &Task::done), tasks.end());  // task 2 alone

  // Read-only elements can be totalled, through pointers or as a range.
  static const int primes[] = {2, 3, 5, 7};
  const int total = Tavik::sum(primes, primes + 4);  // 17

  // display takes any forward range, and a stream to write to.
  Tavik::display(std::cout, std::list{1, 2});  // "1, 2"

  // Which path remove and remove_if over int, and sum over int, take here:
  // avx512, avx2, neon, blocks or plain; and the version that runs.
  std::cout << "remove: " << Tavik::remove_path<int>()
            << ", sum: " << Tavik::sum_path<int>() << ", version " << Tavik::version()
            << '\n';
  return text == "abc" && tasks.size() == 1 && tasks[0].id == 2 && total == 17 ? 0 : 1;
}
