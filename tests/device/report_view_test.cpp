#include "device/report_view.h"

#include <gtest/gtest.h>

#include <array>

namespace kr55le {
namespace {

TEST(ReportView, NeverReachesPastItsBuffer) {
  std::array<std::uint8_t, 8> storage{};
  ReportView view{std::span(storage).first(6)};
  view.Fill(4, 100, 0xEE);
  view.Set(6, 0x11);
  view.Write(5, std::array<std::uint8_t, 4>{1, 2, 3, 4});
  view.Write(SIZE_MAX - 1, std::array<std::uint8_t, 4>{1, 2, 3, 4});
  EXPECT_EQ(storage, (std::array<std::uint8_t, 8>{0, 0, 0, 0, 0xEE, 1, 0, 0}));
  EXPECT_EQ(view.Get(6), 0);
  std::array<std::uint8_t, 3> out{9, 9, 9};
  view.Read(5, out);
  EXPECT_EQ(out, (std::array<std::uint8_t, 3>{1, 0, 0}));
}

TEST(ReportView, SharedAndPlainBuffersBehaveAlike) {
  std::array<std::uint8_t, 16> plain{};
  std::array<SharedByte, 16> shared{};
  for (ReportView view : {ReportView(std::span(plain)), ReportView(std::span(shared))}) {
    view.Fill(2, 5, 0x7F);
    view.Set(9, 0x42);
    EXPECT_EQ(view.Get(1), 0);
    EXPECT_EQ(view.Get(5), 0x7F);
    EXPECT_EQ(view.Get(9), 0x42);
  }
  ReportView(std::span(plain)).CopyFrom(ReportView(std::span(shared)));
  EXPECT_EQ(plain[3], 0x7F);
}

}  // namespace
}  // namespace kr55le
