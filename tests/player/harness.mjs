// Plays SWF movies in Ruffle's web build inside headless Chromium.
//
//   const player = await openPlayer(browser, "/path/movie.swf", { width: 160, height: 120 });
//   const shot = await player.screenshot();          // { width, height, pixels (RGBA) }
//   await player.click(80, 60);                      // stage pixels
//   player.errors                                    // the player's own error lines
//   player.navigations                               // [{ url, target: "self"|"top"|"popup" }]
//   await player.close();
//
// The movie is served from a local HTTP server on 127.0.0.1 (a port of its own) inside a
// page that holds the player in an iframe at (0, 0), the stage's size, so that a link to
// "_self" navigates the iframe, "_top" and "_parent" the page, "_blank" opens a pop-up.
// Any request for another address is answered here with an empty page and recorded.
// Script access is allowed, as for a movie embedded from its own site: Ruffle opens links
// in the current tab ("_self", "_top", "_parent") only then.
import fs from "node:fs";
import http from "node:http";
import path from "node:path";
import { fileURLToPath } from "node:url";
import { decodePng } from "./png.mjs";

const here = path.dirname(fileURLToPath(import.meta.url));
export const ruffleFolder = path.join(here, "node_modules", "@ruffle-rs", "ruffle");

const contentTypes = { ".js": "text/javascript", ".wasm": "application/wasm", ".swf": "application/x-shockwave-flash",
  ".html": "text/html; charset=utf-8", ".map": "application/json" };

function topPage(width, height) {
  return `<!DOCTYPE html><html><head><style>html,body{margin:0;padding:0;overflow:hidden;background:#808080}
iframe{position:absolute;left:0;top:0;border:0;width:${width}px;height:${height}px}</style></head>
<body><iframe id="player" name="player" src="/player.html"></iframe></body></html>`;
}

function playerPage(width, height, config) {
  return `<!DOCTYPE html><html><head><style>html,body{margin:0;padding:0;overflow:hidden}
ruffle-player,ruffle-object,ruffle-embed{display:block;width:${width}px;height:${height}px}</style>
<script src="/ruffle/ruffle.js"></script></head><body><div id="stage"></div><script>
window.RufflePlayer.config = ${JSON.stringify(config)};
const player = window.RufflePlayer.newest().createPlayer();
document.getElementById("stage").appendChild(player);
window.pellicorPlayer = player;
player.ruffle().load({ url: "/movie.swf" });
</script></body></html>`;
}

// Serves the Ruffle files, the two pages and the movie. Returns { server, origin }.
async function serve(movieBytes, width, height, config) {
  const server = http.createServer((request, response) => {
    const url = new URL(request.url, "http://127.0.0.1");
    const send = (type, body) => {
      response.writeHead(200, { "Content-Type": type, "Cache-Control": "no-store" });
      response.end(body);
    };
    if (url.pathname === "/") return send(contentTypes[".html"], topPage(width, height));
    if (url.pathname === "/player.html") return send(contentTypes[".html"], playerPage(width, height, config));
    if (url.pathname === "/movie.swf") return send(contentTypes[".swf"], movieBytes);
    if (url.pathname.startsWith("/ruffle/")) {
      const file = path.join(ruffleFolder, path.basename(url.pathname));
      if (fs.existsSync(file)) return send(contentTypes[path.extname(file)] || "application/octet-stream", fs.readFileSync(file));
    }
    response.writeHead(404);
    response.end();
  });
  await new Promise((resolve) => server.listen(0, "127.0.0.1", resolve));
  return { server, origin: `http://127.0.0.1:${server.address().port}` };
}

// Ruffle's own log lines reach the console as "ERROR ..."-prefixed messages or through
// console.error; warnings of the player about its environment are not errors of the movie.
function isPlayerError(message) {
  if (message.type() !== "error") return /^\s*(%c)?ERROR\b/.test(message.text());
  return !/Failed to load resource: the server responded with a status of 404/.test(message.text());
}

