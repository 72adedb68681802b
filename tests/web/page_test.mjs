// The page in a real browser: Debian's chromium, headless, driven by puppeteer-core. Files go in
// as a person gives them (the file picker, a drop), the page's words are read back, and what it
// downloads is compared byte for byte with dcscram's output.
//
//   node page_test.mjs PAGE FIXTURES DCSCRAM QUILLET SCREENSHOT
import { execFileSync } from "node:child_process";
import crypto from "node:crypto";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";

import { openPage } from "./page_driver.mjs";

const [page_path, fixtures, dcscram, quillet, screenshot] = process.argv.slice(2);
const work = fs.mkdtempSync(path.join(os.tmpdir(), "quillet-page-"));
const downloads = path.join(work, "downloads");
fs.mkdirSync(downloads);
let failures = 0, passes = 0;
function check(condition, what) {
  if (condition) { passes++; console.log(`ok: ${what}`); } else { failures++; console.log(`FAIL: ${what}`); }
}
function file(name, bytes) { const where = path.join(work, name); fs.writeFileSync(where, bytes); return where; }
function dcscramOf(input, unscramble) {
  const out = path.join(work, `dcscram-${path.basename(input)}-${unscramble ? "d" : "s"}`);
  execFileSync(dcscram, unscramble ? ["-d", input, out] : [input, out]);
  return fs.readFileSync(out);
}

