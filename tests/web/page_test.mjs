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
import puppeteer from "puppeteer-core";

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

const browser = await puppeteer.launch({
  executablePath: "/usr/bin/chromium",
  headless: true,
  // Root in CI has no user namespaces for the sandbox; the page is our own.
  args: ["--no-sandbox", "--disable-gpu", "--allow-file-access-from-files"],
});
try {
  const page = await browser.newPage();
  await page.setViewport({ width: 900, height: 900 });
  const session = await page.createCDPSession();
  await session.send("Browser.setDownloadBehavior", { behavior: "allow", downloadPath: downloads });
  const requests = [];
  page.on("request", (request) => { if (!request.url().startsWith("file:") && !request.url().startsWith("blob:") &&
                                        !request.url().startsWith("data:")) requests.push(request.url()); });
  await page.goto("file://" + path.resolve(page_path));
  await page.waitForSelector("body[data-ready=yes]", { timeout: 20000 });

  const text = (id) => page.$eval(`#${id}`, (element) => element.textContent);
  async function give(where) {
    const name = path.basename(where);
    await page.evaluate(() => { delete document.body.dataset.judged; document.querySelector("#status").textContent = ""; });
    const input = await page.$("#file");
    await input.uploadFile(where);
    await page.waitForFunction((n) => document.body.dataset.judged === n || document.querySelector("#status").textContent,
                               { timeout: 20000 }, name);
  }
  async function download(button) {
    for (const old of fs.readdirSync(downloads)) fs.unlinkSync(path.join(downloads, old));
    await page.click(`#${button}`);
    for (let i = 0; i < 200; i++) {
      const done = fs.readdirSync(downloads).filter((n) => !n.endsWith(".crdownload"));
      if (done.length) return { name: done[0], bytes: fs.readFileSync(path.join(downloads, done[0])) };
      await new Promise((resolve) => setTimeout(resolve, 50));
    }
    return { name: "", bytes: Buffer.alloc(0) };
  }

  // One headline answer for each form, in plain words; the evidence in a smaller line.
  const headlines = {
    unscrambled: "Unscrambled: the form emulators, loaders and GD-ROM images use",
    scrambled: "Scrambled: the form that boots from a CD-R",
    twice: "Scrambled twice: this will not boot; download the scrambled form to repair it",
    undecided: "Undecided: its form cannot be told (no patterns, no telling layout)",
    notProgram: "Not a program: this file holds no Dreamcast program in any form",
    elf: "An ELF file: either download makes its raw binary first",
  };

  // A real SH program with a C library, and one without: both forms, each way.
  const hello = file("1ST_READ.BIN", fs.readFileSync(path.join(fixtures, "hello.bin")));
  await give(hello);
  check(await text("answer") === headlines.unscrambled, "a real program: unscrambled");
  check((await text("evidence")).endsWith("; layout: unscrambled"), `its evidence: ${await text("evidence")}`);
  const size = execFileSync(quillet, ["scan", "--json", hello]).toString().match(/"size": (\d+)/)[1];
  check(await text("size") === `${(Number(size) / 1024).toFixed(1).replace(/\B(?=(\d{3})+(?!\d))/g, ",")} KB`,
        `its size text: ${await text("size")}`);
  let got = await download("scramble");
  check(got.name === "1ST_READ_scrambled.bin" && got.bytes.equals(dcscramOf(hello, false)),
        "the scrambled download is dcscram's, named as the window names it");
  got = await download("unscramble");
  check(got.name === "" && (await text("status")).includes("already unscrambled"), "already unscrambled: said plainly");

  const scrambled = file("game.bin", dcscramOf(path.join(fixtures, "bare.bin"), false));
  await give(scrambled);
  check(await text("answer") === headlines.scrambled && await text("evidence") === "no pattern found; layout: scrambled",
        "a scrambled program without a C library: scrambled, on its layout alone");
  got = await download("unscramble");
  check(got.name === "game_unscrambled.bin" && got.bytes.equals(fs.readFileSync(path.join(fixtures, "bare.bin"))),
        "the unscrambled download is the program again");

  // The same program unscrambled (none of the patterns): the page says unscrambled, as the layout
  // does, and offers nothing that would unscramble it into garbage.
  await give(file("plain.bin", fs.readFileSync(path.join(fixtures, "bare.bin"))));
  check(await text("answer") === headlines.unscrambled, "a program without patterns: unscrambled");
  got = await download("unscramble");
  check(got.name === "" && (await text("status")).includes("already unscrambled"), "...and not unscrambled again");

  // Scrambled twice: the scrambled download is the program scrambled once.
  await give(file("twice.bin", dcscramOf(scrambled, false)));
  check(await text("answer") === headlines.twice, "a file scrambled twice: said so");
  got = await download("scramble");
  check(got.bytes.equals(fs.readFileSync(scrambled)), "...and its scrambled download repairs it");

  // Random bytes have no form to tell; text is no program.
  await give(file("noise.bin", crypto.randomBytes(70000)));
  check(await text("answer") === headlines.undecided, "random bytes: undecided");
  await give(file("notes.bin", fs.readFileSync(new URL("../../README.md", import.meta.url))));
  check(await text("answer") === headlines.notProgram, "a text file: not a program");

  // An ELF file both ways, against objcopy's raw binary (the fixture) and dcscram of it.
  const elf = file("game.elf", fs.readFileSync(path.join(fixtures, "hello.elf")));
  await give(elf);
  check(await text("answer") === headlines.elf, "an ELF file: made into its raw binary first");
  got = await download("unscramble");
  check(got.bytes.equals(fs.readFileSync(path.join(fixtures, "hello.bin"))), "ELF to unscrambled: objcopy's bytes");
  got = await download("scramble");
  check(got.bytes.equals(dcscramOf(path.join(fixtures, "hello.bin"), false)), "ELF to scrambled: dcscram of those");

  // An IP.BIN is refused with the window's words, by name and by content; a drop works as the
  // picker does.
  await give(file("IP.BIN", fs.readFileSync(path.join(fixtures, "hello.bin"))));
  check((await text("status")).includes("Please select a 1st_read.bin, not an Ip.bin!"), "an IP.BIN is refused");
  await give(file("boot.bin", Buffer.concat([Buffer.from("SEGA SEGAKATANA " + " ".repeat(0x50) + "1ST_READ.BIN    "),
                                             fs.readFileSync(path.join(fixtures, "bare.bin"))])));
  check((await text("status")).includes("Please select a 1st_read.bin, not an Ip.bin!"),
        "an IP.BIN under another name is refused by its content");
  await page.evaluate(() => { delete document.body.dataset.judged; });
  await page.evaluate(() => {
    const data = new DataTransfer();
    data.items.add(new File([new Uint8Array(70000).map((_, i) => (i * 7) & 255)], "dropped.bin"));
    document.querySelector("#drop").dispatchEvent(new DragEvent("drop", { dataTransfer: data, bubbles: true,
                                                                           cancelable: true }));
  });
  await page.waitForFunction(() => document.body.dataset.judged === "dropped.bin", { timeout: 20000 });
  check(await text("name") === "dropped.bin", "a dropped file is judged");

  // 16 MiB: the page against quillet scan --json on the same file, in this same run.
  const large = Buffer.alloc(16 << 20);
  const program = fs.readFileSync(path.join(fixtures, "hello.bin"));
  for (let at = 0; at < large.length; at += program.length) program.copy(large, at);
  // Each run a file of its own name: a picker given the same file again reports no change.
  const bigs = [0, 1, 2, 3, 4].map((i) => {
    const where = path.join(work, `big${i}.bin`);
    if (i === 0) fs.writeFileSync(where, large); else fs.linkSync(path.join(work, "big0.bin"), where);
    return where;
  });
  let times = [];
  for (const big of bigs) {
    await give(big);
    times.push(Number(await page.evaluate(() => document.body.dataset.judgedMs)));
  }
  const page_best = Math.min(...times);
  times = [];
  for (let i = 0; i < 5; i++) {
    const started = process.hrtime.bigint();
    execFileSync(quillet, ["scan", "--json", bigs[0]]);
    times.push(Number(process.hrtime.bigint() - started) / 1e6);
  }
  const cli_best = Math.min(...times);
  console.log(`16 MiB judged: page ${page_best.toFixed(1)} ms, quillet scan --json ${cli_best.toFixed(1)} ms, ` +
              `ratio ${(page_best / cli_best).toFixed(2)} (target: at most 3)`);
  check(await text("answer") === headlines.unscrambled, "a 16 MiB file is judged");

  const bytes = fs.statSync(page_path).size;
  check(bytes < 300 * 1024, `the page with its module is ${bytes} bytes (under 300 KB)`);
  check(requests.length === 0, `no network use (${requests.join(", ") || "none"})`);

  await give(hello);
  await page.screenshot({ path: screenshot, fullPage: true });

  // Keyboard: Tab reaches the picker and both buttons, in that order.
  await page.setViewport({ width: 900, height: 900 });
  await page.click("h1");  // where a person starts: the top of the page
  const stops = [];
  for (let i = 0; i < 3; i++) {
    await page.keyboard.press("Tab");
    stops.push(await page.evaluate(() => document.activeElement.id));
  }
  check(stops.join(",") === "file,scramble,unscramble", `Tab walks ${stops.join(", ")}`);
  // At 200% zoom the page is as wide as half the window: nothing may stick out sideways.
  await page.setViewport({ width: 450, height: 900 });
  const fits = await page.evaluate(() => document.documentElement.scrollWidth <= document.documentElement.clientWidth);
  check(fits, "readable at 200% zoom without scrolling sideways");
} finally {
  await browser.close();
  fs.rmSync(work, { recursive: true, force: true });
}
console.log(`${passes} passed, ${failures} failed`);
process.exit(failures ? 1 : 0);
