// The great-circle map behind the rose: the land built into RotServer.exe (RCDATA
// ROTSERVER_LAND_DATA), drawn once per size, station and colour scheme into a bitmap that each
// paint only copies.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "rotserver/core/geodesy.h"
#include "rotserver/core/great_circle_map.h"
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

  // False, with the reason, when the program holds no usable land data: then the plain rose
  // is drawn. The land is read at the first call, so that a window without a station pays
  // nothing for it.
  bool available();
  const std::string& problem() const { return problem_; }

  // Copies the map for `station` into the disc `disc` of `dc`.
  void Paint(HDC dc, const Rose& disc, const LatLon& station);
  // The colours changed (high contrast on or off): drawn anew at the next paint.
  void Forget() { size_ = 0; }

 private:
  void Draw(HDC dc, int size, const LatLon& station, const MapColours& colours);

  bool loaded_ = false;
  std::unique_ptr<LandGrid> land_;
  std::string problem_;
  winui::GdiObject<HBITMAP> bitmap_;
  int size_ = 0;
  LatLon station_;
  MapColours colours_;
};

// The disc the map fills: inside the scale circle of the rose.
Rose MapDisc(const Rose& rose);
// SPI_GETHIGHCONTRAST.
bool HighContrast();

}  // namespace rotserver
