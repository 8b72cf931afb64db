#include "rotserver/win/settings_layout_win.h"

#include "rotserver/win/settings_dialog_ids_win.h"

#include <iterator>

namespace rotserver {

DialogTemplate::DialogTemplate(const char* title, short cx, short cy) {
  const DWORD style = DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;
  AddDword(style);
  AddDword(0);  // extended style
  count_at_ = words_.size();
  words_.push_back(0);  // number of items, set as they come
  for (short v : {short(0), short(0), cx, cy}) words_.push_back(static_cast<WORD>(v));
  words_.push_back(0);  // no menu
  words_.push_back(0);  // the standard dialog class
  AddText(title);
  words_.push_back(8);  // points
  AddText("MS Shell Dlg");
}

void DialogTemplate::Add(WORD atom, const char* text, int id, DWORD style, short x, short y,
                         short cx, short cy) {
  if (words_.size() % 2) words_.push_back(0);  // items start on a DWORD boundary
  AddDword(style | WS_CHILD | WS_VISIBLE);
  AddDword(0);
  for (short v : {x, y, cx, cy}) words_.push_back(static_cast<WORD>(v));
  words_.push_back(static_cast<WORD>(id));
  words_.push_back(0xFFFF);
  words_.push_back(atom);
  AddText(text);
  words_.push_back(0);  // no creation data
  ++words_[count_at_];
}

void DialogTemplate::AddDword(DWORD v) {
  words_.push_back(LOWORD(v));
  words_.push_back(HIWORD(v));
}

void DialogTemplate::AddText(const char* text) {
  for (const char* c = text; *c; ++c) words_.push_back(static_cast<unsigned char>(*c));
  words_.push_back(0);
}

namespace {

constexpr WORD kButton = 0x0080, kEdit = 0x0081, kStatic = 0x0082, kComboBox = 0x0085;
constexpr short kWidth = 340, kLabelWidth = 112, kFieldX = 7 + kLabelWidth + 4;
constexpr short kFieldWidth = kWidth - kFieldX - 7;
constexpr DWORD kEditStyle = ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
constexpr DWORD kListStyle = CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL;
constexpr DWORD kTypedListStyle = CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_TABSTOP | WS_VSCROLL;

constexpr char kRangeHelp[] =
    "Where its end stop is tells Logger32-Vexal which way to turn: north for 0..360 and 0..450, "
    "south for -180..180.";

void Label(DialogTemplate& t, const char* text, short y) {
  t.Add(kStatic, text, -1, SS_LEFT, 7, static_cast<short>(y + 2), kLabelWidth, 10);
}

// The rotctld this RotServer starts: where it is, the controller, its line, its range, Test.
short AddRotctldPart(DialogTemplate& t, short y) {
  Label(t, "Backend:", y);
  t.Add(kComboBox, "", kIdBackend, kListStyle, kFieldX, y, 90, 60);
  y += 18;
  Label(t, "rotctld.exe:", y);
  t.Add(kEdit, "", kIdRotctldPath, kEditStyle, kFieldX, y, kFieldWidth - 54, 12);
  t.Add(kButton, "Browse...", kIdBrowse, BS_PUSHBUTTON | WS_TABSTOP, kWidth - 7 - 50, y, 50, 13);
  y += 15;
  t.Add(kStatic, "", kIdFoundText, SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, kFieldX, y, kFieldWidth,
        10);
  y += 14;
  Label(t, "Controller (type to find):", y);
  t.Add(kComboBox, "", kIdModel, kTypedListStyle, kFieldX, y, kFieldWidth, 160);
  y += 18;
  Label(t, "Serial port or host:port:", y);
  t.Add(kComboBox, "", kIdDevice, kTypedListStyle, kFieldX, y, 80, 100);
  t.Add(kStatic, "Speed:", -1, SS_RIGHT, kFieldX + 84, static_cast<short>(y + 2), 30, 10);
  t.Add(kComboBox, "", kIdSpeed, kListStyle, kFieldX + 118, y, 70, 120);
  y += 18;
  Label(t, "Rotator range:", y);
  t.Add(kComboBox, "", kIdRangeChoice, kListStyle, kFieldX, y, 90, 100);
  t.Add(kEdit, "", kIdRangeMin, kEditStyle, kFieldX + 96, y, 32, 12);
  t.Add(kStatic, "..", -1, SS_CENTER, kFieldX + 130, static_cast<short>(y + 2), 10, 10);
  t.Add(kEdit, "", kIdRangeMax, kEditStyle, kFieldX + 142, y, 32, 12);
  y += 14;
  t.Add(kStatic, kRangeHelp, kIdRangeHelp, SS_LEFT | SS_NOPREFIX, kFieldX, y, kFieldWidth, 18);
  y += 22;
  t.Add(kButton, "&Test", kIdTest, BS_PUSHBUTTON | WS_TABSTOP, 7, y, 50, 14);
  t.Add(kStatic, "", kIdTestResult, SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, 7 + 56,
        static_cast<short>(y + 2), kWidth - 7 - 56 - 7, 20);
  return static_cast<short>(y + 26);
}

struct Row {
  const char* label;
  int id;
  short width;       // the field's; 0: as wide as the dialog allows
  const char* help;  // a line under the field, or nullptr
};

constexpr short kRowFieldX = 7 + 164, kRowFieldWidth = kWidth - kRowFieldX - 7;

const Row kMoreRows[] = {
    {"Advanced: whole rotctld command line (optional):", kIdCommand, 0, nullptr},
    {"rotctld address (host:port):", kIdAddress, 0, nullptr},
    {"Calibration offset (degrees, -180..180):", kIdOffset, 36,
     "Added to the rotator's reading, when its 0 does not point north."},
    {"Poll interval (milliseconds, 250..10000):", kIdPoll, 36,
     "How often the heading is asked for while the rotator stands."},
};

const Row kNetworkRows[] = {
    {"rotctld clients on (address:port):", kIdServeRotctld, 0, nullptr},
    {"N1MM rotor commands on (UDP port):", kIdServeN1mm, 0, nullptr},
    {"N1MM rotor name:", kIdN1mmRotorName, 0, nullptr},
    {"N1MM heading to (host:port):", kIdN1mmStatusTo, 0, nullptr},
    {"Hold others off after a turn (seconds):", kIdHoldOff, 36,
     "After a turn from this window or Logger32, other programs wait this long."},
};

short AddRows(DialogTemplate& t, const Row* rows, std::size_t count, short x, short y) {
  for (std::size_t i = 0; i < count; ++i) {
    const Row& row = rows[i];
    t.Add(kStatic, row.label, -1, SS_LEFT, x, static_cast<short>(y + 2), kRowFieldX - x - 4, 10);
    t.Add(kEdit, "", row.id, kEditStyle, kRowFieldX, y,
          row.width ? row.width : static_cast<short>(kRowFieldWidth - (x - 7)), 12);
    y += 16;
    if (row.help) {  // under the label, as wide as the dialog or group allows
      t.Add(kStatic, row.help, -1, SS_LEFT | SS_NOPREFIX, static_cast<short>(x + 8), y,
            static_cast<short>(kWidth - 2 * x - 8), 10);
      y += 13;
    }
  }
  return y;
}

}  // namespace

DialogTemplate BuildSettingsTemplate() {
  // Laid out twice: once to learn the height, once into the template of that height.
  auto lay_out = [](DialogTemplate& t) {
    short y = AddRotctldPart(t, 7);
    y = AddRows(t, kMoreRows, std::size(kMoreRows), 7, y);
    const short group_top = static_cast<short>(y + 2);
    y = AddRows(t, kNetworkRows, std::size(kNetworkRows), 13, static_cast<short>(group_top + 12));
    t.Add(kStatic, "", kIdNetworkWarning, SS_LEFT | SS_NOPREFIX, 13, y, kWidth - 26, 18);
    y += 20;
    t.Add(kButton, "Network (blank: off)", -1, BS_GROUPBOX, 7, group_top, kWidth - 14,
          static_cast<short>(y - group_top));
    y += 6;
    t.Add(kButton, "OK", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, kWidth - 7 - 50 - 4 - 50, y, 50, 14);
    t.Add(kButton, "Cancel", IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, kWidth - 7 - 50, y, 50, 14);
    return static_cast<short>(y + 14 + 7);
  };
  DialogTemplate measure(kSettingsDialogTitle, kWidth, 0);
  DialogTemplate t(kSettingsDialogTitle, kWidth, lay_out(measure));
  lay_out(t);
  return t;
}

}  // namespace rotserver
