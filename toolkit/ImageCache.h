// The window's pictures, one cache by name: PNG, JPEG and GIF decoded by
// gdk-pixbuf from the bytes a source gives (the resource archive, files),
// and surfaces registered by name at run time. At scale 2 a name's "@2x"
// variant (same name, "@2x" before the extension) is used when there is one.
// Bounded: an image over 8192 x 8192 pixels or 16 MiB of file is refused, and
// a picture that cannot be decoded is a missing picture, never a fault.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

typedef struct _cairo_surface cairo_surface_t;

namespace cwui {

class Image {
 public:
  // Takes over one reference of the surface.
  Image(cairo_surface_t* surface, int scale);
  ~Image();
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;

  cairo_surface_t* surface() const { return m_surface; }
  // In device pixels, and the scale they were made for.
  int width() const;
  int height() const;
  int scale() const { return m_scale; }

 private:
  cairo_surface_t* m_surface;
  int m_scale;
};

class ImageCache {
 public:
  static constexpr int kMaxSide = 8192;
  static constexpr std::size_t kMaxFileBytes = 16 * 1024 * 1024;
  using Source = std::function<std::optional<std::string>(const std::string& name)>;

  explicit ImageCache(Source source) : m_source(std::move(source)) {}

  // The picture for `name` at `scale` (1 or 2); nullptr when it is missing,
  // refused or undecodable (remembered, so a bad picture is read once).
  std::shared_ptr<const Image> get(const std::string& name, int scale = 1);
  // A surface made at run time (one reference is taken); replaces one of that name.
  void add(const std::string& name, cairo_surface_t* surface, int scale = 1);
  void clear();

  // Decodes picture bytes; nullptr when refused (over kMaxFileBytes, or a
  // side over maxSide, checked before any pixel memory exists) or undecodable.
  static std::shared_ptr<const Image> Decode(const std::string& bytes, int scale, int maxSide = kMaxSide);

 private:
  std::shared_ptr<const Image> load(const std::string& name, int scale);

  Source m_source;
  std::mutex m_mutex;
  std::map<std::pair<std::string, int>, std::shared_ptr<const Image>> m_images;  // nullptr: known missing
  std::map<std::string, std::shared_ptr<const Image>> m_registered;
};

}  // namespace cwui
