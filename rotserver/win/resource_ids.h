// Resource numbers RotServer.rc and the code share.
#pragma once

// The land of the map (rotserver/map/land-110m.vxl, made by scripts/make-map), as RCDATA.
#define ROTSERVER_LAND_DATA 2

// The "Station and presets" dialog and its fields; preset n's label is ..._LABEL + 2n, its
// bearing ..._LABEL + 2n + 1.
#define ROTSERVER_STATION_DIALOG 100
#define ROTSERVER_STATION_FIELD 1001
#define ROTSERVER_PRESET_LABEL 1010

// The third-party licence notices (docs/third-party-notices.txt), as RCDATA.
#define ROTSERVER_NOTICES 3

// About and Details: a line or two above a read-only text with a Copy button.
#define ROTSERVER_TEXT_DIALOG 110
#define ROTSERVER_TEXT_INTRO 1101
#define ROTSERVER_TEXT_BODY 1102
#define ROTSERVER_TEXT_COPY 1103
