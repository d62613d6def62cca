// Runs one player test case: `node run-case.mjs cases/NAME.mjs`. A case exports a default
// async function that receives `t` (below); it converts movies with pellicor-cli, plays
// them and checks what the player shows. Any error line of the player fails the case.
import { execFileSync } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import zlib from "node:zlib";
import { fileURLToPath, pathToFileURL } from "node:url";
import { openBrowser } from "./browser.mjs";
import { openPage, openPlayer } from "./harness.mjs";
import { fromRgb24, meanDifference } from "./png.mjs";

const here = path.dirname(fileURLToPath(import.meta.url));

// The stage size in pixels from an SWF file's header (FWS or CWS).
export function swfStageSize(file) {
  let bytes = fs.readFileSync(file);
  const signature = bytes.toString("latin1", 0, 3);
  if (signature === "CWS") bytes = Buffer.concat([bytes.subarray(0, 8), zlib.inflateSync(bytes.subarray(8))]);
  else if (signature !== "FWS") throw new Error(`${file} is not an SWF movie`);
  let bit = 8 * 8;
  const read = (count) => {
    let value = 0;
    for (let i = 0; i < count; ++i, ++bit) value = value * 2 + ((bytes[bit >> 3] >> (7 - (bit & 7))) & 1);
    return value;
  };
  const signed = (count) => { const v = read(count); return v >= 2 ** (count - 1) ? v - 2 ** count : v; };
  const size = read(5);
  const [xMin, xMax, yMin, yMax] = [signed(size), signed(size), signed(size), signed(size)];
  return { width: Math.round((xMax - xMin) / 20), height: Math.round((yMax - yMin) / 20) };
}

async function main() {
  const caseFile = path.resolve(process.argv[2]);
  const name = path.basename(caseFile, ".mjs");
  const cli = process.env.PELLICOR_CLI;
  const fixtures = process.env.PELLICOR_FIXTURES_DIR;
  if (!cli || !fixtures) throw new Error("PELLICOR_CLI and PELLICOR_FIXTURES_DIR must be set");
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), `pellicor-player-${name}-`));
  const { browser, shared } = await openBrowser();
  const players = [];
  const failures = [];
  let checks = 0;

  const t = {
    folder,
    fixture: (file) => path.join(fixtures, file),
    // A file of the source tree (PELLICOR_SOURCE_DIR, else the tree this harness lies in).
    source: (file) => path.join(process.env.PELLICOR_SOURCE_DIR || path.join(here, "..", ".."), file),
    log: (...parts) => console.log(...parts),
    check(condition, message) {
      ++checks;
      if (!condition) failures.push(message);
      console.log(`${condition ? "ok  " : "FAIL"} ${message}`);
      return condition;
    },
    // Runs pellicor-cli with the arguments; throws with its error output when it fails.
    cli(args) {
      return execFileSync(cli, args, { encoding: "utf8", stdio: ["ignore", "pipe", "pipe"],
        env: { ...process.env, XDG_CACHE_HOME: path.join(folder, "cache"), XDG_CONFIG_HOME: path.join(folder, "config") } });
    },
    // Converts a source file into FOLDER/output (default: the source's name + ".swf").
    convert(source, args = [], output = path.basename(source).replace(/\.[^.]*$/, "") + ".swf") {
      const movie = path.join(folder, output);
      t.cli(["convert", source, "-o", movie, ...args]);
      return movie;
    },
    // Plays a movie at its stage size (or options.width x options.height).
    async play(movie, options = {}) {
      const player = await openPlayer(browser, movie, { ...swfStageSize(movie), ...options });
      player.movie = movie;
      players.push(player);
      return player;
    },
    // Opens an HTML page the program wrote, served from its folder, and waits for the Ruffle
    // player the page brings to load the movie (options.width x options.height: its stage).
    async playPage(pagePath, options) {
      const player = await openPage(browser, pagePath, options);
      player.movie = pagePath;
      players.push(player);
      return player;
    },
    // Polls `condition` (async) until it holds or `timeout` ms have passed; tells which.
    async waitFor(condition, timeout = 10000, every = 200) {
      const deadline = Date.now() + timeout;
      for (;;) {
        if (await condition()) return true;
        if (Date.now() > deadline) return false;
        await new Promise((resolve) => setTimeout(resolve, every));
      }
    },
    // Every frame of a source file decoded by the ffmpeg tool, at its size.
    decodeFrames(source, width, height) {
      const raw = execFileSync("ffmpeg", ["-v", "error", "-i", source, "-f", "rawvideo", "-pix_fmt", "rgb24", "-"],
        { maxBuffer: 256 << 20 });
      const size = width * height * 3;
      const frames = [];
      for (let at = 0; at + size <= raw.length; at += size) frames.push(fromRgb24(raw.subarray(at, at + size), width, height));
      return frames;
    },
    // Screenshots taken `every` ms apart from `from` ms after loading; the largest mean
    // difference between any two of them (0 when the picture holds still).
    async movement(player, { from = 300, count = 4, every = 300 } = {}) {
      const shots = [];
      for (let i = 0; i < count; ++i) {
        await player.at(from + i * every);
        shots.push(await player.screenshot());
      }
      let largest = 0;
      for (let i = 0; i < shots.length; ++i)
        for (let j = i + 1; j < shots.length; ++j) largest = Math.max(largest, meanDifference(shots[i], shots[j]));
      return largest;
    },
  };

  try {
    const testCase = await import(pathToFileURL(caseFile).href);
    await testCase.default(t);
    for (const player of players) {
      t.check(player.errors.length === 0,
        `no player error for ${path.basename(player.movie)}${player.errors.length ? ":\n  " + player.errors.join("\n  ") : ""}`);
      t.check(player.noticeHidden, `the acceleration notice stays hidden for ${path.basename(player.movie)}`);
    }
  } catch (error) {
    failures.push(`${error.stack || error}`);
    console.log(`FAIL ${error.stack || error}`);
    for (const player of players) console.log(`console of ${path.basename(player.movie)}:\n  ${player.messages.join("\n  ")}`);
  } finally {
    for (const player of players) await player.close().catch(() => {});
    if (shared) await browser.close().catch(() => {}); // disconnects only
    else await browser.close();
    fs.rmSync(folder, { recursive: true, force: true });
  }
  console.log(`${checks - failures.length} passed, ${failures.length} failed`);
  process.exit(failures.length === 0 ? 0 : 1);
}

if (path.resolve(process.argv[1]) === path.resolve(new URL(import.meta.url).pathname)) await main();
