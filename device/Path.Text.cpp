#include "device/Path.Text.h"

bool IsPathSeparator(char C) {
#ifdef _WIN32
  return C == '/' || C == '\\';
#else
  return C == '/';
#endif
}

std::string ParentFolder(std::string Path) {
  while (Path.size() > 1 && IsPathSeparator(Path.back())) {
    Path.pop_back();
  }
  std::size_t Last = Path.size();
  while (Last > 0 && !IsPathSeparator(Path[Last - 1])) {
    --Last;
  }
  if (Last == 0) {
    const bool Root = Path.empty() || Path == "." || IsPathSeparator(Path[0]) ||
                      (Path.size() == 2 && Path[1] == ':');
    return Root ? std::string() : std::string(".");
  }
  if (Last == Path.size()) {
    return {};  // the root itself
  }
  std::string Parent = Path.substr(0, Last);  // with its separator
  while (Parent.size() > 1 && IsPathSeparator(Parent.back()) &&
         !(Parent.size() == 3 && Parent[1] == ':')) {
    Parent.pop_back();
  }
  return Parent;
}
