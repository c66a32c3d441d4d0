// velkari-mml's studio page (placed before the compiled code, --pre-js): eight
// channel text areas with their lint findings marked and listed, Play and
// Stop through Web Audio with the sounding note of each channel marked, a WAV
// download, song files opened and saved, the song kept in the address.

Module.velkariStudio = (function () {
  var CHANNELS = 8, FRAMES = 1500, RATE = 44100;
  var areas = [], marks = [], lists = [], sections = [];
  var lint = [];          // per channel: [[line, textLine, byteColumn], ...]
  var now = [];           // per channel: the text position sounding, or -1
  var context = null, node = null, playing = false;
  var pending = null, pendingAt = 0;  // the rendered buffer being played out
  var timeline = [];      // [time, positions] of buffers handed to Web Audio
  var statusLine, seconds;

  function call(name, ret, types, args) { return Module.ccall(name, ret, types, args); }

  function say(text, error) {
    statusLine.textContent = text;
    statusLine.className = error ? 'error' : '';
  }

  // --- places ---------------------------------------------------------------
  // Line (from 1) and byte column (from 1) of a text area as an index into
  // its value.
  function indexOf(value, line, column) {
    var lines = value.split('\n'), at = 0;
    for (var k = 0; k < line - 1 && k < lines.length; ++k) at += lines[k].length + 1;
    var text = lines[line - 1] || '';
    var bytes = new TextEncoder().encode(text).subarray(0, column - 1);
    return at + new TextDecoder().decode(bytes).length;
  }

  // The command at `at` and what belongs to it (sign, length, dots).
  function extent(value, at) {
    var end = at + 1;
    if (/[cdefgabr]/.test(value[at]))
      while (end < value.length && /[+\-%.0-9]/.test(value[end])) ++end;
    return end;
  }

  function escape(s) {
    return s.replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;');
  }

  // Redraws the mark layer behind channel ch's text area.
  function drawMarks(ch) {
    var value = areas[ch].value, spans = [];
    lint[ch].forEach(function (f) {
      var at = indexOf(value, f[1], f[2]);
      spans.push([at, at + 1, 'lint']);
    });
    if (now[ch] >= 0) {
      var place = call('studio_place', 'number', ['number', 'number'], [ch, now[ch]]);
      if (place) {
        var at = indexOf(value, place >> 16, place & 0xffff);
        spans.push([at, extent(value, at), 'now']);
      }
    }
    spans.sort(function (a, b) { return a[0] - b[0]; });
    var html = '', pos = 0;
    spans.forEach(function (s) {
      if (s[0] < pos) return;
      html += escape(value.slice(pos, s[0]));
      var inner = value.slice(s[0], s[1]);
      html += '<mark class="' + s[2] + '">' + (inner === '' || inner === '\n' ? ' ' : escape(inner)) +
              '</mark>';
      pos = s[1];
    });
    html += escape(value.slice(pos)) + '\n';
    marks[ch].innerHTML = html;
    marks[ch].scrollTop = areas[ch].scrollTop;
    marks[ch].scrollLeft = areas[ch].scrollLeft;
    sections[ch].classList.toggle('playing', now[ch] >= 0);
  }

  // --- the song ---------------------------------------------------------------
  function songText() {
    var out = '';
    for (var ch = 0; ch < CHANNELS; ++ch) {
      if (areas[ch].value.trim() === '') continue;
      areas[ch].value.split('\n').forEach(function (line) { out += ch + ': ' + line + '\n'; });
    }
    return out;
  }

  // Hands channel ch's text to the engine and lists its lint findings.
  function update(ch) {
    var reply = JSON.parse(call('studio_set_channel', 'string', ['number', 'string'],
                                [ch, areas[ch].value]));
    lists[ch].textContent = '';
    lint[ch] = reply.lint || [];
    if (reply.error) {
      var e = document.createElement('li');
      e.textContent = reply.error;
      lists[ch].appendChild(e);
    }
    lint[ch].forEach(function (f) {
      var li = document.createElement('li');
      li.textContent = f[0];
      lists[ch].appendChild(li);
    });
    drawMarks(ch);
  }

  var keepTimer = 0;
  function keepInAddress() {
    clearTimeout(keepTimer);
    keepTimer = setTimeout(function () {
      var text = songText();
      history.replaceState(null, '', text ? '#' + encodeURIComponent(text) : location.pathname);
    }, 200);
  }

  function loadSong(text, from) {
    var reply = JSON.parse(call('studio_read_song', 'string', ['string'], [text]));
    if (reply.error) {
      say(from + ', line ' + reply.error, true);
      return false;
    }
    stop();
    for (var ch = 0; ch < CHANNELS; ++ch) {
      areas[ch].value = reply.channels[ch] ? reply.channels[ch].join('\n') : '';
      update(ch);
    }
    keepInAddress();
    return true;
  }

  // --- sound ------------------------------------------------------------------
  function openAudio() {
    if (context) return true;
    var Context = window.AudioContext || window.webkitAudioContext;
    if (!Context) {
      say('This browser has no Web Audio: Download WAV still works.', true);
      return false;
    }
    try {
      context = new Context({sampleRate: RATE});
      node = context.createScriptProcessor(2048, 0, 2);
    } catch (e) {
      say('No sound output at 44,100 Hz (' + e.message + '): Download WAV still works.', true);
      context = null;
      return false;
    }
    node.onaudioprocess = fill;
    node.connect(context.destination);
    return true;
  }

  // The audio callback: plays out rendered buffers, one 1500-frame buffer of
  // renderMix at a time, and notes when each starts sounding.
  function fill(e) {
    var left = e.outputBuffer.getChannelData(0), right = e.outputBuffer.getChannelData(1);
    var n = left.length;
    for (var i = 0; i < n; ++i) {
      if (!playing) {
        left[i] = right[i] = 0;
        continue;
      }
      if (!pending || pendingAt >= FRAMES) {
        var at = call('studio_render', 'number', [], []);
        pending = HEAP16.slice(at >> 1, (at >> 1) + FRAMES * 2);
        pendingAt = 0;
        var p = call('studio_now', 'number', [], []) >> 2;
        timeline.push([e.playbackTime + i / RATE, Array.from(HEAP32.subarray(p, p + CHANNELS))]);
        if (timeline.length > 64) timeline.shift();
      }
      left[i] = pending[2 * pendingAt] / 32768;
      right[i] = pending[2 * pendingAt + 1] / 32768;
      ++pendingAt;
    }
  }

  // Marks the notes that sound now, by the audio clock.
  function animate() {
    if (!playing || !context) return;
    var t = context.currentTime, current = null;
    while (timeline.length > 1 && timeline[1][0] <= t) timeline.shift();
    if (timeline.length && timeline[0][0] <= t) current = timeline[0][1];
    for (var ch = 0; ch < CHANNELS; ++ch) {
      var at = current ? current[ch] : -1;
      if (at !== now[ch]) {
        now[ch] = at;
        drawMarks(ch);
      }
    }
    if (!call('studio_playing', 'number', [], []) && current && current.every(function (x) { return x < 0; })) {
      stop();
      say('The song has ended.');
      return;
    }
    requestAnimationFrame(animate);
  }

  function play() {
    if (!openAudio()) return;
    if (context.state === 'suspended') context.resume();
    call('studio_play', null, [], []);
    pending = null;
    timeline = [];
    var wasPlaying = playing;
    playing = true;
    say('Playing. Escape stops.');
    if (!wasPlaying) requestAnimationFrame(animate);
  }

  function stop() {
    var was = playing;
    playing = false;
    call('studio_stop', null, [], []);
    pending = null;
    timeline = [];
    for (var ch = 0; ch < CHANNELS; ++ch) {
      if (now[ch] !== -1) {
        now[ch] = -1;
        drawMarks(ch);
      }
    }
    if (was) say('Stopped.');
  }

  // --- files --------------------------------------------------------------------
  function download(bytes, name, type) {
    var url = URL.createObjectURL(new Blob([bytes], {type: type}));
    var a = document.createElement('a');
    a.href = url;
    a.download = name;
    document.body.appendChild(a);
    a.click();
    a.remove();
    setTimeout(function () { URL.revokeObjectURL(url); }, 10000);
  }

  function downloadWav() {
    stop();
    var at = call('studio_wav', 'number', ['string'], [seconds.value.trim()]);
    if (!at) {
      say('Seconds must be a number from 0 up (at most about 57 minutes), not "' +
          seconds.value + '".', true);
      return;
    }
    var size = call('studio_wav_size', 'number', [], []);
    download(HEAPU8.slice(at, at + size), 'song.wav', 'audio/wav');
    say('Rendered ' + seconds.value.trim() + ' s into song.wav (' + size + ' bytes).');
  }

  // --- the page -------------------------------------------------------------------
  function build() {
    statusLine = document.getElementById('status');
    seconds = document.getElementById('seconds');
    var main = document.getElementById('channels');
    var template = document.getElementById('channel');
    for (var ch = 0; ch < CHANNELS; ++ch) {
      var section = template.content.firstElementChild.cloneNode(true);
      var area = section.querySelector('textarea');
      var label = section.querySelector('.name');
      area.id = 'channel' + ch;
      area.setAttribute('aria-label', 'Channel ' + ch);
      area.setAttribute('aria-describedby', 'lint' + ch);
      label.htmlFor = area.id;
      label.textContent = 'Channel ' + ch;
      var list = section.querySelector('ul');
      list.id = 'lint' + ch;
      list.setAttribute('aria-label', 'Lint ' + ch);
      main.appendChild(section);
      areas.push(area);
      marks.push(section.querySelector('.marks'));
      lists.push(list);
      sections.push(section);
      lint.push([]);
      now.push(-1);
      (function (ch) {
        area.addEventListener('input', function () {
          update(ch);
          keepInAddress();
          if (playing) play();
        });
        area.addEventListener('scroll', function () {
          marks[ch].scrollTop = area.scrollTop;
          marks[ch].scrollLeft = area.scrollLeft;
        });
      })(ch);
    }

    document.getElementById('play').addEventListener('click', play);
    document.getElementById('stop').addEventListener('click', stop);
    document.getElementById('download').addEventListener('click', downloadWav);
    document.getElementById('save').addEventListener('click', function () {
      download(new TextEncoder().encode(songText()), 'song.mml', 'text/plain');
      say('Saved the song as song.mml.');
    });
    document.getElementById('open').addEventListener('change', function (e) {
      var file = e.target.files[0];
      if (!file) return;
      file.text().then(function (text) {
        if (loadSong(text, file.name)) say('Opened ' + file.name + '.');
      });
      e.target.value = '';
    });

    var examples = document.getElementById('examples');
    var cues = JSON.parse(call('studio_cues', 'string', [], []));
    cues.forEach(function (c, k) {
      var o = document.createElement('option');
      o.value = String(k);
      o.textContent = c[0] + ' (channel ' + c[1] + ')';
      examples.appendChild(o);
    });
    examples.addEventListener('change', function () {
      var c = cues[Number(examples.value)];
      if (!c) return;
      areas[c[1]].value = c[2];
      update(c[1]);
      keepInAddress();
      if (playing) play();
      say('The ' + c[0] + ' cue is on channel ' + c[1] + '.');
      examples.value = '';
    });

    window.addEventListener('keydown', function (e) {
      if (e.key === 'Enter' && (e.ctrlKey || e.metaKey)) {
        e.preventDefault();
        play();
      } else if (e.key === 'Escape') {
        e.preventDefault();
        stop();
      }
    });

    var hash = location.hash.slice(1), text = '';
    try {
      text = decodeURIComponent(hash);
    } catch (e) {
      say('The address holds no song that can be read.', true);
    }
    if (!text || !loadSong(text, 'The address'))
      for (var k = 0; k < CHANNELS; ++k) update(k);
    document.body.setAttribute('data-ready', '1');
  }

  return {build: build};
})();

Module['onRuntimeInitialized'] = function () { Module.velkariStudio.build(); };
