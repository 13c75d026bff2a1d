// controls.cpp: the built-in controls "edit", "button" and "static", the
// registration of every class the layer brings (the dialog and pull-down
// classes too), and the label, wrapping and frame helpers that the menus
// and dialogs share.
//
// All three controls draw in WM_PAINT, in the layer's user-interface font.
// The edit box is a real one: text, a drawn caret (no blinking), typing,
// Backspace and Delete, arrows, Home and End, word wrap and vertical
// scrolling when it is multi-line, a click that places the caret. Limits:
// no selection, no clipboard, no undo; a push button only (no check boxes
// or radio buttons); a static control shows text only.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "controls_internal.h"
#include "gdi.h"
#include "metrics.h"
#include "wm.h"

namespace ws {

// ---- Shared helpers ---------------------------------------------------------

const FontFace* ui_face() {
    return font_resolve({-metrics::UI_FONT_HEIGHT, FW_NORMAL, false, metrics::UI_FACE});
}

Label parse_label(const char* text, size_t length) {
    Label l;
    if (!text) return l;
    for (size_t i = 0; i < length; ++i) {
        char c = text[i];
        if (c == '&' && i + 1 < length) {
            ++i;
            if (text[i] != '&' && l.mnemonic < 0) l.mnemonic = static_cast<int>(l.shown.size());
            l.shown.push_back(text[i]);
        } else if (c != '&') {
            l.shown.push_back(c);
        }
    }
    return l;
}

char label_mnemonic(const Label& label) {
    if (label.mnemonic < 0 || label.mnemonic >= static_cast<int>(label.shown.size())) return 0;
    return static_cast<char>(
        std::tolower(static_cast<unsigned char>(label.shown[static_cast<size_t>(label.mnemonic)])));
}

void draw_text_run(const Canvas& c, const FontFace* face, int x, int y, const char* text,
                   size_t first, size_t length, int underline, uint32_t pixel) {
    if (!text || length == 0) return;
    int n = static_cast<int>(std::min<size_t>(length, 1 << 20));
    font_draw(c, face, x, y, text + first, n, pixel);
    if (underline < 0) return;
    size_t u = static_cast<size_t>(underline);
    if (u < first || u >= first + static_cast<size_t>(n)) return;
    FontMetrics m = font_metrics(face);
    int ux = x + font_measure(face, text + first, static_cast<int>(u - first)).cx;
    int uw = font_measure(face, text + u, 1).cx;
    int uy = std::min(y + m.ascent + 1, y + m.height - 1);
    fill_rect(c, {ux, uy, ux + uw, uy + 1}, pixel);
}

void draw_frame(const Canvas& c, const Rect& r, uint32_t pixel) {
    if (r.empty()) return;
    fill_rect(c, {r.left, r.top, r.right, r.top + 1}, pixel);
    fill_rect(c, {r.left, r.bottom - 1, r.right, r.bottom}, pixel);
    fill_rect(c, {r.left, r.top, r.left + 1, r.bottom}, pixel);
    fill_rect(c, {r.right - 1, r.top, r.right, r.bottom}, pixel);
}

namespace {

bool is_break(char c) {
    return c == '\r' || c == '\n';
}

int char_width(const FontFace* face, char c) {
    return font_measure(face, &c, 1).cx;
}

// The end of the visual line that starts at s in paragraph [s, q).
size_t fit_line(const FontFace* face, const char* text, size_t s, size_t q, int width) {
    int64_t w = 0;
    size_t e = s, word_break = s;
    while (e < q) {
        int cw = char_width(face, text[e]);
        if (w + cw > width && e > s) break;
        w += cw;
        ++e;
        if (text[e - 1] == ' ') word_break = e;
    }
    if (e == q) return q;
    if (text[e] == ' ') {
        // Spaces at the edge hang past it rather than start the next line.
        while (e < q && text[e] == ' ')
            ++e;
        return e;
    }
    return word_break > s ? word_break : e;
}

} // namespace

void wrap_text(const FontFace* face, const char* text, size_t length, int width,
               std::vector<TextLine>& lines) {
    lines.clear();
    width = std::max(width, 1);
    size_t p = 0;
    for (;;) {
        size_t q = p;
        while (q < length && !is_break(text[q]))
            ++q;
        size_t s = p;
        do {
            size_t e = fit_line(face, text, s, q, width);
            lines.push_back({s, e});
            s = e;
        } while (s < q);
        if (q >= length) break;
        p = q + ((text[q] == '\r' && q + 1 < length && text[q + 1] == '\n') ? 2 : 1);
    }
}

namespace {

// ---- Edit -------------------------------------------------------------------

// The most an edit box holds, as the real system's default limit.
constexpr size_t EDIT_MAX_TEXT = 32767;

struct EditState : ControlState {
    std::string text;
    size_t caret = 0;   // byte offset, never inside a "\r\n"
    int first_line = 0; // multi-line: the top visible line
    int scroll_x = 0;   // single-line: pixels scrolled off on the left
    bool focused = false;
    bool control_down = false;
};

EditState* edit_state(Window* w) {
    return w ? dynamic_cast<EditState*>(w->control.get()) : nullptr;
}

bool is_multiline(const Window& w) {
    return w.style & ES_MULTILINE;
}

int line_height() {
    return std::max(1, font_metrics(ui_face()).height);
}

int area_width(const Window& w) {
    return std::max(1, wm_client_rect(w).width() - 2 * metrics::EDIT_MARGIN_X);
}

int visible_lines(const Window& w) {
    return std::max(1, (wm_client_rect(w).height() - 2 * metrics::EDIT_MARGIN_Y) / line_height());
}

void edit_lines(const Window& w, const EditState& s, std::vector<TextLine>& lines) {
    if (is_multiline(w)) {
        wrap_text(ui_face(), s.text.data(), s.text.size(), area_width(w), lines);
    } else {
        lines.assign(1, TextLine{0, s.text.size()});
    }
}

// The line the caret shows on: at a soft wrap, the start of the next line.
int caret_line(const std::vector<TextLine>& lines, size_t caret) {
    int found = 0;
    for (size_t i = 0; i < lines.size() && lines[i].start <= caret; ++i)
        found = static_cast<int>(i);
    return found;
}

// The last caret position on line i: its end, or for a line that wraps
// softly into the next, just before its last character.
size_t line_last(const std::vector<TextLine>& lines, size_t i) {
    const TextLine& l = lines[i];
    bool soft = i + 1 < lines.size() && lines[i + 1].start == l.end;
    return soft && l.end > l.start ? l.end - 1 : l.end;
}

int x_of(const EditState& s, const TextLine& l, size_t pos) {
    return font_measure(ui_face(), s.text.data() + l.start, static_cast<int>(pos - l.start)).cx;
}

// The caret position on line i nearest to x (text-area pixels).
size_t pos_at_x(const EditState& s, const std::vector<TextLine>& lines, size_t i, int64_t x) {
    const TextLine& l = lines[i];
    size_t last = line_last(lines, i);
    int64_t at = 0;
    for (size_t p = l.start; p < last; ++p) {
        int cw = char_width(ui_face(), s.text[p]);
        if (x < at + (cw + 1) / 2) return p;
        at += cw;
    }
    return last;
}

bool fits(const Window& w, const EditState& s) {
    if (is_multiline(w)) {
        if (w.style & ES_AUTOVSCROLL) return true;
        std::vector<TextLine> lines;
        edit_lines(w, s, lines);
        return static_cast<int>(lines.size()) <= visible_lines(w);
    }
    if (w.style & ES_AUTOHSCROLL) return true;
    return font_measure(ui_face(), s.text.data(), static_cast<int>(s.text.size())).cx <=
           area_width(w);
}

void ensure_caret_visible(const Window& w, EditState& s) {
    std::vector<TextLine> lines;
    edit_lines(w, s, lines);
    if (is_multiline(w)) {
        int vis = visible_lines(w);
        int line = caret_line(lines, s.caret);
        int most = std::max(0, static_cast<int>(lines.size()) - vis);
        s.first_line = std::clamp(s.first_line, 0, most);
        if (line < s.first_line) s.first_line = line;
        if (line >= s.first_line + vis) s.first_line = line - vis + 1;
    } else {
        int x = x_of(s, lines[0], s.caret);
        int width = area_width(w);
        if (x < s.scroll_x) s.scroll_x = x;
        if (x - s.scroll_x > width - 1) s.scroll_x = x - width + 1;
        s.scroll_x = std::max(s.scroll_x, 0);
    }
}

bool edit_insert(const Window& w, EditState& s, const char* piece, size_t n) {
    if (s.text.size() + n > EDIT_MAX_TEXT) return false;
    s.text.insert(s.caret, piece, n);
    s.caret += n;
    if (!fits(w, s)) {
        s.caret -= n;
        s.text.erase(s.caret, n);
        return false;
    }
    return true;
}

size_t step_back(const EditState& s, size_t p) {
    if (p == 0) return 0;
    if (p >= 2 && s.text[p - 2] == '\r' && s.text[p - 1] == '\n') return p - 2;
    return p - 1;
}

size_t step_forward(const EditState& s, size_t p) {
    if (p >= s.text.size()) return s.text.size();
    if (s.text[p] == '\r' && p + 1 < s.text.size() && s.text[p + 1] == '\n') return p + 2;
    return p + 1;
}

void edit_key(const Window& w, EditState& s, WPARAM vk, LPARAM lparam) {
    std::vector<TextLine> lines;
    edit_lines(w, s, lines);
    size_t line = static_cast<size_t>(caret_line(lines, s.caret));
    bool multi = is_multiline(w);
    switch (vk) {
    case VK_LEFT:
        s.caret = step_back(s, s.caret);
        break;
    case VK_RIGHT:
        s.caret = step_forward(s, s.caret);
        break;
    case VK_HOME:
        s.caret = lines[line].start;
        break;
    case VK_END:
        s.caret = line_last(lines, line);
        break;
    case VK_UP:
    case VK_DOWN: {
        if (!multi) {
            s.caret = vk == VK_UP ? step_back(s, s.caret) : step_forward(s, s.caret);
            break;
        }
        size_t target = vk == VK_UP ? line - 1 : line + 1;
        if ((vk == VK_UP && line == 0) || target >= lines.size()) break;
        s.caret = pos_at_x(s, lines, target, x_of(s, lines[line], s.caret));
        break;
    }
    case VK_DELETE: {
        size_t end = step_forward(s, s.caret);
        s.text.erase(s.caret, end - s.caret);
        break;
    }
    case VK_RETURN:
        // Control+Enter breaks the line; a driver that gives no character
        // for it has it done here rather than by the WM_CHAR that follows.
        if (multi && s.control_down && ((static_cast<uint32_t>(lparam) >> 16) & 0xFF) == 0)
            edit_insert(w, s, "\r\n", 2);
        break;
    default:
        return;
    }
}

void edit_char(const Window& w, EditState& s, unsigned ch) {
    if (ch == 8) {
        size_t start = step_back(s, s.caret);
        s.text.erase(start, s.caret - start);
        s.caret = start;
    } else if (ch == 10 || ch == 13) {
        // Enter reaches an edit box only outside a dialog; Control+Enter
        // (a line feed) always does.
        if (is_multiline(w)) edit_insert(w, s, "\r\n", 2);
    } else if (ch >= 32 && ch != 127 && ch < 256) {
        char c = static_cast<char>(ch);
        edit_insert(w, s, &c, 1);
    }
}

void edit_click(const Window& w, EditState& s, int x, int y) {
    std::vector<TextLine> lines;
    edit_lines(w, s, lines);
    size_t line = 0;
    if (is_multiline(w)) {
        int64_t row = (int64_t{y} - metrics::EDIT_MARGIN_Y) / line_height();
        if (y < metrics::EDIT_MARGIN_Y) row = 0;
        row = std::min<int64_t>(row, visible_lines(w) - 1) + s.first_line;
        line = static_cast<size_t>(std::clamp<int64_t>(row, 0, int64_t(lines.size()) - 1));
    }
    int64_t tx = int64_t{x} - metrics::EDIT_MARGIN_X + (is_multiline(w) ? 0 : s.scroll_x);
    s.caret = pos_at_x(s, lines, line, tx);
}

void edit_paint(HWND hwnd, Window& w, EditState& s) {
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);
    DC* dc = gdi_dc(hdc);
    if (dc) {
        Canvas c = dc_canvas(*dc);
        Rect client = wm_client_rect(w);
        Rect all{0, 0, client.width(), client.height()};
        fill_rect(c, all, w.enabled ? look::WINDOW : look::FACE);
        const FontFace* face = ui_face();
        uint32_t colour = w.enabled ? look::TEXT : look::GRAY_TEXT;
        int lh = line_height();
        std::vector<TextLine> lines;
        edit_lines(w, s, lines);
        int caret_row = caret_line(lines, s.caret);
        int mx = metrics::EDIT_MARGIN_X, my = metrics::EDIT_MARGIN_Y;
        Canvas tc = c.clipped_to({0, my, all.right, std::max(my, all.bottom - my)});
        if (is_multiline(w)) {
            int vis = visible_lines(w);
            for (int i = s.first_line; i < static_cast<int>(lines.size()) && i < s.first_line + vis;
                 ++i) {
                const TextLine& l = lines[static_cast<size_t>(i)];
                font_draw(tc, face, mx, my + (i - s.first_line) * lh, s.text.data() + l.start,
                          static_cast<int>(l.end - l.start), colour);
            }
        } else {
            font_draw(tc.clipped_to({mx, 0, all.right - mx, all.bottom}), face, mx - s.scroll_x, my,
                      s.text.data(), static_cast<int>(s.text.size()), colour);
        }
        if (s.focused) {
            int row = is_multiline(w) ? caret_row - s.first_line : 0;
            int x = mx + x_of(s, lines[static_cast<size_t>(caret_row)], s.caret) -
                    (is_multiline(w) ? 0 : s.scroll_x);
            x = std::min(x, all.right - 1);
            int y = my + row * lh;
            fill_rect(c, {x, y, x + 1, y + lh}, look::TEXT);
        }
        dc_touched(*dc, all);
    }
    EndPaint(hwnd, &ps);
}

void edit_changed(HWND hwnd) {
    Window* w = wm_window(hwnd);
    EditState* s = edit_state(w);
    if (!s) return;
    ensure_caret_visible(*w, *s);
    wm_invalidate(*w, nullptr, false);
}

// Edit notifications, sent to the parent as WM_COMMAND with the code in the
// high word, as the system's edit control does on focus changes.
constexpr WORD EN_SET_FOCUS = 0x0100;
constexpr WORD EN_KILL_FOCUS = 0x0200;

void edit_notify(HWND hwnd, WORD code) {
    Window* w = wm_window(hwnd);
    if (!w || !wm_window(w->parent)) return;
    wm_send(w->parent, WM_COMMAND, make_wparam(static_cast<unsigned>(w->id), code),
            reinterpret_cast<LPARAM>(hwnd));
}

LRESULT CALLBACK edit_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    Window* w = wm_window(hwnd);
    if (!w) return 0;
    if (msg == WM_CREATE) {
        auto s = std::make_unique<EditState>();
        s->text = w->title.substr(0, EDIT_MAX_TEXT);
        w->control = std::move(s);
        return 0;
    }
    EditState* s = edit_state(w);
    if (!s) return DefWindowProcA(hwnd, msg, wparam, lparam);
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        edit_paint(hwnd, *w, *s);
        return 0;
    case WM_SIZE:
    case WM_ENABLE:
        edit_changed(hwnd);
        return 0;
    case WM_SETFOCUS:
        s->focused = true;
        edit_changed(hwnd);
        edit_notify(hwnd, EN_SET_FOCUS);
        return 0;
    case WM_KILLFOCUS:
        s->focused = false;
        s->control_down = false;
        edit_changed(hwnd);
        edit_notify(hwnd, EN_KILL_FOCUS);
        return 0;
    case WM_LBUTTONDOWN:
        if (wm_focus() != hwnd) wm_set_focus(hwnd);
        if ((s = edit_state(w = wm_window(hwnd))) == nullptr) return 0;
        edit_click(*w, *s, static_cast<SHORT>(LOWORD(lparam)), static_cast<SHORT>(HIWORD(lparam)));
        edit_changed(hwnd);
        return 0;
    case WM_KEYDOWN:
        if (wparam == VK_CONTROL) {
            s->control_down = true;
            return 0;
        }
        edit_key(*w, *s, wparam, lparam);
        edit_changed(hwnd);
        return 0;
    case WM_KEYUP:
        if (wparam == VK_CONTROL) s->control_down = false;
        return 0;
    case WM_CHAR:
        edit_char(*w, *s, static_cast<unsigned>(wparam));
        edit_changed(hwnd);
        return 0;
    case WM_SETTEXT: {
        const char* t = reinterpret_cast<const char*>(lparam);
        s->text.assign(t ? t : "", t ? strnlen(t, EDIT_MAX_TEXT) : 0);
        s->caret = s->text.size();
        s->first_line = 0;
        s->scroll_x = 0;
        edit_changed(hwnd);
        return TRUE;
    }
    case WM_GETTEXT: {
        char* out = reinterpret_cast<char*>(lparam);
        if (wparam == 0 || !out) return 0;
        size_t n = std::min<size_t>(s->text.size(), wparam - 1);
        std::memcpy(out, s->text.data(), n);
        out[n] = 0;
        return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(s->text.size());
    default:
        return DefWindowProcA(hwnd, msg, wparam, lparam);
    }
}