// Hides the notice that Ruffle lays over the stage when it renders without a GPU (it would
// hide the picture and swallow clicks), and tells whether it is hidden.
async function hideAccelerationNotice(frame) {
  return frame.evaluate(() => {
    const root = window.pellicorPlayer.shadowRoot;
    if (!root.getElementById("pellicor-style")) {
      const style = document.createElement("style");
      style.id = "pellicor-style";
      style.textContent = "#hardware-acceleration-modal{display:none !important}";
      root.appendChild(style);
    }
    const notice = root.getElementById("hardware-acceleration-modal");
    return !notice || getComputedStyle(notice).display === "none";
  });
}

export async function openPlayer(browser, moviePath, { width, height, config = {} } = {}) {
  const playerConfig = { autoplay: "on", unmuteOverlay: "hidden", splashScreen: false, letterbox: "off",
    warnOnUnsupportedContent: false, contextMenu: "off", openUrlMode: "allow", logLevel: "warn",
    allowScriptAccess: true, ...config };
  const { server, origin } = await serve(fs.readFileSync(moviePath), width, height, playerConfig);
  const context = await browser.newContext({ viewport: { width: Math.max(width, 64), height: Math.max(height, 64) },
    deviceScaleFactor: 1 });
  const errors = [];
  const messages = [];
  const navigations = [];
  const page = await context.newPage();
  const watch = (target) => {
    target.on("console", (message) => {
      messages.push(`${message.type()}: ${message.text()}`);
      if (isPlayerError(message)) errors.push(message.text());
    });
    target.on("pageerror", (error) => errors.push(`page error: ${error.message}`));
  };
  watch(page);
  context.on("page", (popup) => { if (popup !== page) watch(popup); });
  await context.route("**/*", async (route) => {
    const request = route.request();
    if (request.url().startsWith(origin + "/")) return route.continue();
    if (request.isNavigationRequest()) navigations.push({ url: request.url(), target: targetOf(request) });
    return route.fulfill({ status: 200, contentType: "text/html", body: "<html><body>away</body></html>" });
  });
  // The frame a navigation loads into; a pop-up's first request comes before its page exists.
  const targetOf = (request) => {
    let frame;
    try {
      frame = request.frame();
    } catch {
      return "popup";
    }
    return frame.page() !== page ? "popup" : frame === page.mainFrame() ? "top" : "self";
  };
  await page.goto(origin + "/");
  const frame = () => page.frame({ name: "player" });
  const started = Date.now();
  while (!(await frame()?.evaluate(() => window.pellicorPlayer?.ruffle().metadata !== null).catch(() => false))) {
    if (Date.now() - started > 30000) throw new Error(`the player did not load the movie; console:\n${messages.join("\n")}`);
    await page.waitForTimeout(50);
  }
  const loadedAt = Date.now();
  let noticeHidden = await hideAccelerationNotice(frame());
  let closed = false;

  return {
    page, errors, messages, navigations,
    get noticeHidden() { return noticeHidden; },
    metadata: await frame().evaluate(() => window.pellicorPlayer.ruffle().metadata),
    // Milliseconds since the movie was loaded.
    elapsed: () => Date.now() - loadedAt,
    // Waits until `ms` milliseconds have passed since loading.
    async at(ms) {
      const left = ms - (Date.now() - loadedAt);
      if (left > 0) await page.waitForTimeout(left);
    },
    async screenshot() {
      const png = await page.screenshot({ clip: { x: 0, y: 0, width, height }, animations: "allow" });
      return decodePng(png);
    },
    async hover(x, y) {
      await page.mouse.move(x, y);
      await page.waitForTimeout(50);
      if (frame()) noticeHidden = await hideAccelerationNotice(frame());
    },
    async click(x, y) {
      await this.hover(x, y);
      await page.mouse.down();
      await page.waitForTimeout(60);
      await page.mouse.up();
    },
    // Whether the player frame still shows the player (a "_self" link replaces it).
    async showsPlayer() {
      return (await frame()?.evaluate(() => !!window.pellicorPlayer).catch(() => false)) ?? false;
    },
    async close() {
      if (closed) return;
      closed = true;
      await context.close();
      server.closeAllConnections?.();
      await new Promise((resolve) => server.close(resolve));
    },
  };
}

