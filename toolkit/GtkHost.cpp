#include "toolkit/GtkHost.h"

#include "toolkit/ControlText.h"
#include "toolkit/GtkAccessible.h"
#include "toolkit/Painter.h"
#include "toolkit/WindowParts.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>
#include <cmath>
#include <optional>
#include <vector>

namespace cwui {
using window_parts::Contains;
using window_parts::MaxChars;
namespace {

// The windows a modal run made insensitive, innermost last: a modal window
// shown now belongs to the last one.
std::vector<GtkHost*> g_blockedParents;

constexpr std::size_t kMaxEntryChars = 65535;  // GtkEntry's own bound
constexpr std::size_t kMaxMessageChars = 65536;

// The thread that opened the display: GTK's, the only one that may touch it.
std::thread::id g_gtkThread;

Size WindowSize(const Skin& skin) { return {std::max(1, skin.size.cx), std::max(1, skin.size.cy)}; }

// The corner ellipse's radii, as a round rectangle of that corner size has,
// never more than half the window.
Size CornerRadii(const Skin& skin) {
  const Size size = WindowSize(skin);
  const Size radii{std::clamp(skin.roundCorner.cx / 2, 0, size.cx / 2), std::clamp(skin.roundCorner.cy / 2, 0, size.cy / 2)};
  return radii.cx > 0 && radii.cy > 0 ? radii : Size{};
}

// Where a transparent window's own paint is more than half opaque, as whole
// pixels: its card, without the soft shadow around it. Nothing when it
// paints nothing (the window would vanish).
cairo_region_t* OpaqueRegion(Window& window) {
  const Size size = WindowSize(window.skin());
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size.cx, size.cy);
  cairo_t* cr = cairo_create(surface);
  PaintWindow(cr, window, 1);
  cairo_destroy(cr);
  cairo_region_t* region = gdk_cairo_region_create_from_surface(surface);
  cairo_surface_destroy(surface);
  if (region != nullptr && cairo_region_is_empty(region)) {
    cairo_region_destroy(region);
    region = nullptr;
  }
  return region;
}

// The rounded window as whole pixels, for the shape of an opaque window.
cairo_region_t* RoundedRegion(Size size, Size radii) {
  cairo_region_t* region = cairo_region_create();
  const cairo_rectangle_int_t middle{0, radii.cy, size.cx, size.cy - 2 * radii.cy};
  cairo_region_union_rectangle(region, &middle);
  for (int row = 0; row < radii.cy; ++row) {
    const double dy = (radii.cy - row - 0.5) / radii.cy;
    const int inset = static_cast<int>(std::lround(radii.cx * (1.0 - std::sqrt(1.0 - dy * dy))));
    const cairo_rectangle_int_t top{inset, row, size.cx - 2 * inset, 1};
    const cairo_rectangle_int_t bottom{inset, size.cy - 1 - row, size.cx - 2 * inset, 1};
    cairo_region_union_rectangle(region, &top);
    cairo_region_union_rectangle(region, &bottom);
  }
  return region;
}

// A press on a link of a text or label follows the link, not the drag.
bool OverLink(const Window& window, const Control& c, int x, int y) {
  if (!c.visible || !Contains(c.rect, x, y)) return false;
  for (auto it = c.children().rbegin(); it != c.children().rend(); ++it) {
    if (OverLink(window, **it, x, y)) return true;
  }
  return (c.kind() == "text" || c.kind() == "label") && ControlText(window, c, -1).linkAt(x, y) >= 0;
}

// The named keys; *shift is set for ISO_Left_Tab, which is Shift+Tab.
std::optional<Key> KeyFor(unsigned keyval, bool* shift) {
  switch (keyval) {
    case GDK_KEY_ISO_Left_Tab: *shift = true; return Key::Tab;
    case GDK_KEY_Tab: case GDK_KEY_KP_Tab: return Key::Tab;
    case GDK_KEY_space: case GDK_KEY_KP_Space: return Key::Space;
    case GDK_KEY_Return: case GDK_KEY_KP_Enter: case GDK_KEY_ISO_Enter: return Key::Return;
    case GDK_KEY_Escape: return Key::Escape;
    case GDK_KEY_Left: case GDK_KEY_KP_Left: return Key::Left;
    case GDK_KEY_Right: case GDK_KEY_KP_Right: return Key::Right;
    case GDK_KEY_Up: case GDK_KEY_KP_Up: return Key::Up;
    case GDK_KEY_Down: case GDK_KEY_KP_Down: return Key::Down;
    case GDK_KEY_Home: case GDK_KEY_KP_Home: return Key::Home;
    case GDK_KEY_End: case GDK_KEY_KP_End: return Key::End;
    case GDK_KEY_Page_Up: case GDK_KEY_KP_Page_Up: return Key::PageUp;
    case GDK_KEY_Page_Down: case GDK_KEY_KP_Page_Down: return Key::PageDown;
    case GDK_KEY_BackSpace: return Key::Backspace;
    case GDK_KEY_Delete: case GDK_KEY_KP_Delete: return Key::Delete;
    default: return std::nullopt;
  }
}

// GTK takes only UTF-8; a skin or a caller may hand anything.
std::string ValidUtf8(const std::string& text) {
  if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) return text;
  gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
  std::string result(valid);
  g_free(valid);
  return result;
}


