#include "cli/inspect.h"

#include "cli/exit_status.h"
#include "image/image_inspection.h"
#include "res/strings.h"

namespace kr55le {
namespace {

std::string_view KindWord(ImageKindClass kind) {
  switch (kind) {
    case ImageKindClass::Firmware:
      return text::kWordFirmware;
    case ImageKindClass::Audio:
      return text::kWordAudio;
    case ImageKindClass::Unknown:
      break;
  }
  return text::kWordUnknown;
}

std::string_view VerdictWord(ImageVerdict verdict) {
  return verdict == ImageVerdict::Ok ? text::kWordOk : RefusalText(verdict);
}

std::string_view SizeVerdictWord(SizeVerdict verdict) {
  return VerdictWord(SizeRefusal(verdict));
}

}  // namespace

int RunInspect(const std::string& path, FlashOutput& output) {
  const ImageInspection inspection = InspectImage(path);
  // A file that cannot be read has nothing to tell but that.
  if (inspection.verdict != ImageVerdict::CannotOpen) {
    output.Field(kKeyKind, KindWord(inspection.kind));
    output.Field(kKeyVersion, inspection.version);
    output.Flag(kKeyVersionWellFormed, inspection.versionWellFormed);
    if (inspection.payloadBytes) output.Field(kKeyPayloadBytes, *inspection.payloadBytes);
    if (inspection.plan.Verdict == SizeVerdict::Ok) {
      output.Field(kKeyBlocks, std::uint64_t{inspection.plan.BlockCount()});
      output.Field(kKeyFillerBytes, std::uint64_t{inspection.plan.FillerBytes()});
    }
    output.Field(kKeySizeVerdict, SizeVerdictWord(inspection.plan.Verdict));
  }
  output.Field(kKeyVerdict, VerdictWord(inspection.verdict));
  output.Finish();
  return inspection.ok() ? kExitDone : kExitNotDone;
}

}  // namespace kr55le
