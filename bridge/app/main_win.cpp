// Program entry: start-up in the order the parts depend on, the message loop, and teardown
// in reverse, with the window's destruction handler first while everything still exists.
#include <windows.h>

#include <memory>

#include "bridge/app/form6_win.h"
#include "bridge/base/app_events_win.h"
#include "bridge/base/application_win.h"
#include "bridge/base/error_report_win.h"
#include "bridge/dde/dde_mgr_win.h"

namespace {

struct Program {
  std::unique_ptr<vexal::Application> app;
  std::unique_ptr<vexal::TMultiCaster> multicaster;
  // Between the multicaster and the window: the topic "AntDaten" registers with it while
  // the window is built, and it outlives the window.
  std::unique_ptr<vexal::dde::TDdeMgr> dde;

  void Teardown() {
    try {
      vexal::DestroyForm6();
    } catch (const std::exception& e) {
      vexal::ShowException(e);
    }
    dde.reset();
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
    program.dde = std::make_unique<vexal::dde::TDdeMgr>();
    program.app->SetOnDispatched([](const MSG& msg) {
      if (program.dde) program.dde->MessageDispatched(msg);
    });
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
