#include "platform/linux/hidraw_monitor.h"

#include <unistd.h>

#include "platform/linux/inotify_monitor.h"
#include "platform/linux/udev_monitor.h"

namespace kr55le {

std::unique_ptr<HidrawMonitor> OpenHidrawMonitor(NoticeSource source,
                                                 const std::filesystem::path& deviceFolder) {
  if (source == NoticeSource::Automatic) {
    // Without the daemon, libudev's "udev" source opens but never delivers anything.
    source =
        ::access(kUdevControlPath, F_OK) == 0 ? NoticeSource::UdevDaemon : NoticeSource::Kernel;
  }
  std::unique_ptr<HidrawMonitor> monitor;
  if (source == NoticeSource::UdevDaemon) monitor = OpenUdevMonitor(kUdevSourceName);
  if (source == NoticeSource::Kernel) monitor = OpenUdevMonitor(kKernelSourceName);
  if (!monitor) monitor = OpenInotifyMonitor(deviceFolder);
  return monitor;
}

}  // namespace kr55le
