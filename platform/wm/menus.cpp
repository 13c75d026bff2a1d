// menus.cpp: menus: the bar, pull-downs, mouse and keyboard.
//
// Menus live in a handle table. A window's bar is drawn in its non-client
// area, under the caption; an open pull-down is a top-level popup window of
// the layer owned by that window. The pull-down never becomes active, so the
// keyboard stays with its owner and every event reaches menu_handle_input
// first. One menu is operated at a time: the highlighted bar title, the open
// pull-down and its highlighted line. There is no modal loop, so timers and
// painting go on while a pull-down is open; a chosen command is posted.
// Limits: a bar is one row (titles past the right edge are cut off); an
// MF_POPUP line inside a pull-down is shown but does not open a cascade.
#include <algorithm>
#include <bitset>
#include <cctype>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "controls_internal.h"
#include "driver.h"
#include "fonts.h"
#include "menus_internal.h"
#include "metrics.h"
#include "wm.h"

namespace ws {

namespace {

struct MenuItem {
    UINT flags = 0;
    UINT_PTR id = 0;
    HMENU popup = nullptr;
    std::string text;
};

struct Menu {
    bool popup = false; // made by CreatePopupMenu
    std::vector<MenuItem> items;
};

HandleTable<Menu> menus;

// The menu being operated.
struct Tracking {
    HWND owner = nullptr; // the window whose bar is in menu mode
    int hot_title = -1;
    int open_title = -1;
    HWND popup = nullptr; // the open pull-down's window
    HMENU open_menu = nullptr;
    int hot_item = -1;
    bool button_held = false; // the press that opened the pull-down is still down
};
Tracking tr;

bool eat_release = false;    // the next button release belongs to a press the menu took
std::bitset<256> eaten_keys; // key-downs the menu took: their key-ups are taken too
bool alt_held = false;
bool alt_alone = false; // Alt went down and no other key since
int closing = 0;        // > 0 while the menu code destroys a pull-down itself

// Bounds that keep a wild caller from making huge menus.
constexpr size_t MAX_ITEM_TEXT = 1024;
constexpr size_t MAX_ITEMS = 4096;
constexpr int MAX_DEPTH = 32;
constexpr int BAR_INSET = 2; // pixels before the first bar title

Menu* find(HMENU h) {
    return menus.get(handle_value(h));
}

bool is_separator(const MenuItem& it) {
    return it.flags & MF_SEPARATOR;
}
bool is_inactive(const MenuItem& it) {
    return it.flags & (MF_GRAYED | MF_DISABLED);
}
bool choosable(const MenuItem& it) {
    return !(it.flags & (MF_GRAYED | MF_DISABLED | MF_SEPARATOR | MF_POPUP));
}

// The label before a "\t" and the shortcut after it.
struct ItemText {
    Label label;
    Label shortcut;
};
ItemText split_text(const std::string& t) {
    size_t tab = t.find('\t');
    ItemText r;
    r.label = parse_label(t.data(), tab == std::string::npos ? t.size() : tab);
    if (tab != std::string::npos) {
        r.shortcut = parse_label(t.data() + tab + 1, t.size() - tab - 1);
        r.shortcut.mnemonic = -1;
    }
    return r;
}

int text_width(const std::string& s) {
    return font_measure(ui_face(), s.data(), static_cast<int>(s.size())).cx;
}

// ---- Geometry ---------------------------------------------------------------

// The bar, in the window's surface pixels: the rows just above the client area.
Rect bar_rect(const Window& w) {
    Rect c = wm_client_rect(w);
    return {c.left, c.top - metrics::MENU_BAR_HEIGHT, c.right, c.top};
}

std::vector<Rect> title_rects(const Window& w, const Menu& bar) {
    std::vector<Rect> out;
    Rect b = bar_rect(w);
    int64_t x = int64_t{b.left} + BAR_INSET;
    for (const MenuItem& it : bar.items) {
        int64_t width = 2 * metrics::MENU_TITLE_PADDING;
        if (!is_separator(it)) width += text_width(split_text(it.text).label.shown);
        int64_t right = std::min<int64_t>(x + width, 1 << 24);
        out.push_back({static_cast<int>(x), b.top, static_cast<int>(right), b.bottom - 1});
        x = right;
    }
    return out;
}

int title_at(const Window& w, const Menu& bar, int x) {
    std::vector<Rect> rects = title_rects(w, bar);
    for (size_t i = 0; i < rects.size(); ++i)
        if (x >= rects[i].left && x < rects[i].right && !is_separator(bar.items[i]))
            return static_cast<int>(i);
    return -1;
}

// A pull-down's lines, in its window's surface pixels.
struct PopupLayout {
    std::vector<Rect> rows;
    int label_width = 0, shortcut_width = 0;
    int width = 0, height = 0;
};

PopupLayout popup_layout(const Menu& m, int min_width) {
    PopupLayout l;
    const int b = metrics::BORDER_WIDTH;
    int64_t label_w = 0, shortcut_w = 0;
    for (const MenuItem& it : m.items) {
        if (is_separator(it)) continue;
        ItemText t = split_text(it.text);
        label_w = std::max<int64_t>(label_w, text_width(t.label.shown));
        shortcut_w = std::max<int64_t>(shortcut_w, text_width(t.shortcut.shown));
    }
    int64_t width = 2 * b + metrics::MENU_CHECK_COLUMN + label_w + metrics::MENU_RIGHT_PADDING;
    if (shortcut_w > 0) width += metrics::MENU_SHORTCUT_GAP + shortcut_w;
    width = std::clamp<int64_t>(width, min_width, 16384);
    int64_t y = b + 2;
    for (const MenuItem& it : m.items) {
        int h = is_separator(it) ? metrics::MENU_SEPARATOR_HEIGHT : metrics::MENU_ITEM_HEIGHT;
        int64_t top = std::min<int64_t>(y, 1 << 24);
        l.rows.push_back({b, static_cast<int>(top), static_cast<int>(width - b),
                          static_cast<int>(std::min<int64_t>(top + h, 1 << 24))});
        y += h;
    }
    l.label_width = static_cast<int>(label_w);
    l.shortcut_width = static_cast<int>(shortcut_w);
    l.width = static_cast<int>(width);
    l.height = static_cast<int>(std::min<int64_t>(y + 2 + b, 16384));
    return l;
}

int popup_item_at(const Menu& m, const Window& pw, int x, int y) {
    PopupLayout l = popup_layout(m, pw.rect.width());
    for (size_t i = 0; i < l.rows.size(); ++i)
        if (l.rows[i].contains(x, y)) return static_cast<int>(i);
    return -1;
}

// ---- Painting ---------------------------------------------------------------

void draw_check(const Canvas& c, int x, int y, uint32_t pixel) {
    // A tick seven pixels wide, three thick.
    static const int TOP[7] = {2, 3, 4, 3, 2, 1, 0};
    for (int i = 0; i < 7; ++i)
        fill_rect(c, {x + i, y + TOP[i], x + i + 1, y + TOP[i] + 3}, pixel);
}

void draw_arrow(const Canvas& c, int x, int y, uint32_t pixel) {
    for (int i = 0; i < 4; ++i)
        fill_rect(c, {x + i, y + i, x + i + 1, y + 7 - i}, pixel);
}

void paint_bar(Window& w) {
    Canvas c = wm_window_canvas(w);
    Rect b = bar_rect(w);
    if (b.empty() || !c.pixels) return;
    fill_rect(c, b, look::FACE);
    fill_rect(c, {b.left, b.bottom - 1, b.right, b.bottom}, look::SHADOW);
    Menu* bar = find(w.menu);
    if (bar) {
        const FontFace* face = ui_face();
        int cell = font_metrics(face).height;
        int ty = b.top + (b.height() - 1 - cell) / 2;
        std::vector<Rect> rects = title_rects(w, *bar);
        bool tracking = tr.owner == w.handle;
        for (size_t i = 0; i < bar->items.size(); ++i) {
            const MenuItem& it = bar->items[i];
            if (is_separator(it)) continue;
            Label l = split_text(it.text).label;
            bool hot = tracking && tr.hot_title == static_cast<int>(i);
            Rect r = rects[i].intersect(b);
            if (r.empty()) break;
            if (hot) fill_rect(c, r, look::HIGHLIGHT);
            uint32_t colour = (it.flags & MF_GRAYED) ? look::GRAY_TEXT
                              : hot                  ? look::HIGHLIGHT_TEXT
                                                     : look::TEXT;
            draw_text_run(c.clipped_to(r), face, rects[i].left + metrics::MENU_TITLE_PADDING, ty,
                          l.shown.data(), 0, l.shown.size(), l.mnemonic, colour);
        }
    }
    wm_surface_touched(w, b);
}

void paint_popup() {
    Window* pw = wm_window(tr.popup);
    Menu* m = find(tr.open_menu);
    if (!pw || !m) return;
    Canvas c = wm_window_canvas(*pw);
    if (!c.pixels) return;
    Rect all{0, 0, pw->rect.width(), pw->rect.height()};
    fill_rect(c, all, look::MENU);
    draw_frame(c, all, look::SHADOW);
    PopupLayout l = popup_layout(*m, pw->rect.width());
    const FontFace* face = ui_face();
    int cell = font_metrics(face).height;
    for (size_t i = 0; i < m->items.size(); ++i) {
        const MenuItem& it = m->items[i];
        Rect row = l.rows[i];
        if (row.top >= all.bottom) break;
        if (is_separator(it)) {
            int y = row.top + row.height() / 2 - 1;
            fill_rect(c, {row.left + 2, y, row.right - 2, y + 1}, look::SHADOW);
            fill_rect(c, {row.left + 2, y + 1, row.right - 2, y + 2}, look::LIGHT);
            continue;
        }
        bool hot = static_cast<int>(i) == tr.hot_item;
        bool gray = it.flags & MF_GRAYED;
        if (hot) fill_rect(c, row, look::HIGHLIGHT);
        uint32_t colour = gray ? (hot ? look::HIGHLIGHT_GRAY : look::GRAY_TEXT)
                               : (hot ? look::HIGHLIGHT_TEXT : look::TEXT);
        Canvas rc = c.clipped_to(row);
        if (it.flags & MF_CHECKED)
            draw_check(rc, row.left + (metrics::MENU_CHECK_COLUMN - 7) / 2,
                       row.top + (row.height() - 7) / 2, colour);
        ItemText t = split_text(it.text);
        int ty = row.top + (row.height() - cell) / 2;
        draw_text_run(rc, face, row.left + metrics::MENU_CHECK_COLUMN, ty, t.label.shown.data(), 0,
                      t.label.shown.size(), t.label.mnemonic, colour);
        if (!t.shortcut.shown.empty()) {
            int x = row.right - metrics::MENU_RIGHT_PADDING - text_width(t.shortcut.shown);
            draw_text_run(rc, face, x, ty, t.shortcut.shown.data(), 0, t.shortcut.shown.size(), -1,
                          colour);
        }
        if (it.flags & MF_POPUP)
            draw_arrow(rc, row.right - metrics::MENU_RIGHT_PADDING + 2,
                       row.top + (row.height() - 7) / 2, colour);
    }
    wm_surface_touched(*pw, all);
}

// ---- Operating --------------------------------------------------------------

void close_popup() {
    HWND p = tr.popup;
    tr.popup = nullptr;
    tr.open_menu = nullptr;
    tr.open_title = -1;
    tr.hot_item = -1;
    tr.button_held = false;
    if (p && wm_window(p)) {
        ++closing;
        wm_destroy(p);
        --closing;
    }
}

void end_menu_mode() {
    HWND owner = tr.owner;
    close_popup();
    tr = Tracking{};
    if (Window* w = wm_window(owner))
        if (w->menu) paint_bar(*w);
}

void enter_menu_mode(Window& w, int title) {
    if (tr.owner && tr.owner != w.handle) end_menu_mode();
    tr.owner = w.handle;
    tr.hot_title = title;
    paint_bar(w);
}

// The next line from `from` in direction dir (+1, -1), wrapping and
// skipping separators; from -1 starts at the first (or last) line.
int step_line(const Menu& m, int from, int dir) {
    int n = static_cast<int>(m.items.size());
    int i = from;
    for (int k = 0; k < n; ++k) {
        i = i < 0 ? (dir > 0 ? 0 : n - 1) : (i + dir + n) % n;
        if (!is_separator(m.items[static_cast<size_t>(i)])) return i;
    }
    return -1;
}

int find_mnemonic(const Menu& m, char c) {
    for (size_t i = 0; i < m.items.size(); ++i)
        if (!is_separator(m.items[i]) && label_mnemonic(split_text(m.items[i].text).label) == c)
            return static_cast<int>(i);
    return -1;
}

void choose(UINT_PTR id) {
    HWND owner = tr.owner;
    end_menu_mode();
    if (wm_window(owner)) wm_post(owner, WM_COMMAND, make_wparam(static_cast<unsigned>(id), 0), 0);
}

// Opens the pull-down of bar title `title` of window w, closing any other;
// `select` highlights its first line (1), last line (-1) or none (0).
bool open_popup(Window& w, int title, int select) {
    Menu* bar = find(w.menu);
    if (!bar || title < 0 || title >= static_cast<int>(bar->items.size())) return false;
    if (tr.popup && tr.open_title == title) return true;
    close_popup();
    tr.hot_title = title;
    const MenuItem& it = bar->items[static_cast<size_t>(title)];
    HMENU sub = it.popup;
    Menu* pm = (it.flags & MF_POPUP) ? find(sub) : nullptr;
    if (!pm || is_inactive(it)) {
        paint_bar(w);
        return false;
    }
    Rect title_r = title_rects(w, *bar)[static_cast<size_t>(title)];
    Rect b = bar_rect(w);
    PopupLayout l = popup_layout(*pm, std::max(title_r.width(), 60));
    int64_t sw = driver().screen_width(), sh = driver().screen_height();
    int64_t x = int64_t{w.rect.left} + title_r.left;
    int64_t y = int64_t{w.rect.top} + b.bottom;
    if (x + l.width > sw) x = sw - l.width;
    if (x < 0) x = 0;
    if (y + l.height > sh) {
        int64_t above = int64_t{w.rect.top} + b.top - l.height;
        y = above >= 0 ? above : std::max<int64_t>(0, sh - l.height);
    }
    HWND h = CreateWindowExA(0, MENU_POPUP_CLASS, "", WS_POPUP | WS_BORDER, static_cast<int>(x),
                             static_cast<int>(y), l.width, l.height, w.handle, nullptr, nullptr,
                             nullptr);
    Window* pw = wm_window(h);
    if (!pw) {
        paint_bar(w);
        return false;
    }
    pw->enabled = false; // never active: the keyboard stays with the owner
    tr.popup = h;
    tr.open_menu = sub;
    tr.open_title = title;
    tr.hot_item = select ? step_line(*pm, -1, select) : -1;
    wm_show(*pw, true);
    paint_popup();
    paint_bar(w);
    return true;
}

// A bar title with a pull-down opens it; a bar title without one is a
// command of its own.
void open_or_choose(Window& w, int title, int select) {
    Menu* bar = find(w.menu);
    if (!bar || title < 0 || title >= static_cast<int>(bar->items.size())) return;
    const MenuItem& it = bar->items[static_cast<size_t>(title)];
    if (it.flags & MF_POPUP) {
        open_popup(w, title, select);
    } else if (choosable(it)) {
        choose(it.id);
    } else {
        close_popup();
        tr.hot_title = title;
        paint_bar(w);
    }
}

bool is_popup_window(const Window& w) {
    return w.cls && w.cls->name == MENU_POPUP_CLASS;
}

Menu* usable_bar(const Window& w) {
    if (!w.menu || !w.enabled || !wm_is_top_level(w)) return nullptr;
    Menu* bar = find(w.menu);
    return bar && step_line(*bar, -1, 1) >= 0 ? bar : nullptr;
}

// Pointer events over the open pull-down (its surface pixels).
bool popup_pointer(const InputEvent& ev, int x, int y) {
    Window* pw = wm_window(tr.popup);
    Menu* m = find(tr.open_menu);
    if (!pw || !m) return true;
    int i = popup_item_at(*m, *pw, x, y);
    const MenuItem* it = i >= 0 ? &m->items[static_cast<size_t>(i)] : nullptr;
    switch (ev.kind) {
    case InputEvent::Kind::PointerMove: {
        int hot = it && !is_separator(*it) ? i : -1;
        if (hot != tr.hot_item) {
            tr.hot_item = hot;
            paint_popup();
        }
        return true;
    }
    case InputEvent::Kind::PointerDown:
        eat_release = true;
        tr.button_held = false;
        if (it && choosable(*it)) choose(it->id);
        return true;
    default: { // release
        bool dragged = tr.button_held;
        tr.button_held = false;
        eat_release = false;
        if (dragged && it && choosable(*it)) choose(it->id);
        return true;
    }
    }
}

bool pointer(Window& top, const InputEvent& ev) {
    if (is_popup_window(top)) {
        if (top.handle != tr.popup) return true; // a pull-down on its way out
        return popup_pointer(ev, ev.x, ev.y);
    }
    // A driver that keeps sending to the pressed window while the button is
    // held reports the pull-down's area in the owner's pixels.
    if (tr.popup && top.handle == tr.owner)
        if (Window* pw = wm_window(tr.popup)) {
            int64_t sx = int64_t{top.rect.left} + ev.x, sy = int64_t{top.rect.top} + ev.y;
            if (sx >= pw->rect.left && sx < pw->rect.right && sy >= pw->rect.top &&
                sy < pw->rect.bottom)
                return popup_pointer(ev, static_cast<int>(sx - pw->rect.left),
                                     static_cast<int>(sy - pw->rect.top));
        }

    Menu* bar = usable_bar(top);
    bool on_bar = bar && bar_rect(top).contains(ev.x, ev.y);
    int title = on_bar ? title_at(top, *bar, ev.x) : -1;

    switch (ev.kind) {
    case InputEvent::Kind::PointerDown:
        if (on_bar) {
            eat_release = true;
            if (top.handle != wm_active()) wm_activate(top.handle);
            if (title < 0 || (tr.owner == top.handle && tr.open_title == title)) {
                if (tr.owner) end_menu_mode();
                return true;
            }
            enter_menu_mode(top, title);
            open_or_choose(top, title, 0);
            tr.button_held = tr.popup != nullptr;
            return true;
        }
        if (tr.owner) {
            // A press anywhere else closes the menu, and goes no further.
            end_menu_mode();
            eat_release = true;
            return true;
        }
        eat_release = false; // a release owed by a pull-down that went away is not ours
        return false;
    case InputEvent::Kind::PointerUp: {
        bool eaten = eat_release;
        eat_release = false;
        tr.button_held = false;
        return eaten;
    }
    default: // move
        if (tr.owner != top.handle) return false;
        if (title >= 0 && title != tr.hot_title) {
            if (tr.popup) {
                bool held = tr.button_held;
                open_popup(top, title, 0);
                tr.button_held = held && tr.popup;
            } else {
                tr.hot_title = title;
                paint_bar(top);
            }
        }
        return true;
    }
}

char key_letter(const InputEvent& ev) {
    if ((ev.vk >= 'A' && ev.vk <= 'Z') || (ev.vk >= '0' && ev.vk <= '9'))
        return static_cast<char>(std::tolower(ev.vk));
    if (ev.ch > 32 && ev.ch < 256) return static_cast<char>(std::tolower(ev.ch));
    return 0;
}

// A key-down in menu mode; every one is taken.
void menu_key(Window& top, const InputEvent& ev) {
    Menu* bar = find(top.menu);
    if (!bar) {
        end_menu_mode();
        return;
    }
    Menu* pm = tr.popup ? find(tr.open_menu) : nullptr;
    switch (ev.vk) {
    case VK_F10:
        end_menu_mode();
        return;
    case VK_ESCAPE:
        if (tr.popup) {
            close_popup();
            paint_bar(top);
        } else {
            end_menu_mode();
        }
        return;
    case VK_LEFT:
    case VK_RIGHT: {
        int t = step_line(*bar, tr.hot_title, ev.vk == VK_RIGHT ? 1 : -1);
        if (t < 0) return;
        if (tr.popup) {
            open_popup(top, t, 1);
        } else {
            tr.hot_title = t;
            paint_bar(top);
        }
        return;
    }
    case VK_DOWN:
    case VK_UP: {
        int dir = ev.vk == VK_DOWN ? 1 : -1;
        if (pm) {
            int i = step_line(*pm, tr.hot_item, dir);
            if (i >= 0 && i != tr.hot_item) {
                tr.hot_item = i;
                paint_popup();
            }
        } else {
            open_popup(top, tr.hot_title, dir);
        }
        return;
    }
    case VK_RETURN:
        if (pm) {
            if (tr.hot_item >= 0 && tr.hot_item < static_cast<int>(pm->items.size())) {
                const MenuItem& it = pm->items[static_cast<size_t>(tr.hot_item)];
                if (choosable(it)) choose(it.id);
            }
        } else {
            open_or_choose(top, tr.hot_title, 1);
        }
        return;
    default: {
        char c = key_letter(ev);
        if (!c) return;
        if (pm) {
            int i = find_mnemonic(*pm, c);
            if (i < 0) return;
            const MenuItem& it = pm->items[static_cast<size_t>(i)];
            if (choosable(it)) {
                choose(it.id);
            } else {
                tr.hot_item = i;
                paint_popup();
            }
            return;
        }
        int t = find_mnemonic(*bar, c);
        if (t >= 0) open_or_choose(top, t, 1);
        return;
    }
    }
}

bool take_eaten(int vk) {
    if (vk < 0 || vk > 255 || !eaten_keys[static_cast<size_t>(vk)]) return false;
    eaten_keys[static_cast<size_t>(vk)] = false;
    return true;
}

void mark_eaten(int vk) {
    if (vk >= 0 && vk <= 255) eaten_keys[static_cast<size_t>(vk)] = true;
}

bool key(Window& top, const InputEvent& ev) {
    int vk = ev.vk;
    if (ev.kind == InputEvent::Kind::KeyUp) {
        if (vk == VK_MENU) {
            bool alone = alt_alone;
            alt_held = alt_alone = false;
            if (take_eaten(vk)) return true;
            if (alone && !tr.owner)
                if (Menu* bar = usable_bar(top)) {
                    enter_menu_mode(top, step_line(*bar, -1, 1));
                    return true;
                }
            return false;
        }
        return take_eaten(vk);
    }

    if (vk == VK_MENU) {
        alt_held = true;
        if (tr.owner) {
            // Alt in menu mode leaves it.
            end_menu_mode();
            alt_alone = false;
            mark_eaten(vk);
            return true;
        }
        alt_alone = true;
        return false;
    }
    alt_alone = false;
    if (tr.owner) {
        if (tr.owner == top.handle) {
            mark_eaten(vk);
            menu_key(top, ev);
            return true;
        }
        end_menu_mode();
    }
    Menu* bar = usable_bar(top);
    if (!bar) return false;
    if (vk == VK_F10 && !alt_held) {
        enter_menu_mode(top, step_line(*bar, -1, 1));
        mark_eaten(vk);
        return true;
    }
    if (alt_held) {
        char c = key_letter(ev);
        int t = c ? find_mnemonic(*bar, c) : -1;
        if (t >= 0) {
            enter_menu_mode(top, t);
            open_or_choose(top, t, 1);
            mark_eaten(vk);
            return true;
        }
    }
    return false;
}

// Whether the tree of menu `root` holds `target` (a cycle guard for
// AppendMenuA; a tree too deep to check counts as holding it).
bool holds(HMENU root, HMENU target, int depth) {
    if (root == target || depth > MAX_DEPTH) return true;
    Menu* m = find(root);
    if (!m) return false;
    for (const MenuItem& it : m->items)
        if ((it.flags & MF_POPUP) && holds(it.popup, target, depth + 1)) return true;
    return false;
}

MenuItem* by_command(HMENU h, UINT id, int depth) {
    Menu* m = find(h);
    if (!m || depth > MAX_DEPTH) return nullptr;
    for (MenuItem& it : m->items) {
        if (it.flags & MF_POPUP) {
            if (MenuItem* found = by_command(it.popup, id, depth + 1)) return found;
        } else if (!is_separator(it) && it.id == id) {
            return &it;
        }
    }
    return nullptr;
}

void destroy_tree(HMENU h, int depth) {
    Menu* m = find(h);
    if (!m || depth > MAX_DEPTH) return;
    std::vector<HMENU> subs;
    for (const MenuItem& it : m->items)
        if (it.flags & MF_POPUP) subs.push_back(it.popup);
    menus.remove(handle_value(h));
    for (HMENU s : subs)
        destroy_tree(s, depth + 1);
}

// A change to a menu that is on screen while it is being operated ends the
// operation: its layout no longer holds.
void menu_changed(HMENU h) {
    if (!tr.owner) return;
    Window* o = wm_window(tr.owner);
    if (!o || o->menu == h || tr.open_menu == h) end_menu_mode();
}

LRESULT CALLBACK popup_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        if (hwnd == tr.popup) paint_popup();
        EndPaint(hwnd, &ps);
        return 0;
    }
    default:
        return DefWindowProcA(hwnd, msg, wparam, lparam);
    }
}

} // namespace

