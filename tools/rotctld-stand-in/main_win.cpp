// rotctld-stand-in: answers as Hamlib's rotctld does, where the tests need a Windows program.
//   -l               prints the file named by VEXAL_STANDIN_LIST (a real rotctld's -l output,
//                    captured by the test), or says on standard error that there is none
//   -m N -r PORT -s SPEED -C min_az=A,max_az=B -T HOST -t PORT
//                    serves rotctld's extended protocol on HOST:PORT: \dump_state (the range
//                    from -C, else -180..450), p (VEXAL_STANDIN_AZ, else 123; after P, the
//                    target), P, S; anything else RPRT -4.
// With VEXAL_STANDIN_FAIL set it prints that text on standard error and exits with 2, as
// rotctld does when it cannot open the rotator. VEXAL_STANDIN_RECORD names a file to which
// it appends its command line and each command it receives.
// VEXAL_STANDIN_PORTS names a folder where "-r PORT" is opened as the file held-PORT for this
// process alone, as Windows opens a serial port: a second stand-in on the same port fails as
// rotctld does ("rot_open: error = IO error", exit 2).
// VEXAL_STANDIN_MODE names a file read at every start; its first word picks a misbehaviour:
//   list-hang     -l prints the list's first line, then never ends
//   list-endless  -l prints without end
//   hang          serving, it never listens (and records "hang pid=N")
// VEXAL_STANDIN_HANDLES names a file to which every start appends "handles disk=D pipe=P": the
// disk files and pipes (sockets count as pipes) it holds as it starts, its current folder and
// its output pipe when it inherited nothing else.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

void Record(const std::string& line) {
  const std::string file = Env("VEXAL_STANDIN_RECORD");
  if (file.empty()) return;
  std::ofstream out(file, std::ios::app | std::ios::binary);
  out << line << "\n";
}

struct Options {
  bool list = false;
  std::string device;
  std::string host = "127.0.0.1";
  int port = 4533;
  double min_az = -180, max_az = 450;
};

void ReadConf(const std::string& conf, Options& o) {
  std::stringstream items(conf);
  std::string item;
  while (std::getline(items, item, ',')) {
    if (item.rfind("min_az=", 0) == 0) o.min_az = std::atof(item.c_str() + 7);
    if (item.rfind("max_az=", 0) == 0) o.max_az = std::atof(item.c_str() + 7);
  }
}

Options Parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    std::string next = i + 1 < argc ? argv[i + 1] : "";
    if (a == "-l")
      o.list = true;
    else if (a == "-T")
      o.host = next, ++i;
    else if (a == "-t")
      o.port = std::atoi(next.c_str()), ++i;
    else if (a == "-C")
      ReadConf(next, o), ++i;
    else if (a == "-r")
      o.device = next, ++i;
    else if (a == "-m" || a == "-s")
      ++i;
  }
  return o;
}

std::string Mode() {
  std::ifstream in(Env("VEXAL_STANDIN_MODE"));
  std::string mode;
  in >> mode;
  return mode;
}

[[noreturn]] void Hang() {
  for (;;) Sleep(INFINITE);
}

int List() {
  const std::string mode = Mode();
  if (mode == "list-hang") {
    std::printf("Rig #  Mfg                    Model                   Version         Status\n");
    std::fflush(stdout);
    Hang();
  }
  if (mode == "list-endless") {
    const std::string line(200, 'x');
    for (;;) std::printf("%s\n", line.c_str());
  }
  std::ifstream in(Env("VEXAL_STANDIN_LIST"), std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "rotctld-stand-in: no list (VEXAL_STANDIN_LIST)\n");
    return 1;
  }
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::fwrite(text.data(), 1, text.size(), stdout);
  return 0;
}

