// One headless Chromium for the whole test run. `node browser.mjs start STATE` launches it
// (debugging port chosen by the browser, profile in a fresh folder) and writes its address
// to STATE; `node browser.mjs stop STATE` ends it. Cases connect to the address in
// PELLICOR_BROWSER_STATE when it is set, and launch a browser of their own otherwise.
import { spawn } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { chromium } from "playwright-core";

export const chromiumPath = process.env.PELLICOR_CHROMIUM || "/usr/bin/chromium";

// Flags for a closed network and a machine without a GPU.
export const chromiumFlags = [
  "--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
  "--disable-background-networking", "--disable-component-update", "--disable-sync",
  "--disable-default-apps", "--mute-audio", "--autoplay-policy=no-user-gesture-required",
  "--disable-popup-blocking", "--hide-scrollbars",
  // Links the movies open must reach the harness as written, not upgraded to https.
  "--disable-features=HttpsUpgrades,HttpsFirstBalancedModeAutoEnable,Translate,MediaRouter", "--force-device-scale-factor=1", "--disable-dev-shm-usage",
];

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

async function start(stateFile) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), "pellicor-chromium-"));
  const child = spawn(chromiumPath, [...chromiumFlags, "--remote-debugging-port=0",
    `--user-data-dir=${profile}`, "about:blank"], { detached: true, stdio: "ignore" });
  child.unref();
  const portFile = path.join(profile, "DevToolsActivePort");
  for (let waited = 0; !fs.existsSync(portFile) || fs.readFileSync(portFile, "utf8").split("\n").length < 2; waited += 100) {
    if (waited > 30000) throw new Error("Chromium did not open its debugging port");
    await sleep(100);
  }
  const port = fs.readFileSync(portFile, "utf8").split("\n")[0].trim();
  fs.writeFileSync(stateFile, JSON.stringify({ pid: child.pid, profile, endpoint: `http://127.0.0.1:${port}` }));
}

function stop(stateFile) {
  if (!fs.existsSync(stateFile)) return;
  const state = JSON.parse(fs.readFileSync(stateFile, "utf8"));
  try { process.kill(-state.pid, "SIGKILL"); } catch { /* already gone */ }
  try { process.kill(state.pid, "SIGKILL"); } catch { /* already gone */ }
  fs.rmSync(state.profile, { recursive: true, force: true });
  fs.rmSync(stateFile, { force: true });
}

// The shared browser when a run started one, else a browser of this process's own.
export async function openBrowser() {
  const stateFile = process.env.PELLICOR_BROWSER_STATE;
  if (stateFile && fs.existsSync(stateFile)) {
    const { endpoint } = JSON.parse(fs.readFileSync(stateFile, "utf8"));
    return { browser: await chromium.connectOverCDP(endpoint), shared: true };
  }
  const browser = await chromium.launch({ executablePath: chromiumPath, args: chromiumFlags, headless: true });
  return { browser, shared: false };
}

if (process.argv[1] && path.resolve(process.argv[1]) === path.resolve(new URL(import.meta.url).pathname)) {
  const [command, stateFile] = process.argv.slice(2);
  if (command === "start") await start(stateFile);
  else if (command === "stop") stop(stateFile);
  else {
    console.error("usage: node browser.mjs start|stop STATE");
    process.exit(2);
  }
}