const requests = [];
const { browser, page, give } = await openPage(page_path, {
  downloads,
  onRequest: (url) => { if (!/^(file|blob|data):/.test(url)) requests.push(url); },
});
try {
  const text = (id) => page.$eval(`#${id}`, (element) => element.textContent);
  async function download(button) {
    for (const old of fs.readdirSync(downloads)) fs.unlinkSync(path.join(downloads, old));
    if (await page.$eval(`#${button}`, (element) => element.disabled)) return { name: "", bytes: Buffer.alloc(0) };
    await page.click(`#${button}`);
    for (let i = 0; i < 1200; i++) {  // a minute at most: a busy machine writes 200 MiB slowly
      const done = fs.readdirSync(downloads).filter((n) => !n.endsWith(".crdownload"));
      if (done.length) return { name: done[0], bytes: fs.readFileSync(path.join(downloads, done[0])) };
      await new Promise((resolve) => setTimeout(resolve, 50));
    }
    return { name: "", bytes: Buffer.alloc(0) };
  }

  const form = () => page.$eval("#answer", (element) => element.dataset.form || "");
  // What quillet convert makes of a file, the oracle where dcscram has no answer (a form that
  // cannot be told, a file scrambled twice).
  function convertOf(where, to) {
    const out = path.join(work, `convert-${path.basename(where)}-${to}`);
    execFileSync(quillet, ["convert", "--to", to, "--force", "-o", out, where]);
    return fs.readFileSync(out);
  }

  // Every form, loose and inside a disc image, as a person chooses it: its form, and what each
  // download gives (null: that button off, saying why). The files are real SH programs, and their
  // downloads are dcscram's output where it has one.
  const bin = (name) => path.join(fixtures, name);
  const hello = file("1ST_READ.BIN", fs.readFileSync(bin("hello.bin")));
  const scrambled = file("game.bin", dcscramOf(bin("bare.bin"), false));
  const twice = file("twice.bin", dcscramOf(scrambled, false));
  const noise = file("noise.bin", crypto.randomBytes(70000));
  const notes = file("notes.bin", fs.readFileSync(new URL("../../README.md", import.meta.url)));
  const disc = path.join(fixtures, "disc"), gdi_folder = path.join(disc, "gdi");
  const gdi_set = fs.readdirSync(gdi_folder).map((n) => path.join(gdi_folder, n));
  const cue_set = fs.readdirSync(path.join(disc, "cue")).map((n) => path.join(disc, "cue", n));
  const hello_bytes = fs.readFileSync(bin("hello.bin")), scrambled_hello = dcscramOf(bin("hello.bin"), false);
  // A self-boot CD-R whose IP.BIN claims the USA by its area symbol but not by its area text.
  const usa = fs.readFileSync(path.join(disc, "selfboot.cdi"));
  usa.fill(" ", usa.indexOf("For USA and CANADA."), usa.indexOf("For USA and CANADA.") + 19);
  for (const [wheres, want, scrambles, unscrambles] of [
    [[hello], "unscrambled", scrambled_hello, null],
    [[scrambled], "scrambled", null, fs.readFileSync(bin("bare.bin"))],
    // Without a pattern: unscrambled by its layout, never unscrambled into garbage.
    [[file("plain.bin", fs.readFileSync(bin("bare.bin")))], "unscrambled", fs.readFileSync(scrambled), null],
    [[twice], "scrambled twice", fs.readFileSync(scrambled), convertOf(twice, "unscrambled")],
    [[noise], "undecided", convertOf(noise, "scrambled"), convertOf(noise, "unscrambled")],
    [[notes], "not a program", convertOf(notes, "scrambled"), convertOf(notes, "unscrambled")],
    // Made into objcopy's raw binary first.
    [[file("game.elf", fs.readFileSync(bin("hello.elf")))], "elf", scrambled_hello, hello_bytes],
    // Known by their content, whatever their names say, in the order every program keeps.
    [[file("elf.bin", fs.readFileSync(bin("hello.elf")))], "elf", scrambled_hello, hello_bytes],
    [[file("disc.bin", fs.readFileSync(path.join(disc, "selfboot.cdi")))], "unscrambled", scrambled_hello, hello_bytes],
    [[path.join(disc, "selfboot.cdi")], "unscrambled", scrambled_hello, hello_bytes],
    [[file("usa.cdi", usa)], "unscrambled", scrambled_hello, hello_bytes],
    [gdi_set, "unscrambled", scrambled_hello, hello_bytes],
    [cue_set, "unscrambled", scrambled_hello, hello_bytes],
    // CHDs in chdman's own choice of codecs (cdlz, cdzl; cdfl where smallest, as for the CD-R's audio
    // track), and a CD's one track in FLAC alone and in deflate: the page reads every codec.
    [[path.join(disc, "chd", "split.chd")], "unscrambled", scrambled_hello, hello_bytes],
    [[path.join(disc, "chd", "cdr.chd")], "unscrambled", scrambled_hello, hello_bytes],
    [[path.join(disc, "chd", "cdr-flac.chd")], "unscrambled", scrambled_hello, hello_bytes],
    [[path.join(disc, "chd", "track-cdfl.chd")], "unscrambled", scrambled_hello, hello_bytes],
    [[path.join(disc, "chd", "track-cdzl.chd")], "unscrambled", scrambled_hello, hello_bytes]]) {
    await give(...wheres);
    const where = wheres.find((w) => /\.(gdi|cue)$/.test(w)) || wheres[0], name = path.basename(where);
    const anyway = want === "undecided" || want === "not a program" ? " anyway" : "";
    // The same judgement as quillet scan's, its evidence in words.
    const scan = JSON.parse(execFileSync(quillet, ["scan", "--json", where]).toString())[0];
    const patterns = (scan.matches || []).length;
    check(await text("name") === name && await form() === want && (want === "elf" || scan.form === want) &&
          await text("answer") !== "" && await text("evidence") === (want === "elf" ? "" :
            `${patterns ? patterns + " of" : "none of"} the 14 text patterns found` +
            (want === "not a program" ? "" : `; layout: ${scan.layout}`)) &&
          !(await page.$eval("#told", (element) => element.open)) &&
          (await text("status")).startsWith(name), `${name}: ${await form()}, ${await text("evidence")}`);
    if (scan.image) {
      // Whether it boots, as quillet scan --json says it: the summary above the answer (an alert
      // that stands out where it will not), the checks listed under it; the image's size.
      const image = scan.image;
      check(await text("boot-summary") === `${name}: ${image.summary}.` &&
            await page.$eval("#boot", (element) => element.className + " " + element.getAttribute("role")) ===
              (image.summary.startsWith("will not boot") ? "shown will-not alert" : "shown status") &&
            await page.$$eval("#checks li", (items) => items.length) ===
              image.checks.filter((each) => !image.summary.endsWith(each.sentence)).length &&
            await text("disc") === `QUILLET TEST DISC (T-QUILL): ${image.description}; its boot file 1ST_READ.BIN is in ` +
                                   `track ${image.track}.` &&
            (await text("size")).includes(` (${image.image_size.toLocaleString("en-US")} bytes)`) &&
            !/reading program's|scan the/.test(await text("checks")),
            `${name}: ${await text("boot-summary")} / ${await text("size")} / ${await text("checks")}`);
    }
    const stem = name.replace(/\.[^.]*$/, "");
    for (const [button, to, expected] of [["scramble", "scrambled", scrambles], ["unscramble", "unscrambled", unscrambles]]) {
      const caption = await text(button), reason = await text(`${button}-reason`);
      const got = await download(button);
      // After a download the focus stays on the button pressed.
      const focused = await page.evaluate(() => document.activeElement.id);
      check(expected === null ? got.name === "" && reason === `It is ${to} already.`
                              : got.name === `${stem}_${to}.bin` && got.bytes.equals(expected) && reason === "" &&
                                caption.endsWith(anyway) && focused === button,
            `${name}, ${caption}: ${got.name || reason}${expected === null ? "" : ", the focus on " + focused}`);
    }
  }
  // What a person must see of a file the page cannot answer: the reason, where the answer would
  // be, and nothing of the file before it; an IP.BIN is refused by name and by content.
  for (const [wheres, said] of [
    [[file("IP.BIN", hello_bytes)], "IP.BIN is a disc's boot sector (an IP.BIN), not a program: choose the disc's " +
                                    "1ST_READ.BIN, or the disc image that holds both."],
    // A name of IP.BIN decides before the ELF's first bytes do, as in every program.
    [[file("IP.BIN", fs.readFileSync(bin("hello.elf")))], "IP.BIN is a disc's boot sector (an IP.BIN), not a " +
                                    "program: choose the disc's 1ST_READ.BIN, or the disc image that holds both."],
    [[file("1st_read.bin", fs.readFileSync(path.join(disc, "IP.BIN")))], "1st_read.bin is a disc's boot sector " +
                                    "(an IP.BIN), not a program: choose the disc's 1ST_READ.BIN, or the disc image " +
                                    "that holds both."],
    [[file("boot.bin", Buffer.concat([Buffer.from("SEGA SEGAKATANA " + " ".repeat(0x50) + "1ST_READ.BIN    "),
                                      fs.readFileSync(bin("bare.bin"))]).subarray(0, 32768))],
     "boot.bin is a disc's boot sector (an IP.BIN), not a program: choose the disc's 1ST_READ.BIN, or the disc " +
     "image that holds both."],
    [[path.join(gdi_folder, "disc.gdi")], "disc.gdi lists track 03 boot.bin, which was not chosen: choose the .gdi " +
                                          "and all its track files at once."],
    [[file("cut.cdi", fs.readFileSync(path.join(disc, "selfboot.cdi")).subarray(0, 1000000))],
     "cut.cdi could not be read as a disc image: the image has no DiscJuggler " +
     "trailer (version 2, 3 or 3.5) in its last 8 bytes: it is cut short, or no CDI image."],
    // A Nero image: its chunk table, named by its last 12 bytes.
    [[file("utopia.nrg", Buffer.concat([hello_bytes, Buffer.from("CUEX\0\0\0\0NER5"), Buffer.from(
       [0, 0, 0, 0].concat([24, 16, 8, 0].map((shift) => (hello_bytes.length >> shift) & 0xff)))]))],
     "utopia.nrg could not be read as a disc image: utopia.nrg is a Nero image; Quillet reads CDI, ISO, GD-ROM " +
     "(.gdi), cue sheet (.cue) and CHD images."]]) {
    await give(...wheres);
    check(await text("problem") === said && await text("answer") === "Not judged: see the error above." &&
          await text("evidence") === "" && await text("boot-summary") === "" &&
          await page.$eval("#scramble", (element) => element.disabled), `refused: ${await text("problem")}`);
  }
  // What the page says beside the answer, file by file: how it was told only where there is
  // something to tell; the size, even of a file refused; a disc's downloads named for its boot file,
  // its summary after its name, its sizes in one kind of unit; a GD-ROM never told that its
  // scrambled boot file is the form that boots.
  const gdrom = fs.readFileSync(path.join(disc, "gdrom.iso"));
  gdrom.set(scrambled_hello, gdrom.indexOf(hello_bytes));
  fs.mkdirSync(path.join(work, "gd"));
  const gd = (name, bytes) => { const where = path.join(work, "gd", name); fs.writeFileSync(where, bytes); return where; };
  const gd_set = [gd("disc.gdi", "3\n1 0 4 2352 track01.bin 0\n2 450 0 2352 track02.raw 0\n3 45000 4 2048 boot.iso 0\n"),
                  gd("track01.bin", fs.readFileSync(path.join(gdi_folder, "track01.bin"))),
                  gd("track02.raw", fs.readFileSync(path.join(gdi_folder, "track02.raw"))), gd("boot.iso", gdrom)];
  for (const [wheres, told, size, words] of [
    [[file("game.elf", fs.readFileSync(bin("hello.elf")))], false, /^\d+\.\d KiB \([\d,]+ bytes\)$/, {}],
    [[file("IP.BIN", hello_bytes)], false, new RegExp(`^${(hello_bytes.length / 1024).toFixed(1)} KiB`), {}],
    [[file("empty.bin", Buffer.alloc(0))], false, /^0 bytes$/, {}],
    [[hello], true, /KiB/, { scramble: "Download scrambled" }],
    [[path.join(disc, "selfboot.cdi")], true, /^[\d.]+ MiB \([\d,]+ bytes\); its boot file [\d.]+ KiB$/,
     { scramble: "Download its 1ST_READ.BIN, scrambled", unscramble: "Download its 1ST_READ.BIN, unscrambled",
       "boot-summary": /^selfboot\.cdi: (will|cannot|will not) / }],
    [gd_set, true, /MiB/, { answer: "Scrambled: the form a CD-R boots; a GD-ROM boots only an unscrambled one",
                            status: /^disc\.gdi: its 1ST_READ\.BIN is scrambled: the form a CD-R boots; a GD-ROM boots only/ }]]) {
    await give(...wheres);
    const name = path.basename(wheres[0]);
    const seen = { told: !(await page.$eval("#told", (element) => element.hidden)), size: await text("size") };
    for (const id of Object.keys(words)) seen[id] = await text(id);
    check(seen.told === told && size.test(seen.size) &&
          Object.entries(words).every(([id, want]) => (want instanceof RegExp ? want.test(seen[id]) : seen[id] === want)),
          `${name}: ${JSON.stringify(seen)}`);
  }
  check(await page.$eval("#problem", (element) => element.getAttribute("role") === "alert" &&
        getComputedStyle(element, "::before").content.includes("Error")), "an error is an alert, marked by a word");
  // The same file chosen again is judged again.
  await give(hello);
  await give(hello);
  check(await form() === "unscrambled", "the same file chosen twice: judged twice");
  await give(hello, noise);
  check((await text("status")).endsWith("The other files chosen with it were ignored."), "several chosen: the others ignored");
  await page.evaluate(() => { delete document.body.dataset.judged; });
  await page.evaluate(() => {
    const data = new DataTransfer();
    data.items.add(new File([new Uint8Array(70000).map((_, i) => (i * 7) & 255)], "dropped.bin"));
    data.items.add(new File([new Uint8Array(10)], "second.bin"));
    // Beside the zone, on the page's heading: the page takes it, the browser does not.
    const drop = new DragEvent("drop", { dataTransfer: data, bubbles: true, cancelable: true });
    document.querySelector("h1").dispatchEvent(drop);
    document.body.dataset.dropPrevented = drop.defaultPrevented ? "yes" : "no";
  });
  await page.waitForFunction(() => document.body.dataset.judged === "dropped.bin", { timeout: 20000 });
  check(await text("name") === "dropped.bin" && await page.evaluate(() => document.body.dataset.dropPrevented) === "yes",
        "a drop beside the zone is judged, and the browser's own drop prevented");
  check((await text("status")).endsWith("The other files dropped with it were ignored."), "several dropped: the others said ignored");
  // One voice for the answer; any file may be chosen, whatever a phone's picker knows of its type.
  check(await page.evaluate(() => document.querySelectorAll("[aria-live]").length === 1 &&
                                  !document.querySelector("#file").hasAttribute("accept") &&
                                  document.querySelectorAll("label").length === 1),
        "one live region, no accept filter, one label");

  // 16 MiB, judged whole (how fast is bench/bench.sh's to say).
  const large = Buffer.alloc(16 << 20);
  const program = fs.readFileSync(path.join(fixtures, "hello.bin"));
  for (let at = 0; at < large.length; at += program.length) program.copy(large, at);
  await give(file("big.bin", large));
  check(await form() === "unscrambled" && await text("size") === "16.0 MiB (16,777,216 bytes)",
        `a 16 MiB file is judged: ${await text("size")}`);

  const bytes = fs.statSync(page_path).size;
  // CHD's decoders take some 155 KB of it: LZMA's and zlib's inflate some 75 KB, libFLAC's stream
  // decoder and zstd's decompressor some 80 KB more (the page reads every codec a CHD of a CD uses).
  check(bytes < 520 * 1024, `the page with its module is ${bytes} bytes (under 520 KB)`);
  check(requests.length === 0, `no network use (${requests.join(", ") || "none"})`);

  // Only the latest choice is ever answered: a big file, then at once a small one.
  const bigger = path.join(work, "bigger.bin");
  fs.writeFileSync(bigger, Buffer.alloc(64 << 20, 7));
  await page.evaluate(() => { delete document.body.dataset.judged; });
  const picker = await page.$("#file");
  await picker.uploadFile(bigger);
  check(await page.evaluate(() => document.querySelector("#result").getAttribute("aria-busy") === "true" &&
                                  document.querySelector("#scramble").disabled &&
                                  document.querySelector("#scramble").textContent === "Reading..." &&
                                  !document.querySelector("#cancel").hidden &&
                                  document.querySelector("#answer").textContent === "" &&
                                  document.querySelector("#status").textContent.startsWith("Reading bigger.bin")),
        "a new choice clears the answer at once, reading, busy, buttons off and saying so, cancel offered");
  await picker.uploadFile(hello);
  await page.waitForFunction(() => document.body.dataset.judged === "1ST_READ.BIN", { timeout: 60000 });
  await new Promise((resolve) => setTimeout(resolve, 1500));
  check(await text("name") === "1ST_READ.BIN" && await form() === "unscrambled",
        "big then small at once: the page ends on the small one");
  // A cancel while reading: 1 GiB of padding, which takes seconds to read, so that the answer never
  // comes between finding the button and pressing it (on a busy machine the 64 MiB one did).
  const slow = path.join(work, "slow.bin");
  fs.closeSync(fs.openSync(slow, "w"));
  fs.truncateSync(slow, 2 ** 30);
  await picker.uploadFile(slow);
  await page.click("#cancel");
  check(await text("problem") === "" && await text("status") === "Stopped: slow.bin was not read." &&
        await page.$eval("#cancel", (element) => element.hidden), `stopped: ${await text("status")}`);
  // An empty file: said so, nothing to download, no error.
  await give(file("empty.bin", Buffer.alloc(0)));
  check(await text("answer") === "Empty: this file holds nothing to check." && await text("problem") === "" &&
        await page.$eval("#scramble", (element) => element.disabled) && await text("scramble-reason") === "Nothing to download.",
        `an empty file: ${await text("answer")}`);

  // A file dragged over the page: a strong, visible state.
  const dragging = await page.evaluate(() => {
    window.dispatchEvent(new DragEvent("dragenter", { bubbles: true, cancelable: true, dataTransfer: new DataTransfer() }));
    const style = getComputedStyle(document.querySelector("#drop"));
    const words = getComputedStyle(document.querySelector("#drop-words"), "::after").content;
    const seen = [style.borderTopStyle, style.outlineStyle, words].join(", ");
    window.dispatchEvent(new DragEvent("dragleave", { bubbles: true }));
    return seen;
  });
  check(dragging === 'solid, solid, " Drop to check it."', `a drag over the page: ${dragging}`);

  // Larger than any file Quillet reads: refused before anything is read.
  const huge = path.join(work, "huge.bin");
  fs.closeSync(fs.openSync(huge, "w"));
  fs.truncateSync(huge, 2 ** 31);
  await give(huge);
  check(await text("problem") === "huge.bin is 2.0 GiB, larger than any file Quillet reads (2 GiB at most).",
        `too large: ${await text("problem")}`);

  // A file that changes after it was chosen cannot be read: said so, naming it.
  const changing = path.join(work, "changing.bin");
  fs.closeSync(fs.openSync(changing, "w"));
  fs.truncateSync(changing, 400 << 20);
  await page.evaluate(() => { delete document.body.dataset.judged; });
  await picker.uploadFile(changing);
  fs.truncateSync(changing, 10);
  await page.waitForFunction(() => document.body.dataset.judged === "changing.bin", { timeout: 60000 });
  check((await text("problem")).startsWith("changing.bin could not be judged: the browser could not read it"),
        `unreadable: ${await text("problem")}`);

  // 200 MiB judged, and scrambled, the file never whole in the page's memory: it is read where it
  // lies, a piece at a time, and its result handed to a Blob a part at a time. What the page itself
  // keeps is held here (the module's memory, the largest piece read, the parts); the browser's own
  // memory, which its load and its collector sway, and the time it takes are bench/bench.sh's.
  const large200 = path.join(work, "large200.bin");
  const filler = fs.readFileSync(path.join(fixtures, "hello.bin"));
  const buffer = Buffer.alloc(200 << 20);
  for (let at = 0; at < buffer.length; at += filler.length) filler.copy(buffer, at);
  fs.writeFileSync(large200, buffer);
  const kept = () => page.evaluate(() => ({ ...document.body.dataset }));
  await give(large200);
  const judged = await kept();
  const got = await download("scramble");
  const converted = await kept();
  for (const [doing, facts] of [["judged", judged], ["scrambled", converted]]) {
    check(Number(facts.heap) <= 64 << 20, `200 MiB ${doing} in a module of ${(facts.heap / 2 ** 20).toFixed(0)} MiB (at most 64)`);
    check(Number(facts.read) > 0 && Number(facts.read) <= 4 << 20,
          `200 MiB ${doing} ${(facts.read / 1024).toFixed(0)} KiB at a time at the most (at most 4 MiB)`);
  }
  check(Number(converted.parts) === 100 && Number(converted.part) === 2 << 20,
        `200 MiB scrambled in ${converted.parts} parts of ${(converted.part / 1024).toFixed(0)} KiB at the most (never whole)`);
  check(got.bytes.length === 200 << 20, "200 MiB scrambled and downloaded");

  await give(hello);
  await page.screenshot({ path: screenshot, fullPage: true });

  // An error where the answer appears, seen without scrolling on a laptop and on phones.
  for (const [width, height] of [[1366, 768], [390, 844], [320, 640]]) {
    await page.setViewport({ width, height });
    await page.evaluate(() => window.scrollTo(0, 0));
    await give(file("IP.BIN", hello_bytes));
    const seen = await page.$eval("#problem", (element) => {
      const box = element.getBoundingClientRect();
      return box.top >= 0 && box.bottom <= window.innerHeight;
    });
    check(seen, `an error seen without scrolling at ${width}x${height}`);
  }
  // A disc image's answer on a phone: the summary, the form and both downloads in the first screen,
  // the checks folded under the summary, every control at least 44 px tall to a finger.
  await page.setViewport({ width: 390, height: 844, isMobile: true, hasTouch: true });
  await give(path.join(disc, "scrambled.cdi"));
  await page.evaluate(() => window.scrollTo(0, 0));
  const phone = await page.evaluate(() => {
    const seen = ["boot-summary", "answer", "scramble", "unscramble"].filter((id) =>
      document.getElementById(id).getBoundingClientRect().bottom > window.innerHeight);
    const small = [...document.querySelectorAll("button:not([hidden]), summary, #pick")]
      .filter((element) => element.getBoundingClientRect().height < 44).map((element) => element.id || element.textContent);
    return { seen, small, folded: !document.querySelector("#checks").closest("details").open };
  });
  check(phone.seen.length === 0 && phone.small.length === 0 && phone.folded,
        `a disc image's answer at 390x844: below the first screen [${phone.seen}], under 44 px [${phone.small}]`);
  await page.setViewport({ width: 900, height: 900 });

  // Keyboard: Tab reaches the picker, the disclosure of how it was told, and both buttons, in that order.
  await give(file("twice-again.bin", dcscramOf(scrambled, false)));
  await page.setViewport({ width: 900, height: 900 });
  await page.click("h1");  // where a person starts: the top of the page
  const stops = [];
  for (let i = 0; i < 4; i++) {
    await page.keyboard.press("Tab");
    stops.push(await page.evaluate(() => document.activeElement.id));
  }
  check(stops.join(",") === "file,how,scramble,unscramble", `Tab walks ${stops.join(", ")}`);
  // At 200% zoom the page is as wide as half the window: nothing may stick out sideways.
  await page.setViewport({ width: 450, height: 900 });
  const fits = await page.evaluate(() => document.documentElement.scrollWidth <= document.documentElement.clientWidth);
  check(fits, "readable at 200% zoom without scrolling sideways");
  // A phone with a long file name, and the narrowest screen. (A touch screen reloads the page.)
  const longName = (width) => "a-very-long-file-name-that-a-phone-cannot-show-on-one-line-" + "x".repeat(60) + width + ".bin";
  for (const width of [390, 320]) {
    const long = file(longName(width), fs.readFileSync(path.join(fixtures, "hello.bin")));
    await page.setViewport({ width, height: 844, isMobile: true, hasTouch: true });
    await page.waitForSelector("body[data-ready=yes]", { timeout: 20000 });
    await give(long);
    check(await text("name") === path.basename(long) &&
          await page.evaluate(() => document.documentElement.scrollWidth <= document.documentElement.clientWidth),
          `a long name at ${width} px: no sideways scrolling`);
    check(!(await page.$eval("#drop-words", (element) => element.innerText)).includes("Drop"), `no drop wording on a touch screen`);
  }
  await page.setViewport({ width: 390, height: 844, isMobile: true, hasTouch: true });
  await page.waitForSelector("body[data-ready=yes]", { timeout: 20000 });
  await give(file(longName(1), fs.readFileSync(path.join(fixtures, "hello.bin"))));
  await page.screenshot({ path: screenshot.replace(/\.png$/, "-phone.png"), fullPage: true });
  // Dark mode, at a desktop's size.
  await page.setViewport({ width: 1280, height: 800 });
  await page.waitForSelector("body[data-ready=yes]", { timeout: 20000 });
  await page.emulateMediaFeatures([{ name: "prefers-color-scheme", value: "dark" }]);
  await give(hello);
  const dark = await page.evaluate(() => getComputedStyle(document.documentElement).backgroundColor);
  check(dark === "rgb(22, 24, 28)", `dark mode: the page's background is ${dark}`);
  await page.screenshot({ path: screenshot.replace(/\.png$/, "-dark.png"), fullPage: true });
  await page.emulateMediaFeatures([{ name: "prefers-color-scheme", value: "light" }]);
  await page.screenshot({ path: screenshot.replace(/\.png$/, "-1280.png"), fullPage: true });
  check((await page.$eval("footer", (element) => element.textContent)).startsWith("Quillet 1."), "the version in the footer");

  // A disc that will not boot, its boot code vouched for as the address may: a fixed copy,
  // byte for byte what quillet fix writes; a set of track files is left to the installed programs,
  // saying so in a disc burner's words.
  const broken = file("broken.cdi", fs.readFileSync(path.join(disc, "selfboot.cdi")));
  const code = JSON.parse(execFileSync(quillet, ["scan", "--json", broken]).toString())[0].image.boot_code;
  const trusted = { ...process.env, QUILLET_TRUSTED_BOOT_CODE: code };
  execFileSync(quillet, ["fix", "-o", path.join(work, "oracle.cdi"), broken], { env: trusted });
  await page.goto(page.url().replace(/\?.*$/, "") + "?trusted-boot-code=" + code);
  await page.waitForSelector("body[data-ready=yes]", { timeout: 20000 });
  await give(broken);
  const fixed = await download("fix");
  check(fixed.name === "broken_fixed.cdi" && fixed.bytes.equals(fs.readFileSync(path.join(work, "oracle.cdi"))) &&
        await page.$eval("#boot", (element) => element.getAttribute("role")) === "alert" &&
        await text("fix-note") === "The fixed copy, broken_fixed.cdi, has 1ST_READ.BIN scrambled.",
        `${await text("boot-summary")} ${await text("fix-note")}: ${fixed.name}`);
  // The red line stands out: at least 7:1 against its box.
  const contrast = await page.evaluate(() => {
    const rgb = (text) => text.match(/\d+/g).slice(0, 3).map(Number);
    const luminance = (color) => {
      const [r, g, b] = rgb(color).map((c) => { c /= 255; return c <= 0.03928 ? c / 12.92 : ((c + 0.055) / 1.055) ** 2.4; });
      return 0.2126 * r + 0.7152 * g + 0.0722 * b;
    };
    const ink = luminance(getComputedStyle(document.getElementById("boot-summary")).color);
    const paper = luminance(getComputedStyle(document.getElementById("boot")).backgroundColor);
    return (Math.max(ink, paper) + 0.05) / (Math.min(ink, paper) + 0.05);
  });
  check(contrast >= 7, `the "will not boot" line's contrast: ${contrast.toFixed(2)}:1`);
  await give(...fs.readdirSync(path.join(disc, "cue")).map((name) => path.join(disc, "cue", name)));
  check(await page.$eval("#fix", (element) => element.hidden) && await text("fix-note") ===
        "Quillet for Windows or Linux writes a fixed copy of the set, with 1ST_READ.BIN scrambled; the page fixes " +
        "CDI and ISO images.", `a CD-R set that will not boot: ${await text("fix-note")}`);
  await give(...gdi_set);
  check(await page.$eval("#fix", (element) => element.hidden) && (await text("fix-note")) === "",
        `a GD-ROM that boots offers no fixed copy: ${await text("fix-note")}`);
} finally {
  await browser.close();
  fs.rmSync(work, { recursive: true, force: true });
}
console.log(`${passes} passed, ${failures} failed`);
process.exit(failures ? 1 : 0);