// ---- Button -----------------------------------------------------------------

struct ButtonState : ControlState {
    bool pressed = false; // the left button went down on it and is still down
    bool inside = false;  // ... and the pointer is over it
    bool space = false;   // Space is held while it has the focus
    bool focused = false;
};

ButtonState* button_state(Window* w) {
    return w ? dynamic_cast<ButtonState*>(w->control.get()) : nullptr;
}

void button_paint(HWND hwnd, Window& w, ButtonState& s) {
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);
    DC* dc = gdi_dc(hdc);
    if (dc) {
        Canvas c = dc_canvas(*dc);
        Rect client = wm_client_rect(w);
        Rect r{0, 0, client.width(), client.height()};
        fill_rect(c, r, look::FACE);
        bool is_default = (w.style & 0x0F) == BS_DEFPUSHBUTTON;
        bool down = (s.pressed && s.inside) || s.space;
        Rect b = r;
        if (is_default) {
            draw_frame(c, b, look::TEXT); // the default button's thicker dark frame
            b = {b.left + 1, b.top + 1, b.right - 1, b.bottom - 1};
        }
        if (down) {
            draw_frame(c, b, look::SHADOW);
        } else if (!b.empty()) {
            fill_rect(c, {b.left, b.top, b.right - 1, b.top + 1}, look::LIGHT);
            fill_rect(c, {b.left, b.top, b.left + 1, b.bottom - 1}, look::LIGHT);
            fill_rect(c, {b.left, b.bottom - 1, b.right, b.bottom}, look::DARK_SHADOW);
            fill_rect(c, {b.right - 1, b.top, b.right, b.bottom}, look::DARK_SHADOW);
            fill_rect(c, {b.left + 1, b.bottom - 2, b.right - 1, b.bottom - 1}, look::SHADOW);
            fill_rect(c, {b.right - 2, b.top + 1, b.right - 1, b.bottom - 1}, look::SHADOW);
        }
        const FontFace* face = ui_face();
        Label l = parse_label(w.title.data(), w.title.size());
        int tw = font_measure(face, l.shown.data(), static_cast<int>(l.shown.size())).cx;
        int th = font_metrics(face).height;
        int shift = down ? 1 : 0;
        int tx = (r.width() - tw) / 2 + shift, ty = (r.height() - th) / 2 + shift;
        draw_text_run(c.clipped_to({b.left + 2, b.top + 2, b.right - 2, b.bottom - 2}), face, tx,
                      ty, l.shown.data(), 0, l.shown.size(), l.mnemonic,
                      w.enabled ? look::TEXT : look::GRAY_TEXT);
        if (s.focused) {
            // A dotted focus rectangle inside the bevel.
            Rect f{b.left + 3, b.top + 3, b.right - 3, b.bottom - 3};
            for (int x = f.left; x < f.right; x += 2) {
                fill_rect(c, {x, f.top, x + 1, f.top + 1}, look::TEXT);
                fill_rect(c, {x, f.bottom - 1, x + 1, f.bottom}, look::TEXT);
            }
            for (int y = f.top; y < f.bottom; y += 2) {
                fill_rect(c, {f.left, y, f.left + 1, y + 1}, look::TEXT);
                fill_rect(c, {f.right - 1, y, f.right, y + 1}, look::TEXT);
            }
        }
        dc_touched(*dc, r);
    }
    EndPaint(hwnd, &ps);
}

