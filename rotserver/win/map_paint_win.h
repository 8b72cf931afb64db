// The great-circle map behind the rose: the land built into RotServer.exe (RCDATA
// ROTSERVER_LAND_DATA) laid out by a projection around the station, drawn once per size,
// station and colour scheme into a bitmap that each paint only copies. What lies under the
// pointer is asked of it too.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "rotserver/core/geodesy.h"
#include "rotserver/core/great_circle_map.h"
#include "rotserver/core/map_projection.h"
#include "rotserver/core/rose_geometry.h"
#include "winui/gdi_objects_win.h"

namespace rotserver {

class LandGrid;

// Quiet colours: pale sea, pale sand, a darker coast.
inline constexpr COLORREF kSeaColour = RGB(214, 232, 246);
inline constexpr COLORREF kLandColour = RGB(238, 230, 206);
inline constexpr COLORREF kCoastColour = RGB(150, 140, 112);

class MapLayer {
 public:
  MapLayer();
  ~MapLayer();
  MapLayer(const MapLayer&) = delete;
  MapLayer& operator=(const MapLayer&) = delete;

  // The station the map is centred on; without one there is no map.
  void SetStation(const std::optional<LatLon>& station);
  // A station is set and the program holds usable land data (read at the first call, so that
  // a window without a station pays nothing for it). Otherwise the plain rose is drawn.
  bool shown();
  const std::string& problem() const { return problem_; }

  // Copies the map into its frame around `rose` in `dc`.
  void Paint(HDC dc, const Rose& rose);
  // What lies under the window point (x, y), the map laid around `rose`; nothing off the map.
  std::optional<MapSpot> SpotAt(const Rose& rose, double x, double y);
  // The colours changed (high contrast on or off): drawn anew at the next paint.
  void Forget() { width_ = 0; }

 private:
  bool Load();
  void Draw(HDC dc, int width, int height, const MapColours& colours);

  bool loaded_ = false;
  std::unique_ptr<LandGrid> land_;
  std::string problem_;
  std::optional<LatLon> station_;
  std::unique_ptr<MapProjection> projection_;
  winui::GdiObject<HBITMAP> bitmap_;
  int width_ = 0, height_ = 0;
  MapColours colours_;
};

// SPI_GETHIGHCONTRAST.
bool HighContrast();

}  // namespace rotserver
