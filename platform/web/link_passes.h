// The report link's workers where the program has no threads: each worker's pass is run here,
// in turn, whenever the page host gives the link its share (platform/web/page_host.cpp).
// The reader's pass publishes one report into the link's input buffer, which holds one: the
// next waits where the device queued it (the page's own queue) until the dialog's waits have had
// a look, as a thread reading one report a pass from the kernel's queue lets them.
#pragma once

#include <functional>
#include <map>
#include <utility>

#include "device/report_link.h"

namespace kr55le::web {

class LinkPasses {
 public:
  // A launcher for ReportLink: the worker's passes join those run here until it stops.
  ThreadLauncher Launcher();
  // Runs every worker's pass once, the writer's first, so that the reply to a request written
  // is read in the same round; one that says its link stops is dropped. The reader's pass is
  // left out while the report it last published has not been looked at.
  void RunAll();
  // The dialog has polled since the passes last ran (it called into the host): the report
  // published then has been looked at.
  void Looked() { unread_ = false; }
  // The watched link has a request raised that its writer has not taken yet.
  bool RequestWaiting() const { return link_ != nullptr && link_->IsWritePending(); }
  // The program's link, made with Launcher(): the page host reads its request buffer while a
  // dialog runs (and so while the link lives).
  void Watch(ReportLink& link) { link_ = &link; }
  ReportLink* Watched() const { return link_; }

 private:
  // By the order they run in (the writer's first), then the order started.
  using Key = std::pair<int, int>;
  std::map<Key, LinkPass> passes_;
  int nextKey_ = 0;
  bool running_ = false;
  bool unread_ = false;  // the reader has published a report the dialog has not polled since
  ReportLink* link_ = nullptr;
};

// The program's one set: the link and the page host meet here.
LinkPasses& ProgramLinkPasses();

}  // namespace kr55le::web
