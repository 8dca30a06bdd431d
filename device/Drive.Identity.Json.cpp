#include "device/Drive.Identity.Json.h"

#include <nlohmann/json.hpp>

namespace {

nlohmann::json TextOrNull(const std::string& Text) {
  return Text.empty() ? nlohmann::json() : nlohmann::json(Text);
}

}  // namespace

nlohmann::json DriveIdentityToJson(const TDriveIdentity& Identity) {
  nlohmann::json Object = nlohmann::json::object();
  Object["folder"] = Identity.Folder;
  Object["device"] = TextOrNull(Identity.Device);
  Object["disk"] = TextOrNull(Identity.Disk);
  Object["disk_name"] = TextOrNull(Identity.DiskName);
  Object["disks"] = Identity.Disks;
  Object["vendor"] = TextOrNull(Identity.Vendor);
  Object["model"] = TextOrNull(Identity.Model);
  Object["serial"] = TextOrNull(Identity.Serial);
  Object["firmware"] = TextOrNull(Identity.Firmware);
  Object["wwid"] = TextOrNull(Identity.Wwid);
  Object["bus"] = std::string(BusKey(Identity.Bus));
  Object["rotational"] =
      Identity.Rotational ? nlohmann::json(*Identity.Rotational) : nlohmann::json();
  Object["removable"] = Identity.Removable;
  Object["size_bytes"] = Identity.SizeInByte;
  Object["report_model"] = TextOrNull(Identity.ReportModel);
  return Object;
}