void menu_register_class() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = popup_proc;
    wc.lpszClassName = MENU_POPUP_CLASS;
    RegisterClassA(&wc);
}

void menu_paint_bar(Window& w) {
    if (wm_is_top_level(w) && w.menu) paint_bar(w);
}

bool menu_handle_input(Window& top, const InputEvent& ev) {
    // A menu whose window went away, was hidden or disabled is given up.
    if (tr.owner) {
        Window* o = wm_window(tr.owner);
        if (!o || !o->visible || !o->enabled || !find(o->menu)) end_menu_mode();
    }
    switch (ev.kind) {
    case InputEvent::Kind::PointerDown:
    case InputEvent::Kind::PointerUp:
    case InputEvent::Kind::PointerMove:
        return pointer(top, ev);
    case InputEvent::Kind::KeyDown:
    case InputEvent::Kind::KeyUp:
        return key(top, ev);
    case InputEvent::Kind::FocusOut:
        alt_held = alt_alone = false;
        if (tr.owner == top.handle) end_menu_mode();
        return false;
    case InputEvent::Kind::FocusIn:
        if (tr.owner && tr.owner != top.handle && !is_popup_window(top)) end_menu_mode();
        return false;
    case InputEvent::Kind::Close:
    case InputEvent::Kind::Resize:
    case InputEvent::Kind::Framed:
        if (tr.owner == top.handle) end_menu_mode();
        return false;
    default:
        return false;
    }
}

