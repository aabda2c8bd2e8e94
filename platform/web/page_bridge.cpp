#include "platform/web/page_bridge.h"

#include <emscripten/em_js.h>
#include <emscripten/emscripten.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>

namespace {

// A string the page made with _malloc, freed when it goes.
struct PageString {
  explicit PageString(char* text) : text(text) {}
  ~PageString() { std::free(text); }
  PageString(const PageString&) = delete;
  PageString& operator=(const PageString&) = delete;
  std::string Take() const { return text == nullptr ? std::string() : std::string(text); }
  char* text;
};

}  // namespace

// clang-format off
EM_JS(void, kr55le_page_start, (int browse, int upgrade, int cancelUpgrade, int ok, int cancel), {
  kr55le.codes = {browse, upgrade, cancelUpgrade, ok, cancel};
  kr55le.stringOf = (text) => {
    const size = lengthBytesUTF8(text) + 1;
    const pointer = _malloc(size);
    stringToUTF8(text, pointer, size);
    return pointer;
  };
  kr55le.start();
});

// The texts, each a pointer and a length, in the order of page::PageTexts.
EM_JS(void, kr55le_page_texts, (const char* const* texts, const int* lengths, int count), {
  const strings = [];
  for (let i = 0; i < count; ++i) {
    strings.push(UTF8ToString(HEAPU32[(texts >> 2) + i], HEAP32[(lengths >> 2) + i]));
  }
  kr55le.setTexts(...strings);
});

EM_JS(void, kr55le_page_no_webhid, (), { kr55le.showNoWebHid(); });
EM_JS(void, kr55le_page_closed, (), { kr55le.ended(0, []); });

EM_JS(void, kr55le_page_add, (int controlId, int index, const char* kind, int kindLength,
                              const char* text, int textLength, int x, int y, int width,
                              int height, const char* flags, int flagsLength, const char* name,
                              int nameLength, int command), {
  kr55le.addControl(controlId, index, UTF8ToString(kind, kindLength),
                    UTF8ToString(text, textLength), x, y, width, height,
                    kr55le.words(UTF8ToString(flags, flagsLength)),
                    UTF8ToString(name, nameLength), command);
});

EM_JS(void, kr55le_page_size, (int width, int height), { kr55le.setDialogSize(width, height); });

EM_JS(void, kr55le_page_set_text, (int index, const char* text, int length), {
  kr55le.setText(index, UTF8ToString(text, length));
});

EM_JS(void, kr55le_page_set_enabled, (int index, int enabled), {
  kr55le.setEnabled(index, enabled !== 0);
});

EM_JS(void, kr55le_page_set_entries, (int index, const char* joined, int length, int selection), {
  kr55le.setEntries(index, kr55le.lines(UTF8ToString(joined, length)), selection);
});

EM_JS(void, kr55le_page_set_progress, (int index, int minimum, int maximum, int position), {
  kr55le.setProgress(minimum, maximum, position, index);
});

EM_JS(void, kr55le_page_set_hint, (int index, const char* hint, int length), {
  kr55le.setHint(index, UTF8ToString(hint, length));
});

EM_JS(int, kr55le_page_take_message, (), { return kr55le.takeMessage(); });

EM_ASYNC_JS(void, kr55le_page_wait_for_message, (int milliseconds), {
  await kr55le.waitForMessage(milliseconds);
});

EM_ASYNC_JS(void, kr55le_page_yield, (), { await kr55le.yieldToBrowser(); });

EM_ASYNC_JS(void, kr55le_page_message_box, (const char* caption, int captionLength,
                                            const char* text, int textLength), {
  await kr55le.messageBox(UTF8ToString(caption, captionLength), UTF8ToString(text, textLength));
});

EM_JS(void, kr55le_page_beep, (int error), { kr55le.beep(error !== 0); });

EM_ASYNC_JS(char*, kr55le_page_pick_file, (const char* accept, int acceptLength,
                                           const char* folder, int folderLength, double largest,
                                           int headerLength), {
  const file = await kr55le.pickFile(UTF8ToString(accept, acceptLength));
  if (!file) return 0;
  await kr55le.placeFile(FS, UTF8ToString(folder, folderLength), file, largest, headerLength);
  return kr55le.stringOf(file.name);
});

EM_ASYNC_JS(void, kr55le_page_hold_awake, (int hintIndex, const char* refused, int length), {
  await kr55le.holdAwake(hintIndex, UTF8ToString(refused, length));
});
EM_JS(void, kr55le_page_release_awake, (), { kr55le.releaseAwake(); });
EM_JS(void, kr55le_page_set_busy, (int busy), { kr55le.setBusy(busy !== 0); });

