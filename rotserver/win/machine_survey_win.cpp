#include "rotserver/win/machine_survey_win.h"

#include <windows.h>

#include <algorithm>

#include "winui/file_exists_win.h"
#include "winui/registry_win.h"

namespace rotserver {

namespace {

std::string Environment(const char* name) {
  char buffer[32768];
  DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
  return n && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

// The "hamlib-w*" folders under each Program Files folder (64-bit and 32-bit).
std::vector<std::string> HamlibFolders() {
  std::vector<std::string> roots, folders;
  for (const char* name : {"ProgramW6432", "ProgramFiles", "ProgramFiles(x86)"}) {
    std::string root = Environment(name);
    if (!root.empty() && std::find(roots.begin(), roots.end(), root) == roots.end())
      roots.push_back(root);
  }
  for (const std::string& root : roots) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((root + "\\hamlib-w*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) continue;
    do {
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        folders.push_back(root + "\\" + found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  return folders;
}

int PortNumber(const std::string& name) {
  int n = 0;
  for (char c : name)
    if (c >= '0' && c <= '9') n = n * 10 + (c - '0');
  return n;
}

}  // namespace

std::string OwnProgramPath() {
  char path[MAX_PATH * 2];
  DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  return std::string(path, n < sizeof path ? n : 0);
}

std::optional<FoundRotctld> LocateRotctld() {
  RotctldPlaces places;
  std::string own = OwnProgramPath();
  places.own_folder = own.substr(0, own.find_last_of('\\'));
  places.path_variable = Environment("PATH");
  places.hamlib_folders = HamlibFolders();
  return FindRotctld(places, winui::FileExists);
}

std::vector<std::string> SerialPorts() {
  std::vector<std::string> ports = winui::MachineStrings("HARDWARE\\DEVICEMAP\\SERIALCOMM");
  std::sort(ports.begin(), ports.end(), [](const std::string& a, const std::string& b) {
    return PortNumber(a) != PortNumber(b) ? PortNumber(a) < PortNumber(b) : a < b;
  });
  ports.erase(std::unique(ports.begin(), ports.end()), ports.end());
  return ports;
}

}  // namespace rotserver
