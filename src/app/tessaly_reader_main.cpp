// tessaly-reader: reads one archive for a front end that started it, confined, over
// the socket it inherits as descriptor 3. "--layers" prints the confinement this
// system offers.
#include <cstring>
#include <iostream>

#include "app/reader_service.h"
#include "platform/confinement.h"
#include "platform/large_buffers.h"

int main(int argc, char** argv) {
  tessaly::ReturnLargeBuffersWhenFreed();
  if (argc == 2 && std::strcmp(argv[1], "--layers") == 0) {
    std::cout << tessaly::DescribeLayers(tessaly::AvailableLayers()) << "\n";
    return 0;
  }
  if (argc != 1) {
    std::cerr << "tessaly-reader is started by tessaly and tessaly-extract.\n";
    return 2;
  }
  return tessaly::ServeReaderRequest(3);
}
