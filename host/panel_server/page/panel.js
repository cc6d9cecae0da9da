// The Orrelux settings panel, drawn from what the module declared. Every
// edit goes to the module; the page shows what the module then reports.
"use strict";

// The IDs of the buttons and thumbnails the page acts on, by the role the
// server found for each among the module's controls ("parent", "load",
// "save", "preview", "logo").
const roles = {};

// The server answers only requests that carry the secret of the address it
// printed; other pages in the browser cannot know it.
const TOKEN = new URLSearchParams(location.search).get("token") || "";
const withToken = (path) => path + (path.includes("?") ? "&" : "?") + "token=" + TOKEN;

const $ = (id) => document.getElementById(id);
const inputs = {};  // control ID -> function showing a value
let redraws = 0;

async function call(method, path, body) {
  const posting = method === "POST";
  const response = await fetch(path, {
    method,
    headers: posting ? {"X-Orrelux-Token": TOKEN, "Content-Type": "application/json"}
                     : {"X-Orrelux-Token": TOKEN},
    body: posting ? JSON.stringify(body === undefined ? {} : body) : undefined,
  });
  const answer = await response.json();
  if (!response.ok) {
    $("request-error").textContent = answer.error;
    throw new Error(answer.error);
  }
  $("request-error").textContent = "";
  return answer;
}

// Host messages, one box each, as the host shows them.
async function showMessages(messages) {
  for (const m of messages || []) {
    $("message-line1").textContent = m.line1;
    $("message-line2").textContent = m.line2 || "";
    const box = $("message-box");
    box.showModal();
    await new Promise((done) => box.addEventListener("close", done, {once: true}));
  }
}

function redrawThumbnail(id) {
  const img = $("thumb-" + id);
  if (img) img.src = withToken("/api/thumbnail/" + id + "?n=" + ++redraws);
}

function showValues(values) {
  for (const [id, value] of Object.entries(values || {})) {
    if (inputs[id]) inputs[id](value);
  }
}

async function edit(id, value) {
  let answer;
  try {
    answer = await call("POST", "/api/control/" + id, {value});
  } catch (e) {
    showValues((await call("GET", "/api/panel")).controls.reduce(
      (all, c) => (c.value !== undefined ? {...all, [c.id]: c.value} : all), {}));
    return;
  }
  showValues(answer.values);
  if (answer.code !== 0) redrawThumbnail(roles.preview);
  await showMessages(answer.messages);
}

// The module keeps single-precision values; seven digits show them as typed.
function shortly(v) {
  return Number(v.toPrecision(7));
}

function numberInput(c, onChange) {
  const input = document.createElement("input");
  input.type = "number";
  input.step = c.kind === "integer" ? (c.range ? c.range.step : 1) : "any";
  if (c.range) { input.min = c.range.min; input.max = c.range.max; }
  input.addEventListener("change", () => onChange(Number(input.value)));
  return input;
}

function control(c) {
  const label = document.createElement(c.kind === "button" ? "span" : "label");
  label.textContent = c.label;
  if (c.kind !== "button") label.htmlFor = "control-" + c.id;
  let field;
  if (c.kind === "thumbnail") {
    field = document.createElement("img");
    field.id = "thumb-" + c.id;
    field.alt = c.label;
    field.src = withToken("/api/thumbnail/" + c.id);
  } else if (c.kind === "button") {
    field = document.createElement("button");
    field.textContent = c.label;
    field.addEventListener("click", () => press(c.id, c.label));
    label.textContent = "";
  } else if (c.choices) {
    field = document.createElement("select");
    c.choices.forEach((text, i) => field.add(new Option(text, i)));
    field.addEventListener("change", () => edit(c.id, Number(field.value)));
    inputs[c.id] = (v) => { field.value = v; };
  } else if (c.class === "iBoolean") {
    field = document.createElement("input");
    field.type = "checkbox";
    field.addEventListener("change", () => edit(c.id, field.checked ? 1 : 0));
    inputs[c.id] = (v) => { field.checked = v === 1; };
  } else if (c.kind === "color") {
    field = document.createElement("span");
    field.className = "color";
    const parts = [0, 1, 2].map(() => numberInput(c, () =>
      edit(c.id, parts.map((p) => Number(p.value)))));
    parts.forEach((p, i) => { p.id = "control-" + c.id + "-" + i; field.append(p); });
    inputs[c.id] = (v) => parts.forEach((p, i) => { p.value = shortly(v[i]); });
  } else if (c.kind === "text") {
    const text = document.createElement("input");
    text.type = "text";
    text.size = 40;
    text.id = "control-" + c.id;
    text.addEventListener("change", () => edit(c.id, text.value));
    inputs[c.id] = (v) => { text.value = v; };
    field = document.createElement("span");
    field.className = "file";
    field.append(text);
    if (c.class === "sFileName") {
      const browse = document.createElement("button");
      browse.textContent = "…";
      browse.title = "Choose " + c.label;
      browse.addEventListener("click", async () => {
        const path = await requestFile("Choose " + c.label);
        if (path !== null) {
          text.value = path;
          await edit(c.id, path);
        }
      });
      field.append(browse);
    }
  } else {
    field = numberInput(c, (v) => edit(c.id, v));
    inputs[c.id] = (v) => { field.value = shortly(v); };
  }
  if (!field.id && field.tagName !== "SPAN") field.id = "control-" + c.id;
  if (c.value !== undefined && inputs[c.id]) inputs[c.id](c.value);
  if (c.range) field.title = c.range.min + " to " + c.range.max;
  return [label, field];
}

