// The Win32 host on the system's own dialog manager and controls (under Wine with a display).
#include "platform/win32/win32_dialog_host.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <oleacc.h>
#include <versionhelpers.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "device/report_link.h"
#include "dialog/flashwell_dlg.h"
#include "platform/win32/accessible_labels.h"
#include "platform/win32/dialog_template_builder.h"
#include "platform/win32/wide_text.h"
#include "res/accessible_names.h"
#include "res/dialog_template.h"
#include "res/strings.h"
#include "sim/sim_hid_services.h"
#include "tests/support/host_behaviour.h"

namespace kr55le::win32 {
namespace {

using kr55le::testing::Received;
using kr55le::testing::RecordingDialog;

std::string Text(HWND window) {
  char text[256] = {};
  ::GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string ClassOf(HWND window) {
  char name[64] = {};
  ::GetClassNameA(window, name, sizeof name);
  return name;
}

// The system's class names, in the order of ControlClass.
const char* ClassName(dialog_template::ControlClass controlClass) {
  static constexpr const char* kNames[] = {"Button",  "Edit",     "Static",
                                           "ListBox", "ComboBox", "msctls_progress32"};
  return kNames[static_cast<int>(controlClass)];
}

struct Child {
  int id;
  std::string className;
  std::string text;
};

std::vector<Child> DirectChildren(HWND parent) {
  std::vector<Child> children;
  for (HWND child = ::GetWindow(parent, GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    children.push_back({::GetDlgCtrlID(child), ClassOf(child), Text(child)});
  }
  return children;
}

// The nearest static before a control among its siblings: what the system names it after.
std::string NearestStaticBefore(HWND control) {
  for (HWND window = ::GetWindow(control, GW_HWNDPREV); window != nullptr;
       window = ::GetWindow(window, GW_HWNDPREV)) {
    if (::lstrcmpiA(ClassOf(window).c_str(), "Static") == 0) return Text(window);
  }
  return {};
}

// The name the system's accessibility support gives a control, as a screen reader asks for it.
std::string AccessibleNameOf(HWND control) {
  IAccessible* object = nullptr;
  if (FAILED(::AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT),
                                          __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&object)))) {
    return "(no accessible object)";
  }
  VARIANT self{};
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR name = nullptr;
  const bool named = SUCCEEDED(object->get_accName(self, &name)) && name != nullptr;
  std::string result = named ? Narrow(name) : "";
  ::SysFreeString(name);
  object->Release();
  return result;
}

// The events a screen reader's hook sees from one window.
HWND watchedWindow = nullptr;
std::vector<DWORD> watchedEvents;
void CALLBACK RecordEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG, DWORD,
                          DWORD) {
  if (window == watchedWindow && object == OBJID_CLIENT) watchedEvents.push_back(event);
}

struct Win32Driver {
  Win32Driver(ControlModel& model, hid::HidServices*) : host(model) {}
  DialogHost& Host() { return host; }
  Win32DialogHost host;
};

class Win32DialogHostTest : public ::testing::Test {
 protected:
  // Runs `atInit` inside OnInitDialog, after the run-time controls exist, and records what the
  // host delivers.
  void RunWithProbe(std::function<void()> atInit) {
    dialog.react = [this, &atInit](Received message) {
      if (message != Received::InitDialog) return;
      host.CreateRuntimeControls();
      atInit();
      host.EndDialog(IDOK);
    };
    EXPECT_EQ(host.RunModal(dialog), IDOK);
  }
  ControlModel model;
  Win32DialogHost host{model};
  RecordingDialog dialog;
};

TEST_F(Win32DialogHostTest, BuildsEveryTemplateControlWithItsClassAndText) {
  RunWithProbe([this] {
    const std::vector<Child> children = DirectChildren(host.Window());
    EXPECT_EQ(Text(host.Window()), text::kDialogTitle);
    for (const dialog_template::TemplateControl& row : dialog_template::TemplateControls()) {
      SCOPED_TRACE(std::string(ShownText(row)) + " " + std::to_string(row.id));
      const auto found = std::find_if(children.begin(), children.end(), [&row](const Child& c) {
        return c.id == row.id && c.text == ShownText(row) &&
               ::lstrcmpiA(c.className.c_str(), ClassName(row.controlClass)) == 0;
      });
      EXPECT_NE(found, children.end());
    }
    const auto style = [this](Control control) {
      return ::GetWindowLongA(host.ControlWindow(control), GWL_STYLE);
    };
    EXPECT_NE(style(Control::DeviceCombo) & CBS_SORT, 0);
    EXPECT_NE(style(Control::DevicePathList) & LBS_SORT, 0);
    EXPECT_FALSE(::IsWindowEnabled(host.ControlWindow(Control::UpgradeButton)));
  });
}