void button_click(HWND hwnd) {
    Window* w = wm_window(hwnd);
    if (!w || !w->enabled) return;
    wm_send(w->parent, WM_COMMAND, make_wparam(static_cast<unsigned>(w->id), BN_CLICKED),
            reinterpret_cast<LPARAM>(hwnd));
}

LRESULT CALLBACK button_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    Window* w = wm_window(hwnd);
    if (!w) return 0;
    if (msg == WM_CREATE) {
        w->control = std::make_unique<ButtonState>();
        return 0;
    }
    ButtonState* s = button_state(w);
    if (!s) return DefWindowProcA(hwnd, msg, wparam, lparam);
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        button_paint(hwnd, *w, *s);
        return 0;
    case WM_LBUTTONDOWN:
        s->pressed = s->inside = true;
        wm_invalidate(*w, nullptr, false);
        if (wm_focus() != hwnd) wm_set_focus(hwnd);
        return 0;
    case WM_MOUSEMOVE: {
        if (!s->pressed) return 0;
        Rect c = wm_client_rect(*w);
        bool inside = Rect{0, 0, c.width(), c.height()}.contains(
            static_cast<SHORT>(LOWORD(lparam)), static_cast<SHORT>(HIWORD(lparam)));
        if (inside != s->inside) {
            s->inside = inside;
            wm_invalidate(*w, nullptr, false);
        }
        return 0;
    }
    case WM_LBUTTONUP: {
        if (!s->pressed) return 0;
        Rect c = wm_client_rect(*w);
        bool inside = Rect{0, 0, c.width(), c.height()}.contains(
            static_cast<SHORT>(LOWORD(lparam)), static_cast<SHORT>(HIWORD(lparam)));
        s->pressed = s->inside = false;
        wm_invalidate(*w, nullptr, false);
        if (inside) button_click(hwnd);
        return 0;
    }
    case WM_KEYDOWN:
        if (wparam == VK_SPACE && !s->space) {
            s->space = true;
            wm_invalidate(*w, nullptr, false);
        }
        return 0;
    case WM_KEYUP:
        if (wparam == VK_SPACE && s->space) {
            s->space = false;
            wm_invalidate(*w, nullptr, false);
            button_click(hwnd);
        }
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        s->focused = msg == WM_SETFOCUS;
        if (!s->focused) s->space = false;
        wm_invalidate(*w, nullptr, false);
        return 0;
    case WM_ENABLE:
        wm_invalidate(*w, nullptr, false);
        return 0;
    case WM_SETTEXT: {
        LRESULT r = DefWindowProcA(hwnd, msg, wparam, lparam);
        if ((w = wm_window(hwnd)) != nullptr) wm_invalidate(*w, nullptr, false);
        return r;
    }
    default:
        return DefWindowProcA(hwnd, msg, wparam, lparam);
    }
}

