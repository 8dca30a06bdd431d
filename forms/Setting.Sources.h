#pragma once

#include "forms/Forms.Setting.h"

// The settings window's drives and free space, asked of this machine.
TSettingSources SystemSettingSources();
