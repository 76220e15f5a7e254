// A reader whose decoder faults: it dies by a signal before it says anything.
#include <cstdlib>

int main() {
  std::abort();
}
