// SPDX-License-Identifier: BSL-1.0
// Calls a user may make by mistake, one for each CALL: a range, iterators or
// elements that the library cannot take must stop the build at one error that
// says why and what to use instead. CALL=0 drops every result that must not
// be dropped.
#include <tavik/Functions.h>

#include <array>
#include <deque>
#include <iterator>
#include <list>
#include <span>
#include <sstream>
#include <vector>

struct Unprintable {};
struct Incomparable {};
struct Unassignable {
  const int id;
};

int main() {
  std::list<int> list = {1, 2};
  std::deque<int> deque = {1, 2};
  std::ostringstream out;
#if CALL == 1
  list.erase(Tavik::remove(list, 1), list.end());
#elif CALL == 2
  deque.erase(Tavik::remove(deque.begin(), deque.end(), 1), deque.end());
#elif CALL == 3
  return Tavik::sum(list);
#elif CALL == 4
  return Tavik::sum(deque.begin(), deque.end());
#elif CALL == 5
  return static_cast<int>(Tavik::erase(list, 1));
#elif CALL == 6
  std::istringstream in("1 2");
  Tavik::display(std::istream_iterator<int>(in), std::istream_iterator<int>());
#elif CALL == 7
  Tavik::display(out, std::vector<Unprintable>(2));
#elif CALL == 8
  const std::vector<Unprintable> unprintable(2);
  Tavik::display(out, unprintable.begin(), unprintable.end());
#elif CALL == 9
  list.erase(Tavik::remove_if(list, [](int x) { return x < 0; }), list.end());
#elif CALL == 10
  return static_cast<int>(Tavik::erase_if(deque, [](int x) { return x < 0; }));
#elif CALL == 11
  const std::vector<int> fixed = {1, 2};
  return *Tavik::remove(fixed, 1);
#elif CALL == 12
  std::vector<Unassignable> fixed = {{1}, {2}};
  return static_cast<int>(Tavik::erase_if(fixed, [](const auto& f) { return f.id < 0; }));
#elif CALL == 13
  std::vector<Incomparable> incomparable(2);
  incomparable.erase(
      Tavik::remove(incomparable.begin(), incomparable.end(), Incomparable{}),
      incomparable.end());
#elif CALL == 14
  std::vector<int> values = {1, 2};
  return *Tavik::remove_if(values, [](int /*x*/) { return Unprintable{}; });
#elif CALL == 15
  std::vector<int> values = {1, 2};
  return static_cast<int>(Tavik::erase(std::as_const(values), 1));
#elif CALL == 16
  std::array<int, 2> array = {1, 2};
  return static_cast<int>(Tavik::erase(array, 1));
#elif CALL == 17
  std::vector<int> values = {1, 2};
  return Tavik::sum(values.begin(), values.cend());
#elif CALL == 18
  volatile int shared[] = {1, 2};
  return *Tavik::remove(std::span<volatile int>(shared), 1);
#else
  std::vector<int> values = {1, 2};
  int* const data = values.data();
  Tavik::remove(data, data + 2, 1);
  Tavik::remove(values.begin(), values.end(), 1);
  Tavik::remove(values, 1);
  Tavik::sum(data, data + 2);
  Tavik::sum(values.begin(), values.end());
  Tavik::sum(values);
  Tavik::remove_path<int>();
  Tavik::sum_path<int>();
  const auto negative = [](int x) { return x < 0; };
  Tavik::remove_if(data, data + 2, negative);
  Tavik::remove_if(values.begin(), values.end(), negative);
  Tavik::remove_if(values, negative);
  Tavik::version();
#endif
}
