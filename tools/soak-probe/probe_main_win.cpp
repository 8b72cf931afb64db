// soak-probe NAME.exe...: for every running process with one of these image names, one line
//   NAME PID handles=N table=T
// N counts the process's open kernel handles one by one: a handle value is open when it can be
// duplicated out of the process. Under Wine, GetProcessHandleCount reads 0 for another process,
// and SystemProcessInformation's HandleCount (T) is the size of wineserver's handle table,
// which grows in doubling steps; N is the exact figure a leak shows in.
#include <windows.h>
#include <winternl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// Kernel handles are multiples of 4; a table of T entries holds values 4 .. 4*T.
unsigned long CountHandles(DWORD pid, unsigned long table) {
  HANDLE process = OpenProcess(PROCESS_DUP_HANDLE, FALSE, pid);
  if (!process) return 0;
  unsigned long open = 0;
  for (unsigned long value = 4; value <= 4 * (table + 1); value += 4) {
    HANDLE copy = nullptr;
    if (DuplicateHandle(process, reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(value)),
                        GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
      ++open;
      CloseHandle(copy);
    } else if (GetLastError() == ERROR_ACCESS_DENIED) {
      ++open;  // open, but not duplicable (some objects refuse it)
    }
  }
  CloseHandle(process);
  return open;
}

bool Wanted(const UNICODE_STRING& image, const std::vector<std::wstring>& names) {
  if (!image.Buffer) return false;
  std::wstring name(image.Buffer, image.Length / sizeof(wchar_t));
  for (const std::wstring& wanted : names)
    if (CompareStringOrdinal(name.c_str(), -1, wanted.c_str(), -1, TRUE) == CSTR_EQUAL)
      return true;
  return false;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: soak-probe NAME.exe...\n");
    return 64;
  }
  std::vector<std::wstring> names(argv + 1, argv + argc);
  std::vector<unsigned char> buffer(1 << 20);
  ULONG size = 0;
  NTSTATUS status;
  while ((status = NtQuerySystemInformation(SystemProcessInformation, buffer.data(),
                                            static_cast<ULONG>(buffer.size()), &size)) ==
         static_cast<NTSTATUS>(0xC0000004L))  // STATUS_INFO_LENGTH_MISMATCH
    buffer.resize(buffer.size() * 2);
  if (status != 0) {
    std::fprintf(stderr, "soak-probe: process list unavailable (status 0x%lx)\n",
                 static_cast<unsigned long>(status));
    return 1;
  }
  for (size_t offset = 0;;) {
    auto* entry = reinterpret_cast<SYSTEM_PROCESS_INFORMATION*>(buffer.data() + offset);
    if (Wanted(entry->ImageName, names)) {
      DWORD pid = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(entry->UniqueProcessId));
      std::printf("%ls %lu handles=%lu table=%lu\n", entry->ImageName.Buffer,
                  static_cast<unsigned long>(pid), CountHandles(pid, entry->HandleCount),
                  static_cast<unsigned long>(entry->HandleCount));
    }
    if (entry->NextEntryOffset == 0) break;
    offset += entry->NextEntryOffset;
  }
  return 0;
}
