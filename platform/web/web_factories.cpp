// The page in a web browser: WebHID, the page host, a link without threads, the screen wake
// lock as the hold on sleep. The terminal is not built here.
#include <chrono>

#include "platform/factories.h"
#include "platform/web/link_passes.h"
#include "platform/web/page_bridge.h"
#include "platform/web/page_host.h"
#include "platform/web/webhid_services.h"
#include "res/strings.h"

namespace kr55le::platform {
namespace {

// The link's workers run in passes between the dialog's polls and never wait themselves.
constexpr LinkTiming kPageLinkTiming{std::chrono::milliseconds{0}, true};

class PageToolkit final : public WindowToolkit {};

// One tab per device replaces the single-instance marker (WebHidServices); the rest has
// nothing to do in a page.
class PageStartup final : public StartupServices {
 public:
  void BeginWaitCursor() override {}
  InstanceMarker CreateInstanceMarker(std::string_view) override { return InstanceMarker::First; }
  void ShowWindowNamed(std::string_view) override {}
  bool InitSockets() override { return true; }
  void EnableControlContainer() override {}
};

}  // namespace

// The page turns its address's query into these (platform/web/page/loader.js).
std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}

std::vector<std::string> LanguageWishes() {
  return web::page::BrowserLanguages();
}

std::unique_ptr<hid::HidServices> MakeHidServices() {
  if (!web::page::HidSupported()) web::page::ShowNoWebHid();
  return std::make_unique<web::WebHidServices>();
}

std::unique_ptr<ReportLink> MakeReportLink() {
  web::LinkPasses& passes = web::ProgramLinkPasses();
  auto link = std::make_unique<ReportLink>(kPageLinkTiming, passes.Launcher());
  passes.Watch(*link);
  return link;
}

std::unique_ptr<SystemHold> HoldSystemAwake() {
  return nullptr;  // the page host holds the screen awake during a transfer
}

std::unique_ptr<WindowToolkit> StartWindowToolkit(int&, char**) {
  web::page::Start();
  web::page::SetTexts({.connectCaption = text::kConnectDevice,
                       .saveRecordingCaption = text::kSaveRecording,
                       .noWebHid = text::kNoWebHid,
                       .title = text::kDialogTitle,
                       .ended = text::kPageEnded,
                       .demoTitlePrefix = text::kDemoTitlePrefix,
                       .demoNotice = text::kDemoNotice});
  return std::make_unique<PageToolkit>();
}

std::unique_ptr<DialogHost> MakeDialogHost(ControlModel& controls, hid::HidServices& hid) {
  return std::make_unique<web::PageHost>(controls, hid, web::ProgramLinkPasses());
}

std::unique_ptr<StartupServices> MakeStartupServices(std::string_view) {
  return std::make_unique<PageStartup>();
}

}  // namespace kr55le::platform
