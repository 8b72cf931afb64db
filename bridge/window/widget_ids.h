// Control ids of the main window's widgets. Tests find the widgets by these ids
// (GetDlgItem on the main window) and read them with WM_GETTEXT.
#pragma once

namespace vexal {

enum WidgetId : int {
  kIdLabel6 = 106,
  kIdPanelLinks = 201,
  kIdPanelRechts = 203,
  kIdLabel2 = 102,
  kIdIstAzimut = 301,
  kIdLabel1 = 101,
  kIdLabel3 = 103,
  kIdEditAzimut = 302,
  kIdLabel4 = 104,
  kIdLabel7 = 107,
  kIdLabel5 = 105,
};

// A panel answers this with the colour number last stored in it, so that tests can check
// colours from outside the process without reading pixels.
inline constexpr unsigned kMsgGetPanelColor = 0x0400 + 0x60;  // WM_USER + 0x60

}  // namespace vexal
