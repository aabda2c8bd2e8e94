#include "app/window_language.h"

#include "res/language.h"

namespace kr55le {

void UseWindowLanguage(std::vector<std::string>& arguments) {
  i18n::UseProgramLanguage(arguments, {});
}

}  // namespace kr55le
