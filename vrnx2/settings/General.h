#pragma once
// The shared unit of the window program: records and their holders, the settings store,
// the INI readers, the system routines and the message-box interface.

#include "vrnx2/base/UserInterface.h"
#include "vrnx2/settings/Ini.h"
#include "vrnx2/settings/RecordHolder.h"
#include "vrnx2/settings/Records.h"
#include "vrnx2/settings/Store.h"
#include "vrnx2/settings/SystemRoutines.h"
