// What the program says about itself: its name, version and where to find its maker.
#pragma once

#include "settings/settings_store.h"

namespace tessaly {

inline constexpr const char* kProductName = "Tessaly";
inline constexpr const char* kProductVersion = "3.6";
inline constexpr const char* kMaker = kCompany;
inline constexpr const char* kProductWebPage = "https://tessaly.brindlemoor.org/";
inline constexpr const char* kSupportAddress = "support@brindlemoor.org";

}  // namespace tessaly