// The page's own modal dialogs stand for the host's: each resolves with the
// user's answer, or null for Cancel.
function ask(dialog, ok, cancel, answer) {
  return new Promise((resolve) => {
    const finish = (value) => { dialog.close(); resolve(value); };
    ok.onclick = () => finish(answer());
    cancel.onclick = () => finish(null);
    dialog.oncancel = () => resolve(null);
    dialog.showModal();
  });
}

async function chooseParent() {
  const dialog = await call("GET", "/api/parent");
  $("parent-title").textContent = dialog.title;
  const select = $("parent-choice");
  select.replaceChildren(...dialog.entries.map((text, i) => new Option(text, i)));
  select.value = dialog.selected;
  const index = await ask($("parent-dialog"), $("parent-ok"), $("parent-cancel"),
                          () => Number(select.value));
  if (index !== null) {
    const answer = await call("POST", "/api/parent", {index});
    $("saved").textContent = "Parent: " + answer.parent;
  }
}

async function requestFile(title) {
  const listing = await call("GET", "/api/files");
  $("file-title").textContent = title;
  const list = $("file-list");
  list.replaceChildren(...listing.files.map((f) => new Option(f, f)));
  list.onchange = () => { $("file-path").value = list.value; };
  return ask($("file-dialog"), $("file-ok"), $("file-cancel"), () => $("file-path").value);
}

async function press(id, label) {
  if (id === roles.parent) return chooseParent();
  const loading = id === roles.load;
  if (!loading && id !== roles.save) return;
  const path = await requestFile(loading ? "Load Orrelux Settings From File"
                                         : "Save Orrelux Settings To File");
  if (path === null) return;
  const answer = await call("POST", loading ? "/api/settings/load" : "/api/settings/save", {path});
  if (loading) {
    showValues(answer.values);
    redrawThumbnail(roles.preview);
    $("saved").textContent = "Loaded " + answer.loaded;
  } else {
    $("saved").textContent = "Saved to " + answer.saved;
  }
  await showMessages(answer.messages);
}

async function followRender() {
  const status = await call("GET", "/api/render");
  $("render-progress").max = Math.max(status.total, 1);
  $("render-progress").value = status.done;
  const rendering = status.state === "rendering";
  $("render-cancel").disabled = !rendering;
  $("render-start").disabled = rendering;
  $("render-status").textContent = rendering
    ? "Rendering frame " + status.frame + " (" + status.done + " of " + status.total + ")"
    : status.state === "rendered"
      ? "Frame " + status.frame + " rendered in " + status.seconds.toFixed(2) + " s"
      : status.state === "cancelled" ? "Frame " + status.frame + " cancelled"
      : status.state === "failed" ? "Frame " + status.frame + " failed: " + status.detail : "";
  if (rendering) {
    setTimeout(followRender, 100);
  } else if (status.state === "rendered") {
    $("frame-image").src = withToken("/api/render/view.png?n=" + ++redraws);
    $("frame-file").href = withToken("/api/render/frame.png?n=" + redraws);
    $("frame-file").hidden = false;
  }
}

async function start() {
  const panel = await call("GET", "/api/panel");
  $("title").textContent = panel.title;
  document.title = panel.title + " - " + panel.source;
  $("source").textContent = panel.source + " (saves into " + panel.saves_into + ")";
  const grid = $("panel");
  for (const c of panel.controls) {
    if (c.role) roles[c.role] = c.id;
    const [label, field] = control(c);
    if (c.kind === "thumbnail") {
      field.classList.add("wide");
      grid.append(field);
    } else {
      grid.append(label, field);
    }
  }
  const slider = $("frame-slider");
  slider.min = panel.frames.first;
  slider.max = panel.frames.last;
  slider.value = panel.frames.current;
  $("frame-number").textContent = slider.value;
  slider.oninput = () => { $("frame-number").textContent = slider.value; };
  $("render-start").onclick = async () => {
    await call("POST", "/api/render", {frame: Number(slider.value)});
    followRender();
  };
  $("render-cancel").onclick = () => call("POST", "/api/render/cancel");
  $("message-ok").onclick = () => $("message-box").close();
  $("save").onclick = async () => {
    const answer = await call("POST", "/api/save");
    $("saved").textContent = "Saved into " + answer.into + " of " + answer.saved;
  };
}

start();
