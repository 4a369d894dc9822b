#include "platform/TextCase.h"
