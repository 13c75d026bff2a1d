#!/usr/bin/python3
"""Figures of the web version's card designer page, in headless Chromium:

  - download size: the files the page loads (page, script, WebAssembly,
    packed fonts), as served and gzip-compressed; and what a picture of a
    card fetches on top (card-picture's script and WebAssembly);
  - time to the first frame: from the start of the page's loading to the
    first picture the program puts on its canvas, over several loads;
  - CPU over the same span, from the kernel's per-process counts, of the
    whole browser (every process under ChromeDriver) and of the page's
    renderer process alone: the card animating, then halted with Control+H
    with the tab in front, then halted with the tab hidden behind another.

Usage: bench/web_page.py [site folder, default build/web/site] [seconds, default 20]
Build the site first (scripts/web.sh --build). Run with Debian's python3.
"""
import functools
import gzip
import http.server
import os
import sys
import tempfile
import threading
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.keys import Keys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
site = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, 'build', 'web', 'site')
span = float(sys.argv[2]) if len(sys.argv) > 2 else 20.0
TICKS = os.sysconf('SC_CLK_TCK')


def descendants(pid):
    children = {}
    for entry in os.listdir('/proc'):
        if entry.isdigit():
            try:
                with open('/proc/%s/stat' % entry) as f:
                    fields = f.read().rsplit(')', 1)[1].split()
                children.setdefault(int(fields[1]), []).append(int(entry))
            except OSError:
                pass
    found, todo = [], [pid]
    while todo:
        p = todo.pop()
        found.append(p)
        todo.extend(children.get(p, []))
    return found


def cpu_seconds(pids):
    total = 0
    for p in pids:
        try:
            with open('/proc/%d/stat' % p) as f:
                fields = f.read().rsplit(')', 1)[1].split()
            total += int(fields[11]) + int(fields[12])  # utime, stime
        except OSError:
            pass
    return total / TICKS


def is_renderer(pid):
    try:
        with open('/proc/%d/cmdline' % pid, 'rb') as f:
            return b'--type=renderer' in f.read()
    except OSError:
        return False


def cpu_shares(pid):
    """Shares of one core over the span: the whole browser, and its renderers."""
    pids = descendants(pid)
    renderers = [p for p in pids if is_renderer(p)]
    before, rbefore, t0 = cpu_seconds(pids), cpu_seconds(renderers), time.time()
    time.sleep(span)
    took = time.time() - t0
    return (cpu_seconds(pids) - before) / took, (cpu_seconds(renderers) - rbefore) / took


def report(what, pid):
    browser, renderer = cpu_shares(pid)
    print('CPU, %s: browser %.1f%%, renderer %.1f%% of one core over %.0f s' %
          (what, 100 * browser, 100 * renderer, span))


def main():
    files = ['card-designer.html', 'card-designer.js', 'card-designer.wasm', 'card-designer.data']
    raw = zipped = 0
    for name in files:
        with open(os.path.join(site, name), 'rb') as f:
            data = f.read()
        raw += len(data)
        zipped += len(gzip.compress(data, 9))
        print('%-22s %9d bytes, %9d gzip-compressed' % (name, len(data), len(gzip.compress(data, 9))))
    print('download: %.2f MB, %.2f MB gzip-compressed' % (raw / 1e6, zipped / 1e6))
    raw = zipped = 0
    for name in ['card-picture.js', 'card-picture.wasm']:
        with open(os.path.join(site, name), 'rb') as f:
            data = f.read()
        raw += len(data)
        zipped += len(gzip.compress(data, 9))
    print('a picture fetches on top: %.2f MB, %.2f MB gzip-compressed' % (raw / 1e6, zipped / 1e6))

    class Quiet(http.server.SimpleHTTPRequestHandler):
        def log_message(self, *args):
            pass

    server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), functools.partial(Quiet, directory=site))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    url = 'http://127.0.0.1:%d/card-designer.html' % server.server_address[1]
    options = webdriver.ChromeOptions()
    options.binary_location = '/usr/bin/chromium'
    profile = tempfile.mkdtemp(prefix='kv319-web-bench-')
    for arg in ('--headless=new', '--no-sandbox', '--window-size=1280,900', '--user-data-dir=' + profile):
        options.add_argument(arg)
    service = Service('/usr/bin/chromedriver')
    browser = webdriver.Chrome(service=service, options=options)
    try:
        times = []
        for _ in range(5):
            browser.get(url)
            end = time.time() + 120
            while not browser.execute_script('return document.body.dataset.firstFrame'):
                if time.time() > end:
                    sys.exit('no first frame')
                time.sleep(0.05)
            times.append(float(browser.execute_script('return document.body.dataset.firstFrame')))
        times.sort()
        print('time to the first frame: median %.0f ms (%s ms over %d loads)' %
              (times[len(times) // 2], ', '.join('%.0f' % t for t in times), len(times)))
        # The page's visibility as it changes, to show the hidden tab was hidden.
        browser.execute_script('window.seen = [document.visibilityState];'
                               'document.addEventListener("visibilitychange", function () {'
                               '  window.seen.push(document.visibilityState); });')
        time.sleep(2)
        report('card animating', service.process.pid)
        # The keyboard goes to the graphics window once it has been clicked
        # (on its caption, which does nothing else).
        canvas = browser.find_element('css selector', 'canvas[data-title="KV319 Graphics"]')
        ActionChains(browser).move_to_element_with_offset(canvas, 0, -260).click().perform()
        ActionChains(browser).key_down(Keys.CONTROL).send_keys('h').key_up(Keys.CONTROL).perform()
        time.sleep(2)
        # Whether the program wakes at all while halted: its waits, counted.
        browser.execute_script('window.waits = 0; var wait = KV319Web.waitInput;'
                               'KV319Web.waitInput = function (t) { window.waits++; return wait(t); };')
        report('halted (Control+H), tab in front', service.process.pid)
        page = browser.current_window_handle
        browser.switch_to.new_window('tab')
        browser.get('about:blank')
        time.sleep(2)
        report('halted, tab hidden behind another', service.process.pid)
        browser.close()
        browser.switch_to.window(page)
        print('the page was: %s; the halted program waited %d times in those %.0f s' %
              (', '.join(browser.execute_script('return window.seen')),
               browser.execute_script('return window.waits'), 2 * span + 4))
        # The browser's own share: the site's index page, with no program.
        browser.get(url.replace('card-designer.html', 'index.html'))
        time.sleep(2)
        report('a page without a program (the index), tab in front', service.process.pid)
        browser.switch_to.new_window('tab')
        browser.get('about:blank')
        time.sleep(2)
        report('a page without a program, tab hidden behind another', service.process.pid)
    finally:
        browser.quit()
        server.shutdown()
        os.system('rm -rf ' + profile)


if __name__ == '__main__':
    main()
