// The program's calls into the page (platform/web/page/host.js and hid.js). The calls marked
// "suspends" give the browser its turn until the page's promise settles; the program's stack
// is kept meanwhile (Asyncify), so nothing of the page may call into the program: what happens
// in the page is queued there until the program takes it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kr55le::web::page {

// What the page queues for the program; the page learns these numbers from Start.
enum class Message : int {
  None = -1,
  BrowseFile,
  Upgrade,
  CancelUpgrade,
  Ok,
  Cancel,
};

void Start();
// The page's own texts, from the string table. On a simulated device the page puts
// `demoTitlePrefix` before the title and shows `demoNotice` above the dialog.
struct PageTexts {
  std::string_view connectCaption, saveRecordingCaption, noWebHid, title, ended;
  std::string_view demoTitlePrefix, demoNotice;
};
void SetTexts(const PageTexts& texts);
void ShowNoWebHid();
// The dialog has closed: the page says so in its place.
void DialogClosed();

struct ElementRow {
  int controlId = 0;      // the template's id, given to the element as data-control-id
  int index = -1;         // the control's index in the model, -1 for captions
  std::string_view kind;  // button, edit, static, listbox, combobox or progress
  std::string_view text;
  int x = 0, y = 0, width = 0, height = 0;
  // Words, separated by blanks: disabled, hidden, centered, border, groupbox, tabstop,
  // multiline, live (a screen reader reads each new text).
  std::string flags;
  std::string_view name;            // the accessible name; empty for none
  Message command = Message::None;  // what a click queues
};
void AddElement(const ElementRow& row);
void SetDialogSize(int width, int height);
void SetText(int index, std::string_view text);
void SetEnabled(int index, bool enabled);
void SetEntries(int index, const std::vector<std::string>& entries, int selection);
void SetProgress(int index, int minimum, int maximum, int position);
void SetHint(int index, std::string_view hint);

Message TakeMessage();
void WaitForMessage(int milliseconds);  // suspends
void YieldToBrowser();                  // suspends
double Now();                           // milliseconds, monotonic
// When the program last came back from the browser's turn: a yield, a message's wait, a report
// sent, or a reply awaited that had not come yet. What the browser had to do it did then.
double LastBrowserTurn();

void MessageBox(std::string_view caption, std::string_view text);  // suspends
void Beep(bool error);
// The chosen file's name, its bytes written to `folder` in the program's file system; nothing
// when the picker closed without a file. A file longer than `largest` is not read: only its
// first `headerLength` bytes are written, and the file there keeps its own length. Suspends.
std::optional<std::string> PickFile(std::string_view accept, std::string_view folder,
                                    std::uint64_t largest, std::size_t headerLength);
// The screen kept awake, taken again whenever the tab comes back into view, until
// ReleaseAwake; each time the browser refuses, `refused` goes to the element at `hintIndex` as
// its hint and on the page. Suspends.
void HoldAwake(int hintIndex, std::string_view refused);
void ReleaseAwake();
void SetBusy(bool busy);

// WebHID.
bool HidSupported();
struct HidEntry {
  int index = 0;
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::string name;
  std::uint16_t inputLength = 0;
  std::uint16_t outputLength = 0;
  std::uint16_t featureLength = 0;
};
std::vector<HidEntry> HidList();
// The browser's languages, most wished first ("de-DE").
std::vector<std::string> BrowserLanguages();

std::string HidOpen(int index);  // suspends; empty once open, else why not ("gone", "in use")
// The title of the tab or window that held the device the last open found in use; empty when
// it did not say.
std::string HidInUseBy();
void HidClose(int index);
enum class ReadResult { Report, None, Gone, TooLong };
ReadResult HidRead(int index, std::span<std::uint8_t> report, std::size_t& received);
// Until a report is queued or the device has gone, at most `milliseconds`. Suspends; the
// browser has its turn only when nothing was queued yet.
void HidAwaitReport(int index, int milliseconds);
std::string HidWrite(int index, std::span<const std::uint8_t> report);  // suspends; "" once sent
bool HidGone(int index);
// What the page sends to the devices it holds open when it is closed or left, where the program
// can no longer run: the report the dialog's close would send now. Empty sends nothing.
void HidSetLeaveReport(std::span<const std::uint8_t> report);
// An arrival or removal the page has heard of, if any.
enum class Notice { None, Arrival, Removal };
Notice HidTakeNotice();

}  // namespace kr55le::web::page
