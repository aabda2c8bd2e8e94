#include "platform/win32/dialog_template_builder.h"

#include <string_view>

#include "platform/win32/template_styles.h"
#include "res/dialog_template.h"
#include "res/strings.h"

namespace kr55le::win32 {
namespace {

using dialog_template::ControlClass;

constexpr WORD kExtendedTemplateVersion = 1;
constexpr WORD kExtendedTemplateSignature = 0xFFFF;
constexpr WORD kOrdinalMarker = 0xFFFF;  // a predefined class atom follows
constexpr WORD kNone = 0;                // no menu, the default class, no creation data
constexpr WORD kWordBits = 16;
constexpr WORD kByteBits = 8;

// The predefined classes' atoms in a dialog template.
constexpr WORD kButtonAtom = 0x0080;
constexpr WORD kEditAtom = 0x0081;
constexpr WORD kStaticAtom = 0x0082;
constexpr WORD kListBoxAtom = 0x0083;
constexpr WORD kComboBoxAtom = 0x0085;

// Appends 16-bit units; the template's texts are UTF-16 (ours are ASCII).
class TemplateWriter {
 public:
  void Word(WORD value) { words_.push_back(value); }
  void Dword(DWORD value) {
    Word(static_cast<WORD>(value & 0xFFFF));
    Word(static_cast<WORD>(value >> kWordBits));
  }
  void Short(int value) { Word(static_cast<WORD>(static_cast<SHORT>(value))); }
  void Text(std::string_view text) {
    for (char c : text) Word(static_cast<unsigned char>(c));
    Word(0);
  }
  void AlignToDword() {
    if (words_.size() % 2 != 0) Word(0);
  }
  std::vector<DWORD> Finish() {
    AlignToDword();
    std::vector<DWORD> dwords(words_.size() / 2);
    for (std::size_t i = 0; i < dwords.size(); ++i) {
      dwords[i] = words_[2 * i] | (static_cast<DWORD>(words_[2 * i + 1]) << kWordBits);
    }
    return dwords;
  }

 private:
  std::vector<WORD> words_;
};

void WriteClass(TemplateWriter& writer, ControlClass controlClass) {
  WORD atom = kStaticAtom;
  switch (controlClass) {
    case ControlClass::Button:
      atom = kButtonAtom;
      break;
    case ControlClass::Edit:
      atom = kEditAtom;
      break;
    case ControlClass::Static:
      atom = kStaticAtom;
      break;
    case ControlClass::ListBox:
      atom = kListBoxAtom;
      break;
    case ControlClass::ComboBox:
      atom = kComboBoxAtom;
      break;
    case ControlClass::ProgressBar:
      writer.Text(kProgressBarClass);
      return;
  }
  writer.Word(kOrdinalMarker);
  writer.Word(atom);
}

void WriteItem(TemplateWriter& writer, const dialog_template::TemplateControl& row) {
  writer.AlignToDword();
  writer.Dword(0);  // help context
  writer.Dword(0);  // extended style
  writer.Dword(WindowStyle(row.controlClass, row.styles));
  writer.Short(row.rect.x);
  writer.Short(row.rect.y);
  writer.Short(row.rect.width);
  writer.Short(row.rect.height);
  writer.Dword(static_cast<DWORD>(row.id));  // -1 for the captions
  WriteClass(writer, row.controlClass);
  writer.Text(ShownText(row));
  writer.Word(kNone);
}

}  // namespace

std::string_view ShownText(const dialog_template::TemplateControl& row) {
  return row.text == text::kMakerNotice ? text::kMakerNoticeWindows : row.text;
}

std::vector<DWORD> BuildDialogTemplate() {
  using namespace dialog_template;
  TemplateWriter writer;
  writer.Word(kExtendedTemplateVersion);
  writer.Word(kExtendedTemplateSignature);
  writer.Dword(0);  // help context
  writer.Dword(DialogExtendedStyle(kDialogExtendedStyles));
  // Shown by the host once the initialisation has run, and not at all when that ended it.
  writer.Dword(DialogWindowStyle(kDialogStyles) & ~static_cast<DWORD>(WS_VISIBLE));
  writer.Word(static_cast<WORD>(TemplateControls().size()));
  writer.Short(kDialogRect.x);
  writer.Short(kDialogRect.y);
  writer.Short(kDialogRect.width);
  writer.Short(kDialogRect.height);
  writer.Word(kNone);  // menu
  writer.Word(kNone);  // class
  writer.Text(DialogTitle());
  writer.Word(static_cast<WORD>(kDialogFont.pointSize));
  writer.Word(static_cast<WORD>(kDialogFont.weight));
  // The italic flag, then the character set, one byte each.
  writer.Word(
      static_cast<WORD>((kDialogFont.italic ? 1 : 0) | (kDialogFont.characterSet << kByteBits)));
  writer.Text(kDialogFont.face);
  for (const TemplateControl& row : TemplateControls()) WriteItem(writer, row);
  return writer.Finish();
}

}  // namespace kr55le::win32
