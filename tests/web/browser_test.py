#!/usr/bin/python3
"""The web version in a real browser: builds it (scripts/web.sh --build-test),
serves it on 127.0.0.1 and drives Chromium headless through ChromeDriver,
with real mouse clicks and keys, checking what the page shows and what it
downloads.

  browser_test.py CARD_PICTURE   (the desktop's card-picture, to compare with)

Run with Debian's python3 (selenium is installed for it). Fails, never
skips, when a tool is missing. Prints the time to the first frame.
"""
import functools
import glob
import http.server
import os
import struct
import subprocess
import sys
import tempfile
import threading
import time
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SITE = os.path.join(ROOT, 'build', 'web-test', 'site')
CHROMIUM = '/usr/bin/chromium'
CHROMEDRIVER = '/usr/bin/chromedriver'
GOLDEN_START = os.path.join(ROOT, 'tests', 'e2e', 'golden', 'start_state.png')
PATIENCE = 90  # seconds to wait for anything the page should show
GIF_FRAMES = 50  # the page's animated picture: five seconds

# The graphics window: 601 pixels wide, a 20-row caption and a 19-row menu
# bar above a 601 x 501 client area whose centre is graphics (0, 0).
CLIENT_TOP, ORIGIN_X, ORIGIN_Y = 39, 300, 250


def fail(message):
    print('FAIL: ' + message, file=sys.stderr)
    sys.exit(1)


try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.by import By
    from selenium.webdriver.common.keys import Keys
except ImportError as e:
    fail('selenium is missing for %s (%s): run scripts/install-deps.sh' % (sys.executable, e))
for tool in (CHROMIUM, CHROMEDRIVER):
    if not os.access(tool, os.X_OK):
        fail(tool + ' is missing: run scripts/install-deps.sh')


