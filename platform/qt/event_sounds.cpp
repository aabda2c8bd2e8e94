#include "platform/qt/event_sounds.h"

#include <canberra.h>

#include <cstdint>
#include <string>

#include "res/names.h"

namespace kr55le::qt {
namespace {

constexpr std::uint32_t kSoundId = 0;  // one sound at a time; no need to tell them apart

}  // namespace

const char* SoundEventOf(Beep beep) {
  return beep == Beep::Error ? kErrorSoundEvent : kCompleteSoundEvent;
}

EventSounds::EventSounds() {
  if (ca_context_create(&context_) != CA_SUCCESS) {
    context_ = nullptr;
    return;
  }
  const std::string name(name::kApplicationName);
  ca_context_change_props(context_, CA_PROP_APPLICATION_NAME, name.c_str(), nullptr);
}

EventSounds::~EventSounds() {
  if (context_ != nullptr) ca_context_destroy(context_);
}

bool EventSounds::Play(Beep beep) {
  return context_ != nullptr && ca_context_play(context_, kSoundId, CA_PROP_EVENT_ID,
                                                SoundEventOf(beep), nullptr) == CA_SUCCESS;
}

}  // namespace kr55le::qt
