// The great-circle maths, the locator, the projection and the map data behind RotServer's map.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>

#include "rotserver/core/geodesy.h"
#include "rotserver/core/great_circle_map.h"
#include "rotserver/core/land_grid.h"
#include "rotserver/core/map_projection.h"

namespace {

using rotserver::LatLon;

std::string MapFile();

constexpr double kPi = 3.14159265358979323846;
const LatLon kLondon{51.5074, -0.1278};
const LatLon kNewYork{40.7128, -74.0060};
const LatLon kSydney{-33.8688, 151.2093};
const LatLon kTokyo{35.6762, 139.6503};

TEST(GreatCircle, BearingAndDistanceBetweenCities) {
  // London -> New York on a sphere of 6371 km, by the spherical law of cosines:
  //   cos c = sin 51.5074 sin 40.7128 + cos 51.5074 cos 40.7128 cos(-73.8782)
  //         = 0.51052 + 0.13100 = 0.64153, c = 0.87431 rad = 5570.2 km;
  //   tan B = sin(-73.8782) cos 40.7128 / (cos 51.5074 sin 40.7128 - sin 51.5074 cos 40.7128
  //           cos(-73.8782)) = -0.72818 / 0.24124, B = -71.67° = 288.33°.
  EXPECT_NEAR(rotserver::DistanceKm(kLondon, kNewYork), 5570.2, 0.5);
  EXPECT_NEAR(rotserver::BearingDeg(kLondon, kNewYork), 288.33, 0.02);
  // Sydney -> Tokyo, the same way: 7825.8 km at 350.05°; back from Tokyo it is not the reverse.
  EXPECT_NEAR(rotserver::DistanceKm(kSydney, kTokyo), 7825.8, 0.5);
  EXPECT_NEAR(rotserver::BearingDeg(kSydney, kTokyo), 350.05, 0.02);
  EXPECT_NEAR(rotserver::BearingDeg(kTokyo, kSydney), 169.0, 1.5);
  // Due east along the equator, due north along a meridian; a point to itself has bearing 0.
  EXPECT_NEAR(rotserver::BearingDeg({0, 10}, {0, 20}), 90.0, 1e-9);
  EXPECT_NEAR(rotserver::BearingDeg({10, 5}, {20, 5}), 0.0, 1e-9);
  EXPECT_NEAR(rotserver::DistanceKm({10, 5}, {20, 5}), 10 * 111.19, 0.1);
  EXPECT_EQ(rotserver::BearingDeg(kTokyo, kTokyo), 0.0);
  EXPECT_NEAR(rotserver::DistanceKm({0, 0}, {0, 180}), 20015.1, 0.1);
}

TEST(GreatCircle, LongPathIsTheOtherWayRound) {
  EXPECT_NEAR(rotserver::LongPathBearing(288.33), 108.33, 1e-9);
  EXPECT_NEAR(rotserver::LongPathBearing(200), 20, 1e-9);
  EXPECT_NEAR(rotserver::LongPathBearing(180), 0, 1e-9);
  // Leaving London on the long path's bearing, New York comes after 40030 - 5570 km.
  const double long_km = 2 * rotserver::kHalfCircumferenceKm - 5570.2;
  LatLon end = rotserver::Destination(kLondon, rotserver::LongPathBearing(288.33),
                                      long_km / rotserver::kEarthRadiusKm);
  EXPECT_LT(rotserver::DistanceKm(end, kNewYork), 5.0);
  // And the short way: Destination undoes Bearing and Distance.
  end = rotserver::Destination(kLondon, 288.33, 5570.2 / rotserver::kEarthRadiusKm);
  EXPECT_LT(rotserver::DistanceKm(end, kNewYork), 2.0);
}

// At a pole every bearing is south (north); the map there is the limit of the map from just off
// the pole on the station's meridian, not the rounding noise of an undefined longitude.
TEST(GreatCircle, FromAPoleEveryBearingIsSouthOrNorthAndTheMapIsTheLimitOfItsNeighbours) {
  const LatLon north{90, 10}, south{-90, 10};
  EXPECT_EQ(rotserver::BearingDeg(north, kLondon), 180.0);
  EXPECT_EQ(rotserver::BearingDeg(north, kSydney), 180.0);
  EXPECT_EQ(rotserver::BearingDeg(south, kTokyo), 0.0);
  EXPECT_EQ(rotserver::BearingDeg(north, north), 0.0);
  EXPECT_NEAR(rotserver::DistanceKm(north, kLondon), (90 - 51.5074) * 111.19493, 0.1);
  // 40° down the meridians: 180 runs down the station's own (10° E), 90 down 100° E.
  const double forty = 40 * kPi / 180;
  for (auto [from, bearing, lat, lon] :
       {std::tuple{north, 180.0, 50.0, 10.0}, std::tuple{north, 90.0, 50.0, 100.0},
        std::tuple{north, 0.0, 50.0, -170.0}, std::tuple{south, 90.0, -50.0, 100.0},
        std::tuple{south, 0.0, -50.0, 10.0}}) {
    const LatLon got = rotserver::Destination(from, bearing, forty);
    EXPECT_NEAR(got.lat, lat, 1e-9) << from.lat << " at " << bearing;
    EXPECT_NEAR(got.lon, lon, 1e-9) << from.lat << " at " << bearing;
  }

  // Under the pointer, a quarter round east of the north pole on its map: the equator at 100° E.
  const rotserver::AzimuthalMap from_pole(north);
  auto spot = from_pole.Unproject({0.75, 0.5});
  ASSERT_TRUE(spot);
  EXPECT_NEAR(spot->bearing_deg, 90, 1e-9);
  EXPECT_NEAR(spot->km, rotserver::kHalfCircumferenceKm / 2, 1e-6);
  EXPECT_NEAR(spot->place.lat, 0, 1e-9);
  EXPECT_NEAR(spot->place.lon, 100, 1e-9);
  const rotserver::MapPoint back = from_pole.Project({0, 100});
  EXPECT_NEAR(back.x, 0.75, 1e-9);
  EXPECT_NEAR(back.y, 0.5, 1e-9);

  // Each pole's picture is that of a station a metre away from it.
  auto land = rotserver::DecodeLand(MapFile(), nullptr);
  ASSERT_TRUE(land);
  const rotserver::LandGrid grid(*land);
  const rotserver::MapColours colours{1, 2, 3, 4};
  for (const LatLon& pole : {north, south}) {
    const LatLon near{pole.lat > 0 ? 89.99999 : -89.99999, pole.lon};
    const auto at = rotserver::DrawMap(grid, rotserver::AzimuthalMap(pole), 81, 81, colours);
    const auto beside = rotserver::DrawMap(grid, rotserver::AzimuthalMap(near), 81, 81, colours);
    size_t differ = 0;
    for (size_t i = 0; i < at.size(); ++i) differ += at[i] != beside[i];
    EXPECT_LT(differ, at.size() / 500) << "the map at " << pole.lat;
  }
}

TEST(Locator, FourSixAndEightCharactersGiveTheCentreOfTheirSquare) {
  struct Case {
    const char* text;
    double lat, lon;
  };
  // JN58: field J (lon -180 + 9*20 = 0), N (lat -90 + 13*10 = 40); square 5 (+10), 8 (+8);
  // subsquare t (+19 * 5'), d (+3 * 2.5'); extended 2 (+2 * 30"), 5 (+5 * 15").
  for (const Case& c :
       {Case{"JN58", 48.5, 11.0}, Case{"JN58td", 48.1458333, 11.625},
        Case{"jn58TD", 48.1458333, 11.625}, Case{"JN58td25", 48.1479167, 11.6041667},
        Case{"AA00aa", -89.9791667, -179.9583333}, Case{"RR99xx", 89.9791667, 179.9583333}}) {
    std::string error;
    auto got = rotserver::ParseLocator(c.text, &error);
    ASSERT_TRUE(got) << c.text << ": " << error;
    EXPECT_NEAR(got->lat, c.lat, 1e-6) << c.text;
    EXPECT_NEAR(got->lon, c.lon, 1e-6) << c.text;
  }
  EXPECT_EQ(rotserver::LocatorOf({48.1458, 11.625}), "JN58td");
  EXPECT_EQ(rotserver::LocatorOf(kSydney), "QF56od");
  EXPECT_EQ(rotserver::LocatorOf(kNewYork), "FN20xr");
  EXPECT_EQ(rotserver::LocatorOf({90, 180}), "RR99xx");  // the grid's far corner stays inside
  EXPECT_EQ(rotserver::LocatorOf({-90, -180}), "AA00aa");
}

TEST(Locator, BadLocatorsAreRefusedInWords) {
  for (const char* bad :
       {"", "JN5", "JN58t", "JN58td2", "JS58", "JN58ty", "1N58", "JNA8", "JN58td2x", "JN58 td"}) {
    std::string error;
    EXPECT_FALSE(rotserver::ParseLocator(bad, &error)) << bad;
    EXPECT_NE(error.find("4, 6 or 8 characters"), std::string::npos) << bad << ": " << error;
  }
}

TEST(Locator, StationIsALocatorOrLatitudeAndLongitude) {
  std::string error;
  auto at = rotserver::ParseStation(" 48.14, 11.58 ", &error);
  ASSERT_TRUE(at) << error;
  EXPECT_DOUBLE_EQ(at->lat, 48.14);
  EXPECT_DOUBLE_EQ(at->lon, 11.58);
  at = rotserver::ParseStation("-33.9 18.4", &error);
  ASSERT_TRUE(at) << error;
  EXPECT_DOUBLE_EQ(at->lat, -33.9);
  EXPECT_DOUBLE_EQ(at->lon, 18.4);
  ASSERT_TRUE(rotserver::ParseStation("JN58td", &error));
  for (const char* bad : {"91, 0", "0, 181", "48.1, east", "48,,11 x", "nan, 1"}) {
    EXPECT_FALSE(rotserver::ParseStation(bad, &error)) << bad;
    EXPECT_NE(error.find("latitude -90 to 90"), std::string::npos) << bad;
  }
}

// The azimuthal map's points on the unit disc (x east, y down), from its picture's 0..1 square.
rotserver::MapPoint OnDisc(const rotserver::MapPoint& p) {
  return {2 * p.x - 1, 2 * p.y - 1};
}

TEST(Projection, KnownPointsLieWhereTheirBearingAndDistanceSay) {
  const rotserver::AzimuthalMap from_origin(LatLon{0, 0});
  auto expect_at = [&](const LatLon& place, double x, double y, const char* what) {
    const rotserver::MapPoint p = OnDisc(from_origin.Project(place));
    EXPECT_NEAR(p.x, x, 1e-9) << what;
    EXPECT_NEAR(p.y, y, 1e-9) << what;
  };
  expect_at({0, 0}, 0, 0, "the station at the centre");
  expect_at({0, 90}, 0.5, 0, "a quarter round east: half way right");
  expect_at({90, 0}, 0, -0.5, "the north pole: half way up");
  expect_at({0, -45}, -0.25, 0, "an eighth round west");
  rotserver::MapPoint antipode = OnDisc(from_origin.Project({0, 180}));
  EXPECT_NEAR(std::hypot(antipode.x, antipode.y), 1.0, 1e-9) << "the antipode on the rim";
  // New York from London: 5570.2 km (0.27831 of half the circumference) at 288.33°.
  const rotserver::AzimuthalMap from_london(kLondon);
  const rotserver::MapPoint at = from_london.Project(kNewYork);
  rotserver::MapPoint ny = OnDisc(at);
  EXPECT_NEAR(ny.x, 0.27831 * std::sin(288.33 * kPi / 180), 2e-4);
  EXPECT_NEAR(ny.y, -0.27831 * std::cos(288.33 * kPi / 180), 2e-4);

  auto spot = from_london.Unproject(at);
  ASSERT_TRUE(spot);
  EXPECT_NEAR(spot->bearing_deg, 288.33, 0.02);
  EXPECT_NEAR(spot->km, 5570.2, 1);
  EXPECT_LT(rotserver::DistanceKm(spot->place, kNewYork), 1.0);
  EXPECT_FALSE(from_london.Unproject({0.9, 0.85})) << "outside the disc";
}

TEST(Projection, TheFrameKeepsTheMapsShapeInsideTheScaleCircle) {
  const rotserver::Rose rose{200, 150, 100};
  const rotserver::MapFrame disc = rotserver::MapFrameIn(rose, 1.0);
  EXPECT_DOUBLE_EQ(disc.left, 110);
  EXPECT_DOUBLE_EQ(disc.top, 60);
  EXPECT_DOUBLE_EQ(disc.width, 180);
  EXPECT_DOUBLE_EQ(disc.height, 180);
  const rotserver::MapPoint centre = disc.ToMap(200, 150);
  EXPECT_DOUBLE_EQ(centre.x, 0.5);
  EXPECT_DOUBLE_EQ(centre.y, 0.5);
  const rotserver::MapFrame wide = rotserver::MapFrameIn(rose, 2.0);
  EXPECT_DOUBLE_EQ(wide.width, 180);
  EXPECT_DOUBLE_EQ(wide.height, 90);
  EXPECT_DOUBLE_EQ(wide.top, 105);
}

std::string MapFile() {
  std::ifstream in(VEXAL_SOURCE_DIR "/rotserver/map/land-110m.vxl", std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

TEST(LandData, TheEmbeddedFileDecodesAndKnowsLandFromSea) {
  std::string error;
  auto land = rotserver::DecodeLand(MapFile(), &error);
  ASSERT_TRUE(land) << error;
  EXPECT_NE(land->source.find("world-atlas 2.0.2"), std::string::npos);
  EXPECT_GT(land->rings.size(), 100u);
  rotserver::LandGrid grid(*land);
  for (LatLon place :
       {kLondon, kTokyo, kSydney, LatLon{48.15, 11.6}, LatLon{0, 20}, LatLon{-80, 0},
        LatLon{40, -100}, LatLon{-15, -50}, LatLon{-89, 0} /* the pole inside Antarctica's ring */,
        LatLon{66, -172} /* Chukotka, east of the antimeridian */,
        LatLon{-17.8, 177.9} /* Fiji, whose ring crosses it */})
    EXPECT_TRUE(grid.IsLand(place)) << place.lat << ", " << place.lon;
  for (LatLon place : {LatLon{0, -30}, LatLon{0, -150}, LatLon{-40, 80}, LatLon{42, 5},
                       LatLon{42, 50} /* the Caspian Sea, a hole in Asia */, LatLon{85, 0},
                       LatLon{-16.2, 0} /* level with Fiji, far from it */,
                       LatLon{-58, -60} /* the Drake Passage */})
    EXPECT_FALSE(grid.IsLand(place)) << place.lat << ", " << place.lon;
}

TEST(LandData, DamagedFilesAreRefusedInWords) {
  const std::string good = MapFile();
  struct Case {
    std::string bytes;
    const char* words;
  };
  for (const Case& c :
       {Case{"", "VXLAND1"}, Case{"VXLAND2\nx\n", "VXLAND1"},
        Case{"VXLAND1\nno end", "source note"}, Case{good.substr(0, good.size() - 3), "cut short"},
        Case{good + "x", "follow the last ring"},
        Case{std::string("VXLAND1\n\n\x01\x00\x03\x00", 13) +
                 std::string("\xFF\x7F\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00", 12),
             "leaves the globe"}}) {
    std::string error;
    EXPECT_FALSE(rotserver::DecodeLand(c.bytes, &error)) << c.words;
    EXPECT_NE(error.find(c.words), std::string::npos) << error;
  }
}

TEST(LandData, TheMapPictureHasTheStationsLandAtItsCentre) {
  auto land = rotserver::DecodeLand(MapFile(), nullptr);
  ASSERT_TRUE(land);
  rotserver::LandGrid grid(*land);
  const rotserver::MapColours colours{1, 2, 3, 4};
  const int size = 201;
  // Centred on 0°, 20° (the Congo basin): land in the middle; 30° west on the equator lies
  // 50/180 of the radius to the left: the Atlantic; the corners are outside the disc.
  auto pixels = rotserver::DrawMap(grid, rotserver::AzimuthalMap({0, 20}), size, size, colours);
  ASSERT_EQ(pixels.size(), static_cast<size_t>(size * size));
  EXPECT_EQ(pixels[100 * size + 100], 2u);
  const int atlantic_x = 100 - static_cast<int>(100.5 * 50 / 180);
  EXPECT_EQ(pixels[100 * size + atlantic_x], 1u);
  EXPECT_EQ(pixels[0], 4u);
  EXPECT_EQ(pixels[size * size - 1], 4u);
  size_t coast = 0;
  for (uint32_t p : pixels) coast += p == 3;
  EXPECT_GT(coast, 200u) << "coasts are outlined";
}

// Another style of map through the same seam: longitude across, latitude down, twice as wide
// as high, the bearing and distance still those of the great circle from the station.
class PlateCarree final : public rotserver::MapProjection {
 public:
  explicit PlateCarree(const LatLon& station) : station_(station) {}
  double Aspect() const override { return 2.0; }
  rotserver::MapPoint Project(const LatLon& p) const override {
    return {(p.lon + 180) / 360, (90 - p.lat) / 180};
  }
  std::optional<rotserver::MapSpot> Unproject(const rotserver::MapPoint& at) const override {
    const LatLon place{90 - at.y * 180, at.x * 360 - 180};
    return rotserver::MapSpot{rotserver::BearingDeg(station_, place),
                              rotserver::DistanceKm(station_, place), place};
  }

 private:
  LatLon station_;
};

TEST(LandData, AnotherProjectionDrawsThroughTheSameSeam) {
  auto land = rotserver::DecodeLand(MapFile(), nullptr);
  ASSERT_TRUE(land);
  rotserver::LandGrid grid(*land);
  const rotserver::MapColours colours{1, 2, 3, 4};
  const PlateCarree flat(kLondon);
  auto pixels = rotserver::DrawMap(grid, flat, 180, 90, colours);
  ASSERT_EQ(pixels.size(), 180u * 90u);
  auto at = [&](const LatLon& place) {
    const rotserver::MapPoint p = flat.Project(place);
    return pixels[static_cast<size_t>(p.y * 90) * 180 + static_cast<size_t>(p.x * 180)];
  };
  EXPECT_EQ(at({0.5, 20.5}), 2u) << "the Congo basin";
  EXPECT_EQ(at({0.5, -29.5}), 1u) << "the Atlantic";
  EXPECT_EQ(at({-24.5, 134.5}), 2u) << "Australia";
}

}  // namespace
