// A reader stuck in a library: it takes its socket and never says a word.
#include <unistd.h>

int main() {
  for (;;) pause();
}
