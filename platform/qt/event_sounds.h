// The desktop's event sounds (the freedesktop sound theme) through libcanberra, for the two
// beeps the dialog gives: a failure's and a completed transfer's.
#pragma once

#include "window/dialog_host.h"

struct ca_context;

namespace kr55le::qt {

inline constexpr char kErrorSoundEvent[] = "dialog-error";
inline constexpr char kCompleteSoundEvent[] = "complete";

const char* SoundEventOf(Beep beep);

class EventSounds {
 public:
  EventSounds();
  ~EventSounds();
  EventSounds(const EventSounds&) = delete;
  EventSounds& operator=(const EventSounds&) = delete;

  // Starts the beep's sound; false when none can be played (no sound server, no theme).
  bool Play(Beep beep);

 private:
  ca_context* context_ = nullptr;
};

}  // namespace kr55le::qt
