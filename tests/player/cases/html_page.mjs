// Pages that play today: the HTML export with the page player setting, and the page a
// projector opens in the browser when no desktop Ruffle is installed, play the movie in the
// browser with the Ruffle web player.
import { execFileSync } from "node:child_process";
import fs from "node:fs";
import path from "node:path";
import { ruffleFolder } from "../harness.mjs";

async function expectPlays(t, page, what) {
  const player = await t.playPage(page, { width: 160, height: 120 });
  t.check(player.metadata.width === 160 && player.metadata.height === 120, `${what}: the player loads the 160 x 120 movie`);
  const moved = await t.movement(player);
  t.check(moved > 2, `${what}: the picture changes while it plays (largest mean difference ${moved.toFixed(1)})`);
}

export default async function (t) {
  const source = t.fixture("clip.mp4");

  // Offline: Ruffle's files copied beside the page.
  const offline = t.convert(source, ["--set", "destExportType=2", "--ruffle-dir", ruffleFolder], "offline/clip.swf");
  t.check(fs.existsSync(path.join(t.folder, "offline", "ruffle", "ruffle.js")), "Ruffle's files lie beside the page");
  await expectPlays(t, offline.replace(/\.swf$/, ".html"), "the page with its own copy of Ruffle");

  // The setting alone: the page loads Ruffle from its public address.
  const online = t.convert(source, ["--set", "destExportType=2", "--set", "destIsHtmlRuffle=1"], "online/clip.swf");
  await expectPlays(t, online.replace(/\.swf$/, ".html"), "the page with the public Ruffle");

  // A projector made with the default stub, run without a desktop Ruffle: a stand-in for
  // xdg-open keeps the page it is given.
  t.convert(source, ["--set", "destExportType=1"], "exe/clip.swf");
  const bin = path.join(t.folder, "bin");
  fs.mkdirSync(bin);
  const kept = path.join(t.folder, "projector-page", "play.html");
  fs.mkdirSync(path.dirname(kept));
  fs.writeFileSync(path.join(bin, "xdg-open"), `#!/bin/sh\ncp "$1" '${kept}'\n`, { mode: 0o755 });
  execFileSync(path.join(t.folder, "exe", "clip.exe"), [], { stdio: ["ignore", "pipe", "pipe"],
    env: { ...process.env, PATH: `${bin}:/usr/bin:/bin`, TMPDIR: t.folder } });
  t.check(fs.existsSync(kept), "the projector opens a page in the browser");
  await expectPlays(t, kept, "the projector's page");
}
