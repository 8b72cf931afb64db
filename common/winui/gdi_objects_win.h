// RAII for GDI objects and memory DCs, shared by the bridge's widgets, RotServer's compass rose
// and the system tests' pictures.
#pragma once

#include <windows.h>

#include <optional>

namespace vexal {

// A GDI object that is deleted with its owner.
template <class Handle>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(Handle h) : h_(h) {}
  ~GdiObject() { Reset(); }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  void Reset(Handle h = nullptr) {
    if (h_) DeleteObject(h_);
    h_ = h;
  }
  Handle get() const { return h_; }

 private:
  Handle h_ = nullptr;
};

// A memory DC compatible with another (the screen's for nullptr), deleted with its owner.
class MemoryDc {
 public:
  explicit MemoryDc(HDC like) : dc_(CreateCompatibleDC(like)) {}
  ~MemoryDc() {
    if (dc_) DeleteDC(dc_);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

// Selects an object into a DC and puts the previous one back when it goes out of scope.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
  ~SelectedObject() { SelectObject(dc_, old_); }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// An off-screen picture kept between paints and made again only when its size changes: a
// window that repaints several times a second would otherwise have Wine allocate and free a
// bitmap of its whole client area each time.
class BackBuffer {
 public:
  // A memory DC of WIDTH x HEIGHT compatible with LIKE, or nullptr when GDI refuses one.
  HDC Prepare(HDC like, int width, int height) {
    if (dc_ && width == width_ && height == height_) return dc_->get();
    Release();
    dc_.emplace(like);
    bitmap_.Reset(CreateCompatibleBitmap(like, width, height));
    if (!dc_->get() || !bitmap_.get()) {
      Release();
      return nullptr;
    }
    selected_.emplace(dc_->get(), bitmap_.get());
    width_ = width;
    height_ = height;
    return dc_->get();
  }

 private:
  // In this order, as the members' own destruction does: the bitmap leaves the DC first.
  void Release() {
    selected_.reset();
    bitmap_.Reset();
    dc_.reset();
    width_ = height_ = 0;
  }

  std::optional<MemoryDc> dc_;
  GdiObject<HBITMAP> bitmap_;
  std::optional<SelectedObject> selected_;
  int width_ = 0, height_ = 0;
};

}  // namespace vexal
