// A window's behaviour without a display: pointer and keyboard input on the
// laid-out control tree, the hot, pushed, focused and selected states, and
// the notifications a window reacts to ("click", "selectchanged",
// "setfocus"). The hosts feed it events and paint what it holds.
#pragma once

#include "toolkit/ImageCache.h"
#include "toolkit/Skin.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace cwui {

struct Notification {
  std::string type;
  Control* sender = nullptr;
  int newIndex = -1, oldIndex = -1;  // "itemselect"
  std::string link;                  // "link": the target, or the link's index when it names none
};

// What changed on a control, for an observer that mirrors the tree (the
// accessibility bridge). Layout comes with the root after every relayout.
enum class Change { Text, Visible, Enabled, Checked, Item, Page, Value, Focus, Expanded, Layout };

enum class Key { Tab, Space, Return, Escape, Left, Right, Up, Down, Home, End, PageUp, PageDown, Backspace, Delete };

// An open combo's list, drawn inside the window over the controls, below the
// combo (or above it when there is no room below).
struct DropBox {
  Control* combo = nullptr;  // nullptr: closed
  Rect rect;                 // window pixels
  int hot = -1;              // item index under the pointer or the arrows
  struct Item {
    int index;  // into the combo's items
    Rect rect;
  };
  int first = 0;            // the first shown item, counted among the visible ones
  std::vector<Item> items;  // the shown (visible, scrolled into the box) items
};

class Window {
 public:
  // images: where pictures come from (the resource archive); none: no pictures.
  explicit Window(Skin skin, ImageCache::Source images = {});

  Skin& skin() { return m_skin; }
  const Skin& skin() const { return m_skin; }
  ImageCache& images() { return m_images; }
  Control* find(const std::string& name) const { return m_skin.find(name); }
  void setNotifier(std::function<void(const Notification&)> notifier) { m_notify = std::move(notifier); }
  // One observer of changes to the tree; nothing to stop it.
  void setChangeObserver(std::function<void(Control&, Change)> observer) { m_observe = std::move(observer); }
  // Sends a notification on the window's behalf (a host's native control reporting an edit).
  void notifyFor(const char* type, Control& sender);

  // Lays the tree out again (after a size, text or visibility change).
  void layout();
  // The host repaints what the window marks dirty (window pixels).
  void setInvalidator(std::function<void(const Rect&)> invalidator) { m_invalidate = std::move(invalidator); }
  void invalidate(const Rect& rect);
  void invalidate() { invalidate(m_skin.root->rect); }

  // The language of the window's texts (a tag such as "ja" or "zh-tw"; ""
  // for pango's default). Fonts follow it where one script is written in
  // more than one way: Han characters take their Japanese, Traditional
  // Chinese or Korean shapes. Relayouts and repaints.
  void setLanguage(const std::string& tag);
  const std::string& language() const { return m_language; }

  // Changes that relayout and repaint.
  void setText(Control& control, const std::string& text);
  // Any other attribute (a size, a picture, a colour): set as the skin
  // would, then the window is laid out and painted again.
  void setAttribute(Control& control, const std::string& name, const std::string& value);
  void setVisible(Control& control, bool visible);
  void setEnabled(Control& control, bool enabled);
  // The shown item of a tab layout.
  void selectItem(Control& tab, int index);
  // Progress: value within the control's min..max.
  void setValue(Control& progress, int value);

  // Combo: its items are its children; the selection is Control::selectedItem.
  // Choosing another sends "itemselect" with the new and old index.
  void selectComboItem(Control& combo, int index);
  const DropBox& dropBox() const { return m_dropBox; }
  void openDropBox(Control& combo);
  void closeDropBox();

  // The control that takes the pointer at (x, y): the topmost visible,
  // enabled, interactive one whose rectangle holds the point, or a text or
  // label showing markup when the point is on one of its links.
  Control* hitTest(int x, int y) const;
  void pointerMove(int x, int y);
  void pointerPress(int x, int y);
  void pointerRelease(int x, int y);

  // What a pointer click on the control does, without a pointer: focus for
  // the kinds that take it, then the click (a combo opens its list). Hidden
  // or disabled controls do nothing.
  void click(Control& control);
  // A click on one link of a text or label showing markup: sends "link".
  void followLink(Control& control, int link);

  // Tab / Shift+Tab: focus moves in visual order (top to bottom, then left
  // to right) among visible, enabled, focusable controls, and wraps. Every
  // link of a text or label showing markup is a stop of its own.
  void focusNext(bool backwards = false);
  Control* focused() const { return m_focused; }
  // The focused link of a text or label showing markup, -1 for other controls.
  int focusedLink() const { return m_focusLink; }
  // link: which link of a text or label showing markup (-1: its first).
  void setFocus(Control* control, int link = -1);
  // Space or Enter on the focused control: as a click.
  void pressFocused();
  // A key: Tab/Shift+Tab move focus, Space/Return press, arrows change the
  // focused combo's item or move in its open list (Return chooses, Escape
  // closes it), and in an edit keys edit its text and Return sends "return".
  // False when the key did nothing.
  bool keyPress(Key key, bool shift = false);
  // Text typed into the focused edit (bounded by its maxchar; numberonly
  // takes digits only); sends "textchanged".
  void textInput(const std::string& utf8);
  // Wheel steps over (x, y) (positive: down): scroll a rich edit or an open list.
  // A rich edit scrolls 3 lines of 20 px a step, within its text's height.
  void wheel(int x, int y, int steps);

  // Selects or clears an option; in a group, selecting one clears the others.
  void select(Control& option, bool selected);

 private:
  void activate(Control& control);
  void press(Control& control);  // Space or Enter: a link is followed, anything else activated
  void changed(Control& control, Change what) {
    if (m_observe) m_observe(control, what);
  }
  void notify(const char* type, Control* sender);
  struct FocusStop {
    Control* control;
    int link;  // -1: the control itself
    bool operator==(const FocusStop&) const = default;
  };
  std::vector<FocusStop> focusOrder() const;
  void setHot(Control* control, int link);
  int linkAt(const Control& control, int x, int y) const;
  void sendLink(Control& control, int link);

  // The open drop box: its rectangle and shown items from the combo and `first`.
  void placeDropBox();
  void scrollDropBox(int first);
  void showInDropBox(int position);  // scrolls so the visible item at position is shown
  void setDropBoxHot(int item);
  int dropBoxItemAt(int x, int y) const;
  void chooseDropBoxItem(int item);
  bool dropBoxKey(Key key);
  bool comboKey(Control& combo, Key key);

  bool editKey(Control& edit, Key key, bool shift);
  // Replaces the bytes from..to of the edit's text; false when nothing changed.
  bool replaceText(Control& edit, std::size_t from, std::size_t to, const std::string& text);
  bool richEditKey(Control& rich, Key key);
  bool scrollRichEdit(Control& rich, long long to);

  Skin m_skin;
  ImageCache m_images;
  std::string m_language;
  std::function<void(const Notification&)> m_notify;
  std::function<void(const Rect&)> m_invalidate;
  std::function<void(Control&, Change)> m_observe;
  DropBox m_dropBox;
  Control* m_hot = nullptr;
  Control* m_pushed = nullptr;
  Control* m_focused = nullptr;
  int m_focusLink = -1;             // the focused link in m_focused, -1 none
  int m_pushedLink = -1;            // the link pressed in m_pushed
  std::optional<int> m_dropBoxPress;  // a press inside the drop box, on this item (-1: none)
};

}  // namespace cwui