// The edit's font from the window's list (its id, else the default font).
PangoAttrList* EntryAttributes(const Skin& skin, const Control& edit) {
  const std::string id = edit.attribute("font");
  const FontSpec* font = nullptr;
  for (const FontSpec& f : skin.fonts) {
    if ((!id.empty() && f.id == ParseInt(id)) || (id.empty() && f.isDefault)) font = &f;
  }
  PangoAttrList* list = pango_attr_list_new();
  if (font == nullptr) return list;
  PangoFontDescription* desc = pango_font_description_new();
  if (!font->face.empty()) pango_font_description_set_family(desc, ValidUtf8(font->face).c_str());
  pango_font_description_set_absolute_size(desc, std::clamp(font->size, 1, 200) * PANGO_SCALE);
  pango_font_description_set_weight(desc, font->bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_font_description_set_style(desc, font->italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  pango_attr_list_insert(list, pango_attr_font_desc_new(desc));
  pango_font_description_free(desc);
  return list;
}

// The entry fills the edit's rectangle; the skin draws its frame.
void StyleEntry(GtkWidget* entry) {
  GtkCssProvider* css = gtk_css_provider_new();
  gtk_css_provider_load_from_data(
      css, "entry { min-height: 0; padding: 0 3px; margin: 0; border: none; border-radius: 0; box-shadow: none; }", -1,
      nullptr);
  gtk_style_context_add_provider(gtk_widget_get_style_context(entry), GTK_STYLE_PROVIDER(css),
                                 GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(css);
  gtk_entry_set_has_frame(GTK_ENTRY(entry), FALSE);
  gtk_entry_set_width_chars(GTK_ENTRY(entry), 0);
}

}  // namespace

// GTK's callbacks, with the host as their data.
struct GtkHost::Signals {
  static GtkHost* Of(gpointer data) { return static_cast<GtkHost*>(data); }
  static gboolean Draw(GtkWidget*, cairo_t* cr, gpointer self) {
    Of(self)->paint(cr);
    return TRUE;
  }
  static gboolean Pointer(GtkWidget*, GdkEvent* event, gpointer self) { return Of(self)->pointerEvent(event); }
  static gboolean Key(GtkWidget*, GdkEvent* event, gpointer self) { return Of(self)->keyEvent(event); }
  static gboolean Delete(GtkWidget*, GdkEvent*, gpointer self) {
    GtkHost* host = Of(self);
    if (host->m_closeRequest) {
      host->m_closeRequest();
    } else {
      host->close(0);
    }
    return TRUE;  // the window stays; its owner ends it
  }
  static gboolean Focus(GtkWidget*, GdkEventFocus* event, gpointer self) {
    if (event->in) {
      gtk_im_context_focus_in(Of(self)->m_im);
    } else {
      gtk_im_context_focus_out(Of(self)->m_im);
    }
    return FALSE;
  }
  static void Realize(GtkWidget* area, gpointer self) {
    gtk_im_context_set_client_window(Of(self)->m_im, gtk_widget_get_window(area));
  }
  static void Unrealize(GtkWidget*, gpointer self) { gtk_im_context_set_client_window(Of(self)->m_im, nullptr); }
  static void Commit(GtkIMContext*, const gchar* text, gpointer self) {
    Of(self)->window().textInput(text);
    Of(self)->scheduleEntrySync();
  }
  static void CompositedChanged(GdkScreen*, gpointer self) { Of(self)->applyVisual(); }
  static gboolean SyncEntry(gpointer self) {
    Of(self)->m_entrySyncSource = 0;  // ended by returning
    Of(self)->syncEntry();
    return G_SOURCE_REMOVE;
  }
  static void Changed(GtkEditable*, gpointer self) { Of(self)->entryChanged(); }
  static void Activate(GtkEntry*, gpointer self) {
    if (Control* edit = Of(self)->m_entryFor) Of(self)->window().notifyFor("return", *edit);
  }
  // numberonly: digits only, as typed text in the window is.
  static void InsertText(GtkEditable* editable, const gchar* text, gint length, gint*, gpointer self) {
    const Control* edit = Of(self)->m_entryFor;
    if (edit == nullptr || !ParseBool(edit->attribute("numberonly"))) return;
    for (gint i = 0; length < 0 ? text[i] != '\0' : i < length; ++i) {
      if (!g_ascii_isdigit(text[i])) {
        g_signal_stop_emission_by_name(editable, "insert-text");
        return;
      }
    }
  }
};

bool GtkHost::Init() {
  static const bool opened = [] {
    // Windows are painted with cairo in memory: OpenGL is never used, and
    // probing for it loads the driver stack (a software driver brings some
    // 45 MiB of LLVM with it). A setting the user made stays.
    g_setenv("GDK_GL", "disable", FALSE);
    g_gtkThread = std::this_thread::get_id();
    return gtk_init_check(nullptr, nullptr) != FALSE;
  }();
  return opened;
}

GtkHost::GtkHost(Window& window, MessageLoop& loop) : Host(window, loop) {
  const Size size = WindowSize(window.skin());
  m_window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWindow* win = GTK_WINDOW(m_window);
  gtk_window_set_decorated(win, FALSE);
  gtk_window_set_resizable(win, FALSE);
  gtk_window_set_default_size(win, size.cx, size.cy);
  gtk_widget_set_app_paintable(m_window, TRUE);

  m_fixed = gtk_fixed_new();
  gtk_container_add(GTK_CONTAINER(m_window), m_fixed);
  m_accessible = std::make_unique<AccessibleTree>(window);
  m_area = m_accessible->area();
  window.setChangeObserver([tree = m_accessible.get()](Control& c, Change what) { tree->changed(c, what); });
  gtk_widget_set_size_request(m_area, size.cx, size.cy);
  gtk_widget_set_can_focus(m_area, TRUE);
  gtk_widget_add_events(m_area, GDK_POINTER_MOTION_MASK | GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                    GDK_LEAVE_NOTIFY_MASK | GDK_SCROLL_MASK);
  gtk_fixed_put(GTK_FIXED(m_fixed), m_area, 0, 0);
  m_entry = gtk_entry_new();
  StyleEntry(m_entry);
  gtk_widget_set_no_show_all(m_entry, TRUE);
  gtk_fixed_put(GTK_FIXED(m_fixed), m_entry, 0, 0);
  gtk_widget_show(m_area);
  gtk_widget_show(m_fixed);

  m_im = gtk_im_multicontext_new();
  g_signal_connect(m_im, "commit", G_CALLBACK(Signals::Commit), this);
  g_signal_connect(m_area, "draw", G_CALLBACK(Signals::Draw), this);
  g_signal_connect(m_area, "realize", G_CALLBACK(Signals::Realize), this);
  g_signal_connect(m_area, "unrealize", G_CALLBACK(Signals::Unrealize), this);
  for (const char* signal : {"motion-notify-event", "button-press-event", "button-release-event", "leave-notify-event",
                             "scroll-event"}) {
    g_signal_connect(m_area, signal, G_CALLBACK(Signals::Pointer), this);
  }
  g_signal_connect(m_window, "key-press-event", G_CALLBACK(Signals::Key), this);
  g_signal_connect(m_window, "key-release-event", G_CALLBACK(Signals::Key), this);
  g_signal_connect(m_window, "focus-in-event", G_CALLBACK(Signals::Focus), this);
  g_signal_connect(m_window, "focus-out-event", G_CALLBACK(Signals::Focus), this);
  g_signal_connect(m_window, "delete-event", G_CALLBACK(Signals::Delete), this);
  g_signal_connect(m_entry, "changed", G_CALLBACK(Signals::Changed), this);
  g_signal_connect(m_entry, "activate", G_CALLBACK(Signals::Activate), this);
  g_signal_connect(m_entry, "insert-text", G_CALLBACK(Signals::InsertText), this);
  g_signal_connect(gtk_widget_get_screen(m_window), "composited-changed", G_CALLBACK(Signals::CompositedChanged), this);
  applyVisual();
}

GtkHost::~GtkHost() {
  window().setChangeObserver(nullptr);
  if (m_entrySyncSource != 0) g_source_remove(m_entrySyncSource);
  std::erase(g_blockedParents, this);
  g_signal_handlers_disconnect_by_data(gtk_widget_get_screen(m_window), this);
  gtk_widget_destroy(m_window);
  g_object_unref(m_im);
}

GtkWindow* GtkHost::gtkWindow() const { return GTK_WINDOW(m_window); }

std::optional<std::string> GtkHost::ChooseFolder(GtkHost* parent, const std::string& title) {
  GtkWidget* dialog = gtk_file_chooser_dialog_new(title.c_str(), parent != nullptr ? parent->gtkWindow() : nullptr,
                                                  GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, "_Cancel",
                                                  GTK_RESPONSE_CANCEL, "_Select", GTK_RESPONSE_ACCEPT, nullptr);
  gtk_file_chooser_set_create_folders(GTK_FILE_CHOOSER(dialog), TRUE);
  std::optional<std::string> chosen;
  if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
    if (char* folder = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog))) {
      chosen = folder;
      g_free(folder);
    }
  }
  gtk_widget_destroy(dialog);
  return chosen;
}

