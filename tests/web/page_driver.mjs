// The page in Debian's chromium, headless, driven by puppeteer-core, as the page's test and its
// benchmark drive it: files go in as a person gives them, through the file picker; and its memory.
import fs from "node:fs";
import path from "node:path";
import puppeteer from "puppeteer-core";

// Opens the page at `page_path`; `downloads`, a folder for what it downloads; `onRequest`, called with
// each request's address. Gives the browser, the page, and `give`, which chooses files with the
// picker and waits for the page's answer.
export async function openPage(page_path, { downloads, onRequest, query = "" } = {}) {
  const browser = await puppeteer.launch({
    executablePath: "/usr/bin/chromium",
    headless: true,
    // Root in CI has no user namespaces for the sandbox; the page is our own.
    args: ["--no-sandbox", "--disable-gpu", "--allow-file-access-from-files"],
  });
  const page = await browser.newPage();
  await page.setViewport({ width: 900, height: 900 });
  if (downloads) {
    const session = await page.createCDPSession();
    await session.send("Browser.setDownloadBehavior", { behavior: "allow", downloadPath: downloads });
  }
  if (onRequest) page.on("request", (request) => onRequest(request.url()));
  await page.goto("file://" + path.resolve(page_path) + query);
  await page.waitForSelector("body[data-ready=yes]", { timeout: 20000 });
  async function give(...wheres) {
    await page.evaluate(() => { delete document.body.dataset.judged; });
    await (await page.$("#file")).uploadFile(...wheres);
    await page.waitForFunction(() => document.body.dataset.judged !== undefined && document.body.dataset.judged !== "",
                               { timeout: 60000 });
  }
  return { browser, page, give };
}

// The resident memory, in KiB, of every process whose command line holds `mark` ("--type=renderer"
// for the tabs and their workers, "chrom" for the whole browser), summed.
export function memoryOf(mark) {
  let total = 0;
  for (const pid of fs.readdirSync("/proc").filter((entry) => /^\d+$/.test(entry))) {
    try {
      if (!fs.readFileSync(`/proc/${pid}/cmdline`, "utf8").includes(mark)) continue;
      total += Number(fs.readFileSync(`/proc/${pid}/status`, "utf8").match(/VmRSS:\s+(\d+)/)[1]);
    } catch { /* ended meanwhile */ }
  }
  return total;
}
