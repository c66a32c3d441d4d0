// The page side of velkari's web backend, placed before the compiled code
// (--pre-js): fetches the pictures into the file system before main runs,
// keeps the canvas fitted to the tab, shows touch controls on a touch screen,
// plays the sound through Web Audio, plays the recording named by
// ?replay=NAME, keeps the running game in IndexedDB so that a reload or a
// closed tab resumes it, keeps the page for offline play (sw.js), and, with
// ?test in the address, keeps a record of frames, keys and sound for the
// browser checks.

var velkariTesting = /[?&]test\b/.test(location.search);

// ?replay=NAME: a recording (velkari --record) in the page's folder, fetched
// into the file system as /replay.keys and played as velkari --play plays it.
var velkariReplay = (function () {
  var m = /[?&]replay=([^&#]*)/.exec(location.search);
  if (!m) return null;
  try { return decodeURIComponent(m[1].replace(/\+/g, ' ')); } catch (e) { return m[1]; }
})();

// ?fresh: the kept game is forgotten and the game starts at its boot frame.
// The word leaves the address at once, so that the next reload resumes the
// new game.
var velkariFresh = /[?&]fresh\b/.test(location.search);
if (velkariFresh && window.history && history.replaceState) {
  var velkariQuery = location.search.slice(1).split('&').filter(function (p) {
    return !/^fresh(=|$)/.test(p);
  }).join('&');
  history.replaceState(history.state, '', location.pathname + (velkariQuery ? '?' + velkariQuery : '') +
                       location.hash);
}

// A line along the bottom of the page, and the console, for what went wrong.
function velkariSay(text) {
  console.warn('velkari: ' + text);
  var line = document.getElementById('notice');
  if (!line) {
    line = document.createElement('p');
    line.id = 'notice';
    line.style.cssText = 'position:fixed;left:0;right:0;bottom:0;margin:0;padding:2px 0;' +
        'text-align:center;font:13px sans-serif;color:#fff;background:rgba(0,0,0,0.6);' +
        'pointer-events:none';
    document.body.appendChild(line);
  }
  line.textContent = text;
}

// The test hook: what the checks read back through window.velkariTest.
var velkariTest = velkariTesting ? {
  presents: [],          // [frame, performance.now()] of the first presents
  lastFrame: 0,          // the frame of the picture on the canvas
  keys: [],              // [frame, key bits] whenever a read saw a change
  buffers: [],           // the first wave buffers played, Int16 samples each
  maxBuffers: 160,
  speaker: new Int16Array(160 * 3000),  // the samples handed to Web Audio
  speakerLength: 0,
  saves: [],             // {frame, copyMs, takeMs, putMs, writtenMs, bytes} of the last saves
  resumed: null,         // {frame, paused} when a kept game resumed
  refused: null,         // the reason a kept game was refused
  snapshot: function () {
    var c = document.getElementById('canvas');
    var d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
    var s = '';
    for (var i = 0; i < d.length; i += 8192) s += String.fromCharCode.apply(null, d.subarray(i, i + 8192));
    var r = c.getBoundingClientRect();
    return {frame: this.lastFrame, rgba: btoa(s), rect: [r.left, r.top, r.width, r.height]};
  },
  int16: function (a) {
    var b = new Uint8Array(a.buffer, a.byteOffset, a.byteLength), s = '';
    for (var i = 0; i < b.length; i += 8192) s += String.fromCharCode.apply(null, b.subarray(i, i + 8192));
    return btoa(s);
  },
} : null;
if (velkariTest) window.velkariTest = velkariTest;

// The kept game: the snapshot of the running game (app/shell.h) in
// IndexedDB's database "velkari", store "saved", cut into parts of at most
// 32 KB: the values of the store in the order of their keys (0, 1, ...) are
// the snapshot's bytes. Parts that small go to the storage with the request
// itself, so a write asked for as the tab is left lands before it is gone;
// one value of the whole would wait for a blob of its own. The page reads
// the game before the program starts and writes it while the game runs and
// when the tab is hidden or left; a recording played by ?replay= does
// neither.
var velkariKept = (function () {
  var DB = 'velkari', STORE = 'saved', PART = 32768, LOAD_WAIT_MS = 3000;
  var db = null, pending = null, scheduled = false;
  var keeps = velkariReplay === null && !!window.indexedDB;

  function open() {
    return new Promise(function (resolve, reject) {
      var r = indexedDB.open(DB, 1);
      r.onupgradeneeded = function () { r.result.createObjectStore(STORE); };
      r.onsuccess = function () { resolve(r.result); };
      r.onerror = function () { reject(r.error); };
      r.onblocked = function () { reject(new Error('the storage is blocked')); };
    });
  }
  // One transaction: a read gives its value as it arrives, a write once it is
  // committed (asked for at once, as a page being left may not come back).
  function request(mode, act) {
    return new Promise(function (resolve, reject) {
      var tx = db.transaction(STORE, mode), r = act(tx.objectStore(STORE)), result;
      r.onsuccess = function () {
        result = r.result;
        if (mode === 'readonly') resolve(result);
      };
      tx.oncomplete = function () { resolve(result); };
      tx.onerror = tx.onabort = function () { reject(tx.error || new Error('the transaction was aborted')); };
      if (mode !== 'readonly' && tx.commit) tx.commit();
    });
  }
  // The parts joined; a value that is not bytes makes the whole unreadable,
  // and the program refuses it like any other damaged snapshot.
  function join(values) {
    var size = 0, i;
    for (i = 0; i < values.length; ++i) {
      if (!(values[i] instanceof ArrayBuffer)) return new Uint8Array(0);
      size += values[i].byteLength;
    }
    var bytes = new Uint8Array(size), at = 0;
    for (i = 0; i < values.length; ++i) {
      bytes.set(new Uint8Array(values[i]), at);
      at += values[i].byteLength;
    }
    return bytes;
  }
  function complain(what) {
    return function (e) { console.warn('velkari: ' + what + ' (' + (e && e.message) + ')'); };
  }

  // The write, after the frame that made the copy, when the page is idle:
  // the page's own copy of the bytes, in parts, replacing the last game.
  function write() {
    scheduled = false;
    var save = pending;
    pending = null;
    if (!db || !save) return;
    var t0 = performance.now(), heap = HEAPU8.buffer, parts = [];
    for (var at = 0; at < save.size; at += PART)
      parts.push(heap.slice(save.ptr + at, save.ptr + Math.min(save.size, at + PART)));
    var t1 = performance.now(), t2 = t1;
    request('readwrite', function (store) {
      store.clear();
      var r = null;
      for (var key = 0; key < parts.length; ++key) r = store.put(parts[key], key);
      t2 = performance.now();
      return r;
    }).then(function () {
      if (!velkariTest) return;
      if (velkariTest.saves.length >= 64) velkariTest.saves.shift();
      velkariTest.saves.push({frame: save.frame, copyMs: save.copyMs, takeMs: t1 - t0, putMs: t2 - t1,
                              writtenMs: performance.now() - t0, bytes: save.size});
    }, complain('the game could not be kept'));
  }
  // An idle stretch long enough for the copy and the put, or half a second on.
  function whenIdle(deadline) {
    if (deadline && !deadline.didTimeout && deadline.timeRemaining() < 10) {
      requestIdleCallback(whenIdle, {timeout: 500});
      return;
    }
    write();
  }

  return {
    keeps: function () { return keeps; },
    // Before main: the kept game into the file system as /saved.snapshot
    // (forgotten instead with ?fresh). When the storage cannot be opened or
    // read, or does not answer in time, the page starts as usual and keeps
    // nothing, so that a game it could not read is not written over.
    load: function () {
      if (!keeps) return Promise.resolve();
      var gaveUp = false;
      var late = new Promise(function (resolve, reject) {
        setTimeout(function () { reject(new Error('no answer in ' + LOAD_WAIT_MS + ' ms')); }, LOAD_WAIT_MS);
      });
      return Promise.race([late, open().then(function (opened) {
        if (gaveUp) {
          opened.close();
          return;
        }
        db = opened;
        if (velkariFresh) return request('readwrite', function (s) { return s.clear(); });
        return request('readonly', function (s) { return s.getAll(); }).then(function (values) {
          if (values && values.length) FS.writeFile('/saved.snapshot', join(values));
        });
      })]).catch(function (e) {
        gaveUp = true;
        keeps = false;
        if (db) db.close();
        db = null;
        complain('the game cannot be kept in this browser')(e);
      });
    },
    // The frame's copy (web_main.cpp) stays in the module's memory until it
    // is written, after the frame; a later one only replaces it whole.
    saved: function (ptr, size, frame, copyMs) {
      pending = {ptr: ptr, size: size, frame: frame, copyMs: copyMs};
      if (scheduled) return;
      scheduled = true;
      if (window.requestIdleCallback) requestIdleCallback(whenIdle, {timeout: 500});
      else setTimeout(write, 0);
    },
    // Hidden or left: a game in play pauses, and the game as it is now is
    // written at once (a timer may never run again).
    keepNow: function () {
      if (!keeps || !db || !Module['calledRun']) return;
      Module._velkari_leave_page();
      write();
    },
    forget: function () {
      pending = null;
      if (db) request('readwrite', function (s) { return s.clear(); }).catch(complain('the kept game could not be forgotten'));
    },
  };
})();
document.addEventListener('visibilitychange', function () {
  if (document.visibilityState === 'hidden') velkariKept.keepNow();
});
window.addEventListener('pagehide', function () { velkariKept.keepNow(); });

Module['preRun'] = Module['preRun'] || [];
Module['preRun'].push(function () {
  addRunDependency('velkari-kept-game');
  velkariKept.load().then(function () { removeRunDependency('velkari-kept-game'); });

  // The pictures: one missing is logged and left undrawn, the game goes on.
  var names = ['tobernix.bmp', 'velkimg.bmp', 'girl.bmp'];
  FS.mkdir('/img');
  addRunDependency('velkari-pictures');
  Promise.all(names.map(function (name) {
    return fetch('img/' + name).then(function (r) {
      if (!r.ok) throw new Error('HTTP ' + r.status);
      return r.arrayBuffer();
    }).then(function (data) {
      FS.writeFile('/img/' + name, new Uint8Array(data));
    }).catch(function (e) {
      console.warn('velkari: img/' + name + ' is missing (' + e.message + '): its pictures stay undrawn');
    });
  })).then(function () { removeRunDependency('velkari-pictures'); });

  if (velkariReplay === null) return;
  // Only a file beside the page (or below it), never another site's.
  var name = velkariReplay, folder = new URL('.', location.href).href, at = null;
  try { at = new URL(name, folder).href; } catch (e) { at = null; }
  addRunDependency('velkari-replay');
  var fetched = name && at && at.indexOf(folder) === 0 ? fetch(at).then(function (r) {
    if (!r.ok) throw new Error('HTTP ' + r.status);
    return r.arrayBuffer();
  }) : Promise.reject(new Error('not a file in the page\'s folder'));
  fetched.then(function (data) {
    FS.writeFile('/replay.keys', new Uint8Array(data));
  }).catch(function (e) {
    velkariSay('the recording ' + name + ' could not be loaded (' + e.message + '): the game starts as usual');
  }).then(function () { removeRunDependency('velkari-replay'); });
});

Module.velkariPage = (function () {
  var canvas = null, context = null;
  // The touch controls' boxes (shell.html) and the room kept for them.
  var PAD = 168, KEYS = 152, CONTROLS_HIGH = 168, EDGE = 12;
  var touchShown = false;

  // The frame at the largest whole-number scale that fits, or scaled down to
  // fit when 640 x 480 does not; on a touch screen the controls get their
  // room first: below the game in portrait, beside it in landscape.
  function fit() {
    var vw = window.innerWidth, vh = window.innerHeight;
    var pad = document.getElementById('pad'), keys = document.getElementById('keys');
    var portrait = vh >= vw;
    var left = 0, roomW = vw, roomH = vh;
    if (touchShown) {
      if (portrait) {
        roomH = Math.max(0, vh - CONTROLS_HIGH - 2 * EDGE);
      } else {
        left = PAD + 2 * EDGE;
        roomW = Math.max(0, vw - left - KEYS - 2 * EDGE);
      }
    }
    var scale = Math.min(roomW / canvas.width, roomH / canvas.height);
    if (scale >= 1) scale = Math.floor(scale);
    if (!(scale > 0)) scale = 1;
    var w = canvas.width * scale, h = canvas.height * scale;
    canvas.style.width = w + 'px';
    canvas.style.height = h + 'px';
    canvas.style.left = left + Math.max(0, Math.floor((roomW - w) / 2)) + 'px';
    canvas.style.top = Math.max(0, Math.floor((roomH - h) / 2)) + 'px';
    if (touchShown && pad && keys) {
      // Where thumbs rest: the bottom corners.
      pad.style.left = EDGE + 'px';
      pad.style.top = (vh - CONTROLS_HIGH - EDGE) + 'px';
      keys.style.left = (vw - KEYS - EDGE) + 'px';
      keys.style.top = (vh - CONTROLS_HIGH - EDGE) + 'px';
    }
    // "New game": above the keys, or below the game's right edge where
    // there is room for it, else in the page's top right corner (above the
    // panel, which is black there).
    var fresh = document.getElementById('newgame');
    if (fresh) {
      var bw = fresh.offsetWidth, bh = fresh.offsetHeight;
      var bottom = parseFloat(canvas.style.top) + h;
      if (touchShown) {
        fresh.style.left = (vw - KEYS - EDGE) + 'px';
        fresh.style.top = (vh - CONTROLS_HIGH - EDGE - bh - EDGE) + 'px';
      } else if (vh - bottom >= bh + 8) {
        fresh.style.left = Math.max(0, parseFloat(canvas.style.left) + w - bw) + 'px';
        fresh.style.top = (bottom + 4) + 'px';
      } else {
        fresh.style.left = Math.max(0, vw - bw - 4) + 'px';
        fresh.style.top = '4px';
      }
    }
  }

  function showTouch() {
    if (touchShown) return;
    touchShown = true;
    document.getElementById('pad').hidden = false;
    document.getElementById('keys').hidden = false;
    fit();
  }

  // The controls press the game's keys through the same key events the
  // keyboard sends, by KeyboardEvent.code. A key is down while any finger
  // holds it; each finger holds at most one key.
  var held = {};       // pointer id -> code
  var counts = {};     // code -> fingers holding it
  var keyNames = {ArrowUp: 'ArrowUp', ArrowDown: 'ArrowDown', ArrowLeft: 'ArrowLeft',
                  ArrowRight: 'ArrowRight', KeyZ: 'z', KeyX: 'x', Escape: 'Escape'};

  function send(type, code) {
    window.dispatchEvent(new KeyboardEvent(type, {code: code, key: keyNames[code],
                                                  bubbles: true, cancelable: true}));
    var b = document.querySelector('.touch [data-code=' + code + ']');
    if (b) b.classList.toggle('on', type === 'keydown');
  }
  function hold(id, code) {
    var was = held[id];
    if (was === code) return;
    if (was) {
      delete held[id];
      if (--counts[was] === 0) send('keyup', was);
    }
    if (code) {
      held[id] = code;
      counts[code] = (counts[code] || 0) + 1;
      if (counts[code] === 1) send('keydown', code);
    }
  }
  function releaseAll() {
    for (var id in held) hold(id, null);
  }

  // The pad is one surface: the direction is where the finger is from its
  // centre, so a thumb sliding across it changes direction.
  function padDirection(pad, e) {
    var r = pad.getBoundingClientRect();
    var dx = e.clientX - (r.left + r.width / 2), dy = e.clientY - (r.top + r.height / 2);
    if (Math.abs(dx) < 10 && Math.abs(dy) < 10) return null;
    if (Math.abs(dx) > Math.abs(dy)) return dx > 0 ? 'ArrowRight' : 'ArrowLeft';
    return dy > 0 ? 'ArrowDown' : 'ArrowUp';
  }

  function wireTouch() {
    var pad = document.getElementById('pad'), keys = document.getElementById('keys');
    if (!pad || !keys) return;
    var end = function (e) { hold(e.pointerId, null); };
    pad.addEventListener('pointerdown', function (e) {
      e.preventDefault();
      pad.setPointerCapture(e.pointerId);
      hold(e.pointerId, padDirection(pad, e));
    });
    pad.addEventListener('pointermove', function (e) {
      if (e.pointerId in held || pad.hasPointerCapture(e.pointerId)) hold(e.pointerId, padDirection(pad, e));
    });
    Array.prototype.forEach.call(keys.querySelectorAll('button'), function (b) {
      b.addEventListener('pointerdown', function (e) {
        e.preventDefault();
        b.setPointerCapture(e.pointerId);
        hold(e.pointerId, b.getAttribute('data-code'));
      });
      ['pointerup', 'pointercancel', 'lostpointercapture'].forEach(function (t) { b.addEventListener(t, end); });
    });
    ['pointerup', 'pointercancel', 'lostpointercapture'].forEach(function (t) { pad.addEventListener(t, end); });
    // No menus, no double-tap zoom, no page drag from the controls.
    [pad, keys].forEach(function (el) {
      el.addEventListener('contextmenu', function (e) { e.preventDefault(); });
      el.addEventListener('touchstart', function (e) { e.preventDefault(); }, {passive: false});
    });
    window.addEventListener('blur', releaseAll);
    // The controls show on a touch screen, or from the first touch.
    if (window.matchMedia && window.matchMedia('(pointer: coarse)').matches) showTouch();
    window.addEventListener('pointerdown', function (e) {
      if (e.pointerType === 'touch') showTouch();
    }, true);
  }

  // "New game" forgets the kept game and starts at the boot frame. It never
  // keeps the focus, so that Space and Enter stay the game's.
  function wireNewGame() {
    var b = document.getElementById('newgame');
    if (!b || !velkariKept.keeps()) return;
    b.hidden = false;
    b.addEventListener('pointerdown', function (e) { e.preventDefault(); });
    b.addEventListener('click', function () {
      b.blur();
      releaseAll();
      velkariKept.forget();
      Module._velkari_new_game();
      if (velkariTest) velkariTest.resumed = null;
    });
  }

  return {
    create: function () {
      canvas = document.getElementById('canvas');
      if (!canvas) return 0;
      canvas.width = 640;
      canvas.height = 480;
      context = canvas.getContext('2d', {alpha: false});
      if (!context) return 0;
      window.addEventListener('resize', fit);
      wireTouch();
      wireNewGame();
      fit();
      return 1;
    },
    present: function (rgba, width, height, frame) {
      var pixels = new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4);
      context.putImageData(new ImageData(pixels, width, height), 0, 0);
      if (velkariTest) {
        velkariTest.lastFrame = frame;
        if (velkariTest.presents.length < 64) velkariTest.presents.push([frame, performance.now()]);
      }
    },
    replayRefused: function (reason) {
      velkariSay('the recording ' + velkariReplay + ' is not a key script (' + reason +
                 '): the game starts as usual');
    },
    keepsGame: function () { return velkariKept.keeps() ? 1 : 0; },
    saved: function (ptr, size, frame, copyMs) { velkariKept.saved(ptr, size, frame, copyMs); },
    resumed: function (frame, paused) {
      if (velkariTest) velkariTest.resumed = {frame: frame, paused: !!paused};
    },
    resumeRefused: function (reason) {
      console.warn('velkari: the kept game is refused: ' + reason);
      if (velkariTest) velkariTest.refused = reason;
      velkariKept.forget();
      velkariSay('A game saved by another version could not be resumed.');
    },
    keys: function (frame, mask) {
      if (velkariTest && velkariTest.keys.length < 1024) velkariTest.keys.push([frame, mask]);
    },
  };
})();

Module.velkariAudio = (function () {
  var context = null, node = null;

  function notice() {
    var line = document.getElementById('sound');
    if (line) line.hidden = !context || context.state === 'running';
  }

  function resume() {
    if (context && context.state === 'suspended') context.resume().then(notice, notice);
  }
  // Sound starts only after a gesture: the first key press, click or tap (a
  // touch counts as one when the finger lifts).
  window.addEventListener('keydown', resume, true);
  window.addEventListener('pointerdown', resume, true);
  window.addEventListener('pointerup', resume, true);

  return {
    open: function (rate, channels) {
      var Context = window.AudioContext || window.webkitAudioContext;
      if (!Context) {
        console.warn('velkari: this browser has no Web Audio: the game runs silent');
        return 0;
      }
      try {
        context = new Context({sampleRate: rate});
        if (context.sampleRate !== rate) throw new Error('it runs at ' + context.sampleRate + ' Hz');
        node = context.createScriptProcessor(2048, 0, channels);
      } catch (e) {
        console.warn('velkari: no sound output at ' + rate + ' Hz (' + e.message + '): the game runs silent');
        if (context) context.close();
        context = node = null;
        return 0;
      }
      node.onaudioprocess = function (e) {
        var out = e.outputBuffer, n = out.length;
        var at = Module._velkari_audio_fill(n) >> 1;
        var left = out.getChannelData(0), right = out.getChannelData(1);
        var samples = HEAP16;
        for (var i = 0; i < n; ++i) {
          left[i] = samples[at + 2 * i] / 32768;
          right[i] = samples[at + 2 * i + 1] / 32768;
        }
        if (velkariTest) {
          var keep = velkariTest.speaker, k = velkariTest.speakerLength;
          for (var j = 0; j < n && k + 1 < keep.length; ++j) {
            keep[k++] = Math.round(left[j] * 32768);
            keep[k++] = Math.round(right[j] * 32768);
          }
          velkariTest.speakerLength = k;
        }
      };
      node.connect(context.destination);
      context.onstatechange = notice;
      notice();
      return 1;
    },
    close: function () {
      if (node) node.disconnect();
      if (context) context.close();
      context = node = null;
      notice();
    },
    bufferPlayed: function (samples, bytes) {
      if (velkariTest && velkariTest.buffers.length < velkariTest.maxBuffers)
        velkariTest.buffers.push(HEAP16.slice(samples >> 1, (samples + bytes) >> 1));
    },
    state: function () { return context ? context.state : 'none'; },
  };
})();

// The service worker keeps the page, its code and pictures for offline play;
// a new build brings a new one that replaces them.
if ('serviceWorker' in navigator && /^https?:$/.test(location.protocol)) {
  navigator.serviceWorker.register('sw.js').catch(function (e) {
    console.warn('velkari: no offline copy of the page (' + e.message + ')');
  });
}