namespace {

void RunPlainMessage(const std::string& text) {
  GtkWidget* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_OTHER, GTK_BUTTONS_OK, "%s",
                                             ValidUtf8(text.substr(0, kMaxMessageChars)).c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), "");
  gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
  gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);  // over the window that asked for it
  gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
}

// A box asked for by another thread, which waits on it.
struct PlainMessageRequest {
  std::string text;
  std::mutex mutex;
  std::condition_variable dismissed;
  bool done = false;

  static gboolean Run(gpointer data) {
    auto* request = static_cast<PlainMessageRequest*>(data);
    RunPlainMessage(request->text);
    std::lock_guard<std::mutex> lock(request->mutex);
    request->done = true;
    request->dismissed.notify_all();
    return G_SOURCE_REMOVE;
  }
};

}  // namespace

double GtkHost::ScreenInfo(int& width, int& height) {
  width = height = 0;
  GdkDisplay* display = gdk_display_get_default();
  GdkMonitor* monitor = display != nullptr ? gdk_display_get_primary_monitor(display) : nullptr;
  if (monitor == nullptr && display != nullptr && gdk_display_get_n_monitors(display) > 0) {
    monitor = gdk_display_get_monitor(display, 0);  // no primary one named (a bare X server)
  }
  if (monitor == nullptr) return 1.0;
  GdkRectangle area;
  gdk_monitor_get_geometry(monitor, &area);
  const int scale = std::max(1, gdk_monitor_get_scale_factor(monitor));
  width = area.width * scale;
  height = area.height * scale;
  return scale;
}

