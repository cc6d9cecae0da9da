// The settings panel page in a real browser: headless Chromium, driven by
// playwright-core, against `orrelux-render panel` on a copy of a scene.
// Exits 77 (skipped, with the reason) when the browser or the npm packages
// are missing.
"use strict";

const fs = require("fs");
const http = require("http");
const os = require("os");
const path = require("path");
const { spawn, execFileSync } = require("child_process");

const SKIPPED = 77;
const CHROMIUM = process.env.ORRELUX_CHROMIUM || "/usr/bin/chromium";

function option(name) {
  const at = process.argv.indexOf("--" + name);
  if (at < 0 || at + 1 >= process.argv.length) throw new Error("missing --" + name);
  return process.argv[at + 1];
}

function skip(reason) {
  console.log("SKIPPED: " + reason);
  process.exit(SKIPPED);
}

function expect(condition, what) {
  if (!condition) throw new Error("expected " + what);
}

// A database without distances: the ORRELUX1 header and one star.
function flatDatabase(file) {
  const bytes = Buffer.alloc(64);
  bytes.write("ORRELUX1", 0, "latin1");
  bytes.writeFloatLE(0.5, 32 + 16);
  fs.writeFileSync(file, bytes);
}

// Settings as the module writes them, so that loading and saving again must
// give the same bytes.
function settingsText(database) {
  return [
    "OrreluxVersion 2", `StarFile "${database}"`, "StarSize 3.5", "StarAspect 1.5",
    "LumThreshold 0.00200000009", "LumMax 0.75", "Brightness 3.25", "Saturation 0.5",
    "BrightnessBias 1.25", "TintStrength 0.25", "TintRed 1", "TintGreen 0.5", "TintBlue 0.25",
    "BlurSegs 4", "sRGBFrameBuffer 0", "AnamorphicDOF 0", "ThreeD 0", 'Projection "Perspective"',
    "Parallax 0", "END", "",
  ].join("\n");
}

function startServer(render, scene, folder) {
  const server = spawn(render, ["panel", scene, "--folder", folder],
                       { stdio: ["ignore", "pipe", "inherit"] });
  const address = new Promise((resolve, reject) => {
    let out = "";
    server.stdout.on("data", (chunk) => {
      out += chunk;
      const found = out.match(/http:\/\/127\.0\.0\.1:\d+\/\?token=[0-9a-f]{32}/);
      if (found) resolve(found[0]);
    });
    server.on("exit", (code) => reject(new Error("the panel server stopped: " + code + "\n" + out)));
  });
  const exited = new Promise((resolve) => server.on("exit", (code, signal) => resolve(code ?? signal)));
  return { server, address, exited };
}

// What another page can do to the panel: every writing endpoint with the
// bodies a page may send anywhere without asking (no-cors fetches of
// text/plain, HTML forms), and reads.
const WRITES = [
  ["/api/control/0x8001", {value: 40}], ["/api/control/0x8005", {value: 0.9}],
  ["/api/settings/save", {path: "evil.cfg"}], ["/api/settings/load", {path: "look.cfg"}],
  ["/api/save", {}], ["/api/render", {frame: 1}], ["/api/render/cancel", {}],
  ["/api/parent", {index: 1}],
];
const READS = ["/api/panel", "/api/files", "/api/parent", "/api/render"];

function attackPage(target) {
  const script = `
    const target = ${JSON.stringify(target)};
    const writes = ${JSON.stringify(WRITES)};
    const reads = ${JSON.stringify(READS)};
    const results = [];
    async function attack() {
      for (const [path, body] of writes) {
        await fetch(target + path, {method: "POST", mode: "no-cors", body: JSON.stringify(body),
                                    headers: {"Content-Type": "text/plain"}}).catch(() => {});
        await new Promise((done) => {
          const frame = document.createElement("iframe");
          frame.name = "f" + results.length;
          document.body.append(frame);
          const form = document.createElement("form");
          form.method = "POST";
          form.enctype = "text/plain";
          form.action = target + path;
          form.target = frame.name;
          const input = document.createElement("input");
          input.name = JSON.stringify(body).slice(0, -1) + ', "x": "';
          input.value = '"}';
          form.append(input);
          document.body.append(form);
          frame.onload = done;
          setTimeout(done, 3000);
          form.submit();
        });
        results.push(path);
      }
      for (const path of reads) {
        const answer = await fetch(target + path).then((r) => r.text()).catch((e) => "refused");
        results.push(path + ": " + answer.slice(0, 40));
      }
      document.title = "done: " + results.join(" | ");
    }
    attack();`;
  return `<!doctype html><html><body><script>${script}</script></body></html>`;
}

// Names and bytes of every file under `folder`.
function filesIn(folder) {
  const all = {};
  for (const name of fs.readdirSync(folder, { recursive: true })) {
    const file = path.join(folder, name);
    if (fs.statSync(file).isFile()) all[name] = fs.readFileSync(file).toString("base64");
  }
  return JSON.stringify(all);
}