void menu_cancel() {
    if (closing) return;
    if (tr.owner || tr.popup) end_menu_mode();
}

void menu_destroy(HMENU menu) {
    if (!find(menu)) return;
    menu_changed(menu);
    if (tr.owner && tr.open_menu && !find(tr.open_menu)) end_menu_mode();
    destroy_tree(menu, 0);
    if (tr.open_menu && !find(tr.open_menu)) end_menu_mode();
}

void menu_reset() {
    menus.clear();
    tr = Tracking{};
    eat_release = false;
    eaten_keys.reset();
    alt_held = alt_alone = false;
    closing = 0;
}

bool menu_is_live(HMENU h) {
    return find(h) != nullptr;
}

int menu_item_count(HMENU h) {
    Menu* m = find(h);
    return m ? static_cast<int>(m->items.size()) : -1;
}

bool menu_item_view(HMENU h, int position, MenuItemView& out) {
    Menu* m = find(h);
    if (!m || position < 0 || position >= static_cast<int>(m->items.size())) return false;
    const MenuItem& it = m->items[static_cast<size_t>(position)];
    out = MenuItemView{it.flags, it.id, it.popup, it.text};
    return true;
}

MenuTrackView menu_track_view() {
    return MenuTrackView{tr.owner, tr.hot_title, tr.open_title, tr.popup, tr.hot_item};
}

