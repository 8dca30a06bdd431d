#pragma once

#include <QString>
#include <cstdint>

#include "engine/Setting.h"

class TfSetting;

// Converts the settings window into a settings record. A null window gives an empty record.
TSetting GetSetting(const TfSetting* fSetting);
// Map the selected list entries; any other index raises std::invalid_argument.
TLeftUnit GetLeftUnit(const TfSetting& fSetting);
TUnitSpeed GetUnitSpeed(const TfSetting& fSetting);
// The amount text as a signed 32-bit decimal; false unless the whole text is that number.
bool ParseLeftAmount(const QString& Text, std::int32_t& Amount);