std::string Reply(const std::string& line, const Options& o, double& azimuth) {
  std::string command = line[0] == '+' ? line.substr(1) : line;
  char text[512];
  if (command == "\\dump_state") {
    std::snprintf(text, sizeof text,
                  "dump_state:\nrotctld Protocol Ver: 1\nRotor Model: 1\n"
                  "Minimum Azimuth: %f\nMaximum Azimuth: %f\nMinimum Elevation: 0.000000\n"
                  "Maximum Elevation: 90.000000\nSouth Zero: 0\nrot_type=AzEl\ndone\nRPRT 0\n",
                  o.min_az, o.max_az);
    return text;
  }
  if (command == "p") {
    std::snprintf(text, sizeof text, "get_pos:\nAzimuth: %.2f\nElevation: 0.00\nRPRT 0\n", azimuth);
    return text;
  }
  if (command.rfind("P ", 0) == 0) {
    azimuth = std::atof(command.c_str() + 2);
    return "set_pos: " + command.substr(2) + "\nRPRT 0\n";
  }
  if (command == "S") return "stop:\nRPRT 0\n";
  if (command == "\\get_info") return "get_info:\nInfo: rotctld-stand-in\nRPRT 0\n";
  return "RPRT -4\n";
}

// One client at a time, as rotctld handles one command at a time.
void Serve(SOCKET listener, const Options& o) {
  double azimuth =
      Env("VEXAL_STANDIN_AZ").empty() ? 123 : std::atof(Env("VEXAL_STANDIN_AZ").c_str());
  for (;;) {
    SOCKET client = accept(listener, nullptr, nullptr);
    if (client == INVALID_SOCKET) return;
    std::string buffer;
    char chunk[1024];
    int n;
    while ((n = recv(client, chunk, sizeof chunk, 0)) > 0) {
      buffer.append(chunk, static_cast<size_t>(n));
      size_t end;
      while ((end = buffer.find('\n')) != std::string::npos) {
        std::string line = buffer.substr(0, end);
        buffer.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        Record("< " + line);
        std::string answer = Reply(line, o, azimuth);
        send(client, answer.data(), static_cast<int>(answer.size()), 0);
      }
    }
    closesocket(client);
  }
}

}  // namespace

// What a start holds before it opens anything itself.
void RecordHandles() {
  const std::string file = Env("VEXAL_STANDIN_HANDLES");
  if (file.empty()) return;
  int disk = 0, pipe = 0;
  for (ULONG_PTR value = 4; value < 4096; value += 4) {
    HANDLE handle = reinterpret_cast<HANDLE>(value);
    DWORD flags = 0;
    if (!GetHandleInformation(handle, &flags)) continue;
    const DWORD type = GetFileType(handle);
    disk += type == FILE_TYPE_DISK;
    pipe += type == FILE_TYPE_PIPE;
  }
  std::ofstream(file, std::ios::app | std::ios::binary)
      << "handles disk=" << disk << " pipe=" << pipe << "\n";
}

int main(int argc, char** argv) {
  RecordHandles();
  Record(GetCommandLineA());
  Options o = Parse(argc, argv);
  if (o.list) return List();
  if (const std::string fail = Env("VEXAL_STANDIN_FAIL"); !fail.empty()) {
    std::fprintf(stderr, "%s\n", fail.c_str());
    return 2;
  }
  if (Mode() == "hang") {
    Record("hang pid=" + std::to_string(GetCurrentProcessId()));
    Hang();
  }
  // Held until this process ends, as rotctld holds its serial port.
  if (const std::string ports = Env("VEXAL_STANDIN_PORTS"); !ports.empty() && !o.device.empty()) {
    HANDLE port = CreateFileA((ports + "\\held-" + o.device).c_str(), GENERIC_WRITE, 0,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
      std::fprintf(stderr, "rot_open: error = IO error\n");
      return 2;
    }
  }
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  inet_pton(AF_INET, o.host.c_str(), &a.sin_addr);
  a.sin_port = htons(static_cast<u_short>(o.port));
  if (bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(listener, 4) != 0) {
    std::fprintf(stderr, "bind to %s:%d failed\n", o.host.c_str(), o.port);
    return 1;
  }
  Serve(listener, o);
  return 0;
}
