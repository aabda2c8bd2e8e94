// The devices of a simulated bus as the options give them: the simulated ones, or those a
// recording presents.
#pragma once

#include <string>
#include <vector>

#include "platform/sim/sim_options.h"

namespace kr55le::sim {

// None, with `error` set, when a recording to replay cannot be read or is not one.
std::vector<SimDeviceConfig> LoadDeviceConfigs(const SimOptions& options, std::string& error);

}  // namespace kr55le::sim