// ---- Static -----------------------------------------------------------------

void static_paint(HWND hwnd, Window& w) {
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);
    DC* dc = gdi_dc(hdc);
    if (dc) {
        Canvas c = dc_canvas(*dc);
        Rect client = wm_client_rect(w);
        Rect r{0, 0, client.width(), client.height()};
        fill_rect(c, r, look::FACE);
        const FontFace* face = ui_face();
        Label l = parse_label(w.title.data(), w.title.size());
        std::vector<TextLine> lines;
        wrap_text(face, l.shown.data(), l.shown.size(), r.width(), lines);
        int lh = std::max(1, font_metrics(face).height);
        int align = static_cast<int>(w.style & 0x03); // 0 left, 1 centred, 2 right
        uint32_t colour = w.enabled ? look::TEXT : look::GRAY_TEXT;
        int y = 0;
        for (const TextLine& line : lines) {
            if (y >= r.bottom) break;
            int x = 0;
            if (align != 0) {
                int tw = font_measure(face, l.shown.data() + line.start,
                                      static_cast<int>(line.end - line.start))
                             .cx;
                x = align == 1 ? (r.width() - tw) / 2 : r.width() - tw;
            }
            draw_text_run(c, face, x, y, l.shown.data(), line.start, line.end - line.start,
                          l.mnemonic, colour);
            y += lh;
        }
        dc_touched(*dc, r);
    }
    EndPaint(hwnd, &ps);
}

