// The page's behaviour: a choice of files is judged by the core in a worker, the answer shown, and
// either form downloaded. Inlined into the page at build time, beside the module.
(function () {
  "use strict";
  // The largest loose file the page takes: the core works on the whole file and its result at
  // once, in WebAssembly's memory of at most 2 GiB. A disc image is read in place, a slice at a
  // time, whatever its size.
  var LARGEST = 512 * 1024 * 1024;
  var $ = function (id) { return document.getElementById(id); };
  var chosen = null;     // { file, companions, answer, anyway } of the latest choice, once judged
  var generation = 0;    // the latest choice; an answer for an earlier one is dropped
  var worker = null;     // the job in flight, ended when a newer choice comes

  // The core runs in a worker of its own for each job: judging or converting never stalls the
  // page, a newer choice ends an older job at once, and the job's memory goes with its worker.
  var workerSource = URL.createObjectURL(new Blob([
    "var Module = { onRuntimeInitialized: function () { ready(); } };\n" +
    "var started, ready = function () {}; started = new Promise(function (r) { ready = r; });\n" +
    $("quillet-module").textContent + "\n(" + job.toString() + ")();"], { type: "text/javascript" }));

  // What a worker does. The chosen files (the one to judge first, a .gdi's track files after it)
  // are the core's to read in place as a disc image; any other file is read whole (saying how far
  // it got) into the module's memory. Then it is judged or converted.
  function job() {
    var UNREADABLE = "the browser could not read it (it may have been moved or changed since it was chosen)";
    // The reply to a conversion the core has made (`status` as it returned): what it says, the
    // result as a Blob (made here: the page's own thread only names it), and the result's name.
    function converted(request, status) {
      var reply = { status: status, text: Module.ccall("quillet_text", "string", [], []) };
      if (status === 0) {
        var data = Module._quillet_result_data(), length = Module._quillet_result_size();
        reply.blob = new Blob([Module.HEAPU8.subarray(data, data + length)], { type: "application/octet-stream" });
      }
      reply.name = Module.ccall("quillet_result_name", "string", ["string", "number"],
                                [request.file.name, request.scramble ? 1 : 0]);
      return reply;
    }
    self.onmessage = async function (event) {
      var request = event.data, name = request.file.name;
      try {
        await started;
        self.quilletFiles = [request.file].concat(request.companions);
        self.quilletCache = null;
        if (request.op === "judge") {
          var began = performance.now();
          var answer = JSON.parse(Module.ccall("quillet_disc_judge", "string", ["string"], [name]));
          if (answer.disc !== false) {
            self.postMessage({ answer: answer, ms: performance.now() - began });
            return;
          }
          if (request.file.size > request.largest) {
            self.postMessage({ tooLarge: true });
            return;
          }
        } else if (request.disc) {
          self.postMessage(converted(request, Module.ccall("quillet_disc_convert", "number",
            ["string", "number", "number"], [name, request.scramble ? 1 : 0, request.force ? 1 : 0])));
          return;
        }
        var size = request.file.size, bytes = new Uint8Array(size), done = 0;
        try {
          var reader = request.file.stream().getReader();
          for (;;) {
            var part = await reader.read();
            if (part.done) break;
            bytes.set(part.value, done);
            done += part.value.length;
            self.postMessage({ progress: done / Math.max(size, 1) });
          }
        } catch (unreadable) {
          self.postMessage({ failure: UNREADABLE });
          return;
        }
        var pointer = Module._malloc(Math.max(size, 1));
        Module.HEAPU8.set(bytes, pointer);
        bytes = null;
        var reply = {};
        if (request.op === "judge") {
          var startedAt = performance.now();
          reply.answer = JSON.parse(Module.ccall("quillet_judge", "string", ["number", "number", "string"],
                                                 [pointer, size, name]));
          reply.ms = performance.now() - startedAt;
        } else {
          var status = Module.ccall("quillet_convert", "number", ["number", "number", "number", "number"],
                                    [pointer, size, request.scramble ? 1 : 0, request.force ? 1 : 0]);
          Module._free(pointer);
          pointer = 0;
          reply = converted(request, status);
        }
        if (pointer) Module._free(pointer);
        self.postMessage(reply);
      } catch (failure) {
        if (self.quilletUnreadable) {
          self.postMessage({ failure: UNREADABLE });
          return;
        }
        self.postMessage({ failure: "the page's core failed (" + ((failure && failure.message) || String(failure)) + ")" });
      }
    };
  }

  // Runs one job for the latest choice; its reply reaches `done` only while that choice is still
  // the latest.
  function run(request, done) {
    if (worker) worker.terminate();
    var mine = generation, current = new Worker(workerSource);
    worker = current;
    current.onmessage = function (event) {
      if (mine !== generation) return;
      if (event.data.progress !== undefined) {
        if (event.data.progress < 1) say("Reading " + request.file.name + "... " + Math.floor(event.data.progress * 100) + "%");
        return;
      }
      current.terminate();
      if (worker === current) worker = null;
      done(event.data);
    };
    current.onerror = function (event) {
      if (mine !== generation) return;
      event.preventDefault();
      current.terminate();
      if (worker === current) worker = null;
      done({ failure: "the page's core stopped (" + (event.message || "out of memory") + ")" });
    };
    current.postMessage(request);
  }

  function say(text) { $("status").textContent = text; }
  function problem(text) { $("problem").textContent = text; }
  function busy(on) {
    $("result").setAttribute("aria-busy", on ? "true" : "false");
    document.body.dataset.busy = on ? "yes" : "no";
  }
  function buttons(scrambleReason, unscrambleReason, anyway) {
    [["scramble", scrambleReason, "Download scrambled"], ["unscramble", unscrambleReason, "Download unscrambled"]]
      .forEach(function (button) {
        $(button[0]).disabled = button[1] !== "";
        $(button[0]).textContent = button[2] + (anyway ? " anyway" : "");
        $(button[0] + "-reason").textContent = button[1];
      });
  }

  // A size in plain words: "2.6 MiB (2,756,656 bytes)", or "2.6 MiB" `brief`ly.
  function sizeWords(bytes, brief) {
    var units = ["bytes", "KiB", "MiB", "GiB"], value = bytes, unit = 0;
    while (value >= 1024 && unit < units.length - 1) { value /= 1024; unit++; }
    var exact = bytes.toLocaleString("en-US") + (bytes === 1 ? " byte" : " bytes");
    if (unit === 0) return exact;
    return value.toFixed(1) + " " + units[unit] + (brief ? "" : " (" + exact + ")");
  }

  // What each form means for a person: the headline, and the sentence the live region says after
  // the file's name.
  var FORMS = {
    unscrambled: { headline: "Unscrambled: the form emulators, loaders and GD-ROM images use",
                   sentence: "is unscrambled: the form emulators, loaders and GD-ROM images use." },
    scrambled: { headline: "Scrambled: the form that boots from a CD-R",
                 sentence: "is scrambled: the form that boots from a CD-R." },
    "scrambled twice": { headline: "Scrambled twice: this will not boot; download the scrambled form to repair it",
                         sentence: "is scrambled twice: it will not boot; download the scrambled form to repair it." },
    undecided: { headline: "Undecided: its form cannot be told (no patterns, no telling layout)",
                 sentence: "has a form that cannot be told: both downloads convert it anyway." },
    "not a program": { headline: "Not a program: this file holds no Dreamcast program in any form",
                       sentence: "is not a Dreamcast program." },
    elf: { headline: "An ELF file: either download makes its raw binary first",
           sentence: "is an ELF file: either download makes its raw binary first." }
  };
  // The evidence line of a judgement: the patterns found, and the layout; none for an ELF file.
  function evidenceWords(answer) {
    if (!answer.matches) return "";
    var patterns = answer.matches.map(function (match) { return match.pattern; }).join(", ");
    return (patterns ? "patterns found: " + patterns : "no pattern found") + "; layout: " + answer.layout;
  }

  // A disc image's line: "QUILLET TEST DISC (T-QUILL): a CDI image; its boot file 1ST_READ.BIN is in
  // track 2, at LBA 11726."
  function discWords(disc) {
    return (disc.title || "Untitled") + (disc.product_number ? " (" + disc.product_number + ")" : "") + ": " +
      (disc.format === "iso" ? "an ISO" : disc.format === "gdi" ? "a GD-ROM (GDI)" : "a CDI") + " image; its boot file " +
      disc.boot_file + " is in track " + disc.track + ", at LBA " + disc.lba + "." + noteWords(disc);
  }
  // The note on whether the disc starts its boot file, as a sentence of its own.
  function noteWords(disc) {
    return disc.note ? " " + disc.note.charAt(0).toUpperCase() + disc.note.slice(1) + "." : "";
  }

  // Shows the judgement of a loose file, or of a disc image's boot file, and offers the downloads
  // it allows: a form that cannot be told, either "anyway"; a loose file not the form it is in
  // (a disc's boot file is extracted in either).
  function show(file, answer, ignored) {
    var disc = answer.disc, form = FORMS[answer.form];
    var anyway = answer.form === "undecided" || answer.form === "not a program";
    $("answer").textContent = form.headline;
    $("answer").dataset.form = answer.form;
    $("evidence").textContent = evidenceWords(answer);
    $("size").textContent = sizeWords(file.size) + (disc ? "; its boot file " + sizeWords(disc.size, true) : "");
    $("disc").textContent = disc ? discWords(disc) : "";
    buttons(!disc && answer.form === "scrambled" ? "It is scrambled already." : "",
            !disc && answer.form === "unscrambled" ? "It is unscrambled already." : "", anyway);
    say((disc ? file.name + ": its " + disc.boot_file : file.name) + " " + form.sentence +
        (disc ? noteWords(disc) : "") + (ignored ? " The other files dropped with it were ignored." : ""));
    return anyway;
  }

  function clear(name) {
    $("name").textContent = name;
    ["answer", "evidence", "size", "disc"].forEach(function (id) { $(id).textContent = ""; });
    delete $("answer").dataset.form;
    buttons("Choose a file first.", "Choose a file first.", false);
    problem("");
  }

  // The files of one choice: a .gdi with the track files chosen beside it, or one file.
  function load(files) {
    var list = Array.prototype.slice.call(files || []);
    if (!list.length) return;
    var gdi = list.filter(function (one) { return /\.gdi$/i.test(one.name); })[0];
    var file = gdi || list[0], companions = gdi ? list.filter(function (one) { return one !== gdi; }) : [];
    generation++;
    chosen = null;
    clear(file.name);
    document.body.dataset.judged = "";
    busy(true);
    say("Reading " + file.name + "...");
    run({ op: "judge", file: file, companions: companions, largest: LARGEST }, function (reply) {
      busy(false);
      document.body.dataset.judged = file.name;
      var answer = reply.answer || {};
      if (reply.ms !== undefined) document.body.dataset.judgedMs = reply.ms.toFixed(3);
      say("");
      if (reply.tooLarge) {
        problem(file.name + " is " + sizeWords(file.size) + ", larger than the page can hold (" + sizeWords(LARGEST) +
                "). The quillet command line takes files of up to 2 GiB.");
      } else if (reply.failure) {
        problem(file.name + " could not be judged: " + reply.failure + ".");
      } else if (answer.refused) {
        problem(file.name + ": " + answer.refused + " (" + answer.title + ")");
      } else if (answer.error) {
        problem(file.name + " could not be read as a disc image: " + answer.error + ".");
      } else {
        chosen = { file: file, companions: companions, answer: answer,
                   anyway: show(file, answer, !gdi && list.length > 1) };
      }
    });
  }

  function download(scramble) {
    if (!chosen) return;
    var file = chosen.file, mine = generation;
    busy(true);
    problem("");
    say("Converting " + file.name + "...");
    run({ op: "convert", file: file, companions: chosen.companions, disc: !!chosen.answer.disc, scramble: scramble,
          force: chosen.anyway }, function (reply) {
      busy(false);
      if (mine !== generation) return;
      if (reply.failure || reply.status === 2) {
        say("");
        problem(file.name + " could not be converted: " + (reply.failure || reply.text) + ".");
        return;
      }
      if (reply.status === 1) { say(reply.text); return; }
      var url = URL.createObjectURL(reply.blob);
      var link = document.createElement("a");
      link.href = url;
      link.download = reply.name;
      document.body.appendChild(link);
      link.click();
      link.remove();
      // The download has its bytes once it started; the page lets go of them.
      setTimeout(function () { URL.revokeObjectURL(url); }, 1000);
      say(reply.name + ": " + reply.text + ".");
    });
  }

  $("file").addEventListener("change", function (event) { load(event.target.files); });
  $("scramble").addEventListener("click", function () { download(true); });
  $("unscramble").addEventListener("click", function () { download(false); });
  // Drops anywhere: the browser's own handling would open or save the file.
  var depth = 0;
  window.addEventListener("dragenter", function (event) { event.preventDefault(); depth++; document.body.classList.add("dragging"); });
  window.addEventListener("dragover", function (event) { event.preventDefault(); });
  window.addEventListener("dragleave", function () { if (--depth <= 0) { depth = 0; document.body.classList.remove("dragging"); } });
  window.addEventListener("drop", function (event) {
    event.preventDefault();
    depth = 0;
    document.body.classList.remove("dragging");
    var files = event.dataTransfer ? event.dataTransfer.files : [];
    if (files.length) load(files);
  });
  buttons("Choose a file first.", "Choose a file first.", false);
  document.body.dataset.ready = "yes";
})();