EM_JS(int, kr55le_hid_supported, (), { return kr55leHid.supported() ? 1 : 0; });

// One line a device: index, vendor, product, input, output and feature lengths, then the name.
EM_JS(char*, kr55le_hid_list, (), { return kr55le.stringOf(kr55leHid.listText()); });

EM_ASYNC_JS(char*, kr55le_hid_open, (int index), {
  const why = await kr55leHid.open(index);
  return why === 0 ? 0 : kr55le.stringOf(why);
});

EM_JS(char*, kr55le_browser_languages, (), {
  return kr55le.stringOf((navigator.languages || [navigator.language]).join('\n'));
});
EM_JS(char*, kr55le_hid_in_use_by, (), { return kr55le.stringOf(kr55leHid.inUseBy()); });

EM_JS(void, kr55le_hid_close, (int index), { kr55leHid.close(index); });

// The report's length; -1 when none is queued, -2 once the device has gone, -3 when it does
// not fit (it is dropped).
EM_JS(int, kr55le_hid_read, (int index, std::uint8_t* buffer, int capacity), {
  let report;
  try {
    report = kr55leHid.read(index);
  } catch (e) {
    return -2;
  }
  if (report === null) return -1;
  if (report.length > capacity) return -3;
  HEAPU8.set(report, buffer);
  return report.length;
});

// 1 when it waited for the browser, 0 when a report was there already.
EM_ASYNC_JS(int, kr55le_hid_await_report, (int index, int milliseconds), {
  return await kr55leHid.awaitReport(index, milliseconds) ? 1 : 0;
});

EM_ASYNC_JS(char*, kr55le_hid_write, (int index, const std::uint8_t* report, int length), {
  const why = await kr55leHid.write(index, HEAPU8.slice(report, report + length));
  return why === "" ? 0 : kr55le.stringOf(why);
});

EM_JS(int, kr55le_hid_gone, (int index), { return kr55leHid.isGone(index) ? 1 : 0; });
EM_JS(int, kr55le_hid_take_notice, (), { return kr55leHid.takeNotice(); });

EM_JS(void, kr55le_hid_leave_report, (const std::uint8_t* report, int length), {
  kr55leHid.setLeaveReport(length > 0 ? HEAPU8.slice(report, report + length) : null);
});
// clang-format on