function request(address, method, apiPath, headers, body) {
  const url = new URL(address);
  return new Promise((resolve, reject) => {
    const req = http.request({ host: url.hostname, port: url.port, path: apiPath, method,
                               headers }, (res) => {
      let text = "";
      res.on("data", (chunk) => { text += chunk; });
      res.on("end", () => resolve({ status: res.statusCode, text }));
    });
    req.on("error", reject);
    req.end(body);
  });
}

async function settingsOf(address, token) {
  const answer = await request(address, "GET", "/api/panel", { "X-Orrelux-Token": token });
  expect(answer.status === 200, "the panel to answer its own secret, not " + answer.status);
  return JSON.stringify(JSON.parse(answer.text).controls.map((c) => [c.id, c.value]));
}

async function attackSuite(browser, address, work) {
  const token = new URL(address).searchParams.get("token");
  const target = new URL(address).origin;
  const before = [await settingsOf(address, token), filesIn(work)];
  const elsewhere = fs.mkdtempSync(path.join(os.tmpdir(), "orrelux-attacker-"));
  const attacker = http.createServer((req, res) => {
    res.setHeader("Content-Type", "text/html");
    res.end(attackPage(target));
  });
  await new Promise((done) => attacker.listen(0, "127.0.0.1", done));
  const disk = path.join(elsewhere, "attack.html");
  fs.writeFileSync(disk, attackPage(target));
  try {
    for (const from of [`http://127.0.0.1:${attacker.address().port}/`, "file://" + disk]) {
      const page = await browser.newPage();
      await page.goto(from);
      await page.waitForFunction(() => document.title.startsWith("done"), null,
                                 { timeout: 60000 });
      const title = await page.title();
      expect(!title.includes("controls"), "no read to reach the panel from " + from + ": " + title);
      await page.close();
    }
    // DNS rebinding: a site's name made to point at 127.0.0.1, with the
    // secret even.
    const port = new URL(address).port;
    for (const [method, apiPath, body] of [["GET", "/api/panel"], ["GET", "/"],
                                           ["POST", "/api/settings/save", '{"path": "evil.cfg"}']]) {
      const answer = await request(address, method, apiPath,
                                   { Host: "evil.example:" + port, "X-Orrelux-Token": token,
                                     "Content-Type": "application/json" }, body);
      expect(answer.status === 403, `${method} ${apiPath} with a foreign Host to be refused, ` +
                                    `not ${answer.status}`);
    }
    expect(await settingsOf(address, token) === before[0], "the settings to be unchanged");
    expect(filesIn(work) === before[1], "every file in the folder to be unchanged");
    console.log("another page, a file and a rebound name were refused; nothing changed");
  } finally {
    attacker.close();
    fs.rmSync(elsewhere, { recursive: true, force: true });
  }
}

