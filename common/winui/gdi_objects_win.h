// RAII for GDI objects and memory DCs, shared by the bridge's widgets, RotServer's compass rose
// and the system tests' pictures, and for kernel handles (processes, threads, pipes, jobs):
// whatever path a function leaves by, what it opened is closed.
#pragma once

#include <windows.h>

#include <optional>

namespace winui {

// A handle that `Free` releases with its owner.
template <class Handle, auto Free>
class OwnedHandle {
 public:
  OwnedHandle() = default;
  explicit OwnedHandle(Handle h) : h_(h) {}
  ~OwnedHandle() { Reset(); }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
  void Reset(Handle h = nullptr) {
    if (h_) Free(h_);
    h_ = h;
  }
  Handle get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }
  // The caller's from now on.
  Handle Release() {
    Handle h = h_;
    h_ = nullptr;
    return h;
  }

 private:
  Handle h_ = nullptr;
};

// A GDI object that is deleted with its owner.
template <class Handle>
using GdiObject = OwnedHandle<Handle, &DeleteObject>;

// A kernel handle, closed with its owner.
using KernelHandle = OwnedHandle<HANDLE, &CloseHandle>;

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

}  // namespace winui
