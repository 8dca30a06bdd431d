#include "device/Drive.Identity.Json.h"

#include <nlohmann/json.hpp>

namespace {

nlohmann::json TextOrNull(const std::string& Text) {
  return Text.empty() ? nlohmann::json() : nlohmann::json(Text);
}

std::string TextOf(const nlohmann::json& Value) {
  return Value.is_null() ? std::string() : Value.get<std::string>();
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

TDriveIdentity DriveIdentityFromJson(const nlohmann::json& Object) {
  TDriveIdentity Identity;
  Identity.Folder = Object.at("folder").get<std::string>();
  Identity.Device = TextOf(Object.at("device"));
  Identity.Disk = TextOf(Object.at("disk"));
  Identity.DiskName = TextOf(Object.at("disk_name"));
  Identity.Disks = Object.at("disks").get<std::vector<std::string>>();
  Identity.Vendor = TextOf(Object.at("vendor"));
  Identity.Model = TextOf(Object.at("model"));
  Identity.Serial = TextOf(Object.at("serial"));
  Identity.Firmware = TextOf(Object.at("firmware"));
  Identity.Wwid = TextOf(Object.at("wwid"));
  Identity.Bus = BusFromKey(Object.at("bus").get<std::string>());
  if (!Object.at("rotational").is_null()) {
    Identity.Rotational = Object.at("rotational").get<bool>();
  }
  Identity.Removable = Object.at("removable").get<bool>();
  Identity.SizeInByte = Object.at("size_bytes").get<std::int64_t>();
  Identity.ReportModel = TextOf(Object.at("report_model"));
  return Identity;
}
