// The test host's records, its message queue and the dispatch of messages to the dialog.
#include "tests/support/test_host.h"

#include <gtest/gtest.h>

#include <utility>

namespace kr55le {

TestHost::TestHost(ControlModel& model) : model_(model) {
  for (std::size_t index = 0; index < kControlCount; ++index) {
    shownTexts_[index] = model_.Text(static_cast<Control>(index));
  }
  model_.SetObserver([this](Control control) { RecordText(control); });
}

TestHost::~TestHost() {
  model_.SetObserver(nullptr);
}

void TestHost::EndDialog(int result) {
  endResult_ = result;
}

void TestHost::MessageBeep(Beep beep) {
  beeps_.push_back(beep);
}

void TestHost::MessageBox(std::string_view text) {
  messageBoxes_.emplace_back(text);
  PumpMessages();
}

std::optional<std::string> TestHost::OpenFileDialog(const OpenFileRequest& request) {
  openFileRequests_.push_back({std::string(request.title), std::string(request.filter),
                               std::string(request.defaultExtension)});
  // Pumped before the answer is taken, so a script step at this pump can still supply it.
  PumpMessages();
  if (openFileAnswers_.empty()) return std::nullopt;
  std::optional<std::string> answer = std::move(openFileAnswers_.front());
  openFileAnswers_.pop_front();
  return answer;
}

void TestHost::PostDeviceChange(hid::DeviceChange change) {
  queue_.Post({HostMessageKind::DeviceChange, change});
}

void TestHost::ShowHint(std::string_view hint) {
  hints_.emplace_back(hint);
}

std::unique_ptr<SystemHold> TestHost::HoldSystemAwake() {
  class CountedHold final : public SystemHold {
   public:
    explicit CountedHold(int& held) : held_(held) { ++held_; }
    ~CountedHold() override { --held_; }

   private:
    int& held_;
  };
  ++holdsTaken_;
  return std::make_unique<CountedHold>(holdsHeld_);
}

void TestHost::AnswerOpenFile(std::optional<std::string> path) {
  openFileAnswers_.push_back(std::move(path));
}

void TestHost::Attach(DialogMessages& dialog) {
  dialog_ = &dialog;
}

void TestHost::Dispatch(HostMessage message) {
  if (dialog_ == nullptr) {
    Fail("a message was dispatched before a dialog was attached");
    return;
  }
  dispatched_.push_back(message);
  Deliver(*dialog_, message);
}

const std::vector<std::string>& TestHost::Texts(Control control) const {
  return textHistories_[static_cast<std::size_t>(control)];
}

void TestHost::RecordText(Control control) {
  const auto index = static_cast<std::size_t>(control);
  const std::string& text = model_.Text(control);
  if (text == shownTexts_[index]) return;  // another property changed
  shownTexts_[index] = text;
  textHistories_[index].push_back(text);
}

void TestHost::Fail(const std::string& message) {
  ADD_FAILURE() << message;
}

}  // namespace kr55le
