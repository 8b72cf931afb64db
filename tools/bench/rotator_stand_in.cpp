#include "rotator_stand_in.h"

#include <stdexcept>

namespace bench {

namespace {

RotatorStandIn* g_stand_in = nullptr;

}  // namespace

RotatorStandIn::RotatorStandIn(const std::string& service, const std::string& topic,
                               const Timer& timer)
    : timer_(timer) {
  if (g_stand_in) throw std::runtime_error("only one rotator stand-in per process");
  arrivals_.reserve(4096);
  DWORD flags = APPCLASS_STANDARD | CBF_FAIL_ADVISES | CBF_FAIL_REQUESTS | CBF_FAIL_POKES |
                CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS;
  if (DdeInitializeA(&inst_, Callback, flags, 0) != DMLERR_NO_ERROR)
    throw std::runtime_error("DdeInitialize failed");
  g_stand_in = this;
  service_ = DdeCreateStringHandleA(inst_, service.c_str(), CP_WINANSI);
  topic_ = DdeCreateStringHandleA(inst_, topic.c_str(), CP_WINANSI);
  if (!service_ || !topic_ || !DdeNameService(inst_, service_, nullptr, DNS_REGISTER)) {
    Release();
    throw std::runtime_error("cannot register the DDE service '" + service + "'");
  }
}

RotatorStandIn::~RotatorStandIn() {
  Release();
}

void RotatorStandIn::Release() {
  if (!inst_) return;
  if (service_) {
    DdeNameService(inst_, service_, nullptr, DNS_UNREGISTER);
    DdeFreeStringHandle(inst_, service_);
  }
  if (topic_) DdeFreeStringHandle(inst_, topic_);
  // Ends the bridge's conversation too: it posts the terminate to its partner.
  DdeUninitialize(inst_);
  inst_ = 0;
  g_stand_in = nullptr;
}

HDDEDATA CALLBACK RotatorStandIn::Callback(UINT type, UINT, HCONV, HSZ topic, HSZ, HDDEDATA data,
                                           ULONG_PTR, ULONG_PTR) {
  RotatorStandIn* self = g_stand_in;
  if (!self) return nullptr;
  switch (type) {
    case XTYP_CONNECT:
      return reinterpret_cast<HDDEDATA>(
          static_cast<INT_PTR>(DdeCmpStringHandles(topic, self->topic_) == 0));
    case XTYP_CONNECT_CONFIRM:
      ++self->conversations_;
      return nullptr;
    case XTYP_EXECUTE:
      return self->OnExecute(data);
    default:
      return nullptr;
  }
}

HDDEDATA RotatorStandIn::OnExecute(HDDEDATA data) {
  LONGLONG now = timer_.Now();
  try {
    Arrival arrival;
    arrival.when = now;
    DWORD size = DdeGetData(data, nullptr, 0, 0);
    arrival.bytes.resize(size);
    if (size) DdeGetData(data, reinterpret_cast<BYTE*>(arrival.bytes.data()), size, 0);
    arrivals_.push_back(std::move(arrival));
    return reinterpret_cast<HDDEDATA>(DDE_FACK);
  } catch (...) {
    // Nothing may leave a DDE callback.
    return reinterpret_cast<HDDEDATA>(DDE_FNOTPROCESSED);
  }
}

}  // namespace bench
