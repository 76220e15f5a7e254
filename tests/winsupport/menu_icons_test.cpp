// A toolbar button's key and its command.
#include "winsupport/menu_icons.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

// Every button's command is driven through the main window's toolbar tests.
TEST(ToolbarButtons, AKeyFindsItsCommand) {
  EXPECT_EQ(ToolbarCommandFor("uplevel"), "mnuUpLvl");
  EXPECT_EQ(ToolbarCommandFor("nosuchkey"), "");
  EXPECT_EQ(ToolbarCommandFor(""), "");
}

}  // namespace
}  // namespace tessaly