def decode_png(data):
    """Pixels of an 8-bit RGB or RGBA PNG as (width, height, rows of bytes, bytes per pixel)."""
    assert data[:8] == b'\x89PNG\r\n\x1a\n'
    pos, idat, width = 8, b'', 0
    while pos < len(data):
        length, kind = struct.unpack('>I4s', data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b'IHDR':
            width, height, depth, colour = struct.unpack('>IIBB', body[:10])
            assert depth == 8 and colour in (2, 6) and body[12] == 0
            bpp = 3 if colour == 2 else 4
        elif kind == b'IDAT':
            idat += body
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride = width * bpp
    rows, prev = [], bytearray(stride)
    for y in range(height):
        f = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b = prev[i]
            c = prev[i - bpp] if i >= bpp else 0
            if f == 1: line[i] = (line[i] + a) & 255
            elif f == 2: line[i] = (line[i] + b) & 255
            elif f == 3: line[i] = (line[i] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(line))
        prev = line
    return width, height, rows, bpp


class Page:
    def __init__(self, browser, base, downloads):
        self.d = browser
        self.base = base
        self.downloads = downloads  # where the browser puts what the page downloads

    def open(self, name):
        self.d.get(self.base + name)
        return self.first_frame()

    def first_frame(self):
        t = self.wait_for('document.body.dataset.firstFrame', 'the first frame')
        return float(t)

    def js(self, expr):
        return self.d.execute_script('return ' + expr)

    def wait_for(self, expr, what):
        end = time.time() + PATIENCE
        while time.time() < end:
            value = self.js(expr)
            if value:
                return value
            time.sleep(0.1)
        fail('the page never showed ' + what)

    def canvas(self, title):
        return self.d.find_element(By.CSS_SELECTOR, 'canvas[data-title="%s"]' % title)

    def screen_point(self, gx, gy):
        """Viewport pixel of graphics coordinate (gx, gy)."""
        r = self.js('document.querySelector(\'canvas[data-title="KV319 Graphics"]\').getBoundingClientRect()')
        return int(r['x']) + ORIGIN_X + gx, int(r['y']) + CLIENT_TOP + ORIGIN_Y - gy

    def click(self, gx, gy, pause=True):
        x, y = self.screen_point(gx, gy)
        a = ActionChains(self.d)
        a.w3c_actions.pointer_action.move_to_location(x, y).pointer_down().pointer_up()
        a.perform()
        if pause:
            # Buttons that act at once hold the program for three events (300 ms).
            time.sleep(0.6)

    def download(self, button, name):
        """Clicks a button of the bar and returns the bytes of the file `name` it downloads."""
        path = os.path.join(self.downloads, name)
        if os.path.exists(path):
            os.unlink(path)
        self.d.find_element(By.ID, button).click()
        end = time.time() + PATIENCE
        while not os.path.exists(path) or glob.glob(os.path.join(self.downloads, '*.crdownload')):
            if time.time() > end:
                fail('%s never came down from the %s button (the page says "%s")' %
                     (name, button, self.js('document.getElementById("message").textContent')))
            time.sleep(0.2)
        with open(path, 'rb') as f:
            return f.read()

    def control(self, letter):
        ActionChains(self.d).key_down(Keys.CONTROL).send_keys(letter).key_up(Keys.CONTROL).perform()

    def run_menu(self):
        """The Run menu's pixels: opened with a click on its title, then closed with Escape."""
        r = self.js('document.querySelector(\'canvas[data-title="KV319 Graphics"]\').getBoundingClientRect()')
        a = ActionChains(self.d)
        # "Run", in the menu bar under the 20-row caption.
        a.w3c_actions.pointer_action.move_to_location(int(r['x']) + 20, int(r['y']) + 29).pointer_down().pointer_up()
        a.perform()
        popup = 'document.querySelector("canvas[data-popup]")'
        self.wait_for(popup + ' && %s.style.display == "block"' % popup, 'the Run menu')
        pixels = self.js(popup + '.toDataURL()')
        end = time.time() + PATIENCE
        while True:  # until the pull-down is painted whole
            time.sleep(0.2)
            again = self.js(popup + '.toDataURL()')
            if again == pixels:
                break
            if time.time() > end:
                fail('the Run menu never settled')
            pixels = again
        for _ in range(2):
            ActionChains(self.d).send_keys(Keys.ESCAPE).perform()
            time.sleep(0.2)
        self.wait_for('!' + popup + ' || %s.style.display != "block"' % popup, 'the Run menu closing')
        return pixels

    def shot(self):
        return decode_png(self.d.get_screenshot_as_png())

    def pixel(self, shot, gx, gy):
        width, height, rows, bpp = shot
        x, y = self.screen_point(gx, gy)
        return tuple(rows[y][x * bpp:x * bpp + 3])

    def count(self, shot, colour, gx0, gy0, gx1, gy1):
        return sum(1 for gx in range(gx0, gx1) for gy in range(gy0, gy1)
                   if self.pixel(shot, gx, gy) == colour)

    def snapshot(self, title):
        return self.js('document.querySelector(\'canvas[data-title="%s"]\').toDataURL()' % title)

    def changes(self, title):
        """Whether the window's pixels change within the patience."""
        before = self.snapshot(title)
        end = time.time() + PATIENCE
        while time.time() < end:
            time.sleep(0.3)
            if self.snapshot(title) != before:
                return True
        return False

    def settles(self, title):
        """Whether the window's pixels stay the same over two seconds, within the patience."""
        end = time.time() + PATIENCE
        while time.time() < end:
            before = self.snapshot(title)
            time.sleep(2)
            if self.snapshot(title) == before:
                return True
        return False


BLACK, YELLOW = (0, 0, 0), (255, 255, 0)
HEART = (50, 60)
SHAPE_TAB, FILES_TAB = (-23, 230), (197, 230)
SAVE_1, SAVE_2, LOAD_1 = (-250, 179), (-250, 144), (-250, 74)
ANIMATE = (-250, -31)  # the shape's "Animate" button
LIGHT_BLUE_CELL = (-181, -187)  # in the background colour palette


def heart_pixels(page):
    return page.count(page.shot(), BLACK, HEART[0] - 20, HEART[1] - 20, HEART[0] + 20, HEART[1] + 20)


def pictures(page, card_picture):
    """The bar's pictures of the card last saved are card-picture's own of its file."""
    if page.js('document.getElementById("file").value') != 'tobu2.sav':
        fail('the bar did not choose the card file just saved (tobu2.sav)')
    card = page.download('download', 'tobu2.sav')
    work = tempfile.mkdtemp(prefix='kv319-web-pictures-')
    try:
        with open(os.path.join(work, 'tobu2.sav'), 'wb') as f:
            f.write(card)
        for kind, frames in (('png', 1), ('gif', GIF_FRAMES)):
            page.d.execute_script('document.getElementById("picture-kind").value = "%s"' % kind)
            made = page.download('picture', 'tobu2.' + kind)
            want = os.path.join(work, 'want.' + kind)
            run = subprocess.run([card_picture, '--frames', str(frames), os.path.join(work, 'tobu2.sav'), want],
                                 capture_output=True, text=True)
            if run.returncode != 0:
                fail('card-picture failed on the downloaded card file: ' + run.stderr)
            with open(want, 'rb') as f:
                if f.read() != made:
                    fail('the page\'s %s picture of tobu2.sav is not the one card-picture makes of it' % kind)
    finally:
        subprocess.run(['rm', '-rf', work])


def resize(page):
    """A smaller browser window: the windows stay on the desktop area, the
    text window across its lower third, and the program paints them so."""
    page.d.set_window_size(800, 560)
    rects = ('(function () { var d = document.getElementById("desktop");'
             ' var out = {width: d.clientWidth, height: d.clientHeight, windows: {}};'
             ' document.querySelectorAll("#desktop canvas:not([data-popup])").forEach(function (c) {'
             '   out.windows[c.dataset.title] = {x: parseInt(c.style.left), y: parseInt(c.style.top),'
             '   width: c.width, height: c.height}; });'
             ' return out; })()')
    end = time.time() + PATIENCE
    while page.js(rects)['width'] > 800:
        if time.time() > end:
            fail('the browser window did not become smaller')
        time.sleep(0.2)
    now = page.js(rects)
    for title, r in now['windows'].items():
        if not (0 <= r['x'] < now['width'] and 0 <= r['y'] < now['height']):
            fail('the %s window is off the %dx%d desktop after a resize: %s' % (title, now['width'], now['height'], r))
    text = now['windows']['KV319 Text']
    if text['x'] != 0 or text['width'] != now['width'] or not now['height'] - 2 <= text['y'] + text['height'] <= now['height']:
        fail('the text window is not across the bottom of the %dx%d desktop after a resize: %s' %
             (now['width'], now['height'], text))
    # The program paints the (hidden) text window anew at its new size: a
    # canvas of a new size is blank until then.
    painted = ('(function () { var c = document.querySelector(\'canvas[data-title="KV319 Text"]\');'
               ' return c.getContext("2d").getImageData(c.width - 1, c.height - 1, 1, 1).data[3] == 255; })()')
    page.wait_for(painted, 'the text window painted to its new bottom-right corner')
    page.d.set_window_size(1280, 900)


def designer(page, card_picture):
    took = page.open('card-designer.html')
    print('time to the first frame: %.0f ms after the page began loading' % took)
    shot = page.shot()
    if page.pixel(shot, 200, -100) != YELLOW:
        fail('the card is not yellow at start: %s' % (page.pixel(shot, 200, -100),))
    # The start frame, texts and all, is the desktop's pixel for pixel: the
    # same rasteriser, FreeType and faces draw it.
    with open(GOLDEN_START, 'rb') as f:
        golden = decode_png(f.read())
    left, top = page.screen_point(-ORIGIN_X, ORIGIN_Y)
    width, height, rows, bpp = shot
    g_width, g_height, g_rows, g_bpp = golden
    differ = sum(1 for y in range(g_height) for x in range(g_width)
                 if rows[top + y][(left + x) * bpp:(left + x) * bpp + 3] !=
                 g_rows[y][x * g_bpp:x * g_bpp + 3])
    if differ:
        fail('the start frame differs from the desktop\'s (%s) in %d pixels' % (GOLDEN_START, differ))
    if heart_pixels(page) != 0:
        fail('black pixels where the heart will be, before it is added')

    # The "Shape" tab, then the card: a black heart.
    page.click(*SHAPE_TAB)
    page.click(*HEART)
    end = time.time() + PATIENCE
    while heart_pixels(page) < 100:
        if time.time() > end:
            fail('no black heart on the card after clicking the Shape tab and the card')
        time.sleep(0.3)

    # "Animate" on the selected heart: it pulses, frame after frame.
    page.click(*ANIMATE)
    if not page.changes('KV319 Graphics'):
        fail('the animated heart does not pulse')

    # Control+L switches logging, which the Run menu's check mark shows (the
    # text window stays hidden); a second Control+L switches it back.
    without = page.run_menu()
    page.control('l')
    checked = page.run_menu()
    if checked == without:
        fail('Control+L did not set the check mark of Logging in the Run menu')
    page.control('l')
    if page.run_menu() != without:
        fail('a second Control+L did not remove the check mark of Logging')
    if page.js('document.querySelector(\'canvas[data-title="KV319 Text"]\').style.display') != 'none':
        fail('the text window came up with Control+L')

    # Control+H halts the animation: the heart stops pulsing.
    page.control('h')
    if not page.settles('KV319 Graphics'):
        fail('the heart goes on pulsing after Control+H')

    # Save 1, then a new page: the card comes back with Load 1.
    page.click(*FILES_TAB)
    page.click(*SAVE_1)
    page.wait_for('FS.analyzePath("/files/tobu1.sav").exists && !KV319Web.writing()',
                  'the saved card in the browser\'s storage')
    # Save 2 right after Save 1 may come while the program still holds
    # input after the first (three timer events, longer on a busy machine):
    # it is clicked again until the card is in slot 2.
    end = time.time() + PATIENCE
    while not page.js('FS.analyzePath("/files/tobu2.sav").exists'):
        if time.time() > end:
            fail('Save 2 did not save the card to slot 2')
        page.click(*SAVE_2, pause=False)
        time.sleep(3)
    page.wait_for('!KV319Web.writing()', 'the card saved to slot 2 in the browser\'s storage')
    pictures(page, card_picture)
    page.d.refresh()
    page.first_frame()
    if heart_pixels(page) != 0:
        fail('a heart on the card of a new page before loading')
    page.click(*FILES_TAB)
    page.click(*LOAD_1)
    end = time.time() + PATIENCE
    while heart_pixels(page) < 100:
        if time.time() > end:
            fail('Load 1 after a reload did not bring the saved heart back')
        time.sleep(0.3)

    # An uploaded script file, played back with Control+P: it clicks the
    # light blue of the background palette.
    page.click(-243, 230)  # the "Background" tab
    light_blue = page.pixel(page.shot(), *LIGHT_BLUE_CELL)
    if light_blue in (YELLOW, BLACK):
        fail('the background palette is not on screen')
    with tempfile.NamedTemporaryFile('w', suffix='.SCR', delete=False) as f:
        f.write('KV319_MOUSE(%d, %d);\n' % LIGHT_BLUE_CELL)
        script = f.name
    page.d.execute_script('document.getElementById("file").value = "KV319.SCR"')
    page.d.find_element(By.ID, 'upload-file').send_keys(script)
    # The browser reads the file after the upload's change event: keep it until then.
    page.wait_for('FS.analyzePath("/files/KV319.SCR").exists && !KV319Web.writing()',
                  'the uploaded script file')
    os.unlink(script)
    page.control('p')
    end = time.time() + PATIENCE
    while page.pixel(page.shot(), 200, -100) != light_blue:
        if time.time() > end:
            fail('playing back the uploaded script did not make the card light blue')
        time.sleep(0.3)

    resize(page)

    # Control+Q ends the program.
    page.control('q')
    page.wait_for('document.body.dataset.ended === "0"', 'the program ending after Control+Q')


def bounce(page):
    page.open('bounce.html')
    if not page.changes('KV319 Graphics'):
        fail('the bounce example\'s ball does not move')


def main():
    if len(sys.argv) != 2 or not os.access(sys.argv[1], os.X_OK):
        fail('usage: browser_test.py CARD_PICTURE (the desktop\'s card-picture program)')
    card_picture = sys.argv[1]
    build = subprocess.run([os.path.join(ROOT, 'scripts', 'web.sh'), '--build-test'])
    if build.returncode != 0:
        fail('the web build failed')

    class Quiet(http.server.SimpleHTTPRequestHandler):
        def log_message(self, *args):
            pass

    handler = functools.partial(Quiet, directory=SITE)
    server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    base = 'http://127.0.0.1:%d/' % server.server_address[1]

    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    profile = tempfile.mkdtemp(prefix='kv319-web-test-')
    downloads = os.path.join(profile, 'downloads')
    os.mkdir(downloads)
    options.add_experimental_option('prefs', {'download.default_directory': downloads,
                                              'download.prompt_for_download': False})
    for arg in ('--headless=new', '--no-sandbox', '--window-size=1280,900',
                '--force-device-scale-factor=1', '--user-data-dir=' + profile):
        options.add_argument(arg)
    browser = webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)
    try:
        browser.execute_cdp_cmd('Browser.setDownloadBehavior', {'behavior': 'allow', 'downloadPath': downloads})
        page = Page(browser, base, downloads)
        designer(page, card_picture)
        bounce(page)
    finally:
        browser.quit()
        server.shutdown()
        subprocess.run(['rm', '-rf', profile])
    print('web browser test passed')


if __name__ == '__main__':
    main()
