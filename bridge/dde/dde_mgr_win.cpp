#include "bridge/dde/dde_mgr_win.h"

#include <stdexcept>

#include "bridge/base/error_report_win.h"
#include "bridge/base/error_texts.h"
#include "bridge/base/errors.h"
#include "bridge/base/program_forms_win.h"
#include "bridge/dde/macro_text.h"

namespace vexal::dde {

namespace {

constexpr int kTopicBufferSize = 4096;

error_text::DdeInitFailure FailureOf(UINT error) {
  if (error == DMLERR_LOW_MEMORY || error == DMLERR_MEMORY_ERROR)
    return error_text::DdeInitFailure::LowMemory;
  if (error == DMLERR_NO_CONV_ESTABLISHED) return error_text::DdeInitFailure::NoConversation;
  return error_text::DdeInitFailure::Other;
}

// A topic named after one of the program's forms, never an error box or the IME's window.
bool IsFormCaption(const std::string& topic) {
  for (HWND form : ProgramForms()) {
    char caption[kTopicBufferSize];
    int n = GetWindowTextA(form, caption, sizeof caption);
    // An empty topic is no form's name.
    if (n > 0 && ddeml::SameName(std::string(caption, n), topic)) return true;
  }
  return false;
}

}  // namespace

TDdeMgr::TDdeMgr() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  service_name_ = ServiceNameFromPath(std::string_view(path, n));
  ddeml::ServerSetup setup;
  setup.service = service_name_;
  setup.register_now = false;  // a refused registration still leaves the topics to clients
  setup.answer_wild_connects = true;
  setup.listed_topics = true;
  setup.with_clients = true;
  ddeml::ServerHandlers handlers;
  handlers.failed = [](const char* what) {
    PostErrorReport(what ? what : error_text::kUnknownDdeError);
  };
  handlers.named_topic = &IsFormCaption;
  std::string why;
  UINT error = DMLERR_NO_ERROR;
  server_ = ddeml::Server::Start(std::move(setup), std::move(handlers), &why, &error);
  if (!server_ && error != DMLERR_NO_ERROR)
    throw EDdeError(error_text::DdeInitFailed(FailureOf(error), error));
  if (!server_) throw std::logic_error(why);
  server_->Register();
}

TDdeMgr::~TDdeMgr() = default;

}  // namespace vexal::dde
