#include "platform/window/control_model.h"