Rect menu_title_rect(HWND hwnd, int title) {
    Window* w = wm_window(hwnd);
    Menu* bar = w && wm_is_top_level(*w) ? find(w->menu) : nullptr;
    if (!bar || title < 0 || title >= static_cast<int>(bar->items.size())) return {};
    return title_rects(*w, *bar)[static_cast<size_t>(title)];
}

Rect menu_popup_item_rect(int position) {
    Window* pw = wm_window(tr.popup);
    Menu* m = find(tr.open_menu);
    if (!pw || !m || position < 0 || position >= static_cast<int>(m->items.size())) return {};
    return popup_layout(*m, pw->rect.width()).rows[static_cast<size_t>(position)];
}

} // namespace ws

using namespace ws;

extern "C" {

HMENU WINAPI CreateMenu(void) {
    return make_handle<HMENU>(menus.add(std::make_unique<Menu>()));
}

HMENU WINAPI CreatePopupMenu(void) {
    auto m = std::make_unique<Menu>();
    m->popup = true;
    return make_handle<HMENU>(menus.add(std::move(m)));
}

BOOL WINAPI AppendMenuA(HMENU menu, UINT flags, UINT_PTR id_or_popup, LPCSTR text) {
    Menu* m = find(menu);
    if (!m || m->items.size() >= MAX_ITEMS) return FALSE;
    MenuItem it;
    if (flags & MF_SEPARATOR) {
        it.flags = MF_SEPARATOR; // a separator has no text, command or state
    } else {
        it.flags = flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_POPUP);
        if (flags & MF_POPUP) {
            HMENU sub = make_handle<HMENU>(id_or_popup);
            if (!find(sub) || holds(sub, menu, 0)) return FALSE;
            it.popup = sub;
        } else {
            it.id = id_or_popup;
        }
        if (text) it.text.assign(text, strnlen(text, MAX_ITEM_TEXT));
    }
    menu_changed(menu);
    m->items.push_back(std::move(it));
    return TRUE;
}

