#include "bridge/dde/dde_server_conv_win.h"

#include "bridge/dde/dde_mgr_win.h"

namespace vexal::dde {

TDdeServerConv::TDdeServerConv(std::string name) : name_(std::move(name)) {
  if (TDdeMgr* mgr = TDdeMgr::Instance()) mgr->AddTopicComponent(this);
}

TDdeServerConv::~TDdeServerConv() {
  if (TDdeMgr* mgr = TDdeMgr::Instance()) mgr->RemoveTopicComponent(this);
}

}  // namespace vexal::dde