// The public address the program's pages load Ruffle from; the harness answers it with the
// installed copy, so that such pages play without the network.
const publicRuffle = "https://unpkg.com/@ruffle-rs/ruffle@0.6.0/";

// Serves every file of `folder`. Returns { server, origin }.
async function serveFolder(folder) {
  const root = path.resolve(folder);
  const server = http.createServer((request, response) => {
    const file = path.join(root, decodeURIComponent(new URL(request.url, "http://127.0.0.1").pathname));
    if (!file.startsWith(root + path.sep) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      response.writeHead(404);
      return response.end();
    }
    response.writeHead(200, { "Content-Type": contentTypes[path.extname(file)] || "application/octet-stream",
      "Cache-Control": "no-store" });
    response.end(fs.readFileSync(file));
  });
  await new Promise((resolve) => server.listen(0, "127.0.0.1", resolve));
  return { server, origin: `http://127.0.0.1:${server.address().port}` };
}

// Opens a page the program wrote (served from its folder over HTTP, as a web site would)
// and waits until the Ruffle player that the page brings has loaded its movie. The player
// is the first Ruffle element of the page; screenshots show its box.
export async function openPage(browser, pagePath, { width, height } = {}) {
  const { server, origin } = await serveFolder(path.dirname(pagePath));
  const context = await browser.newContext({ viewport: { width: width + 64, height: height + 64 }, deviceScaleFactor: 1 });
  const errors = [];
  const messages = [];
  const page = await context.newPage();
  page.on("console", (message) => {
    messages.push(`${message.type()}: ${message.text()}`);
    if (isPlayerError(message)) errors.push(message.text());
  });
  page.on("pageerror", (error) => errors.push(`page error: ${error.message}`));
  await context.route("**/*", async (route) => {
    const url = route.request().url();
    if (url.startsWith(origin + "/")) return route.continue();
    if (url.startsWith(publicRuffle)) {
      const file = path.join(ruffleFolder, path.basename(new URL(url).pathname));
      if (fs.existsSync(file))
        return route.fulfill({ status: 200, contentType: contentTypes[path.extname(file)] || "application/octet-stream",
          headers: { "Access-Control-Allow-Origin": "*" }, body: fs.readFileSync(file) });
    }
    return route.fulfill({ status: 200, contentType: "text/html", body: "<html><body>away</body></html>" });
  });
  await page.goto(`${origin}/${encodeURIComponent(path.basename(pagePath))}`);
  const started = Date.now();
  const loaded = () => page.evaluate(() => {
    window.pellicorPlayer = document.querySelector("ruffle-object, ruffle-embed, ruffle-player");
    return !!window.pellicorPlayer && window.pellicorPlayer.ruffle().metadata !== null;
  }).catch(() => false);
  while (!(await loaded())) {
    if (Date.now() - started > 60000) throw new Error(`the page's player did not load the movie; console:\n${messages.join("\n")}`);
    await page.waitForTimeout(50);
  }
  const loadedAt = Date.now();
  const noticeHidden = await hideAccelerationNotice(page.mainFrame());
  const box = await page.evaluate(() => {
    const r = window.pellicorPlayer.getBoundingClientRect();
    return { x: Math.round(r.x), y: Math.round(r.y), width: Math.round(r.width), height: Math.round(r.height) };
  });
  let closed = false;
  return {
    page, errors, messages, navigations: [], box, noticeHidden,
    metadata: await page.evaluate(() => window.pellicorPlayer.ruffle().metadata),
    elapsed: () => Date.now() - loadedAt,
    async at(ms) {
      const left = ms - (Date.now() - loadedAt);
      if (left > 0) await page.waitForTimeout(left);
    },
    async screenshot() {
      return decodePng(await page.screenshot({ clip: box, animations: "allow" }));
    },
    async close() {
      if (closed) return;
      closed = true;
      await context.close();
      server.closeAllConnections?.();
      await new Promise((resolve) => server.close(resolve));
    },
  };
}
