// Placeholder until the call flow lands.
#include "unzip.h"
