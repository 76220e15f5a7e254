// Opening what is not a file to read (plain files, missing files and folders go
// through the whole call).
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "test_support.h"

namespace unzip::test {
namespace {

TEST(OpenTest, PipeIsRefusedWithoutBlocking) {
  TempDir dir;
  const std::string pipe = (dir / "pipe.zip").string();
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  OpenResult result;
  EXPECT_EQ(ZipArchive::open(pipe, result), nullptr);
  EXPECT_EQ(result.status, OpenStatus::NoEndRecord);
}

}  // namespace
}  // namespace unzip::test
