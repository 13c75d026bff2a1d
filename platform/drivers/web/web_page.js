// web_page.js: the page side of the browser's display driver.
//
// Top-level windows are canvases in the page's desktop area (#desktop),
// placed at their outer positions; the program draws their captions, menus
// and frames itself. DOM input becomes the layer's input events, queued
// here in arrival order until the program takes them. The program's files
// live in the browser's storage (IndexedDB) and are written back whenever
// the program has written and closed one; the bar above the desktop
// downloads and uploads them, and for a card file downloads the card as a
// picture, made by card-picture's page version (card-picture.js). When the
// browser window changes size, the windows follow the desktop area as a
// desktop keeps windows on a changed screen (keepOnScreen).
//
// The input kinds are numbered as the driver's InputEvent::Kind.
var KV319Web = (function () {
  'use strict';
  var Kind = {
    PointerDown: 0, PointerUp: 1, PointerMove: 2, KeyDown: 3, KeyUp: 4, Close: 5,
    Expose: 6, FocusIn: 7, FocusOut: 8, Resize: 9, Moved: 10,
  };
  var windows = {};  // id -> {canvas, context, x, y, caption, resizable, popup, shown}
  var queue = [];
  var wake = null;   // resolves the program's wait
  var focused = -1;  // the window that keys go to
  var topZ = 1;
  var drag = null;   // a caption being dragged: {id, dx, dy, pointer}
  var folder = null; // where the program's files are, once storage is mounted
  var ended = false;

  function desktop() { return document.getElementById('desktop'); }
  function screenWidth() { return Math.max(desktop().clientWidth, 320); }
  function screenHeight() { return Math.max(desktop().clientHeight, 240); }

  function push(e) {
    if (ended) return;
    queue.push(e);
    if (wake) {
      var w = wake;
      wake = null;
      w();
    }
  }

  function raise(win) {
    // Pop-ups (menus) stay above the windows that own them.
    win.canvas.style.zIndex = String((win.popup ? 100000 : 0) + topZ++);
  }

  // The key's virtual-key code: letters follow the user's layout (the key
  // labelled A gives 65), the digit row gives '0'..'9' whatever its labels.
  var namedKeys = {
    Backspace: 8, Tab: 9, Enter: 13, NumpadEnter: 13, ShiftLeft: 16, ShiftRight: 16,
    ControlLeft: 17, ControlRight: 17, AltLeft: 18, AltRight: 18, Pause: 19, CapsLock: 20,
    Escape: 27, Space: 32, PageUp: 33, PageDown: 34, End: 35, Home: 36, ArrowLeft: 37,
    ArrowUp: 38, ArrowRight: 39, ArrowDown: 40, Insert: 45, Delete: 46, MetaLeft: 91,
    MetaRight: 92, ContextMenu: 93, NumpadMultiply: 106, NumpadAdd: 107,
    NumpadSubtract: 109, NumpadDecimal: 110, NumpadDivide: 111, NumLock: 144,
    ScrollLock: 145, Semicolon: 186, Equal: 187, Comma: 188, Minus: 189, Period: 190,
    Slash: 191, Backquote: 192, BracketLeft: 219, Backslash: 220, BracketRight: 221,
    Quote: 222, IntlBackslash: 226,
  };
  function virtualKey(e) {
    if (e.key && e.key.length === 1 && /[a-z]/i.test(e.key)) return e.key.toUpperCase().charCodeAt(0);
    var code = e.code || '';
    var m;
    if ((m = /^Key([A-Z])$/.exec(code))) return m[1].charCodeAt(0);
    if ((m = /^Digit([0-9])$/.exec(code))) return 48 + Number(m[1]);
    if ((m = /^Numpad([0-9])$/.exec(code))) return 96 + Number(m[1]);
    if ((m = /^F([0-9]+)$/.exec(code)) && Number(m[1]) >= 1 && Number(m[1]) <= 24) return 111 + Number(m[1]);
    if (code in namedKeys) return namedKeys[code];
    var byKey = { Shift: 16, Control: 17, Alt: 18, AltGraph: 18, Meta: 91 };
    return byKey[e.key] || 0;
  }

  // The character a key-down produces: printable text from the browser's
  // `key`, the control codes of Enter, Backspace, Escape and Tab, and of
  // Control+letter (1..26). Control with AltGr still types its character.
  function character(e, vk) {
    var controlOnly = e.ctrlKey && !e.altKey && !e.metaKey;
    if (controlOnly) return vk >= 65 && vk <= 90 ? vk - 64 : 0;
    if (e.metaKey) return 0;
    switch (e.key) {
      case 'Enter': return 13;
      case 'Backspace': return 8;
      case 'Escape': return 27;
      case 'Tab': return 9;
    }
    if (e.key && [...e.key].length === 1) return e.key.codePointAt(0);
    return 0;
  }

  function position(win, e) {
    var r = win.canvas.getBoundingClientRect();
    return {
      x: Math.floor((e.clientX - r.left) * win.canvas.width / r.width),
      y: Math.floor((e.clientY - r.top) * win.canvas.height / r.height),
    };
  }

  function giveFocus(id) {
    if (id === focused) return;
    if (focused >= 0 && windows[focused]) push({ kind: Kind.FocusOut, window: focused });
    focused = id;
    push({ kind: Kind.FocusIn, window: id });
  }

  function listen(id, win) {
    var canvas = win.canvas;
    canvas.addEventListener('contextmenu', function (e) { e.preventDefault(); });
    canvas.addEventListener('pointerdown', function (e) {
      e.preventDefault();
      canvas.setPointerCapture(e.pointerId);
      var p = position(win, e);
      if (!win.popup) {
        raise(win);
        giveFocus(id);
        // The caption, away from the close box, moves the window.
        if (e.button === 0 && p.y < win.caption && p.x < canvas.width - win.caption)
          drag = { id: id, dx: e.clientX - win.x, dy: e.clientY - win.y };
      }
      push({ kind: Kind.PointerDown, window: id, x: p.x, y: p.y, button: e.button + 1 });
    });
    canvas.addEventListener('pointermove', function (e) {
      if (drag && drag.id === id) {
        win.x = Math.round(e.clientX - drag.dx);
        win.y = Math.max(0, Math.round(e.clientY - drag.dy));
        canvas.style.left = win.x + 'px';
        canvas.style.top = win.y + 'px';
        return;
      }
      var p = position(win, e);
      push({ kind: Kind.PointerMove, window: id, x: p.x, y: p.y });
    });
    canvas.addEventListener('pointerup', function (e) {
      var p = position(win, e);
      if (drag && drag.id === id) {
        drag = null;
        push({ kind: Kind.Moved, window: id, x: win.x, y: win.y });
      }
      push({ kind: Kind.PointerUp, window: id, x: p.x, y: p.y, button: e.button + 1 });
    });
  }

  function keyEvent(e, down) {
    // Keys meant for the bar's own controls stay there.
    if (e.target && e.target.closest && e.target.closest('#bar')) return;
    if (focused < 0 || !windows[focused]) return;
    var vk = virtualKey(e);
    e.preventDefault();
    if (down) push({ kind: Kind.KeyDown, window: focused, vk: vk, ch: character(e, vk) });
    else push({ kind: Kind.KeyUp, window: focused, vk: vk });
  }
  document.addEventListener('keydown', function (e) { keyEvent(e, true); });
  document.addEventListener('keyup', function (e) { keyEvent(e, false); });
  // The page losing the focus is the window losing it: keys held then are
  // released elsewhere.
  window.addEventListener('blur', function () {
    if (focused >= 0 && windows[focused]) push({ kind: Kind.FocusOut, window: focused });
  });
  window.addEventListener('focus', function () {
    if (focused >= 0 && windows[focused]) push({ kind: Kind.FocusIn, window: focused });
  });

  // A new size of the desktop area: every window keeps its place in
  // proportion to the desktop, a resizable one its share of the desktop's
  // width and height too (the text window stays across the lower third),
  // and then each is pulled in far enough that its top-left corner, caption
  // first, is on the desktop. Menus that are open stay as they are.
  var screen = null; // the desktop's size as the program last saw it
  function keepOnScreen() {
    var width = screenWidth(), height = screenHeight();
    if (!screen || (screen.width === width && screen.height === height)) return;
    var sx = width / screen.width, sy = height / screen.height;
    screen = { width: width, height: height };
    Object.keys(windows).forEach(function (key) {
      var id = Number(key), win = windows[id];
      if (win.popup) return;
      var w = win.canvas.width, h = win.canvas.height;
      if (win.resizable) {
        w = Math.max(1, Math.round(w * sx));
        h = Math.max(1, Math.round(h * sy));
      }
      var x = Math.max(0, Math.min(Math.round(win.x * sx), width - w));
      var y = Math.max(0, Math.min(Math.round(win.y * sy), height - h));
      if (w !== win.canvas.width || h !== win.canvas.height) {
        // A new size clears the canvas; the layer paints the window anew.
        win.canvas.width = w;
        win.canvas.height = h;
        push({ kind: Kind.Resize, window: id, width: w, height: h });
      }
      if (x !== win.x || y !== win.y) {
        win.x = x;
        win.y = y;
        win.canvas.style.left = x + 'px';
        win.canvas.style.top = y + 'px';
        push({ kind: Kind.Moved, window: id, x: x, y: y });
      }
    });
  }
  window.addEventListener('resize', keepOnScreen);
  function currentScreen() {
    keepOnScreen();
    if (!screen) screen = { width: screenWidth(), height: screenHeight() };
    return screen;
  }

  // The program's files in the browser's storage. A sync writes every
  // change of the folder; one that is asked for while another runs follows it.
  var syncing = false, syncAgain = false;
  function syncFiles(done) {
    if (!folder) { if (done) done(null); return; }
    if (syncing) { syncAgain = true; if (done) setTimeout(function () { syncFiles(done); }, 50); return; }
    syncing = true;
    FS.syncfs(false, function (err) {
      syncing = false;
      if (err) console.error('Cannot keep the files in the browser\'s storage:', err);
      if (syncAgain) { syncAgain = false; syncFiles(); }
      if (done) done(err);
    });
  }
  // Written when the program next hands control back to the browser, by
  // which time it has finished with the file (a save that writes a scratch
  // file and renames it into place included).
  var syncSoon = null;
  function fileChanged() {
    if (syncSoon === null) syncSoon = setTimeout(function () { syncSoon = null; syncFiles(); }, 0);
  }
  function inFolder(path) { return folder && typeof path === 'string' && path.indexOf(folder + '/') === 0; }
  function absolute(path) {
    return path.charAt(0) === '/' ? path : FS.cwd().replace(/\/$/, '') + '/' + path;
  }
  function watchFiles() {
    var close = FS.close, rename = FS.rename, unlink = FS.unlink;
    FS.close = function (stream) {
      var wrote = (stream.flags & 3) !== 0 && inFolder(stream.path);
      var result = close.apply(this, arguments);
      if (wrote) {
        fileChanged();
        written(stream.path);
      }
      return result;
    };
    FS.rename = function (from, to) {
      var result = rename.apply(this, arguments);
      if (inFolder(absolute(to))) {
        fileChanged();
        written(absolute(to));
      }
      return result;
    };
    FS.unlink = function (path) {
      var result = unlink.apply(this, arguments);
      if (inFolder(absolute(path))) fileChanged();
      return result;
    };
  }

  // card-picture's page version, fetched and compiled once, then run in a
  // fresh instance for each picture: `name`, a card file of the folder, as
  // `kind` ('png' or 'gif'). Resolves to {data, warning}; rejects with
  // card-picture's own message.
  var GIF_FRAMES = 50; // five seconds, a frame per timer period
  var pictureProgram = null;
  function loadPictureProgram() {
    if (!pictureProgram) {
      pictureProgram = Promise.all([
        new Promise(function (resolve, reject) {
          var script = document.createElement('script');
          script.src = 'card-picture.js';
          script.onload = resolve;
          script.onerror = function () { reject(new Error('cannot load card-picture.js')); };
          document.head.appendChild(script);
        }),
        fetch('card-picture.wasm').then(function (response) {
          if (!response.ok) throw new Error('cannot load card-picture.wasm');
          return response.arrayBuffer();
        }).then(function (bytes) { return WebAssembly.compile(bytes); }),
      ]).then(function (loaded) { return loaded[1]; });
      pictureProgram.catch(function () { pictureProgram = null; });
    }
    return pictureProgram;
  }
  function cardPicture(name, kind) {
    var card = FS.readFile(folder + '/' + name);
    var out = '/work/' + name.replace(/\.[^.]*$/, '') + '.' + kind;
    var args = kind === 'gif' ? ['--frames', String(GIF_FRAMES)] : [];
    args.push('/work/' + name, out);
    return loadPictureProgram().then(function (compiled) {
      return new Promise(function (resolve, reject) {
        var said = [];
        var program = {
          arguments: args,
          instantiateWasm: function (imports, done) {
            WebAssembly.instantiate(compiled, imports).then(function (instance) {
              done(instance, compiled);
            }, reject);
            return {};
          },
          // The fonts the designer draws with, and the card file.
          preRun: [function () {
            var fs = program.FS;
            try {
              fs.mkdir('/fonts');
              FS.readdir('/fonts').forEach(function (font) {
                if (font !== '.' && font !== '..')
                  fs.writeFile('/fonts/' + font, FS.readFile('/fonts/' + font));
              });
              fs.mkdir('/work');
              fs.writeFile('/work/' + name, card);
            } catch (e) {
              reject(new Error('cannot hand it the card file'));
            }
          }],
          // The umask of a desktop process (this file system's own masks
          // everything, and card-picture gives its files what the umask leaves).
          onRuntimeInitialized: function () { program._umask(18 /* 022 */); },
          print: function (text) { said.push(text); },
          printErr: function (text) { said.push(text); },
          onExit: function (status) {
            var text = said.join(' ').replace(/^card-picture: /, '');
            if (status !== 0) { reject(new Error(text || 'card-picture failed')); return; }
            resolve({ data: program.FS.readFile(out), warning: text });
          },
          onAbort: function (what) { reject(new Error('card-picture stopped: ' + what)); },
        };
        window.CardPicture(program);
      });
    });
  }

  // Offers `data` to the user as a download named `name`.
  function offer(name, data, type) {
    var a = document.createElement('a');
    a.href = URL.createObjectURL(new Blob([data], { type: type }));
    a.download = name;
    document.body.appendChild(a);
    a.click();
    a.remove();
    setTimeout(function () { URL.revokeObjectURL(a.href); }, 10000);
  }

  var fileList = []; // the files the bar offers: {label, name, card}
  function bar() {
    fileList = Module.kv319Files || [];
    var select = document.getElementById('file');
    if (!select) return;
    fileList.forEach(function (f) {
      var o = document.createElement('option');
      o.value = f.name;
      o.textContent = f.label + ' (' + f.name + ')';
      select.appendChild(o);
    });
    var message = document.getElementById('message');
    function say(text) { message.textContent = text; }
    function chosen() {
      var name = select.value;
      return fileList.filter(function (f) { return f.name === name; })[0];
    }
    document.getElementById('download').addEventListener('click', function () {
      var name = select.value, data;
      try { data = FS.readFile(folder + '/' + name); } catch (e) { say(name + ' has not been saved yet.'); return; }
      offer(name, data, 'application/octet-stream');
      say('');
    });
    var upload = document.getElementById('upload-file');
    document.getElementById('upload').addEventListener('click', function () { upload.click(); });
    upload.addEventListener('change', function () {
      var file = upload.files[0], name = select.value;
      upload.value = '';
      if (!file) return;
      if (file.size > 1 << 20) { say(file.name + ' is too large to be a file of this program.'); return; }
      file.arrayBuffer().then(function (buffer) {
        FS.writeFile(folder + '/' + name, new Uint8Array(buffer));
        syncFiles(function (err) {
          say(err ? 'Uploaded as ' + name + ', but the browser did not keep it.'
                  : 'Uploaded ' + file.name + ' as ' + name + '.');
        });
      }, function () { say('Cannot read ' + file.name + '.'); });
    });

    // The picture of a card file, offered only where there are card files
    // and only while one is chosen.
    var pictures = document.getElementById('pictures');
    var picture = document.getElementById('picture');
    var kind = document.getElementById('picture-kind');
    if (!fileList.some(function (f) { return f.card; })) return;
    pictures.hidden = false;
    var drawing = false;
    function enable() { picture.disabled = drawing || !(chosen() || {}).card; }
    select.addEventListener('change', enable);
    enable();
    picture.addEventListener('click', function () {
      var name = select.value, type = kind.value;
      if (!FS.analyzePath(folder + '/' + name).exists) { say(name + ' has not been saved yet.'); return; }
      drawing = true;
      enable();
      say('Drawing ' + name + '\u2026');
      cardPicture(name, type).then(function (made) {
        offer(name.replace(/\.[^.]*$/, '') + '.' + type, made.data, 'image/' + type);
        say(made.warning);
      }, function (err) {
        say('No picture of ' + name + ': ' + err.message);
      }).then(function () {
        drawing = false;
        enable();
      });
    });
  }
  // A card file the program has just written becomes the bar's choice: the
  // card as last saved.
  function written(path) {
    var select = document.getElementById('file');
    var name = path.slice(folder.length + 1);
    if (select && fileList.some(function (f) { return f.card && f.name === name; })) {
      select.value = name;
      select.dispatchEvent(new Event('change'));
    }
  }

  return {
    // The desktop's size as it is now, the windows kept on it.
    screenWidth: function () { return currentScreen().width; },
    screenHeight: function () { return currentScreen().height; },

    createWindow: function (id, title, x, y, width, height, caption, resizable, popup, owner) {
      var canvas = document.createElement('canvas');
      canvas.width = Math.max(width, 1);
      canvas.height = Math.max(height, 1);
      canvas.style.left = x + 'px';
      canvas.style.top = y + 'px';
      canvas.style.display = 'none';
      canvas.setAttribute('aria-label', title);
      canvas.title = '';
      canvas.dataset.window = String(id);
      canvas.dataset.title = title;
      if (popup) canvas.dataset.popup = '1';
      var win = { canvas: canvas, context: canvas.getContext('2d'), x: x, y: y,
                  caption: caption, resizable: resizable, popup: popup, shown: false };
      windows[id] = win;
      listen(id, win);
      raise(win);
      desktop().appendChild(canvas);
    },
    showWindow: function (id, shown) {
      var win = windows[id];
      if (!win) return;
      win.shown = shown;
      win.canvas.style.display = shown ? 'block' : 'none';
      if (shown) raise(win);
    },
    moveWindow: function (id, x, y, width, height) {
      var win = windows[id];
      if (!win) return;
      win.x = x;
      win.y = y;
      win.canvas.style.left = x + 'px';
      win.canvas.style.top = y + 'px';
      if (win.canvas.width !== width || win.canvas.height !== height) {
        // A new size clears the canvas: the layer shows its pixels again.
        win.canvas.width = Math.max(width, 1);
        win.canvas.height = Math.max(height, 1);
        push({ kind: Kind.Expose, window: id });
      }
    },
    destroyWindow: function (id) {
      var win = windows[id];
      if (!win) return;
      win.canvas.remove();
      delete windows[id];
      if (focused === id) focused = -1;
      if (drag && drag.id === id) drag = null;
    },
    focusWindow: function (id) {
      if (windows[id]) focused = id;
    },
    present: function (id, rgba, x, y, width, height) {
      var win = windows[id];
      if (!win) return;
      var image = new ImageData(new Uint8ClampedArray(rgba), width, height);
      win.context.putImageData(image, x, y);
      if (!KV319Web.firstFrame) {
        KV319Web.firstFrame = performance.now();
        document.body.dataset.firstFrame = String(Math.round(KV319Web.firstFrame));
      }
    },
    nextInput: function () { return queue.length ? queue.shift() : null; },
    waitInput: function (timeout) {
      if (queue.length) return Promise.resolve();
      return new Promise(function (resolve) {
        var timer = null;
        wake = function () { if (timer !== null) clearTimeout(timer); resolve(); };
        if (timeout >= 0) timer = setTimeout(function () { wake = null; resolve(); }, timeout);
      });
    },
    // Before the program starts: the folder of its files, filled from the
    // browser's storage.
    mountStorage: function (path) {
      FS.mkdir(path);
      try {
        FS.mount(IDBFS, {}, path);
      } catch (e) {
        console.error('The browser\'s storage is not available:', e);
        return;
      }
      addRunDependency('kv319-files');
      FS.syncfs(true, function (err) {
        if (err) console.error('The browser\'s storage is not available:', err);
        folder = path;
        watchFiles();
        bar();
        removeRunDependency('kv319-files');
      });
    },
    programEnded: function (status) {
      ended = true;
      queue = [];
      Object.keys(windows).forEach(function (id) { KV319Web.destroyWindow(Number(id)); });
      syncFiles();
      var note = document.createElement('p');
      note.id = 'ended';
      note.textContent = 'The program has ended' + (status ? ' (status ' + status + ')' : '') +
                         '. Reload the page to start it again.';
      desktop().appendChild(note);
      document.body.dataset.ended = String(status);
    },
    // For the page's own use and its tests: true while a change of the
    // program's files is not yet in the browser's storage.
    syncFiles: syncFiles,
    writing: function () { return syncing || syncAgain || syncSoon !== null; },
    firstFrame: 0,
  };
})();

// The program's folder: its current directory (entry_web.cpp).
Module.preRun = Module.preRun || [];
Module.preRun.push(function () { KV319Web.mountStorage('/files'); });