namespace kr55le::web::page {
namespace {
int Length(std::string_view text) {
  return static_cast<int>(text.size());
}

double lastBrowserTurn = 0;  // the page runs on one thread

void BrowserHadTurn() {
  lastBrowserTurn = emscripten_get_now();
}
}  // namespace

void Start() {
  kr55le_page_start(static_cast<int>(Message::BrowseFile), static_cast<int>(Message::Upgrade),
                    static_cast<int>(Message::CancelUpgrade), static_cast<int>(Message::Ok),
                    static_cast<int>(Message::Cancel));
}

void SetTexts(const PageTexts& texts) {
  const std::array<std::string_view, 7> all = {
      texts.connectCaption, texts.saveRecordingCaption, texts.noWebHid,   texts.title,
      texts.ended,          texts.demoTitlePrefix,      texts.demoNotice,
  };
  std::array<const char*, all.size()> pointers{};
  std::array<int, all.size()> lengths{};
  for (std::size_t i = 0; i < all.size(); ++i) {
    pointers[i] = all[i].data();
    lengths[i] = Length(all[i]);
  }
  kr55le_page_texts(pointers.data(), lengths.data(), static_cast<int>(all.size()));
}

void ShowNoWebHid() {
  kr55le_page_no_webhid();
}

void DialogClosed() {
  kr55le_page_closed();
}

void AddElement(const ElementRow& row) {
  kr55le_page_add(row.controlId, row.index, row.kind.data(), Length(row.kind), row.text.data(),
                  Length(row.text), row.x, row.y, row.width, row.height, row.flags.data(),
                  Length(row.flags), row.name.data(), Length(row.name),
                  static_cast<int>(row.command));
}

void SetDialogSize(int width, int height) {
  kr55le_page_size(width, height);
}

void SetText(int index, std::string_view text) {
  kr55le_page_set_text(index, text.data(), Length(text));
}

void SetEnabled(int index, bool enabled) {
  kr55le_page_set_enabled(index, enabled ? 1 : 0);
}

void SetEntries(int index, const std::vector<std::string>& entries, int selection) {
  std::string joined;
  for (const std::string& entry : entries) {
    if (!joined.empty()) joined += '\n';
    joined += entry;
  }
  kr55le_page_set_entries(index, joined.data(), Length(joined), selection);
}

void SetProgress(int index, int minimum, int maximum, int position) {
  kr55le_page_set_progress(index, minimum, maximum, position);
}

void SetHint(int index, std::string_view hint) {
  kr55le_page_set_hint(index, hint.data(), Length(hint));
}

Message TakeMessage() {
  return static_cast<Message>(kr55le_page_take_message());
}

void WaitForMessage(int milliseconds) {
  kr55le_page_wait_for_message(milliseconds);
  BrowserHadTurn();
}

void YieldToBrowser() {
  kr55le_page_yield();
  BrowserHadTurn();
}

double Now() {
  return emscripten_get_now();
}

double LastBrowserTurn() {
  return lastBrowserTurn;
}

void MessageBox(std::string_view caption, std::string_view text) {
  kr55le_page_message_box(caption.data(), Length(caption), text.data(), Length(text));
}

void Beep(bool error) {
  kr55le_page_beep(error ? 1 : 0);
}

std::optional<std::string> PickFile(std::string_view accept, std::string_view folder,
                                    std::uint64_t largest, std::size_t headerLength) {
  const PageString name(kr55le_page_pick_file(accept.data(), Length(accept), folder.data(),
                                              Length(folder), static_cast<double>(largest),
                                              static_cast<int>(headerLength)));
  if (name.text == nullptr) return std::nullopt;
  return name.Take();
}

void HoldAwake(int hintIndex, std::string_view refused) {
  kr55le_page_hold_awake(hintIndex, refused.data(), Length(refused));
}

void ReleaseAwake() {
  kr55le_page_release_awake();
}

void SetBusy(bool busy) {
  kr55le_page_set_busy(busy ? 1 : 0);
}

bool HidSupported() {
  return kr55le_hid_supported() != 0;
}

std::vector<HidEntry> HidList() {
  const PageString listing(kr55le_hid_list());
  std::vector<HidEntry> entries;
  const std::string text = listing.Take();
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    HidEntry entry;
    char* next = nullptr;
    const char* cursor = line.c_str();
    const auto field = [&] {
      const unsigned long value = std::strtoul(cursor, &next, 10);
      cursor = *next == '\t' ? next + 1 : next;
      return value;
    };
    entry.index = static_cast<int>(field());
    entry.vendorId = static_cast<std::uint16_t>(field());
    entry.productId = static_cast<std::uint16_t>(field());
    entry.inputLength = static_cast<std::uint16_t>(field());
    entry.outputLength = static_cast<std::uint16_t>(field());
    entry.featureLength = static_cast<std::uint16_t>(field());
    entry.name = cursor;
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::string HidOpen(int index) {
  return PageString(kr55le_hid_open(index)).Take();
}

std::vector<std::string> BrowserLanguages() {
  const std::string list = PageString(kr55le_browser_languages()).Take();
  std::vector<std::string> languages;
  for (std::size_t start = 0; start < list.size();) {
    const std::size_t end = std::min(list.find('\n', start), list.size());
    languages.push_back(list.substr(start, end - start));
    start = end + 1;
  }
  return languages;
}

std::string HidInUseBy() {
  return PageString(kr55le_hid_in_use_by()).Take();
}

void HidClose(int index) {
  kr55le_hid_close(index);
}

ReadResult HidRead(int index, std::span<std::uint8_t> report, std::size_t& received) {
  constexpr int kNone = -1;
  constexpr int kGone = -2;
  constexpr int kTooLong = -3;
  const int length = kr55le_hid_read(index, report.data(), static_cast<int>(report.size()));
  received = 0;
  switch (length) {
    case kNone:
      return ReadResult::None;
    case kGone:
      return ReadResult::Gone;
    case kTooLong:
      return ReadResult::TooLong;
    default:
      received = static_cast<std::size_t>(length);
      return ReadResult::Report;
  }
}

void HidAwaitReport(int index, int milliseconds) {
  if (kr55le_hid_await_report(index, milliseconds) != 0) BrowserHadTurn();
}

std::string HidWrite(int index, std::span<const std::uint8_t> report) {
  std::string why =
      PageString(kr55le_hid_write(index, report.data(), static_cast<int>(report.size()))).Take();
  BrowserHadTurn();  // the browser sent it in its own turn
  return why;
}

bool HidGone(int index) {
  return kr55le_hid_gone(index) != 0;
}

void HidSetLeaveReport(std::span<const std::uint8_t> report) {
  kr55le_hid_leave_report(report.data(), static_cast<int>(report.size()));
}

Notice HidTakeNotice() {
  constexpr int kNone = -1;
  const int notice = kr55le_hid_take_notice();
  if (notice == kNone) return Notice::None;
  return notice != 0 ? Notice::Arrival : Notice::Removal;
}

}  // namespace kr55le::web::page
