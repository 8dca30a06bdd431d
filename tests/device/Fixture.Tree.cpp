#include "Fixture.Tree.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

TFixtureTree::TFixtureTree() {
  std::string Template = (fs::temp_directory_path() / "varnell-device-XXXXXX").string();
  if (mkdtemp(Template.data()) == nullptr) {
    throw std::runtime_error("mkdtemp failed");
  }
  FTop = Template;
  fs::create_directories(FTop / "proc/self");
  fs::create_directories(FTop / "sys/dev/block");
  fs::create_directories(FTop / "sys/class/block");
  fs::create_directories(FTop / "sys/block");
  fs::create_directories(FTop / "dev");
}

TFixtureTree::~TFixtureTree() {
  std::error_code Ignored;
  fs::remove_all(FTop, Ignored);
}

TDeviceRoots TFixtureTree::Roots() const {
  return {(FTop / "proc").string(), (FTop / "sys").string(), (FTop / "dev").string()};
}

void TFixtureTree::WriteFile(const std::string& RelativePath, const std::string& Contents) {
  const fs::path Path = FTop / RelativePath;
  fs::create_directories(Path.parent_path());
  std::ofstream(Path, std::ios::binary | std::ios::trunc) << Contents;
}

void TFixtureTree::Link(const std::string& RelativePath, const std::string& Target) {
  const fs::path Path = FTop / RelativePath;
  fs::create_directories(Path.parent_path());
  fs::create_symlink(Target, Path);
}

void TFixtureTree::Register(const std::string& Name, const std::string& Folder, unsigned Major,
                            unsigned Minor, bool IsDisk) {
  const std::string Number = std::to_string(Major) + ":" + std::to_string(Minor);
  WriteFile(Folder + "/dev", Number + "\n");
  const fs::path Absolute = FTop / Folder;
  fs::create_symlink(fs::relative(Absolute, FTop / "sys/dev/block"),
                     FTop / "sys/dev/block" / Number);
  fs::create_symlink(fs::relative(Absolute, FTop / "sys/class/block"),
                     FTop / "sys/class/block" / Name);
  if (IsDisk) {
    fs::create_symlink(fs::relative(Absolute, FTop / "sys/block"), FTop / "sys/block" / Name);
  }
  WriteFile("dev/" + Name, "");
}

std::string TFixtureTree::AddDisk(const std::string& Name, unsigned Major, unsigned Minor,
                                  std::uint64_t Sectors, bool Removable,
                                  const std::string& Parent) {
  const std::string Folder = AddDiskAt(Parent + "/block/" + Name, Name, Major, Minor, Sectors);
  WriteFile(Folder + "/removable", Removable ? "1\n" : "0\n");
  return Folder;
}

std::string TFixtureTree::AddDiskAt(const std::string& Folder, const std::string& Name,
                                    unsigned Major, unsigned Minor, std::uint64_t Sectors,
                                    const std::string& Device) {
  const std::string DiskFolder = "sys/devices/" + Folder;
  WriteFile(DiskFolder + "/size", std::to_string(Sectors) + "\n");
  WriteFile(DiskFolder + "/removable", "0\n");
  WriteFile(DiskFolder + "/queue/logical_block_size", "512\n");
  fs::create_directories(FTop / DiskFolder / "slaves");
  if (!Device.empty()) {
    fs::create_directories(FTop / "sys/devices" / Device);
    fs::create_symlink(fs::relative(FTop / "sys/devices" / Device, FTop / DiskFolder),
                       FTop / DiskFolder / "device");
  }
  Register(Name, DiskFolder, Major, Minor, true);
  return DiskFolder;
}

std::string TFixtureTree::AddScsiDisk(const std::string& Device, const std::string& Name,
                                      unsigned Major, unsigned Minor, std::uint64_t Sectors,
                                      const std::string& Vendor, const std::string& Model,
                                      const std::string& Revision) {
  const std::string Folder =
      AddDiskAt(Device + "/block/" + Name, Name, Major, Minor, Sectors, Device);
  const auto Padded = [](std::string Text, std::size_t Width) {
    Text.resize(std::max(Text.size(), Width), ' ');
    return Text + "\n";
  };
  WriteFile("sys/devices/" + Device + "/vendor", Padded(Vendor, 8));
  WriteFile("sys/devices/" + Device + "/model", Padded(Model, 16));
  WriteFile("sys/devices/" + Device + "/rev", Padded(Revision, 4));
  return Folder;
}

std::string TFixtureTree::AddPartition(const std::string& Disk, const std::string& Name,
                                       unsigned Major, unsigned Minor, std::uint64_t StartSector,
                                       std::uint64_t Sectors) {
  const std::string Folder = FolderOf(Disk) + "/" + Name;
  WriteFile(Folder + "/partition", "1\n");
  WriteFile(Folder + "/start", std::to_string(StartSector) + "\n");
  WriteFile(Folder + "/size", std::to_string(Sectors) + "\n");
  fs::create_directories(FTop / Folder / "slaves");
  Register(Name, Folder, Major, Minor, false);
  return Folder;
}

std::string TFixtureTree::AddStacked(const std::string& Name, unsigned Major, unsigned Minor,
                                     std::uint64_t Sectors,
                                     std::initializer_list<std::string> Slaves) {
  const std::string Folder = "sys/devices/virtual/block/" + Name;
  WriteFile(Folder + "/size", std::to_string(Sectors) + "\n");
  WriteFile(Folder + "/removable", "0\n");
  fs::create_directories(FTop / Folder / "slaves");
  for (const std::string& Slave : Slaves) {
    fs::create_symlink(fs::relative(FTop / FolderOf(Slave), FTop / Folder / "slaves"),
                       FTop / Folder / "slaves" / Slave);
  }
  Register(Name, Folder, Major, Minor, true);
  return Folder;
}

std::string TFixtureTree::FolderOf(const std::string& Name) const {
  const fs::path Resolved = fs::canonical(FTop / "sys/class/block" / Name);
  return fs::relative(Resolved, fs::canonical(FTop)).string();
}
