#pragma once

#include <functional>
#include <optional>
#include <string>

// The drive's temperature as the worker reads it between writes. At the start of each pass the
// finder is asked for the drive that holds the folder and gives a reader, empty when that drive
// has no sensor. Whoever builds the worker chooses the finder, so that the worker itself reads
// no device; without one, no temperature is read.
using TTemperatureReader = std::function<std::optional<double>()>;
using TTemperatureFinder = std::function<TTemperatureReader(const std::string& Folder)>;
