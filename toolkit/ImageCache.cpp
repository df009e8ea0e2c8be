#include "toolkit/ImageCache.h"

#include <cairo.h>
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>

namespace cwui {
namespace {

struct LoaderState {
  int maxSide = ImageCache::kMaxSide;
  bool tooLarge = false;
};

// Before any pixel memory exists: a picture over the bound is shrunk to one
// pixel so that nothing large is allocated, and refused afterwards.
void OnSizePrepared(GdkPixbufLoader* loader, int width, int height, gpointer data) {
  auto* state = static_cast<LoaderState*>(data);
  if (width > state->maxSide || height > state->maxSide || width <= 0 || height <= 0) {
    state->tooLarge = true;
    gdk_pixbuf_loader_set_size(loader, 1, 1);
  }
}

// gdk-pixbuf keeps straight RGBA rows; cairo wants premultiplied native ARGB.
cairo_surface_t* ToSurface(GdkPixbuf* pixbuf) {
  const int w = gdk_pixbuf_get_width(pixbuf), h = gdk_pixbuf_get_height(pixbuf);
  const int channels = gdk_pixbuf_get_n_channels(pixbuf), stride = gdk_pixbuf_get_rowstride(pixbuf);
  const bool alpha = gdk_pixbuf_get_has_alpha(pixbuf) != 0;
  if (gdk_pixbuf_get_bits_per_sample(pixbuf) != 8 || channels < (alpha ? 4 : 3)) return nullptr;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return nullptr;
  }
  cairo_surface_flush(surface);
  const guchar* in = gdk_pixbuf_read_pixels(pixbuf);
  unsigned char* out = cairo_image_surface_get_data(surface);
  const int outStride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < h; ++y) {
    const guchar* p = in + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride);
    auto* q = reinterpret_cast<std::uint32_t*>(out + static_cast<std::size_t>(y) * static_cast<std::size_t>(outStride));
    for (int x = 0; x < w; ++x, p += channels) {
      const std::uint32_t a = alpha ? p[3] : 255;
      const auto pre = [a](std::uint32_t c) { return (c * a + 127) / 255; };
      q[x] = a << 24 | pre(p[0]) << 16 | pre(p[1]) << 8 | pre(p[2]);
    }
  }
  cairo_surface_mark_dirty(surface);
  return surface;
}

std::uint32_t Big32(const std::string& b, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) << 24 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3]));
}
std::uint32_t Little16(const std::string& b, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8;
}

// Only PNG, JPEG and GIF reach a decoder, and the sizes their headers declare
// are checked first: the GIF loader allocates its whole canvas before it
// reports the size, so a ten-byte header could ask for gigabytes.
bool AcceptableHeader(const std::string& b, int maxSide) {
  const auto side = static_cast<std::uint32_t>(maxSide);
  if (b.size() >= 24 && b.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0) {
    return Big32(b, 16) <= side && Big32(b, 20) <= side;
  }
  if (b.size() >= 10 && (b.compare(0, 6, "GIF87a") == 0 || b.compare(0, 6, "GIF89a") == 0)) {
    return Little16(b, 6) <= side && Little16(b, 8) <= side;
  }
  return b.size() >= 3 && b.compare(0, 3, "\xFF\xD8\xFF") == 0;  // JPEG: its loader reports the size first
}

std::string At2x(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  const std::size_t slash = name.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return name + "@2x";
  return name.substr(0, dot) + "@2x" + name.substr(dot);
}

}  // namespace

Image::Image(cairo_surface_t* surface, int scale) : m_surface(surface), m_scale(scale) {}
Image::~Image() { cairo_surface_destroy(m_surface); }
int Image::width() const { return cairo_image_surface_get_width(m_surface); }
int Image::height() const { return cairo_image_surface_get_height(m_surface); }

std::shared_ptr<const Image> ImageCache::Decode(const std::string& bytes, int scale, int maxSide) {
  maxSide = std::clamp(maxSide, 1, kMaxSide);
  if (bytes.empty() || bytes.size() > kMaxFileBytes || !AcceptableHeader(bytes, maxSide)) return nullptr;
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
  LoaderState state;
  state.maxSide = maxSide;
  g_signal_connect(loader, "size-prepared", G_CALLBACK(OnSizePrepared), &state);
  const bool written =
      gdk_pixbuf_loader_write(loader, reinterpret_cast<const guchar*>(bytes.data()), bytes.size(), nullptr) != 0;
  const bool closed = gdk_pixbuf_loader_close(loader, nullptr) != 0;
  GdkPixbuf* pixbuf = written && closed && !state.tooLarge ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
  cairo_surface_t* surface = pixbuf != nullptr ? ToSurface(pixbuf) : nullptr;
  g_object_unref(loader);
  return surface != nullptr ? std::make_shared<const Image>(surface, scale) : nullptr;
}

std::shared_ptr<const Image> ImageCache::load(const std::string& name, int scale) {
  if (scale >= 2) {
    if (const auto bytes = m_source ? m_source(At2x(name)) : std::nullopt) {
      if (auto image = Decode(*bytes, 2)) return image;
    }
  }
  const auto bytes = m_source ? m_source(name) : std::nullopt;
  return bytes ? Decode(*bytes, 1) : nullptr;
}

std::shared_ptr<const Image> ImageCache::get(const std::string& name, int scale) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (const auto it = m_registered.find(name); it != m_registered.end()) return it->second;
  const auto key = std::make_pair(name, scale >= 2 ? 2 : 1);
  if (const auto it = m_images.find(key); it != m_images.end()) return it->second;
  auto image = load(name, key.second);
  m_images[key] = image;
  return image;
}

void ImageCache::add(const std::string& name, cairo_surface_t* surface, int scale) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_registered[name] = std::make_shared<const Image>(cairo_surface_reference(surface), scale);
}

void ImageCache::clear() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_images.clear();
  m_registered.clear();
}

}  // namespace cwui
