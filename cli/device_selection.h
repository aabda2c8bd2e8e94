// --device: a view of the bus that holds one interface only, so that the dialog's scan, and
// every rescan on a hot-plug notice, runs exactly as with that one device attached.
#pragma once

#include <string>

#include "hid/forwarding_hid_services.h"

namespace kr55le {

class SelectedHidServices final : public hid::ForwardingHidServices {
 public:
  // `path` is compared case-insensitively; the empty path selects nothing.
  SelectedHidServices(hid::HidServices& bus, std::string path);

  std::vector<hid::HidInterface> Enumerate() override;

 private:
  std::string path_;
};

}  // namespace kr55le