LRESULT CALLBACK static_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    Window* w = wm_window(hwnd);
    if (!w) return 0;
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        static_paint(hwnd, *w);
        return 0;
    case WM_SETTEXT:
    case WM_ENABLE: {
        LRESULT r = DefWindowProcA(hwnd, msg, wparam, lparam);
        if ((w = wm_window(hwnd)) != nullptr) wm_invalidate(*w, nullptr, false);
        return r;
    }
    default:
        return DefWindowProcA(hwnd, msg, wparam, lparam);
    }
}

void register_class(const char* name, WNDPROC proc) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = proc;
    wc.lpszClassName = name;
    RegisterClassA(&wc);
}

} // namespace

void controls_register_classes() {
    register_class("edit", edit_proc);
    register_class("button", button_proc);
    register_class("static", static_proc);
    register_class(DIALOG_CLASS, dialog_window_proc);
    menu_register_class();
}

long edit_caret(HWND hwnd) {
    EditState* s = edit_state(wm_window(hwnd));
    return s ? static_cast<long>(s->caret) : -1;
}

int edit_first_line(HWND hwnd) {
    EditState* s = edit_state(wm_window(hwnd));
    return s ? s->first_line : -1;
}

int edit_line_count(HWND hwnd) {
    Window* w = wm_window(hwnd);
    EditState* s = edit_state(w);
    if (!s) return -1;
    std::vector<TextLine> lines;
    edit_lines(*w, *s, lines);
    return static_cast<int>(lines.size());
}

} // namespace ws