async function main() {
  const render = option("render");
  const example = option("scene");
  const database = option("database");
  const artefacts = option("artefacts");
  if (!fs.existsSync(CHROMIUM)) skip(CHROMIUM + " is not installed (scripts/setup.sh installs it)");
  let chromium;
  try {
    ({ chromium } = require(path.join(__dirname, "node_modules", "playwright-core")));
  } catch (e) {
    skip("playwright-core is not installed in " + __dirname +
         "/node_modules (scripts/setup.sh runs npm ci there)");
  }
  fs.rmSync(artefacts, { recursive: true, force: true });
  fs.mkdirSync(artefacts, { recursive: true });
  const work = fs.realpathSync(fs.mkdtempSync(path.join(os.tmpdir(), "orrelux-browser-")));
  const scene = path.join(work, "orion.lws");
  fs.copyFileSync(example, scene);
  const flat = path.join(work, "flat.stars");
  flatDatabase(flat);
  const look = path.join(work, "look.cfg");
  fs.writeFileSync(look, settingsText(fs.realpathSync(database)));

  const { server, address, exited } = startServer(render, scene, work);
  process.on("exit", () => server.kill("SIGKILL"));
  const browser = await chromium.launch({ executablePath: CHROMIUM, headless: true,
                                          args: ["--no-sandbox"] });
  let step = 0;
  const page = await browser.newPage({ viewport: { width: 1500, height: 900 } });
  const shot = (name) => page.screenshot({ path: path.join(artefacts, `${++step}-${name}.png`),
                                           fullPage: true });
  const field = (id) => page.locator("#control-" + id);
  // Types into a control and waits for the module's answer.
  const edit = (id, text) => Promise.all([
    page.waitForResponse((r) => r.url().includes("/api/control/" + id)),
    field(id).fill(text).then(() => field(id).press("Tab")),
  ]);
  try {
    await attackSuite(browser, await address, work);
    await page.goto(await address);
    await page.locator("#control-0x8001").waitFor();
    await shot("opened");

    // A float edit redraws the preview.
    const preview = page.locator("#thumb-0x8012");
    await page.waitForFunction(() => document.getElementById("thumb-0x8012").complete);
    const before = await preview.screenshot();
    const started = Date.now();
    await field("0x8001").fill("40");
    await field("0x8001").press("Tab");
    await page.waitForFunction(() => {
      const img = document.getElementById("thumb-0x8012");
      return img.src.includes("?n=") && img.complete;
    });
    console.log(`preview redrawn ${Date.now() - started} ms after the edit`);
    expect(!before.equals(await preview.screenshot()), "the preview to change");
    await shot("brighter-preview");

    // 3D stars with a database without distances: the host's error, box off.
    await edit("0x8011", flat);
    await field("0x8018").click();
    const message = page.locator("#message-box");
    await message.waitFor({ state: "visible" });
    const text = await page.locator("#message-line1").textContent();
    const wanted = `Star database ${flat} does not support 3D star option (try hipparcos3D.stars).`;
    expect(text === wanted, `the error "${wanted}", not "${text}"`);
    await shot("3d-refused");
    await page.locator("#message-ok").click();
    await page.waitForFunction(() => !document.getElementById("control-0x8018").checked);

    // The parent dialog.
    await page.getByRole("button", { name: "Parent Object" }).click();
    await page.locator("#parent-dialog").waitFor({ state: "visible" });
    await page.locator("#parent-choice").selectOption({ label: "(Camera) Camera" });
    await shot("parent-dialog");
    await page.locator("#parent-ok").click();
    await page.getByText("Parent: (Camera) Camera").waitFor();
    await page.getByRole("button", { name: "Parent Object" }).click();
    await page.locator("#parent-dialog").waitFor({ state: "visible" });
    const selected = await page.locator("#parent-choice option:checked").textContent();
    expect(selected === "(Camera) Camera", `the dialog to show the parent, not ${selected}`);
    await page.locator("#parent-cancel").click();

    // Loading and saving settings files.
    const lookBytes = fs.readFileSync(look);
    await page.getByRole("button", { name: "Load Settings" }).click();
    await page.locator("#file-dialog").waitFor({ state: "visible" });
    await page.locator("#file-list").selectOption(look);
    await page.locator("#file-ok").click();
    await page.getByText("Loaded " + look).waitFor();
    expect(await field("0x8001").inputValue() === "3.25", "the loaded brightness");
    await shot("loaded");
    const saved = path.join(work, "saved.cfg");
    await page.getByRole("button", { name: "Save Settings" }).click();
    await page.locator("#file-path").fill("saved.cfg");
    await page.locator("#file-ok").click();
    await page.getByText("Saved to " + saved).waitFor();
    expect(fs.readFileSync(saved).equals(lookBytes), "the saved file to hold the loaded bytes");

    // A frame rendered in the page is the frame orrelux-render writes from
    // the scene the page saved.
    await page.locator("#save").click();
    await page.getByText("Saved into the Orrelux block of image filter 1 of " + scene).waitFor();
    await page.locator("#render-start").click();
    await page.getByText(/Frame 1 rendered/).waitFor({ timeout: 60000 });
    await page.waitForFunction(() => document.getElementById("frame-image").naturalWidth === 960);
    await shot("rendered");
    const fetched = async (selector, attribute) => {
      const url = await page.locator(selector).getAttribute(attribute);
      return (await page.request.get(new URL(url, page.url()).href)).body();
    };
    const rendered = (name, ...options) => {
      execFileSync(render, [scene, "-o", path.join(work, name + "_####.png"), "--frames", "1",
                            "-q", ...options], { stdio: "inherit" });
      return fs.readFileSync(path.join(work, name + "_0001.png"));
    };
    expect((await fetched("#frame-image", "src")).equals(rendered("shown", "--opaque")),
           "the frame shown to be the one orrelux-render --opaque writes");
    expect((await fetched("#frame-file", "href")).equals(rendered("plate")),
           "the frame file to be the one orrelux-render writes");

    // Cancelling a long frame (large spots, many segments) aborts it through
    // the monitor.
    await edit("0x8008", "40");
    await edit("0x800A", "100");
    await page.locator("#render-start").click();
    await page.getByText(/Rendering frame 1/).waitFor();
    await shot("rendering");
    await page.locator("#render-cancel").click();
    await page.getByText("Frame 1 cancelled").waitFor({ timeout: 60000 });
    const progress = page.locator("#render-progress");
    const [done, total] = await progress.evaluate((bar) => [bar.value, bar.max]);
    expect(done < total, `the frame to stop short, at ${done} of ${total} steps`);
    await shot("cancelled");
    // Stopped as Ctrl-C stops it: at once, cleanly.
    server.kill("SIGTERM");
    const status = await Promise.race([exited, new Promise((r) => setTimeout(r, 15000, "hung"))]);
    expect(status === 0, `the server to stop with status 0, not ${status}`);
    console.log("every step passed; screenshots in " + artefacts);
  } catch (e) {
    await shot("failed").catch(() => {});
    throw e;
  } finally {
    await browser.close();
    server.kill("SIGTERM");
    fs.rmSync(work, { recursive: true, force: true });
  }
}

main().catch((e) => {
  console.error(e.stack || String(e));
  process.exit(1);
});
