#include "image/image_inspection.h"

#include "image/image_file.h"
#include "res/strings.h"

namespace kr55le {

ImageVerdict HeaderRefusal(const ImageHeaderCopies& header) {
  return header.IsVersionWellFormed() ? ImageVerdict::Ok : ImageVerdict::MalformedVersion;
}

ImageVerdict SizeRefusal(SizeVerdict verdict) {
  switch (verdict) {
    case SizeVerdict::Ok:
      return ImageVerdict::Ok;
    case SizeVerdict::Empty:
      return ImageVerdict::Empty;
    case SizeVerdict::TooLarge:
      break;
  }
  return ImageVerdict::TooLarge;
}

ImageInspection JudgeImage(const ImageHeaderCopies& header,
                           std::optional<std::uint64_t> fileLength) {
  ImageInspection inspection;
  inspection.kind = header.Kind();
  inspection.version = header.VersionText();
  inspection.versionWellFormed = header.IsVersionWellFormed();
  if (fileLength && *fileLength >= kImageHeaderSize) {
    inspection.payloadBytes = *fileLength - kImageHeaderSize;
  }
  inspection.plan = PlanPayload(fileLength);
  inspection.verdict = HeaderRefusal(header);
  if (inspection.verdict == ImageVerdict::Ok)
    inspection.verdict = SizeRefusal(inspection.plan.Verdict);
  return inspection;
}

ImageInspection InspectImage(const std::string& path) {
  ImageFile file(path);
  if (!file.IsOpen()) return {};
  ImageHeaderCopies header;
  ReadImageHeader(file, header);
  return JudgeImage(header, file.Length());
}

std::string_view RefusalText(ImageVerdict verdict) {
  switch (verdict) {
    case ImageVerdict::Ok:
      break;
    case ImageVerdict::CannotOpen:
      return text::kSelectValidFile;
    case ImageVerdict::MalformedVersion:
      return text::kInvalidFile;
    case ImageVerdict::Empty:
      return text::kEmptyFile;
    case ImageVerdict::TooLarge:
      return text::kFileTooLarge;
  }
  return {};
}

}  // namespace kr55le