TEST_F(Win32DialogHostTest, CreatesTheRunTimeControlsAtTheirPixelRectangles) {
  RunWithProbe([this] {
    for (const dialog_template::RunTimeControl& row : dialog_template::RunTimeControls()) {
      HWND control = host.ControlWindow(row.control);
      ASSERT_NE(control, nullptr);
      EXPECT_EQ(::GetDlgCtrlID(control), row.id);
      EXPECT_EQ(::lstrcmpiA(ClassOf(control).c_str(), ClassName(row.controlClass)), 0);
      RECT rect{};
      ::GetWindowRect(control, &rect);
      ::MapWindowPoints(nullptr, host.Window(), reinterpret_cast<POINT*>(&rect), 2);
      EXPECT_EQ((dialog_template::PixelRect{rect.left, rect.top, rect.right, rect.bottom}),
                row.rect);
    }
  });
}

TEST_F(Win32DialogHostTest, MirrorsTheModelIntoTheControls) {
  RunWithProbe([this] {
    model.AddString(Control::DeviceCombo, text::kDeviceEntryNamed);
    model.AddString(Control::DeviceCombo, text::kDeviceEntryUnnamed);
    model.SetCurSel(Control::DeviceCombo, 1);
    model.SetRange(0, 4);
    model.SetPos(3);
    HWND combo = host.ControlWindow(Control::DeviceCombo);
    EXPECT_EQ(::SendMessageA(combo, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(::SendMessageA(combo, CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(::SendMessageA(host.ControlWindow(Control::ProgressBar), PBM_GETPOS, 0, 0), 3);
  });
}

// Where the template's order puts no caption just before a field, a hidden label does; the
// system itself names the edits so.
TEST_F(Win32DialogHostTest, NamesEveryFieldForScreenReaders) {
  RunWithProbe([this] {
    for (Control control : kAllControls) {
      const std::string_view name = AccessibleName(control);
      if (name.empty() || control == Control::DevicePathList) continue;
      SCOPED_TRACE(std::string(name));
      HWND window = host.ControlWindow(control);
      const std::string expected =
          control == Control::MessageEdit ? StatusLineName(model.Text(control)) : std::string(name);
      EXPECT_EQ(NearestStaticBefore(window), expected);
      if (::lstrcmpiA(ClassOf(window).c_str(), "Edit") == 0) {
        EXPECT_EQ(AccessibleNameOf(window), expected);
      }
    }
  });
}

TEST_F(Win32DialogHostTest, AnnouncesANewStatusAsTheStatusLinesNewName) {
  RunWithProbe([this] {
    watchedWindow = host.ControlWindow(Control::MessageEdit);
    watchedEvents.clear();
    HWINEVENTHOOK hook =
        ::SetWinEventHook(EVENT_OBJECT_NAMECHANGE, kEventLiveRegionChanged, nullptr, RecordEvent,
                          ::GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);
    model.SetText(Control::MessageEdit, std::string(text::kFirmwareCompleted));
    host.PumpMessages();
    ::UnhookWinEvent(hook);
    EXPECT_EQ(AccessibleNameOf(watchedWindow), StatusLineName(text::kFirmwareCompleted));
    const auto raised = [](DWORD event) {
      return std::find(watchedEvents.begin(), watchedEvents.end(), event) != watchedEvents.end();
    };
    EXPECT_TRUE(raised(EVENT_OBJECT_NAMECHANGE));
    EXPECT_EQ(raised(kEventLiveRegionChanged), ::IsWindows8OrGreater());
  });
}

TEST_F(Win32DialogHostTest, OnlyAClickWithIdentifierOneIsTheOkCommand) {
  RunWithProbe([this] {
    HWND path = host.ControlWindow(Control::PathEdit);
    // Typing: each character makes the edit send EN_CHANGE, a command with id 1.
    for (char c : std::string_view("a.bin")) ::SendMessageA(path, WM_CHAR, c, 0);
    const auto command = [this](WORD id, WORD code, HWND from) {
      ::SendMessageA(host.Window(), WM_COMMAND, MAKEWPARAM(id, code),
                     reinterpret_cast<LPARAM>(from));
    };
    command(kIdPathEdit, EN_UPDATE, path);
    command(kIdPathEdit, EN_SETFOCUS, path);
    command(kIdPathEdit, BN_CLICKED, path);
    command(kIdBrowseButton, BN_CLICKED, host.ControlWindow(Control::BrowseButton));
    command(IDCANCEL, BN_CLICKED, nullptr);
  });
  EXPECT_EQ(dialog.SinceInit(),
            (std::vector{Received::Ok, Received::BrowseFile, Received::Cancel}));
  // The typing reached the edit, so its EN_CHANGEs were sent.
  EXPECT_EQ(model.Text(Control::PathEdit), "a.bin");
}

TEST_F(Win32DialogHostTest, AnswersAShutdownWithNoWhileATransferHoldsTheSystem) {
  std::vector<LRESULT> answers;
  RunWithProbe([this, &answers] {
    const auto ask = [this, &answers] {
      answers.push_back(::SendMessageW(host.Window(), WM_QUERYENDSESSION, 0, 0));
    };
    ask();
    {
      std::unique_ptr<SystemHold> hold = host.HoldSystemAwake();
      ASSERT_NE(hold, nullptr);
      ask();
    }
    ask();
  });
  EXPECT_EQ(answers, (std::vector<LRESULT>{TRUE, FALSE, TRUE}));
}

TEST_F(Win32DialogHostTest, KeepsEveryCharacterOfATextBothWays) {
  // Lower case: the path field shows every path so.
  const std::string path =
      "c:\\\xD0\xBE\xD0\xB1\xD1\x80\xD0\xB0\xD0\xB7-\xE6\x98\xA0\xE5\x83\x8F.bin";
  std::wstring shown;
  RunWithProbe([this, &path, &shown] {
    HWND edit = host.ControlWindow(Control::PathEdit);
    model.SetText(Control::PathEdit, path);
    shown.resize(static_cast<std::size_t>(::GetWindowTextLengthW(edit)) + 1);
    shown.resize(static_cast<std::size_t>(
        ::GetWindowTextW(edit, shown.data(), static_cast<int>(shown.size()))));
    // The user types one more character outside the ANSI code page: it reaches the model whole.
    const auto end = static_cast<WPARAM>(shown.size());
    ::SendMessageW(edit, EM_SETSEL, end, static_cast<LPARAM>(end));
    ::SendMessageW(edit, WM_CHAR, L'\u03B1', 0);
  });
  EXPECT_EQ(shown, L"c:\\\u043E\u0431\u0440\u0430\u0437-\u6620\u50CF.bin");
  EXPECT_EQ(model.Text(Control::PathEdit), path + "\xCE\xB1");
}

// The real dialog over a simulated device, read once its window shows: the only test in which
// the dialog's own OnInitDialog makes the run-time controls.
Win32DialogHost* shownHost = nullptr;
bool messageVisible = false;
std::string shownMessage;

void CALLBACK ReadShownWindow(HWND, UINT, UINT_PTR timer, DWORD) {
  ::KillTimer(nullptr, timer);
  HWND message = shownHost->ControlWindow(Control::MessageEdit);
  messageVisible = ::IsWindowVisible(message) != FALSE;
  shownMessage = Text(message);
  shownHost->EndDialog(IDCANCEL);
}

TEST(Win32WindowTest, ShowsTheIdentifiedDeviceInTheMessageField) {
  ControlModel controls;
  Win32DialogHost host(controls);
  sim::SimHidServices hid;
  hid.Plug();
  ReportLink link;
  CFlashwellDlg dialog(host, controls, hid, link);
  shownHost = &host;
  // A thread timer fires only once the modal loop runs: after OnInitDialog, with the window shown.
  ::SetTimer(nullptr, 0, 0, ReadShownWindow);
  host.RunModal(dialog);
  EXPECT_TRUE(messageVisible);
  EXPECT_EQ(shownMessage,
            std::string(text::kConnectedFirmwareMode) + std::string(text::kBrowseForUpgrade));
}

}  // namespace
}  // namespace kr55le::win32

// The shared host suites are instantiated where they were declared.
namespace kr55le::testing {
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, HostBehaviourTest, ::testing::Types<win32::Win32Driver>);
}  // namespace kr55le::testing
