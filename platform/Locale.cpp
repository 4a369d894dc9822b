#include "platform/Locale.h"
