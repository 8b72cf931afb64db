// Program entry: start-up in the order the parts depend on, the message loop, and teardown
// in reverse, with the window's destruction handler first while everything still exists.
#include <windows.h>

#include <memory>

#include "app/app_events.h"
#include "app/application.h"
#include "app/error_report.h"
#include "window/form6.h"

namespace {

struct Program {
  std::unique_ptr<vexal::Application> app;
  std::unique_ptr<vexal::TMultiCaster> multicaster;
  // The DDE instance with the program's service name is owned here, between the
  // multicaster and the window.

  void Teardown() {
    try {
      vexal::DestroyForm6();
    } catch (const std::exception& e) {
      vexal::ShowException(e);
    }
    // The DDE instance goes here, after the window and before the multicaster.
    multicaster.reset();
    app.reset();
  }
};

Program program;

void RunFormCreate() {
  try {
    vexal::Form6->FormCreate();
  } catch (const std::exception& e) {
    vexal::ShowException(e);
  }
}

// The log-on is ending: tear down now, from inside the window's report, and end at once.
void EndSession() {
  program.Teardown();
  ExitProcess(0);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int show) {
  try {
    program.app = std::make_unique<vexal::Application>();
    program.multicaster = std::make_unique<vexal::TMultiCaster>(*program.app);
    // Create the DDE instance with the program's service name here: before any window, so
    // that the topic "AntDaten" can register with it while the window is built.
    vexal::CreateForm6(*program.multicaster);
  } catch (const std::exception& e) {
    vexal::ShowException(e);
    program.Teardown();
    return 1;
  }
  vexal::Form6->OnClose = [] { program.app->Terminate(); };
  vexal::Form6->OnEndSession = EndSession;
  RunFormCreate();
  int code = program.app->Run(vexal::Form6->Handle(), show);
  program.Teardown();
  return code;
}
