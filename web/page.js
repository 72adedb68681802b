// The page's behaviour: a choice of files is judged by the core in a worker, the answer shown, and
// either form downloaded. Inlined into the page at build time, beside the module.
(function () {
  "use strict";
  // The largest loose file the page takes, as the command line: its lengths are 32-bit counts. A
  // disc image is read in place whatever its size.
  var LARGEST = 2147483647;
  var $ = function (id) { return document.getElementById(id); };
  var chosen = null;     // { file, companions, answer, anyway } of the latest choice, once judged
  var generation = 0;    // the latest choice; an answer for an earlier one is dropped
  var worker = null;     // the job in flight, ended when a newer choice comes or it is cancelled
  var spare = null;      // a worker started ahead, its module instantiated, for the next job

  // The core's WebAssembly, compiled once here and handed to each job's worker, which then only
  // instantiates it: compiling it anew in every worker took longer than judging 16 MiB.
  var moduleText = $("quillet-module").textContent;
  var wasm = (function () {
    // The wasm lies in the module as a data URI; its bytes begin "\\0asm", "AGFzbQ" in base64.
    var mark = "data:application/octet-stream;base64,", start = moduleText.indexOf(mark + "AGFzbQ") + mark.length;
    var text = atob(moduleText.slice(start, moduleText.indexOf('"', start))), bytes = new Uint8Array(text.length);
    for (var i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i);
    return WebAssembly.compile(bytes);
  })();

  // The core runs in a worker of its own for each job: judging or converting never stalls the
  // page, a newer choice ends an older job at once, and the job's memory goes with its worker.
  var workerSource = URL.createObjectURL(new Blob([
    "var arrived, wasm = new Promise(function (r) { arrived = r; });\n" +
    "var started, ready; started = new Promise(function (r) { ready = r; });\n" +
    "var Module = { onRuntimeInitialized: function () { Module._quillet_warm(); ready();\n" +
    "  self.postMessage({ tables: Module.ccall('quillet_tables', 'string', [], []) }); },\n" +
    "  instantiateWasm: function (imports, done) {\n" +
    "  wasm.then(function (module) { return WebAssembly.instantiate(module, imports).then(function (instance) {\n" +
    "    done(instance, module); }); });\n" +
    "  return {}; } };\n" +
    moduleText + "\n(" + job.toString() + ")();"], { type: "text/javascript" }));

  // What a worker does. The chosen files (the one to judge first, a .gdi's track files after it)
  // are the core's to read in place, a slice at a time, as a disc image or a loose file alike.
  function job() {
    var UNREADABLE = "the browser could not read it (it may have been moved or changed since it was chosen)";
    // Hands `file` to the core's judgement as a stream, a block at a time through one buffer of its
    // own (a stream that reads into the buffer it is given), until the core wants no more.
    async function feed(file) {
      var size = file.size, block = Module._quillet_feed_size(), into = Module._quillet_feed_buffer();
      var bytes = new Uint8Array(block), filled = 0, done = 0, want = Math.min(block, size);
      var stream = file.stream(), reader, byob = true;
      try {
        reader = stream.getReader({ mode: "byob" });
      } catch (notByteStream) {
        // A browser whose file streams take no buffer: its pieces are copied into blocks.
        reader = stream.getReader();
        byob = false;
      }
      while (done < size) {
        var part = await (byob ? reader.read(new Uint8Array(bytes.buffer, filled, want - filled)) : reader.read());
        if (part.done) throw new Error("the file changed while it was read");
        var piece = part.value, from = 0;
        self.quilletRead = Math.max(self.quilletRead || 0, piece.length);
        if (byob) {
          bytes = new Uint8Array(piece.buffer);
          filled += piece.length;
          from = piece.length;
        }
        for (;;) {
          if (!byob) {
            var take = Math.min(piece.length - from, want - filled);
            bytes.set(piece.subarray(from, from + take), filled);
            filled += take;
            from += take;
          }
          if (filled < want) break;
          Module.HEAPU8.set(filled === block ? bytes : bytes.subarray(0, filled), into);
          done += filled;
          filled = 0;
          if (!Module._quillet_judge_feed(want) || done === size) return;
          self.quilletProgress(done / size);
          want = Math.min(block, size - done);
          if (from >= piece.length) break;
        }
      }
    }
    // The result buffer's bytes as a Blob, which copies them as it is made: straight from the
    // module's memory, with no copy of them left behind for the collector.
    function result() {
      var data = Module._quillet_result_data();
      return new Blob([Module.HEAPU8.subarray(data, data + Module._quillet_result_size())],
                      { type: "application/octet-stream" });
    }
    // Makes a planned conversion's parts one after the other into a Blob: each part is handed to
    // the Blob as it is made, so that neither the file nor its result is ever whole in this
    // worker's memory. Returns the core's status: 0, or 2 where a part failed.
    var made = null;
    // What the job kept in memory, which the page's test reads: the module's memory, the largest
    // piece of a file read at once, the parts a conversion was made in and the largest of them.
    var kept = { parts: 0, part: 0 };
    function keeping(reply) {
      kept.heap = Module.HEAPU8.length;
      kept.read = self.quilletRead || 0;
      reply.kept = kept;
      return reply;
    }
    function convertParts() {
      var parts = Module._quillet_parts(), blob = new Blob([]), pending = [];
      for (var index = 0; index < parts; index++) {
        if (Module._quillet_convert_part(index) !== 0) return 2;
        pending.push(result());
        kept.parts = parts;
        kept.part = Math.max(kept.part, Module._quillet_result_size());
        // A Blob of Blobs refers to them, copying nothing: a few parts are folded in at a time.
        if (pending.length === 8 || index === parts - 1) {
          blob = new Blob([blob].concat(pending), { type: "application/octet-stream" });
          pending = [];
        }
        self.quilletProgress((index + 1) / parts);
      }
      made = blob;
      return 0;
    }
    // The reply to a conversion the core has made (`status` as it returned): what it says, the
    // result as a Blob (made here: the page's own thread only names it), and the result's name.
    function converted(request, status) {
      var reply = { status: status, text: Module.ccall("quillet_text", "string", [], []) };
      if (status === 0) reply.blob = made || result();
      made = null;
      reply.name = Module.ccall("quillet_result_name", "string", ["string", "number"],
                                [request.file.name, request.scramble ? 1 : 0]);
      return reply;
    }
    // The fixed copy of the chosen image as the core planned it: slices of the chosen file, the
    // changed sectors between them. Nothing is copied whole: a 700 MB image is offered at once.
    function fixed(request, plan) {
      if (plan.outcome !== "mended") return { status: 2, text: plan.error || plan.sentence };
      var parts = [], at = 0, from = 0, data = Module._quillet_result_data();
      plan.patches.forEach(function (patch) {
        if (patch[0] > at) parts.push(request.file.slice(at, patch[0]));
        parts.push(Module.HEAPU8.slice(data + from, data + from + patch[1]));
        from += patch[1];
        at = patch[0] + patch[1];
      });
      parts.push(request.file.slice(at));
      return { status: 0, blob: new Blob(parts, { type: "application/octet-stream" }), name: plan.name,
               text: plan.sentence };
    }
    self.onmessage = async function (event) {
      if (event.data.wasm) {
        arrived(event.data.wasm);
        return;
      }
      var request = event.data, name = request.file.name;
      try {
        await started;
        if (request.trusted) Module.ccall("quillet_trust_boot_code", null, ["string"], [request.trusted]);
        self.quilletFiles = [request.file].concat(request.companions);
        self.quilletCache = null;
        if (request.op === "judge") {
          var began = performance.now();
          var answer = JSON.parse(Module.ccall("quillet_disc_judge", "string", ["string"], [name]));
          // A disc that will not boot: whether a fixed copy can be made, and of what.
          if (answer.disc && answer.disc.boots === false) {
            answer.fix = JSON.parse(Module.ccall("quillet_disc_fix", "string", ["string"], [name]));
          }
          if (answer.disc !== false) {
            self.postMessage({ answer: answer, ms: performance.now() - began });
            return;
          }
          if (request.file.size > request.largest) {
            self.postMessage({ tooLarge: true });
            return;
          }
        } else if (request.op === "fix") {
          self.postMessage(fixed(request, JSON.parse(Module.ccall("quillet_disc_fix", "string", ["string"], [name]))));
          return;
        } else if (request.disc) {
          self.postMessage(converted(request, Module.ccall("quillet_disc_convert", "number",
            ["string", "number", "number"], [name, request.scramble ? 1 : 0, request.force ? 1 : 0])));
          return;
        }
        // The core reads the file where it lies, a slice at a time, saying how far it got every
        // tenth of the way and no oftener (a screen reader says each): it never holds it whole.
        var told = 0;
        self.quilletProgress = function (fraction) {
          var tenths = Math.floor(fraction * 10);
          if (tenths <= told) return;
          told = tenths;
          self.postMessage({ progress: told / 10 });
        };
        var reply;
        if (request.op === "judge") {
          var startedAt = performance.now();
          if (Module.ccall("quillet_judge_begin", "number", ["string"], [name])) {
            try {
              await feed(request.file);
            } catch (unreadable) {
              self.postMessage({ failure: UNREADABLE });
              return;
            }
          }
          reply = { answer: JSON.parse(Module.ccall("quillet_judge_end", "string", [], [])) };
          reply.ms = performance.now() - startedAt;
        } else {
          // How far the parts are made is told; the judgement before them is not.
          var progress = self.quilletProgress;
          self.quilletProgress = null;
          var status = Module.ccall("quillet_convert", "number", ["number", "number"],
                                    [request.scramble ? 1 : 0, request.force ? 1 : 0]);
          self.quilletProgress = progress;
          reply = converted(request, status === 0 ? convertParts() : status);
        }
        self.postMessage(keeping(reply));
      } catch (failure) {
        if (self.quilletUnreadable) {
          self.postMessage({ failure: UNREADABLE });
          return;
        }
        self.postMessage({ failure: "the page's core failed (" + ((failure && failure.message) || String(failure)) + ")" });
      }
    };
  }

  // A worker with the core instantiated, or on its way.
  // Boot code a person vouches for as stock, as QUILLET_TRUSTED_BOOT_CODE for the programs: the
  // page's address may end in ?trusted-boot-code=HASH (16 hex digits, as the checks' details give it).
  var TRUSTED = new URLSearchParams(location.search).get("trusted-boot-code") || "";

  // The extensions of the formats whose image is a table of tracks (".gdi", ".cue"), as the core
  // lists them: the first worker ready says.
  var tablesKnown, tables = new Promise(function (resolve) { tablesKnown = resolve; });

  function startWorker() {
    var started = new Worker(workerSource);
    started.addEventListener("message", function (event) {
      if (event.data.tables !== undefined) tablesKnown(event.data.tables.toLowerCase().split(" "));
    });
    // A core that cannot start says so when the choice is judged; till then no file is a table.
    started.addEventListener("error", function () { tablesKnown([]); });
    wasm.then(function (module) { started.postMessage({ wasm: module }); });
    return started;
  }

  // Runs one job for the latest choice; its reply reaches `done` only while that choice is still
  // the latest. `doing` names it meanwhile ("Reading...", "Converting..."), on the button `pressed`
  // where one was.
  function run(request, doing, done, pressed) {
    stop();
    request.trusted = TRUSTED;
    var mine = generation, current = spare || startWorker();
    spare = null;
    worker = current;
    working(doing, pressed);
    current.onmessage = function (event) {
      if (mine !== generation || event.data.tables !== undefined) return;
      if (event.data.progress !== undefined) {
        if (event.data.progress < 1) {
          say(doing.slice(0, -3) + " " + request.file.name + "... " + Math.round(event.data.progress * 100) + "%");
        }
        return;
      }
      finish(current);
      if (event.data.kept) Object.assign(document.body.dataset, event.data.kept);
      done(event.data);
    };
    current.onerror = function (event) {
      if (mine !== generation) return;
      event.preventDefault();
      finish(current);
      done({ failure: "the page's core stopped (" + (event.message || "out of memory") + ")" });
    };
    current.postMessage(request);
  }
  function finish(current) {
    current.terminate();
    if (worker === current) worker = null;
    working(null);
    // The next job's worker, started once this one's memory has gone.
    setTimeout(function () { if (!spare) spare = startWorker(); }, 300);
  }
  // Ends the job in flight, if any.
  function stop() {
    if (!worker) return;
    worker.terminate();
    worker = null;
    working(null);
  }

  function say(text) { $("status").textContent = text; }
  function problem(text) { $("problem").textContent = text; }
  // While a job runs it can be cancelled, and one button says what it does: the one pressed, which
  // keeps the focus (marked busy, not disabled), or Download scrambled while a file is read. The
  // other buttons are off.
  function working(doing, pressed) {
    $("result").setAttribute("aria-busy", doing ? "true" : "false");
    document.body.dataset.busy = doing ? "yes" : "no";
    $("cancel").hidden = !doing;
    ["scramble", "unscramble", "fix"].forEach(function (id) {
      $(id).removeAttribute("aria-disabled");
      if (doing && id === pressed) {
        $(id).setAttribute("aria-disabled", "true");
      } else {
        $(id).disabled = !!doing;
      }
    });
    if (doing) {
      $(pressed === "fix" ? "fix" : pressed || "scramble").textContent = doing;
      ["scramble", "unscramble"].forEach(function (id) { $(id + "-reason").textContent = ""; });
    } else {
      $("fix").textContent = "Download a fixed copy";
      if (chosen) offer(chosen.answer, chosen.anyway);
    }
  }
  // Whether `id` is the button whose job is running: pressing it again does nothing.
  function busy(id) { return $(id).getAttribute("aria-disabled") === "true"; }
  // `bootFile`, where given, is the disc's boot file, which is what a download of a disc image gives.
  function buttons(scrambleReason, unscrambleReason, anyway, bootFile) {
    [["scramble", scrambleReason, "scrambled"], ["unscramble", unscrambleReason, "unscrambled"]]
      .forEach(function (button) {
        $(button[0]).disabled = button[1] !== "";
        $(button[0]).textContent = (bootFile ? "Download its " + bootFile + ", " : "Download ") + button[2] +
          (anyway ? " anyway" : "");
        $(button[0] + "-reason").textContent = button[1];
      });
  }
  // The downloads a judgement allows: a form that cannot be told, either "anyway"; a loose file
  // not the form it is in (a disc's boot file is extracted in either).
  function offer(answer, anyway) {
    buttons(!answer.disc && answer.form === "scrambled" ? "It is scrambled already." : "",
            !answer.disc && answer.form === "unscrambled" ? "It is unscrambled already." : "", anyway,
            answer.disc ? answer.disc.boot_file : "");
  }

  // A size in plain words: "2.6 MiB (2,756,656 bytes)", or "2.6 MiB" `brief`ly; in the units the
  // core's own sentences use, so that one image never shows as both MB and MiB.
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
    // On a GD-ROM, whose boot file must be unscrambled.
    "scrambled on a GD-ROM": { headline: "Scrambled: the form a CD-R boots; a GD-ROM boots only an unscrambled one",
                               sentence: "is scrambled: the form a CD-R boots; a GD-ROM boots only an unscrambled one." },
    "scrambled twice": { headline: "Scrambled twice: this will not boot; download the scrambled form to repair it",
                         sentence: "is scrambled twice: it will not boot; download the scrambled form to repair it." },
    undecided: { headline: "Not recognised: this does not look like a Dreamcast program in either form (it may " +
                           "be compressed, or no program at all)",
                 sentence: "does not look like a Dreamcast program in either form: both downloads convert it anyway." },
    "not a program": { headline: "Not a program: this file holds no Dreamcast program in any form",
                       sentence: "is not a Dreamcast program." },
    elf: { headline: "An ELF file: either download makes its raw binary first",
           sentence: "is an ELF file: either download makes its raw binary first." }
  };
  // The evidence line of a judgement, under "How it was told": how many of the patterns were found,
  // and the layout; none for an ELF file, and no layout for a file that is no program, which would
  // seem to contradict its headline.
  function evidenceWords(answer) {
    if (!answer.matches) return "";
    var found = answer.matches.length;
    return (found ? found + " of the 14 text patterns found" : "none of the 14 text patterns found") +
      (answer.form === "not a program" ? "" : "; layout: " + answer.layout);
  }

  // A disc image's line: "QUILLET TEST DISC (T-QUILL): a CDI image; its boot file 1ST_READ.BIN is in
  // track 2." (where it lies on the disc is the checks' to say).
  function discWords(disc) {
    return (disc.title || "Untitled") + (disc.product_number ? " (" + disc.product_number + ")" : "") + ": " +
      disc.description + "; its boot file " + disc.boot_file + " is in track " + disc.track + ".";
  }
  // A sentence of the core's (in a disc burner's words) as a sentence of the page's: capitalised,
  // with its full stop.
  function sentence(text) { return text.charAt(0).toUpperCase() + text.slice(1) + "."; }
  var RESULTS = { ok: "OK", problem: "Problem", "cannot tell": "Cannot tell" };

  // Whether the disc will boot, above the answer: a disc that will not is the headline, as an
  // alert; the checks in a short list under it.
  function showBoot(name, disc, fix) {
    var willNot = !!disc && /^will not boot/.test(disc.summary);
    $("boot").className = disc ? "shown" + (willNot ? " will-not" : "") : "";
    // An alert only where the disc will not boot; otherwise the answer is news, not a warning.
    $("boot").setAttribute("role", willNot ? "alert" : "status");
    // A fixed copy where one can be made without a guess: of a CDI or an ISO here; a set of track
    // files is a folder of files, which the installed programs write.
    var mended = !!(disc && fix && fix.outcome === "mended"), single = mended && fix.one_file;
    $("fix").hidden = !single;
    $("fix").disabled = false;
    $("fix-note").textContent = !mended ? "" : single ? "The fixed copy, " + fix.name + ", has " + fix.sentence + "." :
      "Quillet for Windows or Linux writes a fixed copy of the set, with " + fix.sentence +
      "; the page fixes CDI and ISO images.";
    // The disc is what boots, or will not; the summary follows its name as what was found of it.
    $("boot-summary").textContent = disc ? name + ": " + disc.summary + "." : "";
    var list = $("checks");
    list.textContent = "";
    // The check the summary already says is not said again.
    (disc ? disc.checks : []).filter(function (check) { return !disc.summary.endsWith(check.sentence); })
      .forEach(function (check) {
        var item = document.createElement("li");
        item.textContent = RESULTS[check.result] + ": " + sentence(check.sentence);
        list.appendChild(item);
      });
  }

  // Shows the judgement of a loose file, or of a disc image's boot file, and offers the downloads
  // it allows. Returns whether either goes "anyway".
  function show(file, answer, others) {
    var disc = answer.disc;
    var form = FORMS[disc && disc.gd_rom && answer.form === "scrambled" ? "scrambled on a GD-ROM" : answer.form];
    var anyway = answer.form === "undecided" || answer.form === "not a program";
    $("answer").textContent = form.headline;
    $("answer").dataset.form = answer.form;
    evidence(evidenceWords(answer));
    $("size").textContent = disc ? sizeWords(disc.image_size) + "; its boot file " + sizeWords(disc.size, true)
                                 : sizeWords(file.size);
    $("disc").textContent = disc ? discWords(disc) : "";
    showBoot(file.name, disc, answer.fix);
    offer(answer, anyway);
    say((disc ? file.name + ": its " + disc.boot_file : file.name) + " " + form.sentence +
        (others ? " The other files " + others + " with it were ignored." : ""));
    return anyway;
  }

  // A choice that has no answer: the reason where the answer would be, and nothing to download.
  function refuse(text) {
    say("");
    problem(text);
    $("answer").textContent = "Not judged: see the error above.";
    buttons("Nothing to download.", "Nothing to download.", false);
  }
  // How it was told: offered only where there is something to tell (nothing for an ELF file, an
  // IP.BIN, an empty file or an error).
  function evidence(text) {
    $("evidence").textContent = text;
    $("told").hidden = text === "";
    if (text === "") $("told").open = false;
  }
  // A choice the person stopped, or one with nothing in it: said plainly, no error, nothing to
  // download.
  function unanswered(answer, status) {
    problem("");
    say(status);
    $("answer").textContent = answer;
    buttons("Nothing to download.", "Nothing to download.", false);
  }

  // Before a file is judged: its name and its size, which stay whatever the judgement comes to.
  function clear(name, size) {
    $("name").textContent = name;
    ["answer", "disc"].forEach(function (id) { $(id).textContent = ""; });
    $("size").textContent = size === undefined ? "" : sizeWords(size);
    evidence("");
    delete $("answer").dataset.form;
    showBoot(name, null, null);
    problem("");
  }

  // The files of one choice (`how`: "chosen" or "dropped"): a .gdi or a cue sheet with the track
  // files chosen beside it, or one file.
  function load(files, how) {
    var list = Array.prototype.slice.call(files || []);
    if (!list.length) return;
    tables.then(function (extensions) { choose(list, how, extensions); });
  }
  function choose(list, how, extensions) {
    // A table of tracks (a .gdi or a cue sheet) is the image; the files chosen with it, its tracks.
    var gdi = list.filter(function (one) {
      var dot = one.name.lastIndexOf(".");
      return dot >= 0 && extensions.indexOf(one.name.slice(dot).toLowerCase()) >= 0;
    })[0];
    var file = gdi || list[0], companions = gdi ? list.filter(function (one) { return one !== gdi; }) : [];
    generation++;
    chosen = null;
    clear(file.name, file.size);
    if (!gdi && file.size === 0) {
      stop();
      unanswered("Empty: this file holds nothing to check.", file.name + " is empty.");
      document.body.dataset.judged = file.name;
      return;
    }
    document.body.dataset.judged = "";
    say("Reading " + file.name + "...");
    var began = performance.now();
    run({ op: "judge", file: file, companions: companions, largest: LARGEST }, "Reading...", function (reply) {
      document.body.dataset.answeredMs = (performance.now() - began).toFixed(1);
      document.body.dataset.judged = file.name;
      var answer = reply.answer || {};
      if (reply.ms !== undefined) document.body.dataset.judgedMs = reply.ms.toFixed(3);
      if (reply.tooLarge) {
        refuse(file.name + " is " + sizeWords(file.size, true) + ", larger than any file Quillet reads (2 GiB at most).");
      } else if (reply.failure) {
        refuse(file.name + " could not be judged: " + reply.failure + ".");
      } else if (answer.form === "boot sector") {
        refuse(file.name + " is a disc's boot sector (an IP.BIN), not a program: choose the disc's 1ST_READ.BIN, " +
               "or the disc image that holds both.");
      } else if (answer.unchosen) {
        // A table chosen without its tracks: what to do, in the words of someone choosing files.
        refuse(file.name + " lists " + answer.unchosen + ", which was not chosen: choose the " +
               file.name.replace(/^.*\./, ".") + " and all its track files at once.");
      } else if (answer.error) {
        refuse(file.name + " could not be read as a disc image: " + answer.error + ".");
      } else {
        chosen = { file: file, companions: companions, answer: answer };
        chosen.anyway = show(file, answer, !gdi && list.length > 1 ? how : "");
      }
    });
  }

  function download(scramble) {
    if (!chosen || busy(scramble ? "scramble" : "unscramble")) return;
    var file = chosen.file, mine = generation;
    problem("");
    say("Converting " + file.name + "...");
    run({ op: "convert", file: file, companions: chosen.companions, disc: !!chosen.answer.disc, scramble: scramble,
          force: chosen.anyway }, "Converting...", function (reply) {
      if (mine !== generation) return;
      if (reply.failure || reply.status === 2) {
        say("");
        problem(file.name + " could not be converted: " + (reply.failure || reply.text) + ".");
        return;
      }
      if (reply.status === 1) { say(reply.text); return; }
      save(reply);
    }, scramble ? "scramble" : "unscramble");
  }
  // Offers a reply's result to the browser as a download under its name.
  function save(reply) {
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
  }
  function downloadFixed() {
    if (!chosen || busy("fix")) return;
    var file = chosen.file, mine = generation;
    problem("");
    say("Fixing " + file.name + "...");
    run({ op: "fix", file: file, companions: chosen.companions }, "Fixing...", function (reply) {
      if (mine !== generation) return;
      if (reply.failure || reply.status === 2) {
        say("");
        problem(file.name + " could not be fixed: " + (reply.failure || reply.text) + ".");
        return;
      }
      save(reply);
    }, "fix");
  }

  $("file").addEventListener("change", function (event) {
    load(event.target.files, "chosen");
    // The same file chosen again is a new choice: a file that changed, or failed, can be tried again.
    event.target.value = "";
  });
  $("scramble").addEventListener("click", function () { download(true); });
  $("unscramble").addEventListener("click", function () { download(false); });
  $("fix").addEventListener("click", downloadFixed);
  $("cancel").addEventListener("click", function () {
    var reading = !chosen;
    stop();
    generation++;
    if (reading) {
      unanswered("Stopped before an answer.", "Stopped: " + $("name").textContent + " was not read.");
    } else {
      say("Stopped: nothing was downloaded.");
    }
  });
  // Drops anywhere: the browser's own handling would open or save the file.
  var depth = 0;
  window.addEventListener("dragenter", function (event) { event.preventDefault(); depth++; document.body.classList.add("dragging"); });
  window.addEventListener("dragover", function (event) { event.preventDefault(); });
  window.addEventListener("dragleave", function () { if (--depth <= 0) { depth = 0; document.body.classList.remove("dragging"); } });
  window.addEventListener("drop", function (event) {
    event.preventDefault();
    depth = 0;
    document.body.classList.remove("dragging");
    var data = event.dataTransfer, items = data && data.items ? Array.prototype.slice.call(data.items) : [];
    var folder = items.map(function (item) { return item.webkitGetAsEntry && item.webkitGetAsEntry(); })
      .filter(function (entry) { return entry && entry.isDirectory; })[0];
    if (folder) {
      generation++;
      stop();
      chosen = null;
      clear(folder.name);
      document.body.dataset.judged = folder.name;
      refuse(folder.name + " is a folder: drop the .gdi and its track files themselves, or the file to judge.");
      return;
    }
    var files = data ? data.files : [];
    if (files.length) load(files, "dropped");
  });
  buttons("Choose a file first.", "Choose a file first.", false);
  spare = startWorker();
  document.body.dataset.ready = "yes";
})();
