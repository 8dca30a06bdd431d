#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>

// A fresh folder under the system's temporary folder, removed with everything in it.
class TTempFolder {
 public:
  // create_directory refuses a name that exists, so the folder is ours alone (as mkdtemp's,
  // which Windows lacks).
  TTempFolder() {
    std::random_device Seed;
    std::mt19937_64 Draw(Seed());
    const std::filesystem::path Base = std::filesystem::temp_directory_path();
    for (int Attempt = 0; Attempt < 100 && FPath.empty(); ++Attempt) {
      const std::filesystem::path Candidate = Base / ("varnell-report-" + std::to_string(Draw()));
      std::error_code Error;
      if (std::filesystem::create_directory(Candidate, Error)) {
        FPath = Candidate.string();
      }
    }
    if (FPath.empty()) {
      throw std::runtime_error("no temporary folder could be made");
    }
  }
  ~TTempFolder() {
    std::error_code Ignored;
    std::filesystem::remove_all(FPath, Ignored);
  }
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;

  const std::string& Path() const { return FPath; }
  std::string File(const std::string& Name) const { return FPath + "/" + Name; }

 private:
  std::string FPath;
};

inline std::string ReadBytes(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  return {std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string& Path, const std::string& Bytes) {
  std::ofstream(Path, std::ios::binary) << Bytes;
}