void GtkHost::ShowPlainMessage(const std::string& text) {
  if (std::this_thread::get_id() == g_gtkThread) {
    RunPlainMessage(text);
    return;
  }
  // An idle source of the default context runs on the thread that runs it,
  // GTK's; g_main_context_invoke would run it here whenever it could take
  // the context.
  PlainMessageRequest request;
  request.text = text;
  g_idle_add(&PlainMessageRequest::Run, &request);
  std::unique_lock<std::mutex> lock(request.mutex);
  request.dismissed.wait(lock, [&request] { return request.done; });
}

void GtkHost::resized() {
  const Size size = WindowSize(window().skin());
  gtk_widget_set_size_request(m_area, size.cx, size.cy);
  // The default size too: a window not yet shown is placed by it.
  gtk_window_set_default_size(GTK_WINDOW(m_window), size.cx, size.cy);
  gtk_window_resize(GTK_WINDOW(m_window), size.cx, size.cy);
  applyVisual();  // the rounded shape of the new size
}

// Transparent or rounded skins: alpha when a compositor blends it, else an
// opaque window cut to the rounded shape, or, for a transparent skin without
// round corners, to what its paint covers (a square with the see-through
// parts painted white would show a halo around the card). The visual is fixed at
// realization, so a change of compositor realizes the window again.
void GtkHost::applyVisual() {
  const Skin& skin = window().skin();
  const Size radii = CornerRadii(skin);
  const bool shaped = skin.transparent || radii.cx > 0;
  GdkScreen* screen = gtk_widget_get_screen(m_window);
  GdkVisual* rgba = shaped && gdk_screen_is_composited(screen) ? gdk_screen_get_rgba_visual(screen) : nullptr;
  GdkVisual* visual = rgba != nullptr ? rgba : gdk_screen_get_system_visual(screen);
  if (gtk_widget_get_visual(m_window) != visual) {
    const bool shown = gtk_widget_get_visible(m_window);
    if (gtk_widget_get_realized(m_window)) {
      gtk_widget_hide(m_window);
      gtk_widget_unrealize(m_window);
    }
    gtk_widget_set_visual(m_window, visual);
    if (shown) gtk_widget_show(m_window);
  }
  m_rgba = rgba != nullptr;
  cairo_region_t* region = nullptr;
  if (!m_rgba && radii.cx > 0) {
    region = RoundedRegion(WindowSize(skin), radii);
  } else if (!m_rgba && skin.transparent) {
    region = OpaqueRegion(window());
  }
  gtk_widget_shape_combine_region(m_window, region);
  if (region != nullptr) cairo_region_destroy(region);
  gtk_widget_queue_draw(m_window);
}

