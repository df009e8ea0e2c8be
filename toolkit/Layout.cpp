#include "toolkit/Layout.h"

#include <algorithm>

namespace cwui {
namespace {

int Clamp(int value, int minimum, int maximum) {
  if (maximum > 0) value = std::min(value, maximum);
  return std::max(value, minimum);
}

void Hide(Control& control) {
  control.rect = {};
  for (const auto& child : control.children()) Hide(*child);
}

Rect Inner(const Control& c) {
  return {c.rect.left + c.inset.left, c.rect.top + c.inset.top, c.rect.right - c.inset.right,
          c.rect.bottom - c.inset.bottom};
}

// A stacked child's size along the stacking direction, and across it.
struct Axis {
  bool vertical;
  int along(const Control& c) const { return vertical ? c.fixedHeight() : c.fixedWidth(); }
  int across(const Control& c) const { return vertical ? c.fixedWidth() : c.fixedHeight(); }
  int minAlong(const Control& c) const { return vertical ? c.minHeight : c.minWidth; }
  int maxAlong(const Control& c) const { return vertical ? c.maxHeight : c.maxWidth; }
  int minAcross(const Control& c) const { return vertical ? c.minWidth : c.minHeight; }
  int maxAcross(const Control& c) const { return vertical ? c.maxWidth : c.maxHeight; }
  int marginAlong(const Control& c) const { return vertical ? c.padding.top + c.padding.bottom : c.padding.left + c.padding.right; }
};

void PlaceFloating(Control& child, const Control& parent) {
  const int left = parent.rect.left + child.pos.left;
  const int top = parent.rect.top + child.pos.top;
  LayoutControl(child, {left, top, left + std::max(child.pos.width(), 0), top + std::max(child.pos.height(), 0)});
}

void LayoutStack(Control& parent, const Axis& axis) {
  const Rect inner = Inner(parent);
  std::vector<Control*> flow;
  for (const auto& child : parent.children()) {
    if (!child->visible) {
      Hide(*child);
    } else if (child->floating) {
      PlaceFloating(*child, parent);
    } else {
      flow.push_back(child.get());
    }
  }
  // Sizes along the axis: fixed ones first; the sharers split what is left,
  // and a sharer held by its min or max becomes fixed for another round.
  std::vector<int> size(flow.size(), 0);
  std::vector<bool> shares(flow.size(), false);
  int fixed = 0;
  for (std::size_t i = 0; i < flow.size(); ++i) {
    fixed += axis.marginAlong(*flow[i]) + (i > 0 ? parent.childPadding : 0);
    if (axis.along(*flow[i]) > 0) {
      size[i] = Clamp(axis.along(*flow[i]), axis.minAlong(*flow[i]), axis.maxAlong(*flow[i]));
      fixed += size[i];
    } else {
      shares[i] = true;
    }
  }
  const int total = axis.vertical ? inner.height() : inner.width();
  for (bool settled = false; !settled;) {
    settled = true;
    const int sharers = static_cast<int>(std::count(shares.begin(), shares.end(), true));
    if (sharers == 0) break;
    const int left = std::max(total - fixed, 0);
    int given = 0, seen = 0;
    for (std::size_t i = 0; i < flow.size(); ++i) {
      if (!shares[i]) continue;
      const int even = ++seen == sharers ? left - given : left / sharers;
      const int clamped = Clamp(even, axis.minAlong(*flow[i]), axis.maxAlong(*flow[i]));
      size[i] = clamped;
      given += even;
      if (clamped != even) {
        shares[i] = false;
        fixed += clamped;
        settled = false;
      }
    }
  }
  // A vertical layout with vscrollbar shows what it holds from scrollY down,
  // within what is there to show.
  const bool scrolls = axis.vertical && parent.attribute("vscrollbar") == "true";
  if (scrolls) {
    int content = 0;
    for (std::size_t i = 0; i < flow.size(); ++i) {
      content += size[i] + axis.marginAlong(*flow[i]) + (i > 0 ? parent.childPadding : 0);
    }
    parent.scrollHeight = content;
    parent.scrollY = std::clamp(parent.scrollY, 0, std::max(content - inner.height(), 0));
  }
  int cursor = axis.vertical ? inner.top - (scrolls ? parent.scrollY : 0) : inner.left;
  for (std::size_t i = 0; i < flow.size(); ++i) {
    Control& child = *flow[i];
    if (i > 0) cursor += parent.childPadding;
    const Rect& m = child.padding;
    const int room = (axis.vertical ? inner.width() - m.left - m.right : inner.height() - m.top - m.bottom);
    const int across = Clamp(axis.across(child) > 0 ? axis.across(child) : std::max(room, 0), axis.minAcross(child),
                             axis.maxAcross(child));
    Rect r;
    if (axis.vertical) {
      r = {inner.left + m.left, cursor + m.top, inner.left + m.left + across, cursor + m.top + size[i]};
      cursor = r.bottom + m.bottom;
    } else {
      r = {cursor + m.left, inner.top + m.top, cursor + m.left + size[i], inner.top + m.top + across};
      cursor = r.right + m.right;
    }
    LayoutControl(child, r);
  }
}

// Every child gets the whole inner rectangle (less its padding), or its fixed
// size at the top-left; a tab layout lays out only its selected item.
void LayoutOverlay(Control& parent, bool tab) {
  const Rect inner = Inner(parent);
  int index = 0;
  for (const auto& child : parent.children()) {
    const bool shown = child->visible && (!tab || index == parent.selectedId);
    ++index;
    if (!shown) {
      Hide(*child);
      continue;
    }
    if (child->floating) {
      PlaceFloating(*child, parent);
      continue;
    }
    const Rect& m = child->padding;
    Rect r{inner.left + m.left, inner.top + m.top, inner.right - m.right, inner.bottom - m.bottom};
    if (child->fixedWidth() > 0) r.right = r.left + child->fixedWidth();
    if (child->fixedHeight() > 0) r.bottom = r.top + child->fixedHeight();
    r.right = r.left + Clamp(std::max(r.width(), 0), child->minWidth, child->maxWidth);
    r.bottom = r.top + Clamp(std::max(r.height(), 0), child->minHeight, child->maxHeight);
    LayoutControl(*child, r);
  }
}

}  // namespace

void LayoutControl(Control& control, const Rect& area) {
  // A negative size (a skin's "-50,560", insets wider than the control) is none.
  control.rect = {area.left, area.top, std::max(area.right, area.left), std::max(area.bottom, area.top)};
  if (control.kind() == "verticallayout") {
    LayoutStack(control, Axis{true});
  } else if (control.kind() == "horizontallayout") {
    LayoutStack(control, Axis{false});
  } else {
    LayoutOverlay(control, control.kind() == "tablayout");
  }
}

void LayoutSkin(Skin& skin) {
  if (skin.root) LayoutControl(*skin.root, {0, 0, skin.size.cx, skin.size.cy});
}

}  // namespace cwui
