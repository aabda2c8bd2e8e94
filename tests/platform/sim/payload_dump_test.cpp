#include "platform/sim/payload_dump.h"

#include <gtest/gtest.h>

namespace kr55le::sim {
namespace {

TEST(PayloadDump, OneOfSeveralIsNamedBySerialBeforeTheExtension) {
  const struct {
    const char* path;
    const char* expected;
  } cases[] = {
      {"out.bin", "out-SN2.bin"},
      {"dir.d/out", "dir.d/out-SN2"},  // a dot in a folder is no extension
      {"dir/.dump", "dir/.dump-SN2"},  // nor is a hidden file's leading dot
      {"C:\\a\\b.c.bin", "C:\\a\\b.c-SN2.bin"},
  };
  for (const auto& row : cases) EXPECT_EQ(DumpPathOf(row.path, "SN2"), row.expected) << row.path;
}

#ifndef _WIN32
// A full disk is told, even for a few bytes that wait in the stream's buffer until it closes.
TEST(PayloadDump, AFileThatCannotBeWrittenWholeIsTold) {
  EXPECT_FALSE(WritePayloadDump("/dev/full", {1, 2, 3}));
  EXPECT_EQ(WritePayloadDumps("/dev/full", 1, {{"SN1", {1}}}),
            std::vector<std::string>{"/dev/full"});
}
#endif

}  // namespace
}  // namespace kr55le::sim