void GtkHost::paint(cairo_t* cr) {
  GdkRectangle clip;
  if (!gdk_cairo_get_clip_rectangle(cr, &clip)) return;
  // What the skin leaves unpainted: see-through with alpha, else plain white.
  cairo_save(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  if (m_rgba) {
    cairo_set_source_rgba(cr, 0, 0, 0, 0);
  } else {
    cairo_set_source_rgb(cr, 1, 1, 1);
  }
  cairo_paint(cr);
  cairo_restore(cr);
  // The paint pass clips to the window's rounded shape itself.
  PaintWindow(cr, window(), scale(), Rect{clip.x, clip.y, clip.x + clip.width, clip.y + clip.height});
  if (m_firstPaint) std::exchange(m_firstPaint, nullptr)();
}

bool GtkHost::pointerEvent(GdkEvent* event) {
  if (!m_sensitive) return true;
  switch (event->type) {
    case GDK_MOTION_NOTIFY:
      window().pointerMove(static_cast<int>(std::floor(event->motion.x)), static_cast<int>(std::floor(event->motion.y)));
      return true;
    case GDK_BUTTON_PRESS: {  // double and triple presses also arrive as presses: not counted twice
      if (event->button.button != 1) return false;
      const int x = static_cast<int>(std::floor(event->button.x)), y = static_cast<int>(std::floor(event->button.y));
      if (startsDrag(x, y)) {
        gtk_window_begin_move_drag(GTK_WINDOW(m_window), 1, static_cast<int>(event->button.x_root),
                                   static_cast<int>(event->button.y_root), event->button.time);
      } else {
        window().pointerPress(x, y);
        syncEntry();  // now: keys queued behind the press belong to the entry
      }
      return true;
    }
    case GDK_BUTTON_RELEASE:
      if (event->button.button != 1) return false;
      window().pointerRelease(static_cast<int>(std::floor(event->button.x)), static_cast<int>(std::floor(event->button.y)));
      return true;
    case GDK_LEAVE_NOTIFY:
      window().pointerMove(-1, -1);
      return false;
    case GDK_SCROLL: {
      const GdkEventScroll& scroll = event->scroll;
      int steps = scroll.direction == GDK_SCROLL_UP ? -1 : scroll.direction == GDK_SCROLL_DOWN ? 1 : 0;
      if (scroll.direction == GDK_SCROLL_SMOOTH) steps = static_cast<int>(std::lround(std::clamp(scroll.delta_y, -100.0, 100.0)));
      if (steps != 0) window().wheel(static_cast<int>(std::floor(scroll.x)), static_cast<int>(std::floor(scroll.y)), steps);
      return true;
    }
    default:
      return false;
  }
}

// The caption band (insets from the left and right edges) drags, except
// over a control that takes the pointer or a link.
bool GtkHost::startsDrag(int x, int y) {
  const Skin& skin = window().skin();
  // An open list lies over the band (it opens upwards near the bottom) and takes the pointer first.
  const DropBox& list = window().dropBox();
  if (list.combo != nullptr && Contains(list.rect, x, y)) return false;
  const Rect band{skin.caption.left, skin.caption.top, WindowSize(skin).cx - skin.caption.right, skin.caption.bottom};
  if (!Contains(band, x, y) || window().hitTest(x, y) != nullptr) return false;
  return !OverLink(window(), *skin.root, x, y);
}

// Named keys go to the host's key rules; other text goes through the input
// method. While the entry has focus it keeps its own keys, except the ones
// that leave it (Tab) or close the window (Escape).
bool GtkHost::keyEvent(GdkEvent* event) {
  if (!m_sensitive) return true;
  GdkEventKey* key = &event->key;
  const bool inEntry = entryFocused();
  if (key->type == GDK_KEY_PRESS) {
    bool shift = (key->state & GDK_SHIFT_MASK) != 0;
    const std::optional<Key> named = KeyFor(key->keyval, &shift);
    if (named && (!inEntry || *named == Key::Tab || *named == Key::Escape)) {
      Host::key(*named, shift);
      syncEntry();
      return true;
    }
  }
  if (inEntry) return false;
  return gtk_im_context_filter_keypress(m_im, key);
}

void GtkHost::scheduleEntrySync() {
  if (m_entrySyncSource == 0) {
    m_entrySyncSource = g_idle_add_full(G_PRIORITY_HIGH_IDLE, Signals::SyncEntry, this, nullptr);
  }
}

// The window's focus widget, whether or not the window manager has made the
// window active: keys reach it either way.
bool GtkHost::entryFocused() const {
  return m_entryFor != nullptr && gtk_window_get_focus(GTK_WINDOW(m_window)) == m_entry;
}

void GtkHost::syncEntry() {
  if (m_entrySyncSource != 0) {
    g_source_remove(m_entrySyncSource);
    m_entrySyncSource = 0;
  }
  Control* edit = window().focused();
  if (edit != nullptr && (edit->kind() != "edit" || !edit->enabled || edit->rect.width() <= 0 || edit->rect.height() <= 0)) {
    edit = nullptr;
  }
  if (edit == nullptr) {
    if (m_entryFor == nullptr) return;
    const bool hadFocus = entryFocused();
    showsEntry(m_entryFor, false);
    m_entryFor = nullptr;
    gtk_widget_hide(m_entry);
    if (hadFocus) gtk_widget_grab_focus(m_area);
    return;
  }
  if (edit != m_entryFor) {
    if (m_entryFor != nullptr) showsEntry(m_entryFor, false);
    m_entryFor = edit;
    showsEntry(edit, true);
    configureEntry(*edit);
  } else if (const std::string text = ValidUtf8(edit->text()); text != gtk_entry_get_text(GTK_ENTRY(m_entry))) {
    m_syncingEntry = true;  // set by the program: no "textchanged" back
    gtk_entry_set_text(GTK_ENTRY(m_entry), text.c_str());
    m_syncingEntry = false;
  }
  gtk_fixed_move(GTK_FIXED(m_fixed), m_entry, edit->rect.left, edit->rect.top);
  gtk_widget_set_size_request(m_entry, edit->rect.width(), edit->rect.height());
  gtk_widget_show(m_entry);
  if (!entryFocused()) gtk_widget_grab_focus(m_entry);
}

// The entry draws the text and caret while it is over the edit; the paint
// pass leaves them out, so they are not drawn twice.
void GtkHost::showsEntry(Control* edit, bool shown) {
  edit->hostEditor = shown;
  window().invalidate(edit->rect);
}

void GtkHost::configureEntry(Control& edit) {
  GtkEntry* entry = GTK_ENTRY(m_entry);
  m_syncingEntry = true;
  gtk_entry_set_max_length(entry, static_cast<gint>(std::min(MaxChars(edit), kMaxEntryChars)));
  gtk_entry_set_visibility(entry, !ParseBool(edit.attribute("password")));
  gtk_editable_set_editable(GTK_EDITABLE(entry), !ParseBool(edit.attribute("readonly")));
  PangoAttrList* attributes = EntryAttributes(window().skin(), edit);
  gtk_entry_set_attributes(entry, attributes);
  pango_attr_list_unref(attributes);
  gtk_entry_set_text(entry, ValidUtf8(edit.text()).c_str());
  m_syncingEntry = false;
  m_accessible->nameEntry(m_entry, edit);
}

void GtkHost::entryChanged() {
  if (m_syncingEntry || m_entryFor == nullptr) return;
  Control& edit = *m_entryFor;
  window().setText(edit, gtk_entry_get_text(GTK_ENTRY(m_entry)));
  window().notifyFor("textchanged", edit);
}

void GtkHost::show() {
  GtkWindow* win = GTK_WINDOW(m_window);
  GtkHost* parent = modal() && !g_blockedParents.empty() ? g_blockedParents.back() : nullptr;
  gtk_window_set_modal(win, modal());
  gtk_window_set_transient_for(win, parent != nullptr && parent != this ? parent->gtkWindow() : nullptr);
  gtk_widget_show(m_window);
}

void GtkHost::hide() { gtk_widget_hide(m_window); }

void GtkHost::invalidate(const Rect& rect) {
  gtk_widget_queue_draw_area(m_area, rect.left, rect.top, rect.width(), rect.height());
  scheduleEntrySync();  // focus, text and layout changes all repaint
}

void GtkHost::minimize() { gtk_window_iconify(GTK_WINDOW(m_window)); }

void GtkHost::raise() { gtk_window_present(GTK_WINDOW(m_window)); }

int GtkHost::scale() const { return std::clamp(gtk_widget_get_scale_factor(m_window), 1, 2); }

void GtkHost::centre() {
  GtkWindow* win = GTK_WINDOW(m_window);
  gtk_window_set_position(win, GTK_WIN_POS_CENTER);
  GdkWindow* gdk = gtk_widget_get_window(m_window);
  if (gdk == nullptr) return;  // placed when first shown
  GdkRectangle area;
  gdk_monitor_get_workarea(gdk_display_get_monitor_at_window(gdk_window_get_display(gdk), gdk), &area);
  const Size size = WindowSize(window().skin());
  gtk_window_move(win, area.x + (area.width - size.cx) / 2, area.y + (area.height - size.cy) / 2);
}

void GtkHost::setTitle(const std::string& title) { gtk_window_set_title(GTK_WINDOW(m_window), ValidUtf8(title).c_str()); }

void GtkHost::setSensitive(bool sensitive) {
  m_sensitive = sensitive;
  std::erase(g_blockedParents, this);
  if (!sensitive) g_blockedParents.push_back(this);
  gtk_widget_set_sensitive(m_fixed, sensitive);
}

}  // namespace cwui
