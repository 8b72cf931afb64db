#include "rotserver/core/land_grid.h"

#include <algorithm>
#include <cmath>

namespace rotserver {

namespace {

constexpr char kMagic[] = "VXLAND1\n";
constexpr size_t kMagicSize = sizeof(kMagic) - 1;
constexpr size_t kMaxNote = 200;

// Reads little-endian numbers from `bytes`; once it runs past the end, every read fails.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}
  bool U16(unsigned* out) {
    if (bytes_.size() - at_ < 2) return false;
    *out = static_cast<unsigned char>(bytes_[at_]) |
           static_cast<unsigned>(static_cast<unsigned char>(bytes_[at_ + 1])) << 8;
    at_ += 2;
    return true;
  }
  bool I16(int* out) {
    unsigned u = 0;
    if (!U16(&u)) return false;
    *out = u >= 0x8000 ? static_cast<int>(u) - 0x10000 : static_cast<int>(u);
    return true;
  }
  std::string_view rest() const { return bytes_.substr(at_); }
  void Skip(size_t n) { at_ += n; }
  bool done() const { return at_ == bytes_.size(); }

 private:
  std::string_view bytes_;
  size_t at_ = 0;
};

std::optional<LandRings> Bad(std::string* error, const std::string& why) {
  if (error) *error = "the map data is damaged: " + why;
  return std::nullopt;
}

}  // namespace

std::optional<LandRings> DecodeLand(std::string_view bytes, std::string* error) {
  if (bytes.substr(0, kMagicSize) != std::string_view(kMagic, kMagicSize))
    return Bad(error, "it does not begin with VXLAND1");
  Reader in(bytes.substr(kMagicSize));
  const size_t note_end = in.rest().substr(0, kMaxNote).find('\n');
  if (note_end == std::string_view::npos) return Bad(error, "its source note has no end");
  LandRings land;
  land.source = std::string(in.rest().substr(0, note_end));
  in.Skip(note_end + 1);
  unsigned rings = 0;
  if (!in.U16(&rings)) return Bad(error, "the ring count is missing");
  for (unsigned r = 0; r < rings; ++r) {
    unsigned count = 0;
    if (!in.U16(&count) || count < 3)
      return Bad(error, "ring " + std::to_string(r) + " is cut short");
    std::vector<LatLon> ring(count);
    for (LatLon& p : ring) {
      int lon = 0, lat = 0;
      if (!in.I16(&lon) || !in.I16(&lat))
        return Bad(error, "ring " + std::to_string(r) + " is cut short");
      if (lon < -18000 || lon > 18000 || lat < -9000 || lat > 9000)
        return Bad(error, "ring " + std::to_string(r) + " leaves the globe");
      p = {lat / 100.0, lon / 100.0};
    }
    land.rings.push_back(std::move(ring));
  }
  if (!in.done()) return Bad(error, "bytes follow the last ring");
  return land;
}

namespace {

// A ring with continuous longitudes: an edge that crosses the antimeridian (179° to -180°)
// goes on to 181° instead. A ring around a pole (Antarctica) then ends 360° from where it
// began; it is closed over the pole.
std::vector<LatLon> Unwrapped(const std::vector<LatLon>& ring) {
  std::vector<LatLon> out;
  out.reserve(ring.size() + 2);
  for (const LatLon& p : ring) {
    LatLon q = p;
    if (!out.empty()) {
      const double step = std::remainder(p.lon - out.back().lon, 360.0);
      q.lon = out.back().lon + step;
    }
    out.push_back(q);
  }
  const double around =
      out.back().lon - out.front().lon + std::remainder(out.front().lon - out.back().lon, 360.0);
  if (std::fabs(around) > 180.0) {
    const double pole = out.front().lat < 0 ? -90.0 : 90.0;
    out.push_back({pole, out.back().lon});
    out.push_back({pole, out.front().lon});
  }
  return out;
}

}  // namespace

LandGrid::LandGrid(const LandRings& land, int cells_per_degree)
    : per_degree_(std::max(1, cells_per_degree)),
      columns_(360 * per_degree_),
      rows_(180 * per_degree_),
      bits_((static_cast<size_t>(columns_) * rows_ + 63) / 64, 0) {
  // Ring by ring, each flips the cells it encloses: holes (lakes) and islands in them come out
  // right by the even-odd rule.
  std::vector<double> crossings;
  for (const auto& original : land.rings) {
    const std::vector<LatLon> ring = Unwrapped(original);
    for (int row = 0; row < rows_; ++row) {
      const double lat = 90.0 - (row + 0.5) / per_degree_;
      crossings.clear();
      for (size_t i = 0; i < ring.size(); ++i) {
        const LatLon& a = ring[i];
        const LatLon& b = ring[(i + 1) % ring.size()];
        if ((a.lat > lat) == (b.lat > lat)) continue;
        crossings.push_back(a.lon + (lat - a.lat) / (b.lat - a.lat) * (b.lon - a.lon));
      }
      std::sort(crossings.begin(), crossings.end());
      for (size_t i = 0; i + 1 < crossings.size(); i += 2) {
        const int from = static_cast<int>(std::ceil((crossings[i] + 180.0) * per_degree_ - 0.5));
        const int to = static_cast<int>(std::floor((crossings[i + 1] + 180.0) * per_degree_ - 0.5));
        for (int col = from; col <= to && col < from + columns_; ++col) {
          const size_t bit =
              static_cast<size_t>(row) * columns_ + ((col % columns_) + columns_) % columns_;
          bits_[bit / 64] ^= uint64_t{1} << (bit % 64);
        }
      }
    }
  }
}

bool LandGrid::IsLand(const LatLon& place) const {
  int row = static_cast<int>((90.0 - place.lat) * per_degree_);
  int col = static_cast<int>((place.lon + 180.0) * per_degree_);
  row = std::clamp(row, 0, rows_ - 1);
  col = ((col % columns_) + columns_) % columns_;
  const size_t bit = static_cast<size_t>(row) * columns_ + col;
  return (bits_[bit / 64] >> (bit % 64)) & 1;
}

}  // namespace rotserver