BOOL WINAPI SetMenu(HWND hwnd, HMENU menu) {
    Window* w = wm_window(hwnd);
    if (!w || !wm_is_top_level(*w)) return FALSE;
    if (menu && !find(menu)) return FALSE;
    if (tr.owner == hwnd) end_menu_mode();
    Rect before = wm_client_rect(*w);
    w->menu = menu;
    Rect after = wm_client_rect(*w);
    wm_paint_nonclient(*w);
    // A menu bar set during WM_CREATE changes no size that the window has
    // been told: creation's own WM_SIZE comes after it.
    if (!w->creating && (after.width() != before.width() || after.height() != before.height())) {
        wm_send(hwnd, WM_SIZE, 0, MAKELPARAM(after.width(), after.height()));
        if ((w = wm_window(hwnd)) == nullptr) return TRUE;
        wm_invalidate(*w, nullptr, true);
    }
    return TRUE;
}

BOOL WINAPI DrawMenuBar(HWND hwnd) {
    Window* w = wm_window(hwnd);
    if (!w || !wm_is_top_level(*w) || !w->menu) return FALSE;
    paint_bar(*w);
    return TRUE;
}

DWORD WINAPI CheckMenuItem(HMENU menu, UINT id, UINT check) {
    MenuItem* it = nullptr;
    if (check & MF_BYPOSITION) {
        Menu* m = find(menu);
        if (m && id < m->items.size()) it = &m->items[id];
    } else {
        it = by_command(menu, id, 0);
    }
    if (!it) return static_cast<DWORD>(-1);
    DWORD previous = it->flags & MF_CHECKED;
    if (check & MF_CHECKED)
        it->flags |= MF_CHECKED;
    else
        it->flags &= ~static_cast<UINT>(MF_CHECKED);
    if (tr.popup) paint_popup();
    return previous;
}

} // extern "C"
