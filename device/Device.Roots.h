#pragma once

#include <string>

// Where the device queries look; tests hand fixture trees in place of the real ones.
struct TDeviceRoots {
  std::string Proc = "/proc";
  std::string Sys = "/sys";
  std::string Dev = "/dev";
};
