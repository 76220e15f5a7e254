#include "platform/time_zone.h"

#include <stdlib.h>

namespace tessaly {

void ReadTimeZoneOnce() {
  setenv("TZ", ":/etc/localtime", 0);
}

}  // namespace tessaly
