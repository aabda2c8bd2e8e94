// Arbitrary bytes as an image file: header reading, version and kind tests, payload rules.
#include <unistd.h>
#include <cstdint>
#include <cstdio>
#include <string>

#include "image/image_file.h"
#include "image/image_header.h"
#include "image/image_payload.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static kr55le::ImagePayload staging;
  static kr55le::ImageHeaderCopies copies;
  static const std::string path = "/tmp/kr55le-fuzz-image-" + std::to_string(getpid()) + ".bin";

  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) return 0;
  std::fwrite(data, 1, size, out);
  std::fclose(out);

  kr55le::ImageFile file(path);
  kr55le::ReadImageHeader(file, copies);
  (void)copies.IsVersionWellFormed();
  (void)copies.Kind();
  (void)copies.VersionText();
  const kr55le::PayloadPlan plan = kr55le::PlanPayload(file.Length());
  const std::uint32_t got = staging.Load(file, plan);
  if (plan.Verdict == kr55le::SizeVerdict::Ok) {
    if (got != plan.PayloadSize) __builtin_trap();
    for (std::uint32_t n = 0; n < plan.BlockCount(); ++n) {
      if (staging.Block(n).size() != 1008) __builtin_trap();
    }
    // The filler covers exactly what follows the payload in the final block.
    const auto last = staging.Block(plan.FullBlockCount);
    for (std::size_t i = plan.PayloadSize % 1008; i < last.size(); ++i) {
      if (last[i] != kr55le::kFillerByte) __builtin_trap();
    }
  }
  return 0;
}
